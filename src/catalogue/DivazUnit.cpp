#include "catalogue/DivazUnit.h"

#include "core/CommonVariables.h"

TDivazForm::TDivazForm(QWidget *parent) : QMainWindow(parent) {
  setObjectName(QStringLiteral("DivazForm"));
  setWindowTitle(QStringLiteral("DI Vidududiz 1.1 / КАТАЛОГ + ПРОИЗВОДСТВЕННЫЕ ОСТАТКИ [Пользователь: %1]")
                     .arg(CurrentUser.NAME));
  resize(900, 600);
}
