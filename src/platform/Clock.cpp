#include "platform/Clock.h"

namespace {
QDateTime g_fixed;
}

namespace Clock {
QDateTime Now() { return g_fixed.isValid() ? g_fixed : QDateTime::currentDateTime(); }
QDate Today() { return Now().date(); }
void SetFixed(const QDateTime &moment) { g_fixed = moment; }
}  // namespace Clock
