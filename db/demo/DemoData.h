#pragma once
// The demo data set of a small window workshop, for both databases, at any size.
//
// Scale 1 is the demo: a setup tree with three profile systems, their colour groups and
// colours, VAT 21 %; about 350 materials (profiles, glass, fittings, seals, paints, coloured
// and not); some 50 documents (receipts, purchase requests, issues, a reservation and a
// stock count). Scale N repeats the catalogue N times and makes N times as many documents,
// so that benchmarks get tens of thousands of both.
//
// The documents are posted the way the program posts them: every receipt line is a lot,
// issues and count shortages consume the oldest open lots and are linked to them, a
// reservation lowers RESERVE, and the stock rows hold exactly what the documents moved.
// The statements give every row its ID, so they expect empty tables (db/main.sql and
// db/setup.sql freshly loaded). The same scale and date always give the same statements.
#include <QDate>
#include <QString>
#include <QStringList>

namespace whdemo {

struct TDemoSql {
  QStringList Main;   // statements for the main database, in order
  QStringList Setup;  // statements for the setup database
};

// The statements of the data set; document dates lie in the half year before `today`
// (the reservation falls due a few days after it). Throws std::invalid_argument for a
// scale below 1.
TDemoSql DemoSql(int scale, const QDate &today);

// Statements as a script for the command-line client: each followed by ";" and a line end.
QString Script(const QStringList &statements);

// Key of child `index` below a setup node (0-9, A-Z, a-z); the demo tree needs no more.
char SetupKeyChar(int index);

// Colour code of a stock row or line: system from bit 20, colour group in bits 16-19,
// inner colour in bits 8-15, outer colour in bits 0-7.
int ColorCode(int system, int group, int inner, int outer);

}  // namespace whdemo
