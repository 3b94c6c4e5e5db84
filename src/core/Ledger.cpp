#include "core/Ledger.h"

#include <QHash>
#include <algorithm>
#include <cmath>

#include "core/CommonVariables.h"
#include "core/DataUnit.h"
#include "core/DocNumbers.h"
#include "core/MyMsgUnit.h"
#include "core/inf_MatNotEnoughUnit.h"
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

void AddToStockRows(const QVector<TStockDelta> &deltas, int lastWbId, TStockColumn column) {
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

QVector<int> InsertLines(int waybillId, const QVector<TLineRow> &lines) {
  if (lines.isEmpty()) return {};
  qint64 first = -1;
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
    if (first < 0) first = LastInsertID();
  }
  // The document is held by this transaction: its lines from the first new ID on are the
  // rows just inserted, in their order.
  TQuery q;
  q.SQL = Format(QStringLiteral("select ID from WaybillCont where WAYBILLID=%d and ID>=%d order by ID"),
                 {waybillId, int(first)});
  q.Open();
  QVector<int> ids;
  ids.reserve(lines.size());
  for (const auto &row : q.Rows()) ids << row[0].toInt();
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

int FindStockRow(int catId, int color, bool forUpdate) {
  return SQLInt(Format(QStringLiteral("select ID from CatalogQty where CATID=%d and COLOR=%d "
                                      "order by ID limit 1"),
                       {catId, color}) +
                (forUpdate ? QStringLiteral(" for update") : QString()));
}

void ShowStockUpdateFailure(const std::exception &error) {
  if (dynamic_cast<const EStockUpdate *>(&error))
    ShowMessage(QStringLiteral("Ошибка при обновлении таблицы CatalogQty."));
}

void UpdateCatalogQty(int catId, int color, int lastWbId, double delta) {
  const bool outermost = DATA->DB_Storage.TransactionDepth == 0;
  try {
    TTransaction tr;
    const QString d = QtySQL(delta);
    const int row = FindStockRow(catId, color, true);
    if (row >= 1) {
      if (lastWbId > 0)
        ExecSQL(Format(QStringLiteral("update CatalogQty set QUANTITY=round(QUANTITY+%s,6), LASTWBID=%d where ID=%d"),
                       {d, lastWbId, row}));
      else
        ExecSQL(Format(QStringLiteral("update CatalogQty set QUANTITY=round(QUANTITY+%s,6) where ID=%d"), {d, row}));
    } else if (lastWbId > 0) {
      ExecSQL(Format(QStringLiteral("insert into CatalogQty (CATID,COLOR,QUANTITY,LASTWBID) values(%d,%d,%s,%d)"),
                     {catId, color, d, lastWbId}));
    } else {
      ExecSQL(Format(QStringLiteral("insert into CatalogQty (CATID,COLOR,QUANTITY) values(%d,%d,%s)"),
                     {catId, color, d}));
    }
    tr.Commit();
  } catch (const EStockUpdate &) {
    throw;
  } catch (const EDatabaseError &e) {
    // The guard above has rolled back by now.
    EStockUpdate failure(e);
    if (outermost) ShowStockUpdateFailure(failure);
    throw failure;
  }
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

// ---------------------------------------------------------------------------------------------

namespace {

void Plan(int waybillId, bool lock, QVector<TWriteOffLine> &plan, QVector<TShortLine> &shorts,
          QVector<int> &lineIds) {
  plan.clear();
  shorts.clear();
  lineIds.clear();
  const QString forUpdate = lock ? QStringLiteral(" for update") : QString();
  TQuery lines;
  lines.SQL = Format(QStringLiteral("select w.ID, w.CATID, w.COLOR, w.QUANTITY, c.NAME, c.SYSTEMID "
                                    "from WaybillCont w left join Catalog c on c.ID=w.CATID "
                                    "where w.WAYBILLID=%d order by w.CATID, w.ID"),
                     {waybillId});
  lines.Open();
  const QVector<QVector<QVariant>> rows = lines.Rows();
  lines.Close();
  // What the plan has already taken from a lot, for a reservation that names a material and
  // colour twice.
  QHash<int, double> taken;
  // What the lines before have already taken from a stock row.
  QHash<int, double> fromRow;
  for (const QVector<QVariant> &row : rows) {
    const int lineId = row.at(0).toInt();
    const int catId = row.at(1).toInt();
    const int color = row.at(2).toInt();
    const double qty = RoundQty(row.at(3).toDouble());
    lineIds << lineId;
    double rest = qty;
    // The stock row must hold the line on hand as well: a write-off never takes a stock row
    // below zero, also where the row and the open lots disagree.
    TQuery stockRow;
    stockRow.SQL = Format(QStringLiteral("select ID, QUANTITY from CatalogQty where CATID=%d and COLOR=%d "
                                         "order by ID limit 1"),
                          {catId, color}) +
                   forUpdate;
    stockRow.Open();
    const bool hasStockRow = !stockRow.IsEmpty();
    const int stockRowId = hasStockRow ? stockRow.Fields(0).AsInteger() : -1;
    const double onHand = hasStockRow ? RoundQty(stockRow.Fields(1).AsFloat() - fromRow.value(stockRowId)) : 0;
    stockRow.Close();
    if (hasStockRow) fromRow[stockRowId] += qty;
    const double rowMissing = hasStockRow && qty > onHand + QtyEpsilon ? RoundQty(qty - onHand) : 0;
    TQuery lots;
    lots.SQL = Format(QStringLiteral("select w.ID, w.WAYBILLID, (w.QUANTITY-w.QTYOUT) as REMAIN, w.PRICE "
                                     "from WaybillCont w join Waybill w1 on w1.ID=w.WAYBILLID "
                                     "where w.CATID=%d and w.COLOR=%d and w1.ISOUT=%d and "
                                     "(w.QUANTITY-w.QTYOUT)>0.0000005 order by w1.BDATE, w.ID"),
                      {catId, color, DocKindReceipt}) +
               forUpdate;
    if (rest >= QtyEpsilon) {
      lots.Open();
      for (const QVector<QVariant> &lot : lots.Rows()) {
        if (rest < QtyEpsilon) break;
        const int lotId = lot.at(0).toInt();
        const double remain = RoundQty(lot.at(2).toDouble() - taken.value(lotId));
        if (remain < QtyEpsilon) continue;
        const double take = remain <= rest ? remain : rest;
        TWriteOffLine p;
        p.CATID = catId;
        p.COLOR = color;
        p.Price = lot.at(3).toDouble();
        p.Quantity = take;
        p.LotLineID = lotId;
        p.ReceiptID = lot.at(1).toInt();
        plan << p;
        taken[lotId] += take;
        rest = RoundQty(rest - take);
      }
      lots.Close();
    }
    if (!hasStockRow || rest >= QtyEpsilon || rowMissing >= QtyEpsilon) {
      TShortLine s;
      s.LineID = lineId;
      s.CATID = catId;
      s.COLOR = color;
      s.Name = row.at(4).toString();
      s.SystemID = row.at(5).toInt();
      s.Reserved = qty;
      s.Missing = hasStockRow ? std::max(rest, rowMissing) : qty;
      shorts << s;
    }
  }
}

}  // namespace

void PlanReservationWriteOff(int waybillId, bool lock, QVector<TWriteOffLine> &plan,
                             QVector<TShortLine> &shorts) {
  QVector<int> lineIds;
  Plan(waybillId, lock, plan, shorts, lineIds);
}

bool WriteOffReservation(QWidget *owner, int waybillId) {
  QVector<TShortLine> shorts;
  bool done = false;
  // Inside a caller's transaction the caller reports a failure, after its transaction ended.
  const bool outermost = DATA->DB_Storage.TransactionDepth == 0;
  try {
  RunInTransaction([&] {
    done = false;
    shorts.clear();
    if (SQLInt(Format(QStringLiteral("select ISOUT from Waybill where ID=%d for update"), {waybillId})) !=
        DocKindReservation)
      return;
    QVector<TWriteOffLine> plan;
    QVector<int> lineIds;
    Plan(waybillId, true, plan, shorts, lineIds);
    if (!shorts.isEmpty()) return;

    double sum = 0;
    for (const TWriteOffLine &p : plan) sum += p.Price * p.Quantity;
    ExecSQL(Format(QStringLiteral("update Waybill set ISOUT=%d,SUM=%10.6f,USERID=%d,LASTUPDATE=%s where ID=%d"),
                   {DocKindIssue, sum, int(CurrentUser.ID), DateTimeToSQL(Clock::Now()), waybillId}));
    for (int i = 0; i < plan.size(); ++i) {
      const TWriteOffLine &p = plan[i];
      const QString qty = QtySQL(p.Quantity);
      int lineId;
      if (i < lineIds.size()) {
        lineId = lineIds[i];
        ExecSQL(Format(QStringLiteral("update WaybillCont set CATID=%d,COLOR=%d,QUANTITY=%s,PRICE=%10.6f,"
                                      "QTYOUT=NULL where ID=%d"),
                       {p.CATID, p.COLOR, qty, p.Price, lineId}));
      } else {
        ExecSQL(Format(QStringLiteral("insert into WaybillCont (WAYBILLID,CATID,COLOR,QUANTITY,PRICE,QTYOUT) "
                                      "values(%d,%d,%d,%s,%10.6f,NULL)"),
                       {waybillId, p.CATID, p.COLOR, qty, p.Price}));
        lineId = static_cast<int>(LastInsertID());
      }
      ExecSQL(Format(QStringLiteral("update WaybillCont set QTYOUT=round(QTYOUT+%s,6) where ID=%d"), {qty, p.LotLineID}));
      const int stockRow = FindStockRow(p.CATID, p.COLOR, true);
      ExecSQL(Format(QStringLiteral("update CatalogQty set QUANTITY=round(QUANTITY-%s,6), RESERVE=round(RESERVE+%s,6) where ID=%d"),
                     {qty, qty, stockRow}));
      ExecSQL(Format(QStringLiteral("insert into WBList (INWBID,OUTWBID,OUTWBCONTID,INWBCONTID) values(%d,%d,%d,%d)"),
                     {p.ReceiptID, waybillId, lineId, p.LotLineID}));
    }
    // Lines that held nothing to issue (a zero quantity) would stay behind as empty issue lines.
    for (int i = plan.size(); i < lineIds.size(); ++i)
      ExecSQL(Format(QStringLiteral("delete from WaybillCont where ID=%d"), {lineIds[i]}));
    done = true;
  });
  } catch (const std::exception &) {
    if (!outermost) throw;
    // Rolled back whole: the reservation stays as it was.
    ShowMessage(QStringLiteral("Ошибка при сохранении накладной."));
    return false;
  }
  if (!shorts.isEmpty()) {
    Tinf_MatNotEnough window(owner, waybillId, shorts);
    window.ShowModal();
  }
  return done;
}

bool DeleteReservation(int waybillId) {
  bool done = false;
  RunInTransaction([&] {
    done = false;
    if (SQLInt(Format(QStringLiteral("select ISOUT from Waybill where ID=%d for update"), {waybillId})) !=
        DocKindReservation)
      return;
    TQuery q;
    q.SQL = Format(QStringLiteral("select CATID, COLOR, QUANTITY from WaybillCont where WAYBILLID=%d"), {waybillId});
    q.Open();
    const QVector<QVector<QVariant>> rows = q.Rows();
    q.Close();
    for (const QVector<QVariant> &row : rows) {
      const int stockRow = FindStockRow(row.at(0).toInt(), row.at(1).toInt(), true);
      if (stockRow < 1) continue;  // the reservation could not lower a row that is not there
      ExecSQL(Format(QStringLiteral("update CatalogQty set RESERVE=round(RESERVE+%s,6) where ID=%d"),
                     {QtySQL(row.at(2).toDouble()), stockRow}));
    }
    ExecSQL(Format(QStringLiteral("delete from WaybillCont where WAYBILLID=%d"), {waybillId}));
    ExecSQL(Format(QStringLiteral("delete from Waybill where ID=%d"), {waybillId}));
    done = true;
  });
  return done;
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
    if (SQLInt(Format(QStringLiteral("select ID from Catalog where ID=%d for update"), {catId})) < 1) return;
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
