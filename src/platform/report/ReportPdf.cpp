// The PDF writer of laid-out reports. Pages are written by several threads at once, each page
// into a compressed content stream of its own; texts are shaped once per distinct text and
// font (captions and most figures repeat on every page), and the fonts are embedded once, cut
// down to the glyphs the report uses. The glyphs are placed where the text layout places them
// on the screen, so a PDF shows what the preview shows.
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QHash>
#include <QPageLayout>
#include <QPainterPath>
#include <QRawFont>
#include <QSaveFile>
#include <QTextLayout>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <charconv>
#include <cmath>
#include <condition_variable>
#include <latch>
#include <map>
#include <mutex>
#include <set>
#include <memory>
#include <thread>
#include <tuple>
#include <unordered_map>

#include "platform/report/ReportModel.h"
#include "platform/report/ReportProgress.h"

namespace {

// ---------------------------------------------------------------------------------------------
// PDF syntax

void Num(QByteArray &out, double v) {
  if (std::abs(v) < 0.0005) v = 0;
  char buf[48];
  char *end = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 3).ptr;
  while (end[-1] == '0') --end;
  if (end[-1] == '.') --end;
  out.append(buf, end - buf);
  out.append(' ');
}

void Int(QByteArray &out, long long v) {
  char buf[24];
  char *end = std::to_chars(buf, buf + sizeof buf, v).ptr;
  out.append(buf, end - buf);
}

void Hex4(QByteArray &out, unsigned v) {
  static const char digits[] = "0123456789ABCDEF";
  const char h[4] = {digits[(v >> 12) & 15], digits[(v >> 8) & 15], digits[(v >> 4) & 15],
                     digits[v & 15]};
  out.append(h, 4);
}

// A zlib stream for /FlateDecode (qCompress puts the length in front of it).
QByteArray Deflate(const QByteArray &data) {
  QByteArray packed = qCompress(data, 1);
  return packed.mid(4);
}

// ---------------------------------------------------------------------------------------------
// Font files

