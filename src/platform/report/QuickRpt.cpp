#include "platform/report/QuickRpt.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QRawFont>
#include <QMetaType>
#include <QRegularExpression>
#include <QTextBoundaryFinder>
#include <QTextLayout>
#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>

#include "platform/Clock.h"
#include "platform/SysUtils.h"
#include "platform/report/ReportPreview.h"
#include "platform/report/ReportProgress.h"

QFont ReportFont(int pixelHeight, bool bold, bool italic, bool underline) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(pixelHeight);
  f.setBold(bold);
  f.setItalic(italic);
  f.setUnderline(underline);
  return f;
}

// The state of one generation: the pages so far, where the next band goes, the counters.
class TReportLayout {
 public:
  explicit TReportLayout(TQuickRep &report) : m_report(report) {}

  void Run();

  TReportModel Model;
  TReportProgress *Progress = nullptr;
  int PageNumber = 0;
  int DetailNumber = 0;

  // The top of an element of the band being placed, where the band's stretching puts it.
  double TopOf(const TQRPrintable &item) const {
    if (&item == m_placing || m_stretch <= 0 || item.Top <= m_from + 0.5) return item.Top;
    return item.Top + m_stretch;  // moved down while it is placed itself
  }

  // Adds an item of the band being placed: one wholly outside the band is left out, one
  // reaching out of it is cut at the band's edges.
  void AddItem(TReportItem &&item) {
    QRectF body = item.Box.normalized();
    if (item.Kind == TReportItem::kText)  // the line spacing may overhang the band
      body.setHeight(std::min(body.height(), double(item.Font.pixelSize())));
    const QRectF area = m_clip.adjusted(-0.01, -0.01, 0.01, 0.01);
    if (body.top() >= area.bottom() || body.bottom() <= area.top() ||
        body.left() >= area.right() || body.right() <= area.left())
      if (!(item.Kind == TReportItem::kLine && area.intersects(body.adjusted(-0.5, -0.5, 0.5, 0.5))))
        return;
    item.Clip = m_clip;
    item.Clipped = !area.contains(body);
    item.Band = m_bandName;
    m_page->Items.push_back(std::move(item));
  }

 private:
  void StartPage(bool first);
  void EndPage();
  // Puts the page laid out so far among the model's pages.
  void FinishPage();
  // Runs the band's handler and places it; false when it was left out.
  bool PrintBand(TQRBand *band, bool mayBreak = true);
  // stretch: extra height of the band this time, for what lies below the top "from".
  void Place(TQRBand *band, double top, double bottomLimit, double stretch = 0, double from = 0);
  void Accumulate(TReportDataSet *dataSet);
  void PrintSubDetail(TQRSubDetail *sub);

  // A band placed on this page, as far as keeping bands together needs it.
  struct TKept {
    size_t FirstItem;  // its first item on the page
    double Top;
    bool KeepWithNext;
  };
  // Moves the bands at the foot of this page to the top of a new one, when the band that
  // follows them (of the given height) does not fit below them; false when they stay (there
  // are none, or they start the page, or they would not fit with it on any page).
  bool MoveToNewPage(std::vector<TKept> group, double height);

  TQuickRep &m_report;
  // The page being laid out; the model keeps the pages before it packed.
  TReportPage m_current;
  bool m_started = false;
  TReportPage *m_page = &m_current;
  const TQRPrintable *m_placing = nullptr;  // the element being placed, already moved down
  double m_stretch = 0, m_from = 0;         // how the band being placed stretches
  QRectF m_clip;
  QString m_bandName;
  std::vector<TKept> m_kept;  // headings at the foot of the page, waiting for their band
  std::vector<TKept> m_tail;  // the last band placed, with the headings it was kept with
  double m_y = 0;
  double m_top = 0;            // top margin
  double m_contentTop = 0;     // below the headers of the current page
  double m_contentBottom = 0;  // above the page footer
  double m_left = 0, m_width = 0, m_pageBottom = 0;
  std::vector<TQRExpr *> m_exprs;
};

// ---------------------------------------------------------------------------------------------
// Printables

TQRPrintable::TQRPrintable(TQRBand *band, const QString &name)
    : Name(name), Font(band->Report()->Font), m_band(band) {}

