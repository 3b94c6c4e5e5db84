#include <gtest/gtest.h>

#include <QTest>

#include <QApplication>
#include <QLocale>

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
