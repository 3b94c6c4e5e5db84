#pragma once
// Reversals: the undo of an issue, the deletion of a count, a reservation, a receipt or its
// lines. Each takes back from the lots and stock rows exactly what its posting gave them, through
// Reverse. What a later document already used cannot be taken back: such a reversal is refused
// whole, and nothing changes.
//
// Every reversal first locks the document it reverses (its header row), then the materials of
// its lines (MaterialPosting.h), then reads what the posting recorded (lines and lot links), so
// that what it reads cannot change until it commits; Reverse then locks the lots and stock rows.
#include <QString>
#include <QVector>

#include "core/Ledger.h"

// One move of a posting as its reversal takes it back.
struct TReverseMove {
  int LotID = 0;        // the lot whose issued quantity moves (0: none)
  int CATID = 0;
  int COLOR = 0;
  double LotOut = 0;    // added to the lot's QTYOUT
  double Quantity = 0;  // added to the stock row's QUANTITY
  double Reserve = 0;   // added to the stock row's RESERVE
};

struct TReversal {
  QString Document;              // the document as the refusal names it
  QString Refusal;               // the refusal: "%1" the document, "%2" the material
  QVector<TReverseMove> Moves;
  QVector<int> RemovedLots;      // receipt lines the reversal deletes: nothing may have used them
};

// Why a reversal was refused, in the words of its TReversal.
class EReversalRefused : public ERefused {
 public:
  using ERefused::ERefused;
};

// Inside the caller's transaction: locks the materials, the lots and the stock rows of the
// reversal (in that order) and checks that every lot's issued quantity stays within 0 and its
// quantity, that no stock row's quantity falls below zero and no reserve rises above zero, and
// that no removed lot was used (issued from or linked). Then adds the moves. Raises
// EReversalRefused, with nothing written, when a check fails.
void Reverse(const TReversal &reversal);

// Locks the document's header row for the reversal and returns its kind (ISOUT), -1 when it
// is gone; then locks the materials of its lines.
int LockDocumentForReversal(int waybillId);
// The same for several documents, in the order of their IDs; returns the kinds by ID (a
// document that is gone is missing).
QHash<int, int> LockDocumentsForReversal(const QVector<int> &waybillIds);
