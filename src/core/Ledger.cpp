#include "core/Ledger.h"

#include <QHash>
#include <QSet>
#include <algorithm>
#include <cmath>

#include "core/CommonVariables.h"
#include "core/DataUnit.h"
#include "core/DocNumbers.h"
#include "core/MaterialPosting.h"
#include "core/Reversal.h"
#include "platform/Clock.h"
#include "platform/SysUtils.h"

double RoundQty(double value) {
  const double r = std::round(value * 1e6) / 1e6;
  return r == 0.0 ? 0.0 : r;  // no "-0.000000" in SQL text
}

QString QtySQL(double value) { return Format(QStringLiteral("%10.6f"), {RoundQty(value)}); }

namespace {

// Rows per statement where many rows go into one insert or update.
constexpr int kBatch = 1000;

QString IdList(const QVector<int> &ids, int from = 0, int count = -1) {
  QStringList parts;
  const int end = count < 0 ? ids.size() : std::min<int>(ids.size(), from + count);
  for (int i = from; i < end; ++i) parts << QString::number(ids[i]);
  return parts.join(QLatin1Char(','));
}

QVector<int> Distinct(QVector<int> ids) {
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  return ids;
}

TLockedLot LotOf(const QVector<QVariant> &row) {
  TLockedLot lot;
  lot.ID = row[0].toInt();
  lot.WAYBILLID = row[1].toInt();
  lot.CATID = row[2].toInt();
  lot.COLOR = row[3].toInt();
  lot.Quantity = RoundQty(row[4].toDouble());
  lot.Out = row[5].isNull() ? 0 : RoundQty(row[5].toDouble());
  lot.Price = row[6].toDouble();
  return lot;
}
const QString kLotColumns = QStringLiteral("ID, WAYBILLID, CATID, COLOR, QUANTITY, QTYOUT, PRICE");


}  // namespace

QString PairCondition(const QVector<QPair<int, int>> &pairs, int from, int count) {
  QStringList parts;
  const int end = count < 0 ? pairs.size() : std::min<int>(pairs.size(), from + count);
  for (int i = from; i < end; ++i)
    parts << Format(QStringLiteral("(CATID=%d and COLOR=%d)"), {pairs[i].first, pairs[i].second});
  return parts.join(QStringLiteral(" or "));
}

QString OpenLotSQL(const QString &line) {
  return Format(QStringLiteral("(%s.QUANTITY-%s.QTYOUT)>0.0000005"), {line, line});
}

namespace {
void WriteStockRows(const QVector<TStockDelta> &deltas, int lastWbId, TStockColumn column, bool createMissing);
}

void AddToStockRows(const QVector<TStockDelta> &deltas, int lastWbId, TStockColumn column, bool createMissing) {
  try {
    WriteStockRows(deltas, lastWbId, column, createMissing);
  } catch (const EStockUpdate &) {
    throw;
  } catch (const EDatabaseError &e) {
    throw EStockUpdate(e);
  }
}

