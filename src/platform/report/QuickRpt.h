#pragma once
// The banded report engine. A report is a page description with bands (title, column header,
// detail, sub-details with their header and footer bands, summary, page footer); each band
// holds printables placed in screen pixels (96 per inch) from the band's top-left corner.
// Prepare() walks the report's data set and lays the bands out into pages (ReportModel.h);
// handlers may change heights, positions, texts, fonts and visibility while it runs.
#include <QFont>
#include <QImage>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/report/ReportModel.h"

class QWidget;
class TQuickRep;
class TQRBand;
class TReportLayout;
class TReportProgress;

// The rows a report or a sub-detail band walks. The engine moves through them and reads the
// current row's fields; it never changes them.
class TReportDataSet {
 public:
  virtual ~TReportDataSet() = default;
  // The name that expressions use ("sum(Materials.SUM)").
  virtual QString DataSetName() const = 0;
  virtual void MoveFirst() = 0;
  virtual void MoveNext() = 0;
  // True past the last row, and for a data set that is closed or has no rows.
  virtual bool AtEnd() const = 0;
  // The current row's value of a field; an unknown field raises an error.
  virtual QVariant FieldValue(const QString &field) const = 0;
  // How many rows a walk gives (less than 0: not known); for the progress shown.
  virtual int RowCount() const { return -1; }
};

enum TQRBandType {
  rbTitle, rbColumnHeader, rbDetail, rbSubDetail, rbGroupHeader, rbGroupFooter, rbSummary,
  rbPageFooter
};

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// A report font: family and height in pixels.
QFont ReportFont(int pixelHeight, bool bold = false, bool italic = false, bool underline = false);

class TQRPrintable {
 public:
  TQRPrintable(TQRBand *band, const QString &name);
  virtual ~TQRPrintable() = default;
  TQRBand *Band() const { return m_band; }

  QString Name;
  double Left = 0, Top = 0, Width = 0, Height = 0;  // Height 0: one line of the font
  bool Enabled = true;
  TAlignment Alignment = taLeftJustify;
  bool AlignToBand = false;  // aligned within the whole band's width
  // With a width: the text breaks into lines at word boundaries and its band stretches to
  // hold them (texts lower in the band move down by as much). A left-aligned text wider than
  // its width breaks the same way without it; a word longer than a line breaks inside (after
  // a hyphen or slash in it first), the other words of the text staying whole.
  bool WordWrap = false;
  QFont Font;

  virtual void Place(TReportLayout &layout, const QRectF &band) const = 0;
  // How much taller than one line the element is this time (texts broken into lines).
  virtual double WrapStretch() const { return 0; }
  // The text the element prints at this point of the layout; none for pictures and shapes.
  virtual std::optional<QString> PrintedText(const TReportLayout &) const { return std::nullopt; }

 protected:
  // Adds the text to the page in the element's box. Nothing is cut: a left-aligned text given
  // a width, or one aligned to the band, breaks into lines within it, and a right-aligned or
  // centred one (an amount) that does not fit widens its box to the left or to both sides, as
  // far as the room beside its column goes (see AmountRoom); beyond that its figures are set
  // smaller, as small as it takes.
  void PlaceText(TReportLayout &layout, const QRectF &band, const QString &text) const;
  // The room an amount of this element's column may take on its line: the band, less the
  // columns of the texts beside it on the sides it widens to, and a blank's width (gap) from
  // them. Two amounts widening towards each other share the space between their columns.
  std::pair<double, double> AmountRoom(const TReportLayout &layout, const QRectF &band,
                                       double gap) const;
  double TextStretch(const QString &text) const;
  // True when no text of the element breaks into lines: it has no width to break in, or it
  // is an amount that stays on one line.
  bool NeverWraps() const;
  // The flags that break the text into lines in the element's width (0: one line). A text
  // whose words do not all fit gets line breaks written in where a word is broken.
  int WrapFlags(QString &text) const;
  // The height of the text broken into lines with those flags.
  double WrappedHeight(const QString &text, int wrap) const;
  // The width the text's lines may take: the element's, or the band's for one aligned to it.
  double LineWidth() const;

