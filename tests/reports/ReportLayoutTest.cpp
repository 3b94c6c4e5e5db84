// Every report of the demo data, and of the same data with the longest names, notes and
// colour captions their columns hold, laid out and read on the page model: no text runs out of
// its box or over another, no heading ends a page without the line it heads, and every page
// carries its column header and its page footer; no group total opens a page alone.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "core/CommonVariables.h"
#include "core/DataUnit.h"
#include "core/Startup.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "platform/SysUtils.h"
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
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"

namespace {

struct TLaidOut {
  QString Name;
  std::unique_ptr<TQuickRep> Report;
};

class ReportLayout : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    CheckLedger = false;  // the reports only read
    Clock::SetFixed(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    Db->LoadDemo(1);
  }
  void TearDown() override {
    if (m_started) StartupFreeLists();
    DbTest::TearDown();
  }

  // The program's start-up on the test databases: the colour list and the supplier list.
  void Start() {
    ASSERT_TRUE(m_folder.isValid());
    const TStartupResult result = Db->StartProgram(m_folder.path(), "Layout");
    ASSERT_EQ(result.Outcome, TStartupOutcome::Ready) << result.Message.toStdString();
    m_started = true;
  }

  // Every text the reports print from the data, as long as its column holds, in words of
  // the workshop's languages.
  void MakeEverythingLongest() {
    const QString words = QStringLiteral(
        "Профиль оконный сосновый клееный трёхслойный Ziemeļeiropas priedes līmētā brusa "
        "ar rievām un aizsargkrāsojumu для наружных работ, партия номер 4711 Ремонтный заказ");
    auto fill = [&](const QString &column, int length) {
      return QStringLiteral("left(concat(%1, ' ', %2), %3)")
          .arg(column, QuoteSQL(words), QString::number(length));
    };
    ExecSQL("update Catalog set NAME=" + fill("NAME", 50) + ", COMMENTS=" + fill("'Piezīme:'", 80));
    ExecSQL("update CatGroups set NAME=" + fill("NAME", 50));
    ExecSQL("update Suppliers set NAME=" + fill("NAME", 50));
    ExecSQL("update Waybill set NOTES=" + fill("NOTES", 50) + ", ORDLINK=" +
            fill("coalesce(ORDLINK, 'Z-32867')", 30));
    // Receipt and request numbers are the suppliers' own; issue and count numbers are made
    // by the program and carry no text.
    ExecSQL("update Waybill set NUM=left(concat(NUM, '/2024-ЦЕХ-ОКНА'), 20) where ISOUT in (0,2)");
    // The unit field of the lines holds 8 characters with the blank before it.
    ExecSQL("update Measures set NAME=left(concat(NAME, '.погон'), 7)");
    Db->ExecSetup(
        "update Setup set CAPTION=left(concat(CAPTION, ' ', 'темно-коричневый матовый Ozols'), 40) "
        "where length(NODEID)=6 and NODEID like '0%'");
  }

  QVector<int> Ids(const QString &sql) {
    TQuery q;
    q.SQL = sql;
    q.Open();
    QVector<int> ids;
    for (q.First(); !q.Eof(); q.Next()) ids << q.Fields(0).AsInteger();
    q.Close();
    return ids;
  }
  QString Text(const QString &sql) {
    TQuery q;
    q.SQL = sql;
    q.Open();
    const QString s = q.Eof() ? QString() : q.Fields(0).AsString();
    q.Close();
    return s;
  }

