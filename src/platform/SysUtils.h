#pragma once
// Number and date formatting with the rules of the original platform's run-time library,
// always with '.' as the decimal separator whatever the locale.
#include <QDateTime>
#include <QString>
#include <QVariant>
#include <QVariantList>
#include <cstdint>

// Format with %d, %u, %x, %s, %f, %g, %e, %n, %m and their width, precision and '-' flag.
// "%f" without precision writes two decimals, halves rounded away from zero; "%g" writes at
// most 15 significant digits, switching to the exponent form ("1E020", "1E-005": at least
// three exponent digits) from 1E15 and below 0.0001.
// Integers passed to %f/%g/%e are taken as floats; a text passed to %s as it is. Widths and
// the precision of %s count characters: one beyond U+FFFF counts once.
QString Format(const QString &fmt, const QVariantList &args);

// Shortest general form with 15 significant digits ("0.1", "12.5", "1E15", "1E-5").
QString FloatToStr(double value);
// A number under a mask of '0', '#', '.', ',', literal text and ';' sections (positive;
// negative; zero). At most 15 significant digits; halves rounded away from zero; a value that
// rounds to zero takes the zero section, or the first one without a sign.
QString FormatFloat(const QString &mask, double value);
// A date-time under a pattern: yyyy yy mm m dd d hh h nn n ss s zzz, "mm" after "hh" means
// minutes, "ddddd" the short date, quoted text literal, '/' and ':' themselves.
QString FormatDateTime(const QString &pattern, const QDateTime &value);
QString FormatDateTime(const QString &pattern, const QDate &value);

// The short date format used where a date is shown without a pattern.
extern QString ShortDateFormat;
QString DateToStr(const QDate &value);
QString DateTimeToStr(const QDateTime &value);

// Whole-number rounding, halves to even.
int64_t Round(double value);

// Text to number with '.' as separator; a surrounding blank is allowed. False (value
// untouched) for anything else, including infinities, not-a-number and values beyond the
// range of a double.
bool TryStrToFloat(const QString &text, double &value);
// A number as a user types it: a comma is the decimal mark as well as the point (one mark at
// most, no thousands separators); otherwise as TryStrToFloat.
bool TryInputToFloat(const QString &text, double &value);
double StrToFloatDef(const QString &text, double def);
bool TryStrToInt(const QString &text, int &value);
int StrToIntDef(const QString &text, int def);
QString IntToStr(int64_t value);
