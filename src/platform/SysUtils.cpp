#include "platform/SysUtils.h"

#include <QLocale>
#include <cmath>

QString ShortDateFormat = QStringLiteral("dd.mm.yyyy");

namespace {

// "%.Ng" of C turned into the general form of the original library: upper-case E, no '+',
// no leading zeros in the exponent.
QString GeneralForm(double value, int digits) {
  if (std::isnan(value)) return QStringLiteral("NAN");
  if (std::isinf(value)) return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
  QString s = QString::number(value, 'g', digits);
  const int e = s.indexOf(QLatin1Char('e'));
  if (e < 0) return s;
  QString mant = s.left(e);
  QString exp = s.mid(e + 1);
  bool neg = exp.startsWith(QLatin1Char('-'));
  if (exp.startsWith(QLatin1Char('+')) || neg) exp = exp.mid(1);
  while (exp.size() > 1 && exp.startsWith(QLatin1Char('0'))) exp = exp.mid(1);
  return mant + QLatin1Char('E') + (neg ? QStringLiteral("-") : QString()) + exp;
}

QString Pad(const QString &s, int width, bool left) {
  if (width <= s.size()) return s;
  return left ? s.leftJustified(width, QLatin1Char(' ')) : s.rightJustified(width, QLatin1Char(' '));
}

QString Thousands(const QString &digits) {
  // digits: optional '-' then an integer part, maybe a fraction
  QString sign, intPart = digits, frac;
  if (intPart.startsWith(QLatin1Char('-'))) {
    sign = QStringLiteral("-");
    intPart = intPart.mid(1);
  }
  const int dot = intPart.indexOf(QLatin1Char('.'));
  if (dot >= 0) {
    frac = intPart.mid(dot);
    intPart = intPart.left(dot);
  }
  QString out;
  for (int i = 0; i < intPart.size(); ++i) {
    if (i > 0 && (intPart.size() - i) % 3 == 0) out += QLatin1Char(',');
    out += intPart[i];
  }
  return sign + out + frac;
}

double ToDouble(const QVariant &v) {
  if (v.typeId() == QMetaType::QString) return StrToFloatDef(v.toString(), 0.0);
  return v.toDouble();
}

}  // namespace

QString Format(const QString &fmt, const QVariantList &args) {
  QString out;
  int argIndex = 0;
  const int n = fmt.size();
  for (int i = 0; i < n; ++i) {
    const QChar c = fmt[i];
    if (c != QLatin1Char('%')) {
      out += c;
      continue;
    }
    if (i + 1 < n && fmt[i + 1] == QLatin1Char('%')) {
      out += QLatin1Char('%');
      ++i;
      continue;
    }
    int j = i + 1;
    bool left = false;
    if (j < n && fmt[j] == QLatin1Char('-')) {
      left = true;
      ++j;
    }
    int width = -1;
    while (j < n && fmt[j].isDigit()) width = (width < 0 ? 0 : width * 10) + fmt[j++].digitValue();
    int prec = -1;
    if (j < n && fmt[j] == QLatin1Char('.')) {
      ++j;
      prec = 0;
      while (j < n && fmt[j].isDigit()) prec = prec * 10 + fmt[j++].digitValue();
    }
    if (j >= n) {
      out += fmt.mid(i);
      break;
    }
    const QChar conv = fmt[j].toLower();
    const QVariant arg = argIndex < args.size() ? args[argIndex] : QVariant();
    ++argIndex;
    QString piece;
    switch (conv.unicode()) {
      case 'd':
      case 'u': {
        qlonglong v = arg.toLongLong();
        piece = QString::number(v);
        if (prec > 0 && piece.size() < prec) {
          const bool neg = v < 0;
          QString digits = neg ? piece.mid(1) : piece;
          digits = digits.rightJustified(prec - (neg ? 0 : 0), QLatin1Char('0'));
          piece = (neg ? QStringLiteral("-") : QString()) + digits;
        }
        break;
      }
      case 'x':
        piece = QString::number(arg.toLongLong(), 16).toUpper();
        if (prec > 0) piece = piece.rightJustified(prec, QLatin1Char('0'));
        break;
      case 's':
        piece = arg.toString();
        if (prec >= 0) piece = piece.left(prec);
        break;
      case 'f':
        piece = QString::number(ToDouble(arg), 'f', prec < 0 ? 2 : prec);
        break;
      case 'n':
        piece = Thousands(QString::number(ToDouble(arg), 'f', prec < 0 ? 2 : prec));
        break;
      case 'm':
        piece = Thousands(QString::number(ToDouble(arg), 'f', prec < 0 ? 2 : prec));
        break;
      case 'g':
        piece = GeneralForm(ToDouble(arg), prec <= 0 ? 15 : prec);
        break;
      case 'e': {
        QString s = QString::number(ToDouble(arg), 'e', (prec <= 0 ? 15 : prec) - 1);
        // the original writes E+NNN with at least three exponent digits
        const int e = s.indexOf(QLatin1Char('e'));
        QString exp = s.mid(e + 2);
        while (exp.size() < 3) exp.prepend(QLatin1Char('0'));
        piece = s.left(e) + QLatin1Char('E') + s[e + 1] + exp;
        break;
      }
      default:
        piece = fmt.mid(i, j - i + 1);
        --argIndex;
        break;
    }
    out += Pad(piece, width, left);
    i = j;
  }
  return out;
}

