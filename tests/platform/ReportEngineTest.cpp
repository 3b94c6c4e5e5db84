// The banded report engine: layout into pages, bands and their handlers, formatting of
// data-bound values, expressions, the PDF writer and the preview window.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextLayout>
#include <QToolButton>
#include <cstring>
#include <malloc.h>
#include <stdexcept>

#include "platform/Clock.h"
#include "platform/SysUtils.h"
#include "platform/report/QuickRpt.h"
#include "platform/report/ReportPreview.h"
#include "platform/report/ReportProgress.h"
#include "support/ReportChecks.h"
#include "support/ScriptedDialogs.h"

void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

namespace {

// Rows held in memory.
class TMemData : public TReportDataSet {
 public:
  TMemData(const QString &name, const QStringList &fields) : m_name(name), m_fields(fields) {}
  void Add(const QVariantList &row) { m_rows.push_back(row); }
  void Clear() { m_rows.clear(); }
  QString DataSetName() const override { return m_name; }
  void MoveFirst() override { m_pos = 0; }
  void MoveNext() override { ++m_pos; }
  bool AtEnd() const override { return m_pos >= int(m_rows.size()); }
  QVariant FieldValue(const QString &field) const override {
    const int i = m_fields.indexOf(field);
    if (i < 0) throw std::runtime_error("no field " + field.toStdString());
    return m_rows[m_pos][i];
  }
  int Pos() const { return m_pos; }

