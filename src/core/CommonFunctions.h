#pragma once
// Shared routines: window placement in the registry, the server's date format, user tables.
#include <QDateTime>
#include <QString>

#include "core/ServerDate.h"

class QWidget;
class TConnection;

// Restores a window's position (and with withSize its size and state) from
// RegistryRoot\Forms\<objectName>; missing values are written from the window instead.
void LoadFormPosition(QWidget *form, bool withSize);
void SaveFormPosition(QWidget *form, bool withSize);


// Loads Users, UserLocations and UserAccGroups (each name behind the prefix).
void LoadUserTables(TConnection *connection, const QString &prefix);
