// Two clients saving issues against the same lots at the same moment: this test program is
// started twice more as the two clients, each with its own connection, and they press save
// together. No lot may give more than it holds, and the client that comes second must be
// refused with nothing of its save left.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "core/CommonVariables.h"
#include "documents/IssueTestKit.h"
#include "platform/Registry.h"

using namespace issuekit;

namespace {

const char *kDbVar = "WAREHOUSE_ISSUE_CLIENT_DB";
const char *kDirVar = "WAREHOUSE_ISSUE_CLIENT_DIR";
const char *kNumVar = "WAREHOUSE_ISSUE_CLIENT_NUM";

TEST(IssueClients, DISABLED_OneClientSavesAnIssue) {
  // Runs only as a client of the test below.
  const QString db = qEnvironmentVariable(kDbVar);
  const QString dir = qEnvironmentVariable(kDirVar);
  const QString num = qEnvironmentVariable(kNumVar);
  ASSERT_FALSE(db.isEmpty());
  testdb::StartClient((dir + QStringLiteral("/registry_") + num + QStringLiteral(".reg")), db);
  {
    TEditor e(-1, 1);
    e.W->Edit1->setText(QStringLiteral("CLIENT-") + num);
    e.Next();
    e.Add(QStringLiteral("Pine 68x78"), QStringLiteral("8"));
    ASSERT_EQ(e.Lines(), 2);
    WriteFile(dir + QStringLiteral("/ready_") + num, QStringLiteral("ready"));
    ASSERT_TRUE(WaitForFile(dir + QStringLiteral("/go"), 30000));
    e.Save();
    WriteFile(dir + QStringLiteral("/result_") + num,
              e.Saved() ? QStringLiteral("saved") : QStringLiteral("refused\n") + Script().LastMessage());
  }
  delete DATA;
  DATA = nullptr;
}

class IssueConcurrency : public DbTest {};

TEST_F(IssueConcurrency, TwoClientsNeverConsumeTheSameQuantityTwice) {
  const int sup = fx::Supplier("Timber Ltd");
  const int pine = fx::Material("Pine 68x78", sup);
  const int lotA = fx::Lot(fx::Receipt(QDate(2024, 1, 5), "R-A", sup), pine, -1, 6, 2.0);
  const int lotB = fx::Lot(fx::Receipt(QDate(2024, 2, 5), "R-B", sup), pine, -1, 6, 3.0);
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());

  std::vector<std::unique_ptr<QProcess>> clients;
  for (int k = 1; k <= 2; ++k) {
    auto p = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QString::fromLatin1(kDbVar), Db->Main);
    env.insert(QString::fromLatin1(kDirVar), dir.path());
    env.insert(QString::fromLatin1(kNumVar), QString::number(k));
    env.insert(QStringLiteral("WAREHOUSE_TEST_DB_PORT"), testdb::Port());
    p->setProcessEnvironment(env);
    p->setProcessChannelMode(QProcess::MergedChannels);
    p->start(QCoreApplication::applicationFilePath(),
             {QStringLiteral("--gtest_filter=IssueClients.DISABLED_OneClientSavesAnIssue"),
              QStringLiteral("--gtest_also_run_disabled_tests")});
    ASSERT_TRUE(p->waitForStarted(10000));
    clients.push_back(std::move(p));
  }
  // Both have laid out their lines over the same two lots before either presses save.
  for (int k = 1; k <= 2; ++k)
    ASSERT_TRUE(WaitForFile(dir.filePath(QStringLiteral("ready_%1").arg(k)), 60000))
        << clients[k - 1]->readAll().toStdString();
  WriteFile(dir.filePath(QStringLiteral("go")), QStringLiteral("go"));
  for (auto &p : clients) {
    ASSERT_TRUE(p->waitForFinished(60000));
    EXPECT_EQ(p->exitCode(), 0) << p->readAll().toStdString();
  }

  const QString r1 = ReadFile(dir.filePath(QStringLiteral("result_1")));
  const QString r2 = ReadFile(dir.filePath(QStringLiteral("result_2")));
  ASSERT_TRUE((r1 == "saved") != (r2 == "saved")) << r1.toStdString() << " / " << r2.toStdString();
  const QString loser = r1 == "saved" ? r2 : r1;
  const QString loserNum = r1 == "saved" ? QStringLiteral("CLIENT-2") : QStringLiteral("CLIENT-1");
  EXPECT_TRUE(loser.startsWith("refused\n"));
  EXPECT_TRUE(loser.contains("netika saglabāta")) << loser.toStdString();

  EXPECT_EQ(fx::Count("Waybill", "ISOUT=1"), 1);
  EXPECT_EQ(fx::Count("Waybill", QStringLiteral("NUM=%1").arg(QuoteSQL(loserNum))), 0);
  EXPECT_EQ(fx::Count("WaybillCont", "WAYBILLID not in (select ID from Waybill)"), 0);
  EXPECT_EQ(fx::Count("WBList"), 2);
  EXPECT_DOUBLE_EQ(fx::QtyOut(lotA), 6.0);
  EXPECT_DOUBLE_EQ(fx::QtyOut(lotB), 2.0);
  EXPECT_DOUBLE_EQ(fx::StockQty(pine, -1), 4.0);
}

}  // namespace
