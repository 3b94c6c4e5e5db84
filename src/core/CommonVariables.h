#pragma once
// Program-wide values set once by start-up.
#include <QString>
#include <QVector>
#include <cstdint>

// Registry path of the program key under the current-user hive; start-up extends it once by
// the key file's sub-key.
extern QString RegistryRoot;
extern const QString RegistryBase;  // "SOFTWARE\ORMAK Software\"

struct TUserRec {
  uint16_t ID = 0;
  QString LOGIN, NAME, MOBILE, EMAIL;
  QString WPREFIX;  // at most 5 characters
  uint8_t WMETHOD = 0;
  int32_t LOCATION = 0;
  int32_t DIVISION = 0;
  bool ISLOCATIONADMIN = false, ISDIVISIONADMIN = false, ISLOCATIONVIEW = false,
       ISDIVISIONVIEW = false;
};

struct TLocationRec {
  uint16_t ID = 0;
  QString NAME, ADDRESS;
  QString PHONE;  // "Tel.: " + column
  QString FAX;    // "Fax: " + column
  QString APREFIX, WPREFIX;  // at most 8 characters
  uint8_t AMETHOD = 0, WMETHOD = 0;
  bool ISDEALER = false;
  int32_t CUSTOMERLINK = 0;
  uint16_t DEFCITY = 0, DISTANCEKM = 0, SHIPPINGPLACE = 0;
  double SHIPPINGCOST = 0, OWNWIN = 0, OWNADD = 0, OWNSILLS = 0, CLIENTWIN = 0, CLIENTADD = 0,
         CLIENTSILLS = 0;
};

struct TGroupRec {
  uint16_t ID = 0;
  QString NAME, ACC;
};

extern QVector<TUserRec> UserList;
extern QVector<TLocationRec> LocationList;
extern QVector<TGroupRec> AccGroupList;
extern TUserRec CurrentUser;

extern int16_t PriceCount;
extern double VATPercent;