namespace {

// Pages are measured in screen pixels: a font given in points is turned into pixels here,
// or a printer or PDF writer would size it by its own resolution.
QFont PixelFont(const QFont &given) {
  QFont font = given;
  if (font.pixelSize() <= 0) font.setPixelSize(std::max(1, qRound(font.pointSizeF() * 96.0 / 72.0)));
  return font;
}

double LineHeight(const QFont &font, double height) {
  return height > 0 ? height : std::ceil(font.pixelSize() * 1.2);
}

// Text measures of one font and text, kept while a report is laid out: a band's texts are
// measured for its height and again when they are placed, and captions repeat on every row.
// Measuring (shaping) is the costly part of a lay-out. Fonts are known by a small number.
class TTextMeasures {
 public:
  int FontId(const QFont &font) {
    const QString key = font.key();
    if (const auto it = m_ids.constFind(key); it != m_ids.constEnd()) return *it;
    const int id = int(m_fonts.size());
    m_fonts.push_back(std::make_unique<TFontData>(font));
    m_ids.insert(key, id);
    return id;
  }
  double Advance(int font, const QString &text) {
    const TKey key{font, 0, 0, text};
    if (const auto it = m_values.constFind(key); it != m_values.constEnd()) return it->width();
    const double w = m_fonts[size_t(font)]->Metrics.horizontalAdvance(text);
    Store(key, QSizeF(w, 0));
    return w;
  }
  QSizeF Wrapped(int font, double width, const QString &text, int wrap) {
    const TKey key{font, wrap, qRound64(width * 1000), text};
    if (const auto it = m_values.constFind(key); it != m_values.constEnd()) return *it;
    const QSizeF size = m_fonts[size_t(font)]
                            ->Metrics
                            .boundingRect(QRectF(0, 0, width, 1e6),
                                          Qt::AlignLeft | Qt::AlignTop | wrap, text)
                            .size();
    Store(key, size);
    return size;
  }
  // True when the text is certainly no wider than the width, told without shaping it.
  bool SurelyFits(int font, const QString &text, double width) {
    const TScan &scan = Scan(font, text);
    return scan.Bound >= 0 && scan.Bound <= width;
  }
  // True when the text certainly takes one line when broken at words in the width: it has
  // no line break, every character is in the font itself (no other font's line height
  // comes in), and it is narrower than the width by more than a character's overhang.
  bool OnOneLine(int font, const QString &text, double width) {
    const TScan &scan = Scan(font, text);
    if (!scan.Plain) return false;
    const double w = scan.Bound >= 0 ? scan.Bound : Advance(font, text);
    return w + m_fonts[size_t(font)]->Metrics.height() <= width;
  }
  // A guess whether the text takes more than one line of the width, from the widths of its
  // characters alone: it only chooses which measure to take first.
  bool LikelyWide(int font, const QString &text, double width) {
    return Scan(font, text).Guess + m_fonts[size_t(font)]->Metrics.height() > width;
  }
  // A text with a word wider than the width, broken as it is printed: at its blanks (and
  // after hyphens and slashes between words) as a text breaks at words, and inside a word only
  // where the word alone is wider than the width, after a hyphen or a slash in it if there is
  // one on that line. The breaks inside words are written into the text as line breaks, so
  // that drawing it with word wrap gives these lines. Empty when the text is a single word
  // broken only where the width ends: breaking anywhere gives the same lines then.
  QString BreakWords(int font, double width, const QString &text) {
    const TKey key{font, -1, qRound64(width * 1000), text};
    if (const auto it = m_broken.constFind(key); it != m_broken.constEnd()) return *it;
    if (m_broken.size() > 10000) m_broken.clear();
    QString work = text;
    work.replace(QLatin1Char('\n'), QChar::LineSeparator);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    bool inserted = false, afterMark = false;
    for (int done = 0;;) {
      QTextLayout layout(work, m_fonts[size_t(font)]->Font);
      layout.setTextOption(option);
      layout.beginLayout();
      for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine())
        line.setLineWidth(width);
      layout.endLayout();
      QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, work);
      int at = -1, lineStart = 0;
      for (int i = 1; i < layout.lineCount() && at < 0; ++i) {
        const int start = layout.lineAt(i).textStart();
        breaks.setPosition(start);
        if (start > done && !breaks.isAtBoundary()) {
          at = start;
          lineStart = layout.lineAt(i - 1).textStart();
        }
      }
      if (at < 0) break;
      // The word goes on past the width: it breaks after its last hyphen or slash on the
      // line, or else where the line is full.
      for (int k = at - 1; k > lineStart; --k)
        if (work[k - 1] == QLatin1Char('-') || work[k - 1] == QLatin1Char('/')) {
          at = k;
          afterMark = true;
          break;
        }
      work.insert(at, QChar::LineSeparator);
      inserted = true;
      done = at + 1;
    }
    QString out;
    if (inserted) {
      bool oneWord = true;
      QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, text);
      for (qsizetype p = breaks.toNextBoundary(); p > 0 && p < text.size(); p = breaks.toNextBoundary())
        oneWord = false;
      if (!oneWord || afterMark) {
        out = work;
        out.replace(QChar::LineSeparator, QLatin1Char('\n'));
      }
    }
    m_broken.insert(key, out);
    return out;
  }
  double Ascent(int font) { return m_fonts[size_t(font)]->Metrics.ascent(); }
  // The same font in another pixel size.
  int Resized(int font, int pixelSize) {
    std::vector<int> &sizes = m_fonts[size_t(font)]->Sizes;
    if (sizes.size() <= size_t(pixelSize)) sizes.resize(size_t(pixelSize) + 1, -1);
    if (sizes[size_t(pixelSize)] < 0) {
      QFont resized = m_fonts[size_t(font)]->Font;
      resized.setPixelSize(pixelSize);
      sizes[size_t(pixelSize)] = FontId(resized);
    }
    return sizes[size_t(pixelSize)];
  }
  const QFont &FontOf(int font) const { return m_fonts[size_t(font)]->Font; }
  double Blank(int font) { return m_fonts[size_t(font)]->CharWidth(u' '); }
  // The height of one line of text as a text broken into lines measures it.
  double OneLineHeight(int font) {
    TFontData &f = *m_fonts[size_t(font)];
    if (f.LineHeight < 0)
      f.LineHeight = f.Metrics
                         .boundingRect(QRectF(0, 0, 1e6, 1e6),
                                       Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                                       QStringLiteral("0"))
                         .height();
    return f.LineHeight;
  }

 private:
  // What a look at a text's characters tells, without shaping it.
  struct TScan {
    // A bound of the text's width (less than 0: none). For a short text of printable ASCII
    // characters (amounts, dates, numbers): the sum of its characters' widths and its pairs'
    // kerning, which is its width, taken with a margin to spare. Ligatures break that sum;
    // they start at an 'f', so such a text takes the next way. For a text of letters, digits
    // and punctuation of the European alphabets drawn by the font itself: the sum of its
    // characters' widths alone, with a margin far beyond what kerning and ligatures of these
    // alphabets ever change (a few hundredths and a pixel or two).
    double Bound = -1;
    double Guess = 0;    // the sum of its characters' widths alone
    bool Plain = true;   // every character lays out in the font as it is
  };
  TScan ScanText(int font, const QString &text) {
    TScan scan;
    TFontData &f = *m_fonts[size_t(font)];
    bool ascii = text.size() <= 40, european = true;
    double pairs = 0;
    char16_t previous = 0;
    for (const QChar ch : text) {
      const char16_t c = ch.unicode();
      if (ascii) {
        if (c < 0x20 || c > 0x7e || c == u'f') {
          ascii = false;
        } else {
          pairs += f.CharWidth(c);
          if (previous) pairs += f.Kerning(previous, c);
          previous = c;
        }
      }
      if (european && !European(c)) european = false;
      if (scan.Plain && !f.Plain(c)) scan.Plain = false;
      scan.Guess += f.Guess(c);
    }
    if (text.isEmpty())
      scan.Bound = -1;
    else if (ascii)
      scan.Bound = pairs * 1.01 + 1;
    else if (european && scan.Plain)
      scan.Bound = scan.Guess * 1.05 + f.Metrics.height();
    return scan;
  }
  // A band's texts are looked at for its height and again when placed: the last ones are
  // kept, known by their text's data (which the kept copy holds; data the text does not own
  // is compared).
  const TScan &Scan(int font, const QString &text) {
    TScanned &kept =
        m_scans[(size_t(quintptr(text.constData())) >> 4 ^ size_t(font) * 31) % std::size(m_scans)];
    const bool same = kept.Font == font && kept.Text.size() == text.size() &&
                      kept.Text.constData() == text.constData() &&
                      (text.data_ptr().isMutable() || kept.Text == text);
    if (!same) {
      kept.Font = font;
      kept.Text = text;
      kept.Scan = ScanText(font, text);
    }
    return kept.Scan;
  }
  // Letters, digits and punctuation of the Latin, Greek and Cyrillic alphabets, without
  // combining marks and the soft hyphen.
  static bool European(char16_t c) {
    return (c >= 0x20 && c <= 0x7e) || (c >= 0xa0 && c <= 0x24f && c != 0xad) ||
           (c >= 0x370 && c <= 0x3ff) || (c >= 0x400 && c <= 0x482) ||
           (c >= 0x48a && c <= 0x52f) || (c >= 0x2010 && c <= 0x2027) ||
           (c >= 0x2030 && c <= 0x205e) || (c >= 0x20a0 && c <= 0x20bf) ||
           (c >= 0x2100 && c <= 0x214f);
  }

  struct TFontData {
    explicit TFontData(const QFont &font)
        : Font(font), Metrics(font), Own(QRawFont::fromFont(font)) {
      std::fill(std::begin(Chars), std::end(Chars), -1.0);
      // The font drawn for the European alphabets must be the font itself: a font that
      // does not cover an alphabet may leave it to another one.
      for (const auto system : {QFontDatabase::Latin, QFontDatabase::Greek, QFontDatabase::Cyrillic}) {
        const QRawFont drawn = QRawFont::fromFont(font, system);
        if (!drawn.isValid() || drawn.familyName() != Own.familyName() ||
            drawn.styleName() != Own.styleName())
          Own = QRawFont();
      }
    }
    // The width of a character alone, for guesses.
    double Guess(char16_t c) {
      if (Guesses.empty()) Guesses.assign(0x10000, -1.0f);
      float &w = Guesses[c];
      if (w < 0)
        w = QChar::isSurrogate(c) ? float(Metrics.averageCharWidth())
                                  : float(Metrics.horizontalAdvance(QString(QChar(c))));
      return w;
    }
    // A character that lays out in this font as it is: of the European alphabets (printable,
    // no line break) and drawn by the font itself (not by a font that stands in for it).
    bool Plain(char16_t c) {
      if (!European(c)) return false;
      if (Coverage.empty()) Coverage.assign(0x10000, 0);
      uint8_t &known = Coverage[c];
      if (!known) known = Own.isValid() && Own.supportsCharacter(c) ? 1 : 2;
      return known == 1;
    }
    double CharWidth(char16_t c) {
      double &w = Chars[c];
      if (w < 0) w = Metrics.horizontalAdvance(QString(QChar(c)));
      return w;
    }
    // What a pair takes more or less than its two characters.
    double Kerning(char16_t a, char16_t b) {
      if (Pairs.empty()) Pairs.assign(128 * 128, std::numeric_limits<double>::quiet_NaN());
      double &k = Pairs[size_t(a) * 128 + b];
      if (std::isnan(k)) {
        const QChar pair[2] = {QChar(a), QChar(b)};
        k = Metrics.horizontalAdvance(QString(pair, 2)) - CharWidth(a) - CharWidth(b);
      }
      return k;
    }
    QFont Font;
    QFontMetricsF Metrics;
    QRawFont Own;  // the font itself, without those standing in for it
    double Chars[128];
    std::vector<double> Pairs;
    std::vector<uint8_t> Coverage;  // per character: 0 not asked yet, 1 in the font, 2 not
    std::vector<float> Guesses;
    std::vector<int> Sizes;  // the same font in other pixel sizes, by size (-1: not yet)
    double LineHeight = -1;
  };
  struct TKey {
    int Font;
    int Wrap;
    qint64 Width;
    QString Text;
    bool operator==(const TKey &o) const {
      return Font == o.Font && Width == o.Width && Wrap == o.Wrap && Text == o.Text;
    }
  };
  friend size_t qHash(const TKey &k, size_t seed) {
    return qHashMulti(seed, k.Font, k.Width, k.Wrap, k.Text);
  }
  void Store(const TKey &key, const QSizeF &size) {
    // A whole-store report measures hundreds of thousands of texts that show once: the
    // cache is started afresh rather than let grow with them.
    if (m_values.size() > (1 << 15)) m_values.clear();
    if (m_values.isEmpty()) m_values.reserve(1 << 15);  // a large report's worth
    m_values.insert(key, size);
  }
  struct TScanned {
    int Font = -1;
    QString Text;
    TScan Scan;
  };
  TScanned m_scans[64];
  QHash<TKey, QSizeF> m_values;
  QHash<TKey, QString> m_broken;
  QHash<QString, int> m_ids;
  std::vector<std::unique_ptr<TFontData>> m_fonts;
};

