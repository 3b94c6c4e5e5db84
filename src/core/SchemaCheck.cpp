#include "core/SchemaCheck.h"

#include "core/Query.h"

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
};

QString Quoted(const char *name) { return QLatin1Char('\'') + QLatin1String(name) + QLatin1Char('\''); }

}  // namespace

QStringList MissingProgramSchema(TConnection &connection) {
  QStringList tables, indexes;
  for (const TAddition &a : kAdditions) {
    if (a.Index) indexes << Quoted(a.Index);
    tables << Quoted(a.Table);
  }
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
  return missing;
}

QString MissingSchemaMessage(const QString &database, const QStringList &missing) {
  return QStringLiteral("The database %1 lacks what this program needs (%2).\n"
                        "Run %3 on it once (see \"Upgrading an existing database\" in the README), "
                        "then start the program again. Application terminated.")
      .arg(database, missing.join(QStringLiteral(", ")), UpgradeScriptName);
}
