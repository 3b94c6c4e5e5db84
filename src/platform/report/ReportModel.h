#pragma once
// The laid-out report: pages of placed texts, lines, rectangles and images. The layout of the
// report engine writes it; the preview painter, the printer, the PDF writer and the tests read
// it. Coordinates are screen pixels at 96 per inch from the top-left corner of the paper.
#include <QColor>
#include <QFont>
#include <QImage>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
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

struct TReportModel {
  QSizeF PaperSize;
  bool Landscape = false;
  std::vector<TReportPage> Pages;

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
