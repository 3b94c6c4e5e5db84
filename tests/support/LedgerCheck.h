#pragma once
// The ledger invariant checker: stock rows agree with the documents and lots, lots with their
// links, reservations with RESERVE, and document sums with their lines.
//
// Checked, per material and colour (all stock rows of the pair summed):
// - QUANTITY = receipt lines - issue and count-shortage lines + count-surplus lines;
// - RESERVE = minus the lines of open reservations (pairs without a stock row are skipped:
//   a reservation does not create one).
// Per stock row: QUANTITY is not below zero, and no other row has its material and colour
// (but for the materials that a test left between a colour-flag change and the colour
// clean-up, whose rows may share a colour code until the clean-up merges them).
// Per lot (receipt line): QTYOUT is set and 0 <= QTYOUT <= QUANTITY, and QTYOUT = the issue
// and shortage lines linked to it - the surplus lines linked to it.
// Per outgoing line (issue, count surplus, count shortage): exactly one link, whose lot is a
// receipt line of the same material and colour and whose document IDs are the lines' own.
// Per document of kinds receipt, issue and reservation: SUM = sum of quantity x price of its
// lines (to the cent: SUM is written with two decimals by the editors).
// Every line belongs to a document and no ledger line has a quantity of zero or less.
// Where the database has them, OpenLots and OpenStock hold what the lots, stock rows,
// materials and subgroups give.
#include <QStringList>

// Lets the stock rows of a material share a colour code, as they may between a change of its
// colour flag and the colour clean-up. Holds until ForgetCleanUpsPending (DbTest's set-up).
void AllowCleanUpPending(int catId);
void ForgetCleanUpsPending();

// Every broken invariant of the database DATA is connected to, one text each.
QStringList LedgerViolations();

// Adds a test failure for every broken invariant.
void ExpectLedgerConsistent();
