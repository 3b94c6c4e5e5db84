#include "platform/report/ReportPreview.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/report/QuickRpt.h"
#include "platform/report/ReportProgress.h"

namespace {
TPreviewHandler &Handler() {
  static TPreviewHandler handler;
  return handler;
}

// What the user chose in the print dialog and the save dialog, kept for the rest of the run.
struct TPrintChoice {
  QString PrinterName;
  QString OutputFileName;  // printing to a file when not empty
  bool Chosen = false;
};
TPrintChoice &LastPrint() {
  static TPrintChoice choice;
  return choice;
}
QString &LastPdfFolder() {
  static QString folder;
  return folder;
}
}  // namespace

TPreviewHandler SetPreviewHandler(TPreviewHandler handler) {
  TPreviewHandler old = std::move(Handler());
  Handler() = std::move(handler);
  return old;
}

void PreviewReport(TQuickRep &report) {
  if (!report.Prepared()) report.Prepare();
  if (Handler()) {
    Handler()(report);
    return;
  }
  TQRPreview preview(report.Model(), report.ReportTitle, report.Owner());
  preview.ShowModal();
}

bool PrintReportModel(const TReportModel &model, QPrinter &printer, int first, int last) {
  if (model.PageCount() == 0) return true;
  printer.setFullPage(true);
  printer.setPageLayout(ReportPageLayout(model));
  if (first <= 0) first = 1;
  if (last <= 0 || last > model.PageCount()) last = model.PageCount();
  // The pages in the order asked for. A printer that makes its copies itself gets one copy;
  // otherwise (a PDF file, a printer without that ability) each copy is printed here, whole
  // copies one after another when collated, else each page as often as there are copies.
  QList<int> order;
  for (int i = first - 1; i < last; ++i) order << i;
  if (printer.pageOrder() == QPrinter::LastPageFirst) std::reverse(order.begin(), order.end());
  const int copies = printer.supportsMultipleCopies() ? 1 : std::max(1, printer.copyCount());
  QList<int> sheets;
  if (printer.collateCopies()) {
    for (int c = 0; c < copies; ++c) sheets << order;
  } else {
    for (int i : order)
      for (int c = 0; c < copies; ++c) sheets << i;
  }
  QPainter painter;
  if (!painter.begin(&printer)) return false;
  const double scale = printer.resolution() / 96.0;
  for (int n = 0; n < sheets.size(); ++n) {
    if (n > 0 && !printer.newPage()) {
      painter.end();
      return false;
    }
    painter.resetTransform();
    painter.scale(scale, scale);
    PaintReportPage(painter, model.Pages[sheets[n]]);
  }
  return painter.end();
}

// One page of the model, drawn at the preview's zoom on white paper.
class TQRPageView : public QWidget {
 public:
  TQRPageView(const TReportModel &model, QWidget *parent) : QWidget(parent), m_model(model) {
    setObjectName(QStringLiteral("PageView"));
  }
  void Set(int page, double zoom) {
    m_page = page;
    m_zoom = zoom;
    setFixedSize((m_model.PaperSize * zoom).toSize() + QSize(2 * Border, 2 * Border));
    update();
  }
  static constexpr int Border = 10;

 protected:
  void paintEvent(QPaintEvent *) override {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Dark));
    if (m_page < 0 || m_page >= m_model.PageCount()) return;
    const QRectF paper(Border, Border, m_model.PaperSize.width() * m_zoom,
                       m_model.PaperSize.height() * m_zoom);
    p.fillRect(paper.translated(3, 3), Qt::black);
    p.fillRect(paper, Qt::white);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.translate(Border, Border);
    p.scale(m_zoom, m_zoom);
    PaintReportPage(p, m_model.Pages[m_page]);
  }

 private:
  const TReportModel &m_model;
  int m_page = 0;
  double m_zoom = 1;
};

