#include "support/ScriptedDialogs.h"

#include <QCoreApplication>

QStringList TScriptedDialogs::Messages() const {
  QStringList out;
  for (const Shown &s : Boxes) out << s.Text;
  return out;
}

void TScriptedDialogs::Clear() {
  Boxes.clear();
  Answers.clear();
  Inputs.clear();
  InputPrompts.clear();
  Files.clear();
  FileAsks.clear();
  Modal.clear();
  ModalShown.clear();
}

int TScriptedDialogs::MessageBox(QWidget *, const QString &caption, const QString &text,
                                 TMsgDlgType type, TMsgDlgButtons buttons) {
  Boxes.push_back({caption, text, type, buttons});
  if (!Answers.empty()) {
    const int a = Answers.front();
    Answers.pop_front();
    return a;
  }
  if (buttons & mbYes) return mrYes;
  return mrOk;
}

bool TScriptedDialogs::InputQuery(QWidget *, const QString &, const QString &prompt,
                                  QString &value) {
  InputPrompts << prompt;
  if (Inputs.empty()) return false;
  const std::optional<QString> a = Inputs.front();
  Inputs.pop_front();
  if (!a) return false;
  value = *a;
  return true;
}

QString TScriptedDialogs::SaveFileName(QWidget *, const QString &caption, const QString &dir,
                                       const QString &filter) {
  FileAsks.push_back({caption, dir, filter});
  if (Files.empty()) return QString();
  const QString f = Files.front();
  Files.pop_front();
  return f;
}

QString TScriptedDialogs::OpenFileName(QWidget *p, const QString &c, const QString &d,
                                       const QString &f) {
  return SaveFileName(p, c, d, f);
}

int TScriptedDialogs::ExecModal(QDialog *dialog) {
  const QString name = dialog->objectName();
  ModalShown << name;
  dialog->setResult(0);
  dialog->show();
  QCoreApplication::processEvents();
  int result = mrCancel;
  auto it = Modal.find(name);
  if (it != Modal.end() && !it->second.empty()) {
    auto handler = std::move(it->second.front());
    it->second.pop_front();
    result = handler(dialog);
    if (result == mrNone) result = dialog->result();
  } else {
    dialog->done(mrCancel);
    result = dialog->result() ? dialog->result() : mrCancel;
  }
  if (dialog->isVisible()) dialog->hide();
  return result;
}