namespace {
void WriteStockRows(const QVector<TStockDelta> &deltas, int lastWbId, TStockColumn column, bool createMissing) {
  using TPair = QPair<int, int>;
  QHash<TPair, double> sum;
  QVector<TPair> order;
  QVector<int> materials;
  for (const TStockDelta &d : deltas) {
    const TPair key(d.CATID, d.COLOR);
    if (!sum.contains(key)) {
      order << key;
      materials << d.CATID;
    }
    sum[key] += d.Delta;
  }
  if (order.isEmpty()) return;
  // Whether a material and colour has a row is decided under the material's lock: a second
  // posting of the material waits for this one (or, on a cluster, is retried), so that no pair
  // gets a second row. The callers lock their materials first (and checked them then, under
  // that lock); one that did not is covered here.
  QVector<int> unlocked;
  for (int id : materials)
    if (!DATA->DB_Storage.LockedMaterials.contains(id)) unlocked << id;
  if (!unlocked.isEmpty()) LockMaterials(unlocked);
  QHash<TPair, int> rowOf;
  TQuery q;
  const QVector<TPair> pairs(order.begin(), order.end());
  for (int from = 0; from < pairs.size(); from += kBatch) {
    q.SQL = Format(QStringLiteral("select ID, CATID, COLOR from CatalogQty where %s order by ID for update"),
                   {PairCondition(pairs, from, kBatch)});
    q.Open();
    for (const auto &row : q.Rows()) {
      const TPair key(row[1].toInt(), row[2].toInt());
      if (!rowOf.contains(key)) rowOf.insert(key, row[0].toInt());
    }
    q.Close();
  }
  const QString col = column == TStockColumn::Quantity ? QStringLiteral("QUANTITY") : QStringLiteral("RESERVE");
  QVector<QPair<int, double>> updates;
  QStringList inserts;
  for (const TPair &p : order) {
    const double delta = RoundQty(sum.value(p));
    if (QtyIsZero(delta) && lastWbId <= 0) continue;
    const int row = rowOf.value(p, -1);
    if (row >= 1) {
      if (!QtyIsZero(delta) || lastWbId > 0) updates.push_back({row, delta});
    } else if (!createMissing) {
      continue;
    } else if (column == TStockColumn::Quantity && lastWbId > 0) {
      inserts << Format(QStringLiteral("(%d,%d,%s,%d)"), {p.first, p.second, QtySQL(delta), lastWbId});
    } else {
      inserts << Format(QStringLiteral("(%d,%d,%s)"), {p.first, p.second, QtySQL(delta)});
    }
  }
  const bool last = column == TStockColumn::Quantity && lastWbId > 0;
  for (int from = 0; from < updates.size(); from += kBatch) {
    QString cases;
    QVector<int> ids;
    for (int i = from; i < std::min<int>(updates.size(), from + kBatch); ++i) {
      cases += Format(QStringLiteral(" when %d then %s"), {updates[i].first, QtySQL(updates[i].second)});
      ids << updates[i].first;
    }
    ExecSQL(Format(QStringLiteral("update CatalogQty set %s=round(%s+case ID%s end,6)%s where ID in (%s)"),
                   {col, col, cases, last ? Format(QStringLiteral(", LASTWBID=%d"), {lastWbId}) : QString(),
                    IdList(ids)}));
  }
  const QString insertHead =
      last ? QStringLiteral("insert into CatalogQty (CATID,COLOR,QUANTITY,LASTWBID) values")
           : Format(QStringLiteral("insert into CatalogQty (CATID,COLOR,%s) values"), {col});
  for (int from = 0; from < inserts.size(); from += kBatch)
    ExecSQL(insertHead + inserts.mid(from, kBatch).join(QLatin1Char(',')));
}
}  // namespace

int InsertHeader(const TDocHeader &h) {
  const QString sum = h.SumInCents ? Format(QStringLiteral("%f"), {h.Sum}) : QtySQL(h.Sum);
  const QString ordLink = h.OrdLinkNull ? QStringLiteral("NULL") : QuoteSQL(h.OrdLink);
  if (h.HasCurrency)
    ExecSQL(Format(QStringLiteral("insert into Waybill (BDATE,NUM,ORDLINK,NOTES,ISOUT,SUPPLIERID,ISPAID,SUM,CURRENCY,"
                                  "CURRENCYRATE,USERID,LASTUPDATE) values(%s,%s,%s,%s,%d,%d,%d,%s,%d,%g,%d,%s)"),
                   {QuoteSQL(h.Date), QuoteSQL(h.Num), ordLink, QuoteSQL(h.Notes), h.Kind, h.SupplierID, h.IsPaid, sum,
                    h.Currency, h.Rate, int(CurrentUser.ID), DateTimeToSQL(Clock::Now())}));
  else
    ExecSQL(Format(QStringLiteral("insert into Waybill (BDATE,NUM,ORDLINK,NOTES,ISOUT,SUPPLIERID,ISPAID,SUM,USERID,"
                                  "LASTUPDATE) values(%s,%s,%s,%s,%d,%d,%d,%s,%d,%s)"),
                   {QuoteSQL(h.Date), QuoteSQL(h.Num), ordLink, QuoteSQL(h.Notes), h.Kind, h.SupplierID, h.IsPaid, sum,
                    int(CurrentUser.ID), DateTimeToSQL(Clock::Now())}));
  const qint64 id = LastInsertID();
  if (id < 1) throw EDatabaseError(QStringLiteral("no ID for the new document"));
  return static_cast<int>(id);
}

