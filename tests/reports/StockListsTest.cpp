// The stock list and the critical-stock list on one small stock.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QRegularExpression>

#include "ReportFixture.h"
#include "core/ColorList.h"
#include "core/DataUnit.h"
#include "platform/SysUtils.h"
#include "reports/rep_CriticalRemainsUnit.h"
#include "reports/rep_RemainsUnit.h"

namespace {

class StockLists : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    ExecSQL("insert into CatGroups (ID, SUBID, NAME, MINVALUE) values (1, 0, \"Profili\", 0), "
            "(1, 1, \"Priede\", 20), (1, 2, \"Ozols\", 5), (2, 0, \"Stikls\", 0), "
            "(2, 1, \"Paketes\", 0)");
    const int m = Measure("m"), m2 = Measure("m2");
    lath = Item("Līste 68x78", 1, 1, m);
    sash = Item("Brusa", 1, 2, m);
    unit = Item("Stikla pakete", 2, 1, m2);
    stray = Item("Bez apakšgrupas", 1, 9, m);  // its subgroup has no row
    walnut = MakeColorCode(0, 0, 2, 0);
    oak = MakeColorCode(0, 0, 1, 0);

    const int p1 = Doc(0, QDate(2024, 1, 10), "P-1", "", 0, {{lath, oak, 4, 1.5}});
    p2 = Doc(0, QDate(2024, 2, 1), "P-2", "", 0, {{lath, oak, 10, 2}, {sash, walnut, 4, 7.25}});
    p3 = Doc(0, QDate(2024, 2, 20), "P-3", "", 0, {{lath, oak, 5, 3}});
    p4 = Doc(0, QDate(2024, 3, 1), "P-4", "", 0, {{unit, -1, 3, 45.5}});
    ExecSQL(Format("update WaybillCont set QTYOUT=4 where WAYBILLID in (%d, %d) and CATID=%d",
                   {p1, p2, lath}));
    // Neither an issue nor a purchase request holds stock.
    Doc(1, QDate(2024, 2, 25), "I-1", "", 0, {{lath, oak, 8, 2}});
    Doc(2, QDate(2024, 3, 2), "Q-1", "", 0, {{unit, -1, 100, 1}});

    Stock(lath, oak, 11, -2, p3);
    Stock(lath, -1, 0, 0, 0);
    Stock(unit, -1, 3, 0, p4);
    Stock(sash, walnut, 4, -1.5, p2);
    Stock(sash, oak, 6, -2, 0);
    Stock(stray, -1, -5, 0, 0);
  }
  int Item(const QString &name, int group, int subgroup, int measure) {
    ExecSQL(Format("insert into Catalog (NAME, CATGROUP, SUBGROUP, MEASURE, SYSTEMID, ISCOLOR) "
                   "values (%s, %d, %d, %d, 0, 1)",
                   {QuoteSQL(name), group, subgroup, measure}));
    return int(LastInsertID());
  }
  void Stock(int catId, int color, double qty, double reserve, int lastWb) {
    ExecSQL(Format("insert into CatalogQty (CATID, COLOR, QUANTITY, RESERVE, LASTWBID) values "
                   "(%d, %d, %10.6f, %10.6f, %d)",
                   {catId, color, qty, reserve, lastWb}));
  }
  int lath = 0, sash = 0, unit = 0, stray = 0, walnut = 0, oak = 0, p2 = 0, p3 = 0, p4 = 0;
  const QStringList LotCaptions = {"Артикул:", "Цена", "Сумма", "Накладная №", "Дата"};
};

