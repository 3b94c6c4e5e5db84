// Every report of the demo data set prints the rows, texts and figures of its golden file, in
// the same order. The golden holds what the reports print, not where: the column headings
// repeated on each page and the page footers are left out, and each text is compared with its
// white space folded, so that page breaks, wrapping and placement may change while what is
// printed may not. WAREHOUSE_UPDATE_GOLDEN=1 rewrites the files from the current output.
// Every report's amounts keep clear of the texts beside them.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <functional>

#include "core/CommonVariables.h"
#include "core/DataUnit.h"
#include "core/Startup.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "platform/SysUtils.h"
#include "platform/report/QuickRpt.h"
#include "platform/report/ReportPreview.h"
#include "reports/rep_CriticalRemainsUnit.h"
#include "reports/rep_InOutComeUnit.h"
#include "reports/rep_InventoryUnit.h"
#include "reports/rep_MaterialsFullUnit.h"
#include "reports/rep_MaterialsListUnit.h"
#include "reports/rep_OrdMaterialsUnit.h"
#include "reports/rep_RemainsUnit.h"
#include "reports/rep_RequisitionsUnit.h"
#include "reports/rep_ReserveByMaterialUnit.h"
#include "reports/rep_ReserveByOrderUnit.h"
#include "support/ReportChecks.h"
#include "support/TestDatabase.h"

namespace {

QString GoldenFolder() { return QStringLiteral(WAREHOUSE_SOURCE_DIR "/tests/reports/golden"); }

// The printed texts of a report, one per line, without the bands that repeat on every page.
QStringList PrintedTexts(const TQuickRep &report) {
  QSet<QString> repeated, elsewhere;
  for (const auto &band : report.Bands())
    for (const auto &item : band->Items())
      (band->BandType == rbColumnHeader || band->BandType == rbPageFooter ? repeated : elsewhere)
          .insert(item->Name);
  // A name used in the repeating bands and elsewhere as well cannot be told apart: keep it.
  repeated -= elsewhere;
  QStringList out;
  for (const TReportPage &page : report.Model().Pages)
    for (const TReportItem &item : page.Items)
      if (item.Kind == TReportItem::kText && !repeated.contains(item.Name))
        out << item.Text.simplified();
  return out;
}

class DemoReports : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    CheckLedger = false;  // reports only read
    Clock::SetFixed(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    Db->LoadDemo(1);
    QTemporaryDir folder;
    const TStartupResult result = Db->StartProgram(folder.path(), "Demo");
    ASSERT_EQ(result.Outcome, TStartupOutcome::Ready) << result.Message.toStdString();
    m_oldHandler = SetPreviewHandler([this](TQuickRep &report) {
      m_printed = PrintedTexts(report);
      m_crowded.clear();
      for (const TReportPage &page : report.Model().Pages) m_crowded << AmountsRunningIntoOthers(page);
    });
  }
  void TearDown() override {
    SetPreviewHandler(m_oldHandler);
    StartupFreeLists();
    DbTest::TearDown();
  }

  // Previews the report and compares what it printed with its golden file. Its amounts keep
  // clear of the texts beside them.
  void Check(const QString &name, const std::function<void()> &preview) {
    SCOPED_TRACE(name.toStdString());
    m_printed.clear();
    preview();
    ASSERT_FALSE(m_printed.isEmpty());
    EXPECT_TRUE(m_crowded.isEmpty()) << m_crowded.size() << ": " << m_crowded.mid(0, 3).join("; ").toStdString();
    QFile file(GoldenFolder() + QLatin1Char('/') + name + QStringLiteral(".txt"));
    if (qEnvironmentVariableIntValue("WAREHOUSE_UPDATE_GOLDEN") == 1) {
      QDir().mkpath(GoldenFolder());
      ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
      file.write(m_printed.join(QLatin1Char('\n')).toUtf8() + '\n');
      return;
    }
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    QStringList golden = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!golden.isEmpty() && golden.back().isEmpty()) golden.removeLast();
    // The first difference says where the reports part; the counts say how much.
    const qsizetype n = std::min(golden.size(), m_printed.size());
    for (qsizetype i = 0; i < n; ++i)
      if (golden[i] != m_printed[i]) {
        ADD_FAILURE() << "text " << i + 1 << ": printed \"" << m_printed[i].toStdString()
                      << "\", golden \"" << golden[i].toStdString() << "\"";
        break;
      }
    EXPECT_EQ(m_printed.size(), golden.size());
  }

  // The first document of a kind that carries an order code.
  int FirstDocument(int kind) {
    return SQLInt(Format("select min(ID) from Waybill where ISOUT=%d and ORDLINK<>\"\"", {kind}));
  }
  QString OrderOf(int id) {
    TQuery q;
    q.SQL = Format("select coalesce(ORDLINK, \"\") from Waybill where ID=%d", {id});
    q.Open();
    const QString order = q.Fields(0).AsString();
    q.Close();
    return order;
  }

 private:
  TPreviewHandler m_oldHandler;
  QStringList m_printed;
  QStringList m_crowded;  // amounts running into the texts beside them
};

