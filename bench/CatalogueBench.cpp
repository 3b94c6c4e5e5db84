// Refresh time of the main window's grid on a large catalogue: 50,000 materials in 25 groups
// of 4 subgroups, 150,000 stock rows (three colours per material), each with an open lot.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QToolButton>
#include <cstdio>

#include "catalogue/DivazUnit.h"
#include "catalogue/StorageModel.h"
#include "core/CommonVariables.h"
#include "core/DataUnit.h"
#include "core/IDComboBox.h"
#include "core/SetupObject.h"
#include "core/Startup.h"
#include "support/TestDatabase.h"

namespace {

constexpr int Materials = 50000, Groups = 25, Subgroups = 4, Colours = 3;

// Sends rows in multi-row inserts of a few thousand rows each.
void InsertRows(TTestDatabase &db, const QString &head, int count, const std::function<QString(int)> &row) {
  QStringList batch;
  for (int i = 1; i <= count; ++i) {
    batch << row(i);
    if (batch.size() == 5000 || i == count) {
      db.Exec(head + batch.join(QLatin1Char(',')));
      batch.clear();
    }
  }
}

class CatalogueBench : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    TTestDatabase &db = *Db;
    for (const char *n : {"0", "00", "01", "02"})
      db.ExecSetup(QStringLiteral("insert into Setup (NODEID, CAPTION) values (\"%1\", \"System %1\")").arg(n));
    db.Exec("insert into Currencies (ID, NAME, RATE) values (0, 'EUR', 1)");
    db.Exec("insert into DiscountGroups (ID, NAME, DVALUE) values (0, 'None', 0)");
    db.Exec("insert into Measures (ID, NAME) values (1, 'pcs'), (2, 'm')");
    InsertRows(db, "insert into Suppliers (ID, NAME) values ", 50,
               [](int i) { return QStringLiteral("(%1, 'Supplier %1')").arg(i); });
    InsertRows(db, "insert into CatGroups (ID, SUBID, NAME, MINVALUE) values ", Groups * (Subgroups + 1), [](int i) {
      const int g = (i - 1) / (Subgroups + 1) + 1, s = (i - 1) % (Subgroups + 1);
      return QStringLiteral("(%1, %2, 'Group %1.%2', %3)").arg(g).arg(s).arg(s * 3);
    });
    InsertRows(db,
               "insert into Catalog (ID, NAME, COMMENTS, CATGROUP, SUBGROUP, SYSTEMID, SUPPLIER, MEASURE, ISCOLOR, "
               "PRICE0) values ",
               Materials, [](int i) {
                 const int g = i % Groups + 1, s = (i / Groups) % Subgroups + 1;
                 return QStringLiteral("(%1, 'Article %1', 'Material number %1', %2, %3, %4, %5, %6, 1, %7)")
                     .arg(i).arg(g).arg(s).arg(i % 3).arg(i % 50 + 1).arg(i % 2 + 1).arg(i % 97 + 0.5);
               });
    // 30,000 documents, a third of them receipts with 15 lines each; every line an open lot
    const int documents = 30000, receipts = documents / 3;
    InsertRows(db, "insert into Waybill (ID, BDATE, NUM, ISOUT, SUPPLIERID, CURRENCY, CURRENCYRATE) values ",
               documents, [](int i) {
                 return QStringLiteral("(%1, '2024-01-01' + interval %1 minute, 'D-%1', %2, %3, 0, 1)")
                     .arg(i).arg(i % 3 == 0 ? 0 : i % 3).arg(i % 50 + 1);
               });
    InsertRows(db, "insert into WaybillCont (WAYBILLID, CATID, COLOR, QUANTITY, PRICE, QTYOUT) values ",
               Materials * Colours, [](int i) {
                 const int m = (i - 1) / Colours + 1, c = (i - 1) % Colours;
                 return QStringLiteral("(%1, %2, %3, %4, %5, 0)")
                     .arg(((i - 1) % receipts + 1) * 3).arg(m).arg(c << 8).arg(i % 20 + 1).arg(i % 13 + 1);
               });
    InsertRows(db, "insert into CatalogQty (CATID, COLOR, QUANTITY, RESERVE, LASTWBID) values ",
               Materials * Colours, [](int i) {
                 const int m = (i - 1) / Colours + 1, c = (i - 1) % Colours;
                 return QStringLiteral("(%1, %2, %3, 0, %4)").arg(m).arg(c << 8).arg(i % 20 + 1).arg(((i - 1) % receipts + 1) * 3);
               });
    db.Exec("analyze table Catalog, CatalogQty, WaybillCont, Waybill, CatGroups");
    CheckLedger = false;

