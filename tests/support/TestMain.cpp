#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>

#include "platform/Dialogs.h"
#include "platform/WindowRules.h"
#include "support/ScriptedDialogs.h"

namespace {
TScriptedDialogs g_script;
QtMessageHandler g_previousHandler = nullptr;

// The offscreen platform's notes about window size hints say nothing about the program:
// they are dropped, every other message passes on.
void QuietPlatformNotes(QtMsgType type, const QMessageLogContext &context, const QString &text) {
  if (text.contains(QLatin1String("propagateSizeHints"))) return;
  if (g_previousHandler) g_previousHandler(type, context, text);
}
}  // namespace

TScriptedDialogs &Script() { return g_script; }

int main(int argc, char **argv) {
  // Windows are tested offscreen, and a Latvian locale must not change any number in SQL.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QLocale::setDefault(QLocale(QLocale::Latvian, QLocale::Latvia));
  g_previousHandler = qInstallMessageHandler(QuietPlatformNotes);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  InstallWindowRules();  // as the program's application object does
  SetDialogs(&g_script);
  SetApplicationTitle(QStringLiteral("Warehouse for Velmo"));
  return RUN_ALL_TESTS();
}
