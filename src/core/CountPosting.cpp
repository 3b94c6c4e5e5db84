#include "core/CountPosting.h"

#include <QMap>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <tuple>

#include "core/ColorList.h"
#include "core/CommonVariables.h"
#include "core/DataUnit.h"
#include "core/DocNumbers.h"
#include "core/MaterialPosting.h"
#include "core/Reversal.h"
#include "platform/SysUtils.h"

namespace {

using TPair = QPair<int, int>;  // CATID, COLOR
// Receipt lines of each material and colour, oldest receipt date first, then by line.
using TLotMap = QHash<TPair, QVector<TLockedLot>>;

class ECountRefused : public ERefused {
 public:
  using ERefused::ERefused;
};

double OpenQuantity(const QVector<TLockedLot> &lots) {
  double sum = 0;
  for (const TLockedLot &l : lots)
    if (l.Remain() >= QtyEpsilon) sum += l.Remain();
  return RoundQty(sum);
}

double OpenValue(const QVector<TLockedLot> &lots) {
  double sum = 0;
  for (const TLockedLot &l : lots)
    if (l.Remain() >= QtyEpsilon) sum += l.Remain() * l.Price;
  return sum;
}

// The suppliers of the lines in the order they first occur, each with its lines.
TFullList CollectSuppliers(const QString &num, const QVector<TCountLine> &lines) {
  TFullList list;
  for (const TCountLine &c : lines) {
    auto it = std::find_if(list.begin(), list.end(), [&](const TSupplierLines &s) { return s.SupplierID == c.SupplierID; });
    if (it == list.end()) {
      list.push_back(TSupplierLines());
      it = list.end() - 1;
      it->SupplierID = c.SupplierID;
    }
    TMatLine l;
    l.CATID = c.CATID;
    l.COLOR = c.COLOR;
    l.Counted = RoundQty(c.Counted);
    const double diff = RoundQty(l.Counted - RoundQty(c.Book));
    l.Kind = QtyIsZero(diff) ? qtyEqual : diff > 0 ? qtyMore : qtyLess;
    l.Diff = QtyIsZero(diff) ? 0 : std::abs(diff);
    it->Lines << l;
  }
  for (int k = 0; k < list.size(); ++k) list[k].Num = CountGroupNumber(num, k, list.size());
  return list;
}

double BookOf(const TMatLine &l) {
  return RoundQty(l.Kind == qtyLess ? l.Counted + l.Diff : l.Kind == qtyEqual ? l.Counted : l.Counted - l.Diff);
}

// Places each difference on the locked lots: a shortage on the open lots oldest first, a
// surplus back on the issued lots newest first; the lots' QTYOUT in the map follows. A surplus
// the issued quantities cannot take becomes qtyLessError.
void LoadLots(TMatList &lines, TLotMap &lots) {
  for (TMatLine &l : lines) {
    l.Lots.clear();
    if (l.Kind != qtyMore && l.Kind != qtyLess) continue;
    QVector<TLockedLot> &pairLots = lots[TPair(l.CATID, l.COLOR)];
    double rest = l.Diff;
    auto place = [&](TLockedLot &lot, double available, int sign) {
      const double take = std::min(available, rest);
      TMatRec m;
      m.LotLineID = lot.ID;
      m.ReceiptID = lot.WAYBILLID;
      m.Quantity = take;
      m.Price = lot.Price;
      l.Lots << m;
      lot.Out = RoundQty(lot.Out + sign * take);
      rest = RoundQty(rest - take);
    };
    if (l.Kind == qtyLess) {
      for (TLockedLot &lot : pairLots) {
        if (rest < QtyEpsilon) break;
        if (lot.Remain() >= QtyEpsilon) place(lot, lot.Remain(), +1);
      }
    } else {
      for (auto it = pairLots.rbegin(); it != pairLots.rend() && rest >= QtyEpsilon; ++it)
        if (it->Out >= QtyEpsilon) place(*it, it->Out, -1);
    }
    if (rest >= QtyEpsilon) {
      // The open lots were checked against the book quantity: only a surplus can be short.
      if (l.Kind != qtyMore) throw EDatabaseError(QStringLiteral("the open lots no longer cover a shortage"));
      l.Kind = qtyLessError;
    }
  }
}

// 1 shortages only, 2 surpluses only, 3 both, 0 neither.
uint8_t SubDocumentKinds(const TMatList &lines) {
  bool less = false, more = false;
  for (const TMatLine &l : lines) {
    less = less || l.Kind == qtyLess;
    more = more || l.Kind == qtyMore;
  }
  return (less ? 1 : 0) + (more ? 2 : 0);
}

double SumOfKind(const TMatList &lines, uint8_t kind) {
  double sum = 0;
  for (const TMatLine &l : lines)
    if (l.Kind == kind) sum += MatSum(l.Lots);
  return sum;
}

}  // namespace