  // Every report of the program as its menus and windows run it, laid out.
  std::vector<TLaidOut> AllReports() {
    std::vector<TLaidOut> out;
    auto add = [&](const QString &name, TQuickRep *report) {
      report->Prepare();
      out.push_back({name, std::unique_ptr<TQuickRep>(report)});
    };
    add("requests", new TPrintRequisitions(nullptr));
    add("reserve-by-material", new TPrintReserveByMaterial(nullptr));
    add("reserve-by-order", new TPrintReserveByOrder(nullptr));
    add("receipts", new TPrintInOutCome(nullptr, 0, QString(), "Visi"));
    add("issues", new TPrintInOutCome(nullptr, 1, QString(), "Visi"));
    for (bool reserve : {false, true}) {
      auto *full = new TPrintMeterialsFull(nullptr, reserve, QString(), QString());
      full->AddInfo->Caption = "Visi";
      add(reserve ? "movements-reserve" : "movements", full);
    }
    add("materials", new Trep_MaterialsList(nullptr, QString(), QString()));
    for (uint8_t option : {0, 1}) {
      auto *remains = new TPrintRemains(nullptr, option, QString());
      remains->AddInfo->Caption = "Visi";
      add(option ? "stock-reserve" : "stock", remains);
      auto *critical = new TPrintCriticalRemains(nullptr, option, QString());
      critical->AddInfo->Caption = "Visi";
      add(option ? "critical-reserve" : "critical", critical);
    }
    // The document of each kind with the most lines, by itself and with its order.
    for (int kind : {0, 1, 2, 3}) {
      const QVector<int> docs = Ids(QStringLiteral(
          "select b.ID from Waybill b join WaybillCont w on w.WAYBILLID=b.ID where b.ISOUT=%1 "
          "group by b.ID order by count(*) desc, b.ID limit 1").arg(kind));
      if (docs.isEmpty()) continue;
      const QString order = Text(QStringLiteral("select ORDLINK from Waybill where ID=%1").arg(docs[0]));
      for (uint8_t mode : {0, 1})
        add(QStringLiteral("document-%1-mode-%2").arg(kind).arg(mode),
            new TOrdMaterialsReport(nullptr, mode, docs[0], order, uint8_t(kind)));
    }
    for (int count : Ids("select ID from Waybill where ISOUT=4 order by ID"))
      add(QStringLiteral("count-%1").arg(count),
          new TPrintInventory(nullptr, count,
                              Text(QStringLiteral("select concat('Nr. ', NUM, ',   datums: ', "
                                                  "BDATE) from Waybill where ID=%1").arg(count)),
                              1234.5));
    return out;
  }

  // The page model read as a reader reads the paper.
  static void ExpectReadable(const TLaidOut &laid) {
    const TQuickRep &report = *laid.Report;
    const TReportModel &m = report.Model();
    const std::string name = laid.Name.toStdString();
    ASSERT_GT(m.PageCount(), 0) << name;
    // Headings: group headers, and the detail band of a report whose rows have lines under them.
    QStringList headings, totals;
    bool hasLines = false;
    for (const auto &b : report.Bands()) {
      if (b->BandType == rbGroupHeader) headings << b->Name;
      if (b->BandType == rbGroupFooter && !b->Items().empty()) totals << b->Name;
      if (b->BandType == rbSubDetail) hasLines = true;
    }
    if (hasLines && report.Band(rbDetail)) headings << report.Band(rbDetail)->Name;
    const TQRBand *header = report.Band(rbColumnHeader);
    const TQRBand *footer = report.Band(rbPageFooter);

    for (int p = 0; p < m.PageCount(); ++p) {
      const TReportPage &page = m.Pages[p];
      const std::string where = name + " page " + std::to_string(p + 1);
      std::vector<std::pair<QRectF, const TReportItem *>> runs;
      QString firstBody, lastBody;
      bool hasHeader = false, hasFooter = false;
      for (const TReportItem &item : page.Items) {
        if (header && item.Band == header->Name) hasHeader = true;
        if (footer && item.Band == footer->Name) {
          hasFooter = true;
        } else if (!header || item.Band != header->Name) {
          if (firstBody.isEmpty()) firstBody = item.Band;
          lastBody = item.Band;
        }
        if (item.Kind != TReportItem::kText || item.Text.trimmed().isEmpty()) continue;
        const QRectF run = QFontMetricsF(item.Font).boundingRect(item.Box, item.Flags, item.Text);
        const std::string what = where + ": \"" + item.Text.toStdString() + "\" (" +
                                 item.Name.toStdString() + ")";
        EXPECT_GE(run.left(), item.Box.left() - 1) << what;
        EXPECT_LE(run.right(), item.Box.right() + 1) << what;
        EXPECT_LE(run.bottom(), item.Box.bottom() + 1) << what;
        if (item.Clipped) {
          EXPECT_GE(run.left(), item.Clip.left() - 0.5) << what;
          EXPECT_LE(run.right(), item.Clip.right() + 0.5) << what;
          EXPECT_LE(run.bottom(), item.Clip.bottom() + 2) << what;
        }
        EXPECT_LE(run.right(), page.Size.width()) << what;
        runs.push_back({run.adjusted(0.5, 1, -0.5, -1), &item});
      }
      // Nor does a text run through a column's rule.
      for (const TReportItem &line : page.Items)
        if (line.Kind == TReportItem::kLine && qAbs(line.Box.width()) < 0.01)
          for (const auto &[run, item] : runs)
            EXPECT_FALSE(run.intersects(line.Box.normalized().adjusted(-0.5, 0, 0.5, 0)))
                << where << ": \"" << item->Text.toStdString() << "\" (" << item->Name.toStdString()
                << ") across the rule " << line.Name.toStdString();
      for (size_t i = 0; i < runs.size(); ++i)
        for (size_t j = i + 1; j < runs.size(); ++j)
          EXPECT_FALSE(runs[i].first.intersects(runs[j].first))
              << where << ": \"" << runs[i].second->Text.toStdString() << "\" ("
              << runs[i].second->Name.toStdString() << ") over \""
              << runs[j].second->Text.toStdString() << "\" (" << runs[j].second->Name.toStdString()
              << ")";
      if (header && header->Enabled) EXPECT_TRUE(hasHeader) << where << " has no column header";
      if (footer && footer->Enabled) EXPECT_TRUE(hasFooter) << where << " has no page footer";
      if (p + 1 < m.PageCount())
        EXPECT_FALSE(headings.contains(lastBody)) << where << " ends with the heading " << lastBody.toStdString();
      if (p > 0)
        EXPECT_FALSE(totals.contains(firstBody)) << where << " opens with the total " << firstBody.toStdString();
    }
  }