QString FloatToStr(double value) { return GeneralForm(value, 15); }

QString FormatFloat(const QString &maskIn, double value) {
  // Sections: positive;negative;zero.
  QStringList sections;
  {
    QString cur;
    QChar quote;
    for (QChar ch : maskIn) {
      if (!quote.isNull()) {
        cur += ch;
        if (ch == quote) quote = QChar();
        continue;
      }
      if (ch == QLatin1Char('"') || ch == QLatin1Char('\'')) quote = ch;
      if (ch == QLatin1Char(';')) {
        sections << cur;
        cur.clear();
        continue;
      }
      cur += ch;
    }
    sections << cur;
  }
  QString mask = sections[0];
  bool negSection = false;
  if (value < 0 && sections.size() >= 2 && !sections[1].isEmpty()) {
    mask = sections[1];
    negSection = true;
  }
  if (mask.isEmpty()) return FloatToStr(value);

  // Find the placeholders.
  int first = -1, last = -1, dot = -1;
  bool thousands = false;
  {
    QChar quote;
    for (int i = 0; i < mask.size(); ++i) {
      const QChar ch = mask[i];
      if (!quote.isNull()) {
        if (ch == quote) quote = QChar();
        continue;
      }
      if (ch == QLatin1Char('"') || ch == QLatin1Char('\'')) {
        quote = ch;
        continue;
      }
      if (ch == QLatin1Char('0') || ch == QLatin1Char('#')) {
        if (first < 0) first = i;
        last = i;
      } else if (ch == QLatin1Char('.') && dot < 0 && first >= 0) {
        dot = i;
        last = std::max(last, i);
      } else if (ch == QLatin1Char('.') && dot < 0 && first < 0) {
        dot = i;
        first = i;
        last = i;
      } else if (ch == QLatin1Char(',') && dot < 0) {
        thousands = true;
      }
    }
  }
  auto literal = [](const QString &part) {
    QString out;
    QChar quote;
    for (QChar ch : part) {
      if (!quote.isNull()) {
        if (ch == quote) quote = QChar();
        else out += ch;
        continue;
      }
      if (ch == QLatin1Char('"') || ch == QLatin1Char('\'')) {
        quote = ch;
        continue;
      }
      if (ch == QLatin1Char(',')) continue;
      out += ch;
    }
    return out;
  };
  if (first < 0) return literal(mask);

  int minInt = 0, minDec = 0, maxDec = 0;
  for (int i = first; i <= last; ++i) {
    const QChar ch = mask[i];
    const bool afterDot = dot >= 0 && i > dot;
    if (ch == QLatin1Char('0')) {
      if (afterDot) {
        ++minDec;
        ++maxDec;
      } else {
        ++minInt;
      }
    } else if (ch == QLatin1Char('#') && afterDot) {
      ++maxDec;
    }
  }
  // Decimal places after the last placeholder of the fraction: "0.00#######" counts all.
  const double absValue = std::fabs(value);
  QString digits = QString::number(absValue, 'f', maxDec);
  QString intPart = digits, frac;
  const int p = digits.indexOf(QLatin1Char('.'));
  if (p >= 0) {
    intPart = digits.left(p);
    frac = digits.mid(p + 1);
  }
  while (frac.size() > minDec && frac.endsWith(QLatin1Char('0'))) frac.chop(1);
  if (intPart == QLatin1String("0") && minInt == 0) intPart.clear();
  while (intPart.size() < minInt) intPart.prepend(QLatin1Char('0'));
  if (thousands && !intPart.isEmpty()) intPart = Thousands(intPart);
  QString number = intPart;
  if (!frac.isEmpty()) number += QLatin1Char('.') + frac;
  const bool isZero = (intPart.isEmpty() || intPart.count(QLatin1Char('0')) + intPart.count(QLatin1Char(',')) == intPart.size()) &&
                      frac.count(QLatin1Char('0')) == frac.size();
  if (value == 0.0 && sections.size() >= 3 && !sections[2].isEmpty())
    return FormatFloat(sections[2], 0.0);
  QString sign;
  if (value < 0 && !negSection && !isZero) sign = QStringLiteral("-");
  return literal(mask.left(first)) + sign + number + literal(mask.mid(last + 1));
}