QVector<int> InsertLines(int waybillId, const QVector<TLineRow> &lines, bool readIds) {
  if (lines.isEmpty()) return {};
  // Where the server hands out one INSERT's IDs consecutively, they follow from its first.
  const TConnection &c = DATA->DB_Storage;
  QVector<int> ids;
  bool counted = readIds && c.ConsecutiveIDStep > 0;
  for (int from = 0; from < lines.size(); from += kBatch) {
    QStringList values;
    for (int i = from; i < std::min<int>(lines.size(), from + kBatch); ++i) {
      const TLineRow &l = lines[i];
      values << Format(QStringLiteral("(%d,%d,%d,%s,%s,%s)"),
                       {waybillId, l.CATID, l.COLOR, QtySQL(l.Quantity), QtySQL(l.Price),
                        l.Lot ? QStringLiteral("0.0") : QStringLiteral("NULL")});
    }
    const qint64 before = c.InsertID;
    ExecSQL(QStringLiteral("insert into WaybillCont (WAYBILLID,CATID,COLOR,QUANTITY,PRICE,QTYOUT) values") +
            values.join(QLatin1Char(',')));
    if (counted && c.InsertID > 0 && c.InsertID != before) {
      for (int i = 0; i < values.size(); ++i) ids << static_cast<int>(c.InsertID + i * c.ConsecutiveIDStep);
    } else {
      counted = false;
    }
  }
  if (!readIds) return {};
  if (counted) return ids;
  // The document is held by this transaction, and new IDs grow in the order of the rows: its
  // lines with the highest IDs are the rows just inserted.
  TQuery q;
  q.SQL = Format(QStringLiteral("select ID from WaybillCont where WAYBILLID=%d order by ID desc limit %d"),
                 {waybillId, int(lines.size())});
  q.Open();
  ids.clear();
  ids.reserve(lines.size());
  for (const auto &row : q.Rows()) ids.prepend(row[0].toInt());
  q.Close();
  if (ids.size() != lines.size()) throw EDatabaseError(QStringLiteral("document lines do not match what was inserted"));
  return ids;
}

void InsertLinks(const QVector<TLinkRow> &links) {
  for (int from = 0; from < links.size(); from += kBatch) {
    QStringList values;
    for (int i = from; i < std::min<int>(links.size(), from + kBatch); ++i)
      values << Format(QStringLiteral("(%d,%d,%d,%d)"),
                       {links[i].ReceiptID, links[i].OutDocID, links[i].OutLineID, links[i].LotLineID});
    ExecSQL(QStringLiteral("insert into WBList (INWBID,OUTWBID,OUTWBCONTID,INWBCONTID) values") +
            values.join(QLatin1Char(',')));
  }
}