TQRPreview::TQRPreview(const TReportModel &model, const QString &caption, QWidget *owner)
    : TForm(owner), m_model(model) {
  setObjectName(QStringLiteral("QRPreview"));
  m_title = caption.isEmpty() ? QStringLiteral("Preview") : caption;
  setWindowTitle(m_title);
  auto *top = new QVBoxLayout(this);
  auto *bar = new QHBoxLayout;
  auto button = [this, bar](const char *name, const QString &text, const QString &tip,
                            void (TQRPreview::*slot)()) {
    auto *b = new QToolButton(this);
    b->setObjectName(QLatin1String(name));
    b->setText(text);
    b->setToolTip(tip);
    b->setAutoRaise(true);
    connect(b, &QToolButton::clicked, this, slot);
    bar->addWidget(b);
    return b;
  };
  m_first = button("FirstBtn", QStringLiteral("|◀"), QStringLiteral("First page"),
                   &TQRPreview::FirstBtnClick);
  m_prior = button("PriorBtn", QStringLiteral("◀"), QStringLiteral("Previous page"),
                   &TQRPreview::PriorBtnClick);
  m_pageLabel = new QLabel(this);
  m_pageLabel->setObjectName(QStringLiteral("PageLabel"));
  bar->addWidget(m_pageLabel);
  m_next = button("NextBtn", QStringLiteral("▶"), QStringLiteral("Next page"),
                  &TQRPreview::NextBtnClick);
  m_last = button("LastBtn", QStringLiteral("▶|"), QStringLiteral("Last page"),
                  &TQRPreview::LastBtnClick);
  bar->addSpacing(16);
  button("ZoomOutBtn", QStringLiteral("−"), QStringLiteral("Zoom out"),
         &TQRPreview::ZoomOutBtnClick);
  button("ZoomInBtn", QStringLiteral("+"), QStringLiteral("Zoom in"),
         &TQRPreview::ZoomInBtnClick);
  button("ZoomPageBtn", QStringLiteral("Page"), QStringLiteral("Whole page"),
         &TQRPreview::ZoomPageBtnClick);
  button("ZoomWidthBtn", QStringLiteral("Width"), QStringLiteral("Page width"),
         &TQRPreview::ZoomWidthBtnClick);
  bar->addSpacing(16);
  button("PrintBtn", QStringLiteral("Print..."), QStringLiteral("Print"),
         &TQRPreview::PrintBtnClick);
  button("SaveBtn", QStringLiteral("Save PDF..."), QStringLiteral("Save as PDF"),
         &TQRPreview::SaveBtnClick);
  bar->addStretch();
  auto *close = new QToolButton(this);
  close->setObjectName(QStringLiteral("CloseBtn"));
  close->setText(QStringLiteral("Close"));
  close->setAutoRaise(true);
  BindModalResult(close, mrOk);
  bar->addWidget(close);
  top->addLayout(bar);

  m_scroll = new QScrollArea(this);
  m_scroll->setObjectName(QStringLiteral("ScrollBox"));
  m_scroll->setAlignment(Qt::AlignHCenter);
  m_scroll->setBackgroundRole(QPalette::Dark);
  m_view = new TQRPageView(m_model, m_scroll);
  m_scroll->setWidget(m_view);
  top->addWidget(m_scroll, 1);
  resize(900, 1000);
  ShowPage(0);
}

void TQRPreview::ShowPage(int index) {
  if (m_model.PageCount() == 0) index = 0;
  else index = std::clamp(index, 0, m_model.PageCount() - 1);
  m_page = index;
  m_view->Set(m_page, m_zoom);
  m_scroll->verticalScrollBar()->setValue(0);
  UpdateControls();
}

void TQRPreview::SetZoom(double zoom) {
  m_zoom = std::clamp(zoom, 0.2, 5.0);
  m_view->Set(m_page, m_zoom);
  UpdateControls();
}

void TQRPreview::ZoomPageBtnClick() {
  const QSize area = m_scroll->viewport()->size() - QSize(2 * TQRPageView::Border, 2 * TQRPageView::Border);
  SetZoom(std::min(area.width() / m_model.PaperSize.width(),
                   area.height() / m_model.PaperSize.height()));
}

