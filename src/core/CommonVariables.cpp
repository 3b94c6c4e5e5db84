#include "core/CommonVariables.h"

const QString RegistryBase = QStringLiteral("SOFTWARE\\ORMAK Software\\");
QString RegistryRoot = RegistryBase;

QVector<TUserRec> UserList;
QVector<TLocationRec> LocationList;
QVector<TGroupRec> AccGroupList;
TUserRec CurrentUser;

int16_t PriceCount = 0;
double VATPercent = 0;
