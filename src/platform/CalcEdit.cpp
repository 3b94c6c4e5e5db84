#include "platform/CalcEdit.h"

#include <QDoubleValidator>
#include <QLocale>

#include "platform/SysUtils.h"

TCalcEdit::TCalcEdit(QWidget *parent) : QLineEdit(parent) {
  auto *v = new QDoubleValidator(this);
  QLocale c = QLocale::c();
  c.setNumberOptions(QLocale::RejectGroupSeparator);  // a typed ',' is refused, not read as 1000s
  v->setLocale(c);
  v->setNotation(QDoubleValidator::StandardNotation);
  setValidator(v);
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

double TCalcEdit::Value() const { return StrToFloatDef(text(), 0.0); }

bool TCalcEdit::IsValid() const {
  double v = 0;
  return text().trimmed().isEmpty() || TryStrToFloat(text(), v);
}

void TCalcEdit::SetValue(double value) {
  setText(QString::number(value, 'f', DecimalPlaces));
}
