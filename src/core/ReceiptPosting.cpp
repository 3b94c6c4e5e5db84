#include "core/ReceiptPosting.h"

#include <QHash>
#include <QStringList>

#include "core/CommonVariables.h"
#include "core/DataUnit.h"
#include "core/DocNumbers.h"
#include "core/MaterialPosting.h"
#include "core/Reversal.h"
#include "platform/Clock.h"
#include "platform/SysUtils.h"

namespace {

const QString kKindChanged = QStringLiteral(
    "Документ изменён другим пользователем: заявка уже сохранена как накладная.\n"
    "Закройте окно и откройте документ заново.");
const QString kLotsUsed = QStringLiteral("Вы не можете править текущую накладную.\nТовары уже использованы.");
const QString kDeleteRefused = QStringLiteral("Невозможно удалить накладную.\nТовары уже использованы.");

int WriteHeader(const TReceiptHeader &h, int kind) {
  if (h.DocumentID >= 0) {
    ExecSQL(Format(QStringLiteral("update Waybill set BDATE=%s,NUM=%s,ORDLINK=%s,NOTES=%s,ISOUT=%d,SUPPLIERID=%d,"
                                  "ISPAID=%d,SUM=%f,CURRENCY=%d,CURRENCYRATE=%g,USERID=%d,LASTUPDATE=%s where ID=%d"),
                   {QuoteSQL(h.Date), QuoteSQL(h.Num), QuoteSQL(h.OrdLink), QuoteSQL(h.Notes), kind, h.SupplierID,
                    h.IsPaid, h.Sum, h.Currency, h.Rate, int(CurrentUser.ID), DateTimeToSQL(Clock::Now()),
                    h.DocumentID}));
    return h.DocumentID;
  }
  const int id = InsertHeader(TDocHeader{.Date = h.Date,
                                         .Num = h.Num,
                                         .OrdLink = h.OrdLink,
                                         .Notes = h.Notes,
                                         .Kind = kind,
                                         .SupplierID = h.SupplierID,
                                         .IsPaid = h.IsPaid,
                                         .Sum = h.Sum,
                                         .SumInCents = true,
                                         .HasCurrency = true,
                                         .Currency = h.Currency,
                                         .Rate = h.Rate});
  // a new request takes the supplier's next request number
  if (h.StoredKind == DocKindRequest && h.SupplierID >= 0)
    ExecSQL(Format(QStringLiteral("update Suppliers set LASTNUM=IFNULL(LASTNUM,0)+1 where ID=%d"), {h.SupplierID}));
  return id;
}

}  // namespace

void CheckReceiptLotsUnused(int waybillID, const QString &refusal) {
  const int issued = SQLInt(Format(
      QStringLiteral("select count(*) from WaybillCont where WAYBILLID=%d and QTYOUT>0 for update"), {waybillID}));
  const int links = SQLInt(Format(QStringLiteral("select count(*) from WBList where INWBID=%d lock in share mode"),
                                  {waybillID}));
  if (issued > 0 || links > 0) throw EDocumentRefused(refusal);
}

