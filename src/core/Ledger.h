#pragma once
// The stock ledger: stock rows (CatalogQty), lots (receipt lines), lot links (WBList) and the
// routines through which every document posts to them.
//
// Rules shared by every routine here:
// - Each runs inside the caller's transaction (a TTransaction of its own nests as a
//   savepoint); called with no transaction open it is its own transaction.
// - Errors are raised (EDatabaseError or std::runtime_error); the caller's whole action then
//   rolls back. Nothing is half written.
// - Quantities are rounded to 6 decimals before they are compared or written; a difference
//   below QtyEpsilon is zero.
// - Where several stock rows share a material and colour (after a colour-flag change), the
//   row with the lowest ID is the one that is read and written.
#include <QString>

#include "core/Query.h"
#include <QHash>
#include <QMap>
#include <QPair>
#include <QVector>
#include <cstdint>
#include <stdexcept>

constexpr double QtyEpsilon = 0.0000005;

// A quantity rounded to 6 decimals.
double RoundQty(double value);
// Whether a quantity (or a difference) counts as zero.
inline bool QtyIsZero(double value) { return value < QtyEpsilon && value > -QtyEpsilon; }
// A quantity or price as it goes into SQL text: "%10.6f".
QString QtySQL(double value);

// ---------------------------------------------------------------------------------------------
// Primitives of posting: every document posts through these.

// The condition that a row's CATID and COLOR are one of the pairs (from..from+count-1; all of
// them when count is -1), in the form the (CATID, COLOR) indexes take.
QString PairCondition(const QVector<QPair<int, int>> &pairs, int from = 0, int count = -1);

// The condition that a receipt line (aliased line) is an open lot: it still holds at least
// half a millionth.
QString OpenLotSQL(const QString &line = QStringLiteral("w"));

// A change of one stock row.
struct TStockDelta {
  int CATID = 0;
  int COLOR = 0;
  double Delta = 0;
};
enum class TStockColumn { Quantity, Reserve };
// Adds the deltas (summed per material and colour, rounded to 6 decimals) to the column of
// the first stock row of each material and colour, all rows in one statement, under a lock
// on the material's stock rows and the room for new ones; a missing row is created with the
// delta. lastWbId above 0 is recorded as the rows' last receipt (quantity only). A database
// error is raised as EStockUpdate.
// With createMissing false a material and colour without a row is left alone.
void AddToStockRows(const QVector<TStockDelta> &deltas, int lastWbId = -1,
                    TStockColumn column = TStockColumn::Quantity, bool createMissing = true);

// A document header as it is inserted.
struct TDocHeader {
  QString Date;              // in the server's date format
  QString Num;
  QString OrdLink;
  bool OrdLinkNull = false;  // ORDLINK NULL instead of the text
  QString Notes;
  int Kind = 0;
  int SupplierID = 0;
  int IsPaid = 0;
  double Sum = 0;
  bool SumInCents = false;   // SUM written with two decimals instead of six
  bool HasCurrency = false;  // CURRENCY and CURRENCYRATE are written
  int Currency = 0;
  double Rate = 1;
};
// Inserts the header with the current user and time; returns its ID.
int InsertHeader(const TDocHeader &header);

// A document line as it is inserted.
struct TLineRow {
  int CATID = 0;
  int COLOR = 0;
  double Quantity = 0;
  double Price = 0;
  bool Lot = false;  // a receipt line: QTYOUT 0, else NULL
};
// Inserts the lines of one document (in statements of up to a thousand rows) and returns
// their IDs in the order given.
// With readIds false nothing is read back and the result is empty.
QVector<int> InsertLines(int waybillId, const QVector<TLineRow> &lines, bool readIds = true);

// A link of an outgoing line to the lot it consumed.
struct TLinkRow {
  int ReceiptID = 0;
  int OutDocID = 0;
  int OutLineID = 0;
  int LotLineID = 0;
};
void InsertLinks(const QVector<TLinkRow> &links);