TEST_F(StockLists, LongGroupAndMaterialNamesBreakWithinTheirColumns) {
  ExecSQL(Format("update Catalog set NAME=%s where ID=%d",
                 {QuoteSQL("Līste 68x78 priede, līmēta trīs kārtās, bez mezgliem"), lath}));
  ExecSQL("update CatGroups set NAME=\"Koka profili logu rāmjiem un vērtnēm\" where ID=1 and SUBID=0");
  TPrintRemains report(nullptr, 0, "");
  report.Preview();
  const TReportPage &p = Last().Pages[0];
  const auto groups = p.FindAll("QRDBText1");
  const auto names = p.FindAll("QRDBText2");
  const auto captions = p.FindAll("QRLabel5");
  ASSERT_EQ(names.size(), captions.size());
  ASSERT_EQ(groups.size(), captions.size());
  bool longSeen = false;
  for (size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(names[i]->Text.toStdString());
    // Each name keeps to its column and ends above the captions of its own row.
    EXPECT_DOUBLE_EQ(names[i]->Box.width(), 230);
    EXPECT_DOUBLE_EQ(groups[i]->Box.width(), 255);
    EXPECT_LE(names[i]->Box.left() + names[i]->Box.width(), p.Find("QRDBText3")->Box.left());
    EXPECT_LE(names[i]->Box.bottom(), captions[i]->Box.top() + 0.5);
    EXPECT_LE(groups[i]->Box.bottom(), captions[i]->Box.top() + 0.5);
    if (names[i]->Text.startsWith("Līste 68x78 priede")) {
      longSeen = true;
      EXPECT_GE(names[i]->Box.height(), 30);
      EXPECT_TRUE(names[i]->Flags & Qt::TextWordWrap);
    }
  }
  EXPECT_TRUE(longSeen);
}

TEST_F(StockLists, CriticalListWrapsLongNamesAndMovesTheNextRowDown) {
  ExecSQL(Format("update Catalog set NAME=%s where ID=%d",
                 {QuoteSQL("Līste 68x78 priede, līmēta trīs kārtās, bez mezgliem"), lath}));
  TPrintCriticalRemains report(nullptr, 0, "");
  report.Preview();
  const auto names = Last().Pages[0].FindAll("QRDBText2");
  ASSERT_GE(names.size(), 2u);
  bool longSeen = false;
  for (size_t i = 0; i < names.size(); ++i) {
    EXPECT_DOUBLE_EQ(names[i]->Box.width(), 215);
    if (i + 1 < names.size()) EXPECT_LE(names[i]->Box.bottom(), names[i + 1]->Box.top() + 0.5);
    if (names[i]->Text.startsWith("Līste 68x78 priede")) {
      longSeen = true;
      EXPECT_GE(names[i]->Box.height(), 28);
    }
  }
  EXPECT_TRUE(longSeen);
}

TEST_F(StockLists, LongFilterTitleStaysRightOfTheLogoAboveTheColumns) {
  TPrintRemains shortTitle(nullptr, 0, "");
  shortTitle.AddInfo->Caption = "Profili\r\nPeriods: visi";
  shortTitle.Preview();
  const double headerTop = Last().Pages[0].Find("QRLabel2")->Box.top();
  EXPECT_NEAR(headerTop, 7 * ReportPixelsPerMM + 78 + 3, 0.01);  // two lines fit the band

  TPrintRemains report(nullptr, 0, "");
  QString groups;
  for (int i = 1; i <= 12; ++i) groups += QStringLiteral("Grupa %1 [Apakšgrupa A, Apakšgrupa B], ").arg(i);
  report.AddInfo->Caption = groups + "Stikls\r\nPeriods: visi";
  report.Preview();
  const TReportPage &p = Last().Pages[0];
  const TReportItem *info = p.Find("AddInfo");
  ASSERT_NE(info, nullptr);
  const QRectF used = QFontMetricsF(info->Font).boundingRect(
      QRectF(0, 0, info->Box.width(), 1e6), Qt::AlignRight | Qt::TextWordWrap, info->Text);
  double logoRight = 0;
  for (const TReportItem &item : p.Items)
    if (item.Name == "QRImage1") logoRight = item.Box.right();
  EXPECT_GT(logoRight, 0);
  EXPECT_GE(info->Box.right() - used.width(), logoRight);
  const double top = p.Find("QRLabel2")->Box.top();
  EXPECT_GE(top, info->Box.top() + used.height() - 0.5);
  EXPECT_GT(top, headerTop);  // the title band grew for the long title only
}

