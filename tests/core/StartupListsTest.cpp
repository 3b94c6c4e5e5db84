#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "core/ColorList.h"
#include "core/CommonVariables.h"
#include "core/DataLists.h"
#include "core/DataUnit.h"
#include "core/SetupObject.h"
#include "core/Startup.h"
#include "platform/Registry.h"
#include "support/Fixtures.h"
#include "support/LedgerCheck.h"
#include "support/TestDatabase.h"

namespace {

class StartupLists : public DbTest {
 protected:
  // Points the key file and the registry at the test databases and runs start-up.
  TStartupResult Start() {
    QTemporaryDir dir;
    return Db->StartProgram(dir.path(), "Lists");
  }
  void TearDown() override {
    DbTest::TearDown();
    StartupFreeLists();
  }
};

TEST_F(StartupLists, StartUpFillsEveryListInItsOrder) {
  ExecSQL("insert into Currencies (ID, NAME, RATE) values (0, 'EUR', 1), (1, 'USD', 0.9)");
  ExecSQL("insert into DiscountGroups (ID, NAME, DVALUE) values (0, '-', 0), (2, 'B', 7.5)");
  ExecSQL("insert into Measures (ID, NAME) values (1, 'm'), (2, 'pcs')");
  fx::Group(1, "Profiles");
  fx::Subgroup(1, 1, "Pine");
  fx::Group(2, "Glass");
  fx::Supplier("Zeta");
  fx::Supplier("Alpha");
  fx::SetupNode("0", "Systems");
  fx::SetupNode("00", "Softline");
  fx::SetupNode("01", "Classic");
  fx::SetupNode("00000", "Plain");
  fx::SetupNode("000000", "White", "9016");
  fx::SetupNode("321", "VAT", "", 0, 0, 21);
  fx::SetupNode("1", "elsewhere");

  const TStartupResult result = Start();
  ASSERT_EQ(result.Outcome, TStartupOutcome::Ready) << result.Message.toStdString();
  EXPECT_DOUBLE_EQ(VATPercent, 21);
  EXPECT_EQ(DATA->Setup->Count(), 5);  // the subtree of "0" only
  EXPECT_EQ(DATA->Setup->GetChildCount("0"), 2);
  EXPECT_EQ(CurrencyNames, (QStringList{"EUR", "USD"}));
  EXPECT_EQ(DiscountValues.ByID(2), "7.5");
  EXPECT_EQ(MeasureNames.ByID(2), "pcs");
  ASSERT_NE(Groups, nullptr);
  EXPECT_EQ(Groups->Count(), 2);
  ASSERT_NE(SupplierList, nullptr);
  ASSERT_EQ(SupplierList->Count(), 2);
  EXPECT_EQ(SupplierList->Item(0).Name, "Alpha");
  ASSERT_NE(Colors, nullptr);
  EXPECT_EQ(Colors->GroupItems().size(), 1);
  EXPECT_EQ(Colors->ColorItems().size(), 1);
  EXPECT_EQ(PriceCount, 5);
  EXPECT_EQ(DefValues.Price.size(), 5);
  EXPECT_EQ(DefValues.Delivery.size(), 5);
  EXPECT_EQ(ViewMode, 0);

  StartupFreeLists();
  EXPECT_EQ(Groups, nullptr);
  EXPECT_EQ(SupplierList, nullptr);
  EXPECT_TRUE(CurrencyNames.isEmpty());
}

TEST_F(StartupLists, TheDemoDataFillsEveryListThatItsCatalogueNeeds) {
  Db->LoadDemo(1);
  const QStringList problems = LedgerViolations();
  EXPECT_TRUE(problems.isEmpty()) << problems.join('\n').toStdString();
  const TStartupResult result = Start();
  ASSERT_EQ(result.Outcome, TStartupOutcome::Ready) << result.Message.toStdString();
  EXPECT_GT(DATA->Setup->GetChildCount("0"), 0);
  ASSERT_NE(Groups, nullptr);
  EXPECT_GT(Groups->Count(), 0);
  ASSERT_NE(SupplierList, nullptr);
  EXPECT_EQ(SupplierList->Count(), SQLInt("select count(*) from Suppliers"));
  ASSERT_NE(Colors, nullptr);
  EXPECT_GT(Colors->ColorItems().size(), 0);
  EXPECT_EQ(DefValues.Price.size(), PriceCount);

  // every reference of the catalogue resolves through the lists
  TQuery q;
  q.SQL = "select c.ID, c.SUPPLIER, c.CURRENCY, c.DISCOUNTGROUP, c.MEASURE, c.CATGROUP, c.SUBGROUP from Catalog c";
  q.Open();
  ASSERT_GT(q.RecordCount(), 0);
  for (const auto &r : q.Rows()) {
    const std::string id = r[0].toString().toStdString();
    TIDRec sup;
    SupplierList->GetByID(r[1].toInt(), sup);
    EXPECT_FALSE(sup.Name.isEmpty()) << id;
    EXPECT_FALSE(CurrencyNames.ByID(r[2].toInt()).isEmpty()) << id;
    EXPECT_FALSE(DiscountValues.ByID(r[3].toInt()).isEmpty()) << id;
    EXPECT_FALSE(MeasureNames.ByID(r[4].toInt()).isEmpty()) << id;
    TCatGroupRec g;
    Groups->GetGroup(r[5].toInt(), g);
    EXPECT_NE(g.ID, NoGroupID) << id;
  }
  // every set colour of a stock row has a name
  q.SQL = "select cq.COLOR, c.SYSTEMID from CatalogQty cq join Catalog c on c.ID=cq.CATID where cq.COLOR>0";
  q.Open();
  EXPECT_GT(q.RecordCount(), 0);
  for (const auto &r : q.Rows()) {
    TColorRec rec;
    Colors->GetColorRec(r[0].toInt(), r[1].toInt(), rec);
    EXPECT_FALSE(rec.Caption.isEmpty()) << "colour " << r[0].toInt();
  }
}

}  // namespace