// A receipt line locked for a posting.
struct TLockedLot {
  int ID = 0;
  int WAYBILLID = 0;
  int CATID = 0;
  int COLOR = 0;
  double Quantity = 0;
  double Out = 0;  // QTYOUT
  double Price = 0;
  double Remain() const { return RoundQty(Quantity - Out); }
};
// The lots with these line IDs, locked until the transaction ends (a line that is gone, or that
// is no lot, is missing from the result).
QHash<int, TLockedLot> LockLotsByID(const QVector<int> &lotIds);
// Adds each delta to QTYOUT of its lot, all lots in one statement. locked, where the caller has
// them, are the lots as this transaction locked them: when no more than a few of them can open
// or close, the server counts those few itself and the posting saves the round trips of
// counting them afterwards.
void AddToLotsOut(const QMap<int, double> &perLot, const QHash<int, TLockedLot> *locked = nullptr);
// The lots of the materials and colours, oldest receipt date first and then by line; with
// openOnly only those that still hold something; with lock locked until the transaction ends.
QVector<TLockedLot> ReadPairLots(const QVector<QPair<int, int>> &pairs, bool openOnly, bool lock = true);

// A stock row that could not be written. It keeps the server's error code, so that a
// deadlock is still retried by RunInTransaction.
class EStockUpdate : public EDatabaseError {
 public:
  explicit EStockUpdate(const EDatabaseError &cause) : EDatabaseError(QString::fromStdString(cause.what()), cause.NativeCode()) {}
};
// Adds delta to the stock row of (catId, color), creating the row when missing; records
// lastWbId as the row's last receipt when it is above 0. A database error is raised as
// EStockUpdate, for the action to report once its transaction has ended
// (ShowStockUpdateFailure).
void UpdateCatalogQty(int catId, int color, int lastWbId, double delta);

// Deletes every WaybillCont row that linesSql returns (columns ID, CATID, COLOR, QUANTITY)
// and takes its quantity back out of stock, recording as last receipt the newest receipt
// that still has a line of that material and colour; with deleteHeader also deletes the
// Waybill row waybillId.
void DeleteWaybillRows(int waybillId, const QString &linesSql, bool deleteHeader);

// One lot link of an outgoing document.
struct TDelRec {
  int ID = 0;           // WBList.ID
  int OUTWBCONTID = 0;  // the outgoing line
  int INWBCONTID = 0;   // the lot it consumed
  int CATID = 0;        // of the outgoing line
  int COLOR = 0;
  double QUANTITY = 0;  // of the outgoing line: what it took from the lot
};
using TDelInfo = QVector<TDelRec>;

// Empties links and fills it with the links of the outgoing document waybillId.
void LoadWBLinks(TDelInfo &links, int waybillId);

// Working lists of the stock-count posting.
struct TMatRec {
  int LotLineID = 0;  // WaybillCont.ID of the lot
  int ReceiptID = 0;  // its WAYBILLID
  double Quantity = 0;  // part of the difference placed on that lot
  double Price = 0;     // the lot's PRICE
};
using TMat = QVector<TMatRec>;

// Kind of a count line.
enum TCountLineKind : uint8_t {
  qtyMore = 0,       // counted more than the lots hold: surplus
  qtyLess = 1,       // counted less: shortage
  qtyEqual = 2,      // no difference: nothing is posted for the line
  qtyLessError = 3,  // a surplus larger than the issued quantities of the lots
};

struct TMatLine {
  int CATID = 0;
  int COLOR = 0;
  double Counted = 0;  // counted quantity
  double Diff = 0;     // size of the difference to the book quantity, never negative
  uint8_t Kind = qtyEqual;
  TMat Lots;           // the lots the difference moves
};
using TMatList = QVector<TMatLine>;

struct TSupplierLines {
  int SupplierID = 0;
  QString Num;            // document number of the supplier's sub-documents
  int ShortageDocID = -1;
  int SurplusDocID = -1;
  TMatList Lines;
};
using TFullList = QVector<TSupplierLines>;

void ClearMatList(TMatList &list);
void ClearFullList(TFullList &list);
// Sum of Quantity x Price.
double MatSum(const TMat &lots);
// Sum of MatSum over every line, whatever its kind.
double MatListSum(const TMatList &lines);

// A posting or reversal refused for a reason the user can act on. Nothing of the action was
// written; Text is shown as it stands.
class ERefused : public std::runtime_error {
 public:
  explicit ERefused(const QString &text) : std::runtime_error(text.toStdString()), Text(text) {}
  QString Text;
};

// A save refused because a material it names is no longer in the catalogue.
class EMaterialGone : public ERefused {
 public:
  using ERefused::ERefused;
};
