#include <QDir>

#include "catalogue/DivazUnit.h"
#include "core/MyMsgUnit.h"
#include "core/Startup.h"
#include "platform/Application.h"

int main(int argc, char **argv) {
  TApplication app(argc, argv);
  TProgramDialogs dialogs;
  SetDialogs(&dialogs);
  const TStartupResult started = RunStartup(QDir::currentPath());
  if (started.Outcome != TStartupOutcome::Ready) {
    ShutdownData();
    return 1;
  }
  int rc = 0;
  {
    TDivazForm form;
    form.show();
    rc = app.exec();
  }
  ShutdownData();
  SetDialogs(nullptr);
  return rc;
}
