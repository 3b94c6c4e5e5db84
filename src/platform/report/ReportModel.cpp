#include "platform/report/ReportModel.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <algorithm>
#include <cstring>
#include <list>
#include <mutex>


QStringList TReportPage::Texts() const {
  QStringList out;
  for (const TReportItem &item : Items)
    if (item.Kind == TReportItem::kText) out << item.Text;
  return out;
}

const TReportItem *TReportPage::Find(const QString &name) const {
  for (const TReportItem &item : Items)
    if (item.Kind == TReportItem::kText && item.Name == name) return &item;
  return nullptr;
}

std::vector<const TReportItem *> TReportPage::FindAll(const QString &name) const {
  std::vector<const TReportItem *> out;
  for (const TReportItem &item : Items)
    if (item.Kind == TReportItem::kText && item.Name == name) out.push_back(&item);
  return out;
}

// ---------------------------------------------------------------------------------------------
// Packed pages
//
// A page is a run of items. Each item is written as: the number of its style (what the items
// of one element share: kind, element, band, font, alignment, pen, brush, picture), then two
// bytes telling how its clip, box and text are given, then the values that are given.
// - Clip: each of x, y, width, height is the previous item's or given (8 bytes).
// - Box: each of x, y, width, height is the last item's of the same style, given, or (x and y)
//   the clip's plus the offset the last item of the style had from its clip: an element placed
//   at the same spot of its band on every row takes nothing.
// - Text: the last item's of the same style, empty, Latin-1 or UTF-16, after its length.
// What an item of a style "last" had starts afresh on every page. Doubles are kept bit for bit.

struct TReportPages::TStyle {
  TReportItem::TKind Kind = TReportItem::kText;
  QString Name, Band;
  bool Clipped = false;
  QFont Font;
  int Flags = 0;
  QColor Pen, Brush;
  double PenWidth = 1;
  QImage Picture;

  explicit TStyle(const TReportItem &item)
      : Kind(item.Kind), Name(item.Name), Band(item.Band), Clipped(item.Clipped), Font(item.Font),
        Flags(item.Flags), Pen(item.Pen), Brush(item.Brush), PenWidth(item.PenWidth),
        Picture(item.Picture) {}
  bool Matches(const TReportItem &item) const {
    return Kind == item.Kind && Clipped == item.Clipped && Flags == item.Flags &&
           std::memcmp(&PenWidth, &item.PenWidth, sizeof PenWidth) == 0 && Name == item.Name &&
           Band == item.Band && Font == item.Font && Font.resolveMask() == item.Font.resolveMask() &&
           Pen == item.Pen && Brush == item.Brush && Picture.cacheKey() == item.Picture.cacheKey();
  }
};

struct TReportPages::TKept {
  std::mutex Mutex;
  std::list<std::pair<size_t, std::unique_ptr<TReportPage>>> Pages;
};

