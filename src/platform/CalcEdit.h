#pragma once
// The numeric edit box used for quantities, prices, sizes and rates: '.' as the decimal
// separator whatever the locale; the value is the typed number (0 when the text is empty).
#include <QLineEdit>

class TCalcEdit : public QLineEdit {
  Q_OBJECT
 public:
  explicit TCalcEdit(QWidget *parent = nullptr);
  double Value() const;
  void SetValue(double value);
  // Whether the text is a number (an empty text counts as 0).
  bool IsValid() const;
  int DecimalPlaces = 2;
};