namespace {

// The open lots kept per material and colour (table OpenLots), counted again for these pairs
// from their lots (a locking read: what is committed now, as the server's own count sees it);
// then the rows of the pairs that have open lots are written in one statement, and the rows
// of those that have none left deleted in another.
void RecountOpenLots(const QVector<QPair<int, int>> &pairs) {
  for (int from = 0; from < pairs.size(); from += kBatch) {
    QStringList open;
    for (int i = from; i < std::min<int>(pairs.size(), from + kBatch); ++i)
      open << Format(QStringLiteral("(w.OPENCAT=%d and w.COLOR=%d)"), {pairs[i].first, pairs[i].second});
    TQuery q;
    q.SQL = Format(QStringLiteral("select w.OPENCAT, w.COLOR, count(*), "
                                  "min(coalesce(w1.BDATE+0,-1)*4294967296+w.ID+2147483648) "
                                  "from WaybillCont w join Waybill w1 on w1.ID=w.WAYBILLID "
                                  "where (%s) and w1.ISOUT=%d group by w.OPENCAT, w.COLOR lock in share mode"),
                   {open.join(QStringLiteral(" or ")), DocKindReceipt});
    q.Open();
    QSet<QPair<int, int>> held;
    QStringList rows;
    for (const auto &r : q.Rows()) {
      held.insert({r[0].toInt(), r[1].toInt()});
      rows << QStringLiteral("(%1,%2,%3,%4)").arg(r[0].toInt()).arg(r[1].toInt()).arg(r[2].toLongLong())
                  .arg(r[3].toLongLong());
    }
    q.Close();
    if (!rows.isEmpty())
      ExecSQL(QStringLiteral("insert into OpenLots (CATID, COLOR, LOTS, OLDEST) values") + rows.join(QLatin1Char(',')) +
              QStringLiteral(" on duplicate key update LOTS=values(LOTS), OLDEST=values(OLDEST)"));
    QVector<QPair<int, int>> none;
    for (int i = from; i < std::min<int>(pairs.size(), from + kBatch); ++i)
      if (!held.contains(pairs[i])) none << pairs[i];
    if (!none.isEmpty()) ExecSQL(QStringLiteral("delete from OpenLots where ") + PairCondition(none));
  }
}

// The pairs that the server's trigger left to this session ("CATID,COLOR;..."), once each.
QVector<QPair<int, int>> LaterPairs(const QString &text) {
  QSet<QPair<int, int>> seen;
  for (const QString &item : text.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
    const QStringList parts = item.split(QLatin1Char(','));
    bool catOk = false, colorOk = false;
    const QPair<int, int> p(parts.value(0).toInt(&catOk), parts.value(1).toInt(&colorOk));
    if (parts.size() != 2 || !catOk || !colorOk) throw EDatabaseError(QStringLiteral("unexpected open-lot pair: ") + item);
    seen.insert(p);
  }
  QVector<QPair<int, int>> pairs(seen.begin(), seen.end());
  std::sort(pairs.begin(), pairs.end());
  return pairs;
}

// Whether a lot may open or close when delta is added to what was issued from it: the server
// holds a lot open while QUANTITY-QTYOUT>0.0000005, and a margin keeps the rounding of either
// side out of the guess (a wrong guess costs time, never a count).
bool MayOpenOrClose(const TLockedLot &lot, double delta) {
  constexpr double kOpen = 0.0000005, kMargin = 0.0001;
  const double before = lot.Quantity - lot.Out, after = before - delta;
  return (before > kOpen) != (after > kOpen) || std::abs(before - kOpen) < kMargin || std::abs(after - kOpen) < kMargin;
}

void UpdateLotsOut(const QList<int> &lots, const QMap<int, double> &perLot) {
  for (int from = 0; from < lots.size(); from += kBatch) {
    QString cases;
    QVector<int> ids;
    for (int i = from; i < std::min<int>(lots.size(), from + kBatch); ++i) {
      cases += Format(QStringLiteral(" when %d then %s"), {lots[i], QtySQL(perLot.value(lots[i]))});
      ids << lots[i];
    }
    ExecSQL(Format(QStringLiteral("update WaybillCont set QTYOUT=round(QTYOUT+case ID%s end,6) where ID in (%s)"),
                   {cases, IdList(ids)}));
  }
}

}  // namespace

void AddToLotsOut(const QMap<int, double> &perLot, const QHash<int, TLockedLot> *locked) {
  const QList<int> lots = perLot.keys();
  if (lots.isEmpty()) return;
  // The server's trigger counts the open lots of a lot's material and colour again whenever
  // the lot opens or closes. For a few lots that is cheaper than the two more statements of
  // counting later; beyond that, the lots that open or close here are counted again in
  // OpenLots by this session, after the update, once for all of them (see db/upgrade.sql).
  constexpr int kCountedByServer = 4;
  int turning = 0;
  for (int id : lots) {
    const auto lot = locked ? locked->constFind(id) : QHash<int, TLockedLot>::const_iterator();
    if (!locked || lot == locked->cend() || MayOpenOrClose(*lot, perLot.value(id))) ++turning;
  }
  if (turning <= kCountedByServer) {
    UpdateLotsOut(lots, perLot);
    return;
  }
  ExecSQL(QStringLiteral("set @OpenLotsLater=1, @OpenLotsLaterPairs=null"));
  QString later;
  try {
    UpdateLotsOut(lots, perLot);
    TQuery q;
    q.SQL = QStringLiteral("select @OpenLotsLaterPairs, @OpenLotsLater:=null");
    q.Open();
    later = q.Fields(0).AsString();
  } catch (...) {
    // The transaction is rolled back; the session's later writes are counted by the trigger.
    try {
      ExecSQL(QStringLiteral("set @OpenLotsLater=null"));
    } catch (...) {
    }
    throw;
  }
  if (!later.isEmpty()) RecountOpenLots(LaterPairs(later));
}


