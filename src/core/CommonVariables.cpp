#include "core/CommonVariables.h"

const QString RegistryBase = QStringLiteral("SOFTWARE\\ORMAK Software\\");
QString RegistryRoot = RegistryBase;

TIdTable<TUserRec> UserList;
TIdTable<TLocationRec> LocationList;
TIdTable<TGroupRec> AccGroupList;
TUserRec CurrentUser;

int16_t PriceCount = 0;
double VATPercent = 0;