 private:
  // Font in pixels and its number in the text measures, kept while Font stays the same.
  struct TFontCache {
    QFont Seen;
    QFont Pixel;
    int Id = -1;
  };
  const TFontCache &Fonts() const;
  TQRBand *m_band;
  mutable TFontCache m_font;
};

// A fixed or computed text.
class TQRLabel : public TQRPrintable {
 public:
  using TQRPrintable::TQRPrintable;
  QString Caption;
  void Place(TReportLayout &layout, const QRectF &band) const override;
  double WrapStretch() const override { return TextStretch(Caption); }
  std::optional<QString> PrintedText(const TReportLayout &) const override { return Caption; }
};

// A field of a data set, shown under a mask or, without one, in the platform's default form.
class TQRDBText : public TQRPrintable {
 public:
  using TQRPrintable::TQRPrintable;
  TReportDataSet *DataSet = nullptr;
  QString DataField;
  QString Mask;
  void Place(TReportLayout &layout, const QRectF &band) const override;
  double WrapStretch() const override;
  std::optional<QString> PrintedText(const TReportLayout &) const override;

 private:
  // The value's text, read once for the band's height and for placing it.
  QString ShownText() const;
  mutable QString m_text;
  mutable quint64 m_textPass = 0;
};

// An engine expression: "sum(DataSet.FIELD)", a running sum of the field over the rows of
// that data set walked so far, shown under the mask.
class TQRExpr : public TQRPrintable {
 public:
  using TQRPrintable::TQRPrintable;
  QString Expression;
  QString Mask;
  bool ResetAfterPrint = false;
  double Value() const { return m_sum; }
  void Place(TReportLayout &layout, const QRectF &band) const override;
  double WrapStretch() const override;
  std::optional<QString> PrintedText(const TReportLayout &) const override;

 private:
  friend class TQuickRep;
  friend class TReportLayout;
  TReportDataSet *m_dataSet = nullptr;
  QString m_field;
  mutable double m_sum = 0;
};

enum TQRSysDataType { qrsDate, qrsTime, qrsDateTime, qrsPageNumber, qrsDetailNo };

// Date, time, page number or detail number, after a prefix text.
class TQRSysData : public TQRPrintable {
 public:
  using TQRPrintable::TQRPrintable;
  TQRSysDataType Data = qrsDate;
  QString Text;  // the prefix
  void Place(TReportLayout &layout, const QRectF &band) const override;
  std::optional<QString> PrintedText(const TReportLayout &layout) const override;
};

class TQRImage : public TQRPrintable {
 public:
  using TQRPrintable::TQRPrintable;
  QImage Picture;
  bool Stretch = true;  // false: natural size, cut to the box
  void Place(TReportLayout &layout, const QRectF &band) const override;
};

enum TQRShapeType { qrsHorLine, qrsVertLine, qrsRectangle };

// A line through the middle of the box, or a rectangle (outlined, filled or both).
class TQRShape : public TQRPrintable {
 public:
  using TQRPrintable::TQRPrintable;
  TQRShapeType Shape = qrsHorLine;
  double PenWidth = 1;   // 0: no outline
  QColor PenColor = Qt::black;
  QColor BrushColor;     // invalid: not filled
  void Place(TReportLayout &layout, const QRectF &band) const override;
};

class TQRBand {
 public:
  TQRBand(TQuickRep *report, TQRBandType type, const QString &name, double height);
  virtual ~TQRBand();
  TQuickRep *Report() const { return m_report; }

  TQRBandType BandType;
  QString Name;
  double Height;
  bool Enabled = true;
  // Called before the band is placed; clearing print leaves it out this time.
  std::function<void(TQRBand *band, bool &print)> BeforePrint;
  // A heading: the band stays on one page with the band printed after it (the first line of
  // its group). When that one goes to the next page, the heading goes along as it was laid
  // out (its handler does not run again), unless it already starts the page.
  bool KeepWithNext = false;
  // A closing band (a group's total): when it goes to the next page, the band printed before
  // it goes along, so that it never opens a page alone.
  bool KeepWithPrevious = false;

