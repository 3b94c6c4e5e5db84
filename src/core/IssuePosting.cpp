#include "core/IssuePosting.h"

#include <QHash>
#include <QMap>
#include <QSet>
#include <algorithm>

#include "core/CommonFunctions.h"
#include "core/CommonVariables.h"
#include "core/DataUnit.h"
#include "core/DocNumbers.h"
#include "core/MaterialPosting.h"
#include "core/Reversal.h"
#include "platform/Clock.h"
#include "platform/SysUtils.h"


namespace issuedoc {


QString DocNumber(const QString &typed, int k, int n) {
  return n == 1 ? typed : typed + QLatin1Char('-') + QString::number(k);
}

std::vector<int> CollectSuppliers(const std::vector<TOutLine> &lines) {
  std::vector<int> out;
  for (const TOutLine &l : lines)
    if (std::find(out.begin(), out.end(), l.Supplier) == out.end()) out.push_back(l.Supplier);
  return out;
}

QString LockIssueLots(const std::vector<TLotTake> &takes, QHash<int, TLockedLot> *locked) {
  if (takes.empty()) return QString();
  QMap<int, double> need;  // lot -> what the lines take from it
  QHash<int, const TLotTake *> first;
  QVector<int> lotIds;
  for (const TLotTake &t : takes) {
    need[t.LotID] += t.Quantity;
    if (!first.contains(t.LotID)) first.insert(t.LotID, &t);
    lotIds << t.LotID;
  }
  // Only the lots the lines take from, locked until the commit.
  const QHash<int, TLockedLot> lots = LockLotsByID(lotIds);
  if (locked) *locked = lots;
  QStringList problems;
  for (auto it = need.cbegin(); it != need.cend(); ++it) {
    const TLotTake &t = *first.value(it.key());
    const auto lot = lots.constFind(it.key());
    const bool found = lot != lots.cend() && lot->WAYBILLID == t.ReceiptID && lot->CATID == t.CatID && lot->COLOR == t.Color;
    const double remain = found ? lot->Remain() : 0;
    if (found && RoundQty(it.value()) <= remain + QtyEpsilon) continue;
    const QString name = SQLText(Format(QStringLiteral("select NAME from Catalog where ID=%d"), {t.CatID}));
    const QString num = SQLText(Format(QStringLiteral("select NUM from Waybill where ID=%d"), {t.ReceiptID}));
    problems << QStringLiteral("\"%1\" (pavadzīme %2): vajag %3, atlikums %4")
                    .arg(name, num, FloatToStr(RoundQty(it.value())), FloatToStr(std::max(0.0, remain)));
  }
  if (problems.isEmpty()) return QString();
  return QStringLiteral(
             "Pavadzīme netika saglabāta: kāds cits jau ir izsniedzis daļu no šīm partijām.\r\n%1\r\n"
             "Materiālu saraksts ir atjaunots; lūdzu, izdzēsiet šos nosaukumus un pielieciet tos "
             "no jauna.")
      .arg(problems.join(QStringLiteral("\r\n")));
}

int SaveHeader(int supplierId, const TOutHeader &h, double sum, int isOut) {
  return InsertHeader(TDocHeader{.Date = h.Date,
                                 .Num = h.Num,
                                 .OrdLink = h.OrdLink,
                                 .Notes = h.Notes,
                                 .Kind = isOut,
                                 .SupplierID = supplierId,
                                 .IsPaid = h.IsPaid,
                                 .Sum = sum});
}

int PostIssue(const TOutHeader &header, int supplierId, const std::vector<TIssueLine> &lines,
              const QHash<int, TLockedLot> *locked) {
  double sum = 0;
  for (const TIssueLine &l : lines) sum += l.Quantity * l.Price;
  const int id = SaveHeader(supplierId, header, RoundQty(sum), DocKindIssue);
  QVector<TLineRow> rows;
  QMap<int, double> perLot;
  QVector<TStockDelta> stock;
  for (const TIssueLine &l : lines) {
    rows << TLineRow{.CATID = l.CatID, .COLOR = l.Color, .Quantity = l.Quantity, .Price = l.Price};
    perLot[l.LotID] += l.Quantity;
    stock << TStockDelta{.CATID = l.CatID, .COLOR = l.Color, .Delta = -l.Quantity};
  }
  const QVector<int> lineIds = InsertLines(id, rows);
  if (lineIds.isEmpty()) return id;
  AddToLotsOut(perLot, locked);
  AddToStockRows(stock);
  QVector<TLinkRow> links;
  for (size_t i = 0; i < lines.size(); ++i)
    links << TLinkRow{.ReceiptID = lines[i].ReceiptID, .OutDocID = id, .OutLineID = lineIds[int(i)],
                      .LotLineID = lines[i].LotID};
  InsertLinks(links);
  return id;
}

double OpenLotStock(int catId, int color) {
  return SQLFloat(Format(QStringLiteral("select sum(w.QUANTITY-w.QTYOUT) as REMAIN from WaybillCont w left join "
                                        "Waybill w1 on w1.ID=w.WAYBILLID where w.CATID=%d and w.COLOR=%d and "
                                        "w1.ISOUT=%d and %s"),
                         {catId, color, DocKindReceipt, OpenLotSQL()}));
}

int PostReservation(const TOutHeader &header, int supplierId, const std::vector<TReserveLine> &lines,
                    bool *savingRequest) {
  const int id = SaveHeader(supplierId, header, 0, DocKindReservation);
  QVector<TLineRow> rows;
  QVector<TStockDelta> reserve;
  QVector<TLineRow> missing;
  for (const TReserveLine &l : lines) {
    rows << TLineRow{.CATID = l.CatID, .COLOR = l.Color, .Quantity = l.Quantity, .Price = 0};
    reserve << TStockDelta{.CATID = l.CatID, .COLOR = l.Color, .Delta = -l.Quantity};
    if (l.Missing > QtyEpsilon)
      missing << TLineRow{.CATID = l.CatID, .COLOR = l.Color, .Quantity = l.Missing, .Price = l.Price};
  }
  InsertLines(id, rows);
  AddToStockRows(reserve, -1, TStockColumn::Reserve);
  if (missing.isEmpty()) return id;
  // The automatic request for what the stock does not cover, dated ten days ahead.
  if (savingRequest) *savingRequest = true;
  TDocHeader request;
  request.Date = FormatServerDate(Clock::Today().addDays(10));
  request.Num = header.Num + QStringLiteral("_AReq");
  request.OrdLink = header.OrdLink;
  request.Notes = QStringLiteral("Computer Automatic Request");
  request.Kind = DocKindRequest;
  request.SupplierID = supplierId;
  InsertLines(InsertHeader(request), missing);
  if (savingRequest) *savingRequest = false;
  return id;
}

QString SaveOutgoing(int kind, const TOutHeader &header, const std::vector<TOutLine> &lines, bool *savingRequest) {
  const std::vector<int> suppliers = CollectSuppliers(lines);
  const int n = static_cast<int>(suppliers.size());
  QStringList numbers;
  for (int k = 0; k < n; ++k) {
    numbers << DocNumber(header.Num, k + 1, n);
    for (const TOutLine &l : lines)
      if (kind == DocKindReservation && l.Supplier == suppliers[k] && l.Missing > QtyEpsilon) {
        numbers << DocNumber(header.Num, k + 1, n) + QStringLiteral("_AReq");
        break;
      }
  }
  QString firstNum;
  RunInTransaction([&] {
    firstNum.clear();
    if (savingRequest) *savingRequest = false;
    LockDocNumbers();
    ClaimDocNumbers(numbers);
    // The materials must still be in the catalogue, and each line's colour must fit its flag.
    QVector<TMaterialUse> uses;
    for (const TOutLine &l : lines) uses << TMaterialUse{.CATID = l.CatID, .COLOR = l.Color};
    LockMaterials(uses);
    QHash<int, TLockedLot> lots;
    if (kind == DocKindIssue) {
      // Every lot the lines take from is locked and must still hold what they take.
      std::vector<TLotTake> takes;
      for (const TOutLine &l : lines)
        takes.push_back(TLotTake{.LotID = l.LotID, .CatID = l.CatID, .Color = l.Color, .ReceiptID = l.ReceiptID,
                                 .Quantity = l.Quantity});
      const QString refusal = LockIssueLots(takes, &lots);
      if (!refusal.isEmpty()) throw ELotTaken(refusal);
    }
    TOutHeader h = header;
    for (int k = 0; k < n; ++k) {
      h.Num = DocNumber(header.Num, k + 1, n);
      if (kind == DocKindIssue) {
        // Each line is valued at its lot's price as it stands now.
        std::vector<TIssueLine> doc;
        for (const TOutLine &l : lines)
          if (l.Supplier == suppliers[k])
            doc.push_back(TIssueLine{.CatID = l.CatID, .Color = l.Color, .LotID = l.LotID, .ReceiptID = l.ReceiptID,
                                     .Quantity = l.Quantity, .Price = lots.value(l.LotID).Price});
        PostIssue(h, suppliers[k], doc, &lots);
      } else {
        std::vector<TReserveLine> doc;
        for (const TOutLine &l : lines)
          if (l.Supplier == suppliers[k])
            doc.push_back(TReserveLine{.CatID = l.CatID, .Color = l.Color, .Quantity = l.Quantity, .Price = l.Price,
                                       .Missing = l.Missing});
        PostReservation(h, suppliers[k], doc, savingRequest);
      }
      if (k == 0) firstNum = h.Num;
    }
  });
  return firstNum;
}

bool UndoIssue(int waybillId) {
  TTransaction tr;
  if (LockDocumentForReversal(waybillId) != DocKindIssue) return false;
  TDelInfo links;
  LoadWBLinks(links, waybillId);
  // Lots get back what the lines took; stock rows rise by the same.
  TReversal r{.Document = SQLText(Format(QStringLiteral("select NUM from Waybill where ID=%d"), {waybillId})),
              .Refusal = QStringLiteral("Pavadzīmi %1 nevar dzēst: vēlāks dokuments jau ir mainījis materiāla %2 "
                                        "partijas vai atlikumu. Nekas netika mainīts.")};
  for (const TDelRec &l : links)
    if (!QtyIsZero(l.QUANTITY))
      r.Moves << TReverseMove{.LotID = l.INWBCONTID, .CATID = l.CATID, .COLOR = l.COLOR, .LotOut = -l.QUANTITY,
                              .Quantity = l.QUANTITY};
  Reverse(r);
  ExecSQL(Format(QStringLiteral("delete from WBList where OUTWBID=%d"), {waybillId}));
  // Every line of the issue goes, linked or not.
  ExecSQL(Format(QStringLiteral("delete from WaybillCont where WAYBILLID=%d"), {waybillId}));
  ExecSQL(Format(QStringLiteral("delete from Waybill where ID=%d"), {waybillId}));
  tr.Commit();
  return true;
}

}  // namespace issuedoc

