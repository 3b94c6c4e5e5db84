#include "core/SchemaCheck.h"

#include "core/Query.h"

#include <algorithm>
#include <iterator>

const QString UpgradeScriptName = QStringLiteral("db/upgrade.sql");

namespace {

// Everything db/upgrade.sql adds, in its order: a table (no index) or an index of a table.
struct TAddition {
  const char *Table;
  const char *Index;
};
constexpr TAddition kAdditions[] = {
    {"DocNumberLock", nullptr},
    {"WaybillCont", "WaybillContOpenLot"},
    {"WaybillCont", "WaybillContOpen"},
    {"Catalog", "CatalogSupplierGroup"},
    {"CatalogLock", nullptr},
    {"OpenLots", nullptr},
    {"OpenStock", nullptr},
};
// The procedures and triggers that keep OpenLots and OpenStock: one item of the message,
// whichever of them are missing.
constexpr const char *kProcedures[] = {"OpenLotsRecount", "OpenLotsRecountDocument", "OpenStockPair",
                                       "OpenStockMaterial", "OpenStockGroup"};
struct TTrigger {
  const char *Table;
  const char *Name;
};
constexpr TTrigger kTriggers[] = {
    {"WaybillCont", "WaybillContOpenInsert"}, {"WaybillCont", "WaybillContOpenUpdate"},
    {"WaybillCont", "WaybillContOpenDelete"}, {"Waybill", "WaybillOpenInsert"},
    {"Waybill", "WaybillOpenUpdate"},         {"Waybill", "WaybillOpenDelete"},
    {"OpenLots", "OpenLotsInsert"},           {"OpenLots", "OpenLotsUpdate"},
    {"OpenLots", "OpenLotsDelete"},           {"CatalogQty", "CatalogQtyOpenInsert"},
    {"CatalogQty", "CatalogQtyOpenUpdate"},   {"CatalogQty", "CatalogQtyOpenDelete"},
    {"Catalog", "CatalogOpenInsert"},         {"Catalog", "CatalogOpenUpdate"},
    {"Catalog", "CatalogOpenDelete"},         {"CatGroups", "CatGroupsOpenInsert"},
    {"CatGroups", "CatGroupsOpenUpdate"},     {"CatGroups", "CatGroupsOpenDelete"}};

QString Quoted(const char *name) { return QLatin1Char('\'') + QLatin1String(name) + QLatin1Char('\''); }

}  // namespace

QStringList MissingProgramSchema(TConnection &connection) {
  QStringList tables, indexes;
  for (const TAddition &a : kAdditions) {
    if (a.Index) indexes << Quoted(a.Index);
    tables << Quoted(a.Table);
  }
  for (const TTrigger &t : kTriggers) tables << Quoted(t.Table);
  // Names as stored: table names are case-sensitive on this server's file systems.
  QStringList present;
  const auto read = [&](const QString &sql, const QStringList &names) {
    if (names.isEmpty()) return;
    TQuery q(&connection);
    q.SQL = sql.arg(names.join(QLatin1Char(',')));
    q.Open();
    for (q.First(); !q.Eof(); q.Next()) present << q.Fields(0).AsString();
    q.Close();
  };
  read(QStringLiteral("select TABLE_NAME from information_schema.TABLES where TABLE_SCHEMA=database() "
                      "and binary TABLE_NAME in (%1)"),
       tables);
  read(QStringLiteral("select distinct concat(TABLE_NAME, '.', INDEX_NAME) from information_schema.STATISTICS "
                      "where TABLE_SCHEMA=database() and binary INDEX_NAME in (%1)"),
       indexes);
  QStringList procedures, triggers;
  for (const char *p : kProcedures) procedures << Quoted(p);
  for (const TTrigger &t : kTriggers) triggers << Quoted(t.Name);
  read(QStringLiteral("select concat('procedure ', ROUTINE_NAME) from information_schema.ROUTINES "
                      "where ROUTINE_SCHEMA=database() and ROUTINE_TYPE='PROCEDURE' and binary ROUTINE_NAME in (%1)"),
       procedures);
  read(QStringLiteral("select concat('trigger ', TRIGGER_NAME) from information_schema.TRIGGERS "
                      "where TRIGGER_SCHEMA=database() and binary TRIGGER_NAME in (%1)"),
       triggers);

  QStringList missing;
  for (const TAddition &a : kAdditions) {
    if (!a.Index) {
      if (!present.contains(QLatin1String(a.Table))) missing << QStringLiteral("table %1").arg(QLatin1String(a.Table));
    } else if (present.contains(QLatin1String(a.Table)) &&
               !present.contains(QLatin1String(a.Table) + QLatin1Char('.') + QLatin1String(a.Index))) {
      // An index of a table the installation lacks altogether is not the script's to add: the
      // step that reads the table fails with the server's own message.
      missing << QStringLiteral("index %1 of %2").arg(QLatin1String(a.Index), QLatin1String(a.Table));
    }
  }
  const auto lacks = [&](const char *kind, const char *name) {
    return !present.contains(QLatin1String(kind) + QLatin1String(name));
  };
  // As with indexes, the trigger of a table the installation lacks is not looked for.
  if (std::any_of(std::begin(kProcedures), std::end(kProcedures), [&](const char *p) { return lacks("procedure ", p); }) ||
      std::any_of(std::begin(kTriggers), std::end(kTriggers), [&](const TTrigger &t) {
        return present.contains(QLatin1String(t.Table)) && lacks("trigger ", t.Name);
      }))
    missing << QStringLiteral("the triggers and procedures that keep OpenLots and OpenStock");
  return missing;
}

QString MissingSchemaMessage(const QString &database, const QStringList &missing) {
  return QStringLiteral("The database %1 lacks what this program needs (%2).\n"
                        "Run %3 on it once (see \"Upgrading an existing database\" in the README), "
                        "then start the program again. Application terminated.")
      .arg(database, missing.join(QStringLiteral(", ")), UpgradeScriptName);
}