void TQRPreview::ZoomWidthBtnClick() {
  // Room for the vertical scroll bar that a long page brings, so that no horizontal one
  // appears.
  int w = m_scroll->viewport()->width() - 2 * TQRPageView::Border - 4;
  if (!m_scroll->verticalScrollBar()->isVisible())
    w -= style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  SetZoom(w / m_model.PaperSize.width());
}

void TQRPreview::UpdateControls() {
  const int count = m_model.PageCount();
  m_pageLabel->setText(QStringLiteral("Page %1 of %2   %3%")
                           .arg(count ? m_page + 1 : 0)
                           .arg(count)
                           .arg(qRound(m_zoom * 100)));
  m_first->setEnabled(m_page > 0);
  m_prior->setEnabled(m_page > 0);
  m_next->setEnabled(m_page + 1 < count);
  m_last->setEnabled(m_page + 1 < count);
}

void TQRPreview::PrintBtnClick() {
  QPrinter printer(QPrinter::HighResolution);
  const TPrintChoice &previous = LastPrint();
  if (previous.Chosen) {
    if (!previous.OutputFileName.isEmpty()) {
      printer.setOutputFormat(QPrinter::PdfFormat);
      printer.setOutputFileName(previous.OutputFileName);
    } else if (!previous.PrinterName.isEmpty()) {
      printer.setPrinterName(previous.PrinterName);
    }
  }
  printer.setPageLayout(ReportPageLayout(m_model));
  printer.setDocName(windowTitle());
  QPrintDialog dialog(&printer, this);
  dialog.setObjectName(QStringLiteral("PrintDialog"));
  dialog.setMinMax(1, std::max(1, m_model.PageCount()));
  if (Dialogs().ExecModal(&dialog) != mrOk) return;
  TPrintChoice &chosen = LastPrint();
  chosen.Chosen = true;
  chosen.OutputFileName = printer.outputFormat() == QPrinter::PdfFormat ? printer.outputFileName() : QString();
  if (chosen.OutputFileName.isEmpty()) chosen.PrinterName = printer.printerName();
  int first = 0, last = 0;
  if (printer.printRange() == QPrinter::PageRange) {
    first = printer.fromPage();
    last = printer.toPage();
  } else if (printer.printRange() == QPrinter::CurrentPage) {
    first = last = m_page + 1;
  }
  if (!PrintReportModel(m_model, printer, first, last))
    MessageDlg(QStringLiteral("The report could not be printed."), TMsgDlgType::mtError, mbOK,
               this);
}

QString TQRPreview::ProposedPdfName() const {
  // The title and the day, without the characters that a file name cannot carry.
  QString title = m_title.simplified();
  static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
  for (QChar &c : title)
    if (forbidden.contains(c) || c.unicode() < 32) c = QLatin1Char('-');
  while (title.startsWith(QLatin1Char('.'))) title.remove(0, 1);
  if (title.isEmpty()) title = QStringLiteral("Report");
  QString folder = LastPdfFolder();
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::homePath();
  return QDir(folder).filePath(title + QLatin1Char(' ') +
                               Clock::Today().toString(QStringLiteral("yyyy-MM-dd")) +
                               QStringLiteral(".pdf"));
}

void TQRPreview::SaveBtnClick() {
  QString file = Dialogs().SaveFileName(this, QStringLiteral("Save as PDF"), ProposedPdfName(),
                                        QStringLiteral("PDF (*.pdf)"));
  if (file.isEmpty()) return;
  if (QFileInfo(file).suffix().isEmpty()) file += QStringLiteral(".pdf");
  LastPdfFolder() = QFileInfo(file).absolutePath();
  QString error;
  bool written = false, cancelled = false;
  {
    TReportProgress progress(QStringLiteral("Writing the PDF..."), m_model.PageCount(), this);
    written = WriteReportPdf(m_model, file, &error, &progress);
    cancelled = progress.Cancelled();
  }
  // A cancelled file is no error: nothing is written and nothing is said.
  if (!written && !cancelled) MessageDlg(error, TMsgDlgType::mtError, mbOK, this);
}
