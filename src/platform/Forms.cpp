#include "platform/Forms.h"

#include <QAbstractButton>

TForm::TForm(QWidget *owner) : QDialog(owner) {}

int TForm::ShowModal() {
  m_modalResult = mrNone;
  const int result = Dialogs().ExecModal(this);
  return m_modalResult != mrNone ? m_modalResult : result;
}

void TForm::SetModalResult(int result) {
  if (result == mrNone) {
    m_modalResult = mrNone;
    return;
  }
  done(result);
}

void TForm::BindModalResult(QAbstractButton *button, int result) {
  connect(button, &QAbstractButton::clicked, this, [this, result] { SetModalResult(result); });
}

void TForm::done(int result) {
  if (!CloseQuery(result)) {
    m_modalResult = mrNone;
    return;
  }
  m_modalResult = result;
  FormClose();
  QDialog::done(result);
}
