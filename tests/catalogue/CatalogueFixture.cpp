#include "CatalogueFixture.h"

#include <QStringList>

#include "catalogue/DivazUnit.h"
#include "catalogue/StorageModel.h"
#include "core/ColorList.h"
#include "core/CommonVariables.h"
#include "core/DataLists.h"
#include "core/DataUnit.h"
#include "core/SetupObject.h"
#include "core/Startup.h"
#include "support/Fixtures.h"

void CatalogueTest::SetUp() {
  DbTest::SetUp();
  // Setup tree: systems "Pine line" (0) and "Oak line" (1); system 0 has the colour
  // categories "Standard" (0: colour groups "Group A" with White and Brown, "Group B" with
  // Grey) and "Premium" (1: three groups); system 1 has one category with one group.
  const char *nodes[][3] = {
      {"0", "Systems", "1"},      {"00", "Pine line", "2"},   {"01", "Oak line", "3"},
      {"000", "Categories", "0"}, {"0000", "Standard", "0"},  {"00000", "Group A", "0"},
      {"000000", "White", "0"},   {"000001", "Brown", "0"},   {"00001", "Group B", "0"},
      {"000010", "Grey", "0"},    {"0001", "Premium", "0"},   {"00010", "P1", "0"},
      {"00011", "P2", "0"},       {"00012", "P3", "0"},       {"010", "Categories", "0"},
      {"0100", "Oak standard", "0"}, {"01000", "Oak group", "0"}, {"010000", "Natural", "0"}};
  for (const auto &n : nodes)
    Db->ExecSetup(QStringLiteral("insert into Setup (NODEID, CAPTION, BCATID) values (\"%1\", \"%2\", %3)")
                      .arg(QString::fromLatin1(n[0]), QString::fromUtf8(n[1]), QString::fromLatin1(n[2])));
  Db->ExecSetup(QStringLiteral("insert into Setup (NODEID, CAPTION, FDATA) values (\"321\", \"VAT\", 21)"));

  Db->Exec(QStringLiteral("insert into Currencies (ID, NAME, RATE) values (0, 'EUR', 1), (1, 'USD', 0.9)"));
  Db->Exec(QStringLiteral("insert into DiscountGroups (ID, NAME, DVALUE) values (0, 'None', 0), (1, 'Dealer', 15)"));
  Db->Exec(QStringLiteral("insert into Measures (ID, NAME) values (1, 'pcs'), (2, 'm')"));
  fx::Group(1, QStringLiteral("Profiles"));
  fx::Subgroup(1, 1, QStringLiteral("Pine"), 5);
  fx::Subgroup(1, 2, QStringLiteral("Oak"), 0);
  fx::Group(2, QStringLiteral("Glass"));
  fx::Group(3, QStringLiteral("Seals"));
  fx::Subgroup(3, 1, QStringLiteral("Rubber"), 10);
  Sup1 = fx::Supplier(QStringLiteral("Timber Ltd"));
  Sup2 = fx::Supplier(QStringLiteral("Glass & Co"));
  PriceCount = 5;
  LoadLists();
  StartupClearDefaults();
}

void CatalogueTest::TearDown() {
  DbTest::TearDown();
  StartupFreeLists();
}

void CatalogueTest::LoadLists() {
  TSetupObject &setup = *DATA->Setup;
  setup.Clear();
  setup.SetupQuery = QStringList{QStringLiteral("select * from %1.Setup where NodeID like \"0%\" order by NodeID")
                                     .arg(Db->Setup)};
  setup.SourceDataSet = &DATA->Qtmp;
  setup.Load();
  StartupLoadLists();
}

QStringList GridColumn(const TDivazForm &form, const QString &field) {
  QStringList out;
  const auto &columns = form.Model->Columns();
  int col = -1;
  for (int i = 0; i < columns.size(); ++i)
    if (columns[i].Field == field) col = i;
  for (int r = 0; r < form.Model->rowCount(); ++r)
    out << (col < 0 ? form.Model->Value(r, field).toString() : form.Model->DisplayText(r, col));
  return out;
}

bool GridRed(const TDivazForm &form, int row) {
  const auto &columns = form.Model->Columns();
  for (int i = 0; i < columns.size(); ++i)
    if (columns[i].Field == QLatin1String("QUANTITY"))
      return form.Model->data(form.Model->index(row, i), Qt::ForegroundRole).isValid();
  return false;
}
