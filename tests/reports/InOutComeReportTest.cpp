// The receipt and issue journals of a period: document blocks, line values, document and
// grand totals, the period by document date or by last change.
#include <gtest/gtest.h>

#include "ReportFixture.h"
#include "core/ColorList.h"
#include "core/DataUnit.h"
#include "platform/SysUtils.h"
#include "reports/rep_InOutComeUnit.h"

namespace {

const QString March = "between \"2024-03-01\" and \"2024-03-31\"";
const QString MarchTitle = "\r\nPeriods: 01.03.2024 līdz 31.03.2024";

class InOutComeReport : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    ExecSQL("insert into CatGroups (ID, SUBID, NAME) values (1, 0, \"Profili\"), "
            "(2, 0, \"Фурнитура\"), (1, 1, \"Priede\")");
    wood = Supplier("SIA Kokmateriāli");
    const int m = Measure("m");
    const int pcs = Measure("gab.");
    lath = Material("Līste 68x78", "priede", wood, m, 1);
    hinge = Material("Петля", QString(), 0, pcs, 2);
    oak = MakeColorCode(0, 0, 1, 0);
  }
  const TReportModel &Run(int kind, const QString &period, const QString &title) {
    TPrintInOutCome report(nullptr, kind, period, title);
    report.Preview();
    return Last();
  }
  int wood = 0, lath = 0, hinge = 0, oak = 0;
};

const QStringList ReceiptHead = {"Pavadzīmes Nr.", "Datums", "Piegādātājs", "Pasūtījuma Nr.",
                                 "Piezīmes"};
const QStringList IssueHead = {"Pavadzīmes Nr.", "Datums", "Pasūtījuma Nr.", "Piezīmes"};
const QStringList LineHead = {"Nosaukums", "Krāsa", "Daudzums", "Cena", "Summa"};

TEST_F(InOutComeReport, ReceiptsOfAPeriodWithLinesDocumentTotalsAndGrandTotal) {
  const int p1 = Doc(0, QDate(2024, 3, 4), "P-1", "Z-100", wood,
                     {{hinge, -1, 4, 2.255}, {lath, oak, 10, 1.5}, {lath, -1, 0.5, 3}});
  ExecSQL(Format("update Waybill set NOTES=\"steidzami\" where ID=%d", {p1}));
  Doc(0, QDate(2024, 3, 1), "P-2", QString(), 0, {});                   // no lines, no supplier
  Doc(0, QDate(2024, 2, 29), "P-0", "", wood, {{hinge, -1, 1, 1}});     // before the period
  Doc(0, QDate(2024, 4, 1), "P-9", "", wood, {{hinge, -1, 1, 1}});      // after it
  Doc(1, QDate(2024, 3, 4), "I-1", "", 0, {{hinge, -1, 1, 1}});         // an issue
  const TReportModel &m = Run(0, March, MarchTitle);
  ASSERT_EQ(m.PageCount(), 1);
  EXPECT_FALSE(m.Landscape);
  QStringList expected = {"Ienakošas pavadzīmes", MarchTitle};
  // Oldest first; a document without lines or supplier keeps its block and a zero total.
  expected << ReceiptHead << "P-2" << "01/03/2024" << "" << "" << "" << LineHead
           << "Summa:       0.00 Ls";
  // Lines by group and material name; a comment follows the name in parentheses.
  expected << ReceiptHead << "P-1" << "04/03/2024" << "SIA Kokmateriāli" << "Z-100" << "steidzami"
           << LineHead
           << "Līste 68x78 (priede)" << "Ozols" << "10" << " m" << "1.5000 Ls" << "15.00 Ls"
           << "Līste 68x78 (priede)" << "" << "0.5" << " m" << "3.0000 Ls" << "1.50 Ls"
           << "Петля" << "" << "4" << " gab." << "2.2550 Ls" << "9.02 Ls"
           << "Summa:      25.52 Ls";
  expected << "Kopā:" << "Summa:      25.52 Ls" << "Printed 05.03.2024" << "Page 1";
  EXPECT_EQ(m.Pages[0].Texts(), expected);
}

TEST_F(InOutComeReport, WithoutPeriodEveryReceiptIsListedAndDocumentsOfADayKeepTheirOrder) {
  Doc(0, QDate(2024, 3, 4), "P-2", "", wood, {{hinge, -1, 1, 10}});
  Doc(0, QDate(2023, 12, 31), "P-0", "", wood, {{hinge, -1, 2, 10}});
  Doc(0, QDate(2024, 3, 4), "P-1", "", wood, {{hinge, -1, 3, 10}});
  for (const QString &shortFilter : {QString(), QString("()")}) {
    const TReportModel &m = Run(0, shortFilter, "\r\nPeriods: visi");
    const QStringList numbers = {"P-0", "P-2", "P-1"};
    QStringList found;
    for (const TReportItem *item : m.Pages[0].FindAll("QRDBText1")) found << item->Text;
    EXPECT_EQ(found, numbers);
    EXPECT_EQ(m.Pages[0].Find("AddInfo")->Text, "\r\nPeriods: visi");
    EXPECT_EQ(m.Pages[0].Find("GrandTotalLabel")->Text, "Summa:      60.00 Ls");
  }
}

