#pragma once
// The laid-out report: pages of placed texts, lines, rectangles and images. The layout of the
// report engine writes it; the preview painter, the printer, the PDF writer and the tests read
// it. Coordinates are screen pixels at 96 per inch from the top-left corner of the paper.
#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <iterator>
#include <memory>
#include <vector>

class QPainter;
class QPageLayout;

// Screen pixels (96 per inch) per millimetre.
constexpr double ReportPixelsPerMM = 96.0 / 25.4;

struct TReportItem {
  enum TKind { kText, kLine, kRect, kImage };
  TKind Kind = kText;
  QString Name;       // the element that placed it
  QString Band;       // the band it belongs to
  QRectF Box;         // text box, line from top-left to bottom-right, rectangle, image box
  QRectF Clip;        // the band's area: nothing outside it shows
  bool Clipped = false;  // the box reaches outside Clip
  // Text
  QString Text;
  QFont Font;
  int Flags = 0;      // Qt alignment flags and Qt::TextWordWrap
  // Lines and rectangles
  QColor Pen = Qt::black;
  double PenWidth = 1;  // 0: no outline
  QColor Brush;         // invalid: not filled
  // Images
  QImage Picture;
};

struct TReportPage {
  QSizeF Size;  // the paper
  std::vector<TReportItem> Items;

  // The texts of the page in the order they were placed.
  QStringList Texts() const;
  // The first text item placed by the named element (nullptr when none).
  const TReportItem *Find(const QString &name) const;
  // Every text item of the named element, in order.
  std::vector<const TReportItem *> FindAll(const QString &name) const;
};

// The pages of a report, kept packed: a report over the whole store has thousands of pages of
// a few hundred items each, and most of what an item holds (its element, band, font, pen, the
// place of its element in the band, a caption) is the same on every row. Each item keeps only
// what differs from the item of its element before it on the page; a page unpacks on its own.
class TReportPages {
 public:
  TReportPages();
  TReportPages(const TReportPages &other);
  TReportPages(TReportPages &&other) noexcept;
  TReportPages &operator=(const TReportPages &other);
  TReportPages &operator=(TReportPages &&other) noexcept;
  ~TReportPages();

  size_t size() const { return m_pages.size(); }
  bool empty() const { return m_pages.empty(); }
  void clear();
  void push_back(const TReportPage &page);

  // The page unpacked. The last pages read this way are kept unpacked: the reference stays
  // good until KeptPages other pages have been read through here.
  const TReportPage &operator[](size_t index) const;
  const TReportPage &front() const { return (*this)[0]; }
  const TReportPage &back() const { return (*this)[size() - 1]; }
  static constexpr int KeptPages = 16;
  // Unpacks the page into out. Threads may read pages at the same time; the pages may not
  // change meanwhile.
  void Read(size_t index, TReportPage &out) const;
  // How many items the page holds, without unpacking it.
  int ItemCount(size_t index) const { return m_pages[index].Items; }
  // The fonts of the texts, each once, in the order they first appear.
  const std::vector<QFont> &TextFonts() const { return m_textFonts; }
  // The memory the packed pages take, in bytes.
  qint64 PackedBytes() const;

  class const_iterator {
   public:
    using iterator_category = std::forward_iterator_tag;
    using value_type = TReportPage;
    using difference_type = std::ptrdiff_t;
    using pointer = const TReportPage *;
    using reference = const TReportPage &;
    const_iterator(const TReportPages *pages, size_t at) : m_pages(pages), m_at(at) {}
    reference operator*() const { return (*m_pages)[m_at]; }
    pointer operator->() const { return &(*m_pages)[m_at]; }
    const_iterator &operator++() {
      ++m_at;
      return *this;
    }
    bool operator==(const const_iterator &o) const { return m_at == o.m_at; }
    bool operator!=(const const_iterator &o) const { return m_at != o.m_at; }

   private:
    const TReportPages *m_pages;
    size_t m_at;
  };
  const_iterator begin() const { return const_iterator(this, 0); }
  const_iterator end() const { return const_iterator(this, size()); }

 private:
  struct TStyle;
  struct TPacked {
    QSizeF Size;
    int Items = 0;
    QByteArray Data;
  };
  struct TKept;
  int StyleOf(const TReportItem &item);
  void Unpack(const TPacked &page, TReportPage &out) const;

  std::vector<TPacked> m_pages;
  std::vector<TStyle> m_styles;
  std::vector<QFont> m_textFonts;
  // Finding the style of an item: by its element's name, and the last style found for a name.
  QMultiHash<QString, int> m_stylesByName;
  int m_lastStyles[64];
  // The pages read through operator[], the last one first.
  std::unique_ptr<TKept> m_kept;
};

struct TReportModel {
  QSizeF PaperSize;
  bool Landscape = false;
  TReportPages Pages;

  int PageCount() const { return static_cast<int>(Pages.size()); }
  // Every text of every page, page after page.
  QStringList Texts() const;
  // The texts of every page, one line per item, pages separated by a line "--- page n ---".
  QString Dump() const;
};

// Draws one page at the painter's current transform (one unit = one report pixel).
void PaintReportPage(QPainter &painter, const TReportPage &page);

// The paper of the model for a printer or a PDF file: a standard size when it is one, in
// its orientation, without margins (the pages carry their own).
QPageLayout ReportPageLayout(const TReportModel &model);

class TReportProgress;

// Writes every page into a PDF file; false with the reason when the file cannot be written.
// With a progress, the user may cancel: false with an empty reason then, and no file is left.
bool WriteReportPdf(const TReportModel &model, const QString &fileName, QString *error = nullptr,
                    TReportProgress *progress = nullptr);
