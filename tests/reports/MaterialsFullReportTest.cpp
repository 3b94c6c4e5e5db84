// The full report on materials: receipts, issues and reservations per stock row, its summary
// line, the grand totals, and the group, period and reservation choices of the filter.
#include <gtest/gtest.h>

#include <QFontMetricsF>

#include "ReportFixture.h"
#include "core/ColorList.h"
#include "core/DataUnit.h"
#include "platform/SysUtils.h"
#include "reports/rep_MaterialsFullUnit.h"

namespace {

const QString March = "between \"2024-03-01\" and \"2024-03-31\"";

class MaterialsFullReport : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    ExecSQL("insert into CatGroups (ID, SUBID, NAME) values (1, 0, \"Profili\"), "
            "(1, 1, \"Priede\"), (2, 0, \"Фурнитура\"), (3, 0, \"Stikls\")");
    const int m = Measure("m");
    const int pcs = Measure("gab.");
    lath = Material("Līste 68x78", "priede", 0, m, 1);
    ExecSQL(Format("update Catalog set SUBGROUP=1 where ID=%d", {lath}));
    hinge = Material("Петля", QString(), 0, pcs, 2);
    seal = Material("Blīve", "", 0, m, 2);
    unit = Material("Stikla pakete", "", 0, pcs, 3);
    oak = MakeColorCode(0, 0, 1, 0);
    for (const auto &[cat, color] : {std::pair{unit, -1}, {hinge, -1}, {lath, oak}, {seal, -1},
                                     {lath, -1}, {hinge, -1}})  // the hinge twice, as before a clean-up
      ExecSQL(Format("insert into CatalogQty (CATID, COLOR, QUANTITY) values (%d, %d, 1)", {cat, color}));

    Doc(0, QDate(2024, 2, 1), "P-0", "", 0, {{lath, oak, 5, 1.4}});
    Doc(0, QDate(2024, 3, 2), "P-1", "", 0, {{lath, oak, 10, 1.5}, {hinge, -1, 4, 2.255}});
    Doc(1, QDate(2024, 3, 5), "I-1", "Z-1", 0, {{lath, oak, 4, 1.5}});
    Doc(1, QDate(2024, 3, 6), "I-2", "", 0, {{lath, -1, 1, 3}});
    Doc(3, QDate(2024, 1, 10), "R-1", "Z-2", 0, {{lath, oak, 2, 0}, {hinge, -1, 3, 0}});
    Doc(3, QDate(2024, 1, 11), "R-2", QString(), 0, {{unit, -1, 1, 0}});
    Doc(2, QDate(2024, 3, 3), "Q-1", "", 0, {{seal, -1, 50, 1}});  // a request moves nothing
  }
  const TReportModel &Run(bool option, const QString &groups, const QString &period,
                          const QString &title = QString()) {
    TPrintMeterialsFull report(nullptr, option, groups, period);
    if (!title.isNull()) report.AddInfo->Caption = title;
    report.Preview();
    return Last();
  }
  static QStringList All(const TReportModel &m, const QString &name) {
    QStringList out;
    for (const TReportPage &p : m.Pages)
      for (const TReportItem *item : p.FindAll(name)) out << item->Text;
    return out;
  }
  int lath = 0, hinge = 0, seal = 0, unit = 0, oak = 0;
};

const QStringList InHead = {"Приход", "Кол-во", "Цена", "Сумма", "Накладная №", "Дата"};
const QStringList OutHead = {"Расход", "Кол-во", "Цена", "Summa", "Накладная №", "Дата", "Заказ №"};
const QStringList ResHead = {"Резерв", "Кол-во", "Накладная №", "Дата", "На заказ №"};

TEST_F(MaterialsFullReport, PeriodWithReservationsListsEveryKindUnderItsHeading) {
  const QString title = "Profili, Фурнитура, Stikls\r\nPeriods: 01.03.2024 līdz 31.03.2024 + "
                        "rezervēti materiāli";
  const TReportModel &m = Run(true, QString(), March, title);
  ASSERT_EQ(m.PageCount(), 1);
  QStringList expected = {"Полный отчёт по материалам", title, "Группа материалов", "Артикул", "Цвет"};
  // Issues only: the summary line starts with "Всего: ".
  expected << "Profili – Priede" << "Līste 68x78" << ""
           << OutHead << "[m]" << "1" << "3.0000 EUR" << "3.00 EUR" << "I-2" << "06.03.2024" << ""
           << "Всего: Расход 1[m] на сумму 3.00 EUR";
  // Receipts of the period only; reservations whatever their date.
  expected << "Profili – Priede" << "Līste 68x78" << "Ozols"
           << InHead << "[m]" << "10" << "1.5000 EUR" << "15.00 EUR" << "P-1" << "02.03.2024"
           << OutHead << "[m]" << "4" << "1.5000 EUR" << "6.00 EUR" << "I-1" << "05.03.2024" << "Z-1"
           << ResHead << "[m]" << "2" << "R-1" << "10.01.2024" << "Z-2"
           << "Приход 10[m]  на сумму 15.00 EUR     Расход 4[m] на сумму 6.00 EUR     "
              "Зарезервировано 2[m]";
  // Kept in two stock rows, listed once.
  expected << "Фурнитура – Фурнитура" << "Петля" << ""
           << InHead << "[gab.]" << "4" << "2.2550 EUR" << "9.02 EUR" << "P-1" << "02.03.2024"
           << ResHead << "[gab.]" << "3" << "R-1" << "10.01.2024" << "Z-2"
           << "Приход 4[gab.]  на сумму 9.02 EUR     Зарезервировано 3[gab.]";
  // The seal did not move. Reservations only: no separator after "Всего: ".
  expected << "Stikls – Stikls" << "Stikla pakete" << ""
           << ResHead << "[gab.]" << "1" << "R-2" << "11.01.2024" << ""
           << "Всего: Зарезервировано 1[gab.]";
  expected << "Всего:  Приход на сумму 24.02 EUR;  Расход на сумму 9.00 EUR"
           << "Printed 05.03.2024" << "Page 1";
  EXPECT_EQ(m.Pages[0].Texts(), expected);
}

