#include "platform/SysUtils.h"

#include <QLocale>
#include <algorithm>
#include <charconv>
#include <cmath>

QString ShortDateFormat = QStringLiteral("dd.mm.yyyy");

namespace {

// The decimal digits of a value as the original library computes them: the value is first
// taken to 18 significant digits, then rounded half away from zero to at most maxDigits
// significant digits and at most `decimals` digits after the point. value = 0.d1d2d3... *
// 10^exponent; no trailing zeros; an empty digit string means the result is zero.
struct TDecimal {
  QString digits;
  int exponent = 0;
  bool negative = false;
};

// Rounds the digits half away from zero to the first `keep` ones, as the original library
// does; carries into a new leading digit.
void RoundDigits(QString &digits, qint64 keep, TDecimal &d) {
  if (keep < digits.size()) {
    const bool up = digits[int(keep)] >= QLatin1Char('5');
    digits.truncate(int(keep));
    if (up) {
      int i = digits.size() - 1;
      while (i >= 0 && digits[i] == QLatin1Char('9')) digits[i--] = QLatin1Char('0');
      if (i >= 0) {
        digits[i] = QChar(digits[i].unicode() + 1);
      } else {
        digits.prepend(QLatin1Char('1'));
        ++d.exponent;
      }
    }
  }
  while (digits.endsWith(QLatin1Char('0'))) digits.chop(1);
  d.digits = digits;
  if (digits.isEmpty()) d.exponent = 0;
}

// The same digits as below from the shortest text that reads back as the value, which is much
// cheaper to write than 18 digits. It serves when at most 15 digits are kept: the 18-digit
// form and the shortest text then differ by less than 0.12 of the last kept digit's unit, so
// both round alike unless the dropped digits are near a half (those take the long way), and
// a shortest text that keeps all its digits is what the 18-digit form rounds to. A power of
// ten takes the long way too: the value may lie just below it, with an exponent one less.
bool ShortestDecimal(double value, int maxDigits, int decimals, TDecimal &d) {
  if (maxDigits > 15) return false;
  char text[40];
  const auto written = std::to_chars(text, text + sizeof text, std::fabs(value),
                                     std::chars_format::scientific);  // d.ddde+XX
  if (written.ec != std::errc()) return false;
  const char *end = written.ptr;
  const char *e = std::find(static_cast<const char *>(text), end, 'e');
  if (e == end) return false;
  QString digits;
  for (const char *c = text; c < e; ++c)
    if (*c != '.') digits += QLatin1Char(*c);
  if (digits == QLatin1String("1")) return false;
  int exponent = 0;
  if (std::from_chars(e + (e[1] == '+' ? 2 : 1), end, exponent).ec != std::errc()) return false;
  d.exponent = exponent + 1;
  const qint64 keep = std::min<qint64>(maxDigits, qint64(d.exponent) + decimals);
  if (keep < 0) return true;
  if (keep < digits.size()) {
    const char16_t dropped = digits[int(keep)].unicode();
    if (dropped >= u'3' && dropped <= u'6') return false;
  }
  RoundDigits(digits, keep, d);
  return true;
}

// The decimal digits of a value (see TDecimal).
TDecimal ToDecimal(double value, int maxDigits, int decimals) {
  TDecimal d;
  d.negative = std::signbit(value);
  if (value == 0.0 || !std::isfinite(value)) return d;
  if (ShortestDecimal(value, maxDigits, decimals, d)) return d;
  const QString s = QString::number(std::fabs(value), 'e', 17);  // d.ddddddddddddddddde+XX
  const int e = s.indexOf(QLatin1Char('e'));
  QString digits = s.left(e);
  digits.remove(QLatin1Char('.'));
  d.exponent = s.mid(e + 1).toInt() + 1;
  const qint64 keep = std::min<qint64>(maxDigits, qint64(d.exponent) + decimals);
  if (keep < 0) return d;
  RoundDigits(digits, keep, d);
  return d;
}

// The general form of the original library: the shortest text of at most `precision`
// significant digits; fixed unless the value needs more than `precision` digits before the
// point or is below 0.0001, then d.dddE[-]x with at least expDigits exponent digits.
QString GeneralForm(double value, int precision, int expDigits) {
  if (std::isnan(value)) return QStringLiteral("NAN");
  if (std::isinf(value)) return value > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
  const TDecimal d = ToDecimal(value, precision, 9999);
  if (d.digits.isEmpty()) return QStringLiteral("0");
  QString out = d.negative ? QStringLiteral("-") : QString();
  if (d.exponent > precision || d.exponent < -3) {
    out += d.digits[0];
    if (d.digits.size() > 1) out += QLatin1Char('.') + d.digits.mid(1);
    const int exp = d.exponent - 1;
    out += QLatin1Char('E');
    if (exp < 0) out += QLatin1Char('-');
    out += QString::number(std::abs(exp)).rightJustified(expDigits, QLatin1Char('0'));
    return out;
  }
  if (d.exponent <= 0) {
    out += QStringLiteral("0.") + QString(-d.exponent, QLatin1Char('0')) + d.digits;
  } else if (d.digits.size() <= d.exponent) {
    out += d.digits + QString(d.exponent - d.digits.size(), QLatin1Char('0'));
  } else {
    out += d.digits.left(d.exponent) + QLatin1Char('.') + d.digits.mid(d.exponent);
  }
  return out;
}

// Characters, not UTF-16 units: a character beyond U+FFFF is one character of the width.
qsizetype CharCount(const QString &s) {
  qsizetype n = 0;
  for (qsizetype i = 0; i < s.size(); ++i, ++n)
    if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) ++i;
  return n;
}

