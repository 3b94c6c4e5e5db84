#pragma once
// The content of a PDF page: texts laid out and shaped as the painter does it (a text that
// keeps coming back once per writer thread), glyphs placed where the preview places them, with what
// they stand for in the text; lines, rectangles and pictures.
#include <QByteArray>
#include <QFont>
#include <QHash>
#include <QPointF>
#include <QRawFont>
#include <QString>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/report/ReportModel.h"

class QTextLine;
class QGlyphRun;

namespace pdf {

class TFontRecord;
class TFontRegistry;

// Glyphs of a run that stand for a text of their own in the PDF (/ActualText): those that
// the font's map from glyphs to text cannot give, as glyphs that stand for several
// characters together or for a character the glyph shows elsewhere too.
struct TActualText {
  int From = 0, Count = 0;
  QString Text;
};

// A text as the layout breaks and shapes it: glyphs with their positions from the top-left of
// its box (baselines), line by line, before the alignment moves each line.
struct TShapedRun {
  int Font = 0;  // in the registry
  TFontRecord *File = nullptr;  // its map from glyphs to text is filled while texts are shaped
  bool Embedded = true;
  double Size = 0;
  std::vector<quint32> Glyphs;
  std::vector<QPointF> Positions;
  std::vector<TActualText> Spans;    // in the order of the glyphs, apart from each other
  // A font that is not embedded: each glyph as a path, and the run's text written invisibly
  // over them in a font that is (TextFont -1: none is at hand).
  std::vector<QByteArray> Outlines;
  int TextFont = -1;
  double TextSize = 0, TextScale = 100;
  QPointF TextAt;
  QString Text;
};
struct TShapedLine {
  double Advance = 0;   // for the alignment
  double Baseline = 0;  // for the underline
  std::vector<TShapedRun> Runs;
  QString Text;  // not empty: the line's text stands for all its glyphs together
};
struct TShapedText {
  std::vector<TShapedLine> Lines;
  double Height = 0;
};

// Which text: the report font (by its place in the report's list), the breaking and its
// width, the text.
struct TTextKey {
  int Font, Wrap;
  qint64 Width;
  QString Text;
  bool operator==(const TTextKey &o) const {
    return Font == o.Font && Wrap == o.Wrap && Width == o.Width && Text == o.Text;
  }
};
struct TTextKeyHash {
  size_t operator()(const TTextKey &k) const {
    return qHashMulti(0, k.Font, k.Wrap, k.Width, k.Text);
  }
};

// The texts one writer thread has shaped lately: a text is shaped once while it stays in use.
// A report over the whole store has hundreds of thousands of texts that show once (names,
// totals), which are not kept: the cache holds two halves, the newer one filling up; when it
// is full the older one goes, and a text used again is taken over from it into the newer.
class TShapeCache {
 public:
  const TShapedText *Find(const TTextKey &key, size_t hash);
  // A text found before is not added again; the text kept is returned. A text found or added
  // stays until the next call.
  const TShapedText *Add(const TTextKey &key, size_t hash, std::unique_ptr<TShapedText> text);
  void Clear();
  // Texts a half holds.
  static constexpr size_t Half = 1024;

 private:
  struct TKeyHash {
    size_t operator()(const std::pair<TTextKey, size_t> &k) const { return k.second; }
  };
  using TTexts = std::unordered_map<std::pair<TTextKey, size_t>, std::unique_ptr<TShapedText>, TKeyHash>;
  // Makes room in the newer half.
  void Room();
  TTexts m_newer, m_older;
};

// One page's content and the resources it names (/F0, /F1... and /Im0, /Im1... in order).
struct TPageOut {
  QByteArray Content;
  std::vector<int> Fonts;  // in the registry
  std::vector<QImage> Images;
};

// Writes pages; one writer a thread.
class TPageWriter {
 public:
  TPageWriter(const std::vector<QFont> &fonts, TFontRegistry &registry);

  // The glyphs this thread's pages show, by font file.
  std::unordered_map<int, std::set<quint32>> Used;

  // Lets go of every font and shaped text: called by the thread that used them, before it ends.
  void ReleaseFonts();
  void Write(const TReportPage &page, double pageHeightPt, TPageOut &out);

 private:
  // A report font as this thread's own copy (the model's fonts are shared with the other
  // threads), with the measures the layout of a text needs.
  struct TLocalFont {
    bool Ready = false;
    QFont Font;
    double Leading = 0, UnderlinePos = 0, Descent = 0, LineWidth = 1;
    int TextFont = -1;  // the embedded font file that carries the text of glyphs drawn as paths
    double TextSize = 0, TextWidth = 0;  // its size and the advance of its glyph 0 (1/1000 em)
  };

  void ResetState();
  void Rect(const QRectF &r);
  void Color(const QColor &c);
  void Fill(const QColor &c);
  void Pen(const QColor &c, double width, int cap, int join);
  void Line(const TReportItem &item, const QRectF &box);
  void Rectangle(const TReportItem &item, const QRectF &box);
  void Image(const TReportItem &item, const QRectF &box);
  void Text(const TReportItem &item, const QRectF &box);
  void Glyphs(const TShapedRun &run, const QPointF &origin, bool marked);
  void InvisibleText(const TShapedRun &run, const QPointF &origin, bool marked);
  void BeginActualText(const QString &text);

  int FontName(int font);
  std::pair<int, TFontRecord *> FontOf(const QRawFont &raw);
  const TLocalFont &Local(int index);
  int FontIndex(const TReportItem &item);
  const TShapedText &Shaped(const TReportItem &item, const QRectF &box);
  std::unique_ptr<TShapedText> Shape(int fontIndex, const QString &given, int flags, double width);
  void MapText(const QTextLine &line, const QList<QGlyphRun> &runs, const QString &text,
               TShapedLine &out);
  bool MapNominal(const QList<QGlyphRun> &runs, QStringView text, TShapedLine &line);
  bool Claim(TShapedRun &run, quint32 glyph, QStringView text);
  static QByteArray Outline(const QRawFont &raw, quint32 glyph);

  const std::vector<QFont> &m_reportFonts;
  TFontRegistry &m_registry;
  TShapeCache m_cache;
  std::vector<TLocalFont> m_fonts;
  QHash<QRawFont, std::pair<int, TFontRecord *>> m_rawFonts;
  // The texts the glyphs stand for, as this thread has learnt them: by font file and glyph.
  std::unordered_map<int, std::unordered_map<quint32, QString>> m_claims;
  const QFont *m_lastFont = nullptr;
  int m_fontIndex = 0;
  TPageOut *m_out = nullptr;
  QByteArray m_content;
  std::unordered_map<int, int> m_fontNames;
  QColor m_fill, m_stroke;
  double m_width = -1;
  int m_cap = -1, m_join = -1;
};

// Called by a writer thread before it writes each page (tests make it fail as a thread may
// fail, for want of memory). Returns the hook in force.
using TPdfPageHook = std::function<void(const TReportPage &page)>;
TPdfPageHook SetPdfPageHook(TPdfPageHook hook);

}  // namespace pdf
