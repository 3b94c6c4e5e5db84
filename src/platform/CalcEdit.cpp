#include "platform/CalcEdit.h"

#include <QValidator>

#include "platform/SysUtils.h"

namespace {

// Lets through what is, or may become while it is typed, a plain decimal number: digits, one
// decimal mark, a leading minus. A typed comma becomes the point.
class TNumberValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString &input, int &) const override {
    input.replace(QLatin1Char(','), QLatin1Char('.'));
    int marks = 0;
    for (qsizetype i = 0; i < input.size(); ++i) {
      const QChar c = input[i];
      if ((c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char(' ')) continue;
      if (c == QLatin1Char('.') && ++marks == 1) continue;
      if (c == QLatin1Char('-') && input.left(i).trimmed().isEmpty()) continue;
      return Invalid;
    }
    double v = 0;
    return TryStrToFloat(input, v) && v >= Bottom && v <= Top ? Acceptable : Intermediate;
  }
  double Bottom = std::numeric_limits<double>::lowest();
  double Top = std::numeric_limits<double>::max();
};

}  // namespace

TCalcEdit::TCalcEdit(QWidget *parent) : QLineEdit(parent) {
  setValidator(new TNumberValidator(this));
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void TCalcEdit::SetRange(double bottom, double top) {
  m_bottom = bottom;
  m_top = top;
  auto *v = static_cast<TNumberValidator *>(const_cast<QValidator *>(validator()));
  v->Bottom = bottom;
  v->Top = top;
}

double TCalcEdit::Value() const {
  double v = 0;
  return TryInputToFloat(text(), v) && v >= m_bottom && v <= m_top ? v : 0.0;
}

bool TCalcEdit::IsValid() const {
  double v = 0;
  return text().trimmed().isEmpty() || (TryInputToFloat(text(), v) && v >= m_bottom && v <= m_top);
}

void TCalcEdit::SetValue(double value) {
  setText(QString::number(value, 'f', DecimalPlaces));
}
