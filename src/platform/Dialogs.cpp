#include "platform/Dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {
TRealDialogs g_real;
TDialogs *g_current = nullptr;
QString g_title;

struct ButtonDef {
  TMsgDlgBtn flag;
  QMessageBox::StandardButton qt;
  int result;
};
// Standard order of the buttons and their results.
const ButtonDef kButtons[] = {
    {mbYes, QMessageBox::Yes, mrYes},          {mbNo, QMessageBox::No, mrNo},
    {mbOK, QMessageBox::Ok, mrOk},             {mbCancel, QMessageBox::Cancel, mrCancel},
    {mbAbort, QMessageBox::Abort, mrAbort},    {mbRetry, QMessageBox::Retry, mrRetry},
    {mbIgnore, QMessageBox::Ignore, mrIgnore}, {mbAll, QMessageBox::NoButton, mrAll},
    {mbNoToAll, QMessageBox::NoToAll, mrNoToAll}, {mbYesToAll, QMessageBox::YesToAll, mrYesToAll},
    {mbHelp, QMessageBox::Help, mrNone},
};
}  // namespace

TDialogs &Dialogs() { return g_current ? *g_current : g_real; }
void SetDialogs(TDialogs *dialogs) { g_current = dialogs; }

QString ApplicationTitle() { return g_title; }
void SetApplicationTitle(const QString &title) { g_title = title; }

QString MsgDlgCaption(TMsgDlgType type) {
  switch (type) {
    case TMsgDlgType::mtWarning: return QStringLiteral("Warning");
    case TMsgDlgType::mtError: return QStringLiteral("Error");
    case TMsgDlgType::mtInformation: return QStringLiteral("Information");
    case TMsgDlgType::mtConfirmation: return QStringLiteral("Confirm");
    case TMsgDlgType::mtCustom: break;
  }
  return ApplicationTitle();
}

int MessageDlg(const QString &text, TMsgDlgType type, TMsgDlgButtons buttons, QWidget *parent) {
  return Dialogs().MessageBox(parent, MsgDlgCaption(type), text, type, buttons);
}

int TRealDialogs::MessageBox(QWidget *parent, const QString &caption, const QString &text,
                             TMsgDlgType type, TMsgDlgButtons buttons) {
  QMessageBox box(parent);
  box.setWindowTitle(caption);
  box.setText(text);
  switch (type) {
    case TMsgDlgType::mtWarning: box.setIcon(QMessageBox::Warning); break;
    case TMsgDlgType::mtError: box.setIcon(QMessageBox::Critical); break;
    case TMsgDlgType::mtInformation: box.setIcon(QMessageBox::Information); break;
    case TMsgDlgType::mtConfirmation: box.setIcon(QMessageBox::Question); break;
    case TMsgDlgType::mtCustom: box.setIcon(QMessageBox::NoIcon); break;
  }
  QMessageBox::StandardButtons set;
  for (const auto &b : kButtons)
    if (buttons & b.flag) set |= b.qt;
  if (!set && !(buttons & mbAll)) set = QMessageBox::Ok;
  box.setStandardButtons(set);
  // "All" has no standard button of its own (Qt's YesToAll is mbYesToAll).
  QAbstractButton *all = (buttons & mbAll) ? box.addButton(QStringLiteral("&All"), QMessageBox::AcceptRole) : nullptr;
  const int pressed = box.exec();
  if (all && box.clickedButton() == all) return mrAll;
  for (const auto &b : kButtons)
    if (b.qt != QMessageBox::NoButton && b.qt == pressed && (buttons & b.flag)) return b.result;
  return pressed == QMessageBox::Ok ? mrOk : mrCancel;
}

bool TRealDialogs::InputQuery(QWidget *parent, const QString &caption, const QString &prompt,
                              QString &value) {
  bool ok = false;
  const QString text =
      QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, value, &ok);
  if (ok) value = text;
  return ok;
}

QString TRealDialogs::SaveFileName(QWidget *parent, const QString &caption, const QString &dir,
                                   const QString &filter) {
  return QFileDialog::getSaveFileName(parent, caption, dir, filter);
}

QString TRealDialogs::OpenFileName(QWidget *parent, const QString &caption, const QString &dir,
                                   const QString &filter) {
  return QFileDialog::getOpenFileName(parent, caption, dir, filter);
}

int TRealDialogs::ExecModal(QDialog *dialog) { return dialog->exec(); }