// ---------------------------------------------------------------------------------------------
// Reservation write-off and deletion

namespace {

void Plan(int waybillId, bool lock, QVector<TWriteOffLine> &plan, QVector<TShortLine> &shorts, QVector<int> &lineIds) {
  plan.clear();
  shorts.clear();
  lineIds.clear();
  TQuery q;
  q.SQL = Format(QStringLiteral("select w.ID, w.CATID, w.COLOR, w.QUANTITY, c.NAME, c.SYSTEMID "
                                "from WaybillCont w left join Catalog c on c.ID=w.CATID "
                                "where w.WAYBILLID=%d order by w.CATID, w.ID"),
                 {waybillId});
  q.Open();
  const QVector<QVector<QVariant>> rows = q.Rows();
  q.Close();
  if (rows.isEmpty()) return;
  // The open lots of the lines' materials and colours, oldest receipt first, and the first stock
  // row of each pair.
  using TPair = QPair<int, int>;
  QVector<TPair> pairs;
  for (const auto &row : rows) pairs << TPair(row.at(1).toInt(), row.at(2).toInt());
  QHash<TPair, QVector<TLockedLot>> lots;
  for (const TLockedLot &lot : ReadPairLots(pairs, true, lock))
    if (lot.Remain() >= QtyEpsilon) lots[TPair(lot.CATID, lot.COLOR)] << lot;
  q.SQL = Format(QStringLiteral("select ID, CATID, COLOR, QUANTITY from CatalogQty where %s order by ID%s"),
                 {PairCondition(pairs), lock ? QStringLiteral(" for update") : QString()});
  q.Open();
  QHash<TPair, double> onHand;
  for (const auto &row : q.Rows()) {
    const TPair key(row.at(1).toInt(), row.at(2).toInt());
    if (!onHand.contains(key)) onHand.insert(key, RoundQty(row.at(3).toDouble()));
  }
  q.Close();
  // What the lines before have taken from a lot and from a stock row.
  QHash<int, double> taken;
  QHash<TPair, double> fromRow;
  for (const auto &row : rows) {
    const int lineId = row.at(0).toInt();
    const TPair key(row.at(1).toInt(), row.at(2).toInt());
    const double qty = RoundQty(row.at(3).toDouble());
    lineIds << lineId;
    // The stock row must hold the line on hand as well: a write-off never takes a stock row
    // below zero, also where the row and the open lots disagree.
    const bool hasStockRow = onHand.contains(key);
    const double available = hasStockRow ? RoundQty(onHand.value(key) - fromRow.value(key)) : 0;
    fromRow[key] += qty;
    const double rowMissing = hasStockRow && qty > available + QtyEpsilon ? RoundQty(qty - available) : 0;
    double rest = qty;
    for (const TLockedLot &lot : lots.value(key)) {
      if (rest < QtyEpsilon) break;
      const double remain = RoundQty(lot.Remain() - taken.value(lot.ID));
      if (remain < QtyEpsilon) continue;
      const double take = std::min(remain, rest);
      plan << TWriteOffLine{.CATID = key.first, .COLOR = key.second, .Price = lot.Price, .Quantity = take,
                            .LotLineID = lot.ID, .ReceiptID = lot.WAYBILLID};
      taken[lot.ID] += take;
      rest = RoundQty(rest - take);
    }
    if (!hasStockRow || rest >= QtyEpsilon || rowMissing >= QtyEpsilon) {
      TShortLine s;
      s.LineID = lineId;
      s.CATID = key.first;
      s.COLOR = key.second;
      s.Name = row.at(4).toString();
      s.SystemID = row.at(5).toInt();
      s.Reserved = qty;
      s.Missing = hasStockRow ? std::max(rest, rowMissing) : qty;
      shorts << s;
    }
  }
}

}  // namespace