TEST_F(DemoReports, StockAndCriticalListsPrintTheirGoldenTexts) {
  for (int option : {0, 1}) {
    Check(QStringLiteral("remains_%1").arg(option), [&] { TPrintRemains(nullptr, option, "").Preview(); });
    Check(QStringLiteral("critical_%1").arg(option),
          [&] { TPrintCriticalRemains(nullptr, option, "").Preview(); });
  }
  // Two groups, one of them with chosen subgroups.
  const QString groups = "(c.CATGROUP=1) or (c.CATGROUP=3 and c.SUBGROUP in (1,2))";
  Check("remains_groups", [&] { TPrintRemains(nullptr, 1, groups).Preview(); });
  Check("critical_groups", [&] { TPrintCriticalRemains(nullptr, 0, groups).Preview(); });
}

TEST_F(DemoReports, MovementAndCatalogueReportsPrintTheirGoldenTexts) {
  const QString period = "between \"2024-01-20\" and \"2024-02-20\"";
  const QString groups = "(c.CATGROUP=1) or (c.CATGROUP=3 and c.SUBGROUP in (1,2))";
  for (bool reserve : {false, true})
    Check(QStringLiteral("materials_full_%1").arg(int(reserve)),
          [&] { TPrintMeterialsFull(nullptr, reserve, "", "").Preview(); });
  Check("materials_full_period", [&] { TPrintMeterialsFull(nullptr, true, groups, period).Preview(); });
  for (int kind : {0, 1}) {
    Check(QStringLiteral("journal_%1").arg(kind), [&] { TPrintInOutCome(nullptr, kind, "", "").Preview(); });
    Check(QStringLiteral("journal_%1_period").arg(kind),
          [&] { TPrintInOutCome(nullptr, kind, period, "").Preview(); });
  }
  Check("materials_list", [&] { Trep_MaterialsList(nullptr, "", "").Preview(); });
  Check("materials_list_groups", [&] { Trep_MaterialsList(nullptr, groups, " and c.SYSTEMID in (0,1)").Preview(); });
}

TEST_F(DemoReports, RequestReservationAndDocumentReportsPrintTheirGoldenTexts) {
  Check("requisitions", [&] { TPrintRequisitions(nullptr).Preview(); });
  Check("reserve_by_material", [&] { TPrintReserveByMaterial(nullptr).Preview(); });
  Check("reserve_by_order", [&] { TPrintReserveByOrder(nullptr).Preview(); });
  for (int kind : {0, 1, 2}) {
    const int id = FirstDocument(kind);
    ASSERT_GT(id, 0);
    for (int mode : {0, 1})
      Check(QStringLiteral("document_%1_%2").arg(kind).arg(mode),
            [&] { TOrdMaterialsReport(nullptr, mode, id, OrderOf(id), kind).Preview(); });
  }
  const int count = SQLInt("select min(ID) from Waybill where ISOUT=4");
  ASSERT_GT(count, 0);
  Check("count", [&] { TPrintInventory(nullptr, count, "Nr. 1", 12.5).Preview(); });
}

}  // namespace