TTextMeasures &Measures() {
  static TTextMeasures measures;
  return measures;
}

// While a band is measured and then placed, the texts its elements read for its height are
// kept for placing them (a non-zero pass); none is kept across anything else.
quint64 TextPass = 0;
quint64 LastPass = 0;

}  // namespace

const TQRPrintable::TFontCache &TQRPrintable::Fonts() const {
  if (m_font.Id >= 0 && Font.isCopyOf(m_font.Seen)) return m_font;
  const bool same = m_font.Id >= 0 && Font == m_font.Seen &&
                    Font.resolveMask() == m_font.Seen.resolveMask();
  m_font.Seen = Font;
  m_font.Pixel = PixelFont(Font);
  if (!same) m_font.Id = Measures().FontId(m_font.Pixel);
  return m_font;
}

double TQRPrintable::LineWidth() const {
  return AlignToBand ? m_band->Report()->BandWidth() : Width;
}

bool TQRPrintable::NeverWraps() const {
  // Amounts (right-aligned or centred in their column) stay on one line.
  return LineWidth() <= 0 || !(WordWrap || Alignment == taLeftJustify || AlignToBand);
}

int TQRPrintable::WrapFlags(QString &text) const {
  if (text.isEmpty() || NeverWraps()) return 0;
  const double width = LineWidth();
  const int font = Fonts().Id;
  TTextMeasures &measures = Measures();
  // A text that breaks at words anyway and likely takes more than one line is laid out
  // first: when no line is wider than the width, its words fit, and its width alone is
  // not needed.
  if (WordWrap && measures.LikelyWide(font, text, width) &&
      measures.Wrapped(font, width, text, Qt::TextWordWrap).width() <= width + 0.01)
    return Qt::TextWordWrap;
  const bool wide =
      !measures.SurelyFits(font, text, width) && measures.Advance(font, text) > width + 0.01;
  if (!WordWrap && !wide) return 0;
  // A word longer than the line breaks inside the word; the other words stay whole.
  if (wide && measures.Wrapped(font, width, text, Qt::TextWordWrap).width() > width + 0.01) {
    const QString broken = measures.BreakWords(font, width, text);
    if (broken.isEmpty() ||
        measures.Wrapped(font, width, broken, Qt::TextWordWrap).width() > width + 0.01)
      return Qt::TextWrapAnywhere;
    text = broken;
  }
  return Qt::TextWordWrap;
}

