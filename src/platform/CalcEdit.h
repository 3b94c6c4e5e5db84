#pragma once
// The numeric edit box used for quantities, prices, sizes and rates: the value is the typed
// number (0 when the text is empty or not a number). A typed comma is the decimal mark and is
// shown as '.', whatever the locale; a number the box's range does not hold, an infinity or
// not-a-number is not valid.
#include <QLineEdit>
#include <limits>

class TCalcEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit TCalcEdit(QWidget *parent = nullptr);
  double Value() const;
  void SetValue(double value);
  // Whether the text is a number in the range (an empty text counts as 0).
  bool IsValid() const;
  // The values the box holds, for example those of a 32-bit column.
  void SetRange(double bottom, double top);
  int DecimalPlaces = 2;

 private:
  double m_bottom = std::numeric_limits<double>::lowest();
  double m_top = std::numeric_limits<double>::max();
};
