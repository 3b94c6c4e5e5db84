#include "core/Reversal.h"

#include <QHash>
#include <QMap>
#include <QSet>
#include <algorithm>

#include "core/DataUnit.h"
#include "core/MaterialPosting.h"
#include "platform/SysUtils.h"

namespace {

using TPair = QPair<int, int>;

QString IdList(const QVector<int> &ids) {
  QStringList parts;
  for (int id : ids) parts << QString::number(id);
  return parts.join(QLatin1Char(','));
}

[[noreturn]] void Refuse(const TReversal &r, int catId, int color) {
  throw EReversalRefused(QString(r.Refusal).replace(QStringLiteral("%1"), r.Document)
                             .replace(QStringLiteral("%2"), MaterialCaption(catId, color)));
}

}  // namespace

void Reverse(const TReversal &r) {
  QVector<int> materials;
  QVector<int> lotIds = r.RemovedLots;
  for (const TReverseMove &m : r.Moves) {
    materials << m.CATID;
    if (m.LotID > 0) lotIds << m.LotID;
  }
  LockMaterials(materials);
  const QHash<int, TLockedLot> lots = LockLotsByID(lotIds);

  // Lots: each stays within 0..QUANTITY; a removed lot was never issued from nor linked.
  QMap<int, double> perLot;
  for (const TReverseMove &m : r.Moves)
    if (m.LotID > 0 && !QtyIsZero(m.LotOut)) perLot[m.LotID] += m.LotOut;
  for (auto it = perLot.cbegin(); it != perLot.cend(); ++it) {
    const auto lot = lots.constFind(it.key());
    const TReverseMove &m = *std::find_if(r.Moves.cbegin(), r.Moves.cend(),
                                          [&](const TReverseMove &x) { return x.LotID == it.key(); });
    if (lot == lots.cend()) Refuse(r, m.CATID, m.COLOR);
    const double out = RoundQty(lot->Out + it.value());
    if (out < -QtyEpsilon || out > lot->Quantity + QtyEpsilon) Refuse(r, lot->CATID, lot->COLOR);
  }
  if (!r.RemovedLots.isEmpty()) {
    QSet<int> linked;
    TQuery q;
    q.SQL = Format(QStringLiteral("select distinct INWBCONTID from WBList where INWBCONTID in (%s) lock in share mode"),
                   {IdList(r.RemovedLots)});
    q.Open();
    for (const auto &row : q.Rows()) linked.insert(row[0].toInt());
    q.Close();
    for (int id : r.RemovedLots) {
      const auto lot = lots.constFind(id);
      if (lot != lots.cend() && (lot->Out >= QtyEpsilon || linked.contains(id))) Refuse(r, lot->CATID, lot->COLOR);
    }
  }

  // Stock rows: what every row of a material and colour holds together stays in range.
  QHash<TPair, double> quantity, reserve;
  QVector<TPair> order;
  for (const TReverseMove &m : r.Moves) {
    const TPair key(m.CATID, m.COLOR);
    if (!quantity.contains(key) && !reserve.contains(key)) order << key;
    quantity[key] += m.Quantity;
    reserve[key] += m.Reserve;
  }
  QHash<TPair, double> heldQuantity, heldReserve;
  QSet<TPair> hasRow;
  for (int from = 0; from < order.size(); from += 1000) {
    TQuery q;
    q.SQL = Format(QStringLiteral("select CATID, COLOR, QUANTITY, RESERVE from CatalogQty where %s order by ID for update"),
                   {PairCondition(order, from, 1000)});
    q.Open();
    for (const auto &row : q.Rows()) {
      const TPair key(row[0].toInt(), row[1].toInt());
      hasRow.insert(key);
      heldQuantity[key] += row[2].toDouble();
      heldReserve[key] += row[3].toDouble();
    }
    q.Close();
  }
  QVector<TStockDelta> quantities, reserves;
  for (const TPair &p : order) {
    const double dq = RoundQty(quantity.value(p)), dr = RoundQty(reserve.value(p));
    if (dq <= -QtyEpsilon && RoundQty(heldQuantity.value(p) + dq) <= -QtyEpsilon) Refuse(r, p.first, p.second);
    // A reservation without a stock row reserved nothing there, and its release makes none.
    if (dr >= QtyEpsilon && hasRow.contains(p) && RoundQty(heldReserve.value(p) + dr) >= QtyEpsilon)
      Refuse(r, p.first, p.second);
    if (!QtyIsZero(dq)) quantities << TStockDelta{.CATID = p.first, .COLOR = p.second, .Delta = dq};
    if (!QtyIsZero(dr)) reserves << TStockDelta{.CATID = p.first, .COLOR = p.second, .Delta = dr};
  }

  AddToLotsOut(perLot, &lots);
  AddToStockRows(quantities);
  AddToStockRows(reserves, -1, TStockColumn::Reserve, false);
}

QHash<int, int> LockDocumentsForReversal(const QVector<int> &waybillIds) {
  QVector<int> ids = waybillIds;
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  QHash<int, int> kinds;
  if (ids.isEmpty()) return kinds;
  TQuery q;
  q.SQL = Format(QStringLiteral("select ID, ISOUT from Waybill where ID in (%s) order by ID for update"), {IdList(ids)});
  q.Open();
  for (const auto &row : q.Rows()) kinds.insert(row[0].toInt(), row[1].toInt());
  q.Close();
  if (kinds.isEmpty()) return kinds;
  // The materials of the documents' lines: no line of a locked document comes or goes, and a
  // line's material never changes.
  const QVector<int> found(kinds.keyBegin(), kinds.keyEnd());
  q.SQL = Format(QStringLiteral("select distinct CATID from WaybillCont where WAYBILLID in (%s)"), {IdList(found)});
  q.Open();
  QVector<int> materials;
  for (const auto &row : q.Rows()) materials << row[0].toInt();
  q.Close();
  LockMaterials(materials);
  return kinds;
}

int LockDocumentForReversal(int waybillId) {
  return LockDocumentsForReversal({waybillId}).value(waybillId, -1);
}
