// The order-materials report: every mode and document kind, the supplier block, prices shown
// or hidden, the payment block, and its failures.
#include <gtest/gtest.h>

#include "ReportFixture.h"
#include "core/ColorList.h"
#include "core/DataUnit.h"
#include "reports/rep_OrdMaterialsUnit.h"

namespace {

class OrdMaterialsReport : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    wood = Supplier("SIA Kokmateriāli", "Rīga, Brīvības iela 1", "+371 67000000");
    glass = Supplier("ООО Стекло", "Москва", "+7 495 000");
    const int m = Measure("m");
    const int pcs = Measure("gab.");
    lath = Material("Līste 68x78", "priede", wood, m);
    unit = Material("Стеклопакет 4-16-4", QString(), glass, pcs);
    screws = Material("Skrūves", "", 0, pcs);
    receipt = Doc(0, QDate(2024, 2, 1), "P-1", "Z-100", glass,
                  {{unit, -1, 2, 45.1234}, {lath, MakeColorCode(0, 0, 1, 0), 10, 2.5}});
    Doc(0, QDate(2024, 2, 3), "P-2", "Z-100", 0, {{screws, -1, 100, 0.05}});
    Doc(0, QDate(2024, 2, 2), "P-3", "Z-200", 0, {{screws, -1, 7, 1}});
    issue = Doc(1, QDate(2024, 2, 4), "I-1", "Z-100", 0, {{unit, -1, 1, 45.1234}});
    request = Doc(2, QDate(2024, 2, 5), "Q-7", "Z-100", wood,
                  {{lath, MakeColorCode(0, 1, 0, 0), 5, 2.5}, {screws, -1, 50, 0.05}});
    reservation = Doc(3, QDate(2024, 2, 6), "R-1", "Z-100", 0, {{screws, -1, 20, 0}});
  }
  const TReportModel &Run(uint8_t mode, int id, const QString &order, uint8_t kind) {
    TOrdMaterialsReport report(nullptr, mode, id, order, kind);
    report.Preview();
    return Last();
  }
  int wood = 0, glass = 0, lath = 0, unit = 0, screws = 0;
  int receipt = 0, issue = 0, request = 0, reservation = 0;
};

TEST_F(OrdMaterialsReport, OrderListsTheLinesOfItsKindWithPricesAndSuppliers) {
  const TReportModel &m = Run(0, receipt, "Z-100", 0);
  ASSERT_EQ(m.PageCount(), 1);
  const QStringList expected = {
      "05.03.2024 14:07:09", "", "",  // date and time; the company lines print empty
      "Материалы для заказа Nr.Z-100",
      "Lpp. 1", "Название товара (цвет)", "Поставщик", "Ед.изм.", "Кол-во", "Цена", "Сумма",
      "1", "Стеклопакет 4-16-4  ()", "ООО Стекло", "gab.", "2.000", "45.1234 EUR", "90.25 EUR",
      "2", "Līste 68x78 – priede  (Ozols)", "SIA Kokmateriāli", "m", "10.000", "2.5000 EUR",
      "25.00 EUR",
      "3", "Skrūves  ()", "", "gab.", "100.000", "0.0500 EUR", "5.00 EUR",
      "120.25 EUR"};
  EXPECT_EQ(m.Pages[0].Texts(), expected);
  // No supplier block, the title right-aligned below the logo, and the sum line alone.
  EXPECT_EQ(m.Pages[0].Find("QRDBText1"), nullptr);
  EXPECT_TRUE(m.Pages[0].Find("QRLabel1")->Flags & Qt::AlignRight);
  EXPECT_EQ(m.Pages[0].Find("QRLabel5"), nullptr);
  // The logo from the program's resources, in its box at the top left.
  int logos = 0;
  for (const TReportItem &item : m.Pages[0].Items)
    if (item.Kind == TReportItem::kImage && item.Name == "QRImage1") {
      ++logos;
      EXPECT_FALSE(item.Picture.isNull());
      EXPECT_DOUBLE_EQ(item.Box.width(), 136);
    }
  EXPECT_EQ(logos, 1);
}

TEST_F(OrdMaterialsReport, OrderFormOfARequestHidesPricesAndShowsSupplierAndSignatures) {
  const TReportModel &m = Run(1, request, "Z-100", 2);
  const QStringList expected = {
      "05.03.2024 14:07:09", "", "", "SIA Kokmateriāli", "Rīga, Brīvības iela 1", "+371 67000000",
      "Заказ материалов Nr.Z-100",
      "Lpp. 1", "Название товара (цвет)", "Ед.изм.", "Кол-во",
      "1", "Līste 68x78 – priede  (Tīkkoks)", "m", "5.000",
      "2", "Skrūves  ()", "gab.", "50.000",
      "Оплату гарантируем", "Ответственный кладовщик", ""};
  EXPECT_EQ(m.Pages[0].Texts(), expected);
  EXPECT_TRUE(m.Pages[0].Find("QRLabel1")->Flags & Qt::AlignHCenter);
}