QHash<int, TLockedLot> LockLotsByID(const QVector<int> &lotIds) {
  const QVector<int> ids = Distinct(lotIds);
  QHash<int, TLockedLot> lots;
  TQuery q;
  for (int from = 0; from < ids.size(); from += kBatch) {
    // A receipt line carries an issued quantity (0 when nothing was issued); other lines none.
    q.SQL = Format(QStringLiteral("select %s from WaybillCont where ID in (%s) and QTYOUT is not null order by ID for update"),
                   {kLotColumns, IdList(ids, from, kBatch)});
    q.Open();
    for (const auto &row : q.Rows()) lots.insert(row[0].toInt(), LotOf(row));
    q.Close();
  }
  return lots;
}

QVector<TLockedLot> ReadPairLots(const QVector<QPair<int, int>> &pairs, bool openOnly, bool lock) {
  QVector<QPair<int, int>> distinct = pairs;
  std::sort(distinct.begin(), distinct.end());
  distinct.erase(std::unique(distinct.begin(), distinct.end()), distinct.end());
  QVector<TLockedLot> lots;
  TQuery q;
  for (int from = 0; from < distinct.size(); from += kBatch) {
    q.SQL = Format(QStringLiteral("select %s from WaybillCont where (%s) and QTYOUT is not null%s order by ID%s"),
                   {kLotColumns, PairCondition(distinct, from, kBatch),
                    openOnly ? QStringLiteral(" and ") + OpenLotSQL(QStringLiteral("WaybillCont")) : QString(),
                    lock ? QStringLiteral(" for update") : QString()});
    q.Open();
    for (const auto &row : q.Rows()) lots << LotOf(row);
    q.Close();
  }
  if (lots.isEmpty()) return lots;
  // Oldest receipt date first: the dates of the lots' receipts (only receipts hold lots).
  QVector<int> receipts;
  for (const TLockedLot &l : lots) receipts << l.WAYBILLID;
  receipts = Distinct(receipts);
  QHash<int, QDate> date;
  for (int from = 0; from < receipts.size(); from += kBatch) {
    q.SQL = Format(QStringLiteral("select ID, BDATE from Waybill where ID in (%s) and ISOUT=%d"),
                   {IdList(receipts, from, kBatch), DocKindReceipt});
    q.Open();
    for (const auto &row : q.Rows()) date.insert(row[0].toInt(), row[1].toDate());
    q.Close();
  }
  lots.erase(std::remove_if(lots.begin(), lots.end(), [&](const TLockedLot &l) { return !date.contains(l.WAYBILLID); }),
             lots.end());
  std::stable_sort(lots.begin(), lots.end(), [&](const TLockedLot &a, const TLockedLot &b) {
    const QDate da = date.value(a.WAYBILLID), db = date.value(b.WAYBILLID);
    return da != db ? da < db : a.ID < b.ID;
  });
  return lots;
}

void UpdateCatalogQty(int catId, int color, int lastWbId, double delta) {
  TTransaction tr;
  AddToStockRows({TStockDelta{.CATID = catId, .COLOR = color, .Delta = delta}}, lastWbId);
  tr.Commit();
}