TEST_F(StockLists, StockListPrintsEveryRowWithItsOpenLotsAndTotals) {
  TPrintRemains report(nullptr, 1, "");
  report.AddInfo->Caption = "\r\nPeriods: visi + rezervēti materiāli";
  report.Preview();
  const TReportModel &m = Last();
  ASSERT_EQ(m.PageCount(), 1);
  EXPECT_FALSE(m.Landscape);
  QStringList t = m.Pages[0].Texts();
  // Two open lots of one material and colour are summed; which receipt is named is not fixed.
  const int oakLot = t.indexOf("27.00 Ls");
  ASSERT_GT(oakLot, 0);
  ASSERT_TRUE(t[oakLot + 1] == "P-2" || t[oakLot + 1] == "P-3") << t[oakLot + 1].toStdString();
  t[oakLot + 1] = "*";
  t[oakLot + 2] = "*";

  QStringList expected = {"Остатки материалов на складе", "\r\nPeriods: visi + rezervēti materiāli",
                          "Группа материалов", "Артикул", "Цвет"};
  // By name, then by colour code; a material outside any subgroup row has no group name.
  expected << "" << "Bez apakšgrupas" << "[m]" << "" << LotCaptions
           << "Rezervā:       0.00       Atlikums:       0.00       Summa:       0.00 Ls";
  expected << "Profili – Ozols" << "Brusa" << "[m]" << "Ozols" << LotCaptions
           << "Rezervā:      -2.00       Atlikums:       0.00       Summa:       0.00 Ls";
  expected << "Profili – Ozols" << "Brusa" << "[m]" << "Орех" << LotCaptions
           << "4" << "7.2500 Ls" << "29.00 Ls" << "P-2" << "01.02.2024"
           << "Rezervā:      -1.50       Atlikums:       4.00       Summa:      29.00 Ls";
  // A row without any colour sorts before the coloured ones of the same material.
  expected << "Profili – Priede" << "Līste 68x78" << "[m]" << "" << LotCaptions
           << "Rezervā:       0.00       Atlikums:       0.00       Summa:       0.00 Ls";
  expected << "Profili – Priede" << "Līste 68x78" << "[m]" << "Ozols" << LotCaptions
           << "11" << "2.5000 Ls" << "27.00 Ls" << "*" << "*"
           << "Rezervā:      -2.00       Atlikums:      11.00       Summa:      27.00 Ls";
  expected << "Stikls – Paketes" << "Stikla pakete" << "[m2]" << "" << LotCaptions
           << "3" << "45.5000 Ls" << "136.50 Ls" << "P-4" << "01.03.2024"
           << "Rezervā:       0.00       Atlikums:       3.00       Summa:     136.50 Ls";
  expected << "Всего:" << "Summa:     192.50 Ls" << "Printed 05.03.2024 14:07:09" << "Page 1";
  EXPECT_EQ(t.join("\n"), expected.join("\n"));

  // Printing again from the preview gives the same totals.
  report.Preview();
  EXPECT_EQ(BodyTexts(Last()).last(), "Summa:     192.50 Ls");
}

TEST_F(StockLists, StockListWithoutReservationsAndForChosenSubgroups) {
  TPrintRemains report(nullptr, 0, "((c.CATGROUP=1 and c.SUBGROUP in (2)) or (c.CATGROUP=2))");
  report.Preview();
  const QStringList t = BodyTexts(Last());
  EXPECT_EQ(t.filter("Atlikums:"),
            QStringList({"Atlikums:       0.00       Summa:       0.00 Ls",
                         "Atlikums:       4.00       Summa:      29.00 Ls",
                         "Atlikums:       3.00       Summa:     136.50 Ls"}));
  EXPECT_EQ(t.filter("–"), QStringList({"Profili – Ozols", "Profili – Ozols", "Stikls – Paketes"}));
  EXPECT_EQ(t.last(), "Summa:     165.50 Ls");
  EXPECT_EQ(t[1], "Visi");  // the caller set no filter title
}

TEST_F(StockLists, ShortFilterMeansEveryGroup) {
  TPrintRemains stock(nullptr, 0, "()");
  stock.Preview();
  EXPECT_EQ(BodyTexts(Last()).filter("Atlikums:").size(), 6);
  TPrintCriticalRemains critical(nullptr, 0, "()");
  critical.Preview();
  EXPECT_EQ(BodyTexts(Last()).filter(QRegularExpression("^Profili – ")).size(), 3);
}