TEST_F(OrdMaterialsReport, SingleDocumentsShowPricesWithoutSupplierColumn) {
  const TReportModel &issueList = Run(1, issue, "Z-100", 1);
  QStringList t = BodyTexts(issueList);
  EXPECT_TRUE(t.contains("Материалы к заказу Nr.Z-100 от ООО Стекло"));
  EXPECT_TRUE(t.contains("45.1234 EUR"));
  EXPECT_FALSE(t.contains("Поставщик"));
  EXPECT_FALSE(t.contains("Оплату гарантируем"));
  EXPECT_FALSE(t.contains("Ответственный кладовщик"));
  EXPECT_EQ(t.last(), "45.12 EUR");
  // The issue's supplier block shows the catalogue supplier of its first material.
  EXPECT_TRUE(t.contains("ООО Стекло"));

  t = BodyTexts(Run(1, receipt, "Z-100", 0));
  EXPECT_TRUE(t.contains("Принятые материалы по заказу Nr.Z-100"));
  EXPECT_EQ(t.last(), "115.25 EUR");

  t = BodyTexts(Run(1, reservation, "Z-100", 3));
  EXPECT_TRUE(t.contains("Noliktavas materialu saraksts"));
  EXPECT_TRUE(t.contains("Skrūves  ()"));

  // Mode 0 of another kind lists only that kind's documents.
  t = BodyTexts(Run(0, issue, "Z-100", 1));
  EXPECT_EQ(t.count("1"), 1);
  EXPECT_FALSE(t.contains("2"));
  EXPECT_EQ(t.last(), "45.12 EUR");
}

TEST_F(OrdMaterialsReport, MissingCatalogueSupplierLeavesTheSupplierBlockBlank) {
  const int noSupplier = Doc(2, QDate(2024, 2, 7), "Q-8", "Z-300", wood, {{screws, -1, 3, 1}});
  const TReportModel &m = Run(1, noSupplier, "Z-300", 2);
  const QStringList t = m.Pages[0].Texts();
  EXPECT_TRUE(t.contains("Skrūves  ()"));
  EXPECT_EQ(m.Pages[0].Find("QRDBText1")->Text, "");
  EXPECT_EQ(m.Pages[0].Find("QRDBText2")->Text, "");

  // A document without lines lists nothing and has no supplier either.
  const int empty = Doc(2, QDate(2024, 2, 8), "Q-9", "Z-400", wood, {});
  const QStringList e = BodyTexts(Run(1, empty, "Z-400", 2));
  EXPECT_EQ(e, QStringList({"", "", "", "", "", "Заказ материалов Nr.Z-400",
                            "Название товара (цвет)", "Ед.изм.", "Кол-во", "Оплату гарантируем",
                            "Ответственный кладовщик", ""}));
}

TEST_F(OrdMaterialsReport, DocumentOfTheOrderWithoutLinesLeavesNoGapInTheLineNumbers) {
  Doc(0, QDate(2024, 1, 20), "P-0", "Z-100", 0, {});
  const QStringList t = BodyTexts(Run(0, receipt, "Z-100", 0));
  const int first = t.indexOf("Стеклопакет 4-16-4  ()");
  ASSERT_GT(first, 0);
  EXPECT_EQ(t[first - 1], "1");
  EXPECT_EQ(t[t.indexOf("Līste 68x78 – priede  (Ozols)") - 1], "2");
  EXPECT_EQ(t[t.indexOf("Skrūves  ()") - 1], "3");
  EXPECT_EQ(t.last(), "120.25 EUR");
}

TEST_F(OrdMaterialsReport, LongNamesBreakBeforeTheNextColumn) {
  const int beam = Material("Brusa 92x115 L=4500", "lapegle, līmēta, mitrums 10-12%, bez mezgliem",
                            wood, Measure("gab"));
  const int doc = Doc(0, QDate(2024, 2, 10), "P-10", "Z-500", wood, {{beam, -1, 100, 5.38}});
  for (const uint8_t mode : {uint8_t(1), uint8_t(0)}) {
    SCOPED_TRACE(mode);
    const TReportPage &p = Run(mode, doc, "Z-500", 0).Pages[0];
    const TReportItem *name = p.Find("NameLabel");
    ASSERT_NE(name, nullptr);
    const TReportItem *next = p.Find(mode == 0 ? "QRDBText4" : "QRDBText5");
    ASSERT_NE(next, nullptr);
    EXPECT_LE(name->Box.right(), next->Box.left());
    EXPECT_GE(name->Box.height(), 28);
    EXPECT_TRUE(name->Flags & Qt::TextWordWrap);
  }
}

TEST_F(OrdMaterialsReport, OrderCodesWithQuotesAreLiteralText) {
  const QString code = "Z\"5\\ or 1=1 -- ";
  Doc(0, QDate(2024, 2, 9), "P-9", code, 0, {{lath, -1, 1, 3}});
  const QStringList t = BodyTexts(Run(0, 0, code, 0));
  EXPECT_TRUE(t.contains("Материалы для заказа Nr." + code));
  EXPECT_EQ(t.count("Līste 68x78 – priede  ()"), 1);
  EXPECT_EQ(t.last(), "3.00 EUR");
}

TEST_F(OrdMaterialsReport, GeneratingAgainGivesTheSameTotal) {
  TOrdMaterialsReport report(nullptr, 0, receipt, "Z-100", 0);
  const QString first = report.Prepare().Dump();
  EXPECT_EQ(report.Prepare().Dump(), first);
  EXPECT_TRUE(first.contains("120.25 EUR"));
}

TEST_F(OrdMaterialsReport, FailingQueryLeavesNoReportAndNoPreview) {
  Db->Exec("drop table Measures");
  EXPECT_THROW(TOrdMaterialsReport(nullptr, 1, receipt, "Z-100", 0), EDatabaseError);
  EXPECT_TRUE(Previews.empty());
}

TEST_F(OrdMaterialsReport, PdfCarriesCyrillicAndLatvianText) {
  const QString text = PdfText(Run(0, receipt, "Z-100", 0));
  EXPECT_TRUE(text.contains("Материалы для заказа Nr.Z-100"));
  EXPECT_TRUE(text.contains("Līste 68x78 – priede (Ozols)") ||
              text.contains("Līste 68x78 – priede  (Ozols)"));
  EXPECT_TRUE(text.contains("SIA Kokmateriāli"));
}

}  // namespace
