#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>

#include "platform/Dialogs.h"
#include "support/ScriptedDialogs.h"

namespace {
TScriptedDialogs g_script;
}

TScriptedDialogs &Script() { return g_script; }

int main(int argc, char **argv) {
  // Windows are tested offscreen, and a Latvian locale must not change any number in SQL.
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QLocale::setDefault(QLocale(QLocale::Latvian, QLocale::Latvia));
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  SetDialogs(&g_script);
  SetApplicationTitle(QStringLiteral("Warehouse for Velmo"));
  return RUN_ALL_TESTS();
}
