#include "platform/report/PdfFonts.h"

#include <QRawFont>
#include <algorithm>

#include "platform/report/PdfFile.h"

namespace pdf {

namespace {

quint16 U16(const QByteArray &t, qsizetype at) {
  if (at < 0 || at + 2 > t.size()) return 0;
  return quint16((uchar(t[at]) << 8) | uchar(t[at + 1]));
}
qint16 S16(const QByteArray &t, qsizetype at) { return qint16(U16(t, at)); }
quint32 U32(const QByteArray &t, qsizetype at) { return (quint32(U16(t, at)) << 16) | U16(t, at + 2); }
void Put16(QByteArray &t, qsizetype at, quint16 v) {
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

// The flags of a part of a composite glyph (the glyf table).
enum TComponentFlag : quint16 {
  kArgsAreWords = 0x0001,      // its offsets take two bytes each, else one
  kHasScale = 0x0008,          // one scale follows
  kMoreComponents = 0x0020,    // another part follows
  kHasXYScale = 0x0040,        // two scales follow
  kHasTwoByTwo = 0x0080,       // a 2 by 2 matrix follows
};
// The flags of a font descriptor.
enum TDescriptorFlag { kSymbolic = 4 };  // glyphs outside the standard Latin set

QByteArray Table(const TFontTables &tables, const char *tag) {
  const auto it = tables.find(tag);
  return it == tables.end() ? QByteArray() : it->second;
}

TFontTables ReadTables(const QRawFont &font) {
  TFontTables tables;
  for (const char *tag :
       {"head", "hhea", "hmtx", "maxp", "loca", "glyf", "cvt ", "fpgm", "prep", "name"})
    tables[tag] = font.fontTable(tag);
  return tables;
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

// A name of the font file's name table (1: family, 2: style), in English where it has one.
QString FontName(const QByteArray &names, quint16 id) {
  const int count = U16(names, 2), strings = U16(names, 4);
  QString found;
  int rank = 0;
  for (int i = 0; i < count; ++i) {
    const int at = 6 + 12 * i;
    const quint16 platform = U16(names, at), language = U16(names, at + 4);
    if (U16(names, at + 6) != id) continue;
    const int length = U16(names, at + 8), from = strings + U16(names, at + 10);
    if (from + length > names.size()) continue;
    const int r = platform == 3 && language == 0x409 ? 3 : platform == 3 || platform == 0 ? 2 : 1;
    if (r <= rank) continue;
    rank = r;
    found.clear();
    if (platform == 1) {
      found = QString::fromLatin1(names.constData() + from, length);
    } else {
      for (int k = 0; k + 1 < length; k += 2) found.append(QChar(U16(names, from + k)));
    }
  }
  return found;
}

}  // namespace

QString TFontRecord::Claim(quint32 glyph, const QString &text) {
  if (glyph == 0 || text.isEmpty()) return QString();
  std::lock_guard<std::mutex> lock(m_mutex);
  return m_unicode.try_emplace(glyph, text).first->second;
}

std::pair<int, TFontRecord *> TFontRegistry::Find(const QRawFont &raw) {
  // A font is known by its file's header (which holds its dates and checksum) and the weight
  // and slant it is drawn with; a font that has no file, as the one that draws boxes for
  // what no font covers, has no header. Its names are read from the file: a font asked for
  // them may have none.
  const QByteArray key = raw.fontTable("head").toHex() + '|' + QByteArray::number(raw.weight()) +
                         '|' + QByteArray::number(int(raw.style()));
  std::lock_guard<std::mutex> lock(m_mutex);
  for (size_t i = 0; i < m_fonts.size(); ++i)
    if (m_fonts[i]->Key == key) return {int(i), m_fonts[i].get()};
  auto record = std::make_unique<TFontRecord>();
  record->Key = key;
  record->Tables = ReadTables(raw);
  record->Family = FontName(Table(record->Tables, "name"), 1);
  record->Style = FontName(Table(record->Tables, "name"), 2);
  record->Tables.erase("name");
  record->Italic = raw.style() != QFont::StyleNormal;
  record->Metrics = ReadMetrics(record->Tables);
  m_fonts.push_back(std::move(record));
  return {int(m_fonts.size()) - 1, m_fonts.back().get()};
}

QByteArray SubsetFont(const TFontTables &font, std::set<quint32> glyphs) {
  QByteArray head = Table(font, "head");
  const QByteArray loca = Table(font, "loca"), glyf = Table(font, "glyf"),
                   maxp = Table(font, "maxp");
  const int count = U16(maxp, 4);
  const bool longLoca = S16(head, 50) == 1;
  auto offset = [&](int g) -> qsizetype {
    return qsizetype(longLoca ? U32(loca, 4 * g) : 2u * U16(loca, 2 * g));
  };
  glyphs.insert(0);
  std::vector<quint32> todo(glyphs.begin(), glyphs.end());
  while (!todo.empty()) {
    const quint32 g = todo.back();
    todo.pop_back();
    if (g >= quint32(count)) continue;
    const qsizetype from = offset(int(g)), to = offset(int(g) + 1);
    if (to - from < 10 || S16(glyf, from) >= 0) continue;
    // A composite glyph: its parts are glyphs too.
    qsizetype at = from + 10;
    for (;;) {
      const quint16 flags = U16(glyf, at), part = U16(glyf, at + 2);
      if (glyphs.insert(part).second) todo.push_back(part);
      at += 4 + ((flags & kArgsAreWords) ? 4 : 2);
      if (flags & kHasScale) at += 2;
      else if (flags & kHasXYScale) at += 4;
      else if (flags & kHasTwoByTwo) at += 8;
      if (!(flags & kMoreComponents) || at >= to) break;
    }
  }
  QByteArray newGlyf, newLoca;
  for (int g = 0; g < count; ++g) {
    Append32(newLoca, quint32(newGlyf.size()));
    if (!glyphs.count(quint32(g))) continue;
    const qsizetype from = offset(g), to = offset(g + 1);
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
    for (qsizetype i = 0; i < data.size(); i += 4) sum += U32(data, i);
    out.append(tag);
    Append32(out, sum);
    Append32(out, at);
    Append32(out, length);
    at += quint32(data.size());
  }
  for (const auto &t : tables) out.append(t.second);
  return out;
}

void WriteFont(TFile &pdf, const TFont &font) {
  const TFontRecord &file = *font.File;
  const QByteArray head = Table(file.Tables, "head"), hhea = Table(file.Tables, "hhea");
  const double unit = 1000.0 / file.Metrics.UnitsPerEm;
  // A subset is named after its glyphs.
  QByteArray tag;
  size_t hash = 0;
  for (const quint32 g : font.Glyphs) hash = hash * 31 + g;
  for (int i = 0; i < 6; ++i, hash /= 26) tag.append(char('A' + hash % 26));
  const QByteArray name = tag + '+' + Name(file.Family) + '-' + Name(file.Style);
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

  body = "<< /Type /FontDescriptor /FontName /" + name + " /Flags ";
  Int(body, kSymbolic);
  body += " /FontBBox [";
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
  std::vector<std::pair<quint32, QString>> entries;
  for (const quint32 g : font.Glyphs)
    if (const auto it = file.Unicode().find(g); it != file.Unicode().end())
      entries.emplace_back(g, it->second);
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

}  // namespace pdf