QString CountGroupNumber(const QString &num, int k, int n) {
  return n == 1 ? num : Format(QStringLiteral("%s-%d"), {num, k + 1});
}

TCountResult PostCount(const TCountHeader &header, const QVector<TCountLine> &countLines) {
  TCountResult result;
  RunInTransaction([&] {
    result = TCountResult();
    LockDocNumbers();
    TFullList suppliers = CollectSuppliers(header.Num, countLines);
    // The materials must still be in the catalogue and each line's colour fit its flag; then
    // the lots of the counted materials and colours.
    QVector<TMaterialUse> uses;
    QVector<TPair> pairs;
    for (const TCountLine &c : countLines) {
      uses << TMaterialUse{.CATID = c.CATID, .COLOR = c.COLOR};
      pairs << TPair(c.CATID, c.COLOR);
    }
    LockMaterials(uses);
    TLotMap lots;
    for (const TLockedLot &lot : ReadPairLots(pairs, false)) lots[TPair(lot.CATID, lot.COLOR)] << lot;

    // Every line was counted against the open lots as the editor showed them.
    for (const TSupplierLines &s : suppliers)
      for (const TMatLine &l : s.Lines) {
        const TPair key(l.CATID, l.COLOR);
        const double open = OpenQuantity(lots.value(key));
        if (!QtyIsZero(open - BookOf(l))) {
          result.Outcome = TCountResult::Changed;
          result.Lines << key;
          result.BookNow.insert(key, open);
        }
      }
    if (result.Outcome != TCountResult::Posted) return;

    for (TSupplierLines &s : suppliers) LoadLots(s.Lines, lots);
    for (const TSupplierLines &s : suppliers)
      for (const TMatLine &l : s.Lines)
        if (l.Kind == qtyLessError) result.Lines << TPair(l.CATID, l.COLOR);
    if (!result.Lines.isEmpty()) {
      result.Outcome = TCountResult::Excess;
      return;
    }

    // Every number the posting writes must still be free.
    QStringList numbers{header.Num};
    for (const TSupplierLines &s : suppliers) {
      const uint8_t kinds = SubDocumentKinds(s.Lines);
      if (kinds & 1) numbers << s.Num + QStringLiteral("L");
      if (kinds & 2) numbers << s.Num + QStringLiteral("M");
    }
    ClaimDocNumbers(numbers);

    TDocHeader h;
    h.Date = header.Date;
    h.Num = header.Num;
    h.OrdLinkNull = true;
    h.Notes = header.Notes;
    h.Kind = DocKindStockCount;
    h.SupplierID = -1;
    h.IsPaid = 1;
    result.CountID = InsertHeader(h);

    QVector<TStockDelta> stock;
    QMap<int, double> lotsOut;
    QStringList countRows;
    for (TSupplierLines &s : suppliers) {
      const uint8_t kinds = SubDocumentKinds(s.Lines);
      for (const uint8_t kind : {uint8_t(qtyLess), uint8_t(qtyMore)}) {
        if (!(kinds & (kind == qtyLess ? 1 : 2))) continue;
        TDocHeader sub = h;
        sub.Num = s.Num + (kind == qtyLess ? QStringLiteral("L") : QStringLiteral("M"));
        sub.Kind = kind == qtyLess ? DocKindCountShortage : DocKindCountSurplus;
        sub.SupplierID = s.SupplierID;
        sub.Sum = SumOfKind(s.Lines, kind);
        const int doc = InsertHeader(sub);
        (kind == qtyLess ? s.ShortageDocID : s.SurplusDocID) = doc;
        QVector<TLineRow> rows;
        QVector<const TMatRec *> moved;
        for (const TMatLine &l : s.Lines) {
          if (l.Kind != kind) continue;
          double total = 0;
          for (const TMatRec &m : l.Lots) {
            if (m.Quantity < QtyEpsilon) continue;
            rows << TLineRow{.CATID = l.CATID, .COLOR = l.COLOR, .Quantity = m.Quantity, .Price = m.Price};
            moved << &m;
            lotsOut[m.LotLineID] += kind == qtyLess ? m.Quantity : -m.Quantity;
            total += m.Quantity;
          }
          stock << TStockDelta{.CATID = l.CATID, .COLOR = l.COLOR, .Delta = kind == qtyLess ? -total : total};
          countRows << Format(QStringLiteral("(%d,%d,%d,%s,%s,%s,%s)"),
                              {result.CountID, l.CATID, l.COLOR, QtySQL(BookOf(l)), QtySQL(l.Counted),
                               QtySQL(MatSum(l.Lots)), QtySQL(OpenValue(lots.value(TPair(l.CATID, l.COLOR))))});
        }
        const QVector<int> ids = InsertLines(doc, rows);
        QVector<TLinkRow> links;
        for (int i = 0; i < ids.size(); ++i)
          links << TLinkRow{.ReceiptID = moved[i]->ReceiptID, .OutDocID = doc, .OutLineID = ids[i],
                            .LotLineID = moved[i]->LotLineID};
        InsertLinks(links);
      }
    }
    AddToLotsOut(lotsOut);
    AddToStockRows(stock);
    for (int from = 0; from < countRows.size(); from += 1000)
      ExecSQL(QStringLiteral("insert into WaybillInventory (WAYBILLID,CATID,COLOR,QTYBEFORE,QTYAFTER,SUM,REMAIN) values") +
              countRows.mid(from, 1000).join(QLatin1Char(',')));

    const double total = SQLFloat(Format(QStringLiteral("select sum((w.QUANTITY-w.QTYOUT)*w.PRICE) from WaybillCont w  "
                                                        "left join Waybill w1 on w1.ID=w.WAYBILLID where w1.ISOUT=%d and %s"),
                                         {DocKindReceipt, OpenLotSQL()}));
    ExecSQL(Format(QStringLiteral("update Waybill set SUM=%s where ID=%d"), {QtySQL(total), result.CountID}));
  });
  return result;
}