quint16 U16(const QByteArray &t, int at) {
  if (at < 0 || at + 2 > t.size()) return 0;
  return quint16((uchar(t[at]) << 8) | uchar(t[at + 1]));
}
qint16 S16(const QByteArray &t, int at) { return qint16(U16(t, at)); }
quint32 U32(const QByteArray &t, int at) { return (quint32(U16(t, at)) << 16) | U16(t, at + 2); }
void Put16(QByteArray &t, int at, quint16 v) {
  t[at] = char(v >> 8);
  t[at + 1] = char(v);
}
void Append32(QByteArray &t, quint32 v) {
  const char b[4] = {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
  t.append(b, 4);
}
void Append16(QByteArray &t, quint16 v) {
  const char b[2] = {char(v >> 8), char(v)};
  t.append(b, 2);
}

// What a font file tells about its glyphs: their advances in thousandths of the em, and
// whether its outlines are TrueType ones that can be embedded (else glyphs are drawn as paths).
struct TFontMetrics {
  int UnitsPerEm = 1000;
  std::vector<double> Widths;  // by glyph, in 1/1000 em
  bool Embeddable = false;
  double Width(quint32 glyph) const {
    if (Widths.empty()) return 0;
    return glyph < Widths.size() ? Widths[glyph] : Widths.back();
  }
};

// The tables of a font file that the PDF needs, read while its font is at hand: a font
// belongs to the thread that loaded it.
using TFontTables = std::map<QByteArray, QByteArray>;

TFontTables ReadTables(const QRawFont &font) {
  TFontTables tables;
  for (const char *tag : {"head", "hhea", "hmtx", "maxp", "loca", "glyf", "cvt ", "fpgm", "prep"})
    tables[tag] = font.fontTable(tag);
  return tables;
}

QByteArray Table(const TFontTables &tables, const char *tag) {
  const auto it = tables.find(tag);
  return it == tables.end() ? QByteArray() : it->second;
}

TFontMetrics ReadMetrics(const TFontTables &font) {
  TFontMetrics m;
  const QByteArray head = Table(font, "head"), hhea = Table(font, "hhea"),
                   hmtx = Table(font, "hmtx"), maxp = Table(font, "maxp");
  if (head.size() < 54 || hhea.size() < 36 || maxp.size() < 6 || hmtx.isEmpty()) return m;
  m.UnitsPerEm = std::max<int>(16, U16(head, 18));
  const int glyphs = U16(maxp, 4), metrics = std::max(1, int(U16(hhea, 34)));
  m.Widths.resize(glyphs);
  for (int g = 0; g < glyphs; ++g)
    m.Widths[g] = U16(hmtx, 4 * std::min(g, metrics - 1)) * 1000.0 / m.UnitsPerEm;
  m.Embeddable = !Table(font, "glyf").isEmpty() && !Table(font, "loca").isEmpty();
  return m;
}

// A TrueType font file holding only the given glyphs (and the parts of composite glyphs
// among them); every other glyph is left empty, so glyph numbers stay as they are.
QByteArray SubsetFont(const TFontTables &font, std::set<quint32> glyphs) {
  QByteArray head = Table(font, "head");
  const QByteArray loca = Table(font, "loca"), glyf = Table(font, "glyf"),
                   maxp = Table(font, "maxp");
  const int count = U16(maxp, 4);
  const bool longLoca = S16(head, 50) == 1;
  auto offset = [&](int g) -> int {
    return int(longLoca ? U32(loca, 4 * g) : 2u * U16(loca, 2 * g));
  };
  glyphs.insert(0);
  std::vector<quint32> todo(glyphs.begin(), glyphs.end());
  while (!todo.empty()) {
    const quint32 g = todo.back();
    todo.pop_back();
    if (int(g) >= count) continue;
    const int from = offset(int(g)), to = offset(int(g) + 1);
    if (to - from < 10 || S16(glyf, from) >= 0) continue;
    // A composite glyph: its parts are glyphs too.
    int at = from + 10;
    for (;;) {
      const quint16 flags = U16(glyf, at), part = U16(glyf, at + 2);
      if (glyphs.insert(part).second) todo.push_back(part);
      at += 4 + ((flags & 0x0001) ? 4 : 2);
      if (flags & 0x0008) at += 2;
      else if (flags & 0x0040) at += 4;
      else if (flags & 0x0080) at += 8;
      if (!(flags & 0x0020) || at >= to) break;
    }
  }
  QByteArray newGlyf, newLoca;
  for (int g = 0; g < count; ++g) {
    Append32(newLoca, quint32(newGlyf.size()));
    if (!glyphs.count(quint32(g))) continue;
    const int from = offset(g), to = offset(g + 1);
    if (from >= 0 && to > from && to <= glyf.size()) newGlyf.append(glyf.constData() + from, to - from);
    while (newGlyf.size() % 4) newGlyf.append('\0');
  }
  Append32(newLoca, quint32(newGlyf.size()));
  Put16(head, 50, 1);  // long offsets
  head[8] = head[9] = head[10] = head[11] = 0;  // no whole-file checksum

  std::vector<std::pair<QByteArray, QByteArray>> tables = {
      {"cvt ", Table(font, "cvt ")}, {"fpgm", Table(font, "fpgm")},
      {"glyf", newGlyf}, {"head", head}, {"hhea", Table(font, "hhea")},
      {"hmtx", Table(font, "hmtx")}, {"loca", newLoca}, {"maxp", maxp},
      {"prep", Table(font, "prep")}};
  tables.erase(std::remove_if(tables.begin(), tables.end(),
                              [](const auto &t) { return t.second.isEmpty(); }),
               tables.end());
  const int n = int(tables.size());
  int power = 1, log2 = 0;
  while (power * 2 <= n) {
    power *= 2;
    ++log2;
  }
  QByteArray out;
  Append32(out, 0x00010000);
  Append16(out, quint16(n));
  Append16(out, quint16(power * 16));
  Append16(out, quint16(log2));
  Append16(out, quint16(n * 16 - power * 16));
  quint32 at = 12 + 16 * n;
  for (auto &[tag, data] : tables) {
    const quint32 length = quint32(data.size());
    while (data.size() % 4) data.append('\0');
    quint32 sum = 0;
    for (int i = 0; i < data.size(); i += 4) sum += U32(data, i);
    out.append(tag);
    Append32(out, sum);
    Append32(out, at);
    Append32(out, length);
    at += quint32(data.size());
  }
  for (const auto &t : tables) out.append(t.second);
  return out;
}

// ---------------------------------------------------------------------------------------------
// Fonts and shaped texts, shared by the threads

// A font file the report's texts use: what the PDF embeds of it.
struct TFontRecord {
  QByteArray Key;
  QString Family, Style;
  bool Italic = false;
  TFontTables Tables;
  TFontMetrics Metrics;
};

class TFontRegistry {
 public:
  // The number of the font file, read the first time it is seen.
  std::pair<int, const TFontRecord *> Find(const QRawFont &raw) {
    const QByteArray key = raw.familyName().toUtf8() + '|' + raw.styleName().toUtf8() + '|' +
                           QByteArray::number(raw.weight()) + '|' +
                           QByteArray::number(int(raw.style()));
    std::lock_guard<std::mutex> lock(m_mutex);
    for (size_t i = 0; i < m_fonts.size(); ++i)
      if (m_fonts[i]->Key == key) return {int(i), m_fonts[i].get()};
    auto record = std::make_unique<TFontRecord>();
    record->Key = key;
    record->Family = raw.familyName();
    record->Style = raw.styleName();
    record->Italic = raw.style() != QFont::StyleNormal;
    record->Tables = ReadTables(raw);
    record->Metrics = ReadMetrics(record->Tables);
    m_fonts.push_back(std::move(record));
    return {int(m_fonts.size()) - 1, m_fonts.back().get()};
  }
  // Only once every thread is done with Find.
  const TFontRecord &At(int font) const { return *m_fonts[size_t(font)]; }
  int Count() const { return int(m_fonts.size()); }

 private:
  std::mutex m_mutex;
  std::vector<std::unique_ptr<TFontRecord>> m_fonts;
};

// A text as the layout breaks and shapes it: glyphs with their positions from the top-left of
// its box (baselines), line by line, before the alignment moves each line.
struct TShapedRun {
  int Font = 0;  // in the registry
  const TFontRecord *File = nullptr;
  bool Embedded = true;
  double Size = 0;
  std::vector<quint32> Glyphs;
  std::vector<QPointF> Positions;
  std::vector<QByteArray> Outlines;  // a font that is not embedded: each glyph as a path
};
struct TShapedLine {
  double Advance = 0;   // for the alignment
  double Baseline = 0;  // for the underline
  std::vector<TShapedRun> Runs;
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

// Texts shaped so far, for every thread: each distinct text is shaped once. Split into parts
// with locks of their own, so that threads seldom wait for each other.
class TShapeCache {
 public:
  const TShapedText *Find(const TTextKey &key, size_t hash) {
    TPart &part = m_parts[hash % Parts];
    std::lock_guard<std::mutex> lock(part.Mutex);
    const auto it = part.Texts.find(key);
    return it == part.Texts.end() ? nullptr : it->second.get();
  }
  // The text shaped by whichever thread came first.
  const TShapedText *Add(const TTextKey &key, size_t hash, std::unique_ptr<TShapedText> text) {
    TPart &part = m_parts[hash % Parts];
    std::lock_guard<std::mutex> lock(part.Mutex);
    return part.Texts.emplace(key, std::move(text)).first->second.get();
  }

  // Lets go of the texts of every count-th part from the first: threads share the freeing.
  void Clear(size_t first, size_t count) {
    for (size_t i = first; i < Parts; i += count) m_parts[i].Texts.clear();
  }

 private:
  static constexpr size_t Parts = 64;
  struct TPart {
    std::mutex Mutex;
    std::unordered_map<TTextKey, std::unique_ptr<TShapedText>, TTextKeyHash> Texts;
  };
  TPart m_parts[Parts];
};

// The glyphs of a font file that one thread shaped, and what they stand for.
struct TGlyphUse {
  std::set<quint32> Glyphs;
  std::unordered_map<quint32, QString> Unicode;
  std::unordered_map<char32_t, bool> Mapped;  // characters looked up for Unicode
};

// ---------------------------------------------------------------------------------------------
// Pages

// One page's content and the resources it names (/F0, /F1... and /Im0, /Im1... in order).
struct TPageOut {
  QByteArray Content;
  std::vector<int> Fonts;  // in the registry
  std::vector<const QImage *> Images;
};

class TPageWriter {
 public:
  TPageWriter(const std::vector<QFont> &fonts, TFontRegistry &registry, TShapeCache &cache)
      : m_reportFonts(fonts), m_registry(registry), m_cache(cache), m_fonts(fonts.size()) {}

  std::unordered_map<int, TGlyphUse> Used;  // by font file

  // Lets go of every font: called by the thread that used them, before it ends.
  void ReleaseFonts() {
    m_rawFonts.clear();
    m_fonts.clear();
  }

  void Write(const TReportPage &page, double pageHeightPt, TPageOut &out) {
    m_out = &out;
    m_fontNames.clear();
    m_content.clear();
    m_content.reserve(64 * 1024);
    ResetState();
    // Report pixels (96 per inch) from the top-left corner.
    m_content.append("0.75 0 0 -0.75 0 ");
    Num(m_content, pageHeightPt);
    m_content.append("cm\n");
    for (const TReportItem &item : page.Items) {
      if (item.Clipped) {
        m_content.append("q ");
        Rect(item.Clip);
        m_content.append("re W n\n");
      }
      switch (item.Kind) {
        case TReportItem::kText: Text(item); break;
        case TReportItem::kLine: Line(item); break;
        case TReportItem::kRect: Rectangle(item); break;
        case TReportItem::kImage: Image(item); break;
      }
      if (item.Clipped) {
        m_content.append("Q\n");
        ResetState();
      }
    }
    out.Content = Deflate(m_content);
  }

 private:
  void ResetState() {
    m_fill = m_stroke = QColor();
    m_width = -1;
    m_cap = m_join = -1;
  }
  void Rect(const QRectF &r) {
    Num(m_content, r.x());
    Num(m_content, r.y());
    Num(m_content, r.width());
    Num(m_content, r.height());
  }
  void Color(const QColor &c) {
    Num(m_content, c.redF());
    Num(m_content, c.greenF());
    Num(m_content, c.blueF());
  }
  void Fill(const QColor &c) {
    if (c == m_fill) return;
    m_fill = c;
    Color(c);
    m_content.append("rg\n");
  }
  void Pen(const QColor &c, double width, int cap, int join) {
    if (c != m_stroke) {
      m_stroke = c;
      Color(c);
      m_content.append("RG\n");
    }
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

  void Line(const TReportItem &item) {
    Pen(item.Pen, item.PenWidth, 0, 2);
    Num(m_content, item.Box.left());
    Num(m_content, item.Box.top());
    m_content.append("m ");
    Num(m_content, item.Box.right());
    Num(m_content, item.Box.bottom());
    m_content.append("l S\n");
  }

  void Rectangle(const TReportItem &item) {
    const bool fill = item.Brush.isValid(), stroke = item.PenWidth > 0;
    if (!fill && !stroke) return;
    if (fill) Fill(item.Brush);
    if (stroke) Pen(item.Pen, item.PenWidth, 2, 2);
    Rect(item.Box);
    m_content.append(fill && stroke ? "re B\n" : fill ? "re f\n" : "re S\n");
  }

  void Image(const TReportItem &item) {
    if (item.Picture.isNull()) return;
    const int index = int(m_out->Images.size());
    m_out->Images.push_back(&item.Picture);
    m_content.append("q ");
    Num(m_content, item.Box.width());
    m_content.append("0 0 ");
    Num(m_content, -item.Box.height());
    Num(m_content, item.Box.left());
    Num(m_content, item.Box.bottom());
    m_content.append("cm /Im");
    Int(m_content, index);
    m_content.append(" Do Q\n");
  }

  // The name of a font file on this page.
  int FontName(int font) {
    auto it = m_fontNames.find(font);
    if (it != m_fontNames.end()) return it->second;
    const int name = int(m_out->Fonts.size());
    m_out->Fonts.push_back(font);
    m_fontNames.emplace(font, name);
    return name;
  }

  std::pair<int, const TFontRecord *> FontOf(const QRawFont &raw) {
    if (const auto it = m_rawFonts.constFind(raw); it != m_rawFonts.constEnd()) return *it;
    const auto font = m_registry.Find(raw);
    m_rawFonts.insert(raw, font);
    return font;
  }

  // A report font as this thread's own copy (the model's fonts are shared with the other
  // threads), with the measures the layout of a text needs.
  struct TLocalFont {
    bool Ready = false;
    QFont Font;
    double Leading = 0, UnderlinePos = 0, Descent = 0, LineWidth = 1;
  };
  const TLocalFont &Local(int index) {
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
    }
    return own;
  }

  // Lays the text out as the painter does for a box with these flags.
  std::unique_ptr<TShapedText> Shape(int fontIndex, const QString &given, int flags,
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
      for (const QGlyphRun &run : line.glyphRuns()) {
        const QList<quint32> glyphs = run.glyphIndexes();
        if (glyphs.isEmpty()) continue;
        TShapedRun r;
        const QRawFont raw = run.rawFont();
        std::tie(r.Font, r.File) = FontOf(raw);
        r.Size = raw.pixelSize();
        r.Glyphs.assign(glyphs.begin(), glyphs.end());
        const QList<QPointF> positions = run.positions();
        r.Positions.assign(positions.begin(), positions.end());
        r.Embedded = r.File->Metrics.Embeddable;
        if (!r.Embedded) {
          for (const quint32 g : r.Glyphs) r.Outlines.push_back(Outline(raw, g));
          out.Runs.push_back(std::move(r));
          continue;
        }
        // What the glyphs stand for, so the PDF's text can be searched and copied.
        TGlyphUse &use = Used[r.Font];
        use.Glyphs.insert(r.Glyphs.begin(), r.Glyphs.end());
        for (int at = 0; at < text.size();) {
          const int length = text[at].isHighSurrogate() && at + 1 < text.size() ? 2 : 1;
          const char32_t code = length == 2 ? QChar::surrogateToUcs4(text[at], text[at + 1])
                                            : text[at].unicode();
          at += length;
          if (!use.Mapped.emplace(code, true).second) continue;
          const QString ch = text.mid(at - length, length);
          int count = 2;
          quint32 ids[2] = {0, 0};
          if (!raw.glyphIndexesForChars(ch.constData(), ch.size(), ids, &count) || count < 1 ||
              !ids[0])
            continue;
          if (std::find(r.Glyphs.begin(), r.Glyphs.end(), ids[0]) != r.Glyphs.end())
            use.Unicode.emplace(ids[0], ch);
          else
            use.Mapped.erase(code);  // not in this text: maybe in the next
        }
        out.Runs.push_back(std::move(r));
      }
      shaped->Lines.push_back(std::move(out));
    }
    return shaped;
  }

  // A glyph as a filled path from its origin, for a font that cannot be embedded.
  static QByteArray Outline(const QRawFont &raw, quint32 glyph) {
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

  int FontIndex(const TReportItem &item) {
    if (m_lastFont && (m_lastFont == &item.Font || *m_lastFont == item.Font)) return m_fontIndex;
    m_fontIndex = 0;
    for (size_t i = 0; i < m_reportFonts.size(); ++i)
      if (m_reportFonts[i] == item.Font) m_fontIndex = int(i);
    m_lastFont = &item.Font;
    return m_fontIndex;
  }

  const TShapedText &Shaped(const TReportItem &item) {
    const int wrap = item.Flags & (Qt::TextWordWrap | Qt::TextWrapAnywhere);
    const TTextKey key{FontIndex(item), wrap, wrap ? qRound64(item.Box.width() * 1000) : 0,
                       item.Text};
    const size_t hash = TTextKeyHash()(key);
    if (const TShapedText *found = m_cache.Find(key, hash)) return *found;
    return *m_cache.Add(key, hash, Shape(key.Font, item.Text, item.Flags, item.Box.width()));
  }

  void Text(const TReportItem &item) {
    if (item.Text.isEmpty()) return;
    const TShapedText &shaped = Shaped(item);
    const QRectF &r = item.Box;
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
      for (const TShapedRun &run : line.Runs) Glyphs(run, origin);
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

  void Glyphs(const TShapedRun &run, const QPointF &origin) {
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
    for (size_t i = 0; i < run.Glyphs.size(); ++i) {
      const QPointF p = run.Positions[i] + origin;
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
    }
    if (open) m_content.append(">] TJ ");
    m_content.append("ET\n");
  }

  const std::vector<QFont> &m_reportFonts;
  TFontRegistry &m_registry;
  TShapeCache &m_cache;
  std::vector<TLocalFont> m_fonts;
  QHash<QRawFont, std::pair<int, const TFontRecord *>> m_rawFonts;
  const QFont *m_lastFont = nullptr;
  int m_fontIndex = 0;
  TPageOut *m_out = nullptr;
  QByteArray m_content;
  std::unordered_map<int, int> m_fontNames;
  QColor m_fill, m_stroke;
  double m_width = -1;
  int m_cap = -1, m_join = -1;
};

// ---------------------------------------------------------------------------------------------
// The file

class TPdfFile {
 public:
  explicit TPdfFile(QSaveFile &file) : m_file(file) {}

  int Reserve() {
    m_offsets.push_back(-1);
    return int(m_offsets.size());
  }
  void Object(int number, const QByteArray &body) {
    Begin(number);
    m_buffer.append(body);
    m_buffer.append("\nendobj\n");
    Flush();
  }
  void Stream(int number, const QByteArray &dictionary, const QByteArray &data) {
    Begin(number);
    m_buffer.append("<<");
    m_buffer.append(dictionary);
    m_buffer.append(" /Length ");
    Int(m_buffer, data.size());
    m_buffer.append(">>\nstream\n");
    m_buffer.append(data);
    m_buffer.append("\nendstream\nendobj\n");
    Flush();
  }
  void Start() { m_buffer.append("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n"); }
  bool Finish(int catalog, int info) {
    const qint64 xref = m_written + m_buffer.size();
    m_buffer.append("xref\n0 ");
    Int(m_buffer, qint64(m_offsets.size()) + 1);
    m_buffer.append("\n0000000000 65535 f \n");
    for (const qint64 at : m_offsets) {
      char line[24];
      std::snprintf(line, sizeof line, "%010lld 00000 n \n", static_cast<long long>(at));
      m_buffer.append(line, 20);
    }
    m_buffer.append("trailer\n<< /Size ");
    Int(m_buffer, qint64(m_offsets.size()) + 1);
    m_buffer.append(" /Root ");
    Int(m_buffer, catalog);
    m_buffer.append(" 0 R /Info ");
    Int(m_buffer, info);
    m_buffer.append(" 0 R >>\nstartxref\n");
    Int(m_buffer, xref);
    m_buffer.append("\n%%EOF\n");
    Flush(true);
    return m_ok;
  }

 private:
  void Begin(int number) {
    m_offsets[size_t(number) - 1] = m_written + m_buffer.size();
    Int(m_buffer, number);
    m_buffer.append(" 0 obj\n");
  }
  void Flush(bool all = false) {
    if (!all && m_buffer.size() < (1 << 20)) return;
    if (m_file.write(m_buffer) != m_buffer.size()) m_ok = false;
    m_written += m_buffer.size();
    m_buffer.clear();
  }
  QSaveFile &m_file;
  QByteArray m_buffer;
  qint64 m_written = 0;
  std::vector<qint64> m_offsets;
  bool m_ok = true;
};

QByteArray PdfName(const QString &text) {
  QByteArray out;
  for (const QChar c : text)
    if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9'))
      out.append(char(c.unicode()));
  return out.isEmpty() ? QByteArray("Font") : out;
}

QByteArray PdfString(const QString &text) {
  QByteArray out("<FEFF");
  for (const QChar c : text) Hex4(out, c.unicode());
  out.append('>');
  return out;
}

// A font of the report, gathered from the threads that used it.
struct TFont {
  const TFontRecord *File = nullptr;
  std::set<quint32> Glyphs;
  std::map<quint32, QString> Unicode;
  int Object = 0;
};

void WriteFont(TPdfFile &pdf, const TFont &font) {
  const TFontRecord &file = *font.File;
  const QByteArray head = Table(file.Tables, "head"), hhea = Table(file.Tables, "hhea");
  const double unit = 1000.0 / file.Metrics.UnitsPerEm;
  // A subset is named after its glyphs.
  QByteArray tag;
  size_t hash = 0;
  for (const quint32 g : font.Glyphs) hash = hash * 31 + g;
  for (int i = 0; i < 6; ++i, hash /= 26) tag.append(char('A' + hash % 26));
  const QByteArray name =
      tag + '+' + PdfName(file.Family) + '-' + PdfName(file.Style);
  const int descendant = pdf.Reserve(), descriptor = pdf.Reserve(), program = pdf.Reserve(),
            unicode = pdf.Reserve();

  QByteArray body("<< /Type /Font /Subtype /Type0 /BaseFont /");
  body += name + " /Encoding /Identity-H /DescendantFonts [";
  Int(body, descendant);
  body += " 0 R] /ToUnicode ";
  Int(body, unicode);
  body += " 0 R >>";
  pdf.Object(font.Object, body);

  body = "<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + name +
         " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >>"
         " /FontDescriptor ";
  Int(body, descriptor);
  body += " 0 R /CIDToGIDMap /Identity /W [";
  for (const quint32 g : font.Glyphs) {
    Int(body, g);
    body += " [";
    Num(body, file.Metrics.Width(g));
    body += "] ";
  }
  body += "] >>";
  pdf.Object(descendant, body);

  body = "<< /Type /FontDescriptor /FontName /" + name + " /Flags 4 /FontBBox [";
  for (int at = 36; at <= 42; at += 2) Num(body, S16(head, at) * unit);
  body += "] /ItalicAngle ";
  Num(body, file.Italic ? -12 : 0);
  body += "/Ascent ";
  Num(body, S16(hhea, 4) * unit);
  body += "/Descent ";
  Num(body, S16(hhea, 6) * unit);
  body += "/CapHeight ";
  Num(body, S16(hhea, 4) * unit);
  body += "/StemV 80 /FontFile2 ";
  Int(body, program);
  body += " 0 R >>";
  pdf.Object(descriptor, body);

  const QByteArray subset = SubsetFont(file.Tables, font.Glyphs);
  QByteArray dictionary(" /Filter /FlateDecode /Length1 ");
  Int(dictionary, subset.size());
  pdf.Stream(program, dictionary, Deflate(subset));

  QByteArray cmap(
      "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
      "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
      "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n"
      "1 begincodespacerange\n<0000> <FFFF>\nendcodespacerange\n");
  std::vector<std::pair<quint32, QString>> entries(font.Unicode.begin(), font.Unicode.end());
  for (size_t i = 0; i < entries.size(); i += 100) {
    const size_t n = std::min<size_t>(100, entries.size() - i);
    Int(cmap, qint64(n));
    cmap += " beginbfchar\n";
    for (size_t k = i; k < i + n; ++k) {
      cmap += '<';
      Hex4(cmap, entries[k].first);
      cmap += "> <";
      for (const QChar c : entries[k].second) Hex4(cmap, c.unicode());
      cmap += ">\n";
    }
    cmap += "endbfchar\n";
  }
  cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
  pdf.Stream(unicode, " /Filter /FlateDecode", Deflate(cmap));
}

void WriteImage(TPdfFile &pdf, int number, const QImage &picture) {
  const QImage rgb = picture.convertToFormat(QImage::Format_RGB888);
  QByteArray pixels;
  pixels.reserve(rgb.width() * rgb.height() * 3);
  for (int y = 0; y < rgb.height(); ++y)
    pixels.append(reinterpret_cast<const char *>(rgb.constScanLine(y)), rgb.width() * 3);
  QByteArray dictionary(" /Type /XObject /Subtype /Image /Width ");
  Int(dictionary, rgb.width());
  dictionary += " /Height ";
  Int(dictionary, rgb.height());
  dictionary += " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /FlateDecode";
  if (picture.hasAlphaChannel()) {
    const QImage alpha = picture.convertToFormat(QImage::Format_Alpha8);
    QByteArray mask;
    for (int y = 0; y < alpha.height(); ++y)
      mask.append(reinterpret_cast<const char *>(alpha.constScanLine(y)), alpha.width());
    const int smask = pdf.Reserve();
    QByteArray maskDictionary(" /Type /XObject /Subtype /Image /Width ");
    Int(maskDictionary, alpha.width());
    maskDictionary += " /Height ";
    Int(maskDictionary, alpha.height());
    maskDictionary += " /ColorSpace /DeviceGray /BitsPerComponent 8 /Filter /FlateDecode";
    pdf.Stream(smask, maskDictionary, Deflate(mask));
    dictionary += " /SMask ";
    Int(dictionary, smask);
    dictionary += " 0 R";
  }
  pdf.Stream(number, dictionary, Deflate(pixels));
}

}  // namespace

bool WriteReportPdf(const TReportModel &model, const QString &fileName, QString *error,
                    TReportProgress *progress) {
  const auto fail = [&] {
    if (error) *error = QStringLiteral("Cannot write the file %1.").arg(fileName);
    return false;
  };
  QSaveFile file(fileName);
  if (!file.open(QIODevice::WriteOnly)) return fail();
  const QRectF paper = ReportPageLayout(model).fullRectPoints();
  const int pageCount = model.PageCount();

  // The report's fonts, each once.
  std::vector<QFont> reportFonts;
  const QFont *last = nullptr;
  for (const TReportPage &page : model.Pages)
    for (const TReportItem &item : page.Items) {
      if (item.Kind != TReportItem::kText || (last && *last == item.Font)) continue;
      last = &item.Font;
      if (std::find(reportFonts.begin(), reportFonts.end(), item.Font) == reportFonts.end())
        reportFonts.push_back(item.Font);
    }

  // The pages are shared out among threads as they become free.
  const int threads = int(std::clamp<unsigned>(std::thread::hardware_concurrency(), 1, 8));
  const int used = std::max(1, std::min(threads, pageCount / 4));
  TFontRegistry registry;
  TShapeCache cache;
  std::vector<std::unique_ptr<TPageWriter>> writers;
  for (int t = 0; t < used; ++t)
    writers.push_back(std::make_unique<TPageWriter>(reportFonts, registry, cache));
  std::vector<TPageOut> pages(static_cast<size_t>(pageCount));
  std::atomic<int> next{0}, done{0};
  std::atomic<bool> cancelled{false};
  std::mutex mutex;
  std::condition_variable wake;
  std::latch finished(used);
  // Qt's own threads: the fonts a thread loads are let go of properly when it ends.
  std::vector<std::unique_ptr<QThread>> workers;
  for (int t = 0; t < used; ++t) {
    workers.emplace_back(QThread::create([&, t] {
      for (int i; !cancelled && (i = next++) < pageCount;) {
        writers[size_t(t)]->Write(model.Pages[size_t(i)], paper.height(), pages[size_t(i)]);
        if (++done == pageCount) {
          std::lock_guard<std::mutex> lock(mutex);
          wake.notify_all();
        }
      }
      writers[size_t(t)]->ReleaseFonts();
      // Once every page is written, the shaped texts are no longer needed.
      finished.arrive_and_wait();
      cache.Clear(size_t(t), size_t(used));
    }));
    workers.back()->start();
  }
  for (int last = -1;;) {
    const int now = done;
    if (progress && pageCount > 0) {
      const int step = std::min(now, pageCount - 1);
      if (step > last && !progress->Step(step)) {
        cancelled = true;
        break;
      }
      last = std::max(last, step);
    }
    if (now == pageCount) break;
    std::unique_lock<std::mutex> lock(mutex);
    wake.wait_for(lock, std::chrono::milliseconds(50), [&] { return done == pageCount; });
  }
  for (auto &w : workers) w->wait();
  if (cancelled) {
    file.cancelWriting();
    if (error) error->clear();
    return false;
  }

  // The glyphs every thread used, by font file; the files numbered in a fixed order.
  std::map<QByteArray, TFont> fonts;
  for (const auto &w : writers)
    for (const auto &[index, use] : w->Used) {
      TFont &font = fonts[registry.At(index).Key];
      font.File = &registry.At(index);
      font.Glyphs.insert(use.Glyphs.begin(), use.Glyphs.end());
      for (const auto &[glyph, text] : use.Unicode) font.Unicode.emplace(glyph, text);
    }

  TPdfFile pdf(file);
  pdf.Start();
  const int catalog = pdf.Reserve(), tree = pdf.Reserve(), info = pdf.Reserve();
  std::vector<int> pageObjects;
  for (int i = 0; i < pageCount; ++i) {
    pageObjects.push_back(pdf.Reserve());
    pdf.Reserve();  // its content
  }
  for (auto &entry : fonts) entry.second.Object = pdf.Reserve();
  QHash<qint64, int> images;
  for (const TPageOut &page : pages)
    for (const QImage *image : page.Images)
      if (!images.contains(image->cacheKey())) images.insert(image->cacheKey(), pdf.Reserve());

  QByteArray body("<< /Type /Catalog /Pages ");
  Int(body, tree);
  body += " 0 R >>";
  pdf.Object(catalog, body);
  body = "<< /Type /Pages /Count ";
  Int(body, pageCount);
  body += " /Kids [";
  for (const int p : pageObjects) {
    Int(body, p);
    body += " 0 R ";
  }
  body += "] >>";
  pdf.Object(tree, body);
  body = "<< /Creator " + PdfString(QStringLiteral("Warehouse")) + " /Producer " +
         PdfString(QStringLiteral("Warehouse")) + " >>";
  pdf.Object(info, body);

  QByteArray mediaBox("[0 0 ");
  Num(mediaBox, paper.width());
  Num(mediaBox, paper.height());
  mediaBox += ']';
  for (int i = 0; i < pageCount; ++i) {
    const TPageOut &page = pages[size_t(i)];
    body = "<< /Type /Page /Parent ";
    Int(body, tree);
    body += " 0 R /MediaBox " + mediaBox + " /Contents ";
    Int(body, pageObjects[size_t(i)] + 1);
    body += " 0 R /Resources << /ProcSet [/PDF /Text /ImageB /ImageC] /Font <<";
    for (size_t f = 0; f < page.Fonts.size(); ++f) {
      body += " /F";
      Int(body, qint64(f));
      body += ' ';
      Int(body, fonts[registry.At(page.Fonts[f]).Key].Object);
      body += " 0 R";
    }
    body += " >> /XObject <<";
    for (size_t m = 0; m < page.Images.size(); ++m) {
      body += " /Im";
      Int(body, qint64(m));
      body += ' ';
      Int(body, images.value(page.Images[m]->cacheKey()));
      body += " 0 R";
    }
    body += " >> >> >>";
    pdf.Object(pageObjects[size_t(i)], body);
    pdf.Stream(pageObjects[size_t(i)] + 1, " /Filter /FlateDecode", page.Content);
  }
  for (const auto &entry : fonts) WriteFont(pdf, entry.second);
  QSet<qint64> written;
  for (const TPageOut &page : pages)
    for (const QImage *image : page.Images)
      if (!written.contains(image->cacheKey())) {
        written.insert(image->cacheKey());
        WriteImage(pdf, images.value(image->cacheKey()), *image);
      }
  if (!pdf.Finish(catalog, info) || !file.commit()) return fail();
  return true;
}