double TQRPrintable::WrappedHeight(const QString &text, int wrap) const {
  const int font = Fonts().Id;
  const double width = LineWidth();
  TTextMeasures &measures = Measures();
  // Most texts given a width fit on one line of it: they are not laid out.
  if (wrap == Qt::TextWordWrap && !measures.LikelyWide(font, text, width) &&
      measures.OnOneLine(font, text, width))
    return measures.OneLineHeight(font);
  return measures.Wrapped(font, width, text, wrap).height();
}

double TQRPrintable::TextStretch(const QString &given) const {
  if (!Enabled) return 0;
  QString text = given;
  const int wrap = WrapFlags(text);
  if (!wrap) return 0;
  return std::max(0.0, std::ceil(WrappedHeight(text, wrap)) - LineHeight(Fonts().Pixel, Height));
}

void TQRPrintable::PlaceText(TReportLayout &layout, const QRectF &band, const QString &given) const {
  QString text = given;
  const TFontCache &font = Fonts();
  TTextMeasures &measures = Measures();
  double h = LineHeight(font.Pixel, Height);
  // Without a width the box is as wide as the text.
  double advance = -1;  // not measured
  if (Width <= 0 && !AlignToBand) advance = measures.Advance(font.Id, text);
  const double w = Width > 0 ? Width : advance;
  const int wrap = WrapFlags(text);
  if (wrap) h = std::max(h, std::ceil(WrappedHeight(text, wrap)));
  QRectF box(band.left() + Left, band.top() + Top, w, h);
  if (AlignToBand) box = QRectF(band.left(), band.top() + Top, band.width(), h);
  QFont itemFont = font.Pixel;
  // An amount too wide for its column shows every digit: its box widens away from the side
  // it is aligned to, as far as the room beside the column goes; where even that is too
  // narrow, its figures are set smaller on the same base line. One that keeps a blank's
  // width inside its column on those sides needs no room beside it.
  if (!wrap && !AlignToBand && Alignment != taLeftJustify && Width > 0) {
    const double gap = measures.Blank(font.Id);
    const double inside = w - (Alignment == taCenter ? 2 * gap : gap);
    if (!measures.SurelyFits(font.Id, text, inside) && measures.Advance(font.Id, text) > inside) {
      advance = measures.Advance(font.Id, text);
      const auto [roomLeft, roomRight] = AmountRoom(layout, band, gap);
      const double room = Alignment == taRightJustify ? box.right() - roomLeft : roomRight - roomLeft;
      if (advance > room + 0.01) {
        // The largest size that fits.
        const int size = font.Pixel.pixelSize();
        for (int smaller = std::min(size - 1, int(size * room / advance)); smaller >= 1; --smaller) {
          const int id = measures.Resized(font.Id, smaller);
          const double fits = measures.Advance(id, text);
          if (fits <= room + 0.01) {
            box.translate(0, measures.Ascent(font.Id) - measures.Ascent(id));
            itemFont = measures.FontOf(id);
            advance = fits;
            break;
          }
        }
      }
      if (Alignment == taRightJustify) {
        if (advance > w) box.setLeft(box.right() - advance);
      } else {
        // Centred in its column, moved aside as far as the room asks.
        double left = box.center().x() - advance / 2;
        left = std::max(std::min(left, roomRight - advance), roomLeft);
        if (advance > w || left > box.left() || left + advance < box.right())
          box = QRectF(left, box.top(), std::max(advance, 0.0), box.height());
      }
    }
  }
  int flags = Qt::AlignTop | wrap;
  switch (Alignment) {
    case taLeftJustify: flags |= Qt::AlignLeft; break;
    case taRightJustify: flags |= Qt::AlignRight; break;
    case taCenter: flags |= Qt::AlignHCenter; break;
  }
  TReportItem item;
  item.Kind = TReportItem::kText;
  item.Name = Name;
  item.Box = box;
  item.Text = text;
  item.Font = itemFont;
  item.Flags = flags;
  layout.AddItem(std::move(item));
}