 private:
  QString m_name;
  QStringList m_fields;
  std::vector<QVariantList> m_rows;
  int m_pos = 0;
};

class ReportEngine : public ::testing::Test {
 protected:
  void SetUp() override {
    Clock::SetFixed(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    Script().Clear();
  }
  void TearDown() override { Clock::SetFixed(QDateTime()); }

  // A report with title, column header, detail, summary and page footer over Data.
  void Build(TQuickRep &rep) {
    rep.DataSet = &Data;
    rep.AddBand(rbTitle, "Title", 60)->AddLabel("QRLabel1", 0, 10, "Atskaite – Отчёт");
    rep.AddBand(rbColumnHeader, "Header", 20)->AddLabel("Head", 0, 2, "Nosaukums");
    TQRBand *detail = rep.AddBand(rbDetail, "Detail", 20);
    detail->AddSysData("No", 0, 2, qrsDetailNo, "");
    detail->AddDBText("Name", 40, 2, 200, &Data, "NAME");
    detail->AddDBText("Qty", 300, 2, 80, &Data, "QTY", "0.##");
    TQRBand *summary = rep.AddBand(rbSummary, "Summary", 30);
    summary->AddExpr("Total", 300, 5, 80, "sum(Rows.QTY)", "0.00 EUR");
    TQRBand *footer = rep.AddBand(rbPageFooter, "Footer", 20);
    footer->AddSysData("QRSysData1", 0, 2, qrsDate, "Printed ");
    footer->AddSysData("QRSysData2", 500, 2, qrsPageNumber, "Page ")->Alignment = taRightJustify;
  }
  void Fill(int rows) {
    for (int i = 1; i <= rows; ++i) Data.Add({QStringLiteral("Līste %1").arg(i), i * 0.5});
  }

  TMemData Data{"Rows", {"NAME", "QTY"}};
};

int CountOf(const QStringList &texts, const QString &text) { return int(texts.count(text)); }

// The lines a text item shows in, broken as the painter and the PDF writer break it.
QStringList PaintedLines(const TReportItem &item) {
  QString text = item.Text;
  text.replace(QLatin1Char('\n'), QChar::LineSeparator);
  QTextLayout layout(text, item.Font);
  QTextOption option;
  option.setWrapMode(item.Flags & Qt::TextWrapAnywhere ? QTextOption::WrapAnywhere
                     : item.Flags & Qt::TextWordWrap  ? QTextOption::WordWrap
                                                      : QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.beginLayout();
  for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
    line.setLineWidth(item.Box.width());
  layout.endLayout();
  QStringList lines;
  for (int i = 0; i < layout.lineCount(); ++i)
    lines << text.mid(layout.lineAt(i).textStart(), layout.lineAt(i).textLength())
                 .remove(QChar::LineSeparator)
                 .trimmed();
  return lines;
}

TEST_F(ReportEngine, LongReportRepeatsHeadersAndFootersAndSummarisesOnTheLastPage) {
  TQuickRep rep;
  Build(rep);
  Fill(150);
  const TReportModel &m = rep.Prepare();
  ASSERT_GE(m.PageCount(), 3);
  double total = 0;
  int detailLines = 0;
  for (int p = 0; p < m.PageCount(); ++p) {
    const QStringList t = m.Pages[p].Texts();
    SCOPED_TRACE(p + 1);
    EXPECT_EQ(CountOf(t, "Atskaite – Отчёт"), p == 0 ? 1 : 0);
    EXPECT_EQ(CountOf(t, "Nosaukums"), 1);
    EXPECT_EQ(t.last(), QStringLiteral("Page %1").arg(p + 1));
    EXPECT_TRUE(t.contains("Printed 05.03.2024"));
    EXPECT_EQ(m.Pages[p].Find("Total") != nullptr, p == m.PageCount() - 1);
    // Nothing is placed over the page footer or past the bottom margin.
    const double footerTop = m.PaperSize.height() - 7 * ReportPixelsPerMM - 20;
    for (const auto &item : m.Pages[p].Items)
      if (item.Name != "QRSysData1" && item.Name != "QRSysData2")
        EXPECT_LE(item.Box.top() + 1, footerTop) << item.Text.toStdString();
    for (const auto *q : m.Pages[p].FindAll("Qty")) {
      total += q->Text.toDouble();
      ++detailLines;
    }
  }
  EXPECT_EQ(detailLines, 150);
  EXPECT_DOUBLE_EQ(total, 150 * 151 / 2 * 0.5);
  ASSERT_NE(m.Pages.back().Find("Total"), nullptr) << m.Dump().toStdString();
  EXPECT_EQ(m.Pages.back().Find("Total")->Text, "5662.50 EUR");
  // Detail numbers run on across pages.
  QStringList numbers;
  for (const auto &page : m.Pages)
    for (const auto *n : page.FindAll("No")) numbers << n->Text;
  ASSERT_EQ(numbers.size(), 150);
  EXPECT_EQ(numbers.first(), "1");
  EXPECT_EQ(numbers.last(), "150");
  EXPECT_EQ(m.Pages[1].FindAll("No").front()->Text.toInt(),
            int(m.Pages[0].FindAll("No").size()) + 1);
}

TEST_F(ReportEngine, EmptyReportPrintsTitleHeadersAndFooterOnOnePage) {
  TQuickRep rep;
  Build(rep);
  const TReportModel &m = rep.Prepare();
  ASSERT_EQ(m.PageCount(), 1);
  EXPECT_EQ(m.Pages[0].Texts(), QStringList({"Atskaite – Отчёт", "Nosaukums", "0.00 EUR",
                                             "Printed 05.03.2024", "Page 1"}));
}

TEST_F(ReportEngine, GeneratingTwiceStartsSumsAndCountersAfresh) {
  TQuickRep rep;
  Build(rep);
  Fill(3);
  int reportCalls = 0;
  rep.BeforePrint = [&](TQuickRep *, bool &) { ++reportCalls; };
  const QString first = rep.Prepare().Dump();
  const QString second = rep.Prepare().Dump();
  EXPECT_EQ(first, second);
  EXPECT_EQ(reportCalls, 2);
  EXPECT_EQ(rep.Model().Pages[0].Find("Total")->Text, "3.00 EUR");
}

TEST_F(ReportEngine, ReportHandlerRunsBeforeTheDataIsReadAndMayFillIt) {
  TQuickRep rep;
  Build(rep);
  rep.BeforePrint = [&](TQuickRep *, bool &) {
    Data.Clear();
    Fill(2);
  };
  Fill(10);
  const QStringList names = [&] {
    QStringList out;
    for (const auto *i : rep.Prepare().Pages[0].FindAll("Name")) out << i->Text;
    return out;
  }();
  EXPECT_EQ(names, QStringList({"Līste 1", "Līste 2"}));
}

TEST_F(ReportEngine, SubDetailsPrintInOrderWithHeadersFootersAndPrintIfEmpty) {
  TMemData a("A", {"V"}), b("B", {"V"});
  TQuickRep rep;
  Build(rep);
  Fill(2);
  TQRBand *ha = rep.AddBand(rbGroupHeader, "HeadA", 16);
  ha->AddLabel("HA", 0, 0, "in:");
  TQRSubDetail *sa = rep.AddSubDetail("SubA", 16, &a);
  sa->AddDBText("VA", 10, 0, 50, &a, "V");
  sa->HeaderBand = ha;
  TQRBand *fa = rep.AddBand(rbGroupFooter, "FootA", 16);
  auto *faLabel = fa->AddLabel("FA", 0, 0, "");
  sa->FooterBand = fa;
  TQRSubDetail *sb = rep.AddSubDetail("SubB", 16, &b);
  sb->AddDBText("VB", 10, 0, 50, &b, "V");
  TQRBand *fb = rep.AddBand(rbGroupFooter, "FootB", 16);
  fb->AddLabel("FB", 0, 0, "end B");
  sb->FooterBand = fb;
  sb->PrintIfEmpty = false;
  double perRow = 0;
  // The detail band re-fills the sub-detail data for each row and resets the row total.
  rep.Band(rbDetail)->BeforePrint = [&](TQRBand *, bool &) {
    a.Clear();
    b.Clear();
    perRow = 0;
    if (Data.Pos() == 0) {
      a.Add({1.5});
      a.Add({2.0});
      b.Add({"x"});
    }
  };
  sa->BeforePrint = [&](TQRBand *, bool &) { perRow += a.FieldValue("V").toDouble(); };
  fa->BeforePrint = [&](TQRBand *, bool &) { faLabel->Caption = Format("%10.2f", {perRow}); };
  const QStringList t = rep.Prepare().Pages[0].Texts();
  const QStringList expected = {"Atskaite – Отчёт", "Nosaukums",
                                "1", "Līste 1", "0.5", "in:", "1.5", "2", "      3.50", "x", "end B",
                                "2", "Līste 2", "1", "in:", "      0.00",
                                "1.50 EUR", "Printed 05.03.2024", "Page 1"};
  EXPECT_EQ(t, expected);
}

TEST_F(ReportEngine, HandlersChangeBandsAndElementsWhileTheReportRuns) {
  TQuickRep rep;
  Build(rep);
  Fill(4);
  TQRBand *detail = rep.Band(rbDetail);
  auto *nameText = static_cast<TQRDBText *>(detail->FindItem("Name"));
  auto *qty = static_cast<TQRDBText *>(detail->FindItem("Qty"));
  detail->BeforePrint = [&](TQRBand *, bool &print) {
    const int row = Data.Pos();
    print = row != 1;                       // the second row is left out
    nameText->Font.setBold(row == 2);       // the third row is bold
    qty->Alignment = row == 3 ? taRightJustify : taLeftJustify;
    qty->Left = row == 3 ? 320 : 300;
    qty->Enabled = row != 0;                // the first row has no quantity
    detail->Height = row == 2 ? 40 : 20;
  };
  const TReportPage &p = rep.Prepare().Pages[0];
  const auto names = p.FindAll("Name");
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[0]->Text, "Līste 1");
  EXPECT_EQ(names[1]->Text, "Līste 3");
  EXPECT_TRUE(names[1]->Font.bold());
  EXPECT_FALSE(names[2]->Font.bold());
  EXPECT_DOUBLE_EQ(names[2]->Box.top() - names[1]->Box.top(), 40);
  EXPECT_DOUBLE_EQ(names[1]->Box.top() - names[0]->Box.top(), 20);
  // A font given in points is placed in pixels, so that every device draws it alike.
  QFont points(QStringLiteral("DejaVu Sans"));
  points.setPointSize(14);
  rep.Band(rbColumnHeader)->FindItem("Head")->Font = points;
  const TReportPage &again = rep.Prepare().Pages[0];
  EXPECT_EQ(again.Find("Head")->Font.pixelSize(), 19);
  EXPECT_GT(again.Find("Head")->Box.height(), 19);
  const auto qtys = rep.Model().Pages[0].FindAll("Qty");
  ASSERT_EQ(qtys.size(), 2u);
  EXPECT_EQ(qtys[0]->Text, "1.5");
  EXPECT_TRUE(qtys[1]->Flags & Qt::AlignRight);
  EXPECT_DOUBLE_EQ(qtys[1]->Box.left() - qtys[0]->Box.left(), 20);
}

TEST_F(ReportEngine, ShrunkBandCutsWhatLiesBeyondIt) {
  TQuickRep rep;
  Build(rep);
  TQRBand *title = rep.Band(rbTitle);
  title->AddLabel("Low", 0, 45, "below the cut");
  title->AddLabel("Edge", 0, 25, "across the cut");
  title->AddShape("Bar", qrsRectangle, 0, 20, 100, 30)->BrushColor = Qt::lightGray;
  title->BeforePrint = [](TQRBand *b, bool &) { b->Height = 30; };
  const TReportPage &p = rep.Prepare().Pages[0];
  EXPECT_EQ(p.Find("Low"), nullptr);
  ASSERT_NE(p.Find("Edge"), nullptr);
  EXPECT_TRUE(p.Find("Edge")->Clipped);
  EXPECT_FALSE(p.Find("QRLabel1")->Clipped);
  // The column header follows the shrunk band directly.
  EXPECT_DOUBLE_EQ(p.Find("Head")->Box.top() - p.Find("QRLabel1")->Box.top(), 30 - 10 + 2);
  for (const auto &item : p.Items)
    if (item.Name == "Bar") {
      EXPECT_TRUE(item.Clipped);
      EXPECT_DOUBLE_EQ(item.Clip.height(), 30);
    }
}

TEST_F(ReportEngine, TextsStayInTheirColumnsAndWrappedOnesStretchTheirBand) {
  TQuickRep rep;
  Build(rep);
  TQRBand *detail = rep.Band(rbDetail);
  auto *name = static_cast<TQRDBText *>(detail->FindItem("Name"));
  name->Width = 120;
  name->WordWrap = true;
  detail->AddShape("Rule", qrsHorLine, 0, 18, 400, 2);
  detail->AddShape("Side", qrsVertLine, 260, 0, 1, 20);
  TQRLabel *wide = detail->AddLabel("Wide", 450, 2, "1234567.89 EUR");
  wide->Width = 40;
  wide->Alignment = taRightJustify;
  Data.Add({QStringLiteral("Līste"), 1.0});
  Data.Add({QStringLiteral("Līste ar ļoti garu nosaukumu, kas neietilpst vienā rindā"), 2.0});
  Data.Add({QStringLiteral("Brusa"), 3.0});
  const TReportPage &p = rep.Prepare().Pages[0];

  const auto names = p.FindAll("Name");
  ASSERT_EQ(names.size(), 3u);
  // One line keeps the designed height; the long name takes more lines and pushes the rule
  // and the next row down by as much, while the side line grows with the band.
  EXPECT_DOUBLE_EQ(names[1]->Box.top() - names[0]->Box.top(), 20);
  const double grown = names[2]->Box.top() - names[1]->Box.top() - 20;
  EXPECT_GE(grown, 15);
  EXPECT_GE(names[1]->Box.height(), grown + 15);
  EXPECT_TRUE(names[1]->Flags & Qt::TextWordWrap);
  std::vector<const TReportItem *> rules, sides;
  for (const auto &item : p.Items) {
    if (item.Name == "Rule") rules.push_back(&item);
    if (item.Name == "Side") sides.push_back(&item);
  }
  ASSERT_EQ(rules.size(), 3u);
  ASSERT_EQ(sides.size(), 3u);
  EXPECT_DOUBLE_EQ(rules[1]->Box.top() - names[1]->Box.top(), 17 + grown);
  EXPECT_DOUBLE_EQ(sides[0]->Box.height(), 20);
  EXPECT_DOUBLE_EQ(sides[1]->Box.height(), 20 + grown);

  EXPECT_FALSE(names[0]->Clipped);
  EXPECT_FALSE(p.Find("Qty")->Clipped);
  // A right-aligned amount too wide for its column still shows every digit, on one line,
  // its box widened to the left.
  const TReportItem *amount = p.Find("Wide");
  EXPECT_FALSE(amount->Clipped);
  EXPECT_FALSE(amount->Flags & (Qt::TextWordWrap | Qt::TextWrapAnywhere));
  EXPECT_DOUBLE_EQ(amount->Box.right(), names[0]->Box.left() - 40 + 450 + 40);
  EXPECT_GE(amount->Box.width(), QFontMetricsF(amount->Font).horizontalAdvance(amount->Text));
}

// Texts are measured only where it can change the page: an amount that surely fits its column
// is not shaped, nor a wrapped text that surely fits one line laid out. Around the edge of
// the column every box, line count and flag is what measuring the text itself gives.
TEST_F(ReportEngine, TextsAtTheEdgeOfTheirColumnAreMeasuredExactly) {
  const QStringList texts = {QStringLiteral("1234567.8900 Ls"), QStringLiteral("Kaff 12/ff-3"),
                             QStringLiteral("Līste – Профиль ď"),
                             QStringLiteral("Приход 12.5[m]  на сумму 1234.50 EUR"),
                             QStringLiteral("Ziemeļeiropas"),
                             QStringLiteral("Заказ 東京 12")};  // a character of another font
  for (const QFont &font : {ReportFont(13), ReportFont(12, true)}) {
    const QFontMetricsF metrics(font);
    const double lineHeight = std::ceil(font.pixelSize() * 1.2);
    for (const QString &text : texts) {
      const double advance = metrics.horizontalAdvance(text);
      for (const double delta : {-30.0, -3.0, -0.5, 0.0, 0.005, 0.5, 2.0, 14.0, 16.0, 40.0}) {
        const double width = advance + delta;
        const std::string what = text.toStdString() + " in " + std::to_string(width);
        TQuickRep rep;
        rep.Font = font;
        TQRBand *band = rep.AddBand(rbTitle, "Title", 20);
        TQRLabel *amount = band->AddLabel("Amount", 40, 0, text);
        amount->Width = width;
        amount->Alignment = taRightJustify;
        TQRLabel *wrapped = band->AddLabel("Wrapped", 40, 0, text);
        wrapped->Width = width;
        wrapped->WordWrap = true;
        const TReportPage &p = rep.Prepare().Pages[0];

        const TReportItem *a = p.Find("Amount");
        ASSERT_NE(a, nullptr);
        EXPECT_EQ(a->Flags, Qt::AlignTop | Qt::AlignRight) << what;
        EXPECT_DOUBLE_EQ(a->Box.right() - a->Box.left(), std::max(width, advance)) << what;
        EXPECT_DOUBLE_EQ(a->Box.height(), lineHeight) << what;

        const TReportItem *w = p.Find("Wrapped");
        ASSERT_NE(w, nullptr);
        const auto lines = [&](const QString &shown, int wrap) {
          return metrics.boundingRect(QRectF(0, 0, width, 1e6), Qt::AlignLeft | Qt::AlignTop | wrap, shown);
        };
        // A word wider than the width breaks inside, where line breaks are written into the
        // text; only a text of one word is broken anywhere instead.
        const bool wordTooWide = advance > width + 0.01 && lines(text, Qt::TextWordWrap).width() > width + 0.01;
        const int wrap = wordTooWide && !text.contains(' ') ? Qt::TextWrapAnywhere : Qt::TextWordWrap;
        EXPECT_EQ(w->Flags, Qt::AlignTop | Qt::AlignLeft | wrap) << what;
        EXPECT_EQ(QString(w->Text).remove('\n'), text) << what;
        EXPECT_EQ(w->Text.contains('\n'), wordTooWide && wrap == Qt::TextWordWrap) << what;
        EXPECT_LE(lines(w->Text, wrap).width(), width + 0.01) << what;
        EXPECT_DOUBLE_EQ(w->Box.height(), std::max(lineHeight, std::ceil(lines(w->Text, wrap).height()))) << what;
      }
    }
  }
}

TEST_F(ReportEngine, TextWiderThanItsColumnBreaksIntoLinesAndItsFrameGrows) {
  TQuickRep rep;
  Build(rep);
  Fill(2);
  TQRBand *detail = rep.Band(rbDetail);
  detail->AddShape("Frame", qrsRectangle, 0, 0, 540, 20)->PenWidth = 1;
  // Not marked to wrap: a note and a code of one long word, each wider than its column.
  detail->AddLabel("Note", 390, 2, "Производство, заказ Z-32867")->Width = 105;
  detail->AddLabel("Code", 500, 2, "Ziemeļeiropas")->Width = 30;
  // Marked to wrap, narrower than its first word: it breaks at its blanks all the same, and
  // inside a word only where the word alone is wider than the column, after a hyphen first.
  TQRLabel *order = detail->AddLabel("Order", 240, 2, "Производство, заказ Z-232607");
  order->Width = 60;
  order->WordWrap = true;
  const TReportPage &p = rep.Prepare().Pages[0];

  const auto notes = p.FindAll("Note"), codes = p.FindAll("Code"), names = p.FindAll("Name");
  const auto orders = p.FindAll("Order");
  ASSERT_EQ(notes.size(), 2u);
  ASSERT_EQ(codes.size(), 2u);
  ASSERT_EQ(orders.size(), 2u);
  EXPECT_EQ(PaintedLines(*notes[0]).join(" | "), "Производство, | заказ Z-32867");
  EXPECT_EQ(PaintedLines(*codes[0]).join(" | "), "Zie | meļ | eiro | pas");
  EXPECT_EQ(PaintedLines(*orders[0]).join(" | "), "Произво | дство, | заказ Z- | 232607");
  for (const TReportItem *t : {notes[0], codes[0], orders[0]}) {
    EXPECT_FALSE(t->Clipped) << t->Name.toStdString();
    const QRectF run = QFontMetricsF(t->Font).boundingRect(t->Box, t->Flags, t->Text);
    EXPECT_LE(run.width(), t->Box.width() + 0.01) << t->Name.toStdString();
    EXPECT_LE(run.height(), t->Box.height() + 0.01) << t->Name.toStdString();
    EXPECT_GE(t->Box.height(), 2 * 15) << t->Name.toStdString();
  }
  EXPECT_TRUE(notes[0]->Flags & Qt::TextWordWrap);
  EXPECT_TRUE(codes[0]->Flags & Qt::TextWrapAnywhere) << codes[0]->Flags;
  // The row grows by the taller of the two and its frame with it.
  const double rowHeight = names[1]->Box.top() - names[0]->Box.top();
  EXPECT_GE(rowHeight, std::max(notes[0]->Box.bottom(), codes[0]->Box.bottom()) - names[0]->Box.top());
  const TReportItem *frame = nullptr;
  for (const auto &item : p.Items)
    if (item.Name == "Frame" && !frame) frame = &item;
  ASSERT_NE(frame, nullptr);
  EXPECT_DOUBLE_EQ(frame->Box.height(), rowHeight);
  EXPECT_EQ(frame->Band, "Detail");
}

// An amount wider than its column widens into the room beside it, never into the columns of
// the texts beside it nor out of its band; where that room is too small, its figures are set
// smaller. Every digit shows, on one line.
TEST_F(ReportEngine, AmountsWiderThanTheirColumnKeepClearOfTheTextsBesideThem) {
  TQuickRep rep;
  TQRBand *band = rep.AddBand(rbTitle, "Title", 80);
  const auto amount = [&](const char *name, double left, double top, double width,
                          TAlignment alignment, const char *text) {
    TQRLabel *l = band->AddLabel(name, left, top, QString::fromUtf8(text));
    l->Width = width;
    l->Alignment = alignment;
  };
  // A quantity, a price with room before its column, and a value whose column follows the
  // price's without any.
  amount("Qty", 470, 0, 55, taRightJustify, "3.000");
  amount("Price", 545, 0, 85, taRightJustify, "125.9400 EUR");
  amount("Sum", 630, 0, 88, taRightJustify, "12345.67 EUR");
  // A centred amount between a caption and an amount that widens towards it.
  band->AddLabel("Caption", 180, 20, "Kopā:");
  amount("Middle", 250, 20, 40, taCenter, "1234.567");
  amount("Next", 295, 20, 60, taRightJustify, "12345.99");
  // An amount at the band's left edge.
  amount("Edge", 0, 40, 40, taRightJustify, "12345.67");
  const TReportPage &p = rep.Prepare().Pages[0];

  EXPECT_EQ(AmountsRunningIntoOthers(p).join("; "), "");
  for (const char *name : {"Qty", "Price", "Sum", "Middle", "Next", "Edge"}) {
    const TReportItem *item = p.Find(name);
    ASSERT_NE(item, nullptr) << name;
    EXPECT_EQ(item->Text, QString::fromUtf8(static_cast<const TQRLabel *>(rep.FindItem(name))->Caption.toUtf8()));
    EXPECT_FALSE(item->Flags & (Qt::TextWordWrap | Qt::TextWrapAnywhere)) << name;
    EXPECT_FALSE(item->Clipped) << name;
    EXPECT_LE(QFontMetricsF(item->Font).horizontalAdvance(item->Text), item->Box.width() + 0.01) << name;
  }
  EXPECT_EQ(p.Find("Price")->Font.pixelSize(), 13);
  EXPECT_LT(p.Find("Price")->Box.left(), p.Find("Qty")->Box.right() + 20);
  EXPECT_EQ(p.Find("Middle")->Font.pixelSize(), 13);
  for (const char *name : {"Sum", "Edge"}) {
    EXPECT_LT(p.Find(name)->Font.pixelSize(), 13) << name;
    EXPECT_GE(p.Find(name)->Font.pixelSize(), 8) << name;
  }
}

TEST_F(ReportEngine, HeadingsAndTotalsGoToTheNextPageWithTheLineTheyAreKeptWith) {
  TMemData lines("L", {"V"});
  lines.Add({1.0});
  lines.Add({2.0});
  int moved = 0;
  // Every offset of the groups against the page's end.
  for (int pad = 0; pad < 72; pad += 4) {
    TQuickRep rep;
    Build(rep);
    Data.Clear();
    Fill(40);
    rep.Band(rbTitle)->Height = 60 + pad;
    rep.Band(rbDetail)->KeepWithNext = true;
    TQRBand *head = rep.AddBand(rbGroupHeader, "Head", 16);
    head->AddLabel("H", 0, 0, "lines:");
    head->KeepWithNext = true;
    TQRSubDetail *sub = rep.AddSubDetail("Lines", 16, &lines);
    sub->AddDBText("V", 10, 0, 50, &lines, "V");
    sub->HeaderBand = head;
    TQRBand *total = rep.AddBand(rbGroupFooter, "Total", 16);
    total->AddLabel("T", 0, 0, "total");
    total->KeepWithPrevious = true;
    sub->FooterBand = total;
    const TReportModel &m = rep.Prepare();
    ASSERT_GE(m.PageCount(), 2);
    QStringList names;
    for (int i = 0; i < m.PageCount(); ++i) {
      const TReportPage &page = m.Pages[i];
      QString first, last;
      double bottom = 0;
      for (const TReportItem &item : page.Items) {
        if (item.Band == "Footer" || item.Band == "Header") continue;
        if (first.isEmpty()) first = item.Band;
        last = item.Band;
        // Moved bands keep their order and do not overlap what the new page holds.
        EXPECT_GE(item.Box.top() + 0.01, bottom) << "pad " << pad << " page " << i + 1;
        bottom = std::max(bottom, item.Box.top());
        if (item.Name == "Name") names << item.Text;
      }
      EXPECT_EQ(page.Texts().last(), QString("Page %1").arg(i + 1));
      if (i > 0) {
        EXPECT_EQ(page.Texts().value(0), "Nosaukums");
        if (first == "Detail") ++moved;
        EXPECT_NE(first, "Total") << "pad " << pad << " page " << i + 1;
      }
      if (i + 1 < m.PageCount())
        EXPECT_TRUE(last == "Lines" || last == "Total") << "pad " << pad << " page " << i + 1;
    }
    EXPECT_EQ(names.size(), 40) << "pad " << pad;
    EXPECT_EQ(names.value(0), "Līste 1");
    EXPECT_EQ(names.value(39), "Līste 40");
  }
  EXPECT_GT(moved, 0);
}

TEST_F(ReportEngine, BandTallerThanAPageIsPlacedOnceAndCut) {
  TQuickRep rep;
  Build(rep);
  Fill(3);
  TQRBand *detail = rep.Band(rbDetail);
  detail->BeforePrint = [&](TQRBand *b, bool &) { b->Height = Data.Pos() == 1 ? 3000 : 20; };
  const TReportModel &m = rep.Prepare();
  ASSERT_EQ(m.PageCount(), 3);
  EXPECT_EQ(m.Pages[0].FindAll("Name").size(), 1u);
  EXPECT_EQ(m.Pages[1].Find("Name")->Text, "Līste 2");
  EXPECT_EQ(m.Pages[2].Find("Name")->Text, "Līste 3");
  EXPECT_EQ(m.Pages[1].Texts().last(), "Page 2");
}

TEST_F(ReportEngine, ValuesShowUnderMasksOrInTheDefaultForm) {
  TMemData d("D", {"F", "I", "DT", "TS", "S", "N", "DEC"});
  d.Add({0.1 + 0.2, 42, QDate(2024, 1, 9), QDateTime(QDate(2024, 1, 9), QTime(8, 5)), "Rīga",
         QVariant(), QStringLiteral("12.3456")});
  d.MoveFirst();
  TQuickRep rep;
  rep.DataSet = &d;
  TQRBand *b = rep.AddBand(rbDetail, "Detail", 200);
  auto add = [&](const char *name, const char *field, const char *mask) {
    b->AddDBText(name, 0, 0, 100, &d, field, mask);
  };
  add("plainFloat", "F", "");
  add("qty", "F", "0.##");
  add("qty3", "F", "0.000");
  add("price", "DEC", "0.0000 EUR");
  add("sum", "DEC", "0.00 EUR");
  add("plainInt", "I", "");
  add("plainDate", "DT", "");
  add("maskDate", "DT", "dd/mm/yyyy");
  add("plainStamp", "TS", "");
  add("maskStamp", "TS", "dd/mm/yyyy");
  add("text", "S", "0.00");
  add("null", "N", "0.00");
  const TReportPage &p = rep.Prepare().Pages[0];
  auto text = [&](const char *n) { return p.Find(n) ? p.Find(n)->Text : QStringLiteral("<none>"); };
  EXPECT_EQ(text("plainFloat"), "0.3");
  EXPECT_EQ(text("qty"), "0.3");
  EXPECT_EQ(text("qty3"), "0.300");
  EXPECT_EQ(text("price"), "12.3456 EUR");
  EXPECT_EQ(text("sum"), "12.35 EUR");
  EXPECT_EQ(text("plainInt"), "42");
  EXPECT_EQ(text("plainDate"), "09.01.2024");
  EXPECT_EQ(text("maskDate"), "09/01/2024");
  EXPECT_EQ(text("plainStamp"), "09.01.2024 08:05:00");
  EXPECT_EQ(text("maskStamp"), "09/01/2024");
  EXPECT_EQ(text("text"), "Rīga");
  EXPECT_EQ(text("null"), "");
}

TEST_F(ReportEngine, BadExpressionsAndFailingHandlersReachTheCaller) {
  {
    TQuickRep rep;
    Build(rep);
    rep.Band(rbSummary)->AddExpr("Bad", 0, 0, 50, "avg(Rows.QTY)");
    EXPECT_THROW(rep.Prepare(), std::runtime_error);
  }
  {
    TQuickRep rep;
    Build(rep);
    rep.Band(rbSummary)->AddExpr("Bad", 0, 0, 50, "sum(Other.QTY)");
    EXPECT_THROW(rep.Prepare(), std::runtime_error);
  }
  TQuickRep rep;
  Build(rep);
  Fill(2);
  rep.Band(rbDetail)->BeforePrint = [](TQRBand *, bool &) { throw std::runtime_error("boom"); };
  bool shown = false;
  TPreviewHandler old = SetPreviewHandler([&](TQuickRep &) { shown = true; });
  EXPECT_THROW(rep.Preview(), std::runtime_error);
  SetPreviewHandler(old);
  EXPECT_FALSE(shown);
  EXPECT_FALSE(rep.Prepared());
}

TEST_F(ReportEngine, PageValuesGiveA4PortraitAndLandscape) {
  TQuickRep rep;
  rep.Page.SetValues({70, 2100, 70, 2970, 130, 70, 0});
  const TReportModel &m = rep.Prepare();
  EXPECT_TRUE(m.Landscape);
  EXPECT_NEAR(m.PaperSize.width(), 297 * ReportPixelsPerMM, 0.01);
  EXPECT_NEAR(rep.BandWidth(), (297 - 7 - 13) * ReportPixelsPerMM, 0.01);
  EXPECT_THROW(rep.Page.SetValues({1, 2, 3}), std::invalid_argument);
}

QString PdfText(const QString &file) {
  QProcess p;
  p.start("pdftotext", {"-layout", file, "-"});
  p.waitForFinished(20000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

// A long report keeps its pages in a few kilobytes each (a whole-store list has thousands):
// what the laid-out report holds is what freeing it gives back.
TEST_F(ReportEngine, LongReportKeepsItsPagesCompact) {
  Fill(20000);
  auto rep = std::make_unique<TQuickRep>();
  Build(*rep);
  const TReportModel &m = rep->Prepare();
  const int pages = m.PageCount();
  ASSERT_GT(pages, 300);
  ASSERT_NE(m.Pages[size_t(pages) - 1].Find("Total"), nullptr);
  const size_t held = mallinfo2().uordblks;
  rep.reset();
  const double perPage = double(held - mallinfo2().uordblks) / pages;
  EXPECT_LT(perPage, 8192) << pages << " pages";
}

// Pages are kept packed: every item reads back bit for bit as it was placed, whatever its
// values (coordinates that are no numbers, texts that repeat or are empty, every kind, font,
// pen and picture), from any page, from a copy of the model, and while more pages are read
// than are kept unpacked.
TEST_F(ReportEngine, PagesReadBackBitForBitAsTheyWerePlaced) {
  QRandomGenerator random(7);
  const double odd[] = {0, -0.0, 1e-300, 1e300, qQNaN(), qInf(), -qInf(), 26.456692913385826,
                        3.0000000000000004};
  const QString texts[] = {"", "Atlikums:", "Līste 12", "Склад №", QString(1, QChar(0xD800)),
                           "x\ny", QString(300, 'a')};
  const QFont fonts[] = {ReportFont(13), ReportFont(13, true), ReportFont(11, false, true, true)};
  QImage logo(8, 4, QImage::Format_RGB32);
  logo.fill(Qt::blue);
  const auto number = [&] {
    return random.bounded(4) == 0 ? odd[random.bounded(int(std::size(odd)))] : random.bounded(20000) / 7.0;
  };
  const auto box = [&] { return QRectF(number(), number(), number(), number()); };
  TReportModel m;
  std::vector<TReportPage> placed;
  for (int p = 0; p < 3 * TReportPages::KeptPages; ++p) {
    TReportPage page;
    page.Size = QSizeF(794 + p, 1123);
    QRectF clip = box();
    for (int i = 0, n = random.bounded(60); i < n; ++i) {
      TReportItem item;
      item.Kind = TReportItem::TKind(random.bounded(4));
      item.Name = QStringLiteral("E%1").arg(random.bounded(6));
      item.Band = QStringLiteral("B%1").arg(random.bounded(3));
      if (random.bounded(3) == 0) clip = box();
      item.Clip = clip;
      item.Clipped = random.bounded(2);
      // at its element's spot of the band, as the layout places most, or anywhere
      item.Box = random.bounded(2) ? QRectF(clip.x() + 3, clip.y() + 2.6, 100, 16) : box();
      item.Text = texts[random.bounded(int(std::size(texts)))];
      item.Font = fonts[random.bounded(int(std::size(fonts)))];
      item.Flags = random.bounded(2) ? Qt::AlignLeft : Qt::AlignRight | Qt::TextWordWrap;
      item.Pen = random.bounded(2) ? QColor(Qt::black) : QColor(10, 20, 30);
      item.PenWidth = random.bounded(3) ? 1 : number();
      if (random.bounded(2)) item.Brush = Qt::gray;
      if (item.Kind == TReportItem::kImage) item.Picture = logo;
      page.Items.push_back(item);
    }
    m.Pages.push_back(page);
    placed.push_back(page);
  }
  const auto bits = [](double v) { return QByteArray(reinterpret_cast<const char *>(&v), sizeof v).toHex(); };
  const auto rect = [&](const QRectF &r) {
    return bits(r.x()) + ' ' + bits(r.y()) + ' ' + bits(r.width()) + ' ' + bits(r.height());
  };
  const auto check = [&](const TReportPage &got, const TReportPage &want) {
    EXPECT_EQ(got.Size, want.Size);
    ASSERT_EQ(got.Items.size(), want.Items.size());
    for (size_t i = 0; i < got.Items.size(); ++i) {
      SCOPED_TRACE(i);
      const TReportItem &a = got.Items[i], &b = want.Items[i];
      EXPECT_EQ(a.Kind, b.Kind);
      EXPECT_EQ(a.Name, b.Name);
      EXPECT_EQ(a.Band, b.Band);
      EXPECT_EQ(rect(a.Box), rect(b.Box));
      EXPECT_EQ(rect(a.Clip), rect(b.Clip));
      EXPECT_EQ(a.Clipped, b.Clipped);
      EXPECT_EQ(a.Text, b.Text);
      EXPECT_TRUE(a.Font == b.Font && a.Font.resolveMask() == b.Font.resolveMask());
      EXPECT_EQ(a.Flags, b.Flags);
      EXPECT_EQ(a.Pen, b.Pen);
      EXPECT_EQ(bits(a.PenWidth), bits(b.PenWidth));
      EXPECT_EQ(a.Brush, b.Brush);
      EXPECT_EQ(a.Picture, b.Picture);
    }
  };
  const TReportModel copy = m;
  TReportPage read;
  for (int p = m.PageCount() - 1; p >= 0; --p) {
    SCOPED_TRACE(p);
    check(m.Pages[size_t(p)], placed[size_t(p)]);
    copy.Pages.Read(size_t(p), read);
    check(read, placed[size_t(p)]);
  }
  // The fonts of the texts, each once, in the order they first show (the PDF's fonts).
  std::vector<QFont> textFonts;
  for (const TReportPage &page : placed)
    for (const TReportItem &item : page.Items)
      if (item.Kind == TReportItem::kText &&
          std::find(textFonts.begin(), textFonts.end(), item.Font) == textFonts.end())
        textFonts.push_back(item.Font);
  EXPECT_EQ(m.Pages.TextFonts(), textFonts);
}

TEST_F(ReportEngine, PdfCarriesCyrillicAndLatvianTextOnEveryPage) {
  TQuickRep rep;
  Build(rep);
  Fill(150);
  rep.Band(rbTitle)->AddLabel("Lv", 300, 10, "Ģirts Ķēniņš, Žūrija šķūnī");
  const TReportModel &m = rep.Prepare();
  QTemporaryDir dir;
  const QString file = dir.filePath("r.pdf");
  QString error;
  ASSERT_TRUE(WriteReportPdf(m, file, &error)) << error.toStdString();
  const QString text = PdfText(file);
  EXPECT_TRUE(text.contains("Atskaite – Отчёт"));
  EXPECT_TRUE(text.contains("Ģirts Ķēniņš, Žūrija šķūnī"));
  EXPECT_TRUE(text.contains("Līste 150"));
  EXPECT_EQ(text.count("Nosaukums"), m.PageCount());
  EXPECT_EQ(text.count('\f'), m.PageCount());
  EXPECT_FALSE(WriteReportPdf(m, dir.filePath("missing/dir/r.pdf"), &error));
  EXPECT_FALSE(error.isEmpty());
}

// Where a picture shows ink inside the area (x, y, w, h): the smallest rectangle holding every
// pixel darker than light grey.
QRect InkIn(const QImage &image, const QRect &area) {
  QRect ink;
  const QRect inside = area.intersected(image.rect());
  for (int y = inside.top(); y <= inside.bottom(); ++y)
    for (int x = inside.left(); x <= inside.right(); ++x)
      if (qGray(image.pixel(x, y)) < 160) ink |= QRect(x, y, 1, 1);
  return ink;
}

// The PDF shows a page as the preview paints it: every text in its place with its alignment,
// line breaks, underline and fallback font, cut where its band ends; frames, fills, rules and
// pictures where they belong.
TEST_F(ReportEngine, PdfPagesLookAsThePreviewPaintsThem) {
  TReportModel m;
  m.PaperSize = QSizeF(210 * ReportPixelsPerMM, 297 * ReportPixelsPerMM);
  TReportPage page;
  page.Size = m.PaperSize;
  auto text = [&](const QRectF &box, const QString &t, int flags, const QFont &font) {
    TReportItem item;
    item.Kind = TReportItem::kText;
    item.Box = box;
    item.Text = t;
    item.Flags = flags | Qt::AlignTop;
    item.Font = font;
    page.Items.push_back(item);
    return &page.Items.back();
  };
  const QFont plain = ReportFont(13), heading = ReportFont(13, true, false, true);
  text(QRectF(40, 40, 300, 16), "Rama IV-68 sosna L=4500", Qt::AlignLeft, plain);
  text(QRectF(40, 70, 300, 16), "1072.20 Ls", Qt::AlignRight, plain);
  text(QRectF(40, 100, 300, 16), "Pavadzīme", Qt::AlignHCenter, ReportFont(12, false, true));
  text(QRectF(40, 130, 150, 60), "Profils oknu sosnovyj kleenyj trehslojnyj", Qt::AlignLeft | Qt::TextWordWrap, plain);
  text(QRectF(240, 130, 100, 60), "Ziemeļeiropas priedes līmē", Qt::AlignRight | Qt::TextWordWrap, plain);
  text(QRectF(40, 210, 300, 16), "Atlikums", Qt::AlignLeft, heading);
  text(QRectF(40, 240, 300, 16), QString::fromUtf8("Склад 漢字 №"), Qt::AlignLeft, plain);
  TReportItem *cut = text(QRectF(40, 270, 300, 16), "Cut in half", Qt::AlignLeft, ReportFont(16, true));
  cut->Clip = QRectF(0, 270, 600, 8);
  cut->Clipped = true;
  TReportItem frame;
  frame.Kind = TReportItem::kRect;
  frame.Box = QRectF(400, 40, 200, 60);
  frame.Brush = QColor(40, 40, 40);
  page.Items.push_back(frame);
  TReportItem rule;
  rule.Kind = TReportItem::kLine;
  rule.Box = QRectF(QPointF(400, 130), QPointF(600, 130));
  rule.PenWidth = 2;
  page.Items.push_back(rule);
  rule.Box = QRectF(QPointF(500, 150), QPointF(500, 250));
  page.Items.push_back(rule);
  TReportItem picture;
  picture.Kind = TReportItem::kImage;
  picture.Box = QRectF(400, 270, 80, 40);
  picture.Picture = QImage(8, 4, QImage::Format_RGB32);
  picture.Picture.fill(Qt::white);
  for (int x = 0; x < 4; ++x)
    for (int y = 0; y < 4; ++y) picture.Picture.setPixel(x, y, qRgb(0, 0, 90));
  page.Items.push_back(picture);
  m.Pages.push_back(page);

  QTemporaryDir dir;
  ASSERT_TRUE(WriteReportPdf(m, dir.filePath("page.pdf")));
  QProcess render;
  render.start("pdftoppm", {"-r", "96", "-png", "-singlefile", dir.filePath("page.pdf"),
                            dir.filePath("page")});
  ASSERT_TRUE(render.waitForFinished(20000));
  const QImage fromPdf(dir.filePath("page.png"));
  ASSERT_FALSE(fromPdf.isNull());
  QImage painted(fromPdf.size(), QImage::Format_RGB32);
  painted.fill(Qt::white);
  {
    QPainter painter(&painted);
    painter.scale(fromPdf.width() / m.PaperSize.width(), fromPdf.height() / m.PaperSize.height());
    PaintReportPage(painter, m.Pages[0]);
  }
  for (const TReportItem &item : m.Pages[0].Items) {
    QRect area = item.Box.toAlignedRect().adjusted(-4, -4, 4, 4);
    if (item.Kind == TReportItem::kText) area.setBottom(area.bottom() + 8);  // the underline
    const QRect expected = InkIn(painted, area), got = InkIn(fromPdf, area);
    SCOPED_TRACE((item.Text + QStringLiteral(" %1,%2").arg(item.Box.x()).arg(item.Box.y())).toStdString());
    ASSERT_FALSE(expected.isEmpty());
    EXPECT_NEAR(got.left(), expected.left(), 1);
    EXPECT_NEAR(got.right(), expected.right(), 1);
    EXPECT_NEAR(got.top(), expected.top(), 1);
    EXPECT_NEAR(got.bottom(), expected.bottom(), 1);
  }
}

TEST_F(ReportEngine, PreviewPagesZoomsSavesAndPrints) {
  TQuickRep rep;
  Build(rep);
  Fill(150);
  rep.ReportTitle = "Atskaite";
  QTemporaryDir dir;
  const QString saved = dir.filePath("saved");
  const QString printed = dir.filePath("printed.pdf");
  Script().Files.push_back(saved);
  int pages = 0;
  Script().OnModal("PrintDialog", [&](QDialog *d) {
    QPrinter *printer = static_cast<QPrintDialog *>(d)->printer();
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(printed);
    return mrOk;
  });
  Script().OnModal("QRPreview", [&](QDialog *d) {
    auto *pv = static_cast<TQRPreview *>(d);
    EXPECT_EQ(pv->PageIndex(), 0);
    EXPECT_FALSE(pv->findChild<QToolButton *>("PriorBtn")->isEnabled());
    pv->findChild<QToolButton *>("NextBtn")->click();
    EXPECT_EQ(pv->PageIndex(), 1);
    pv->findChild<QToolButton *>("LastBtn")->click();
    pages = pv->PageIndex() + 1;
    EXPECT_FALSE(pv->findChild<QToolButton *>("NextBtn")->isEnabled());
    const double z = pv->Zoom();
    pv->findChild<QToolButton *>("ZoomInBtn")->click();
    EXPECT_GT(pv->Zoom(), z);
    pv->findChild<QToolButton *>("ZoomPageBtn")->click();
    EXPECT_LT(pv->Zoom(), z * 1.25);
    pv->findChild<QToolButton *>("SaveBtn")->click();
    pv->findChild<QToolButton *>("PrintBtn")->click();
    pv->findChild<QToolButton *>("CloseBtn")->click();
    return mrNone;
  });
  rep.Preview();
  EXPECT_EQ(Script().ModalShown, QStringList({"QRPreview", "PrintDialog"}));
  EXPECT_EQ(pages, rep.Model().PageCount());
  EXPECT_TRUE(PdfText(saved + ".pdf").contains("Līste 150"));
  EXPECT_TRUE(PdfText(printed).contains("Līste 150"));
  EXPECT_TRUE(Script().Messages().isEmpty());
}

// The progress of the preparation and of the PDF: the steps go up to the total; a cancel
// stops the work, shows no preview, raises nothing and leaves no file.
TEST_F(ReportEngine, CancellingThePreparationOrThePdfShowsAndWritesNothing) {
  TQuickRep rep;
  Build(rep);
  Fill(150);
  int previews = 0;
  const TPreviewHandler oldPreview = SetPreviewHandler([&](TQuickRep &) { ++previews; });
  QStringList labels;
  int lastStep = -1, cancelAt = 40;
  const TReportProgressHandler oldProgress =
      SetReportProgressHandler([&](const QString &label, int done, int) {
        if (!labels.contains(label)) labels << label;
        EXPECT_GE(done, lastStep);
        lastStep = done;
        return done < cancelAt;
      });
  EXPECT_NO_THROW(rep.Preview());
  EXPECT_EQ(previews, 0);
  EXPECT_EQ(lastStep, cancelAt);
  EXPECT_FALSE(rep.Prepared());
  EXPECT_EQ(labels, QStringList({"Preparing the report..."}));

  // Not cancelled: every row is a step and the report shows.
  cancelAt = 1000;
  lastStep = -1;
  rep.Preview();
  EXPECT_EQ(previews, 1);
  EXPECT_EQ(lastStep, 149);
  EXPECT_EQ(rep.Model().Texts().count("Līste 150"), 1);

  QTemporaryDir dir;
  const QString file = dir.filePath("r.pdf");
  QString error = "unchanged";
  cancelAt = 2;
  lastStep = -1;
  {
    TReportProgress progress("Writing the PDF...", rep.Model().PageCount(), nullptr);
    EXPECT_FALSE(WriteReportPdf(rep.Model(), file, &error, &progress));
    EXPECT_TRUE(progress.Cancelled());
  }
  EXPECT_TRUE(error.isEmpty());
  EXPECT_FALSE(QFile::exists(file));
  cancelAt = 1000;
  lastStep = -1;
  {
    TReportProgress progress("Writing the PDF...", rep.Model().PageCount(), nullptr);
    EXPECT_TRUE(WriteReportPdf(rep.Model(), file, &error, &progress));
  }
  EXPECT_EQ(lastStep, rep.Model().PageCount() - 1);
  EXPECT_TRUE(PdfText(file).contains("Līste 150"));
  SetReportProgressHandler(oldProgress);
  SetPreviewHandler(oldPreview);
}

// The page numbers printed on the pages of a PDF file, in the file's order.
QList<int> PrintedPageNumbers(const QString &file) {
  QList<int> numbers;
  const QStringList pages = PdfText(file).split('\f', Qt::SkipEmptyParts);
  static const QRegularExpression number(QStringLiteral("Page (\\d+)"));
  for (const QString &page : pages) {
    const QRegularExpressionMatch m = number.match(page);
    if (m.hasMatch()) numbers << m.captured(1).toInt();
  }
  return numbers;
}

TEST_F(ReportEngine, PreviewFitsTheScreenPrintsCopiesInTheOrderAskedAndRemembersItsChoices) {
  TQuickRep rep;
  Build(rep);
  Fill(120);
  rep.ReportTitle = "Atlikumi / Остатки";
  const int pages = rep.Prepare().PageCount();
  ASSERT_GE(pages, 3);
  QList<int> forward, reversed;
  for (int i = 1; i <= pages; ++i) forward << i;
  for (int i = pages; i >= 1; --i) reversed << i;

  QTemporaryDir dir;
  const QString printed = dir.filePath("printed.pdf");
  QList<int> first, second;
  QString offered;
  // two copies, last page first, collated, into a file
  Script().OnModal("PrintDialog", [&](QDialog *d) {
    QPrinter *printer = static_cast<QPrintDialog *>(d)->printer();
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(printed);
    printer->setCopyCount(2);
    printer->setCollateCopies(true);
    printer->setPageOrder(QPrinter::LastPageFirst);
    return mrOk;
  });
  // the next print offers the same file; two copies, not collated, first page first
  Script().OnModal("PrintDialog", [&](QDialog *d) {
    QPrinter *printer = static_cast<QPrintDialog *>(d)->printer();
    offered = printer->outputFormat() == QPrinter::PdfFormat ? printer->outputFileName() : QString();
    printer->setCopyCount(2);
    printer->setCollateCopies(false);
    return mrOk;
  });
  Script().Files.push_back(dir.filePath("first"));
  Script().Files.push_back(QString());
  Script().OnModal("QRPreview", [&](QDialog *d) {
    auto *pv = static_cast<TQRPreview *>(d);
    // the whole window, with its scroll bars, lies within the available screen area
    const QRect area = pv->screen()->availableGeometry();
    EXPECT_TRUE(area.contains(pv->frameGeometry()));
    QScrollBar *across = pv->findChild<QScrollArea *>("ScrollBox")->horizontalScrollBar();
    QScrollBar *down = pv->findChild<QScrollArea *>("ScrollBox")->verticalScrollBar();
    for (QScrollBar *bar : {across, down}) {
      EXPECT_TRUE(bar->isVisible());
      EXPECT_TRUE(area.contains(QRect(bar->mapToGlobal(QPoint(0, 0)), bar->size())));
    }
    pv->PrintBtnClick();
    first = PrintedPageNumbers(printed);
    pv->PrintBtnClick();
    second = PrintedPageNumbers(printed);
    // "Save PDF..." proposes the title and the day; then the folder last saved into
    pv->SaveBtnClick();
    pv->SaveBtnClick();
    return mrOk;
  });
  rep.Preview();
  EXPECT_EQ(first, reversed + reversed);
  QList<int> twice;
  for (int i : forward) twice << i << i;
  EXPECT_EQ(second, twice);
  EXPECT_EQ(offered.toStdString(), printed.toStdString());
  ASSERT_EQ(Script().FileAsks.size(), 2u);
  EXPECT_EQ(QFileInfo(Script().FileAsks[0].Dir).fileName().toStdString(),
            "Atlikumi - Остатки 2024-03-05.pdf");
  EXPECT_EQ(Script().FileAsks[1].Dir.toStdString(),
            QDir(dir.path()).filePath("Atlikumi - Остатки 2024-03-05.pdf").toStdString());
  EXPECT_TRUE(QFile::exists(dir.filePath("first.pdf")));
  EXPECT_TRUE(Script().Messages().isEmpty());
}

}  // namespace
