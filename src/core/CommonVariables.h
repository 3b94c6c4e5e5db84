#pragma once
// Program-wide values set once by start-up.
#include <QHash>
#include <QString>
#include <cstdint>

// Registry path of the program key under the current-user hive; start-up extends it once by
// the key file's sub-key.
extern QString RegistryRoot;
extern const QString RegistryBase;  // "SOFTWARE\ORMAK Software\"

struct TUserRec {
  int32_t ID = 0;
  QString LOGIN, NAME, MOBILE, EMAIL;
  QString WPREFIX;  // at most 5 characters
  uint8_t WMETHOD = 0;
  int32_t LOCATION = 0;
  int32_t DIVISION = 0;
  bool ISLOCATIONADMIN = false, ISDIVISIONADMIN = false, ISLOCATIONVIEW = false,
       ISDIVISIONVIEW = false;
};

struct TLocationRec {
  int32_t ID = 0;
  QString NAME, ADDRESS;
  QString PHONE;  // "Tel.: " + column
  QString FAX;    // "Fax: " + column
  QString APREFIX, WPREFIX;  // at most 8 characters
  uint8_t AMETHOD = 0, WMETHOD = 0;
  bool ISDEALER = false;
  int32_t CUSTOMERLINK = 0;
  int32_t DEFCITY = 0, DISTANCEKM = 0, SHIPPINGPLACE = 0;
  double SHIPPINGCOST = 0, OWNWIN = 0, OWNADD = 0, OWNSILLS = 0, CLIENTWIN = 0, CLIENTADD = 0,
         CLIENTSILLS = 0;
};

struct TGroupRec {
  int32_t ID = 0;
  QString NAME, ACC;
};

// The rows of one table by their ID. An ID without a row reads as the empty element (ID 0,
// empty texts, zeros); memory follows the rows, not the highest ID.
template <class T>
class TIdTable {
 public:
  const T &operator[](int32_t id) const {
    const auto it = m_rows.constFind(id);
    return it == m_rows.constEnd() ? m_empty : *it;
  }
  bool Contains(int32_t id) const { return m_rows.contains(id); }
  // The number of rows held.
  int size() const { return static_cast<int>(m_rows.size()); }
  T &Add(int32_t id) { return m_rows[id]; }
  void clear() { m_rows.clear(); }

 private:
  QHash<int32_t, T> m_rows;
  T m_empty;
};

extern TIdTable<TUserRec> UserList;
extern TIdTable<TLocationRec> LocationList;
extern TIdTable<TGroupRec> AccGroupList;
extern TUserRec CurrentUser;

extern int16_t PriceCount;
extern double VATPercent;