  TQRLabel *AddLabel(const QString &name, double left, double top, const QString &caption);
  TQRDBText *AddDBText(const QString &name, double left, double top, double width,
                       TReportDataSet *dataSet, const QString &field,
                       const QString &mask = QString());
  TQRExpr *AddExpr(const QString &name, double left, double top, double width,
                   const QString &expression, const QString &mask = QString());
  TQRSysData *AddSysData(const QString &name, double left, double top, TQRSysDataType data,
                         const QString &prefix);
  TQRImage *AddImage(const QString &name, double left, double top, double width, double height);
  TQRShape *AddShape(const QString &name, TQRShapeType shape, double left, double top,
                     double width, double height);

  const std::vector<std::unique_ptr<TQRPrintable>> &Items() const { return m_items; }
  TQRPrintable *FindItem(const QString &name) const;

 private:
  template <class T>
  T *Add(const QString &name, double left, double top, double width, double height);
  TQuickRep *m_report;
  std::vector<std::unique_ptr<TQRPrintable>> m_items;
};

// One band per row of its own data set, printed after the report's detail band of each row
// of the report's data set (sub-detail bands print in the order they were added).
class TQRSubDetail : public TQRBand {
 public:
  TQRSubDetail(TQuickRep *report, const QString &name, double height, TReportDataSet *dataSet);
  TReportDataSet *DataSet;
  TQRBand *HeaderBand = nullptr;  // rbGroupHeader: before the rows
  TQRBand *FooterBand = nullptr;  // rbGroupFooter: after the rows
  // Header and footer print also when the data set has no rows.
  bool PrintIfEmpty = true;
};

// Paper: the seven page values of the original engine in tenths of a millimetre: top margin,
// paper length, left margin, paper width, right margin, bottom margin, column space.
struct TQRPage {
  double TopMargin = 70, Length = 2970, LeftMargin = 70, Width = 2100, RightMargin = 130,
         BottomMargin = 70, ColumnSpace = 0;
  void SetValues(const std::vector<double> &values);  // the seven values in that order
  bool Landscape() const { return Width > Length; }
};

class TQuickRep {
 public:
  explicit TQuickRep(QWidget *owner = nullptr);
  virtual ~TQuickRep();
  TQuickRep(const TQuickRep &) = delete;
  TQuickRep &operator=(const TQuickRep &) = delete;

  QWidget *Owner() const { return m_owner; }
  QString ReportTitle;
  TQRPage Page;
  QFont Font;  // the font new printables start with
  TReportDataSet *DataSet = nullptr;
  // Called once at the start of every generation, before the data set is read; clearing
  // print gives an empty report.
  std::function<void(TQuickRep *report, bool &print)> BeforePrint;

  TQRBand *AddBand(TQRBandType type, const QString &name, double height);
  TQRSubDetail *AddSubDetail(const QString &name, double height, TReportDataSet *dataSet);
  TQRBand *Band(TQRBandType type) const;  // the first band of a type
  TQRBand *FindBand(const QString &name) const;
  const std::vector<std::unique_ptr<TQRBand>> &Bands() const { return m_bands; }
  // Every printable of every band with that name (nullptr when none).
  TQRPrintable *FindItem(const QString &name) const;
  template <class T>
  T *Item(const QString &name) const { return dynamic_cast<T *>(FindItem(name)); }

  // Lays the report out afresh; errors of handlers and data sets pass to the caller, and the
  // previous pages are kept then.
  const TReportModel &Prepare();
  const TReportModel &Model() const { return m_model; }
  bool Prepared() const { return m_prepared; }
  // Prepares the report with a progress dialog and shows it through the preview seam
  // (ReportPreview.h); when the user cancels the preparation, nothing is shown.
  void Preview();

  // The width of the bands: paper width less both margins, in pixels.
  double BandWidth() const;

 private:
  friend class TReportLayout;
  const TReportModel &Prepare(TReportProgress *progress);
  QWidget *m_owner;
  std::vector<std::unique_ptr<TQRBand>> m_bands;
  TReportModel m_model;
  bool m_prepared = false;
};
