// Posting a stock count of 5,000 counted stock rows: one commit, and how long it takes.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <cstdio>

#include "core/DataUnit.h"
#include "core/Startup.h"
#include "documents/DivazInventoryUnit.h"
#include "platform/Grids.h"
#include "support/Fixtures.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"

namespace {

class CountBench : public DbTest {
 protected:
  void TearDown() override {
    StartupFreeLists();
    DbTest::TearDown();
  }
};

TEST_F(CountBench, PostingFiveThousandCountedRows) {
  constexpr int kRows = 5000;
  for (int s = 1; s <= 5; ++s) fx::Supplier(QStringLiteral("Supplier %1").arg(s));
  QStringList materials;
  for (int i = 1; i <= kRows; ++i) materials << QStringLiteral("(\"M%1\", %2)").arg(i, 5, 10, QLatin1Char('0')).arg(1 + i % 5);
  ExecSQL("insert into Catalog (NAME, SUPPLIER) values " + materials.join(','));
  const int receipt = fx::Receipt(QDate(2024, 1, 5), "R-1", 1);
  ExecSQL(QStringLiteral("insert into WaybillCont (WAYBILLID, CATID, COLOR, QUANTITY, PRICE, QTYOUT) "
                         "select %1, ID, -1, 10, 1.5, 0 from Catalog").arg(receipt));
  ExecSQL(QStringLiteral("insert into CatalogQty (CATID, COLOR, QUANTITY, LASTWBID) select ID, -1, 10, %1 from Catalog").arg(receipt));
  ExecSQL(QStringLiteral("update Waybill set SUM=%1 where ID=%2").arg(kRows * 15).arg(receipt));
  // Every even material had 4 issued, so that a surplus can go back.
  ExecSQL("insert into Waybill (BDATE, NUM, ISOUT, SUM, USERID) values (\"2024-02-01\", \"1000000002\", 1, 0, 1)");
  const int issue = static_cast<int>(LastInsertID());
  ExecSQL(QStringLiteral("insert into WaybillCont (WAYBILLID, CATID, COLOR, QUANTITY, PRICE) select %1, CATID, -1, 4, PRICE "
                         "from WaybillCont where WAYBILLID=%2 and mod(CATID, 2)=0").arg(issue).arg(receipt));
  ExecSQL(QStringLiteral("insert into WBList (INWBID, OUTWBID, OUTWBCONTID, INWBCONTID) select %1, %2, o.ID, i.ID from "
                         "WaybillCont o join WaybillCont i on i.CATID=o.CATID and i.WAYBILLID=%1 where o.WAYBILLID=%2")
              .arg(receipt)
              .arg(issue));
  ExecSQL(QStringLiteral("update WaybillCont set QTYOUT=4 where WAYBILLID=%1 and mod(CATID, 2)=0").arg(receipt));
  ExecSQL("update CatalogQty set QUANTITY=6 where mod(CATID, 2)=0");
  ExecSQL(QStringLiteral("update Waybill set SUM=%1 where ID=%2").arg(kRows / 2 * 6).arg(issue));
  StartupLoadLists();

  TDivazInventory ed(nullptr, -1);
  double ms = 0;
  qint64 commits = 0;
  Script().OnModal("DivazInventory", [&](QDialog *) {
    // Odd materials are counted 3 short, even ones 2 over; one in ten unchanged.
    TQuery q;
    q.SQL = "select ID, SUPPLIER, NAME from Catalog order by ID";
    q.Open();
    for (const auto &row : q.Rows()) {
      const int id = row[0].toInt();
      const double book = id % 2 == 0 ? 6 : 10;
      const double counted = id % 10 == 0 ? book : id % 2 == 0 ? book + 2 : book - 3;
      ed.AddContentRow(0, id, -1, row[1].toInt(), -1, row[2].toString(), counted, book);
    }
    const qint64 before = DATA->DB_Storage.CommitCount;
    QElapsedTimer timer;
    timer.start();
    QTest::mouseClick(ed.SaveWB, Qt::LeftButton);
    ms = timer.nsecsElapsed() / 1e6;
    commits = DATA->DB_Storage.CommitCount - before;
    return mrNone;
  });
  ASSERT_EQ(ed.ShowModal(), mrOk);
  std::printf("Posting a count of %d counted rows: %.0f ms, %lld commit(s), %d count rows, %d sub-document lines\n",
              kRows, ms, static_cast<long long>(commits), fx::Count("WaybillInventory"),
              fx::Count("WaybillCont", "WAYBILLID in (select ID from Waybill where ISOUT in (5,6))"));
  EXPECT_EQ(commits, 1);
  EXPECT_LT(ms, 2000);
  EXPECT_EQ(fx::Count("WaybillInventory"), kRows - kRows / 10);
}

}  // namespace
