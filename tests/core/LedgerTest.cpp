#include <gtest/gtest.h>

#include "core/CountPosting.h"
#include "core/DataUnit.h"
#include "core/DocNumbers.h"
#include "core/IssuePosting.h"
#include "core/Ledger.h"
#include "core/MyMsgUnit.h"
#include "core/ReceiptPosting.h"
#include "support/Fixtures.h"
#include "support/LedgerCheck.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"

namespace {

class Ledger : public DbTest {};

TEST_F(Ledger, UpdateCatalogQtyCreatesRaisesAndLowersTheRowKeepingTheLastReceipt) {
  CheckLedger = false;  // stock moved without documents
  const int m = fx::Material("Pine");
  UpdateCatalogQty(m, -1, -1, -2.5);  // no row yet, a decrease
  EXPECT_EQ(fx::StockRowCount(m, -1), 1);
  EXPECT_DOUBLE_EQ(fx::StockQty(m, -1), -2.5);
  EXPECT_EQ(fx::LastWbId(m, -1), 0);
  UpdateCatalogQty(m, -1, 17, 10);
  EXPECT_DOUBLE_EQ(fx::StockQty(m, -1), 7.5);
  EXPECT_EQ(fx::LastWbId(m, -1), 17);
  UpdateCatalogQty(m, -1, 0, -0.1234567);  // rounded to 6 decimals, last receipt kept
  EXPECT_DOUBLE_EQ(fx::StockQty(m, -1), 7.376543);
  EXPECT_EQ(fx::LastWbId(m, -1), 17);
  UpdateCatalogQty(m, 5, 21, 3);  // a new colour gets its own row, with its receipt
  EXPECT_EQ(fx::LastWbId(m, 5), 21);
  EXPECT_DOUBLE_EQ(fx::Reserve(m, 5), 0);
  EXPECT_EQ(fx::StockRowCount(m, -1), 1);
}

TEST_F(Ledger, UpdateCatalogQtyTouchesOnlyTheFirstOfDuplicateRows) {
  CheckLedger = false;
  const int m = fx::Material("Oak", 0, 1);
  const int first = fx::StockRow(m, 0, 1);
  const int second = fx::StockRow(m, 0, 2);
  UpdateCatalogQty(m, 0, 9, 4);
  EXPECT_DOUBLE_EQ(SQLFloat(QStringLiteral("select QUANTITY from CatalogQty where ID=%1").arg(first)), 5);
  EXPECT_DOUBLE_EQ(SQLFloat(QStringLiteral("select QUANTITY from CatalogQty where ID=%1").arg(second)), 2);
}

TEST_F(Ledger, AFailingStockUpdateIsRaisedAndShownOnlyAfterTheTransaction) {
  const int m = fx::Material("Pine");
  const int r = fx::Receipt(QDate(2024, 1, 5), "R-1");
  fx::Lot(r, m, -1, 4, 1);
  Db->Exec("create trigger FailStock before update on CatalogQty for each row "
           "signal sqlstate '45000' set message_text='disk full'");
  {
    TTransaction caller;
    ExecSQL("update Waybill set NOTES=\"touched\"");
    EXPECT_THROW(UpdateCatalogQty(m, -1, r, 1), EDatabaseError);
  }  // the caller does not commit
  // Inside the caller's transaction nothing is shown: the caller reports once it has ended.
  EXPECT_TRUE(Script().Boxes.empty());
  EXPECT_EQ(fx::Count("Waybill", "NOTES=\"touched\""), 0);
  EXPECT_DOUBLE_EQ(fx::StockQty(m, -1), 4);
  // The action reports it once its transaction is over.
  try {
    RunInTransaction([&] { UpdateCatalogQty(m, -1, r, 1); });
    ADD_FAILURE() << "the failing stock update was not raised";
  } catch (const std::exception &e) {
    EXPECT_EQ(DATA->DB_Storage.TransactionDepth, 0);
    ShowStockUpdateFailure(e);
  }
  EXPECT_EQ(Script().LastMessage(), "Ошибка при обновлении таблицы CatalogQty.");
}

TEST_F(Ledger, AStockRowDeadlockThatARetryGetsPastIsNeverReportedAsAFailure) {
  // A deadlock is retried as it is; triggers that the server read wrongly into its open copy
  // of a table (as a cluster node that has just joined may) are read again once the server
  // has closed its tables.
  const struct {
    int Errno;
    const char *Text;
    bool ClosesTables;
  } cases[] = {{1213, "injected deadlock", false},
               {1064, "Trigger CatalogQtyOpenUpdate has an error in its body", true}};
  for (const auto &c : cases) {
    SCOPED_TRACE(c.Errno);
    const int m = fx::Material(QStringLiteral("Pine %1").arg(c.Errno));
    const int r = fx::Receipt(QDate(2024, 1, 5), QStringLiteral("R-%1").arg(c.Errno));
    const int lot = fx::Lot(r, m, -1, 4, 1);
    Db->Exec(QStringLiteral("create trigger FailsOnce before update on CatalogQty for each row "
                            "if @failed is null then set @failed = 1; "
                            "signal sqlstate 'HY000' set mysql_errno = %1, message_text = '%2'; end if")
                 .arg(c.Errno)
                 .arg(QString::fromLatin1(c.Text)));
    QStringList sent;
    DATA->DB_Storage.OnStatement = [&](const QString &sql) { sent << sql; };
    // Undoing the receipt's line: the first attempt fails, the second goes through.
    RunInTransaction([&] {
      DeleteWaybillRows(r, QStringLiteral("select ID, CATID, COLOR, QUANTITY from WaybillCont where ID=%1").arg(lot),
                        true);
    });
    DATA->DB_Storage.OnStatement = nullptr;
    Db->Exec(QStringLiteral("drop trigger FailsOnce"));
    ExecSQL(QStringLiteral("set @failed = null"));
    EXPECT_TRUE(Script().Boxes.empty()) << Script().LastMessage().toStdString();
    EXPECT_DOUBLE_EQ(fx::StockQty(m, -1), 0);
    EXPECT_EQ(fx::Count("Waybill", QStringLiteral("ID=%1").arg(r)), 0);
    EXPECT_EQ(sent.contains(QStringLiteral("FLUSH LOCAL TABLES")), c.ClosesTables);
  }
}

TEST_F(Ledger, DeletingReceiptLinesGivesStockBackAndPointsAtTheNewestReceiptLeft) {
  const int m = fx::Material("Pine");
  const int r1 = fx::Receipt(QDate(2024, 1, 5), "R-1");
  const int r2 = fx::Receipt(QDate(2024, 1, 3), "R-2");  // older date, higher ID
  fx::Lot(r1, m, -1, 4, 1);
  const int l2 = fx::Lot(r2, m, -1, 6, 1);
  fx::Lot(r2, m, 7, 2, 1);
  ASSERT_EQ(fx::LastWbId(m, -1), r2);

  DeleteWaybillRows(r2, QStringLiteral("select ID, CATID, COLOR, QUANTITY from WaybillCont where ID in (%1)").arg(l2),
                    false);
  EXPECT_DOUBLE_EQ(fx::StockQty(m, -1), 4);
  EXPECT_EQ(fx::LastWbId(m, -1), r1);
  EXPECT_EQ(fx::Count("Waybill", QStringLiteral("ID=%1").arg(r2)), 1);

  // the only line of colour 7: nothing left to point at, the last receipt stays
  DeleteWaybillRows(r2, QStringLiteral("select ID,CATID,COLOR,QUANTITY from WaybillCont where WAYBILLID=%1").arg(r2),
                    true);
  EXPECT_DOUBLE_EQ(fx::StockQty(m, 7), 0);
  EXPECT_EQ(fx::LastWbId(m, 7), r2);
  EXPECT_EQ(fx::Count("Waybill", QStringLiteral("ID=%1").arg(r2)), 0);
  EXPECT_EQ(fx::StockRowCount(m, 7), 1);  // a stock row is never deleted

  // no lines at all: the header still goes
  const int r3 = fx::Receipt(QDate(2024, 2, 1), "R-3");
  DeleteWaybillRows(r3, QStringLiteral("select ID,CATID,COLOR,QUANTITY from WaybillCont where WAYBILLID=%1").arg(r3),
                    true);
  EXPECT_EQ(fx::Count("Waybill", QStringLiteral("ID=%1").arg(r3)), 0);
}

TEST_F(Ledger, AFailureWhileDeletingLinesLeavesEveryLineAndTheStock) {
  const int m = fx::Material("Pine");
  const int r = fx::Receipt(QDate(2024, 1, 5), "R-1");
  fx::Lot(r, m, -1, 4, 1);
  const int l2 = fx::Lot(r, m, -1, 6, 1);
  Db->Exec(QStringLiteral("create trigger FailDelete before delete on WaybillCont for each row "
                          "if OLD.ID=%1 then signal sqlstate '45000' set message_text='locked'; end if")
               .arg(l2));
  EXPECT_THROW(DeleteWaybillRows(r, QStringLiteral("select ID,CATID,COLOR,QUANTITY from WaybillCont "
                                                   "where WAYBILLID=%1 order by ID")
                                        .arg(r),
                                 true),
               EDatabaseError);
  EXPECT_EQ(fx::Count("WaybillCont"), 2);
  EXPECT_EQ(fx::Count("Waybill"), 1);
  EXPECT_DOUBLE_EQ(fx::StockQty(m, -1), 10);
}

TEST_F(Ledger, TheCheckerFindsEachKindOfBrokenLedger) {
  const int m = fx::Material("Pine");
  const int r = fx::Receipt(QDate(2024, 1, 5), "R-1");
  const int lot = fx::Lot(r, m, -1, 4, 2);
  ASSERT_TRUE(LedgerViolations().isEmpty());

  ExecSQL(QStringLiteral("update CatalogQty set QUANTITY=5"));
  ExecSQL(QStringLiteral("update CatalogQty set RESERVE=-1"));
  ExecSQL(QStringLiteral("update WaybillCont set QTYOUT=4.5 where ID=%1").arg(lot));
  ExecSQL(QStringLiteral("update Waybill set SUM=9 where ID=%1").arg(r));
  ExecSQL("insert into Waybill (BDATE, NUM, ISOUT) values (\"2024-02-01\", \"1000000002\", 1)");
  const int doc = static_cast<int>(LastInsertID());
  ExecSQL(QStringLiteral("insert into WaybillCont (WAYBILLID, CATID, COLOR, QUANTITY, PRICE) values (%1, %2, -1, 0, 2)")
              .arg(doc)
              .arg(m));
  ExecSQL("insert into WaybillCont (WAYBILLID, CATID, COLOR, QUANTITY, PRICE) values (999, 1, -1, 1, 1)");
  ExecSQL(QStringLiteral("insert into WBList (INWBID, OUTWBID, OUTWBCONTID, INWBCONTID) values (%1, %2, 9999, %3)")
              .arg(r)
              .arg(doc)
              .arg(lot));
  // A second stock row of the pair, below zero; and two of a material whose colour flag was
  // changed, which the colour clean-up has yet to merge.
  ExecSQL(QStringLiteral("insert into CatalogQty (CATID, COLOR, QUANTITY) values (%1, -1, -2)").arg(m));
  const int changed = fx::Material("Oak");
  fx::StockRow(changed, 0, 0);
  fx::StockRow(changed, 0, 0);
  AllowCleanUpPending(changed);
  const QString all = LedgerViolations().join('\n');
  for (const char *expected : {"stock of material", "RESERVE of material", "outside 0..4", "its links move",
                               "has 0 lot links", "does not exist", "(kind 0) has SUM 9", "belongs to no document",
                               "(kind 1) has quantity 0", "is below zero: -2.000000", "colour -1 has 2 stock rows"})
    EXPECT_TRUE(all.contains(QLatin1String(expected))) << expected << "\n" << all.toStdString();
  EXPECT_FALSE(all.contains(QStringLiteral("material %1 colour 0").arg(changed))) << all.toStdString();
  CheckLedger = false;
}

// Every posting decides on its materials under their locks: a save prepared before another user
// deleted the material, or switched its colour flag and with it the colour codes of its rows,
// is refused whole, whatever the document.
TEST_F(Ledger, ASavePreparedBeforeAnotherUserChangedItsMaterialIsRefusedWhole) {
  struct TChange {
    const char *Name;
    std::function<void(int cat)> Apply;
  };
  const std::vector<TChange> changes{
      {"material deleted",
       [this](int cat) {
         Db->Exec(QStringLiteral("delete from WaybillCont where CATID=%1").arg(cat));
         Db->Exec(QStringLiteral("delete from CatalogQty where CATID=%1").arg(cat));
         Db->Exec(QStringLiteral("delete from Catalog where ID=%1").arg(cat));
       }},
      {"colour flag switched on, the codes rewritten",
       [this](int cat) {
         Db->Exec(QStringLiteral("update Catalog set ISCOLOR=1 where ID=%1").arg(cat));
         for (const char *table : {"CatalogQty", "WaybillCont", "WaybillInventory"})
           Db->Exec(QStringLiteral("update %1 set COLOR=0 where CATID=%2").arg(QLatin1String(table)).arg(cat));
       }},
  };
  using issuedoc::TOutLine;
  struct TSave {
    const char *Name;
    std::function<bool(int cat, int receipt, int lot)> Run;  // false: refused without an error
  };
  const issuedoc::TOutHeader out{.Date = "2024-03-10", .Num = "OUT-1"};
  const std::vector<TSave> saves{
      {"receipt",
       [](int cat, int, int) {
         RunInTransaction([&] {
           SaveReceipt(TReceiptHeader{.Date = "2024-03-10", .Num = "R-2", .SupplierID = 1, .Currency = 0},
                       {TReceiptLine{.CATID = cat, .COLOR = -1, .Quantity = 2, .Price = 3}}, {}, true);
         });
         return true;
       }},
      {"issue",
       [&](int cat, int receipt, int lot) {
         issuedoc::SaveOutgoing(DocKindIssue, out,
                                {TOutLine{.CatID = cat, .Color = -1, .LotID = lot, .Supplier = 1, .ReceiptID = receipt,
                                          .Quantity = 2, .Price = 2}});
         return true;
       }},
      {"reservation",
       [&](int cat, int, int) {
         issuedoc::SaveOutgoing(DocKindReservation, out,
                                {TOutLine{.CatID = cat, .Color = -1, .LotID = -1, .Supplier = 1, .ReceiptID = -1,
                                          .Quantity = 5, .Price = 2}});
         return true;
       }},
      {"count",
       [](int cat, int, int) {
         return PostCount({"2024-03-10", "C-1", QString()},
                          {TCountLine{.CATID = cat, .COLOR = -1, .SupplierID = 1, .Counted = 4, .Book = 0}})
                    .Outcome == TCountResult::Posted;
       }},
  };
  for (const TChange &change : changes)
    for (const TSave &save : saves) {
      SCOPED_TRACE(std::string(change.Name) + ", " + save.Name);
      Db->Exec("delete from WBList");
      Db->Exec("delete from WaybillInventory");
      Db->Exec("delete from WaybillCont");
      Db->Exec("delete from Waybill");
      Db->Exec("delete from CatalogQty");
      const int sup = fx::Supplier("Timber");
      const int cat = fx::Material("Pine", sup);
      const int receipt = fx::Receipt(QDate(2024, 1, 5), "R-1", sup);
      const int lot = fx::Lot(receipt, cat, -1, 10, 2);
      change.Apply(cat);  // after the lines were prepared
      const QString before = fx::Snapshot();
      bool stored = false;
      QString told;
      try {
        stored = save.Run(cat, receipt, lot);
      } catch (const std::exception &e) {
        told = QString::fromStdString(e.what());
      }
      EXPECT_FALSE(stored);
      EXPECT_EQ(fx::Snapshot().toStdString(), before.toStdString());
      EXPECT_TRUE(told.contains("другим пользователем")) << told.toStdString();
    }
}

TEST(LedgerLists, SumsCoverEveryLotOfEveryLine) {
  TMatList lines(2);
  lines[0].Kind = qtyMore;
  lines[0].Lots = {{1, 1, 2, 1.5}, {2, 1, 1, 4}};
  lines[1].Kind = qtyLess;
  lines[1].Lots = {{3, 2, 0.5, 10}};
  EXPECT_DOUBLE_EQ(MatSum(lines[0].Lots), 7);
  EXPECT_DOUBLE_EQ(MatSum({}), 0);
  EXPECT_DOUBLE_EQ(MatListSum(lines), 12);
  TFullList full(1);
  full[0].Lines = lines;
  ClearFullList(full);
  EXPECT_TRUE(full.isEmpty());
  EXPECT_EQ(QtySQL(-1.0000004), " -1.000000");
  EXPECT_TRUE(QtyIsZero(0.0000004));
  EXPECT_FALSE(QtyIsZero(0.000001));
}

}  // namespace
