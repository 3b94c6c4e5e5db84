#pragma once
// Test data written straight into the main database through DATA's connection (plain SQL,
// no ledger routine), so that a test sets up exactly the ledger it needs.
//
//   int sup = fx::Supplier("Timber Ltd");
//   int pine = fx::Material("Pine 68x78", sup);                 // no colour: COLOR -1
//   int rc = fx::Receipt(QDate(2024, 1, 5), "R-1", sup);
//   int lot = fx::Lot(rc, pine, -1, 4, 2.5);      // line QTYOUT 0, stock row +4, LASTWBID rc
//   int res = fx::Reservation(QDate(2024, 2, 1), "3000000007", sup, {{pine, -1, 3}});
//   EXPECT_DOUBLE_EQ(fx::StockQty(pine, -1), 4);
//   EXPECT_DOUBLE_EQ(fx::Reserve(pine, -1), -3);
//
// Everything written keeps the ledger invariants (tests/support/LedgerCheck.h) unless a
// function says otherwise.
#include <QByteArray>
#include <QDate>
#include <QString>
#include <QVector>

namespace fx {

int Supplier(const QString &name);
// A Catalog row; isColor 1 makes a material kept per colour.
int Material(const QString &name, int supplier = 0, int isColor = 0, int catGroup = 0,
             int subGroup = 0, int systemId = 0, double price0 = 0);
// CatGroups rows: a group (SUBID 0) and a subgroup.
void Group(int id, const QString &name);
void Subgroup(int id, int subId, const QString &name, int minValue = 0, double waste = 0);

// A receipt header (ISOUT 0, currency 0, rate 1, SUM 0 until lots are added).
int Receipt(const QDate &date, const QString &num, int supplier = 0);
// A lot of the receipt: a line with QTYOUT 0; adds qty to the first stock row of the material
// and colour (creating it), sets its LASTWBID to the receipt, and adds qty x price to the
// receipt's SUM. Returns the line ID.
int Lot(int receiptId, int catId, int color, double qty, double price);

struct ResLine {
  int CatId;
  int Color;
  double Qty;
};
// A reservation (ISOUT 3) with lines at price 0; lowers RESERVE of the first stock row of
// each material and colour (a row that does not exist is not created).
int Reservation(const QDate &date, const QString &num, int supplier, const QVector<ResLine> &lines);

// A stock row written as given, with no document behind it (breaks the ledger invariants
// unless quantity and reserve are 0).
int StockRow(int catId, int color, double quantity, double reserve = 0, int lastWbId = 0);

// A node of the setup tree, written into the test's setup database; the key is bytes
// (build child keys with KeyChar of core/SetupObject.h).
void SetupNode(const QByteArray &key, const QString &caption, const QString &sdata = QString(),
               int idata = 0, int bdata = 0, double fdata = 0);
// Loads DATA->Setup from the setup database (subtree of "0", as start-up does) and builds the
// global Colors from it.
void LoadSetup();

// Sums over all stock rows of the material and colour (0 when none).
double StockQty(int catId, int color);
double Reserve(int catId, int color);
int LastWbId(int catId, int color);  // of the first stock row; -1 when none
int StockRowCount(int catId, int color);
double QtyOut(int lotLineId);
// Every row of the ledger's tables (documents, lines, links, count rows, stock rows) as text, to
// compare before and after an action that must change nothing.
QString Snapshot();
// Count of rows of a table, optionally with a where condition ("WAYBILLID=5").
int Count(const QString &table, const QString &where = QString());

}  // namespace fx
