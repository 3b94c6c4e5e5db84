#pragma once
// A small workshop for the receipt windows: currencies, discount groups, measures, groups,
// three suppliers with their materials and a profile system with colour groups, the shared
// lists loaded from it, and helpers that work the editor through its controls.
#include <QString>

#include "support/TestDatabase.h"

class TDivazIn;
class TIDComboBox;

class ReceiptTest : public DbTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Suppliers: Timber (LASTNUM 0), Glass (LASTNUM 4), Paints (LASTNUM NULL).
  int Timber = 0, Glass = 0, Paints = 0;
  // Timber's materials: Pine (no colour, system 2, PRICE0 10 in USD, discount group 10 %), Oak (per
  // colour, system 2, PRICE3 20 in EUR); Glass's: Pane (PRICE0 5 EUR); Paints's: Lacquer.
  int Pine = 0, Oak = 0, Pane = 0, Lacquer = 0;

  // Colour codes of system 2.
  static int Code(int group, int inner, int outer) { return (2 << 20) | (group << 16) | (inner << 8) | outer; }
};

// Chooses the item with the ID as a user would (the handler runs).
void Choose(TIDComboBox *combo, int id);
// Header stage of a new document: supplier, number, currency; then "Далее".
void EnterHeader(TDivazIn *e, int supplier, const QString &num, int currency);
// Moves the picker to the material (and colour code in stock mode); false when not listed.
bool PickMaterial(TDivazIn *e, const QString &name, int color = -2);
// Picks a material, sets the quantity (and the price when given) and presses "Добавить".
void AddLine(TDivazIn *e, const QString &name, double qty, double price = -1);
// Answers the next number input window with a text (OK) or cancels it (empty optional).
void AnswerNumber(const QString &text);
