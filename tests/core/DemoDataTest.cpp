// The demo data set: it loads into fresh databases, its stock rows agree with its documents,
// its lists and setup tree are what start-up and the windows expect, and start-up runs on it.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <QFile>
#include <QHash>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>

#include "DemoData.h"
#include "core/CommonVariables.h"
#include "core/DataUnit.h"
#include "core/Startup.h"
#include "platform/Registry.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"

namespace {

class DemoData : public DbTest {
 protected:
  // Rows of a query as lists of texts.
  static QVector<QStringList> Rows(const QString &sql) {
    TQuery q;
    q.SQL = sql;
    q.Open();
    QVector<QStringList> rows;
    for (q.First(); !q.Eof(); q.Next()) {
      QStringList row;
      for (int i = 0; i < q.FieldNames().size(); ++i) row << q.Fields(i).AsString();
      rows << row;
    }
    q.Close();
    return rows;
  }

  // Every pair of a stock row and its documents must agree; reported one failure per row.
  void ExpectStockAgreesWithDocuments() {
    // Quantity: receipts in, issues and count shortages out (both linked to their lots).
    const auto qty = Rows(
        "select cq.CATID, cq.COLOR, cq.QUANTITY, "
        " (select coalesce(sum(if(b.ISOUT=0, w.QUANTITY, -w.QUANTITY)), 0) from WaybillCont w "
        "  join Waybill b on b.ID=w.WAYBILLID where b.ISOUT in (0,1,6) and w.CATID=cq.CATID and w.COLOR=cq.COLOR), "
        " cq.RESERVE, "
        " (select coalesce(-sum(w.QUANTITY), 0) from WaybillCont w join Waybill b on b.ID=w.WAYBILLID "
        "  where b.ISOUT=3 and w.CATID=cq.CATID and w.COLOR=cq.COLOR), "
        " cq.LASTWBID, "
        " (select coalesce(max(b.ID), 0) from WaybillCont w join Waybill b on b.ID=w.WAYBILLID "
        "  where b.ISOUT=0 and w.CATID=cq.CATID and w.COLOR=cq.COLOR) "
        "from CatalogQty cq");
    ASSERT_GT(qty.size(), 50);
    for (const QStringList &r : qty) {
      const QString row = r[0] + "/" + r[1];
      EXPECT_NEAR(r[2].toDouble(), r[3].toDouble(), 1e-6) << "quantity of " << row.toStdString();
      EXPECT_GE(r[2].toDouble(), 0.0) << row.toStdString();
      EXPECT_NEAR(r[4].toDouble(), r[5].toDouble(), 1e-6) << "reserve of " << row.toStdString();
      EXPECT_GE(r[2].toDouble() + r[4].toDouble(), -1e-6) << "available of " << row.toStdString();
      EXPECT_EQ(r[6], r[7]) << "last receipt of " << row.toStdString();
    }
    // Every material and colour that a document moved has exactly one stock row.
    EXPECT_TRUE(Rows("select w.CATID, w.COLOR from WaybillCont w join Waybill b on b.ID=w.WAYBILLID "
                     "where b.ISOUT in (0,1,3,6) and not exists (select 1 from CatalogQty cq "
                     "where cq.CATID=w.CATID and cq.COLOR=w.COLOR)").isEmpty());
    EXPECT_TRUE(Rows("select CATID, COLOR from CatalogQty group by CATID, COLOR having count(*)>1").isEmpty());

    // Lots: issued quantity within bounds and equal to the lines linked to them; the linked
    // line is of the same material and colour, at the lot's price, in the linked document.
    EXPECT_TRUE(Rows("select w.ID from WaybillCont w join Waybill b on b.ID=w.WAYBILLID "
                     "where b.ISOUT=0 and (w.QTYOUT is null or w.QTYOUT<0 or w.QTYOUT>w.QUANTITY)").isEmpty());
    EXPECT_TRUE(Rows("select w.ID from WaybillCont w join Waybill b on b.ID=w.WAYBILLID "
                     "where b.ISOUT<>0 and w.QTYOUT is not null").isEmpty());
    EXPECT_TRUE(Rows("select ID from WaybillCont where QUANTITY<=0").isEmpty());
    const auto lots = Rows(
        "select w.ID, w.QTYOUT, (select coalesce(sum(o.QUANTITY), 0) from WBList l "
        " join WaybillCont o on o.ID=l.OUTWBCONTID where l.INWBCONTID=w.ID) "
        "from WaybillCont w join Waybill b on b.ID=w.WAYBILLID where b.ISOUT=0");
    int consumed = 0, closed = 0;
    for (const QStringList &r : lots) {
      EXPECT_NEAR(r[1].toDouble(), r[2].toDouble(), 1e-6) << "lot " << r[0].toStdString();
      if (r[1].toDouble() > 0) ++consumed;
    }
    closed = Rows("select ID from WaybillCont where QTYOUT is not null and QTYOUT=QUANTITY").size();
    EXPECT_GT(consumed, 0);
    EXPECT_GT(closed, 0) << "the demo shows used-up lots too";
    EXPECT_TRUE(Rows("select l.ID from WBList l join WaybillCont i on i.ID=l.INWBCONTID "
                     "join WaybillCont o on o.ID=l.OUTWBCONTID join Waybill ib on ib.ID=i.WAYBILLID "
                     "where l.INWBID<>i.WAYBILLID or l.OUTWBID<>o.WAYBILLID or ib.ISOUT<>0 "
                     "or i.CATID<>o.CATID or i.COLOR<>o.COLOR or abs(i.PRICE-o.PRICE)>1e-9").isEmpty());
    // Each issue and shortage line consumed exactly one lot.
    EXPECT_TRUE(Rows("select o.ID from WaybillCont o join Waybill b on b.ID=o.WAYBILLID where b.ISOUT in (1,6) "
                     "and (select count(*) from WBList l where l.OUTWBCONTID=o.ID)<>1").isEmpty());

    // Document sums; reservations are worth nothing; a count header holds the store's
    // open value at its date, which no later document changed when it is the last one.
    EXPECT_TRUE(Rows("select b.ID from Waybill b where b.ISOUT in (0,1,2,3,6) and abs(b.SUM - "
                     "(select coalesce(sum(w.QUANTITY*w.PRICE), 0) from WaybillCont w where w.WAYBILLID=b.ID))>0.005")
                    .isEmpty());
    EXPECT_TRUE(Rows("select ID from WaybillCont w where w.PRICE<>0 and w.WAYBILLID in "
                     "(select ID from Waybill where ISOUT=3)").isEmpty());
    // Only receipts and requests carry a currency and a rate.
    EXPECT_TRUE(Rows("select ID from Waybill where (ISOUT in (0,2)) <> (CURRENCY is not null and CURRENCYRATE is not null)")
                    .isEmpty());
    // Count lines: before - after is what the count's shortage document took of them.
    EXPECT_TRUE(Rows("select i.ID from WaybillInventory i join Waybill h on h.ID=i.WAYBILLID where h.ISOUT<>4 "
                     "or abs((i.QTYBEFORE-i.QTYAFTER) - (select sum(w.QUANTITY) from WaybillCont w join Waybill s "
                     "on s.ID=w.WAYBILLID where s.ISOUT=6 and s.NUM=concat(h.NUM,'L') and w.CATID=i.CATID "
                     "and w.COLOR=i.COLOR))>1e-6 or abs(i.SUM - (select sum(w.QUANTITY*w.PRICE) from WaybillCont w "
                     "join Waybill s on s.ID=w.WAYBILLID where s.ISOUT=6 and s.NUM=concat(h.NUM,'L') "
                     "and w.CATID=i.CATID and w.COLOR=i.COLOR))>0.005").isEmpty());
  }
};

TEST_F(DemoData, StockRowsAgreeWithTheDocuments) {
  Db->LoadDemo(1);
  ExpectStockAgreesWithDocuments();

  // The demo shows every kind of document the journals list.
  for (int kind : {0, 1, 2, 3, 4, 6})
    EXPECT_GT(SQLInt(QString("select count(*) from Waybill where ISOUT=%1").arg(kind)), 0) << "kind " << kind;
  const int documents = SQLInt("select count(*) from Waybill");
  EXPECT_GE(documents, 20);
  EXPECT_LE(documents, 99);
  EXPECT_EQ(SQLInt("select count(*) from Waybill where ISOUT=3"), 1);
  EXPECT_GT(SQLInt("select count(*) from WaybillInventory"), 0);
  // Several lots of one material and colour, so that oldest-first has something to choose.
  EXPECT_FALSE(Rows("select w.CATID, w.COLOR from WaybillCont w join Waybill b on b.ID=w.WAYBILLID "
                    "where b.ISOUT=0 group by w.CATID, w.COLOR having count(*)>1").isEmpty());

  // Numbers as the editors propose them: the kind's digit and the document's ID in nine
  // digits; the documents of one issue split by supplier share it with "-1", "-2".
  for (const QStringList &r : Rows("select ID, ISOUT, NUM from Waybill where ISOUT in (3,4)"))
    EXPECT_EQ(r[2], QString(r[1] == "3" ? "3" : "4") + QString("%1").arg(r[0].toInt(), 9, 10, QChar('0')));
  for (const QStringList &r : Rows("select ID, NUM from Waybill where ISOUT=1")) {
    const QString base = r[1].section('-', 0, 0);
    EXPECT_TRUE(base.size() == 10 && base.startsWith('1')) << r[1].toStdString();
    EXPECT_LE(base.mid(1).toInt(), r[0].toInt());
  }
  EXPECT_TRUE(Rows("select s.ID from Suppliers s where s.LASTNUM <> "
                   "(select count(*) from Waybill b where b.ISOUT=2 and b.SUPPLIERID=s.ID)").isEmpty());
  // Issue documents are split by the catalogue's supplier of their materials.
  EXPECT_TRUE(Rows("select w.ID from WaybillCont w join Waybill b on b.ID=w.WAYBILLID join Catalog c on c.ID=w.CATID "
                   "where b.ISOUT in (1,3,6) and b.SUPPLIERID<>c.SUPPLIER").isEmpty());
}

TEST_F(DemoData, ListsAndCatalogueFitTogether) {
  Db->LoadDemo(1);
  // Value lists are indexed by position: gap-free IDs from 1 (measures) and 0 (the others).
  EXPECT_EQ(SQLInt("select count(*) from Measures"), SQLInt("select max(ID) from Measures"));
  EXPECT_EQ(SQLInt("select min(ID) from Measures"), 1);
  EXPECT_EQ(SQLInt("select count(*) from Currencies"), SQLInt("select max(ID)+1 from Currencies"));
  EXPECT_EQ(SQLInt("select count(*) from DiscountGroups"), SQLInt("select max(ID)+1 from DiscountGroups"));
  EXPECT_EQ(Rows("select NAME from Currencies where ID=0").value(0).value(0), "EUR");
  EXPECT_DOUBLE_EQ(SQLFloat("select RATE from Currencies where ID=0"), 1.0);
  EXPECT_EQ(SQLInt("select count(*) from Users where ID=1"), 1);

  const int materials = SQLInt("select count(*) from Catalog");
  EXPECT_GE(materials, 200);
  EXPECT_LE(materials, 999);
  EXPECT_GT(SQLInt("select count(*) from Catalog where ISCOLOR=1"), 20);
  EXPECT_GT(SQLInt("select count(*) from Catalog where ISCOLOR=0"), 100);
  // Every reference of a material exists.
  EXPECT_TRUE(Rows("select c.ID from Catalog c where "
                   "not exists (select 1 from CatGroups g where g.ID=c.CATGROUP and g.SUBID=0) "
                   "or not exists (select 1 from CatGroups g where g.ID=c.CATGROUP and g.SUBID=c.SUBGROUP) "
                   "or c.SUBGROUP<1 "
                   "or not exists (select 1 from Measures m where m.ID=c.MEASURE) "
                   "or not exists (select 1 from Currencies m where m.ID=c.CURRENCY) "
                   "or not exists (select 1 from DiscountGroups m where m.ID=c.DISCOUNTGROUP) "
                   "or not exists (select 1 from Suppliers s where s.ID=c.SUPPLIER) "
                   "or c.NAME=''").isEmpty());
  EXPECT_GT(SQLInt("select count(*) from CatGroups where SUBID>0 and MINVALUE>0"), 5);
  // Materials without colour move only under -1; coloured ones under a colour code whose
  // system is their own, naming a colour group and colours of the setup tree.
  EXPECT_TRUE(Rows("select w.ID from WaybillCont w join Catalog c on c.ID=w.CATID "
                   "where (c.ISCOLOR=0) <> (w.COLOR=-1)").isEmpty());
  EXPECT_TRUE(Rows("select q.ID from CatalogQty q join Catalog c on c.ID=q.CATID "
                   "where (c.ISCOLOR=0) <> (q.COLOR=-1)").isEmpty());
  QSet<QByteArray> keys;
  TQuery setup;
  setup.SQL = QString("select NODEID from %1.Setup").arg(Db->Setup);
  setup.Open();
  for (setup.First(); !setup.Eof(); setup.Next()) keys.insert(setup.Fields(0).Value().toByteArray());
  setup.Close();
  const auto coloured = Rows("select distinct q.COLOR, c.SYSTEMID from CatalogQty q join Catalog c on c.ID=q.CATID "
                             "where c.ISCOLOR=1");
  ASSERT_FALSE(coloured.isEmpty());
  QSet<int> kinds;
  for (const QStringList &r : coloured) {
    const int code = r[0].toInt(), system = r[1].toInt();
    EXPECT_EQ(code >> 20, system) << code;
    const QByteArray group = QByteArray("0") + whdemo::SetupKeyChar(system) + "00" + whdemo::SetupKeyChar((code >> 16) & 0xF);
    EXPECT_TRUE(keys.contains(group + whdemo::SetupKeyChar((code >> 8) & 0xFF))) << code;
    EXPECT_TRUE(keys.contains(group + whdemo::SetupKeyChar(code & 0xFF))) << code;
    kinds.insert(SQLInt(QString("select BDATA from %1.Setup where NODEID=\"%2\"").arg(Db->Setup, QString::fromLatin1(group))));
  }
  EXPECT_GE(kinds.size(), 3) << "coloured stock in several kinds of colour group";
}

TEST_F(DemoData, SetupTreeGivesSystemsColoursPriceColumnsAndVat) {
  Db->LoadDemo(1);
  const QString setup = Db->Setup + ".Setup";
  EXPECT_DOUBLE_EQ(SQLFloat(QString("select FDATA from %1 where NODEID=\"321\"").arg(setup)), 21.0);
  // Systems are the consecutive children of "0"; each has colour groups (at most one per
  // price column) with colours, and "0"'s and every system's image is a Windows bitmap.
  int systems = 0;
  while (SQLInt(QString("select count(*) from %1 where NODEID=\"0%2\"").arg(setup).arg(whdemo::SetupKeyChar(systems))) == 1)
    ++systems;
  EXPECT_EQ(systems, 3);
  EXPECT_EQ(SQLInt(QString("select count(*) from %1 where NODEID like \"0_\"").arg(setup)), systems);
  QStringList buttons = {"0"};
  for (int s = 0; s < systems; ++s) {
    const QString system = QString("0%1").arg(whdemo::SetupKeyChar(s));
    buttons << system;
    const int groups = SQLInt(QString("select count(*) from %1 where NODEID like \"%2_\"")
                                  .arg(setup, system + "00"));
    EXPECT_GE(groups, 2);
    EXPECT_LE(groups, 5);
    EXPECT_GT(SQLInt(QString("select count(*) from %1 where NODEID like \"%2__\"").arg(setup, system + "00")), groups * 3);
    // Colour categories for the material card: the children of "<system>0".
    EXPECT_GE(SQLInt(QString("select count(*) from %1 where NODEID like \"%2_\"").arg(setup, system + "0")), 2);
  }
  for (const QString &node : buttons) {
    const int image = SQLInt(QString("select BCATID from %1 where NODEID=\"%2\"").arg(setup, node));
    ASSERT_GT(image, 0) << node.toStdString();
    TQuery q;
    q.SQL = QString("select BITMAP from Images where ID=%1").arg(image);
    q.Open();
    ASSERT_FALSE(q.Eof()) << node.toStdString();
    const QByteArray bytes = q.Fields(0).Value().toByteArray();
    q.Close();
    EXPECT_TRUE(bytes.startsWith("BM"));
    const QImage glyph = QImage::fromData(bytes, "BMP");
    EXPECT_EQ(glyph.size(), QSize(24, 24)) << node.toStdString();
  }
}

TEST_F(DemoData, StartupRunsOnTheDemo) {
  Db->LoadDemo(1);
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const TStartupResult result = Db->StartProgram(folder.path(), "Demo");
  EXPECT_EQ(result.Outcome, TStartupOutcome::Ready) << result.Message.toStdString();
  EXPECT_TRUE(Script().Messages().isEmpty());
  EXPECT_EQ(CurrentUser.ID, 1);
  EXPECT_EQ(CurrentUser.NAME, "Administrators");
  EXPECT_DOUBLE_EQ(VATPercent, 21.0);
  EXPECT_EQ(PriceCount, 5);
  StartupFreeLists();
}

TEST_F(DemoData, LargerScalesStayConsistentAndRepeatable) {
  const QDate day(2024, 2, 29);
  const whdemo::TDemoSql a = whdemo::DemoSql(3, day), b = whdemo::DemoSql(3, day);
  EXPECT_EQ(a.Main, b.Main);
  EXPECT_EQ(a.Setup, b.Setup);
  // The same data whatever compiler built the generator: the digests of what it gave when
  // they were taken (scale 1 on the 5th of March 2024 is the data of the reports' golden texts).
  const auto digest = [](const QStringList &statements) {
    return QCryptographicHash::hash(whdemo::Script(statements).toUtf8(), QCryptographicHash::Sha256).toHex();
  };
  EXPECT_EQ(digest(a.Main), "a53aec9a8c1539ab65f24c94d9be89fc91230272bf7b6cbf6505d97372abf7c9");
  EXPECT_EQ(digest(whdemo::DemoSql(1, QDate(2024, 3, 5)).Main),
            "348473db9b5cb9067fe27003746c92a1a656f835945fbeec08fc03976cc02ff1");
  EXPECT_THROW(whdemo::DemoSql(0, day), std::invalid_argument);

  Db->LoadDemo(3);
  ExpectStockAgreesWithDocuments();
  const int materials = SQLInt("select count(*) from Catalog");
  const int documents = SQLInt("select count(*) from Waybill");
  Db.reset();
  Db = std::make_unique<TTestDatabase>();
  Db->LoadDemo(1);
  EXPECT_EQ(materials, 3 * SQLInt("select count(*) from Catalog"));
  EXPECT_GT(documents, 2 * SQLInt("select count(*) from Waybill"));
  // Multi-row statements: the big set needs far fewer statements than rows.
  const whdemo::TDemoSql big = whdemo::DemoSql(100, day);
  EXPECT_LT(big.Main.size(), 400);
  qsizetype rows = 0;
  for (const QString &s : big.Main) rows += s.count(QStringLiteral("),\n(")) + 1;
  EXPECT_GT(rows, 60000);
}

}  // namespace