std::pair<double, double> TQRPrintable::AmountRoom(const TReportLayout &layout,
                                                   const QRectF &band, double gap) const {
  double roomLeft = band.left(), roomRight = band.right();
  const double left = band.left() + Left, right = left + Width;
  const double top = band.top() + layout.TopOf(*this);
  const double bottom = top + LineHeight(Fonts().Pixel, Height);
  TTextMeasures &measures = Measures();
  for (const auto &other : m_band->Items()) {
    const TQRPrintable &n = *other;
    if (&n == this || !n.Enabled) continue;
    const double nTop = band.top() + layout.TopOf(n);
    if (nTop >= bottom - 0.5 || nTop + LineHeight(n.Fonts().Pixel, n.Height) <= top + 0.5) continue;
    const std::optional<QString> text = n.PrintedText(layout);
    if (!text || text->isEmpty()) continue;
    // Where the other text lies: an amount in its whole column (its figures may fill it), any
    // other text where its lines go.
    double from = 0, to = 0;
    const bool amount = !n.AlignToBand && n.Width > 0 && n.Alignment != taLeftJustify && !n.WordWrap;
    if (amount) {
      from = band.left() + n.Left;
      to = from + n.Width;
    } else {
      const double columnLeft = n.AlignToBand ? band.left() : band.left() + n.Left;
      const double columnWidth = n.AlignToBand ? band.width() : n.Width;
      double used = measures.Advance(n.Fonts().Id, *text);
      if (columnWidth > 0) used = std::min(used, columnWidth);
      from = columnLeft;
      if (columnWidth > 0 && n.Alignment == taRightJustify)
        from = columnLeft + columnWidth - used;
      else if (columnWidth > 0 && n.Alignment == taCenter)
        from = columnLeft + (columnWidth - used) / 2;
      to = from + used;
    }
    // Only what lies beside the column counts: a text placed over it is the design's own.
    if (to <= left + 0.5) {
      // A centred amount on the left widens towards this one too: they share the space.
      if (amount && n.Alignment == taCenter && to < left)
        roomLeft = std::max(roomLeft, (to + left) / 2 + gap / 2);
      else
        roomLeft = std::max(roomLeft, to + gap);
    } else if (from >= right - 0.5 && Alignment == taCenter) {
      if (amount && from > right)
        roomRight = std::min(roomRight, (right + from) / 2 - gap / 2);
      else
        roomRight = std::min(roomRight, from - gap);
    }
  }
  return {roomLeft, roomRight};
}

void TQRLabel::Place(TReportLayout &layout, const QRectF &band) const {
  PlaceText(layout, band, Caption);
}

namespace {

// A value in the form the original platform shows it: under a mask when one is given,
// otherwise floats in the general form and dates in the short date format.
QString DisplayValue(const QVariant &value, const QString &mask) {
  if (!value.isValid() || value.isNull()) return QString();
  switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
      return mask.isEmpty() ? FloatToStr(value.toDouble()) : FormatFloat(mask, value.toDouble());
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
      return mask.isEmpty() ? QString::number(value.toLongLong())
                            : FormatFloat(mask, value.toDouble());
    case QMetaType::QDate:
      return mask.isEmpty() ? DateToStr(value.toDate()) : FormatDateTime(mask, value.toDate());
    case QMetaType::QDateTime:
      return mask.isEmpty() ? DateTimeToStr(value.toDateTime())
                            : FormatDateTime(mask, value.toDateTime());
    case QMetaType::QByteArray:
      return QString::fromUtf8(value.toByteArray());
    default: {
      const QString text = value.toString();
      // Decimal columns arrive as text: a mask still formats them as numbers.
      double d = 0;
      if (!mask.isEmpty() && TryStrToFloat(text, d)) return FormatFloat(mask, d);
      return text;
    }
  }
}

double NumberOf(const QVariant &value) {
  if (!value.isValid() || value.isNull()) return 0;
  bool ok = false;
  const double d = value.toDouble(&ok);
  return ok ? d : 0;
}

}  // namespace

QString TQRDBText::ShownText() const {
  if (TextPass && m_textPass == TextPass) return m_text;
  QVariant v;
  if (!DataSet->AtEnd()) v = DataSet->FieldValue(DataField);
  m_text = DisplayValue(v, Mask);
  m_textPass = TextPass;
  return m_text;
}

void TQRDBText::Place(TReportLayout &layout, const QRectF &band) const {
  if (!DataSet) throw std::runtime_error("Data-bound text " + Name.toStdString() +
                                         " has no data set.");
  PlaceText(layout, band, ShownText());
}

std::optional<QString> TQRDBText::PrintedText(const TReportLayout &) const {
  if (!DataSet) return std::nullopt;
  return ShownText();
}

std::optional<QString> TQRExpr::PrintedText(const TReportLayout &) const {
  return DisplayValue(QVariant(m_sum), Mask);
}

double TQRDBText::WrapStretch() const {
  if (!DataSet || DataSet->AtEnd() || !Enabled || NeverWraps()) return 0;
  return TextStretch(ShownText());
}

double TQRExpr::WrapStretch() const {
  if (!Enabled || NeverWraps()) return 0;
  return TextStretch(DisplayValue(QVariant(m_sum), Mask));
}

void TQRExpr::Place(TReportLayout &layout, const QRectF &band) const {
  PlaceText(layout, band, DisplayValue(QVariant(m_sum), Mask));
  if (ResetAfterPrint) m_sum = 0;
}

