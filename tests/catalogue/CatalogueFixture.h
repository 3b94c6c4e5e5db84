#pragma once
// A database with a small catalogue around the windows under test: profile systems with
// colour categories, colour groups and colours in the setup tree, value lists, groups with
// subgroups and minimum values, and the shared lists loaded from them.
#include <QString>

#include "support/TestDatabase.h"

class TDivazForm;

class CatalogueTest : public DbTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Loads the setup tree and the shared lists as start-up does (again after fixture edits).
  void LoadLists();

  // IDs of the fixture.
  int Sup1 = 0, Sup2 = 0;  // "Timber Ltd", "Glass & Co"
  // Group 1 "Profiles": subgroups 1 "Pine" (minimum 5), 2 "Oak" (minimum 0)
  // Group 2 "Glass" without subgroups; group 3 "Seals": subgroup 1 "Rubber" (minimum 10).
};

// Texts of a grid column of the main window, row by row.
QStringList GridColumn(const TDivazForm &form, const QString &field);
// Whether the main window draws the quantity of a row red.
bool GridRed(const TDivazForm &form, int row);
