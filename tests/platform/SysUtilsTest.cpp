#include <gtest/gtest.h>

#include <QTest>

#include <QApplication>
#include <QLocale>
#include <cmath>
#include <random>

#include "platform/CalcEdit.h"
#include "platform/SysUtils.h"

namespace {

TEST(FormatNumbers, FixedFormsWriteThePointAndTheirDecimals) {
  EXPECT_EQ(Format("%10.6f", {12.5}), " 12.500000");
  EXPECT_EQ(Format("%10.6f", {-0.25}), " -0.250000");
  EXPECT_EQ(Format("%10.6f", {1234567.1234567}), "1234567.123457");
  // "%f" without a precision writes two decimals, unpadded.
  EXPECT_EQ(Format("%f", {1234.5}), "1234.50");
  EXPECT_EQ(Format("%f", {0.0}), "0.00");
  // Integers given to a float conversion are numbers, and a text argument is read with '.'.
  EXPECT_EQ(Format("%f", {7}), "7.00");
  EXPECT_EQ(Format("%10.6f", {QStringLiteral("2.5")}), "  2.500000");
  // Exact halves round away from zero; values just below a half stay below.
  EXPECT_EQ(Format("%.2f", {0.125}), "0.13");
  EXPECT_EQ(Format("%.6f", {0.0078125}), "0.007813");
  EXPECT_EQ(Format("%.2f", {1.005}), "1.00");
}

TEST(FormatNumbers, TemplatesMixIntegersTextsAndWidths) {
  EXPECT_EQ(Format("update CatalogQty set QUANTITY=QUANTITY+%10.6f where ID=%d", {3.0, 42}),
            "update CatalogQty set QUANTITY=QUANTITY+  3.000000 where ID=42");
  EXPECT_EQ(Format("[%5d|%-5d|%.3d|%s|%-4s|%%]", {7, 7, 7, "ab", "x"}), "[    7|7    |007|ab|x   |%]");
  EXPECT_EQ(Format("%x", {255}), "FF");
  EXPECT_EQ(Format("%e", {1234.5}), "1.23450000000000E+003");
  EXPECT_EQ(Format("%.3e", {-0.00012}), "-1.20E-004");
  EXPECT_EQ(Format("%n", {1234567.891}), "1,234,567.89");
}

TEST(FormatNumbers, GeneralFormKeepsFifteenSignificantDigits) {
  EXPECT_EQ(FloatToStr(0.1), "0.1");
  EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");  // 17 digits would show 0.30000000000000004
  EXPECT_EQ(FloatToStr(12.5), "12.5");
  EXPECT_EQ(FloatToStr(-3.0), "-3");
  EXPECT_EQ(FloatToStr(0.0), "0");
  EXPECT_EQ(FloatToStr(1.0 / 3.0), "0.333333333333333");
  EXPECT_EQ(FloatToStr(123456789012345.0), "123456789012345");
  EXPECT_EQ(FloatToStr(0.0001), "0.0001");
  // The exponent form: from 15 digits before the point and below 0.0001; no '+', no zeros.
  EXPECT_EQ(FloatToStr(1e15), "1E15");
  EXPECT_EQ(FloatToStr(1234567890123456789.0), "1.23456789012346E18");
  EXPECT_EQ(FloatToStr(0.00001), "1E-5");
  EXPECT_EQ(FloatToStr(-0.0000442615029219009), "-4.42615029219009E-5");

  // "%g" is the same general form (C's %g would keep only 6 digits), with at least three
  // exponent digits.
  EXPECT_EQ(Format("%g", {1.23456789}), "1.23456789");
  EXPECT_EQ(Format("%g", {0.1 + 0.2}), "0.3");
  EXPECT_EQ(Format("%g", {1.5}), "1.5");
  EXPECT_EQ(Format("%g", {1e20}), "1E020");
  EXPECT_EQ(Format("%g", {0.00001}), "1E-005");
  EXPECT_EQ(Format("%.3g", {1234.5}), "1.23E003");
}

TEST(FormatNumbers, MasksOfTheWindowsAndReports) {
  EXPECT_EQ(FormatFloat("0.00", 3.14159), "3.14");
  EXPECT_EQ(FormatFloat("0.00", 0.125), "0.13");
  EXPECT_EQ(FormatFloat("0.00", -2.0), "-2.00");
  EXPECT_EQ(FormatFloat("0.####", 2.5), "2.5");
  EXPECT_EQ(FormatFloat("0.####", 2.0), "2");
  EXPECT_EQ(FormatFloat("0.####", 0.123456), "0.1235");
  EXPECT_EQ(FormatFloat("0.00#######", 1.5), "1.50");
  EXPECT_EQ(FormatFloat("0.00#######", 0.1 + 0.2), "0.30");
  EXPECT_EQ(FormatFloat("0.00#######", 1.123456789012), "1.123456789");
  EXPECT_EQ(FormatFloat(",0.0000##", 1234567.5), "1,234,567.5000");
  EXPECT_EQ(FormatFloat(",0.0000##", 12.3456789), "12.345679");
  EXPECT_EQ(FormatFloat("0.00 EUR", 12.5), "12.50 EUR");
  EXPECT_EQ(FormatFloat("0.##", 0.5), "0.5");
  EXPECT_EQ(FormatFloat("0.##", 0.0), "0");
  EXPECT_EQ(FormatFloat("0.000", 2.0005), "2.001");
  EXPECT_EQ(FormatFloat("#.##", 0.5), ".5");
  EXPECT_EQ(FormatFloat("0", 2.5), "3");  // the mask rounds halves away from zero
  // At most 15 significant digits reach the text, as in the general form.
  EXPECT_EQ(FormatFloat("0.00#######", 12345678.123456789), "12345678.1234568");
  // A value that rounds to zero carries no sign.
  EXPECT_EQ(FormatFloat("0.00", -0.001), "0.00");
}

// A mask rounds the value's 18-digit decimal form half away from zero, as the original
// library does: 1.005 is 1.00499999999999989 and shows "1.00", though "1.005" reads back as
// the same value. The value in units of the last decimal, the long way.
QString RoundedTheLongWay(double value, int decimals) {
  const QString s = QString::number(std::fabs(value), 'e', 17);
  const int e = s.indexOf(QLatin1Char('e'));
  const QString digits = s.left(e).remove(QLatin1Char('.'));
  const int keep = s.mid(e + 1).toInt() + 1 + decimals;  // digits before the cut
  qint64 units = 0;
  for (int i = 0; i < keep; ++i) units = units * 10 + (i < digits.size() ? digits[i].digitValue() : 0);
  if (keep >= 0 && keep < digits.size() && digits[keep] >= QLatin1Char('5')) ++units;
  QString text = QString::number(units).rightJustified(decimals + 1, QLatin1Char('0'));
  text.insert(text.size() - decimals, QLatin1Char('.'));
  return (value < 0 && units > 0 ? QStringLiteral("-") : QString()) + text;
}

TEST(FormatNumbers, MasksRoundTheEighteenDigitFormOfEveryValue) {
  EXPECT_EQ(FormatFloat("0.00", 1.005), "1.00");
  EXPECT_EQ(FormatFloat("0.00", 2.675), "2.67");
  EXPECT_EQ(FormatFloat("0.00", 1.125), "1.13");
  EXPECT_EQ(FormatFloat("0.0000 EUR", 0.00005), "0.0001 EUR");
  EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");
  EXPECT_EQ(FloatToStr(1e15 - 1), "999999999999999");
  EXPECT_EQ(FloatToStr(std::nextafter(1000.0, 0.0)), "1000");
  // Amounts and prices of every size, many of them on a half or next to one.
  std::mt19937_64 random(20240305);
  for (int i = 0; i < 200000; ++i) {
    const double scale = std::pow(10.0, double(random() % 7));
    double value = double(qint64(random() % 2000000000) - 1000000000) / scale;
    if (i % 3 == 1) value = (double(random() % 1000000) + 0.5) / scale;
    if (i % 3 == 2) value = std::nextafter(value, i % 2 ? 1e30 : -1e30);
    for (int decimals : {2, 4}) {
      const QString mask = decimals == 2 ? QStringLiteral("0.00") : QStringLiteral("0.0000");
      ASSERT_EQ(FormatFloat(mask, value), RoundedTheLongWay(value, decimals))
          << QString::number(value, 'g', 17).toStdString();
    }
  }
}

TEST(FormatNumbers, MaskSectionsForNegativeAndZero) {
  EXPECT_EQ(FormatFloat("0.00;(0.00)", 5.0), "5.00");
  EXPECT_EQ(FormatFloat("0.00;(0.00)", -5.0), "(5.00)");
  EXPECT_EQ(FormatFloat("0.00;(0.00);'nil'", 0.0), "nil");
  EXPECT_EQ(FormatFloat("0.00;(0.00);'nil'", -0.001), "nil");
  EXPECT_EQ(FormatFloat("0.00;(0.00)", -0.001), "0.00");
  EXPECT_EQ(FormatFloat("0.00;;'-'", -1.5), "-1.50");  // an empty section falls back to the first
  EXPECT_EQ(FormatFloat("'Total: '0.00", 3.0), "Total: 3.00");
}

TEST(FormatDates, MinutesAfterHoursAndLiteralSeparators) {
  const QDateTime t(QDate(2004, 3, 7), QTime(14, 5, 9));
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:mm:ss", t), "2004-03-07 14:05:09");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn:ss", t), "2004-03-07 14:05:09");
  EXPECT_EQ(FormatDateTime("hh:mm", t), "14:05");
  EXPECT_EQ(FormatDateTime("mm", t), "03");
  EXPECT_EQ(FormatDateTime("nn", t), "05");
  EXPECT_EQ(FormatDateTime("hh:nn dd/mm", t), "14:05 07/03");  // the day ends the hour's hold
  EXPECT_EQ(FormatDateTime("dd/mm/yyyy", t), "07/03/2004");   // '/' is written as it stands
  EXPECT_EQ(FormatDateTime("dd.mm.yyyy", t), "07.03.2004");
  EXPECT_EQ(FormatDateTime("d.m.yy", t), "7.3.04");
  EXPECT_EQ(FormatDateTime("'Date' dd", t), "Date 07");
  EXPECT_EQ(FormatDateTime("yyyy-mm-dd", QDate(2004, 3, 7)), "2004-03-07");
  EXPECT_EQ(DateToStr(QDate(2004, 3, 7)), "07.03.2004");
  EXPECT_EQ(DateTimeToStr(t), "07.03.2004 14:05:09");
}

