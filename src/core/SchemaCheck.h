#pragma once
// What this program needs in a main database beyond the tables and columns of an existing
// installation: db/upgrade.sql adds it, and start-up refuses a database that lacks it.
#include <QString>
#include <QStringList>

class TConnection;

// The file that adds what is missing, as the start-up message names it.
extern const QString UpgradeScriptName;  // "db/upgrade.sql"

// What the database the connection is on lacks ("table DocNumberLock", "index
// WaybillContOpenLot of WaybillCont"), in the order of the upgrade script; empty when nothing.
// Raises EDatabaseError when the server cannot be asked.
QStringList MissingProgramSchema(TConnection &connection);

// The start-up message for a database that lacks the given objects.
QString MissingSchemaMessage(const QString &database, const QStringList &missing);
