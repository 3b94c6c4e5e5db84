#include "platform/report/PdfPage.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainterPath>
#include <QTextLayout>
#include <QVarLengthArray>
#include <algorithm>
#include <climits>
#include <cmath>
#include <map>
#include <numeric>
#include <tuple>

#include "platform/report/PdfFile.h"
#include "platform/report/PdfFonts.h"

namespace pdf {

namespace {

TPdfPageHook &PageHook() {
  static TPdfPageHook hook;
  return hook;
}

// The longest text a glyph stands for in the font's map; longer ones are written as text of
// their own.
constexpr qsizetype MaxGlyphText = 16;
// The longest line whose clusters are looked for one character after the other (each look
// costs as much as the line is long); a longer one has one text for all its glyphs.
constexpr qsizetype MaxClusteredLine = 1000;

// The UTF-16 units of the character at `at`: a surrogate stands alone unless it is the high
// one of a pair.
qsizetype CharLength(QStringView text, qsizetype at) {
  return text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate() ? 2
                                                                                              : 1;
}

// The characters of a text from the last to the first (a surrogate pair stays one).
QString Reversed(const QString &text) {
  QString out;
  out.reserve(text.size());
  for (qsizetype at = text.size(); at > 0;) {
    const qsizetype length = at > 1 && text[at - 1].isLowSurrogate() && text[at - 2].isHighSurrogate() ? 2 : 1;
    at -= length;
    out += QStringView(text).mid(at, length);
  }
  return out;
}

bool Finite(const QRectF &r) {
  return std::isfinite(r.left()) && std::isfinite(r.top()) && std::isfinite(r.right()) &&
         std::isfinite(r.bottom());
}

// The box with every edge moved within the largest coordinate of a page.
QRectF Bounded(const QRectF &r) {
  const auto in = [](double v) { return std::clamp(v, -MaxCoordinate, MaxCoordinate); };
  if (std::abs(r.left()) <= MaxCoordinate && std::abs(r.top()) <= MaxCoordinate &&
      std::abs(r.right()) <= MaxCoordinate && std::abs(r.bottom()) <= MaxCoordinate)
    return r;
  return QRectF(QPointF(in(r.left()), in(r.top())), QPointF(in(r.right()), in(r.bottom())));
}

// Characters and glyphs that belong together (one shaping cluster), found by joining sets.
class TClusters {
 public:
  explicit TClusters(int count) : m_parent(size_t(count)) {
    std::iota(m_parent.begin(), m_parent.end(), 0);
  }
  int Root(int i) {
    while (m_parent[size_t(i)] != i) i = m_parent[size_t(i)] = m_parent[size_t(m_parent[size_t(i)])];
    return i;
  }
  void Join(int a, int b) { m_parent[size_t(Root(a))] = Root(b); }

