// The printed catalogue: one section per subgroup, prices converted to EUR.
#include <gtest/gtest.h>

#include <QRegularExpression>

#include "ReportFixture.h"
#include "core/DataUnit.h"
#include "platform/SysUtils.h"
#include "reports/rep_MaterialsListUnit.h"

namespace {

class MaterialsList : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    ExecSQL("insert into CatGroups (ID, SUBID, NAME) values (5, 0, \"Furnitūra\"), "
            "(5, 1, \"Eņģes\"), (5, 2, \"Rokturi\"), (5, 3, \"Slēdzenes\"), (1, 0, \"Profili\"), "
            "(1, 1, \"Priede\")");
    ExecSQL("insert into Currencies (ID, NAME, RATE) values (0, \"EUR\", 1), (1, \"USD\", 0.5)");
    ExecSQL("insert into DiscountGroups (ID, NAME, DVALUE) values (0, \"Nav\", 0), (1, \"Dīleris\", 10)");
    const int pcs = Measure("gab.");
    Item("Eņģe 100", "Balta, kreisā", 5, 1, pcs, 1, 1, 1, {10, 20, 0, 1.005, 3});
    Item("Rokturis \"Nord\"", "", 5, 2, pcs, 1, 7, 0, {12, 0, 0, 0, 0});  // no such currency
    Item("Eņģe 80", "", 5, 1, pcs, 2, 0, 0, {2.5, 0, 0, 0, 0});
    Item("Bez apakšgrupas", "", 5, 0, pcs, 1, 0, 0, {1, 1, 1, 1, 1});
    Item("Līste", "68x78", 1, 1, 0, 1, 0, 9, {4, 0, 0, 0, 0});  // no such discount group
  }
  void Item(const QString &name, const QString &comments, int group, int subgroup, int measure,
            int system, int currency, int discount, const QVector<double> &prices) {
    ExecSQL(Format("insert into Catalog (NAME, COMMENTS, CATGROUP, SUBGROUP, MEASURE, SYSTEMID, "
                   "CURRENCY, DISCOUNTGROUP, PRICE0, PRICE1, PRICE2, PRICE3, PRICE4) values (%s, %s, "
                   "%d, %d, %d, %d, %d, %d, %10.6f, %10.6f, %10.6f, %10.6f, %10.6f)",
                   {QuoteSQL(name), QuoteSQL(comments), group, subgroup, measure, system, currency,
                    discount, prices[0], prices[1], prices[2], prices[3], prices[4]}));
  }
  static QString Prices(const QStringList &p) {
    QString out;
    for (int i = 0; i < p.size(); ++i) out += QStringLiteral("[%1]: %2   ").arg(i).arg(p[i]);
    return out;
  }
  const QStringList Head = {"Артикул", "Описание", "Ед.изм", "Цена, EUR"};
  const QString Zero = Prices({"0.00", "0.00", "0.00", "0.00", "0.00"});
};

TEST_F(MaterialsList, ListsEverySubgroupWithItsMaterialsAndConvertedPrices) {
  Trep_MaterialsList report(nullptr, "", "");
  report.Preview();
  const TReportModel &m = Last();
  EXPECT_TRUE(m.Landscape);
  ASSERT_EQ(m.PageCount(), 1);
  QStringList expected = {"Список материалов"};
  // A material whose discount group is missing prices at 0; sections in group, subgroup order.
  expected << "Profili - Priede" << Head << "Līste" << "68x78" << "" << Zero;
  // 10 USD at 0.5 less 10 % is 4.50 EUR.
  expected << "Furnitūra - Eņģes" << Head << "Eņģe 100" << "Balta, kreisā" << "[gab.]"
           << Prices({"4.50", "9.00", "0.00", "0.45", "1.35"}) << "Eņģe 80" << "" << "[gab.]"
           << Prices({"2.50", "0.00", "0.00", "0.00", "0.00"});
  expected << "Furnitūra - Rokturi" << Head << "Rokturis \"Nord\"" << "" << "[gab.]" << Zero;
  // A subgroup without materials keeps its heading.
  expected << "Furnitūra - Slēdzenes" << Head;
  expected << "Printed 05.03.2024 14:07:09" << "Стр. 1";
  EXPECT_EQ(m.Pages[0].Texts().join("\n"), expected.join("\n"));
}

TEST_F(MaterialsList, GroupAndSystemFiltersNarrowTheSectionsAndMaterials) {
  Trep_MaterialsList report(nullptr, "((c.CATGROUP=5 and c.SUBGROUP in (1,2)))",
                            " and c.SYSTEMID in (1)");
  report.Preview();
  QStringList expected = {"Список материалов"};
  expected << "Furnitūra - Eņģes" << Head << "Eņģe 100" << "Balta, kreisā" << "[gab.]"
           << Prices({"4.50", "9.00", "0.00", "0.45", "1.35"});
  expected << "Furnitūra - Rokturi" << Head << "Rokturis \"Nord\"" << "" << "[gab.]" << Zero;
  EXPECT_EQ(BodyTexts(Last()).join("\n"), expected.join("\n"));

  // A whole group and a short filter.
  Trep_MaterialsList whole(nullptr, "((c.CATGROUP=1))", "");
  whole.Preview();
  EXPECT_EQ(BodyTexts(Last()).filter(" - "), QStringList({"Profili - Priede"}));
  Trep_MaterialsList all(nullptr, "()", "");
  all.Preview();
  EXPECT_EQ(BodyTexts(Last()).filter(" - ").size(), 4);
}

TEST_F(MaterialsList, ManyMaterialsRunOverPagesWithTheirNumbers) {
  for (int i = 0; i < 120; ++i)
    Item(QStringLiteral("Skrūve %1").arg(i, 3, 10, QLatin1Char('0')), "", 5, 3, 0, 1, 0, 0,
         {0.1 * i, 0, 0, 0, 0});
  Trep_MaterialsList report(nullptr, "((c.CATGROUP=5 and c.SUBGROUP in (3)))", "");
  report.Preview();
  const TReportModel &m = Last();
  ASSERT_GE(m.PageCount(), 2);
  EXPECT_EQ(m.Pages.back().Find("QRSysData2")->Text, QStringLiteral("Стр. %1").arg(m.PageCount()));
  const QStringList t = BodyTexts(m);
  EXPECT_EQ(t.filter(QRegularExpression("^Skrūve ")).size(), 120);
  EXPECT_EQ(t.filter(QRegularExpression("^Skrūve ")).last(), "Skrūve 119");
  EXPECT_TRUE(t.contains(Prices({"11.90", "0.00", "0.00", "0.00", "0.00"})));
}

}  // namespace
