#pragma once
// The ledger invariant checker: stock rows agree with the documents and lots, lots with their
// links, reservations with RESERVE, and document sums with their lines.

// Adds a test failure for every broken invariant of the database DATA is connected to.
void ExpectLedgerConsistent();