std::optional<QString> TQRSysData::PrintedText(const TReportLayout &layout) const {
  QString value;
  switch (Data) {
    case qrsDate: value = DateToStr(Clock::Today()); break;
    case qrsTime: value = FormatDateTime(QStringLiteral("hh:nn:ss"), Clock::Now()); break;
    case qrsDateTime: value = DateTimeToStr(Clock::Now()); break;
    case qrsPageNumber: value = QString::number(layout.PageNumber); break;
    case qrsDetailNo: value = QString::number(layout.DetailNumber); break;
  }
  return Text + value;
}

void TQRSysData::Place(TReportLayout &layout, const QRectF &band) const {
  PlaceText(layout, band, *PrintedText(layout));
}

void TQRImage::Place(TReportLayout &layout, const QRectF &band) const {
  QRectF box(band.left() + Left, band.top() + Top, Width, Height);
  if (!Stretch && !Picture.isNull())
    box.setSize(box.size().boundedTo(QSizeF(Picture.width(), Picture.height())));
  TReportItem item;
  item.Kind = TReportItem::kImage;
  item.Name = Name;
  item.Box = box;
  item.Picture = Stretch || Picture.isNull()
                     ? Picture
                     : Picture.copy(0, 0, int(box.width()), int(box.height()));
  layout.AddItem(std::move(item));
}

void TQRShape::Place(TReportLayout &layout, const QRectF &band) const {
  const QRectF box(band.left() + Left, band.top() + Top, Width, Height);
  TReportItem item;
  item.Name = Name;
  item.Pen = PenColor;
  item.PenWidth = PenWidth;
  switch (Shape) {
    case qrsHorLine:
      item.Kind = TReportItem::kLine;
      item.Box = QRectF(QPointF(box.left(), box.center().y()), QPointF(box.right(), box.center().y()));
      break;
    case qrsVertLine:
      item.Kind = TReportItem::kLine;
      item.Box = QRectF(QPointF(box.center().x(), box.top()), QPointF(box.center().x(), box.bottom()));
      break;
    case qrsRectangle:
      item.Kind = TReportItem::kRect;
      item.Box = box;
      item.Brush = BrushColor;
      break;
  }
  layout.AddItem(std::move(item));
}

// ---------------------------------------------------------------------------------------------
// Bands

TQRBand::TQRBand(TQuickRep *report, TQRBandType type, const QString &name, double height)
    : BandType(type), Name(name), Height(height), m_report(report) {}

TQRBand::~TQRBand() = default;

template <class T>
T *TQRBand::Add(const QString &name, double left, double top, double width, double height) {
  auto item = std::make_unique<T>(this, name);
  item->Left = left;
  item->Top = top;
  item->Width = width;
  item->Height = height;
  T *raw = item.get();
  m_items.push_back(std::move(item));
  return raw;
}

TQRLabel *TQRBand::AddLabel(const QString &name, double left, double top, const QString &caption) {
  auto *l = Add<TQRLabel>(name, left, top, 0, 0);
  l->Caption = caption;
  return l;
}

TQRDBText *TQRBand::AddDBText(const QString &name, double left, double top, double width,
                              TReportDataSet *dataSet, const QString &field, const QString &mask) {
  auto *t = Add<TQRDBText>(name, left, top, width, 0);
  t->DataSet = dataSet;
  t->DataField = field;
  t->Mask = mask;
  return t;
}

TQRExpr *TQRBand::AddExpr(const QString &name, double left, double top, double width,
                          const QString &expression, const QString &mask) {
  auto *e = Add<TQRExpr>(name, left, top, width, 0);
  e->Expression = expression;
  e->Mask = mask;
  return e;
}

TQRSysData *TQRBand::AddSysData(const QString &name, double left, double top,
                                TQRSysDataType data, const QString &prefix) {
  auto *s = Add<TQRSysData>(name, left, top, 0, 0);
  s->Data = data;
  s->Text = prefix;
  return s;
}

TQRImage *TQRBand::AddImage(const QString &name, double left, double top, double width,
                            double height) {
  return Add<TQRImage>(name, left, top, width, height);
}

TQRShape *TQRBand::AddShape(const QString &name, TQRShapeType shape, double left, double top,
                            double width, double height) {
  auto *s = Add<TQRShape>(name, left, top, width, height);
  s->Shape = shape;
  return s;
}

TQRPrintable *TQRBand::FindItem(const QString &name) const {
  for (const auto &item : m_items)
    if (item->Name == name) return item.get();
  return nullptr;
}

TQRSubDetail::TQRSubDetail(TQuickRep *report, const QString &name, double height,
                           TReportDataSet *dataSet)
    : TQRBand(report, rbSubDetail, name, height), DataSet(dataSet) {}

void TQRPage::SetValues(const std::vector<double> &values) {
  if (values.size() != 7) throw std::invalid_argument("A page takes seven values.");
  TopMargin = values[0];
  Length = values[1];
  LeftMargin = values[2];
  Width = values[3];
  RightMargin = values[4];
  BottomMargin = values[5];
  ColumnSpace = values[6];
}

// ---------------------------------------------------------------------------------------------
// Report

TQuickRep::TQuickRep(QWidget *owner) : Font(ReportFont(13)), m_owner(owner) {}

TQuickRep::~TQuickRep() = default;

TQRBand *TQuickRep::AddBand(TQRBandType type, const QString &name, double height) {
  m_bands.push_back(std::make_unique<TQRBand>(this, type, name, height));
  return m_bands.back().get();
}

TQRSubDetail *TQuickRep::AddSubDetail(const QString &name, double height,
                                      TReportDataSet *dataSet) {
  auto sub = std::make_unique<TQRSubDetail>(this, name, height, dataSet);
  TQRSubDetail *raw = sub.get();
  m_bands.push_back(std::move(sub));
  return raw;
}

TQRBand *TQuickRep::Band(TQRBandType type) const {
  for (const auto &b : m_bands)
    if (b->BandType == type) return b.get();
  return nullptr;
}

