#include "core/ServerDate.h"

#include "core/CommonVariables.h"
#include "platform/Registry.h"
#include "platform/SysUtils.h"

QString FormatServerDate(const QDateTime &value) {
  QString pattern = QStringLiteral("yyyy-mm-dd");
  try {
    TRegistry reg;
    if (reg.OpenKey(RegistryRoot, false) && reg.ValueExists(QStringLiteral("SERVER DATE FORMAT"))) {
      const QString p = reg.ReadString(QStringLiteral("SERVER DATE FORMAT"));
      if (!p.isEmpty()) pattern = p;
    }
  } catch (const std::exception &) {
  }
  return FormatDateTime(pattern, value);
}

QString FormatServerDate(const QDate &value) {
  return FormatServerDate(QDateTime(value, QTime(0, 0)));
}