 private:
  std::vector<int> m_parent;
};

}  // namespace

TPdfPageHook SetPdfPageHook(TPdfPageHook hook) {
  std::swap(PageHook(), hook);
  return hook;
}

const TShapedText *TShapeCache::Find(const TTextKey &key, size_t hash) {
  const std::pair<TTextKey, size_t> k{key, hash};
  if (const auto it = m_newer.find(k); it != m_newer.end()) return it->second.get();
  auto node = m_older.extract(k);
  if (node.empty()) return nullptr;
  Room();
  return m_newer.insert(std::move(node)).position->second.get();
}

const TShapedText *TShapeCache::Add(const TTextKey &key, size_t hash,
                                    std::unique_ptr<TShapedText> text) {
  if (const TShapedText *found = Find(key, hash)) return found;
  Room();
  return m_newer.emplace(std::make_pair(key, hash), std::move(text)).first->second.get();
}

void TShapeCache::Room() {
  if (m_newer.size() < Half) return;
  m_older = std::move(m_newer);
  m_newer = TTexts();
}

void TShapeCache::Clear() {
  m_newer = TTexts();
  m_older = TTexts();
}

TPageWriter::TPageWriter(const std::vector<QFont> &fonts, TFontRegistry &registry)
    : m_reportFonts(fonts), m_registry(registry), m_fonts(fonts.size()) {}

void TPageWriter::ReleaseFonts() {
  m_cache.Clear();
  m_rawFonts.clear();
  m_fonts.clear();
}

void TPageWriter::Write(const TReportPage &page, double pageHeightPt, TPageOut &out) {
  if (PageHook()) PageHook()(page);
  m_out = &out;
  m_lastFont = nullptr;  // the fonts of the page before may be gone
  m_fontNames.clear();
  m_content.clear();
  m_content.reserve(64 * 1024);
  ResetState();
  // Report pixels (96 per inch) from the top-left corner.
  m_content.append("0.75 0 0 -0.75 0 ");
  Num(m_content, pageHeightPt);
  m_content.append("cm\n");
  for (const TReportItem &item : page.Items) {
    // What has no place on the paper (a coordinate that is not a number) is left out; what
    // lies far beyond it is brought to its edge, where it shows as the preview shows it.
    if (!Finite(item.Box) || (item.Clipped && !Finite(item.Clip))) continue;
    if ((item.Kind == TReportItem::kLine || item.Kind == TReportItem::kRect) &&
        !std::isfinite(item.PenWidth))
      continue;
    const QRectF box = Bounded(item.Box);
    if (item.Clipped) {
      m_content.append("q ");
      Rect(Bounded(item.Clip));
      m_content.append("re W n\n");
    }
    switch (item.Kind) {
      case TReportItem::kText: Text(item, box); break;
      case TReportItem::kLine: Line(item, box); break;
      case TReportItem::kRect: Rectangle(item, box); break;
      case TReportItem::kImage: Image(item, box); break;
    }
    if (item.Clipped) {
      m_content.append("Q\n");
      ResetState();
    }
  }
  out.Content = Deflate(m_content);
}

void TPageWriter::ResetState() {
  m_fill = m_stroke = QColor();
  m_width = -1;
  m_cap = m_join = -1;
}

void TPageWriter::Rect(const QRectF &r) {
  Num(m_content, r.x());
  Num(m_content, r.y());
  Num(m_content, r.width());
  Num(m_content, r.height());
}

void TPageWriter::Color(const QColor &c) {
  Num(m_content, c.redF());
  Num(m_content, c.greenF());
  Num(m_content, c.blueF());
}

void TPageWriter::Fill(const QColor &c) {
  if (c == m_fill) return;
  m_fill = c;
  Color(c);
  m_content.append("rg\n");
}

void TPageWriter::Pen(const QColor &c, double width, int cap, int join) {
  if (c != m_stroke) {
    m_stroke = c;
    Color(c);
    m_content.append("RG\n");
  }
  width = std::clamp(width, 0.0, MaxCoordinate);
  if (width != m_width) {
    m_width = width;
    Num(m_content, width);
    m_content.append("w\n");
  }
  if (cap != m_cap) {
    m_cap = cap;
    Int(m_content, cap);
    m_content.append(" J\n");
  }
  if (join != m_join) {
    m_join = join;
    Int(m_content, join);
    m_content.append(" j\n");
  }
}

void TPageWriter::Line(const TReportItem &item, const QRectF &box) {
  Pen(item.Pen, item.PenWidth, 0, 2);
  Num(m_content, box.left());
  Num(m_content, box.top());
  m_content.append("m ");
  Num(m_content, box.right());
  Num(m_content, box.bottom());
  m_content.append("l S\n");
}

void TPageWriter::Rectangle(const TReportItem &item, const QRectF &box) {
  const bool fill = item.Brush.isValid(), stroke = item.PenWidth > 0;
  if (!fill && !stroke) return;
  if (fill) Fill(item.Brush);
  if (stroke) Pen(item.Pen, item.PenWidth, 2, 2);
  Rect(box);
  m_content.append(fill && stroke ? "re B\n" : fill ? "re f\n" : "re S\n");
}

void TPageWriter::Image(const TReportItem &item, const QRectF &box) {
  if (item.Picture.isNull()) return;
  const int index = int(m_out->Images.size());
  m_out->Images.push_back(item.Picture);
  m_content.append("q ");
  Num(m_content, box.width());
  m_content.append("0 0 ");
  Num(m_content, -box.height());
  Num(m_content, box.left());
  Num(m_content, box.bottom());
  m_content.append("cm /Im");
  Int(m_content, index);
  m_content.append(" Do Q\n");
}

int TPageWriter::FontName(int font) {
  auto it = m_fontNames.find(font);
  if (it != m_fontNames.end()) return it->second;
  const int name = int(m_out->Fonts.size());
  m_out->Fonts.push_back(font);
  m_fontNames.emplace(font, name);
  return name;
}

std::pair<int, TFontRecord *> TPageWriter::FontOf(const QRawFont &raw) {
  if (const auto it = m_rawFonts.constFind(raw); it != m_rawFonts.constEnd()) return *it;
  const auto font = m_registry.Find(raw);
  m_rawFonts.insert(raw, font);
  return font;
}

const TPageWriter::TLocalFont &TPageWriter::Local(int index) {
  TLocalFont &own = m_fonts[size_t(index)];
  if (!own.Ready) {
    own.Ready = true;
    // A copy that shares nothing with the model's font: a font shared by threads keeps
    // losing the engines each thread loads for it.
    own.Font = m_reportFonts[size_t(index)];
    const int pixels = own.Font.pixelSize() > 0 ? own.Font.pixelSize() : 13;
    own.Font.setPixelSize(pixels + 1);  // setting the size it has would not copy
    own.Font.setPixelSize(pixels);
    const QFontMetricsF metrics(own.Font);
    own.Leading = metrics.leading();
    own.UnderlinePos = metrics.underlinePos();
    own.Descent = metrics.descent();
    own.LineWidth = metrics.lineWidth();
    // The text of glyphs drawn as paths goes invisibly in the font's own file, if it has one.
    const QRawFont raw = QRawFont::fromFont(own.Font);
    if (raw.isValid() && raw.pixelSize() > 0) {
      const auto [font, file] = FontOf(raw);
      if (file->Metrics.Embeddable && file->Metrics.Width(0) > 0) {
        own.TextFont = font;
        own.TextSize = raw.pixelSize();
        own.TextWidth = file->Metrics.Width(0);
      }
    }
  }
  return own;
}

int TPageWriter::FontIndex(const TReportItem &item) {
  if (m_lastFont && (m_lastFont == &item.Font || *m_lastFont == item.Font)) return m_fontIndex;
  m_fontIndex = 0;
  for (size_t i = 0; i < m_reportFonts.size(); ++i)
    if (m_reportFonts[i] == item.Font) m_fontIndex = int(i);
  m_lastFont = &item.Font;
  return m_fontIndex;
}

const TShapedText &TPageWriter::Shaped(const TReportItem &item, const QRectF &box) {
  const int wrap = item.Flags & (Qt::TextWordWrap | Qt::TextWrapAnywhere);
  const TTextKey key{FontIndex(item), wrap, wrap ? qRound64(box.width() * 1000) : 0, item.Text};
  const size_t hash = TTextKeyHash()(key);
  if (const TShapedText *found = m_cache.Find(key, hash)) return *found;
  return *m_cache.Add(key, hash, Shape(key.Font, item.Text, item.Flags, box.width()));
}

// Lays the text out as the painter does for a box with these flags.
std::unique_ptr<TShapedText> TPageWriter::Shape(int fontIndex, const QString &given, int flags,
                                                double width) {
  const TLocalFont &font = Local(fontIndex);
  const bool wrap = flags & (Qt::TextWordWrap | Qt::TextWrapAnywhere);
  QString text = given;
  for (QChar &c : text) {
    if (c == u'\r' || c == u'\t')
      c = u' ';
    else if (c == u'\n')
      c = QChar::LineSeparator;
  }
  auto shaped = std::make_unique<TShapedText>();
  QTextLayout layout(text, font.Font);
  QTextOption option;
  option.setAlignment(Qt::AlignLeft);
  if (flags & Qt::TextWrapAnywhere) option.setWrapMode(QTextOption::WrapAnywhere);
  if (!wrap) option.setFlags(QTextOption::IncludeTrailingSpaces);
  layout.setTextOption(option);
  double height = -font.Leading;
  layout.beginLayout();
  for (;;) {
    QTextLine line = layout.createLine();
    if (!line.isValid()) break;
    line.setLineWidth(wrap ? std::max(0.0, width) : double(0x01000000));
    // Lines start on whole pixels.
    height = std::ceil(height + font.Leading);
    line.setPosition(QPointF(0, height));
    height += line.height();
  }
  layout.endLayout();
  shaped->Height = height;
  for (int i = 0; i < layout.lineCount(); ++i) {
    const QTextLine line = layout.lineAt(i);
    TShapedLine out;
    out.Advance = line.horizontalAdvance();
    out.Baseline = line.y() + line.ascent();
    const QList<QGlyphRun> runs = line.glyphRuns();
    QList<QGlyphRun> drawn;
    for (const QGlyphRun &run : runs) {
      const QList<quint32> glyphs = run.glyphIndexes();
      if (glyphs.isEmpty()) continue;
      TShapedRun r;
      const QRawFont raw = run.rawFont();
      std::tie(r.Font, r.File) = FontOf(raw);
      r.Size = raw.pixelSize();
      r.Glyphs.assign(glyphs.begin(), glyphs.end());
      const QList<QPointF> positions = run.positions();
      r.Positions.assign(positions.begin(), positions.end());
      r.Embedded = r.File->Metrics.Embeddable && r.Size > 0 && std::isfinite(r.Size);
      if (r.Embedded) {
        Used[r.Font].insert(r.Glyphs.begin(), r.Glyphs.end());
      } else {
        for (const quint32 g : r.Glyphs) r.Outlines.push_back(Outline(raw, g));
        if (font.TextFont >= 0) {
          const QRectF bounds = run.boundingRect();
          r.TextFont = font.TextFont;
          r.TextSize = font.TextSize;
          r.TextAt = QPointF(bounds.left(), r.Positions.front().y());
          const double advance = font.TextWidth * font.TextSize / 1000;
          r.TextScale = bounds.width() > 0 ? 100 * bounds.width() / advance : 100;
          Used[r.TextFont].insert(0);
        }
      }
      out.Runs.push_back(std::move(r));
      drawn.push_back(run);
    }
    if (!out.Runs.empty()) MapText(line, drawn, text, out);
    shaped->Lines.push_back(std::move(out));
  }
  return shaped;
}

// What a glyph of the run stands for, in the font's map: true when it is the given text
// (this thread remembers what the map holds, so that most glyphs need no lock).
bool TPageWriter::Claim(TShapedRun &run, quint32 glyph, QStringView text) {
  auto &known = m_claims[run.Font];
  auto it = known.find(glyph);
  if (it == known.end()) {
    const QString claimed =
        glyph == 0 || text.size() > MaxGlyphText
            ? QString()
            : run.File->Claim(glyph, Extractable(text));
    if (claimed.isEmpty()) return false;
    it = known.emplace(glyph, claimed).first;
  }
  return it->second == text;
}

// The common case: runs left to right whose glyphs are the characters' own, one for each in
// their order (blanks at the end of a broken line have none), all on the line (a mark
// placed above or below its letter is read as a letter of a line of its own).
bool TPageWriter::MapNominal(const QList<QGlyphRun> &runs, QStringView text, TShapedLine &line) {
  QVarLengthArray<quint32, 256> nominal(text.size());
  qsizetype at = 0;
  for (qsizetype r = 0; r < runs.size(); ++r) {
    const TShapedRun &run = line.Runs[size_t(r)];
    if (!run.Embedded || runs[r].isRightToLeft()) return false;
    const double y = run.Positions.front().y();
    for (const QPointF &p : run.Positions)
      if (p.y() != y) return false;
    const qsizetype from = at;
    for (size_t g = 0; g < run.Glyphs.size(); ++g) {
      if (at >= text.size()) return false;
      at += CharLength(text, at);
    }
    int count = int(at - from);
    if (!runs[r].rawFont().glyphIndexesForChars(text.data() + from, count, nominal.data(), &count) ||
        size_t(count) != run.Glyphs.size() ||
        !std::equal(run.Glyphs.begin(), run.Glyphs.end(), nominal.begin()))
      return false;
  }
  for (qsizetype rest = at; rest < text.size(); ++rest)
    if (!text[rest].isSpace()) return false;
  at = 0;
  for (TShapedRun &run : line.Runs)
    for (size_t g = 0; g < run.Glyphs.size(); ++g) {
      const qsizetype length = CharLength(text, at);
      const QStringView ch = text.mid(at, length);
      if (!Claim(run, run.Glyphs[g], ch)) {
        const QString own = Extractable(ch);
        if (!run.Spans.empty() && run.Spans.back().From + run.Spans.back().Count == int(g)) {
          ++run.Spans.back().Count;  // one text for neighbours
          run.Spans.back().Text += own;
        } else {
          run.Spans.push_back({int(g), 1, own});
        }
      }
      at += length;
    }
  return true;
}

// Finds what the glyphs of a line stand for: each glyph its characters in the font's map
// where it can, the rest as text of its own.
void TPageWriter::MapText(const QTextLine &line, const QList<QGlyphRun> &runs,
                          const QString &text, TShapedLine &out) {
  const QStringView chars = QStringView(text).mid(line.textStart(), line.textLength());
  if (MapNominal(runs, chars, out)) return;
  if (chars.size() > MaxClusteredLine) {
    out.Text = Extractable(chars.trimmed());
    return;
  }
  // Every other line: the glyphs of each character, as the layout gives them for it alone,
  // found in the line's runs by where they stand. Characters and glyphs are the nodes of
  // the clusters: characters first, then the glyphs run after run.
  const int n = int(chars.size());
  std::vector<int> first(out.Runs.size() + 1, n);
  for (size_t r = 0; r < out.Runs.size(); ++r)
    first[r + 1] = first[r] + int(out.Runs[r].Glyphs.size());
  std::map<std::tuple<quint32, qint64, qint64>, int> where;
  for (size_t r = 0; r < out.Runs.size(); ++r)
    for (size_t g = 0; g < out.Runs[r].Glyphs.size(); ++g) {
      const QPointF p = out.Runs[r].Positions[g];
      where.emplace(std::make_tuple(out.Runs[r].Glyphs[g], qRound64(p.x() * 64), qRound64(p.y() * 64)),
                    first[r] + int(g));
    }
  TClusters clusters(first.back());
  std::vector<char> shown(size_t(n), 0);
  for (qsizetype at = 0; at < n;) {
    const qsizetype length = CharLength(chars, at);
    for (const QGlyphRun &part : line.glyphRuns(line.textStart() + int(at), int(length))) {
      const QList<quint32> glyphs = part.glyphIndexes();
      const QList<QPointF> positions = part.positions();
      for (qsizetype g = 0; g < glyphs.size(); ++g) {
        const auto it = where.find(std::make_tuple(glyphs[g], qRound64(positions[g].x() * 64),
                                                   qRound64(positions[g].y() * 64)));
        if (it == where.end()) continue;
        clusters.Join(int(at), it->second);
        shown[size_t(at)] = 1;
      }
    }
    at += length;
  }
  // A character without a glyph of its own (a joiner, a soft hyphen) goes with the one
  // before it; blanks without one are left out, as the reader puts blanks by itself.
  int previous = -1;
  for (qsizetype at = 0; at < n; at += CharLength(chars, at)) {
    if (shown[size_t(at)]) {
      previous = int(at);
    } else if (!chars[at].isSpace()) {
      if (previous >= 0) {
        clusters.Join(int(at), previous);
      } else {
        for (qsizetype next = at; next < n; ++next)
          if (shown[size_t(next)]) {
            clusters.Join(int(at), int(next));
            break;
          }
      }
      shown[size_t(at)] = 2;
    }
  }
  // Each cluster's text, its characters in their order, and where its glyphs lie.
  struct TCluster {
    QString Text;
    int Char = INT_MAX;  // its first character
    int Run = -1, From = INT_MAX, To = -1, Glyphs = 0;
    bool Apart = false;  // glyphs in several runs
  };
  std::unordered_map<int, TCluster> found;
  for (qsizetype at = 0; at < n; at += CharLength(chars, at))
    if (shown[size_t(at)]) {
      TCluster &c = found[clusters.Root(int(at))];
      c.Char = std::min(c.Char, int(at));
      c.Text += Extractable(chars.mid(at, CharLength(chars, at)));
    }
  for (size_t r = 0; r < out.Runs.size(); ++r)
    for (int g = first[r]; g < first[r + 1]; ++g) {
      TCluster &c = found[clusters.Root(g)];
      if (c.Run >= 0 && c.Run != int(r)) c.Apart = true;
      c.Run = int(r);
      c.From = std::min(c.From, g - first[r]);
      c.To = std::max(c.To, g - first[r]);
      ++c.Glyphs;
    }
  bool apart = false;
  for (const auto &[root, c] : found) apart = apart || c.Apart || (c.Run < 0 && !c.Text.isEmpty());
  if (apart) {
    // Shaping has mixed the runs: the line's text stands for all of them.
    out.Text = Extractable(chars.trimmed());
    return;
  }
  for (size_t r = 0; r < out.Runs.size(); ++r) {
    TShapedRun &run = out.Runs[r];
    // The clusters of the run by their first glyph, and which need a text of their own.
    std::vector<const TCluster *> at(run.Glyphs.size(), nullptr);
    std::vector<std::pair<int, int>> own;
    const bool rtl = runs[int(r)].isRightToLeft();
    for (const auto &[root, c] : found) {
      if (c.Run != int(r)) continue;
      at[size_t(c.From)] = &c;
      if (!run.Embedded) continue;
      // A glyph of several characters right to left (as lam-alef) gets a text of its own
      // too, for the readers that turn it round (the map keeps their order for the others).
      const bool mapped =
          c.Glyphs == 1 && !c.Text.isEmpty() && Claim(run, run.Glyphs[size_t(c.From)], c.Text);
      if (!mapped || (rtl && c.Text.size() > 1)) own.emplace_back(c.From, c.To);
    }
    const auto inOrder = [](const TCluster *a, const TCluster *b) { return a->Char < b->Char; };
    if (!run.Embedded) {
      // The run's text goes with its invisible copy.
      std::vector<const TCluster *> members;
      for (const TCluster *c : at)
        if (c) members.push_back(c);
      std::sort(members.begin(), members.end(), inOrder);
      for (const TCluster *c : members) run.Text += c->Text;
      continue;
    }
    // Clusters whose glyphs overlap share one text, in the order of their characters.
    std::sort(own.begin(), own.end());
    // Right to left, readers place the marks of a text of its own apart from their letters
    // unless the text stands for the whole run.
    if (rtl && !own.empty()) own = {{0, int(run.Glyphs.size()) - 1}};
    for (size_t i = 0; i < own.size();) {
      int from = own[i].first, to = own[i].second;
      for (++i; i < own.size() && own[i].first <= to; ++i) to = std::max(to, own[i].second);
      std::vector<const TCluster *> members;
      for (int g = from; g <= to; ++g)
        if (at[size_t(g)]) members.push_back(at[size_t(g)]);
      TActualText span{from, to - from + 1, QString()};
      std::sort(members.begin(), members.end(), inOrder);
      for (const TCluster *c : members) span.Text += c->Text;
      // Readers spread a text of its own over its glyphs from left to right, and then turn
      // the words of a right-to-left line round: the text is given in the order it shows.
      if (rtl) span.Text = Reversed(span.Text);
      run.Spans.push_back(std::move(span));
    }
  }
}

// A glyph as a filled path from its origin, for a font that cannot be embedded.
QByteArray TPageWriter::Outline(const QRawFont &raw, quint32 glyph) {
  QByteArray path;
  const QPainterPath outline = raw.pathForGlyph(glyph);
  for (int e = 0; e < outline.elementCount(); ++e) {
    const QPainterPath::Element el = outline.elementAt(e);
    Num(path, el.x);
    Num(path, el.y);
    if (el.type == QPainterPath::MoveToElement)
      path.append("m\n");
    else if (el.type == QPainterPath::LineToElement)
      path.append("l\n");
    else if (el.type == QPainterPath::CurveToDataElement &&
             outline.elementAt(e - 1).type == QPainterPath::CurveToDataElement)
      path.append("c\n");
  }
  if (!path.isEmpty()) path.append("f\n");
  return path;
}

void TPageWriter::Text(const TReportItem &item, const QRectF &r) {
  if (item.Text.isEmpty()) return;
  const TShapedText &shaped = Shaped(item, r);
  double yoff = 0;
  if (item.Flags & Qt::AlignBottom)
    yoff = r.height() - shaped.Height;
  else if (item.Flags & Qt::AlignVCenter)
    yoff = (r.height() - shaped.Height) / 2;
  Fill(Qt::black);
  for (const TShapedLine &line : shaped.Lines) {
    double xoff = 0;
    if (item.Flags & Qt::AlignRight)
      xoff = r.width() - line.Advance;
    else if (item.Flags & Qt::AlignHCenter)
      xoff = (r.width() - line.Advance) / 2;
    const QPointF origin(r.x() + xoff, r.y() + yoff);
    const bool marked = !line.Text.isEmpty();
    if (marked) BeginActualText(line.Text);
    for (const TShapedRun &run : line.Runs) Glyphs(run, origin, marked);
    if (marked) m_content.append("EMC\n");
    if (item.Font.underline() && !line.Runs.empty()) {
      const TLocalFont &metrics = Local(m_fontIndex);
      Pen(Qt::black, metrics.LineWidth, 0, 2);
      // As the painter places it: below the text by at least a whole pixel, within the descent.
      double offset = std::ceil(metrics.UnderlinePos) + 0.5;
      if (metrics.UnderlinePos <= metrics.Descent)
        offset = std::min(offset, metrics.Descent - 0.5);
      const double y = origin.y() + line.Baseline + offset;
      Num(m_content, std::floor(origin.x()));
      Num(m_content, y);
      m_content.append("m ");
      Num(m_content, std::floor(origin.x() + line.Advance));
      Num(m_content, y);
      m_content.append("l S\n");
    }
  }
}

void TPageWriter::BeginActualText(const QString &text) {
  m_content.append("/Span <</ActualText ");
  m_content.append(TextString(text));
  m_content.append(">> BDC\n");
}

// Glyphs drawn as paths carry their text in glyph 0 of an embedded font, invisible (render
// mode 3) and stretched over the run, so that the reader finds it where the glyphs are.
void TPageWriter::InvisibleText(const TShapedRun &run, const QPointF &origin, bool marked) {
  if (!marked && run.Text.isEmpty()) return;
  m_content.append("BT 3 Tr /F");
  Int(m_content, FontName(run.TextFont));
  m_content.append(' ');
  Num(m_content, run.TextSize);
  m_content.append("Tf ");
  Num(m_content, run.TextScale);
  m_content.append("Tz\n");
  if (!marked) BeginActualText(run.Text);
  const QPointF p = run.TextAt + origin;
  m_content.append("1 0 0 -1 ");
  Num(m_content, p.x());
  Num(m_content, p.y());
  m_content.append("Tm <0000> Tj\n");
  if (!marked) m_content.append("EMC\n");
  m_content.append("100 Tz 0 Tr ET\n");
}

void TPageWriter::Glyphs(const TShapedRun &run, const QPointF &origin, bool marked) {
  if (!run.Embedded) {
    for (size_t i = 0; i < run.Glyphs.size(); ++i) {
      const QPointF p = run.Positions[i] + origin;
      m_content.append("q 1 0 0 1 ");
      Num(m_content, p.x());
      Num(m_content, p.y());
      m_content.append("cm\n");
      m_content.append(run.Outlines[i]);
      m_content.append("Q\n");
    }
    if (run.TextFont >= 0) InvisibleText(run, origin, marked);
    return;
  }
  const TFontMetrics &metrics = run.File->Metrics;
  m_content.append("BT /F");
  Int(m_content, FontName(run.Font));
  m_content.append(' ');
  Num(m_content, run.Size);
  m_content.append("Tf\n");
  const double scale = run.Size / 1000;
  bool open = false;
  double x = 0, y = 0;  // where the PDF's text position is
  size_t span = 0;      // the next text of its own
  double spanY = 0;     // the baseline it starts on
  for (size_t i = 0; i < run.Glyphs.size(); ++i) {
    const QPointF p = run.Positions[i] + origin;
    if (span < run.Spans.size() && int(i) == run.Spans[span].From) {
      if (open) m_content.append(">] TJ\n");
      open = false;
      BeginActualText(run.Spans[span].Text);
      spanY = p.y();
    }
    if (!open || std::abs(p.y() - y) > 0.001) {
      if (open) m_content.append(">] TJ\n");
      m_content.append("1 0 0 -1 ");
      Num(m_content, p.x());
      Num(m_content, p.y());
      m_content.append("Tm [<");
      open = true;
      x = p.x();
      y = p.y();
    } else if (const double adjust = (x - p.x()) / scale; std::abs(adjust) >= 2) {
      // Glyph positions are kept in 64ths of a pixel: smaller differences from the font's
      // own advances are left out (2/1000 of the font size, far below a printer's dot).
      m_content.append('>');
      Int(m_content, std::lround(adjust));
      m_content.append('<');
      x -= std::lround(adjust) * scale;
    }
    Hex4(m_content, run.Glyphs[i]);
    x += metrics.Width(run.Glyphs[i]) * scale;
    if (span < run.Spans.size() && int(i) == run.Spans[span].From + run.Spans[span].Count - 1) {
      m_content.append(">] TJ\n");
      open = false;
      ++span;
      if (std::abs(p.y() - spanY) > 0.001) {
        // It ends on a mark above or below the line: readers take the text's direction
        // from its first and last glyph, so it ends where that mark ends but on the line,
        // with an invisible glyph of no width.
        m_content.append("3 Tr 0 Tz 1 0 0 -1 ");
        Num(m_content, x);
        Num(m_content, spanY);
        m_content.append("Tm <0000> Tj 100 Tz 0 Tr\n");
      }
      m_content.append("EMC\n");
    }
  }
  if (open) m_content.append(">] TJ ");
  m_content.append("ET\n");
}

}  // namespace pdf