TEST_F(InOutComeReport, IssuesGoByTheDayOfTheirLastChangeAndShowNoSupplier) {
  // Changed late on the period's last day: still in the period.
  Doc(1, QDate(2024, 2, 20), "I-2", "Z-7", wood, {{lath, oak, 2, 1.25}},
      QDateTime(QDate(2024, 3, 31), QTime(17, 45)));
  Doc(1, QDate(2024, 3, 10), "I-1", "", 0, {{hinge, -1, 1, 0.5}},
      QDateTime(QDate(2024, 3, 1), QTime(0, 0)));
  Doc(1, QDate(2024, 3, 15), "I-3", "", 0, {{hinge, -1, 1, 0.5}},
      QDateTime(QDate(2024, 4, 1), QTime(0, 0)));                     // changed after the period
  Doc(0, QDate(2024, 3, 15), "P-1", "", wood, {{hinge, -1, 1, 0.5}});  // a receipt
  const TReportModel &m = Run(1, March, MarchTitle);
  QStringList expected = {"Izejošās pavadzīmes", MarchTitle};
  expected << IssueHead << "I-1" << "01/03/2024" << "" << "" << LineHead
           << "Петля" << "" << "1" << " gab." << "0.5000 Ls" << "0.50 Ls" << "Summa:       0.50 Ls";
  expected << IssueHead << "I-2" << "31/03/2024" << "Z-7" << "" << LineHead
           << "Līste 68x78 (priede)" << "Ozols" << "2" << " m" << "1.2500 Ls" << "2.50 Ls"
           << "Summa:       2.50 Ls";
  expected << "Kopā:" << "Summa:       3.00 Ls" << "Printed 05.03.2024" << "Page 1";
  EXPECT_EQ(m.Pages[0].Texts(), expected);

  // Without a period every issue is listed, the latest change last.
  const TReportModel &all = Run(1, QString(), "\r\nPeriods: visi");
  QStringList found;
  for (const TReportItem *item : all.Pages[0].FindAll("QRDBText1")) found << item->Text;
  EXPECT_EQ(found, QStringList({"I-1", "I-2", "I-3"}));
}

TEST_F(InOutComeReport, LongJournalBreaksPagesAndEveryRunStartsTotalsAfresh) {
  for (int i = 1; i <= 30; ++i)
    Doc(0, QDate(2024, 3, 1).addDays(i % 28), QString("P-%1").arg(i, 2, 10, QChar('0')), "",
        wood, {{hinge, -1, double(i), 0.1}, {lath, oak, 1, 0.01}});
  TPrintInOutCome report(nullptr, 0, March, MarchTitle);
  report.Preview();
  report.Preview();
  ASSERT_EQ(Previews.size(), 2u);
  const TReportModel &m = Last();
  ASSERT_GE(m.PageCount(), 3);
  int documents = 0;
  for (int p = 0; p < m.PageCount(); ++p) {
    const QStringList t = m.Pages[p].Texts();
    EXPECT_EQ(t.count("Ienakošas pavadzīmes"), p == 0 ? 1 : 0);
    EXPECT_EQ(t.last(), QString("Page %1").arg(p + 1));
    documents += int(m.Pages[p].FindAll("TotalLabel").size());
  }
  EXPECT_EQ(documents, 30);
  // 0.1 × (1 + ... + 30) + 30 × 0.01
  EXPECT_EQ(m.Pages.back().Find("GrandTotalLabel")->Text, "Summa:      46.80 Ls");
  EXPECT_DOUBLE_EQ(report.GrandTotal, 46.8);
  EXPECT_EQ(Previews[0].Texts(), Previews[1].Texts());
}

TEST_F(InOutComeReport, FailingQueriesShowNoPreview) {
  EXPECT_THROW(TPrintInOutCome(nullptr, 0, "between \"2024-03-01\" and", MarchTitle), EDatabaseError);
  EXPECT_THROW(TPrintInOutCome(nullptr, 2, March, MarchTitle), std::invalid_argument);
  Doc(0, QDate(2024, 3, 4), "P-1", "", wood, {{hinge, -1, 1, 1}});
  TPrintInOutCome report(nullptr, 0, March, MarchTitle);
  Db->Exec("drop table WaybillCont");
  EXPECT_THROW(report.Preview(), EDatabaseError);
  EXPECT_TRUE(Previews.empty());
}

}  // namespace
