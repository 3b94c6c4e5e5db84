#pragma once
// Dates as the server's statements take them.
#include <QDateTime>
#include <QString>

// A date in the pattern of the registry value "SERVER DATE FORMAT" (default "yyyy-mm-dd").
QString FormatServerDate(const QDateTime &value);
QString FormatServerDate(const QDate &value);