// The first `count` characters, never half of a surrogate pair.
QString LeftChars(const QString &s, qsizetype count) {
  qsizetype i = 0;
  for (qsizetype n = 0; n < count && i < s.size(); ++n, ++i)
    if (s[i].isHighSurrogate() && i + 1 < s.size() && s[i + 1].isLowSurrogate()) ++i;
  return s.left(i);
}

QString Pad(const QString &s, int width, bool left) {
  const qsizetype chars = CharCount(s);
  if (width <= chars) return s;
  const QString blanks(width - chars, QLatin1Char(' '));
  return left ? s + blanks : blanks + s;
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
        if (prec >= 0) piece = LeftChars(piece, prec);
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
        piece = GeneralForm(ToDouble(arg), prec <= 0 ? 15 : prec, 3);
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

QString FloatToStr(double value) { return GeneralForm(value, 15, 0); }

namespace {

// Splits a mask at the ';' outside quotes: positive; negative; zero.
QStringList MaskSections(const QString &mask) {
  QStringList sections;
  QString cur;
  QChar quote;
  for (QChar ch : mask) {
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
  return sections;
}

// The literal text of a part of a mask: quotes removed, thousands commas dropped.
QString MaskLiteral(const QString &part) {
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
}

struct TMaskLayout {
  int first = -1, last = -1, dot = -1;
  int minInt = 0, minDec = 0, maxDec = 0;
  bool thousands = false;
};

TMaskLayout ScanMask(const QString &mask) {
  TMaskLayout m;
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
      if (m.first < 0) m.first = i;
      m.last = i;
      if (m.dot >= 0) {
        ++m.maxDec;
        if (ch == QLatin1Char('0')) m.minDec = m.maxDec;
      } else if (ch == QLatin1Char('0')) {
        ++m.minInt;
      }
    } else if (ch == QLatin1Char('.') && m.dot < 0) {
      m.dot = i;
      if (m.first < 0) m.first = i;
      m.last = std::max(m.last, i);
    } else if (ch == QLatin1Char(',') && m.dot < 0) {
      m.thousands = true;
    }
  }
  return m;
}

// A section of a mask, scanned once: its layout and the literal texts around the number.
struct TMaskSection {
  QString Mask;
  TMaskLayout Layout;
  QString Before, After;  // with digits
  QString Literal;        // without any
};

// A mask split into its sections (positive; negative; zero), each scanned.
struct TScannedMask {
  QString Mask;
  bool Valid = false;
  TMaskSection Sections[3];
};

TMaskSection ScanSection(const QString &mask) {
  TMaskSection s;
  s.Mask = mask;
  s.Layout = ScanMask(mask);
  if (s.Layout.first < 0) {
    s.Literal = MaskLiteral(mask);
  } else {
    s.Before = MaskLiteral(mask.left(s.Layout.first));
    s.After = MaskLiteral(mask.mid(s.Layout.last + 1));
  }
  return s;
}

// The masks of a report repeat on every row: the last few are kept scanned.
const TScannedMask &ScannedMask(const QString &mask) {
  thread_local TScannedMask kept[4];
  thread_local int next = 0;
  for (const TScannedMask &k : kept)
    if (k.Valid && k.Mask == mask) return k;
  TScannedMask &k = kept[next];
  next = (next + 1) % 4;
  k = TScannedMask();
  k.Mask = mask;
  const QStringList sections = MaskSections(mask);
  for (int i = 0; i < 3 && i < sections.size(); ++i) k.Sections[i] = ScanSection(sections[i]);
  k.Valid = true;
  return k;
}

// One section applied to the digits of the absolute value.
QString ApplySection(const TMaskSection &s, const TDecimal &d, bool sign) {
  const TMaskLayout &m = s.Layout;
  if (m.first < 0) return s.Literal;
  QString intPart, frac;
  if (!d.digits.isEmpty()) {
    if (d.exponent <= 0) {
      frac = QString(-d.exponent, QLatin1Char('0')) + d.digits;
    } else if (d.digits.size() <= d.exponent) {
      intPart = d.digits + QString(d.exponent - d.digits.size(), QLatin1Char('0'));
    } else {
      intPart = d.digits.left(d.exponent);
      frac = d.digits.mid(d.exponent);
    }
  }
  while (frac.size() < m.minDec) frac += QLatin1Char('0');
  while (intPart.size() < m.minInt) intPart.prepend(QLatin1Char('0'));
  if (m.thousands && !intPart.isEmpty()) intPart = Thousands(intPart);
  QString out;
  out.reserve(s.Before.size() + 1 + intPart.size() + 1 + frac.size() + s.After.size());
  out += s.Before;
  if (sign) out += QLatin1Char('-');
  out += intPart;
  if (!frac.isEmpty()) {
    out += QLatin1Char('.');
    out += frac;
  }
  out += s.After;
  return out;
}

}  // namespace