TEST_F(MaterialsFullReport, LongSummaryLineBreaksInsteadOfRunningPastTheMargin) {
  ExecSQL("update Measures set NAME=\"kvadrātmetri ar līmi un stiprinājumiem\"");
  const TReportModel &m = Run(true, QString(), March, "\r\n");
  bool found = false;
  for (const TReportItem *total : m.Pages[0].FindAll("TotalLabel")) {
    SCOPED_TRACE(total->Text.toStdString());
    const QRectF used = QFontMetricsF(total->Font).boundingRect(
        QRectF(0, 0, total->Box.width(), 1e6), Qt::AlignRight | Qt::TextWordWrap, total->Text);
    EXPECT_GE(total->Box.right() - used.width(), total->Clip.left() - 0.01);
    EXPECT_LE(total->Box.top() + used.height(), total->Clip.bottom() + 0.5);
    if (total->Text.contains("Зарезервировано") && total->Text.contains("Расход")) found = true;
  }
  EXPECT_TRUE(found);
}

TEST_F(MaterialsFullReport, WithoutReservationsOrPeriodOnlyReceiptsAndIssuesCount) {
  TPrintMeterialsFull report(nullptr, false, "()", "");
  report.Preview();
  report.Preview();
  ASSERT_EQ(Previews.size(), 2u);
  const TReportModel &m = Last();
  EXPECT_EQ(m.Pages[0].Find("AddInfo")->Text, "Visi");
  EXPECT_FALSE(m.Texts().contains("Резерв"));
  EXPECT_FALSE(m.Texts().contains("Stikla pakete"));
  EXPECT_EQ(All(m, "TotalLabel"),
            QStringList({"Всего: Расход 1[m] на сумму 3.00 EUR",
                         "Приход 15[m]  на сумму 22.00 EUR     Расход 4[m] на сумму 6.00 EUR",
                         "Приход 4[gab.]  на сумму 9.02 EUR"}));
  // Receipts of every date, oldest first.
  EXPECT_EQ(All(m, "QRDBText6"), QStringList({"P-0", "P-1", "P-1"}));
  EXPECT_EQ(m.Pages[0].Find("GrandTotalLabel")->Text,
            "Всего:  Приход на сумму 31.02 EUR;  Расход на сумму 9.00 EUR");
  EXPECT_DOUBLE_EQ(report.TotalInSum, 31.02);
  // A second run starts its totals again.
  EXPECT_EQ(Previews[0].Texts(), Previews[1].Texts());
}

TEST_F(MaterialsFullReport, GroupFilterKeepsTheChosenGroupsStockRows) {
  const TReportModel &fittings = Run(true, "((c.CATGROUP=2) or (c.CATGROUP=1 and c.SUBGROUP in (2)))", March);
  EXPECT_EQ(All(fittings, "QRDBText2"), QStringList({"Петля"}));
  EXPECT_EQ(fittings.Pages[0].Find("GrandTotalLabel")->Text,
            "Всего:  Приход на сумму 9.02 EUR;  Расход на сумму 0.00 EUR");
  const TReportModel &pine = Run(false, "((c.CATGROUP=1 and c.SUBGROUP in (1)))", March);
  EXPECT_EQ(All(pine, "QRDBText2"), QStringList({"Līste 68x78", "Līste 68x78"}));
  // A period without receipts or issues still lists the reservations, with zero totals.
  const TReportModel &empty = Run(true, "((c.CATGROUP=1))", "between \"2025-01-01\" and \"2025-01-31\"");
  QStringList expected = {"Полный отчёт по материалам", "Visi", "Группа материалов", "Артикул", "Цвет"};
  expected << "Profili – Priede" << "Līste 68x78" << "Ozols" << ResHead << "[m]" << "2" << "R-1"
           << "10.01.2024" << "Z-2" << "Всего: Зарезервировано 2[m]"
           << "Всего:  Приход на сумму 0.00 EUR;  Расход на сумму 0.00 EUR"
           << "Printed 05.03.2024" << "Page 1";
  EXPECT_EQ(empty.Texts(), expected);
}

TEST_F(MaterialsFullReport, FailingQueriesShowNoPreview) {
  EXPECT_THROW(TPrintMeterialsFull(nullptr, true, "((c.NOSUCH=1))", March), EDatabaseError);
  TPrintMeterialsFull report(nullptr, true, QString(), "between \"2024-03-01\"");
  EXPECT_THROW(report.Preview(), EDatabaseError);
  EXPECT_TRUE(Previews.empty());
}

TEST_F(MaterialsFullReport, PdfCarriesCyrillicAndLatvianText) {
  const QString text = PdfText(Run(true, QString(), March, "Profili\r\nPeriods: visi"));
  EXPECT_TRUE(text.contains("Полный отчёт по материалам"));
  EXPECT_TRUE(text.contains("Līste 68x78"));
  EXPECT_TRUE(text.contains("Зарезервировано 1[gab.]"));
}

}  // namespace