TEST_F(StockLists, CriticalListComparesQuantityWithTheSubgroupMinimum) {
  TPrintCriticalRemains report(nullptr, 0, "");
  report.AddInfo->Caption = "Profili\r\nPeriods: visi";
  report.Preview();
  const TReportModel &m = Last();
  EXPECT_TRUE(m.Landscape);
  ASSERT_EQ(m.PageCount(), 1);
  QStringList expected = {"Критические остатки материалов", "Profili\r\nPeriods: visi",
                          "Последнее поступление", "Группа материалов", "Артикул", "Цвет", "Остаток",
                          "Резерв", "Сумма", "Крит.ост.", "Цена", "Накладная №", "Дата"};
  // Stock rows in the order they were made; the last receipt's line gives price, number, date.
  // A subgroup row missing (the stray material) never lets a row in, whatever its quantity.
  expected << "Profili – Priede" << "Līste 68x78" << "Ozols" << "11" << "-2" << "9" << "20"
           << "3" << "P-3" << "20.02.2024";
  expected << "Profili – Priede" << "Līste 68x78" << "" << "0" << "0" << "0" << "20" << "" << ""
           << "";
  expected << "Profili – Ozols" << "Brusa" << "Орех" << "4" << "-1.5" << "2.5" << "5" << "7.25"
           << "P-2" << "01.02.2024";
  expected << "Printed 05.03.2024 14:07:09" << "Page 1";
  EXPECT_EQ(m.Pages[0].Texts(), expected);
  EXPECT_TRUE(m.Pages[0].Find("QRDBText3")->Font.bold());   // the stock quantity
  EXPECT_FALSE(m.Pages[0].Find("QRDBText5")->Font.bold());  // the sum with the reserve
}

TEST_F(StockLists, CriticalListWithReservationsComparesTheAvailableQuantity) {
  TPrintCriticalRemains report(nullptr, 1, "((c.CATGROUP=1 and c.SUBGROUP in (2)))");
  report.Preview();
  const TReportModel &m = Last();
  QStringList t = BodyTexts(m);
  EXPECT_EQ(t[0], "Остатки материалов (+ резерв)");
  // 4 - 1.5 and 6 - 2 are below 5; 6 alone is not.
  EXPECT_EQ(t.mid(13), QStringList({"Profili – Ozols", "Brusa", "Орех", "4", "-1.5", "2.5", "5",
                                    "7.25", "P-2", "01.02.2024", "Profili – Ozols", "Brusa",
                                    "Ozols", "6", "-2", "4", "5", "", "", ""}));
  EXPECT_FALSE(m.Pages[0].Find("QRDBText3")->Font.bold());
  EXPECT_TRUE(m.Pages[0].Find("QRDBText5")->Font.bold());
}

TEST_F(StockLists, ReportsOfAnEmptyStockPrintTheirFrameOnly) {
  ExecSQL("delete from CatalogQty");
  TPrintRemains stock(nullptr, 1, "");
  stock.Preview();
  EXPECT_EQ(BodyTexts(Last()), QStringList({"Остатки материалов на складе", "Visi",
                                            "Группа материалов", "Артикул", "Цвет", "Всего:",
                                            "Summa:       0.00 Ls"}));
  TPrintCriticalRemains critical(nullptr, 0, "");
  critical.Preview();
  EXPECT_EQ(BodyTexts(Last()).size(), 13);
}

TEST_F(StockLists, PdfOfTheStockListCarriesItsText) {
  TPrintRemains report(nullptr, 1, "");
  report.AddInfo->Caption = "Profili, Stikls\r\nPeriods: visi + rezervēti materiāli";
  report.Preview();
  const QString text = PdfText(Last());
  EXPECT_TRUE(text.contains("Остатки материалов на складе"));
  EXPECT_TRUE(text.contains("Periods: visi + rezervēti materiāli"));
  EXPECT_TRUE(text.contains("192.50 Ls"));
}

}  // namespace
