#include "support/LedgerCheck.h"

#include <gtest/gtest.h>

#include <QHash>
#include <QPair>
#include <QSet>
#include <cmath>

#include "core/DataUnit.h"

namespace {

using Key = QPair<int, int>;  // CATID, COLOR

QVector<QVector<QVariant>> Rows(const QString &sql) {
  TQuery q;
  q.SQL = sql;
  q.Open();
  QVector<QVector<QVariant>> rows = q.Rows();
  q.Close();
  return rows;
}

bool Differ(double a, double b, double abs = 0.00001) {
  return std::fabs(a - b) > abs + 1e-9 * std::max(std::fabs(a), std::fabs(b));
}

QString Pair(const Key &k) { return QStringLiteral("material %1 colour %2").arg(k.first).arg(k.second); }

QSet<int> g_cleanUpPending;

}  // namespace

void AllowCleanUpPending(int catId) { g_cleanUpPending.insert(catId); }
void ForgetCleanUpsPending() { g_cleanUpPending.clear(); }

QStringList LedgerViolations() {
  QStringList out;

  // Stock rows against the documents.
  struct Book {
    bool HasRow = false;
    double Quantity = 0, Reserve = 0, Moved = 0, Reserved = 0;
  };
  QHash<Key, Book> book;
  for (const auto &r : Rows(QStringLiteral(
           "select CATID, COLOR, sum(QUANTITY), sum(RESERVE) from CatalogQty group by CATID, COLOR"))) {
    Book &b = book[{r[0].toInt(), r[1].toInt()}];
    b.HasRow = true;
    b.Quantity = r[2].toDouble();
    b.Reserve = r[3].toDouble();
  }
  for (const auto &r : Rows(QStringLiteral(
           "select w.CATID, w.COLOR, b.ISOUT, sum(w.QUANTITY) from WaybillCont w join Waybill b "
           "on b.ID=w.WAYBILLID where b.ISOUT in (0,1,3,5,6) group by w.CATID, w.COLOR, b.ISOUT"))) {
    Book &b = book[{r[0].toInt(), r[1].toInt()}];
    const double q = r[3].toDouble();
    switch (r[2].toInt()) {
      case 0: case 5: b.Moved += q; break;
      case 1: case 6: b.Moved -= q; break;
      case 3: b.Reserved += q; break;
    }
  }
  for (auto it = book.cbegin(); it != book.cend(); ++it) {
    const Book &b = it.value();
    if (Differ(b.Quantity, b.Moved))
      out << QStringLiteral("stock of %1 is %2, its documents give %3")
                 .arg(Pair(it.key()))
                 .arg(b.Quantity, 0, 'f', 6)
                 .arg(b.Moved, 0, 'f', 6);
    if (b.HasRow && Differ(b.Reserve, -b.Reserved))
      out << QStringLiteral("RESERVE of %1 is %2, its open reservations hold %3")
                 .arg(Pair(it.key()))
                 .arg(b.Reserve, 0, 'f', 6)
                 .arg(b.Reserved, 0, 'f', 6);
  }

  // Each stock row on its own: never below zero, and one per material and colour.
  for (const auto &r : Rows(QStringLiteral("select ID, CATID, COLOR, QUANTITY from CatalogQty where QUANTITY < -0.0000005")))
    out << QStringLiteral("stock row %1 of %2 is below zero: %3")
               .arg(r[0].toInt())
               .arg(Pair({r[1].toInt(), r[2].toInt()}))
               .arg(r[3].toDouble(), 0, 'f', 6);
  for (const auto &r : Rows(QStringLiteral(
           "select CATID, COLOR, count(*) from CatalogQty group by CATID, COLOR having count(*)>1")))
    if (!g_cleanUpPending.contains(r[0].toInt()))
      out << QStringLiteral("%1 has %2 stock rows").arg(Pair({r[0].toInt(), r[1].toInt()})).arg(r[2].toInt());

  // Lots against their links.
  for (const auto &r : Rows(QStringLiteral(
           "select w.ID, w.QUANTITY, w.QTYOUT, coalesce(l.MOVED, 0) from WaybillCont w "
           "join Waybill b on b.ID=w.WAYBILLID left join (select k.INWBCONTID, "
           "sum(case when ob.ISOUT=5 then -o.QUANTITY else o.QUANTITY end) as MOVED from WBList k "
           "join WaybillCont o on o.ID=k.OUTWBCONTID join Waybill ob on ob.ID=o.WAYBILLID "
           "group by k.INWBCONTID) l on l.INWBCONTID=w.ID where b.ISOUT=0"))) {
    const int id = r[0].toInt();
    const double qty = r[1].toDouble(), moved = r[3].toDouble();
    if (r[2].isNull()) {
      out << QStringLiteral("lot %1 has no QTYOUT").arg(id);
      continue;
    }
    const double qtyOut = r[2].toDouble();
    if (qtyOut < -0.0000005 || qtyOut > qty + 0.0000005)
      out << QStringLiteral("lot %1 has QTYOUT %2 outside 0..%3").arg(id).arg(qtyOut).arg(qty);
    if (Differ(qtyOut, moved))
      out << QStringLiteral("lot %1 has QTYOUT %2, its links move %3").arg(id).arg(qtyOut).arg(moved);
  }

  // Outgoing lines and their one link each.
  for (const auto &r : Rows(QStringLiteral(
           "select o.ID, count(k.ID) from WaybillCont o join Waybill ob on ob.ID=o.WAYBILLID "
           "left join WBList k on k.OUTWBCONTID=o.ID where ob.ISOUT in (1,5,6) group by o.ID "
           "having count(k.ID)<>1")))
    out << QStringLiteral("outgoing line %1 has %2 lot links").arg(r[0].toInt()).arg(r[1].toInt());
  for (const auto &r : Rows(QStringLiteral(
           "select k.ID, k.INWBID, k.OUTWBID, o.ID, o.WAYBILLID, o.CATID, o.COLOR, i.ID, "
           "i.WAYBILLID, i.CATID, i.COLOR, ib.ISOUT from WBList k left join WaybillCont o on "
           "o.ID=k.OUTWBCONTID left join WaybillCont i on i.ID=k.INWBCONTID left join Waybill ib "
           "on ib.ID=i.WAYBILLID"))) {
    const int id = r[0].toInt();
    if (r[3].isNull()) {
      out << QStringLiteral("link %1 names an outgoing line that does not exist").arg(id);
      continue;
    }
    if (r[7].isNull() || r[11].isNull() || r[11].toInt() != 0) {
      out << QStringLiteral("link %1 names a lot that is not a receipt line").arg(id);
      continue;
    }
    if (r[4].toInt() != r[2].toInt() || r[8].toInt() != r[1].toInt())
      out << QStringLiteral("link %1 names the wrong documents").arg(id);
    if (r[5].toInt() != r[9].toInt() || r[6].toInt() != r[10].toInt())
      out << QStringLiteral("link %1 joins lines of different materials or colours").arg(id);
  }

  // Document sums.
  for (const auto &r : Rows(QStringLiteral(
           "select b.ID, b.ISOUT, b.SUM, coalesce(sum(w.QUANTITY*w.PRICE), 0) from Waybill b "
           "left join WaybillCont w on w.WAYBILLID=b.ID where b.ISOUT in (0,1,3) "
           "group by b.ID, b.ISOUT, b.SUM")))
    if (Differ(r[2].toDouble(), r[3].toDouble(), 0.0051))
      out << QStringLiteral("document %1 (kind %2) has SUM %3, its lines give %4")
                 .arg(r[0].toInt())
                 .arg(r[1].toInt())
                 .arg(r[2].toDouble(), 0, 'f', 6)
                 .arg(r[3].toDouble(), 0, 'f', 6);

  // The open lots kept per material and colour (OpenLots) and the stock rows that have them
  // (OpenStock), against what the lots, stock rows, materials and subgroups give now; where
  // the database has them.
  if (!Rows(QStringLiteral("select 1 from information_schema.TABLES where TABLE_SCHEMA=database() and "
                           "TABLE_NAME='OpenStock'")).isEmpty()) {
    const auto compare = [&](const QString &what, const QString &kept, const QString &given) {
      QHash<QString, QVector<QVariant>> keptRows, givenRows;
      for (const auto &r : Rows(kept)) keptRows.insert(r[0].toString(), r);
      for (const auto &r : Rows(given)) givenRows.insert(r[0].toString(), r);
      for (auto it = givenRows.cbegin(); it != givenRows.cend(); ++it) {
        const QVector<QVariant> k = keptRows.value(it.key());
        if (k.isEmpty()) {
          out << QStringLiteral("%1 lacks %2").arg(what, it.key());
          continue;
        }
        for (int i = 1; i < k.size(); ++i)
          if (k[i].isNull() != it.value()[i].isNull() || k[i].toString() != it.value()[i].toString())
            out << QStringLiteral("%1 %2 holds %3 in column %4, the data give %5")
                       .arg(what, it.key(), k[i].toString())
                       .arg(i)
                       .arg(it.value()[i].toString());
      }
      for (auto it = keptRows.cbegin(); it != keptRows.cend(); ++it)
        if (!givenRows.contains(it.key())) out << QStringLiteral("%1 has %2, the data give none").arg(what, it.key());
    };
    const QString open = QStringLiteral(
        "select w.OPENCAT as CATID, w.COLOR, count(*) as LOTS, "
        "min(coalesce(w1.BDATE+0,-1)*4294967296+w.ID+2147483648) as OLDEST from WaybillCont w join Waybill w1 "
        "on w1.ID=w.WAYBILLID where w.OPENCAT is not null and w1.ISOUT=0 group by w.OPENCAT, w.COLOR");
    compare(QStringLiteral("OpenLots"),
            QStringLiteral("select concat(CATID, '/', COLOR), LOTS, OLDEST from OpenLots"),
            QStringLiteral("select concat(CATID, '/', COLOR), LOTS, OLDEST from (%1) o").arg(open));
    const QString columns = QStringLiteral("CATID, COLOR, QUANTITY, CATGROUP, SUBGROUP, NAME, COMMENTS, SYSTEMID, MEASURE, MINVALUE");
    compare(QStringLiteral("OpenStock row"), QStringLiteral("select QTYID, %1 from OpenStock").arg(columns),
            QStringLiteral("select c1.ID, c1.CATID, c1.COLOR, c1.QUANTITY, c.CATGROUP, c.SUBGROUP, c.NAME, c.COMMENTS, "
                           "c.SYSTEMID, c.MEASURE, c2.MINVALUE from (%1) o join CatalogQty c1 on c1.CATID=o.CATID and "
                           "c1.COLOR=o.COLOR left join Catalog c on c.ID=c1.CATID left join CatGroups c2 on "
                           "(c.CATGROUP=c2.ID and c.SUBGROUP=c2.SUBID)")
                .arg(open));
  }

  // Lines without a document; empty ledger lines.
  for (const auto &r : Rows(QStringLiteral(
           "select w.ID from WaybillCont w left join Waybill b on b.ID=w.WAYBILLID where b.ID is null")))
    out << QStringLiteral("line %1 belongs to no document").arg(r[0].toInt());
  for (const auto &r : Rows(QStringLiteral(
           "select w.ID, b.ISOUT, w.QUANTITY from WaybillCont w join Waybill b on b.ID=w.WAYBILLID "
           "where b.ISOUT in (0,1,3,5,6) and w.QUANTITY < 0.0000005")))
    out << QStringLiteral("line %1 (kind %2) has quantity %3")
               .arg(r[0].toInt())
               .arg(r[1].toInt())
               .arg(r[2].toDouble());
  return out;
}

void ExpectLedgerConsistent() {
  QStringList problems;
  try {
    problems = LedgerViolations();
  } catch (const std::exception &e) {
    ADD_FAILURE() << "ledger check could not run: " << e.what();
    return;
  }
  for (const QString &p : problems) ADD_FAILURE() << "ledger: " << p.toStdString();
}
