#include "core/Ledger.h"

#include <QHash>
#include <algorithm>
#include <cmath>

#include "core/CommonVariables.h"
#include "core/DataUnit.h"
#include "core/DocNumbers.h"
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

}  // namespace

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
  materials = Distinct(materials);
  // The stock rows of the materials, locked with the room for new ones: a concurrent posting
  // of the same material waits, so that no material and colour gets a second row.
  QHash<TPair, int> rowOf;
  TQuery q;
  for (int from = 0; from < materials.size(); from += kBatch) {
    q.SQL = Format(QStringLiteral("select ID, CATID, COLOR from CatalogQty where CATID in (%s) order by ID for update"),
                   {IdList(materials, from, kBatch)});
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
  for (int from = 0; from < lines.size(); from += kBatch) {
    QStringList values;
    for (int i = from; i < std::min<int>(lines.size(), from + kBatch); ++i) {
      const TLineRow &l = lines[i];
      values << Format(QStringLiteral("(%d,%d,%d,%s,%s,%s)"),
                       {waybillId, l.CATID, l.COLOR, QtySQL(l.Quantity), QtySQL(l.Price),
                        l.Lot ? QStringLiteral("0.0") : QStringLiteral("NULL")});
    }
    ExecSQL(QStringLiteral("insert into WaybillCont (WAYBILLID,CATID,COLOR,QUANTITY,PRICE,QTYOUT) values") +
            values.join(QLatin1Char(',')));
  }
  if (!readIds) return {};
  // The document is held by this transaction, and new IDs grow in the order of the rows: its
  // lines with the highest IDs are the rows just inserted.
  TQuery q;
  q.SQL = Format(QStringLiteral("select ID from WaybillCont where WAYBILLID=%d order by ID desc limit %d"),
                 {waybillId, int(lines.size())});
  q.Open();
  QVector<int> ids;
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

void AddToLotsOut(const QMap<int, double> &perLot) {
  const QList<int> lots = perLot.keys();
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

QVector<TLockedLot> LockLots(const QVector<int> &catIds) {
  const QVector<int> materials = Distinct(catIds);
  QVector<TLockedLot> lots;
  TQuery q;
  for (int from = 0; from < materials.size(); from += kBatch) {
    q.SQL = Format(QStringLiteral("select w.ID, w.WAYBILLID, w.CATID, w.COLOR, w.QUANTITY, w.QTYOUT, w.PRICE "
                                  "from WaybillCont w join Waybill w1 on w1.ID=w.WAYBILLID "
                                  "where w1.ISOUT=%d and w.CATID in (%s) order by w1.BDATE, w.ID for update"),
                   {DocKindReceipt, IdList(materials, from, kBatch)});
    q.Open();
    for (const auto &row : q.Rows()) {
      TLockedLot lot;
      lot.ID = row[0].toInt();
      lot.WAYBILLID = row[1].toInt();
      lot.CATID = row[2].toInt();
      lot.COLOR = row[3].toInt();
      lot.Quantity = RoundQty(row[4].toDouble());
      lot.Out = row[5].isNull() ? 0 : RoundQty(row[5].toDouble());
      lot.Price = row[6].toDouble();
      lots << lot;
    }
    q.Close();
  }
  return lots;
}

void UpdateCatalogQty(int catId, int color, int lastWbId, double delta) {
  TTransaction tr;
  AddToStockRows({TStockDelta{catId, color, delta}}, lastWbId);
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
  for (const QVector<QVariant> &row : rows) {
    const int id = row.at(cID).toInt();
    const int catId = row.at(cCat).toInt();
    const int color = row.at(cColor).toInt();
    const double qty = row.at(cQty).toDouble();
    ExecSQL(Format(QStringLiteral("delete from WaybillCont where ID=%d"), {id}));
    const int last = SQLInt(Format(
        QStringLiteral("select max(w.WAYBILLID) as WBID from WaybillCont w left join Waybill w1 "
                       "on w1.ID=w.WAYBILLID where w.CATID=%d and w.COLOR=%d and w1.ISOUT=%d"),
        {catId, color, DocKindReceipt}));
    UpdateCatalogQty(catId, color, last, -qty);
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

void LockMaterials(const QVector<int> &catIds) {
  if (catIds.isEmpty()) return;
  QVector<int> ids = catIds;
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  QStringList list;
  for (int id : ids) list << QString::number(id);
  TQuery q;
  q.SQL = Format(QStringLiteral("select ID from Catalog where ID in (%s) order by ID lock in share mode"),
                 {list.join(QLatin1Char(','))});
  q.Open();
  const int found = q.RecordCount();
  q.Close();
  if (found != ids.size())
    throw EMaterialGone(QStringLiteral("Материал удалён из каталога другим пользователем: документ не сохранён."));
}

bool DeleteMaterial(int catId) {
  bool deleted = false;
  RunInTransaction([&] {
    deleted = false;
    // Gone already (deleted by another client): nothing is left to delete.
    deleted = SQLInt(Format(QStringLiteral("select ID from Catalog where ID=%d for update"), {catId})) < 1;
    if (deleted) return;
    const bool inUse =
        SQLInt(Format(QStringLiteral("select count(*) from WaybillCont where CATID=%d lock in share mode"), {catId})) > 0 ||
        SQLInt(Format(QStringLiteral("select count(*) from WaybillInventory where CATID=%d lock in share mode"),
                      {catId})) > 0 ||
        SQLInt(Format(QStringLiteral("select count(*) from CatalogQty where CATID=%d and "
                                     "(abs(QUANTITY)>=0.0000005 or abs(RESERVE)>=0.0000005) lock in share mode"),
                      {catId})) > 0;
    if (inUse) return;
    ExecSQL(Format(QStringLiteral("delete from CatalogQty where CATID=%d"), {catId}));
    ExecSQL(Format(QStringLiteral("delete from Catalog where ID=%d"), {catId}));
    deleted = true;
  });
  return deleted;
}