    TSetupObject &setup = *DATA->Setup;
    setup.Clear();
    setup.SetupQuery = QStringList{QStringLiteral("select * from %1.Setup where NodeID like \"0%\" order by NodeID").arg(db.Setup)};
    setup.SourceDataSet = &DATA->Qtmp;
    setup.Load();
    StartupLoadLists();
    PriceCount = 5;
    StartupClearDefaults();
  }
  void TearDown() override {
    DbTest::TearDown();
    StartupFreeLists();
  }
};

// Runs a user action on the window and returns the milliseconds until the grid has its rows
// and has painted them.
template <class F>
double Timed(TDivazForm &form, F &&action) {
  QElapsedTimer t;
  t.start();
  action();
  form.DBGrid1->viewport()->repaint();
  QApplication::processEvents();
  return t.nsecsElapsed() / 1e6;
}

void Choose(TIDComboBox *combo, int index) {
  combo->setCurrentIndex(index);
  emit combo->activated(index);
}

TEST_F(CatalogueBench, SwitchingGroupOrModeRefreshesTheGridQuickly) {
  TDivazForm form;
  form.resize(1000, 700);
  const double start = Timed(form, [&] { form.show(); });
  std::printf("opening on all %d materials: %.1f ms (%d rows)\n", Materials, start, form.Model->rowCount());

  double worst = 0;
  for (int g = 1; g <= 6; ++g) {
    const double ms = Timed(form, [&] { Choose(form.IDcb_Grp, g); });
    std::printf("catalogue mode, group %d: %.1f ms (%d rows)\n", g, ms, form.Model->rowCount());
    worst = std::max(worst, ms);
  }
  double ms = Timed(form, [&] { form.SpeedButton1->click(); });
  std::printf("to stock mode, group selected: %.1f ms (%d rows)\n", ms, form.Model->rowCount());
  worst = std::max(worst, ms);
  for (int g = 7; g <= 9; ++g) {
    ms = Timed(form, [&] { Choose(form.IDcb_Grp, g); });
    std::printf("stock mode, group %d: %.1f ms (%d rows)\n", g, ms, form.Model->rowCount());
    worst = std::max(worst, ms);
  }
  ms = Timed(form, [&] { form.SpeedButton2->click(); });
  std::printf("stock mode, critical only: %.1f ms (%d rows)\n", ms, form.Model->rowCount());
  worst = std::max(worst, ms);
  ms = Timed(form, [&] { form.SpeedButton1->click(); });
  std::printf("back to catalogue mode: %.1f ms (%d rows)\n", ms, form.Model->rowCount());
  worst = std::max(worst, ms);
  ms = Timed(form, [&] { form.FSystemButtons[2]->click(); });
  std::printf("one profile system: %.1f ms (%d rows)\n", ms, form.Model->rowCount());
  worst = std::max(worst, ms);
  std::printf("slowest switch: %.1f ms\n", worst);
  EXPECT_LT(worst, 300.0);

  // For the record: the whole catalogue in each mode, every system again (no system button
  // pressed).
  form.FSystemButtons[0]->click();
  ms = Timed(form, [&] { Choose(form.IDcb_Grp, 0); });
  std::printf("all groups, catalogue mode: %.1f ms (%d rows)\n", ms, form.Model->rowCount());
  ms = Timed(form, [&] { form.SpeedButton1->click(); });
  std::printf("all groups, stock mode: %.1f ms (%d rows)\n", ms, form.Model->rowCount());
}

}  // namespace
