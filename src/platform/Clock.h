#pragma once
// "Today" and "now" for the whole program. Tests fix the clock so that dates are repeatable.
#include <QDateTime>

namespace Clock {
QDateTime Now();
QDate Today();
// Fixes the clock at the given moment; an invalid value lets it run again.
void SetFixed(const QDateTime &moment);
}  // namespace Clock