  // With WAREHOUSE_REPORT_PDF set to a folder, the reports are written there as PDF files to
  // be looked at.
  static void WritePdfs(const std::vector<TLaidOut> &reports, const QString &suffix) {
    const QString folder = qEnvironmentVariable("WAREHOUSE_REPORT_PDF");
    if (folder.isEmpty()) return;
    QDir().mkpath(folder);
    for (const TLaidOut &r : reports)
      EXPECT_TRUE(WriteReportPdf(r.Report->Model(), QDir(folder).filePath(r.Name + suffix + ".pdf")));
  }

 private:
  QTemporaryDir m_folder;
  bool m_started = false;
};

TEST_F(ReportLayout, EveryReportOfTheDemoReadsWhole) {
  Start();
  const std::vector<TLaidOut> reports = AllReports();
  EXPECT_GE(reports.size(), 20u);
  int pages = 0;
  for (const TLaidOut &r : reports) {
    ExpectReadable(r);
    pages += r.Report->Model().PageCount();
  }
  EXPECT_GT(pages, 30) << "the demo fills several pages";
  WritePdfs(reports, QString());
}

TEST_F(ReportLayout, EveryReportOfTheLongestTextsReadsWhole) {
  MakeEverythingLongest();
  Start();
  const std::vector<TLaidOut> reports = AllReports();
  for (const TLaidOut &r : reports) ExpectReadable(r);
  // The long texts are printed whole: a note is on the page word by word.
  const QString note = Text("select NOTES from Waybill where ISOUT=0 order by BDATE, ID limit 1");
  ASSERT_EQ(note.length(), 50);
  int units = 0;
  for (const TLaidOut &r : reports) {
    if (r.Name == "receipts") EXPECT_TRUE(r.Report->Model().Texts().contains(note));
    // The journals' unit of measure (eight characters with its blank) keeps one line.
    if (r.Name == "receipts" || r.Name == "issues")
      for (const TReportPage &page : r.Report->Model().Pages)
        for (const TReportItem *unit : page.FindAll("QRDBText7")) {
          ++units;
          EXPECT_EQ(unit->Text.length(), 8);
          EXPECT_FALSE(unit->Flags & (Qt::TextWordWrap | Qt::TextWrapAnywhere)) << unit->Text.toStdString();
        }
  }
  EXPECT_GT(units, 0);
  WritePdfs(reports, "-longest");
}

}  // namespace