QString FormatFloat(const QString &maskIn, double value) {
  const TScannedMask &scanned = ScannedMask(maskIn);
  // The section of the sign: a missing or empty negative or zero section means the first.
  int index = value > 0 ? 0 : value < 0 ? 1 : 2;
  if (scanned.Sections[index].Mask.isEmpty()) index = 0;
  const TMaskSection *section = &scanned.Sections[index];
  if (section->Mask.isEmpty()) return FloatToStr(value);
  TDecimal d = ToDecimal(value, 15, section->Layout.maxDec);
  if (d.digits.isEmpty() && index != 2) {
    // Rounded to zero: the zero section when there is one, otherwise the first, unsigned.
    if (!scanned.Sections[2].Mask.isEmpty()) {
      section = &scanned.Sections[2];
      d = TDecimal();
    } else if (index == 1) {
      section = &scanned.Sections[0];
    }
    return ApplySection(*section, d, false);
  }
  return ApplySection(*section, d, value < 0 && index == 0);
}

namespace {

// The pattern applied to a date and a time of day.
QString FormatParts(const QString &pattern, const QDate &d, const QTime &t) {
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
      else out += FormatParts(ShortDateFormat, d, t);
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

}  // namespace

QString FormatDateTime(const QString &pattern, const QDateTime &value) {
  return FormatParts(pattern, value.date(), value.time());
}

// A date alone is formatted at midnight, without going through a local date-time (which asks
// the time zone of the system for every date).
QString FormatDateTime(const QString &pattern, const QDate &value) {
  return FormatParts(pattern, value, QTime(0, 0));
}

QString DateToStr(const QDate &value) {
  // Lists and reports show the same dates over and over: the last ones are kept, with the
  // format they were written in.
  struct TKept {
    qint64 Day = 0;
    bool Valid = false;
    QString Format, Text;
  };
  thread_local TKept kept[64];
  if (!value.isValid()) return FormatDateTime(ShortDateFormat, value);
  const qint64 day = value.toJulianDay();
  TKept &k = kept[quint64(day) % std::size(kept)];
  if (!k.Valid || k.Day != day || k.Format != ShortDateFormat) {
    k.Day = day;
    k.Format = ShortDateFormat;
    k.Text = FormatDateTime(ShortDateFormat, value);
    k.Valid = true;
  }
  return k.Text;
}
QString DateTimeToStr(const QDateTime &value) {
  QString s = FormatDateTime(ShortDateFormat, value);
  if (value.time() != QTime(0, 0)) s += QLatin1Char(' ') + FormatDateTime("hh:nn:ss", value);
  return s;
}

int64_t Round(double value) { return static_cast<int64_t>(std::nearbyint(value)); }

bool TryStrToFloat(const QString &text, double &value) {
  // '.' is the only separator: "1,5" and "1,500" are not numbers. Infinities, not-a-number
  // and values beyond the range of a double are not numbers either.
  QLocale c = QLocale::c();
  c.setNumberOptions(QLocale::RejectGroupSeparator);
  bool ok = false;
  const double v = c.toDouble(text.trimmed(), &ok);
  if (!ok || !std::isfinite(v)) return false;
  value = v;
  return true;
}

bool TryInputToFloat(const QString &text, double &value) {
  QString t = text.trimmed();
  if (t.count(QLatin1Char(',')) + t.count(QLatin1Char('.')) > 1) return false;
  t.replace(QLatin1Char(','), QLatin1Char('.'));
  return TryStrToFloat(t, value);
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
