#pragma once
// Document kinds (Waybill.ISOUT) and the identity of document numbers.
//
// Issues, reservations and stock counts, and the numbers derived from them (the "-k" numbers
// of a save split by supplier, the "L"/"M" sub-documents of a count, the "_AReq" automatic
// request), are identities: a save writes none of them that a stored document already
// carries. Every such save first writes the one row of DocNumberLock, so that two of them
// wait for each other (on a cluster the second write of the row aborts at commit and the
// transaction is retried), and then checks its numbers inside the same transaction.
#include <QString>
#include <QStringList>
#include <stdexcept>

constexpr int DocKindReceipt = 0;
constexpr int DocKindIssue = 1;
constexpr int DocKindRequest = 2;
constexpr int DocKindReservation = 3;
constexpr int DocKindStockCount = 4;
constexpr int DocKindCountSurplus = 5;
constexpr int DocKindCountShortage = 6;

// A save refused because a number it would write is already stored.
class ENumberTaken : public std::runtime_error {
 public:
  explicit ENumberTaken(const QString &number)
      : std::runtime_error(("document number taken: " + number).toStdString()), Number(number) {}
  QString Number;
};

// Takes the lock of the number savers until the current transaction ends. Call it first in
// the transaction, before any lot or stock row is locked, so that every saver locks in the
// same order.
void LockDocNumbers();

// The first of numbers that a stored document carries, or an empty text. Reads what is
// committed now, not the transaction's first view.
QString FirstTakenNumber(const QStringList &numbers);

// Inside a transaction that holds LockDocNumbers: raises ENumberTaken for the first number
// that is taken, or for a number given twice.
void ClaimDocNumbers(const QStringList &numbers);
