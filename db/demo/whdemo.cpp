// Prints the demo data as SQL for the command-line client.
//   whdemo main|setup [SCALE [YYYY-MM-DD]]
#include <QCoreApplication>
#include <QDate>
#include <cstdio>
#include <exception>

#include "DemoData.h"

int main(int argc, char **argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  const QString usage = QStringLiteral("usage: whdemo main|setup [SCALE [YYYY-MM-DD]]\n");
  if (args.size() < 2 || (args[1] != QLatin1String("main") && args[1] != QLatin1String("setup"))) {
    std::fputs(usage.toLocal8Bit().constData(), stderr);
    return 2;
  }
  int scale = 1;
  if (args.size() > 2) {
    bool ok = false;
    scale = args[2].toInt(&ok);
    if (!ok || scale < 1) {
      std::fputs("whdemo: SCALE must be a whole number of 1 or more\n", stderr);
      return 2;
    }
  }
  QDate today = QDate::currentDate();
  if (args.size() > 3) {
    today = QDate::fromString(args[3], QStringLiteral("yyyy-MM-dd"));
    if (!today.isValid()) {
      std::fputs("whdemo: the date must be written YYYY-MM-DD\n", stderr);
      return 2;
    }
  }
  try {
    const whdemo::TDemoSql sql = whdemo::DemoSql(scale, today);
    const QByteArray out =
        whdemo::Script(args[1] == QLatin1String("main") ? sql.Main : sql.Setup).toUtf8();
    if (std::fwrite(out.constData(), 1, static_cast<size_t>(out.size()), stdout) !=
        static_cast<size_t>(out.size()))
      return 1;
    return std::fflush(stdout) == 0 ? 0 : 1;
  } catch (const std::exception &e) {
    std::fprintf(stderr, "whdemo: %s\n", e.what());
    return 1;
  }
}
