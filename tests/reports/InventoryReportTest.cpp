// The stock-count report, on its own and printed from the stock-count journal.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "ReportFixture.h"
#include "core/ColorList.h"
#include "core/DataUnit.h"
#include "platform/SysUtils.h"
#include "documents/WBInventoryUnit.h"
#include "reports/rep_InventoryUnit.h"
#include "support/ScriptedDialogs.h"

namespace {

class InventoryReport : public ReportTest {
 protected:
  int Count(const QString &num, const QDate &date, double sum) {
    const int id = Doc(4, date, num, "", -1, {});
    ExecSQL(Format("update Waybill set SUM=%10.6f where ID=%d", {sum, id}));
    return id;
  }
  void Row(int count, int catId, int color, double before, double after, double sum, double remain) {
    ExecSQL(Format("insert into WaybillInventory (WAYBILLID,CATID,COLOR,QTYBEFORE,QTYAFTER,SUM,REMAIN) "
                   "values(%d,%d,%d,%10.6f,%10.6f,%10.6f,%10.6f)",
                   {count, catId, color, before, after, sum, remain}));
  }
  const QStringList Head = {"Inventarizācija", "Nosaukums", "Krāsa", "Mērv.", "Atlikums", "Summa", "Starpība", "Summa"};
};

TEST_F(InventoryReport, ColumnTitlesDoNotRunIntoEachOtherOrOffTheBand) {
  const int count = Count("4000000009", QDate(2024, 3, 1), 0);
  TPrintInventory report(nullptr, count, "Nr. 4000000009", 0);
  report.Preview();
  const TReportPage &p = Last().Pages[0];
  double previousEnd = -1;
  for (int n = 2; n <= 8; ++n) {
    const TReportItem *title = p.Find(QStringLiteral("QRLabel%1").arg(n));
    ASSERT_NE(title, nullptr) << n;
    const double width = QFontMetricsF(title->Font).horizontalAdvance(title->Text);
    const double start =
        title->Flags & Qt::AlignRight ? title->Box.right() - width : title->Box.left();
    EXPECT_GT(start, previousEnd) << title->Text.toStdString();
    previousEnd = start + width;
    EXPECT_LE(previousEnd, title->Clip.right() + 0.01) << title->Text.toStdString();
  }
}

TEST_F(InventoryReport, PrintsEachChangedLineWithSignedDifferenceAndTotals) {
  const int m = Measure("m"), pcs = Measure("gab.");
  const int lath = Material("Līste", "68x78", 0, m);
  const int hinge = Material("Петля", QString(), 0, pcs);
  const int seal = Material("Blīve", "", 0, pcs);
  const int count = Count("4000000007", QDate(2024, 3, 1), 12345678.91);
  Row(count, seal, -1, 0.5, 3, 2.5, 3);                         // + 2.5
  Row(count, lath, MakeColorCode(0, 0, 1, 0), 10, 7.6, 4.8, 15.2);  // - 2.4: the value moved goes negative
  Row(count, hinge, -1, 4, 4.3, 0.6, 8.6);                       // + 0.3
  Row(Count("4000000008", QDate(2024, 3, 2), 1), seal, -1, 1, 2, 1, 1);  // another count's line

  // Printed from the journal: the count's number and date as its heading, its SUM as total.
  TWBInventory journal(nullptr);
  Script().OnModal("WBInventory", [&](QDialog *) {
    journal.DBGrid1->setCurrentCell(0, 0);
    QTest::mouseClick(journal.BitBtn5, Qt::LeftButton);
    return mrCancel;
  });
  journal.ShowModal();
  ASSERT_EQ(Previews.size(), 1u);
  QStringList expected = Head;
  expected.insert(1, "Nr. 4000000007,   datums: 01.03.2024");
  expected << "Līste  (68x78)" << "Ozols" << "[m]" << "7.6" << "15.20" << "- 2.4" << "-4.80"
           << "Петля" << "" << "[gab.]" << "4.3" << "8.60" << "+ 0.3" << "0.60"
           << "Blīve" << "" << "[gab.]" << "3" << "3.00" << "+ 2.5" << "2.50"
           << "26.80" << "-1.70" << "Galējā noliktavas atlikumu summa: 12345678.91 Ls"
           << "Printed 05.03.2024" << "Page 1";
  EXPECT_EQ(Last().Pages[0].Texts(), expected);
}

TEST_F(InventoryReport, ACountWithoutChangedLinesPrintsItsTotalsOnly) {
  const int count = Count("4000000009", QDate(2024, 3, 1), 0);
  TPrintInventory report(nullptr, count, "Nr. 4000000009,   datums: 01.03.2024", 1234.5);
  report.Preview();
  QStringList expected = Head;
  expected.insert(1, "Nr. 4000000009,   datums: 01.03.2024");
  expected << "0.00" << "0.00" << "Galējā noliktavas atlikumu summa: 1234.50 Ls" << "Printed 05.03.2024" << "Page 1";
  EXPECT_EQ(Last().Pages[0].Texts(), expected);
  // A second run of the same report starts its totals again.
  report.Preview();
  EXPECT_EQ(Last().Pages[0].Texts(), expected);
}

}  // namespace