// ---------------------------------------------------------------------------------------------
// Deletion

namespace {

// Whether num is the number of one of the count's own sub-documents of the kind: the count's
// number, optionally "-" and the supplier's position, then "L" (shortage) or "M" (surplus).
bool IsSubDocumentNumber(const QString &num, const QString &countNum, int kind) {
  if (!num.startsWith(countNum)) return false;
  const QString suffix = num.mid(countNum.size());
  static const QRegularExpression shortage(QStringLiteral("^(-[0-9]+)?L$"));
  static const QRegularExpression surplus(QStringLiteral("^(-[0-9]+)?M$"));
  return (kind == DocKindCountShortage ? shortage : surplus).match(suffix).hasMatch();
}

// The sub-documents found for a count must move exactly what its count lines say: per
// material and colour, surpluses less shortages equal counted less book quantity. Anything
// else means that documents of another count were taken for its own (or its own are
// missing), and the deletion is refused rather than guessed.
void VerifyCountSubDocuments(int countId, const QString &countNum, const QVector<QPair<int, int>> &subDocs) {
  QHash<TPair, double> expected, moved;
  TQuery q;
  q.SQL = Format(QStringLiteral("select CATID, COLOR, QTYBEFORE, QTYAFTER from WaybillInventory where WAYBILLID=%d"),
                 {countId});
  q.Open();
  for (const auto &row : q.Rows())
    expected[{row[0].toInt(), row[1].toInt()}] += RoundQty(row[3].toDouble()) - RoundQty(row[2].toDouble());
  q.Close();
  for (const auto &[docId, kind] : subDocs) {
    q.SQL = Format(QStringLiteral("select CATID, COLOR, QUANTITY from WaybillCont where WAYBILLID=%d"), {docId});
    q.Open();
    for (const auto &row : q.Rows()) {
      const double qty = RoundQty(row[2].toDouble());
      moved[{row[0].toInt(), row[1].toInt()}] += kind == DocKindCountSurplus ? qty : -qty;
    }
    q.Close();
  }
  bool fits = true;
  for (auto it = expected.cbegin(); it != expected.cend() && fits; ++it) {
    const double want = RoundQty(it.value()), got = RoundQty(moved.value(it.key()));
    // Older postings took for a shortage only what the open lots held.
    fits = want >= 0 ? QtyIsZero(got - want) : got <= -QtyEpsilon && got >= want - QtyEpsilon;
  }
  for (auto it = moved.cbegin(); it != moved.cend() && fits; ++it)
    fits = QtyIsZero(RoundQty(it.value())) || expected.contains(it.key());
  if (!fits)
    throw ECountRefused(Format(QStringLiteral("Inventarizāciju %s nevar dzēst: tās apakšdokumentus nevar droši "
                                              "atšķirt no citiem dokumentiem ar līdzīgu numuru."),
                               {countNum}));
}

// A text matched as it stands by a like pattern ('%', '_' and the backslash lose their meaning).
QString EscapeLikeLiteral(const QString &text) {
  QString out;
  for (QChar c : text) {
    if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_')) out += QLatin1Char('\\');
    out += c;
  }
  return out;
}

// The count's own sub-documents, found by their numbers (a plain read: no other document is
// locked to find them). The posting writes them after the count's header while it holds the
// number lock, so a sub-document belongs to the nearest count before it whose number it fits
// ("A-1L" fits both "A-1" and "A").
QVector<QPair<int, int>> FindSubDocuments(int countId, const QString &countNum) {
  TQuery q;
  const QString prefix = Format(QStringLiteral("NUM like %s and left(NUM, %d)=%s"),
                                {QuoteSQL(EscapeLikeLiteral(countNum) + QLatin1Char('%')), int(countNum.size()),
                                 QuoteSQL(countNum)});
  q.SQL = Format(QStringLiteral("select ID, ISOUT, NUM from Waybill where ISOUT in (%d,%d) and ID>%d and %s order by ID"),
                 {DocKindCountSurplus, DocKindCountShortage, countId, prefix});
  q.Open();
  QVector<std::tuple<int, int, QString>> candidates;
  for (const auto &row : q.Rows())
    if (IsSubDocumentNumber(row[2].toString(), countNum, row[1].toInt()))
      candidates.push_back({row[0].toInt(), row[1].toInt(), row[2].toString()});
  q.Close();
  QVector<QPair<int, QString>> laterCounts;
  if (!candidates.isEmpty()) {
    q.SQL = Format(QStringLiteral("select ID, NUM from Waybill where ISOUT=%d and ID>%d and ID<%d order by ID"),
                   {DocKindStockCount, countId, std::get<0>(candidates.last())});
    q.Open();
    for (const auto &row : q.Rows()) laterCounts.push_back({row[0].toInt(), row[1].toString()});
    q.Close();
  }
  QVector<QPair<int, int>> subDocs;
  for (const auto &[id, kind, num] : candidates) {
    bool other = false;
    for (const auto &[laterId, laterNum] : laterCounts)
      other = other || (laterId < id && IsSubDocumentNumber(num, laterNum, kind));
    if (!other) subDocs.push_back({id, kind});
  }
  return subDocs;
}


}  // namespace

