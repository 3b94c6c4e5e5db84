#pragma once
// The fonts of a PDF: what their files tell of the glyphs, what each glyph stands for in the
// text, and the font objects with the files cut down to the glyphs a report uses.
#include <QByteArray>
#include <QString>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

class QRawFont;

namespace pdf {

class TFile;

// The tables of a font file that the PDF needs, read while its font is at hand: a font
// belongs to the thread that loaded it.
using TFontTables = std::map<QByteArray, QByteArray>;

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

// A font file that the report's texts use: what the PDF embeds of it.
class TFontRecord {
 public:
  QByteArray Key;
  QString Family, Style;  // from the file's own names; empty when it has none
  bool Italic = false;
  TFontTables Tables;
  TFontMetrics Metrics;

  // What a glyph stands for in the PDF's text: the first text that asks for a glyph gets it
  // (never the glyph of no character, 0). Returns the text the glyph stands for from then
  // on, empty when it can stand for none.
  QString Claim(quint32 glyph, const QString &text);
  // Only once every thread is done with Claim.
  const std::unordered_map<quint32, QString> &Unicode() const { return m_unicode; }

 private:
  std::mutex m_mutex;
  std::unordered_map<quint32, QString> m_unicode;
};

// The font files of a report, shared by the writer threads.
class TFontRegistry {
 public:
  // The number of the font file, read the first time it is seen.
  std::pair<int, TFontRecord *> Find(const QRawFont &raw);
  // Only once every thread is done with Find.
  TFontRecord &At(int font) const { return *m_fonts[size_t(font)]; }
  int Count() const { return int(m_fonts.size()); }

 private:
  std::mutex m_mutex;
  std::vector<std::unique_ptr<TFontRecord>> m_fonts;
};

// A font of the report, gathered from the threads that used it.
struct TFont {
  const TFontRecord *File = nullptr;
  std::set<quint32> Glyphs;
  int Object = 0;
};

// The font's objects: the composite font, its glyph widths, its descriptor, the subset of its
// file and the map from its glyphs to their text.
void WriteFont(TFile &pdf, const TFont &font);

// A TrueType font file holding only the given glyphs (and the parts of composite glyphs
// among them); every other glyph is left empty, so glyph numbers stay as they are.
QByteArray SubsetFont(const TFontTables &font, std::set<quint32> glyphs);

}  // namespace pdf
