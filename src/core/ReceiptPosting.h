#pragma once
// Posting of receipts and purchase requests: the header, the lines (each receipt line a lot
// with nothing issued yet) and the stock rows, which rise by what the receipt adds and
// remember it as their last receipt. A stored receipt whose lots were issued is not changed.
#include <QString>
#include <QVector>
#include <stdexcept>

#include "core/DocNumbers.h"
#include "core/Ledger.h"

// Raised inside a save or a deletion when the document may not be changed; its text is shown
// to the user as it is.
class EDocumentRefused : public ERefused {
 public:
  using ERefused::ERefused;
};

// Inside a transaction: raises with the refusal text when a lot of the receipt has been
// issued. Locks the receipt's lines, so no issue can consume them until the transaction ends.
void CheckReceiptLotsUnused(int waybillID, const QString &refusal);

struct TReceiptHeader {
  int DocumentID = -1;  // a stored document, or -1 for a new one
  int StoredKind = DocKindReceipt;  // the kind the editor opened it as
  QString Date;         // in the server's date format
  QString Num;
  QString OrdLink;
  QString Notes;
  int SupplierID = -1;
  int IsPaid = 0;
  double Sum = 0;
  int Currency = -1;
  double Rate = 1;
};

struct TReceiptLine {
  int LineID = -1;  // a stored line, or -1 for a new one
  int CATID = 0;
  int COLOR = 0;
  double Quantity = 0;
  double Price = 0;
};

// Saves the document as a receipt (asReceipt: kind DocKindReceipt, with stock) or as a
// request, with its lines, removing the stored lines deletedLineIds, in the caller's
// transaction. Raises EDocumentRefused when the stored document may not be changed,
// EMaterialGone when a material left the catalogue, and any database error. Returns its ID.
int SaveReceipt(const TReceiptHeader &header, const QVector<TReceiptLine> &lines, const QVector<int> &deletedLineIds,
                bool asReceipt);

// Deletes a receipt (kind DocKindReceipt: its lines leave stock; refused with EDocumentRefused
// when a lot of it was used) or a request (DocKindRequest), in a transaction of its own, when
// the document is still of that kind. Returns the kind found under lock (-1: gone); a document
// of another kind is left alone.
int DeleteIncoming(int waybillId, int kind);
