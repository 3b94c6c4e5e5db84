#include <gtest/gtest.h>

#include <QApplication>

#include "core/DataUnit.h"
#include "platform/Clock.h"
#include "support/TestDatabase.h"

namespace {

class SqlRoutines : public DbTest {};

TEST_F(SqlRoutines, SingleValuesReportNoRowAndNullByTheirDefaults) {
  EXPECT_EQ(SQLInt("select max(ID) from Waybill"), -1);
  EXPECT_EQ(SQLInt("select ID from Waybill where ID=5"), -1);
  EXPECT_DOUBLE_EQ(SQLFloat("select max(SUM) from Waybill"), 0.0);
  EXPECT_DOUBLE_EQ(SQLFloat("select SUM from Waybill where ID=5"), -1.0);
  Clock::SetFixed(QDateTime(QDate(2026, 3, 7), QTime(10, 30)));
  EXPECT_EQ(SQLDate("select max(ENDDATE) from WriteOffLog"), QDateTime(QDate(2026, 3, 7), QTime(0, 0)));
  ExecSQL("insert into WriteOffLog (STARTDATE, ENDDATE) values (\"2004-01-01\", \"2004-03-07\")");
  EXPECT_EQ(SQLDate("select max(ENDDATE) from WriteOffLog").date(), QDate(2004, 3, 7));
  EXPECT_EQ(SQLInt("select 42"), 42);
  EXPECT_DOUBLE_EQ(SQLFloat("select 2.5"), 2.5);
}

TEST_F(SqlRoutines, ErrorsReachTheCaller) {
  EXPECT_THROW(ExecSQL("update NoSuchTable set X=1"), EDatabaseError);
  EXPECT_THROW(SQLInt("select nothing from nowhere"), EDatabaseError);
}

TEST_F(SqlRoutines, DateTimeLiteralWritesMinutesAfterHours) {
  EXPECT_EQ(DateTimeToSQL(QDateTime(QDate(2004, 3, 7), QTime(14, 5, 0))), "\"2004-03-07 14:05:00\"");
}

TEST_F(SqlRoutines, HostileTextsAreStoredVerbatimAndRunNothingElse) {
  ExecSQL("insert into Suppliers (NAME) values (\"Guard\")");
  const QStringList hostile = {
      "O'Brien \"Ltd\"", "back\\slash\\", "\"; delete from Suppliers; --", "\\\"; drop table Catalog; -- ",
      "line\nbreak", "trailing\\", "Rīga – Москва ₂"};
  for (const QString &text : hostile) {
    ExecSQL("insert into Suppliers (NAME, NOTES) values (" + QuoteSQL(text) + ", " + QuoteSQL(text) + ")");
    const int id = static_cast<int>(LastInsertID());
    TQuery q;
    q.SQL = QStringLiteral("select NAME from Suppliers where ID=%1").arg(id);
    q.Open();
    EXPECT_EQ(q.Fields(0).AsString(), text.left(50));
  }
  EXPECT_EQ(SQLInt("select count(*) from Suppliers where NAME=\"Guard\""), 1);
  EXPECT_EQ(SQLInt("select count(*) from Suppliers"), hostile.size() + 1);
  EXPECT_EQ(SQLInt("select count(*) from Catalog"), 0);  // the table still exists
}

TEST_F(SqlRoutines, LikePatternsKeepWildcardsAndMatchBackslashes) {
  ExecSQL("insert into Suppliers (NAME) values (" + QuoteSQL("a\\b") + ")");
  ExecSQL("insert into Suppliers (NAME) values (\"axb\")");
  ExecSQL("insert into Suppliers (NAME) values (\"50% off\")");
  EXPECT_EQ(SQLInt("select count(*) from Suppliers where NAME like " + QuoteLike("a\\b")), 1);
  EXPECT_EQ(SQLInt("select count(*) from Suppliers where NAME like " + QuoteLike("a_b")), 2);
  EXPECT_EQ(SQLInt("select count(*) from Suppliers where NAME like " + QuoteLike("%off")), 1);
  EXPECT_EQ(SQLInt("select count(*) from Suppliers where NAME like " + QuoteLike("\"%")), 0);
}

TEST_F(SqlRoutines, TransactionGuardRollsBackOnErrorAndNests) {
  try {
    TTransaction outer;
    ExecSQL("insert into Suppliers (NAME) values (\"kept?\")");
    {
      TTransaction inner;
      ExecSQL("insert into Suppliers (NAME) values (\"inner\")");
      // leaving without Commit rolls the savepoint back only
    }
    {
      TTransaction inner2;
      ExecSQL("insert into Suppliers (NAME) values (\"inner2\")");
      inner2.Commit();
    }
    EXPECT_EQ(SQLInt("select count(*) from Suppliers"), 2);
    ExecSQL("insert into NoSuchTable values (1)");
    outer.Commit();
  } catch (const EDatabaseError &) {
  }
  EXPECT_EQ(SQLInt("select count(*) from Suppliers"), 0);
  EXPECT_EQ(DATA->DB_Storage.TransactionDepth, 0);

  // A posting shows the busy cursor while it runs, once however deep it nests, and the
  // cursor comes back when it ends, committed or failed.
  auto busy = [] { return QApplication::overrideCursor() && QApplication::overrideCursor()->shape() == Qt::WaitCursor; };
  ASSERT_FALSE(busy());
  RunInTransaction([&] {
    EXPECT_TRUE(busy());
    ExecSQL("insert into Suppliers (NAME) values (\"a\")");
    RunInTransaction([] { ExecSQL("insert into Suppliers (NAME) values (\"b\")"); });
    EXPECT_TRUE(busy());
  });
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_THROW(RunInTransaction([] { ExecSQL("insert into NoSuchTable values (1)"); }), EDatabaseError);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(SQLInt("select count(*) from Suppliers"), 2);
  // Another connection sees the committed rows.
  auto other = testdb::Connect(Db->Main);
  TQuery q(other.get());
  q.SQL = "select count(*) from Suppliers";
  q.Open();
  EXPECT_EQ(q.Fields(0).AsInteger(), 2);
}

TEST_F(SqlRoutines, NewIdsComeFromThisConnection) {
  ExecSQL("insert into Suppliers (NAME) values (\"mine\")");
  auto other = testdb::Connect(Db->Main);
  other->Exec("insert into Suppliers (NAME) values ('theirs')");
  other->Exec("insert into Suppliers (NAME) values ('theirs2')");
  const int mine = static_cast<int>(LastInsertID());
  EXPECT_EQ(SQLInt(QStringLiteral("select count(*) from Suppliers where ID=%1 and NAME=\"mine\"").arg(mine)), 1);
}

}  // namespace
