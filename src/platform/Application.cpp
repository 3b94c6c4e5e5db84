#include "platform/Application.h"

#include <cstdio>

#include "platform/Dialogs.h"
#include "platform/WindowRules.h"

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv) { InstallWindowRules(); }

bool TApplication::notify(QObject *receiver, QEvent *event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception &e) {
    ShowException(e);
  } catch (...) {
    ShowException(std::runtime_error("Unknown error"));
  }
  return false;
}

void ShowException(const std::exception &e) {
  const QString text = QString::fromUtf8(e.what());
  std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
  Dialogs().MessageBox(nullptr, ApplicationTitle(), text, TMsgDlgType::mtError, mbOK);
}

TBusyCursor::TBusyCursor() {
  if (!qobject_cast<QApplication *>(QCoreApplication::instance())) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  m_set = true;
}

TBusyCursor::~TBusyCursor() {
  if (m_set) QApplication::restoreOverrideCursor();
}