namespace {

// What the last item of a style on the page had.
struct TStyleState {
  quint64 Page = 0;  // the page it belongs to; another page: nothing yet
  double Box[4] = {0, 0, 0, 0};
  double Offset[2] = {0, 0};  // of the box's x and y from the clip's
  QString Text;
};

bool Same(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void PutVarint(QByteArray &out, quint32 v) {
  while (v >= 0x80) {
    out.append(char(v | 0x80));
    v >>= 7;
  }
  out.append(char(v));
}

void PutDouble(QByteArray &out, double v) { out.append(reinterpret_cast<const char *>(&v), sizeof v); }

class TReader {
 public:
  explicit TReader(const QByteArray &data) : m_at(data.constData()), m_end(m_at + data.size()) {}
  quint32 Varint() {
    quint32 v = 0;
    for (int shift = 0; m_at < m_end; shift += 7) {
      const auto b = quint8(*m_at++);
      v |= quint32(b & 0x7f) << shift;
      if (!(b & 0x80)) break;
    }
    return v;
  }
  quint16 Short() {
    quint16 v;
    std::memcpy(&v, m_at, sizeof v);
    m_at += sizeof v;
    return v;
  }
  double Double() {
    double v;
    std::memcpy(&v, m_at, sizeof v);
    m_at += sizeof v;
    return v;
  }
  const char *Take(qsizetype bytes) {
    const char *at = m_at;
    m_at += bytes;
    return at;
  }

 private:
  const char *m_at;
  const char *m_end;
};

enum : int { kTextSame = 0, kTextEmpty = 1, kTextLatin1 = 2, kTextUtf16 = 3 };
enum : int { kBoxSame = 0, kBoxGiven = 1, kBoxFromClip = 2 };

QRectF Rect(const double v[4]) { return QRectF(v[0], v[1], v[2], v[3]); }

}  // namespace

TReportPages::TReportPages() : m_kept(std::make_unique<TKept>()) {
  std::fill(std::begin(m_lastStyles), std::end(m_lastStyles), -1);
}

TReportPages::TReportPages(const TReportPages &other)
    : m_pages(other.m_pages),
      m_styles(other.m_styles),
      m_textFonts(other.m_textFonts),
      m_stylesByName(other.m_stylesByName),
      m_kept(std::make_unique<TKept>()) {
  std::copy(std::begin(other.m_lastStyles), std::end(other.m_lastStyles), m_lastStyles);
}

TReportPages::TReportPages(TReportPages &&other) noexcept : TReportPages() { *this = std::move(other); }

TReportPages &TReportPages::operator=(const TReportPages &other) {
  if (this != &other) *this = TReportPages(other);
  return *this;
}

TReportPages &TReportPages::operator=(TReportPages &&other) noexcept {
  if (this == &other) return *this;
  m_pages = std::move(other.m_pages);
  m_styles = std::move(other.m_styles);
  m_textFonts = std::move(other.m_textFonts);
  m_stylesByName = std::move(other.m_stylesByName);
  std::copy(std::begin(other.m_lastStyles), std::end(other.m_lastStyles), m_lastStyles);
  std::swap(m_kept, other.m_kept);
  other.clear();
  return *this;
}

TReportPages::~TReportPages() = default;

void TReportPages::clear() {
  m_pages.clear();
  m_styles.clear();
  m_textFonts.clear();
  m_stylesByName.clear();
  std::fill(std::begin(m_lastStyles), std::end(m_lastStyles), -1);
  if (m_kept) {
    std::lock_guard<std::mutex> lock(m_kept->Mutex);
    m_kept->Pages.clear();
  }
}

int TReportPages::StyleOf(const TReportItem &item) {
  int &last = m_lastStyles[(quintptr(item.Name.constData()) >> 4) % std::size(m_lastStyles)];
  if (last >= 0 && m_styles[size_t(last)].Matches(item)) return last;
  for (auto it = m_stylesByName.constFind(item.Name); it != m_stylesByName.cend() && it.key() == item.Name; ++it)
    if (m_styles[size_t(*it)].Matches(item)) return last = *it;
  const int style = int(m_styles.size());
  m_styles.emplace_back(item);
  m_stylesByName.insert(item.Name, style);
  if (item.Kind == TReportItem::kText &&
      std::find(m_textFonts.begin(), m_textFonts.end(), item.Font) == m_textFonts.end())
    m_textFonts.push_back(item.Font);
  return last = style;
}

void TReportPages::push_back(const TReportPage &page) {
  // What the last item of each style had, for this page only.
  thread_local std::vector<TStyleState> states;
  thread_local quint64 pageMark = 0;
  ++pageMark;
  QByteArray out;
  out.reserve(qsizetype(page.Items.size()) * 24 + 64);
  double clip[4] = {0, 0, 0, 0};
  for (const TReportItem &item : page.Items) {
    const int style = StyleOf(item);
    if (states.size() <= size_t(style)) states.resize(size_t(style) + 1);
    TStyleState &state = states[size_t(style)];
    if (state.Page != pageMark) state = TStyleState{pageMark, {0, 0, 0, 0}, {0, 0}, QString()};
    PutVarint(out, quint32(style));
    const qsizetype flagsAt = out.size();
    out.append(2, '\0');
    int flags = 0;
    const double c[4] = {item.Clip.x(), item.Clip.y(), item.Clip.width(), item.Clip.height()};
    for (int k = 0; k < 4; ++k)
      if (!Same(c[k], clip[k])) {
        flags |= 1 << k;
        PutDouble(out, c[k]);
        clip[k] = c[k];
      }
    const double b[4] = {item.Box.x(), item.Box.y(), item.Box.width(), item.Box.height()};
    for (int k = 0; k < 4; ++k) {
      int mode = kBoxGiven;
      if (Same(b[k], state.Box[k]))
        mode = kBoxSame;
      else if (k < 2 && Same(clip[k] + state.Offset[k], b[k]))
        mode = kBoxFromClip;
      if (mode == kBoxGiven) PutDouble(out, b[k]);
      flags |= mode << (4 + 2 * k);
      state.Box[k] = b[k];
    }
    state.Offset[0] = b[0] - clip[0];
    state.Offset[1] = b[1] - clip[1];
    int text = kTextSame;
    if (item.Text != state.Text) {
      const qsizetype n = item.Text.size();
      if (n == 0) {
        text = kTextEmpty;
      } else {
        const char16_t *chars = reinterpret_cast<const char16_t *>(item.Text.constData());
        text = std::all_of(chars, chars + n, [](char16_t ch) { return ch < 0x100; }) ? kTextLatin1 : kTextUtf16;
        PutVarint(out, quint32(n));
        if (text == kTextLatin1) {
          const qsizetype at = out.size();
          out.resize(at + n);
          char *to = out.data() + at;
          for (qsizetype i = 0; i < n; ++i) to[i] = char(chars[i]);
        } else {
          out.append(reinterpret_cast<const char *>(chars), n * qsizetype(sizeof(char16_t)));
        }
      }
      state.Text = item.Text;
    }
    flags |= text << 12;
    const quint16 f = quint16(flags);
    std::memcpy(out.data() + flagsAt, &f, sizeof f);
  }
  m_pages.push_back({page.Size, int(page.Items.size()), QByteArray(out.constData(), out.size())});
}

void TReportPages::Unpack(const TPacked &page, TReportPage &out) const {
  out.Size = page.Size;
  out.Items.clear();
  out.Items.reserve(size_t(page.Items));
  std::vector<TStyleState> states(m_styles.size());
  TReader in(page.Data);
  double clip[4] = {0, 0, 0, 0};
  for (int i = 0; i < page.Items; ++i) {
    const quint32 style = in.Varint();
    const TStyle &s = m_styles.at(style);
    TStyleState &state = states[style];
    const int flags = in.Short();
    TReportItem &item = out.Items.emplace_back();
    item.Kind = s.Kind;
    item.Name = s.Name;
    item.Band = s.Band;
    item.Clipped = s.Clipped;
    item.Font = s.Font;
    item.Flags = s.Flags;
    item.Pen = s.Pen;
    item.PenWidth = s.PenWidth;
    item.Brush = s.Brush;
    item.Picture = s.Picture;
    for (int k = 0; k < 4; ++k)
      if (flags & (1 << k)) clip[k] = in.Double();
    for (int k = 0; k < 4; ++k) {
      const int mode = (flags >> (4 + 2 * k)) & 3;
      if (mode == kBoxGiven)
        state.Box[k] = in.Double();
      else if (mode == kBoxFromClip)
        state.Box[k] = clip[k] + state.Offset[k];
    }
    state.Offset[0] = state.Box[0] - clip[0];
    state.Offset[1] = state.Box[1] - clip[1];
    item.Clip = Rect(clip);
    item.Box = Rect(state.Box);
    switch ((flags >> 12) & 3) {
      case kTextSame: break;
      case kTextEmpty: state.Text = QString(); break;
      case kTextLatin1: {
        const qsizetype n = in.Varint();
        state.Text = QString::fromLatin1(in.Take(n), n);
        break;
      }
      case kTextUtf16: {
        const qsizetype n = in.Varint();
        QString text(n, Qt::Uninitialized);
        std::memcpy(text.data(), in.Take(n * qsizetype(sizeof(char16_t))), size_t(n) * sizeof(char16_t));
        state.Text = std::move(text);
        break;
      }
    }
    item.Text = state.Text;
  }
}

void TReportPages::Read(size_t index, TReportPage &out) const { Unpack(m_pages.at(index), out); }

const TReportPage &TReportPages::operator[](size_t index) const {
  const TPacked &packed = m_pages.at(index);
  std::lock_guard<std::mutex> lock(m_kept->Mutex);
  auto &kept = m_kept->Pages;
  for (auto it = kept.begin(); it != kept.end(); ++it)
    if (it->first == index) {
      kept.splice(kept.begin(), kept, it);
      return *kept.front().second;
    }
  auto page = std::make_unique<TReportPage>();
  Unpack(packed, *page);
  kept.emplace_front(index, std::move(page));
  if (kept.size() > size_t(KeptPages)) kept.pop_back();
  return *kept.front().second;
}

qint64 TReportPages::PackedBytes() const {
  qint64 bytes = qint64(m_pages.capacity() * sizeof(TPacked));
  for (const TPacked &p : m_pages) bytes += p.Data.capacity();
  return bytes;
}

// ---------------------------------------------------------------------------------------------
// Model

QStringList TReportModel::Texts() const {
  QStringList out;
  TReportPage page;
  for (size_t i = 0; i < Pages.size(); ++i) {
    Pages.Read(i, page);
    out << page.Texts();
  }
  return out;
}

QString TReportModel::Dump() const {
  QString out;
  TReportPage page;
  for (int i = 0; i < PageCount(); ++i) {
    Pages.Read(size_t(i), page);
    out += QStringLiteral("--- page %1 ---\n").arg(i + 1);
    for (const QString &t : page.Texts()) out += t + QLatin1Char('\n');
  }
  return out;
}

void PaintReportPage(QPainter &painter, const TReportPage &page) {
  painter.save();
  // The font and the black pen of the texts are set only when they change: most texts of a
  // page share them, and each setting costs the PDF writer its own state change.
  const QFont *font = nullptr;  // the painter's font, when a text set it
  bool blackPen = false;
  for (const TReportItem &item : page.Items) {
    if (item.Clipped) {
      painter.save();
      painter.setClipRect(item.Clip, Qt::IntersectClip);
    }
    switch (item.Kind) {
      case TReportItem::kText:
        if (!font || *font != item.Font) {
          painter.setFont(item.Font);
          font = &item.Font;
        }
        if (!blackPen) {
          painter.setPen(Qt::black);
          blackPen = true;
        }
        painter.drawText(item.Box, item.Flags | Qt::TextDontClip, item.Text);
        break;
      case TReportItem::kLine:
        painter.setPen(QPen(item.Pen, item.PenWidth, Qt::SolidLine, Qt::FlatCap));
        blackPen = false;
        painter.drawLine(item.Box.topLeft(), item.Box.bottomRight());
        break;
      case TReportItem::kRect:
        if (item.PenWidth > 0)
          painter.setPen(QPen(item.Pen, item.PenWidth));
        else
          painter.setPen(Qt::NoPen);
        blackPen = false;
        painter.setBrush(item.Brush.isValid() ? QBrush(item.Brush) : QBrush(Qt::NoBrush));
        painter.drawRect(item.Box);
        painter.setBrush(Qt::NoBrush);
        break;
      case TReportItem::kImage:
        if (!item.Picture.isNull()) painter.drawImage(item.Box, item.Picture);
        break;
    }
    if (item.Clipped) {
      painter.restore();  // takes back the font and pen set inside
      font = nullptr;
      blackPen = false;
    }
  }
  painter.restore();
}

QPageLayout ReportPageLayout(const TReportModel &model) {
  QSizeF mm(model.PaperSize.width() / ReportPixelsPerMM,
            model.PaperSize.height() / ReportPixelsPerMM);
  const bool landscape = mm.width() > mm.height();
  if (landscape) mm.transpose();
  QPageSize size(mm, QPageSize::Millimeter, QString(), QPageSize::FuzzyOrientationMatch);
  return QPageLayout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                     QMarginsF(0, 0, 0, 0));
}