int SaveReceipt(const TReceiptHeader &header, const QVector<TReceiptLine> &lines, const QVector<int> &deletedLineIds,
                bool asReceipt) {
  // A stored document first: it must still be there, as what the editor opened, and stays
  // locked (with the materials of its lines) until the save ends.
  if (header.DocumentID >= 0) {
    const int storedKind = LockDocumentForReversal(header.DocumentID);
    if (storedKind < 0) throw EDatabaseError(QStringLiteral("The document %1 no longer exists").arg(header.DocumentID));
    // a request saved as a receipt by another client meanwhile: saving it again would post
    // its stock a second time or turn the receipt back into a request
    if (storedKind != header.StoredKind) throw EDocumentRefused(kKindChanged);
  }
  // The materials must stay in the catalogue until the lines and stock rows are committed, and
  // each line's colour must fit its material's colour flag.
  QVector<TMaterialUse> uses;
  for (const TReceiptLine &l : lines) uses << TMaterialUse{.CATID = l.CATID, .COLOR = l.COLOR};
  LockMaterials(uses);
  const bool storedReceipt = header.DocumentID >= 0 && header.StoredKind == DocKindReceipt;
  // A stored receipt whose lots were issued meanwhile may not be changed.
  if (storedReceipt) CheckReceiptLotsUnused(header.DocumentID, kLotsUsed);
  const int id = WriteHeader(header, asReceipt ? DocKindReceipt : DocKindRequest);

  if (!deletedLineIds.isEmpty()) {
    QStringList ids;
    for (int lineId : deletedLineIds) ids << QString::number(lineId);
    const QString list = QLatin1Char('(') + ids.join(QLatin1Char(',')) + QLatin1Char(')');
    if (asReceipt && header.StoredKind == DocKindReceipt)
      DeleteWaybillRows(id, Format(QStringLiteral("select ID, CATID, COLOR, QUANTITY from WaybillCont where ID in %s "
                                                  "and WAYBILLID=%d"),
                                   {list, id}),
                        false);
    else
      ExecSQL(Format(QStringLiteral("delete from WaybillCont where ID in %s and WAYBILLID=%d"), {list, id}));
  }
  // the stored lines of the document as they are now, locked until the save ends
  QHash<int, double> stored;
  if (header.DocumentID >= 0) {
    TQuery q;
    q.SQL = Format(QStringLiteral("select ID, QUANTITY from WaybillCont where WAYBILLID=%d for update"), {id});
    q.Open();
    for (const auto &r : q.Rows()) stored.insert(r[0].toInt(), r[1].toDouble());
    q.Close();
  }
  QVector<TLineRow> inserts;
  QVector<TStockDelta> moves;
  for (const TReceiptLine &l : lines) {
    double old = 0;
    if (l.LineID >= 1) {
      // a stored line must still belong to this document
      if (!stored.contains(l.LineID)) throw EDatabaseError(QStringLiteral("The line %1 no longer exists").arg(l.LineID));
      old = stored.value(l.LineID);
      ExecSQL(Format(asReceipt ? QStringLiteral("update WaybillCont set QUANTITY=%s, PRICE=%s, QTYOUT=0.0 where ID=%d")
                               : QStringLiteral("update WaybillCont set QUANTITY=%s, PRICE=%s where ID=%d"),
                     {QtySQL(l.Quantity), QtySQL(l.Price), l.LineID}));
    } else {
      inserts << TLineRow{.CATID = l.CATID, .COLOR = l.COLOR, .Quantity = l.Quantity, .Price = l.Price, .Lot = asReceipt};
    }
    if (asReceipt)
      moves << TStockDelta{.CATID = l.CATID, .COLOR = l.COLOR,
                           .Delta = storedReceipt && l.LineID >= 1 ? l.Quantity - old : l.Quantity};
  }
  InsertLines(id, inserts, false);
  AddToStockRows(moves, id);
  return id;
}

int DeleteIncoming(int waybillId, int kind) {
  int found = -1;
  RunInTransaction([&] {
    found = LockDocumentForReversal(waybillId);
    if (found != kind) return;
    if (kind == DocKindReceipt) {
      // a lot issued by another client meanwhile refuses the deletion
      CheckReceiptLotsUnused(waybillId, kDeleteRefused);
      DeleteWaybillRows(waybillId, Format(QStringLiteral("select ID,CATID,COLOR,QUANTITY from WaybillCont where WAYBILLID=%d"),
                                          {waybillId}),
                        true);
    } else if (kind == DocKindRequest) {
      ExecSQL(Format(QStringLiteral("delete from WaybillCont where WAYBILLID=%d"), {waybillId}));
      ExecSQL(Format(QStringLiteral("delete from Waybill where ID=%d"), {waybillId}));
    }
  });
  return found;
}