TQRBand *TQuickRep::FindBand(const QString &name) const {
  for (const auto &b : m_bands)
    if (b->Name == name) return b.get();
  return nullptr;
}

TQRPrintable *TQuickRep::FindItem(const QString &name) const {
  for (const auto &b : m_bands)
    if (TQRPrintable *p = b->FindItem(name)) return p;
  return nullptr;
}

double TQuickRep::BandWidth() const {
  return (Page.Width - Page.LeftMargin - Page.RightMargin) / 10.0 * ReportPixelsPerMM;
}

const TReportModel &TQuickRep::Prepare() { return Prepare(nullptr); }

const TReportModel &TQuickRep::Prepare(TReportProgress *progress) {
  TReportLayout layout(*this);
  layout.Progress = progress;
  layout.Run();
  m_model = std::move(layout.Model);
  m_prepared = true;
  return m_model;
}

void TQuickRep::Preview() {
  {
    // The run its caller started, or one of its own that shows the dialog once the work
    // takes a while.
    std::optional<TReportRun> own;
    TReportRun *run = TReportRun::Current();
    if (!run) run = &own.emplace(m_owner, false);
    TReportProgress &progress = run->Progress();
    if (progress.Cancelled()) return;  // while the report's queries ran
    progress.SetTotal(DataSet ? DataSet->RowCount() : -1);
    struct TPreparing {
      explicit TPreparing(TReportRun &r) : run(r) { run.Preparing = true; }
      ~TPreparing() { run.Preparing = false; }
      TReportRun &run;
    } preparing(*run);
    try {
      Prepare(&progress);
    } catch (const EReportCancelled &) {
      progress.Finish();
      return;
    }
    progress.Finish();  // the preview comes in place of the dialog
  }
  PreviewReport(*this);
}

// ---------------------------------------------------------------------------------------------
// Layout

void TReportLayout::Run() {
  const TQRPage &pg = m_report.Page;
  const double px = ReportPixelsPerMM / 10.0;
  Model.PaperSize = QSizeF(pg.Width * px, pg.Length * px);
  Model.Landscape = pg.Landscape();
  m_left = pg.LeftMargin * px;
  m_top = pg.TopMargin * px;
  m_width = m_report.BandWidth();
  m_pageBottom = (pg.Length - pg.BottomMargin) * px;

  // Expressions: bind them to their data sets and start every sum from zero.
  static const QRegularExpression sumRe(
      QStringLiteral("^\\s*sum\\s*\\(\\s*(\\w+)\\s*\\.\\s*(\\w+)\\s*\\)\\s*$"),
      QRegularExpression::CaseInsensitiveOption);
  std::vector<TReportDataSet *> dataSets;
  std::vector<TQRSubDetail *> subs;
  if (m_report.DataSet) dataSets.push_back(m_report.DataSet);
  for (const auto &b : m_report.Bands())
    if (b->BandType == rbSubDetail) {
      auto *sub = static_cast<TQRSubDetail *>(b.get());
      subs.push_back(sub);
      if (sub->DataSet) dataSets.push_back(sub->DataSet);
    }
  for (const auto &b : m_report.Bands())
    for (const auto &item : b->Items())
      if (auto *e = dynamic_cast<TQRExpr *>(item.get())) {
        const auto m = sumRe.match(e->Expression);
        if (!m.hasMatch())
          throw std::runtime_error("Unknown expression: " + e->Expression.toStdString());
        e->m_dataSet = nullptr;
        for (TReportDataSet *ds : dataSets)
          if (ds->DataSetName().compare(m.captured(1), Qt::CaseInsensitive) == 0)
            e->m_dataSet = ds;
        if (!e->m_dataSet)
          throw std::runtime_error("Unknown data set in expression: " +
                                   e->Expression.toStdString());
        e->m_field = m.captured(2);
        e->m_sum = 0;
        m_exprs.push_back(e);
      }

  bool print = true;
  if (m_report.BeforePrint) m_report.BeforePrint(&m_report, print);
  if (!print) {
    m_current.Size = Model.PaperSize;
    Model.Pages.push_back(m_current);
    return;
  }

  StartPage(true);
  TQRBand *detail = m_report.Band(rbDetail);
  if (TReportDataSet *ds = m_report.DataSet) {
    for (ds->MoveFirst(); !ds->AtEnd(); ds->MoveNext()) {
      if (Progress && !Progress->Step(DetailNumber)) throw EReportCancelled();
      ++DetailNumber;
      Accumulate(ds);
      if (detail) PrintBand(detail);
      for (TQRSubDetail *sub : subs) PrintSubDetail(sub);
    }
  }
  if (TQRBand *summary = m_report.Band(rbSummary)) PrintBand(summary);
  EndPage();
  FinishPage();
}

void TReportLayout::FinishPage() {
  Model.Pages.push_back(m_current);
  m_current.Items.clear();  // keeps its room for the next page
  m_started = false;
}

void TReportLayout::StartPage(bool first) {
  if (m_started) FinishPage();
  m_started = true;
  m_page->Size = Model.PaperSize;
  ++PageNumber;
  m_y = m_top;
  m_kept.clear();
  m_tail.clear();
  TQRBand *footer = m_report.Band(rbPageFooter);
  m_contentBottom = m_pageBottom - (footer && footer->Enabled ? footer->Height : 0);
  m_contentTop = m_y;
  if (first)
    if (TQRBand *title = m_report.Band(rbTitle)) PrintBand(title, false);
  if (TQRBand *header = m_report.Band(rbColumnHeader)) PrintBand(header, false);
  m_contentTop = m_y;
  m_kept.clear();
  m_tail.clear();
}

void TReportLayout::EndPage() {
  TQRBand *footer = m_report.Band(rbPageFooter);
  if (!footer || !footer->Enabled) return;
  bool print = true;
  if (footer->BeforePrint) footer->BeforePrint(footer, print);
  if (print) Place(footer, m_pageBottom - footer->Height, m_pageBottom);
}

