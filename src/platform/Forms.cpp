#include "platform/Forms.h"

#include <QAbstractButton>
#include <QKeyEvent>

#include "platform/Application.h"

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

namespace {
class TEnterKeyFilter : public QObject {
 public:
  TEnterKeyFilter(QObject *parent, std::function<void()> action)
      : QObject(parent), m_action(std::move(action)) {}
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent *>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        Guarded(m_action);
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> m_action;
};
}  // namespace

void OnEnterKey(QWidget *widget, std::function<void()> action) {
  widget->installEventFilter(new TEnterKeyFilter(widget, std::move(action)));
}
