#pragma once
// Shared routines: window placement in the registry, the server's date format, user tables.
#include <QDateTime>
#include <QString>

class QWidget;
class TConnection;

// Restores a window's position (and with withSize its size and state) from
// RegistryRoot\Forms\<objectName>; missing values are written from the window instead.
void LoadFormPosition(QWidget *form, bool withSize);
void SaveFormPosition(QWidget *form, bool withSize);

// A date in the pattern of the registry value "SERVER DATE FORMAT" (default "yyyy-mm-dd").
QString FormatServerDate(const QDateTime &value);
QString FormatServerDate(const QDate &value);

// Loads Users, UserLocations and UserAccGroups (each name behind the prefix).
void LoadUserTables(TConnection *connection, const QString &prefix);