QString DeleteCount(int countId, const QString &countNum) {
  try {
    RunInTransaction([&] {
      const QVector<QPair<int, int>> found = FindSubDocuments(countId, countNum);
      // The count and its sub-documents are locked by their IDs, with the materials of their
      // lines; a sub-document deleted meanwhile (by another deletion of this count) is not there.
      QVector<int> ids{countId};
      for (const auto &[docId, kind] : found) ids << docId;
      const QHash<int, int> kinds = LockDocumentsForReversal(ids);
      if (kinds.value(countId, -1) != DocKindStockCount) return;  // deleted already
      QVector<QPair<int, int>> subDocs;
      for (const auto &[docId, kind] : found)
        if (kinds.value(docId, -1) == kind) subDocs.push_back({docId, kind});
      VerifyCountSubDocuments(countId, countNum, subDocs);
      // Lots and stock rows get back exactly what the sub-documents moved: a shortage gave its
      // lots' quantities out, a surplus took them back in.
      TReversal r{.Document = countNum,
                  .Refusal = QStringLiteral("Inventarizāciju %1 nevar dzēst: vēlāks dokuments jau ir mainījis materiāla "
                                            "%2 partijas vai atlikumu. Nekas netika mainīts.")};
      for (const auto &[docId, kind] : subDocs) {
        TDelInfo links;
        LoadWBLinks(links, docId);
        for (const TDelRec &l : links) {
          const double moved = RoundQty(l.QUANTITY);
          const double sign = kind == DocKindCountSurplus ? 1 : -1;
          r.Moves << TReverseMove{.LotID = l.INWBCONTID, .CATID = l.CATID, .COLOR = l.COLOR, .LotOut = sign * moved,
                                  .Quantity = -sign * moved};
        }
      }
      Reverse(r);
      for (const auto &[docId, kind] : subDocs) {
        ExecSQL(Format(QStringLiteral("delete from WBList where OUTWBID=%d"), {docId}));
        ExecSQL(Format(QStringLiteral("delete from WaybillCont where WAYBILLID=%d"), {docId}));
        ExecSQL(Format(QStringLiteral("delete from Waybill where ID=%d"), {docId}));
      }
      ExecSQL(Format(QStringLiteral("delete from WaybillInventory where WAYBILLID=%d"), {countId}));
      ExecSQL(Format(QStringLiteral("delete from Waybill where ID=%d"), {countId}));
    });
  } catch (const ERefused &e) {
    return e.Text;
  }
  return QString();
}