void DeleteWaybillRows(int waybillId, const QString &linesSql, bool deleteHeader) {
  TTransaction tr;
  TQuery q;
  q.SQL = linesSql;
  q.Open();
  const int cID = q.FieldIndex(QStringLiteral("ID"));
  const int cCat = q.FieldIndex(QStringLiteral("CATID"));
  const int cColor = q.FieldIndex(QStringLiteral("COLOR"));
  const int cQty = q.FieldIndex(QStringLiteral("QUANTITY"));
  if (!q.IsEmpty() && (cID < 0 || cCat < 0 || cColor < 0 || cQty < 0))
    throw EDatabaseError(QStringLiteral("The lines to delete lack ID, CATID, COLOR or QUANTITY."));
  const QVector<QVector<QVariant>> rows = q.Rows();
  q.Close();
  // The lines leave stock as a reversal: a line that a later document used stays.
  TReversal r{.Document = QString(), .Refusal = QStringLiteral("Невозможно удалить строки накладной %1: материал %2 "
                                                               "уже использован. Ничего не изменено.")};
  if (!rows.isEmpty())
    r.Document = SQLText(Format(QStringLiteral("select NUM from Waybill where ID=%d"), {waybillId}));
  QVector<QPair<int, int>> pairs;
  for (const QVector<QVariant> &row : rows) {
    const int catId = row.at(cCat).toInt(), color = row.at(cColor).toInt();
    r.RemovedLots << row.at(cID).toInt();
    r.Moves << TReverseMove{.CATID = catId, .COLOR = color, .Quantity = -row.at(cQty).toDouble()};
    if (!pairs.contains(QPair<int, int>(catId, color))) pairs << QPair<int, int>(catId, color);
  }
  Reverse(r);
  for (int from = 0; from < r.RemovedLots.size(); from += kBatch)
    ExecSQL(Format(QStringLiteral("delete from WaybillCont where ID in (%s)"), {IdList(r.RemovedLots, from, kBatch)}));
  // Each stock row remembers the newest receipt that still has a line of its material and colour.
  for (const auto &[catId, color] : pairs) {
    const int last = SQLInt(Format(
        QStringLiteral("select max(w.WAYBILLID) as WBID from WaybillCont w left join Waybill w1 "
                       "on w1.ID=w.WAYBILLID where w.CATID=%d and w.COLOR=%d and w1.ISOUT=%d"),
        {catId, color, DocKindReceipt}));
    if (last > 0)
      AddToStockRows({TStockDelta{.CATID = catId, .COLOR = color, .Delta = 0}}, last, TStockColumn::Quantity, false);
  }
  if (deleteHeader) ExecSQL(Format(QStringLiteral("delete from Waybill where ID=%d"), {waybillId}));
  tr.Commit();
}

void LoadWBLinks(TDelInfo &links, int waybillId) {
  links.clear();
  TQuery q;
  q.SQL = QStringLiteral(
              "select w.ID, w.OUTWBCONTID, w.INWBCONTID, w1.CATID, w1.COLOR, w1.QUANTITY from "
              "WBList w  left join WaybillCont w1 on w.OUTWBCONTID=w1.ID where w.OUTWBID=") +
          QString::number(waybillId);
  q.Open();
  for (const QVector<QVariant> &row : q.Rows()) {
    TDelRec r;
    r.ID = row.value(0).toInt();
    r.OUTWBCONTID = row.value(1).toInt();
    r.INWBCONTID = row.value(2).toInt();
    r.CATID = row.value(3).toInt();
    r.COLOR = row.value(4).toInt();
    r.QUANTITY = row.value(5).toDouble();
    links << r;
  }
  q.Close();
}

void ClearMatList(TMatList &list) {
  for (TMatLine &line : list) line.Lots.clear();
  list.clear();
}

void ClearFullList(TFullList &list) {
  for (TSupplierLines &s : list) ClearMatList(s.Lines);
  list.clear();
}

double MatSum(const TMat &lots) {
  double sum = 0;
  for (const TMatRec &m : lots) sum += m.Quantity * m.Price;
  return sum;
}

double MatListSum(const TMatList &lines) {
  double sum = 0;
  for (const TMatLine &line : lines) sum += MatSum(line.Lots);
  return sum;
}