TEST(RoundAndParse, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(Round(0.5), 0);
  EXPECT_EQ(Round(1.5), 2);
  EXPECT_EQ(Round(2.5), 2);
  EXPECT_EQ(Round(3.5), 4);
  EXPECT_EQ(Round(-2.5), -2);
  EXPECT_EQ(Round(-2.51), -3);
  EXPECT_EQ(Round(2.49999), 2);
  EXPECT_EQ(Round(3000000000.5), 3000000000LL);  // beyond 32 bits

  EXPECT_DOUBLE_EQ(StrToFloatDef(" 2.5 ", 0), 2.5);
  EXPECT_DOUBLE_EQ(StrToFloatDef("-1e3", 0), -1000);
  EXPECT_DOUBLE_EQ(StrToFloatDef("", 7), 7);
  EXPECT_DOUBLE_EQ(StrToFloatDef("abc", 7), 7);
  // ',' is neither a decimal nor a thousands separator.
  EXPECT_DOUBLE_EQ(StrToFloatDef("1,5", 7), 7);
  EXPECT_DOUBLE_EQ(StrToFloatDef("1,500", 7), 7);
  EXPECT_EQ(StrToIntDef("12", 0), 12);
  EXPECT_EQ(StrToIntDef("12.5", -1), -1);
}