QString FormatDateTime(const QString &pattern, const QDateTime &value) {
  const QDate d = value.date();
  const QTime t = value.time();
  QString out;
  const int n = pattern.size();
  bool lastWasHour = false;
  auto count = [&](int i, QChar ch) {
    int k = i;
    while (k < n && pattern[k].toLower() == ch) ++k;
    return k - i;
  };
  for (int i = 0; i < n;) {
    const QChar ch = pattern[i];
    const QChar lc = ch.toLower();
    if (ch == QLatin1Char('"') || ch == QLatin1Char('\'')) {
      int k = i + 1;
      while (k < n && pattern[k] != ch) out += pattern[k++];
      i = k + 1;
      continue;
    }
    if (lc == QLatin1Char('y')) {
      const int c = count(i, lc);
      out += c <= 2 ? QString::number(d.year() % 100).rightJustified(2, QLatin1Char('0'))
                    : QString::number(d.year()).rightJustified(4, QLatin1Char('0'));
      i += c;
      lastWasHour = false;
    } else if (lc == QLatin1Char('m')) {
      const int c = count(i, lc);
      if (lastWasHour && c <= 2) {
        out += c == 1 ? QString::number(t.minute())
                      : QString::number(t.minute()).rightJustified(2, QLatin1Char('0'));
      } else if (c == 1) {
        out += QString::number(d.month());
      } else if (c == 2) {
        out += QString::number(d.month()).rightJustified(2, QLatin1Char('0'));
      } else if (c == 3) {
        out += QLocale::c().monthName(d.month(), QLocale::ShortFormat);
      } else {
        out += QLocale::c().monthName(d.month(), QLocale::LongFormat);
      }
      i += c;
      lastWasHour = false;
    } else if (lc == QLatin1Char('d')) {
      const int c = count(i, lc);
      if (c == 1) out += QString::number(d.day());
      else if (c == 2) out += QString::number(d.day()).rightJustified(2, QLatin1Char('0'));
      else if (c == 3) out += QLocale::c().dayName(d.dayOfWeek(), QLocale::ShortFormat);
      else if (c == 4) out += QLocale::c().dayName(d.dayOfWeek(), QLocale::LongFormat);
      else out += FormatDateTime(ShortDateFormat, value);
      i += c;
      lastWasHour = false;
    } else if (lc == QLatin1Char('h')) {
      const int c = count(i, lc);
      out += c == 1 ? QString::number(t.hour())
                    : QString::number(t.hour()).rightJustified(2, QLatin1Char('0'));
      i += c;
      lastWasHour = true;
    } else if (lc == QLatin1Char('n')) {
      const int c = count(i, lc);
      out += c == 1 ? QString::number(t.minute())
                    : QString::number(t.minute()).rightJustified(2, QLatin1Char('0'));
      i += c;
      lastWasHour = false;
    } else if (lc == QLatin1Char('s')) {
      const int c = count(i, lc);
      out += c == 1 ? QString::number(t.second())
                    : QString::number(t.second()).rightJustified(2, QLatin1Char('0'));
      i += c;
      lastWasHour = false;
    } else if (lc == QLatin1Char('z')) {
      const int c = count(i, lc);
      out += c == 1 ? QString::number(t.msec())
                    : QString::number(t.msec()).rightJustified(3, QLatin1Char('0'));
      i += c;
      lastWasHour = false;
    } else {
      out += ch;
      ++i;
    }
  }
  return out;
}

QString FormatDateTime(const QString &pattern, const QDate &value) {
  return FormatDateTime(pattern, QDateTime(value, QTime(0, 0)));
}

QString DateToStr(const QDate &value) { return FormatDateTime(ShortDateFormat, value); }
QString DateTimeToStr(const QDateTime &value) {
  QString s = FormatDateTime(ShortDateFormat, value);
  if (value.time() != QTime(0, 0)) s += QLatin1Char(' ') + FormatDateTime("hh:nn:ss", value);
  return s;
}

int64_t Round(double value) { return static_cast<int64_t>(std::nearbyint(value)); }

bool TryStrToFloat(const QString &text, double &value) {
  bool ok = false;
  const double v = QLocale::c().toDouble(text.trimmed(), &ok);
  if (ok) value = v;
  return ok;
}

double StrToFloatDef(const QString &text, double def) {
  double v = def;
  return TryStrToFloat(text, v) ? v : def;
}

bool TryStrToInt(const QString &text, int &value) {
  bool ok = false;
  const int v = text.trimmed().toInt(&ok);
  if (ok) value = v;
  return ok;
}

int StrToIntDef(const QString &text, int def) {
  int v = def;
  return TryStrToInt(text, v) ? v : def;
}

QString IntToStr(int64_t value) { return QString::number(value); }
