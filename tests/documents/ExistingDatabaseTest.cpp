// A workshop's own database: the tables and columns of an existing installation, with its
// data, without what this program adds. The upgrade script adds that, as often as it runs,
// and changes nothing stored; the program then starts and saves documents on it.
#include <QMap>
#include <QTemporaryDir>

#include "core/SchemaCheck.h"
#include "core/Startup.h"
#include "documents/IssueTestKit.h"

using namespace issuekit;

namespace {

class ExistingDatabase : public DbTest {
 protected:
  ExistingDatabase() { Schema = TSchema::Described; }
  void TearDown() override {
    ShutdownData();
    DbTest::TearDown();
  }
  // A checksum of the stored values of every table of the main database: of its rows over
  // the columns that the table had before the upgrade (a column the server computes is no
  // stored value).
  QMap<QString, QString> Checksums() {
    QMap<QString, QString> sums;
    auto admin = testdb::Connect(Db->Main);
    TQuery tables(admin.get());
    tables.SQL = "select TABLE_NAME from information_schema.TABLES where TABLE_SCHEMA=database()";
    tables.Open();
    for (const auto &row : tables.Rows()) {
      const QString table = row[0].toString();
      if (!m_columns.contains(table)) {
        TQuery columns(admin.get());
        columns.SQL = "select COLUMN_NAME from information_schema.COLUMNS where TABLE_SCHEMA=database() and "
                      "TABLE_NAME=" + QuoteSQL(table) + " and IS_GENERATED='NEVER' order by ORDINAL_POSITION";
        columns.Open();
        QStringList values;
        for (const auto &c : columns.Rows()) values << "quote(`" + c[0].toString() + "`)";
        m_columns[table] = values.join(',');
      }
      TQuery q(admin.get());
      q.SQL = "select count(*), coalesce(bit_xor(crc32(concat_ws('|', " + m_columns[table] + "))), 0) from `" + table +
              '`';
      q.Open();
      sums[table] = q.Fields(0).AsString() + '/' + q.Fields(1).AsString();
    }
    return sums;
  }
  QMap<QString, QString> m_columns;  // per table: the values of its stored columns
};

TEST_F(ExistingDatabase, TheUpgradeRunsTwiceChangesNothingStoredAndTheProgramThenSavesAnIssue) {
  Db->LoadDemo(1);
  const QMap<QString, QString> before = Checksums();
  ASSERT_FALSE(before.contains("DocNumberLock"));
  ASSERT_EQ(MissingProgramSchema(DATA->DB_Storage).size(), 5);

  auto admin = testdb::Connect(Db->Main);
  for (int run = 1; run <= 2; ++run) {
    SCOPED_TRACE(run);
    testdb::ApplyFile(*admin, "db/upgrade.sql");
    EXPECT_EQ(MissingProgramSchema(DATA->DB_Storage), QStringList());
    const QMap<QString, QString> after = Checksums();
    for (auto it = before.cbegin(); it != before.cend(); ++it)
      EXPECT_EQ(after.value(it.key()), it.value()) << it.key().toStdString();
    EXPECT_EQ(after.size(), before.size() + 2);  // the two lock tables
    EXPECT_EQ(SQLInt("select count(*) from DocNumberLock"), 1);
  }

  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const TStartupResult started = Db->StartProgram(folder.path(), "Workshop");
  ASSERT_EQ(started.Outcome, TStartupOutcome::Ready) << started.Message.toStdString();
  // The oldest open lot of the demo's stock, issued whole.
  TQuery q;
  q.SQL = "select c.NAME from WaybillCont w join Waybill b on b.ID=w.WAYBILLID join Catalog c on c.ID=w.CATID "
          "where b.ISOUT=0 and w.COLOR=-1 and w.QUANTITY-w.QTYOUT>1 order by b.BDATE, w.ID limit 1";
  q.Open();
  const QString name = q.Fields(0).AsString();
  q.Close();
  ASSERT_FALSE(name.isEmpty());
  const int issues = fx::Count("Waybill", "ISOUT=1");
  TEditor e(-1, 1);
  const QString number = e.W->Edit1->text();
  e.Next();
  e.Add(name, "1");
  e.Save();
  EXPECT_TRUE(e.Saved()) << Script().LastMessage().toStdString();
  EXPECT_EQ(fx::Count("Waybill", "ISOUT=1"), issues + 1);
  EXPECT_EQ(fx::Count("Waybill", "NUM=" + QuoteSQL(number)), 1);
}

}  // namespace