TEST(FormatLocale, LatvianLocaleNeverChangesThePoint) {
  // The test program runs with a Latvian default locale and a live application object.
  ASSERT_NE(qApp, nullptr);
  ASSERT_EQ(QLocale().decimalPoint(), QStringLiteral(","));
  EXPECT_EQ(Format("%10.6f|%f|%g", {1.25, 2.5, 0.75}), "  1.250000|2.50|0.75");
  EXPECT_EQ(FloatToStr(1.25), "1.25");
  EXPECT_EQ(FormatFloat(",0.00", 1234.5), "1,234.50");
  EXPECT_DOUBLE_EQ(StrToFloatDef("1.25", 0), 1.25);

  TCalcEdit edit;
  edit.DecimalPlaces = 4;
  edit.SetValue(2.5);
  EXPECT_EQ(edit.text(), "2.5000");
  EXPECT_DOUBLE_EQ(edit.Value(), 2.5);
  edit.setText(QString());
  EXPECT_TRUE(edit.IsValid());
  EXPECT_DOUBLE_EQ(edit.Value(), 0.0);
  // a comma typed is the decimal mark, shown as the point
  edit.setText("1,5");
  EXPECT_TRUE(edit.IsValid());
  EXPECT_DOUBLE_EQ(edit.Value(), 1.5);
  edit.clear();
  QTest::keyClicks(&edit, "-12,50");
  EXPECT_EQ(edit.text(), "-12.50");
  EXPECT_TRUE(edit.hasAcceptableInput());
}

TEST(RoundAndParse, TypedNumbersTakeACommaAndNeverAnInfinity) {
  double v = 7;
  EXPECT_TRUE(TryInputToFloat(" 1,5 ", v));
  EXPECT_DOUBLE_EQ(v, 1.5);
  EXPECT_TRUE(TryInputToFloat("1,500", v));  // a decimal mark, never a thousands separator
  EXPECT_DOUBLE_EQ(v, 1.5);
  for (const char *bad : {"1.000,5", "1,2,3", "", "abc", "inf", "-inf", "nan", "infinity", "1e999",
                          "-1e999"}) {
    v = 7;
    EXPECT_FALSE(TryInputToFloat(bad, v)) << bad;
    EXPECT_FALSE(TryStrToFloat(bad, v)) << bad;
    EXPECT_EQ(v, 7) << bad;
  }
  EXPECT_DOUBLE_EQ(StrToFloatDef("1e308", 0), 1e308);

  // Keys that cannot make a number are not taken; what is set by code is judged on reading.
  TCalcEdit edit;
  QTest::keyClicks(&edit, "1e9x,5,");
  EXPECT_EQ(edit.text(), "19.5");
  for (const char *bad : {"inf", "nan", "1e999"}) {
    edit.setText(bad);
    EXPECT_FALSE(edit.IsValid()) << bad;
    EXPECT_EQ(edit.Value(), 0.0) << bad;
  }
  // a box of a 32-bit column holds no more
  edit.SetRange(INT32_MIN, INT32_MAX);
  edit.setText("2147483647");
  EXPECT_TRUE(edit.IsValid());
  edit.setText("2147483648");
  EXPECT_FALSE(edit.IsValid());
  EXPECT_EQ(edit.Value(), 0.0);
  edit.clear();
  QTest::keyClicks(&edit, "3000000000");
  EXPECT_FALSE(edit.hasAcceptableInput());
}

}  // namespace
