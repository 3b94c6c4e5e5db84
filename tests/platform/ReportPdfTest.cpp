// The PDF writer on texts of any script and on pages it must not take as they are: the file
// stays valid (qpdf), and its text reads back as the report's text (pdftotext).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <cmath>
#include <limits>
#include <new>

#include "platform/report/PdfPage.h"
#include "platform/report/QuickRpt.h"
#include "platform/report/ReportModel.h"

namespace {

QString Output(const QString &program, const QStringList &arguments, int *status = nullptr) {
  QProcess p;
  p.start(program, arguments);
  p.waitForFinished(60000);
  if (status) *status = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
  return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
}

// Checks the file's structure, its streams and its fonts; empty when qpdf finds nothing wrong.
QString QpdfProblems(const QString &file) {
  int status = 0;
  const QString out = Output("qpdf", {"--check", file}, &status);
  return status == 0 ? QString() : out;
}

// One text a line, each at the left of its own line of the page, as wide as the page.
TReportModel OneTextALine(const QStringList &texts, int flags = Qt::AlignLeft) {
  TReportModel m;
  m.PaperSize = QSizeF(210 * ReportPixelsPerMM, 297 * ReportPixelsPerMM);
  TReportPage page;
  page.Size = m.PaperSize;
  for (const QString &t : texts) {
    if (page.Items.size() == 30) {
      m.Pages.push_back(page);
      page.Items.clear();
    }
    TReportItem item;
    item.Box = QRectF(40, 40 + 32 * double(page.Items.size()), 700, 20);
    item.Text = t;
    item.Font = ReportFont(13);
    item.Flags = flags | Qt::AlignTop;
    page.Items.push_back(item);
  }
  m.Pages.push_back(page);
  return m;
}

// The lines of the pages' text, without the blanks around them, without empty lines and
// without the marks of writing direction that the reader puts around right-to-left text.
QStringList ReadBack(const QString &file) {
  static const QRegularExpression marks(QStringLiteral(u"[\f\u200E\u200F\u202A-\u202E]"));
  QStringList lines;
  for (const QString &line : Output("pdftotext", {"-layout", file, "-"}).split('\n')) {
    const QString t = QString(line).remove(marks).trimmed();
    if (!t.isEmpty()) lines << t;
  }
  return lines;
}

class ReportPdf : public ::testing::Test {
 protected:
  QTemporaryDir Dir;
  QString File = Dir.filePath("r.pdf");
};

// Scripts that no font here covers (the preview paints boxes), ligatures, marks typed apart,
// right-to-left text, a letter with no glyph of its own, surrogates without their pair.
TEST_F(ReportPdf, AnyTextIsWrittenAndReadsBackAsTheReportsText) {
  const struct {
    QString Text, Read;
  } cases[] = {
      {u"SIA Meža Profili"_qs, {}},
      {u"office affix fluff"_qs, {}},
      {u"cafe\u0301 Re\u0304zekne q\u0301"_qs, {}},
      {u"مرحبا بالعالم"_qs, {}},
      {u"لا سلام كِتَاب"_qs, {}},
      {u"हिन्दी"_qs, {}},
      {u"বাংলা ਪੰਜਾਬੀ ગુજરાતી"_qs, {}},
      {u"தமிழ் తెలుగు සිංහල ខ្មែរ"_qs, {}},
      {u"Profili हिन्दी office"_qs, {}},
      {u"Склад 漢字 №"_qs, {}},
      {QString(QChar(0xD800)) + u"a"_qs, u"\uFFFDa"_qs},
      {u"b"_qs + QChar(0xDC00) + u"c"_qs, u"b\uFFFDc"_qs},
  };
  QStringList texts;
  for (const auto &c : cases) texts << c.Text;
  QString error;
  ASSERT_TRUE(WriteReportPdf(OneTextALine(texts), File, &error)) << error.toStdString();
  EXPECT_EQ(QpdfProblems(File), QString());
  const QStringList lines = ReadBack(File);
  ASSERT_EQ(lines.size(), std::size(cases)) << lines.join('\n').toStdString();
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(lines[int(i)].toStdString(),
              (cases[i].Read.isNull() ? cases[i].Text : cases[i].Read).toStdString());
}

// Random texts of every kind above, wrapped in narrow boxes or on one line, with fixed seeds:
// the file stays valid and each text reads back as written (blanks aside, since the reader
// puts its own where glyphs stand apart). A text a page: the reader takes the direction of
// the whole page from its texts.
TEST_F(ReportPdf, RandomTextsReadBackAsWritten) {
  const QStringList latin = {u"office"_qs, u"affix"_qs, u"Profili"_qs, u"fluff"_qs, u"Žūrija"_qs,
                             u"šķūnī"_qs, u"Склад"_qs, u"Отчёт"_qs, u"L=4500"_qs, u"12.50"_qs,
                             u"cafe\u0301"_qs, u"o\u0308l"_qs, u"q\u0301"_qs, u"हिन्दी"_qs, u"தமிழ்"_qs,
                             u"漢字"_qs, u"№"_qs, u"(IV-68)"_qs};
  const QStringList arabic = {u"مرحبا"_qs, u"بالعالم"_qs, u"لا"_qs, u"كِتَاب"_qs, u"سلام"_qs};
  static const QRegularExpression blanks(QStringLiteral(u"[\u200E\u200F\u202A-\u202E\\s]"));
  for (quint32 seed = 1; seed <= 8; ++seed) {
    SCOPED_TRACE(seed);
    QRandomGenerator random(seed);
    TReportModel m;
    m.PaperSize = QSizeF(210 * ReportPixelsPerMM, 297 * ReportPixelsPerMM);
    QStringList expected;
    for (int p = 0; p < 40; ++p) {
      const bool rtl = random.bounded(5) == 0;
      QStringList words, read;
      for (int w = 0, n = 1 + random.bounded(8); w < n; ++w) {
        const QStringList &pool = rtl ? arabic : latin;
        QString word = pool[random.bounded(int(pool.size()))];
        read << word;
        if (!rtl && random.bounded(10) == 0) {  // half a surrogate pair, read as U+FFFD
          const qsizetype at = random.bounded(2) ? 0 : word.size();
          word.insert(at, QChar(0xD800 + random.bounded(0x800)));
          read.last().insert(at, QChar(0xFFFD));
        }
        words << word;
      }
      TReportItem item;
      const bool wrap = random.bounded(2) == 0;
      item.Box = QRectF(40, 40, wrap ? 120 + random.bounded(200) : 700, 20);
      item.Text = words.join(' ');
      item.Font = ReportFont(13, random.bounded(3) == 0);
      item.Flags = (wrap ? Qt::TextWordWrap : 0) | Qt::AlignTop |
                   (random.bounded(2) ? Qt::AlignLeft : Qt::AlignRight);
      TReportPage page;
      page.Size = m.PaperSize;
      page.Items.push_back(item);
      m.Pages.push_back(page);
      expected << read.join(QString()).remove(blanks);
    }
    QString error;
    ASSERT_TRUE(WriteReportPdf(m, File, &error)) << error.toStdString();
    EXPECT_EQ(QpdfProblems(File), QString());
    QStringList read = Output("pdftotext", {"-layout", File, "-"}).split('\f');
    read.resize(expected.size());
    for (QString &page : read) page.remove(blanks);
    EXPECT_EQ(read.join('\n').toStdString(), expected.join('\n').toStdString());
  }
}

// A long report: more distinct texts than a writer thread keeps shaped, among captions that
// come back on every page; every text reads back in its place.
TEST_F(ReportPdf, LongReportReadsBackWhole) {
  QStringList texts;
  const int count = int(pdf::TShapeCache::Half) * 2 * 8 + 3000;
  for (int i = 0; i < count; ++i)
    texts << (i % 10 == 0 ? u"Atlikums: Склад"_qs : QStringLiteral("Līste %1").arg(i));
  QString error;
  ASSERT_TRUE(WriteReportPdf(OneTextALine(texts), File, &error)) << error.toStdString();
  EXPECT_EQ(ReadBack(File), texts);
}

// The numbers of every page's content, with the glyphs' hexadecimal strings left out.
QStringList ContentNumbers(const QString &file, const QString &folder) {
  const QString qdf = folder + "/qdf.pdf";
  Output("qpdf", {"--qdf", "--object-streams=disable", file, qdf});
  QFile in(qdf);
  if (!in.open(QIODevice::ReadOnly)) return {"unreadable"};
  const QByteArray all = in.readAll();
  QStringList numbers;
  static const QRegularExpression hex(QStringLiteral("<[0-9A-Fa-f\\s]*>")),
      token(QStringLiteral("[^\\s\\[\\]<>()/]+"));
  for (qsizetype at = 0; (at = all.indexOf("%% Contents for page", at)) >= 0;) {
    const qsizetype from = all.indexOf("stream\n", at) + 7, to = all.indexOf("endstream", from);
    QString content = QString::fromLatin1(all.mid(from, to - from)).remove(hex);
    for (const auto &m : token.globalMatch(content)) {
      const QString t = m.captured();
      if (t[0].isDigit() || t[0] == '-' || t[0] == '.' || t.contains(QStringLiteral("nan"), Qt::CaseInsensitive) ||
          t.contains(QStringLiteral("inf"), Qt::CaseInsensitive))
        numbers << t;
    }
    at = to;
  }
  return numbers;
}

// Coordinates that are not numbers leave their item out; huge ones are brought within what
// a reader takes, where they show as far as the page goes.
TEST_F(ReportPdf, CoordinatesBeyondThePageStayOutOfItsContent) {
  const double nan = std::numeric_limits<double>::quiet_NaN(),
               inf = std::numeric_limits<double>::infinity();
  TReportModel m = OneTextALine({u"Līste 150"_qs});
  TReportPage page = m.Pages[0];
  const TReportItem text = page.Items[0];
  const auto add = [&](TReportItem::TKind kind, const QRectF &box, double pen = 1) {
    TReportItem item = text;
    item.Kind = kind;
    item.Box = box;
    item.PenWidth = pen;
    item.Brush = Qt::gray;
    item.Picture = QImage(2, 2, QImage::Format_RGB32);
    page.Items.push_back(item);
    return &page.Items.back();
  };
  for (const TReportItem::TKind kind :
       {TReportItem::kText, TReportItem::kLine, TReportItem::kRect, TReportItem::kImage}) {
    add(kind, QRectF(nan, 10, 100, 20));
    add(kind, QRectF(10, 10, inf, 20));
    add(kind, QRectF(-1e300, 200, 2e300, 20));
    add(kind, QRectF(1e12, -1e12, 1e9, 1e9));
    add(kind, QRectF(10, 300, 100, 20), 1e300);
    add(kind, QRectF(10, 300, 100, 20), nan);
    TReportItem *clipped = add(kind, QRectF(10, 330, 100, 20));
    clipped->Clipped = true;
    clipped->Clip = QRectF(0, -inf, 1e20, 1e20);
  }
  page.Items.back().Clip = QRectF(0, 0, nan, 30);
  page.Items.back().Text = u"Wrapped in a box of no width"_qs;
  page.Items.back().Flags |= Qt::TextWordWrap;
  m.Pages.clear();
  m.Pages.push_back(page);
  QString error;
  ASSERT_TRUE(WriteReportPdf(m, File, &error)) << error.toStdString();
  EXPECT_EQ(QpdfProblems(File), QString());
  const QStringList numbers = ContentNumbers(File, Dir.path());
  ASSERT_GT(numbers.size(), 20);
  for (const QString &n : numbers) {
    bool ok = false;
    const double v = n.toDouble(&ok);
    EXPECT_TRUE(ok && std::abs(v) <= 32767) << n.toStdString();
  }
  EXPECT_TRUE(Output("pdftotext", {File, "-"}).contains(u"Līste 150"_qs));
}

// A writer thread that runs out of memory fails the write: false with the reason, no file,
// and the next write goes as ever.
TEST_F(ReportPdf, WriterThreadOutOfMemoryFailsTheWriteAndLeavesNoFile) {
  QStringList texts;
  for (int i = 0; i < 1200; ++i) texts << QStringLiteral("Līste %1").arg(i);
  const TReportModel m = OneTextALine(texts);
  ASSERT_EQ(m.PageCount(), 40);
  const pdf::TPdfPageHook old = pdf::SetPdfPageHook([&](const TReportPage &page) {
    if (page.Texts().contains(u"Līste 210"_qs)) throw std::bad_alloc();  // the eighth page
  });
  QString error;
  EXPECT_FALSE(WriteReportPdf(m, File, &error));
  EXPECT_TRUE(error.contains(File)) << error.toStdString();
  EXPECT_FALSE(QFile::exists(File));
  EXPECT_EQ(QDir(Dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
  pdf::SetPdfPageHook(old);
  EXPECT_TRUE(WriteReportPdf(m, File, &error));
  EXPECT_EQ(ReadBack(File).size(), 1200);
}

}  // namespace