bool TReportLayout::PrintBand(TQRBand *band, bool mayBreak) {
  if (!band->Enabled) return false;
  bool print = true;
  if (band->BeforePrint) band->BeforePrint(band, print);
  if (!print) return false;
  // The texts read for the band's height are placed as they were read, unless the page
  // breaks in between (its footer's and header's handlers run then).
  struct TPassGuard {
    ~TPassGuard() { TextPass = 0; }
  } guard;
  const quint64 pass = ++LastPass;
  TextPass = pass;
  // Word-wrapped texts that need more than one line stretch the band this time.
  double stretch = 0, from = band->Height;
  for (const auto &item : band->Items())
    if (item->Enabled)
      if (const double s = item->WrapStretch(); s > 0) {
        stretch = std::max(stretch, s);
        from = std::min(from, item->Top);
      }
  TextPass = 0;
  const double height = std::max(0.0, band->Height) + stretch;
  // A band that does not fit goes to the next page, unless the page holds nothing yet but
  // its headers: a band taller than a page is placed once and cut at the page's end. The
  // headings it is kept with go along, and a closing band takes the band before it along.
  const bool breaks = mayBreak && m_y + height > m_contentBottom + 0.001 && m_y > m_contentTop + 0.001;
  if (breaks && !MoveToNewPage(band->KeepWithPrevious ? m_tail : m_kept, height)) {
    EndPage();
    StartPage(false);
  }
  const TKept placed{m_page->Items.size(), m_y, mayBreak && band->KeepWithNext};
  TextPass = breaks ? 0 : pass;
  Place(band, m_y, m_contentBottom, stretch, from);
  TextPass = 0;
  m_y += height;
  if (!mayBreak) return true;
  m_tail = m_kept;
  m_tail.push_back(placed);
  if (placed.KeepWithNext)
    m_kept.push_back(placed);
  else
    m_kept.clear();
  return true;
}

bool TReportLayout::MoveToNewPage(std::vector<TKept> group, double height) {
  if (group.empty()) return false;
  const double top = group.front().Top, keptHeight = m_y - top;
  if (top <= m_contentTop + 0.001) return false;
  // On a new page they start below its column header.
  TQRBand *header = m_report.Band(rbColumnHeader);
  const double headerHeight = header && header->Enabled ? std::max(0.0, header->Height) : 0;
  if (m_top + headerHeight + keptHeight + height > m_contentBottom + 0.001) return false;
  std::vector<TKept> kept = std::move(group);
  const auto first = m_page->Items.begin() + std::ptrdiff_t(kept.front().FirstItem);
  std::vector<TReportItem> moved(std::make_move_iterator(first),
                                 std::make_move_iterator(m_page->Items.end()));
  m_page->Items.erase(first, m_page->Items.end());
  EndPage();
  StartPage(false);
  const double shift = m_y - top;
  const size_t base = m_page->Items.size();
  for (TReportItem &item : moved) {
    item.Box.translate(0, shift);
    item.Clip.translate(0, shift);
    m_page->Items.push_back(std::move(item));
  }
  const size_t oldBase = kept.front().FirstItem;
  for (TKept &k : kept) {
    k.FirstItem = k.FirstItem - oldBase + base;
    k.Top += shift;
  }
  m_y += keptHeight;
  m_tail = kept;
  m_kept.clear();
  for (const TKept &k : kept)
    if (k.KeepWithNext)
      m_kept.push_back(k);
    else
      m_kept.clear();
  return true;
}

void TReportLayout::Place(TQRBand *band, double top, double bottomLimit, double stretch,
                          double from) {
  const QRectF rect(m_left, top, m_width, std::max(0.0, band->Height) + stretch);
  m_clip = rect;
  m_bandName = band->Name;
  m_stretch = stretch;
  m_from = from;
  if (m_clip.bottom() > bottomLimit) m_clip.setBottom(std::max(m_clip.top(), bottomLimit));
  struct TPlacingGuard {
    const TQRPrintable *&placing;
    ~TPlacingGuard() { placing = nullptr; }
  } guard{m_placing};
  for (const auto &item : band->Items()) {
    if (!item->Enabled) continue;
    m_placing = item.get();
    if (stretch <= 0) {
      item->Place(*this, rect);
      continue;
    }
    // What lies below the stretching texts moves down with the band's bottom; frames and
    // vertical lines that reach past them from above grow with it.
    const double oldTop = item->Top, oldHeight = item->Height;
    const auto *shape = dynamic_cast<const TQRShape *>(item.get());
    if (item->Top > from + 0.5)
      item->Top += stretch;
    else if (shape && shape->Shape != qrsHorLine && item->Top + item->Height > from + 0.5)
      item->Height += stretch;
    try {
      item->Place(*this, rect);
    } catch (...) {
      item->Top = oldTop;
      item->Height = oldHeight;
      throw;
    }
    item->Top = oldTop;
    item->Height = oldHeight;
  }
}

void TReportLayout::Accumulate(TReportDataSet *dataSet) {
  for (TQRExpr *e : m_exprs)
    if (e->m_dataSet == dataSet) e->m_sum += NumberOf(dataSet->FieldValue(e->m_field));
}

void TReportLayout::PrintSubDetail(TQRSubDetail *sub) {
  if (!sub->Enabled) return;
  TReportDataSet *ds = sub->DataSet;
  bool empty = true;
  if (ds) {
    ds->MoveFirst();
    empty = ds->AtEnd();
  }
  if (empty && !sub->PrintIfEmpty) return;
  if (sub->HeaderBand) PrintBand(sub->HeaderBand);
  if (ds)
    for (; !ds->AtEnd(); ds->MoveNext()) {
      if (Progress && !Progress->Step(DetailNumber)) throw EReportCancelled();
      Accumulate(ds);
      PrintBand(sub);
    }
  if (sub->FooterBand) PrintBand(sub->FooterBand);
}
