#pragma once
// Posting of outgoing documents: issues (one per supplier, each line one lot), reservations
// with their automatic requests, the write-off of a reservation into an issue, and the
// reversals (undo of an issue, deletion of a reservation).
#include <QString>
#include <QStringList>
#include <QVector>
#include <stdexcept>
#include <vector>

#include "core/Ledger.h"

namespace issuedoc {

struct TOutHeader {
  QString Date;  // in the server's date format
  QString Num;
  QString OrdLink;
  QString Notes;
  int IsPaid = 0;
};
// What one issue line takes from one lot.
struct TLotTake {
  int LotID, CatID, Color, ReceiptID;
  double Quantity;
};
struct TIssueLine {
  int CatID, Color, LotID, ReceiptID;
  double Quantity, Price;
};
struct TReserveLine {
  int CatID, Color;
  double Quantity, Price;
  double Missing;  // above 0: the automatic request asks for this much
};
// A line of the editor: an issue line names its lot, a reservation line does not (-1).
struct TOutLine {
  int CatID, Color, LotID, Supplier, ReceiptID;
  double Quantity, Price;
  double Missing = 0;  // reservations: what the automatic request asks for
};

// A save refused because a lot no longer holds what a line takes from it.
class ELotTaken : public ERefused {
 public:
  using ERefused::ERefused;
};

// The number of document k (from 1) of n of a save split by supplier.
QString DocNumber(const QString &typed, int k, int n);
// The suppliers of the lines in the order they first occur.
std::vector<int> CollectSuppliers(const std::vector<TOutLine> &lines);

// Locks the lots and checks that each still belongs to its receipt and holds what the lines
// take from it. Returns an empty text, or the reason in the user's language; locked, when
// given, receives the lots as read under the lock.
QString LockIssueLots(const std::vector<TLotTake> &takes, QHash<int, TLockedLot> *locked = nullptr);
// Inserts a header of an issue or reservation; returns its ID.
int SaveHeader(int supplierId, const TOutHeader &header, double sum, int isOut);
// An issue of one supplier: header, lines, lots raised, stock rows lowered, one link per line;
// locked, when given, are its lots as the save locked them.
int PostIssue(const TOutHeader &header, int supplierId, const std::vector<TIssueLine> &lines,
              const QHash<int, TLockedLot> *locked = nullptr);
// A reservation of one supplier: header, lines at price 0, RESERVE lowered, and the automatic
// request for the missing quantities; savingRequest, when given, is true while the request is
// being written.
int PostReservation(const TOutHeader &header, int supplierId, const std::vector<TReserveLine> &lines,
                    bool *savingRequest = nullptr);
// What the open lots of a material and colour hold.
double OpenLotStock(int catId, int color);

// Saves an issue or a reservation (kind) as one document per supplier, numbered from the
// header's number, in one transaction under the number lock. Raises ENumberTaken when a number
// it writes is taken and ELotTaken when a lot no longer holds what an issue line takes; returns
// the number of the first document.
QString SaveOutgoing(int kind, const TOutHeader &header, const std::vector<TOutLine> &lines,
                     bool *savingRequest = nullptr);

// Undoes issue waybillId inside the caller's transaction: lots and stock rows get back what
// its lines took, then its links, lines and header go. A document that is not an issue is
// left alone; returns whether it was undone.
bool UndoIssue(int waybillId);

}  // namespace issuedoc

// One planned issue line of a reservation write-off: what is taken from one lot.
struct TWriteOffLine {
  int CATID = 0;
  int COLOR = 0;
  double Price = 0;     // the lot's price
  double Quantity = 0;  // taken from the lot
  int LotLineID = 0;
  int ReceiptID = 0;
};

// A reservation line that the stock row or the open lots do not cover.
struct TShortLine {
  int LineID = 0;
  int CATID = 0;
  int COLOR = 0;
  QString Name;      // material name
  int SystemID = 0;  // material's profile system
  double Reserved = 0;
  double Missing = 0;  // quantity that is not there
};

// Plans the write-off of reservation waybillId over the open lots, oldest receipt date first
// and then oldest line: fills plan, and shorts with every line whose stock row holds less on
// hand than the line (or that has no stock row) or whose open lots do not cover it. With lock
// the lots and stock rows read stay locked until the transaction ends. Nothing is written.
void PlanReservationWriteOff(int waybillId, bool lock, QVector<TWriteOffLine> &plan,
                             QVector<TShortLine> &shorts);

// Turns reservation waybillId into an issue in one transaction: one issue line and one link
// per lot used, priced with the lot's price; stock falls and RESERVE rises by what is taken.
// When any line is short, fills shorts and writes nothing. A document that is not a
// reservation is left alone. Returns whether the reservation became an issue; errors are
// raised with everything rolled back.
bool PostReservationWriteOff(int waybillId, QVector<TShortLine> &shorts);

// Releases the reserved quantities of reservation waybillId and deletes its lines and header.
// A document that is not a reservation is left alone; returns whether it was deleted.
bool DeleteReservation(int waybillId);
