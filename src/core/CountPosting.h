#pragma once
// Posting and deleting stock counts. A count is a header document (kind DocKindStockCount)
// that moves nothing; every difference between a counted quantity and what the open lots hold
// is posted per supplier through a shortage document ("L", consumes lots oldest first) and a
// surplus document ("M", gives back to issued lots newest first), with one line and one link
// per lot moved and one count row per changed material and colour.
#include <QHash>
#include <QPair>
#include <QString>
#include <QVector>

#include "core/Ledger.h"

struct TCountHeader {
  QString Date;  // in the server's date format
  QString Num;   // as typed
  QString Notes;
};

// One counted material and colour, in the order of the editor's grid.
struct TCountLine {
  int CATID = 0;
  int COLOR = 0;
  int SupplierID = 0;  // the material's supplier: one pair of sub-documents per supplier
  double Counted = 0;
  double Book = 0;     // what the open lots held when the line was added
};

struct TCountResult {
  enum { Posted, Excess, Changed } Outcome = Posted;
  // Excess: the surpluses that the issued quantities cannot take back; Changed: the lines whose
  // open lots no longer hold their book quantity, with what they hold now.
  QVector<QPair<int, int>> Lines;
  QHash<QPair<int, int>, double> BookNow;
  int CountID = -1;
};

// The number of the sub-documents of supplier k (from 0) of n.
QString CountGroupNumber(const QString &num, int k, int n);

// Posts the count in one transaction (a deadlock is retried). Raises ENumberTaken when a number
// the posting writes is taken, and any database error; nothing is written unless the result is
// Posted.
TCountResult PostCount(const TCountHeader &header, const QVector<TCountLine> &lines);

// Deletes count countId (number countNum): reverses exactly the lot movements of its own
// sub-documents, then deletes them, its count rows and its header, in one transaction.
// Returns an empty text, or why the count cannot be deleted (nothing is then changed).
QString DeleteCount(int countId, const QString &countNum);
