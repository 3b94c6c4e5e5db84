// A material deleted from the catalogue by one client while another saves a receipt of it:
// either the deletion finds the receipt's lines and keeps the material, or the receipt finds
// the material gone and writes nothing. Never a line or stock row without its material.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>

#include "ReceiptFixture.h"
#include "core/CommonVariables.h"
#include "core/DataUnit.h"
#include "core/MaterialPosting.h"
#include "core/Ledger.h"
#include "documents/DivazInUnit.h"
#include "platform/Registry.h"
#include "support/Fixtures.h"
#include "support/ScriptedDialogs.h"

namespace {

const char *kDbVar = "WAREHOUSE_DELETER_DB";
const char *kDirVar = "WAREHOUSE_DELETER_DIR";
const char *kIdVar = "WAREHOUSE_DELETER_MATERIAL";

bool WaitForFile(const QString &path, int ms) {
  for (int waited = 0; waited < ms; waited += 2) {
    if (QFile::exists(path)) return true;
    QThread::msleep(2);
  }
  return false;
}

void Touch(const QString &path) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

TEST(MaterialDeleter, DISABLED_DeletesTheMaterialWhenTold) {
  // Runs only as the other client of the test below.
  const QString dir = qEnvironmentVariable(kDirVar);
  ASSERT_FALSE(dir.isEmpty());
  testdb::StartClient((dir + QStringLiteral("/registry.reg")), qEnvironmentVariable(kDbVar));
  Touch(dir + QStringLiteral("/ready"));
  ASSERT_TRUE(WaitForFile(dir + QStringLiteral("/go"), 60000));
  const bool deleted = DeleteMaterial(qEnvironmentVariableIntValue(kIdVar));
  Touch(dir + (deleted ? QStringLiteral("/deleted") : QStringLiteral("/kept")));
  delete DATA;
  DATA = nullptr;
}

class MaterialDeletionRace : public ReceiptTest {};

TEST_F(MaterialDeletionRace, AReceiptSavedWhileItsMaterialIsDeletedIsRefused) {
  // An empty stock row, so that the deletion has a row to delete; deleting it takes a while.
  fx::StockRow(Pine, -1, 0);
  Db->Exec("create trigger SlowStockDelete before delete on CatalogQty for each row set @slept = sleep(1.5)");
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QProcess other;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QString::fromLatin1(kDbVar), Db->Main);
  env.insert(QString::fromLatin1(kDirVar), dir.path());
  env.insert(QString::fromLatin1(kIdVar), QString::number(Pine));
  env.insert(QStringLiteral("WAREHOUSE_TEST_DB_PORT"), testdb::Port());
  other.setProcessEnvironment(env);
  other.setProcessChannelMode(QProcess::MergedChannels);
  other.start(QCoreApplication::applicationFilePath(),
              {QStringLiteral("--gtest_filter=MaterialDeleter.DISABLED_DeletesTheMaterialWhenTold"),
               QStringLiteral("--gtest_also_run_disabled_tests")});
  ASSERT_TRUE(other.waitForStarted(10000));
  ASSERT_TRUE(WaitForFile(dir.filePath(QStringLiteral("ready")), 60000)) << other.readAll().toStdString();

  std::unique_ptr<TDivazIn> e(TDivazIn::CreateDoc(nullptr, -1, DocKindReceiptIn));
  Script().OnModal("DivazIn", [&](QDialog *) {
    EnterHeader(e.get(), Timber, "R-RACE", 0);
    AddLine(e.get(), "Pine beam", 4);
    // The deletion has checked the material and is deleting its stock row when the save starts.
    Touch(dir.filePath(QStringLiteral("go")));
    QThread::msleep(400);
    e->SaveWB->click();
    return mrNone;
  });
  const int result = e->ShowModal();
  ASSERT_TRUE(other.waitForFinished(60000));
  EXPECT_EQ(other.exitCode(), 0) << other.readAll().toStdString();
  ASSERT_TRUE(QFile::exists(dir.filePath(QStringLiteral("deleted"))));

  EXPECT_NE(result, mrOk);
  EXPECT_EQ(Script().LastMessage(), "Материал удалён из каталога другим пользователем: документ не сохранён.");
  EXPECT_EQ(fx::Count("Catalog", QStringLiteral("ID=%1").arg(Pine)), 0);
  EXPECT_EQ(fx::Count("WaybillCont", QStringLiteral("CATID=%1").arg(Pine)), 0);
  EXPECT_EQ(fx::Count("CatalogQty", QStringLiteral("CATID=%1").arg(Pine)), 0);
  EXPECT_EQ(fx::Count("Waybill", "NUM=\"R-RACE\""), 0);
}

}  // namespace