void PlanReservationWriteOff(int waybillId, bool lock, QVector<TWriteOffLine> &plan, QVector<TShortLine> &shorts) {
  QVector<int> lineIds;
  Plan(waybillId, lock, plan, shorts, lineIds);
}

bool PostReservationWriteOff(int waybillId, QVector<TShortLine> &shorts) {
  bool done = false;
  RunInTransaction([&] {
    done = false;
    shorts.clear();
    if (LockDocumentForReversal(waybillId) != DocKindReservation) return;
    // Each line's colour must still fit its material's colour flag.
    QVector<TMaterialUse> uses;
    TQuery q;
    q.SQL = Format(QStringLiteral("select CATID, COLOR from WaybillCont where WAYBILLID=%d"), {waybillId});
    q.Open();
    for (const auto &row : q.Rows()) uses << TMaterialUse{.CATID = row.at(0).toInt(), .COLOR = row.at(1).toInt()};
    q.Close();
    LockMaterials(uses);
    QVector<TWriteOffLine> plan;
    QVector<int> lineIds;
    Plan(waybillId, true, plan, shorts, lineIds);
    if (!shorts.isEmpty()) return;

    double sum = 0;
    for (const TWriteOffLine &p : plan) sum += p.Price * p.Quantity;
    ExecSQL(Format(QStringLiteral("update Waybill set ISOUT=%d,SUM=%s,USERID=%d,LASTUPDATE=%s where ID=%d"),
                   {DocKindIssue, QtySQL(sum), int(CurrentUser.ID), DateTimeToSQL(Clock::Now()), waybillId}));
    // The reservation's lines are reused in order; further lots get new lines.
    QVector<int> issueLines;
    QVector<TLineRow> extra;
    for (int i = 0; i < plan.size(); ++i) {
      const TWriteOffLine &p = plan[i];
      if (i < lineIds.size()) {
        ExecSQL(Format(QStringLiteral("update WaybillCont set CATID=%d,COLOR=%d,QUANTITY=%s,PRICE=%s,QTYOUT=NULL "
                                      "where ID=%d"),
                       {p.CATID, p.COLOR, QtySQL(p.Quantity), QtySQL(p.Price), lineIds[i]}));
        issueLines << lineIds[i];
      } else {
        extra << TLineRow{.CATID = p.CATID, .COLOR = p.COLOR, .Quantity = p.Quantity, .Price = p.Price};
      }
    }
    issueLines << InsertLines(waybillId, extra);
    // Lines that held nothing to issue (a zero quantity) would stay behind as empty issue lines.
    for (int i = plan.size(); i < lineIds.size(); ++i)
      ExecSQL(Format(QStringLiteral("delete from WaybillCont where ID=%d"), {lineIds[i]}));
    QMap<int, double> perLot;
    QVector<TStockDelta> quantity, reserve;
    QVector<TLinkRow> links;
    for (int i = 0; i < plan.size(); ++i) {
      const TWriteOffLine &p = plan[i];
      perLot[p.LotLineID] += p.Quantity;
      quantity << TStockDelta{.CATID = p.CATID, .COLOR = p.COLOR, .Delta = -p.Quantity};
      reserve << TStockDelta{.CATID = p.CATID, .COLOR = p.COLOR, .Delta = p.Quantity};
      links << TLinkRow{.ReceiptID = p.ReceiptID, .OutDocID = waybillId, .OutLineID = issueLines[i],
                        .LotLineID = p.LotLineID};
    }
    AddToLotsOut(perLot);
    AddToStockRows(quantity);
    AddToStockRows(reserve, -1, TStockColumn::Reserve);
    InsertLinks(links);
    done = true;
  });
  return done;
}

bool DeleteReservation(int waybillId) {
  bool done = false;
  RunInTransaction([&] {
    done = false;
    if (LockDocumentForReversal(waybillId) != DocKindReservation) return;
    TReversal r{.Document = SQLText(Format(QStringLiteral("select NUM from Waybill where ID=%d"), {waybillId})),
                .Refusal = QStringLiteral("Rezervēšanu %1 nevar dzēst: materiāla %2 rezerve jau ir mainīta. "
                                          "Nekas netika mainīts.")};
    TQuery q;
    q.SQL = Format(QStringLiteral("select CATID, COLOR, QUANTITY from WaybillCont where WAYBILLID=%d"), {waybillId});
    q.Open();
    for (const auto &row : q.Rows())
      r.Moves << TReverseMove{.CATID = row.at(0).toInt(), .COLOR = row.at(1).toInt(), .Reserve = row.at(2).toDouble()};
    q.Close();
    Reverse(r);
    ExecSQL(Format(QStringLiteral("delete from WaybillCont where WAYBILLID=%d"), {waybillId}));
    ExecSQL(Format(QStringLiteral("delete from Waybill where ID=%d"), {waybillId}));
    done = true;
  });
  return done;
}
