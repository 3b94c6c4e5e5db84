#pragma once
// Shared in-memory lists that start-up loads once and every window reads, and the small row
// objects that windows attach to list items and grid rows.
#include <QString>
#include <QStringList>
#include <cstdint>

#include "platform/Grids.h"

using TStrArray = QStringList;

// Main window mode: 0 catalogue, 1 stock by colour.
extern uint8_t ViewMode;

// A whole number attached to a list item.
class TIntObj : public TGridObject {
 public:
  explicit TIntObj(int value) : Value(value) {}
  int Value;
};

// Six whole numbers attached to a grid row; the second is the material ID and the third the
// colour code wherever a grid is searched by material and colour.
class TAddObj : public TGridObject {
 public:
  TAddObj(int n1, int n2, int n3, int n4, int n5, int n6)
      : N1(n1), N2(n2), N3(n3), N4(n4), N5(n5), N6(n6) {}
  int N1, N2, N3, N4, N5, N6;
};
