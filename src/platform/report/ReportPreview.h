#pragma once
// The on-screen preview of a laid-out report: pages one at a time, zoom, printing through the
// printer dialog and saving as PDF. Every report reaches the screen through PreviewReport,
// which tests replace to take the laid-out pages instead.
#include <functional>

#include "platform/Forms.h"
#include "platform/report/ReportModel.h"

class QLabel;
class QPrinter;
class QScrollArea;
class QToolButton;
class TQuickRep;

// Shows the prepared report modally with its owner as parent and returns when it is closed.
void PreviewReport(TQuickRep &report);

// Replaces what PreviewReport does (an empty handler restores the preview window); returns
// the handler that was in force.
using TPreviewHandler = std::function<void(TQuickRep &report)>;
TPreviewHandler SetPreviewHandler(TPreviewHandler handler);

// Prints pages first..last (1-based; 0, 0 for all) of the model; false when the printer
// could not be opened.
bool PrintReportModel(const TReportModel &model, QPrinter &printer, int first = 0, int last = 0);

class TQRPageView;

class TQRPreview : public TForm {
  Q_OBJECT
 public:
  TQRPreview(const TReportModel &model, const QString &caption, QWidget *owner = nullptr);

  int PageIndex() const { return m_page; }  // 0-based
  double Zoom() const { return m_zoom; }
  void ShowPage(int index);
  void SetZoom(double zoom);

  void FirstBtnClick() { ShowPage(0); }
  void PriorBtnClick() { ShowPage(m_page - 1); }
  void NextBtnClick() { ShowPage(m_page + 1); }
  void LastBtnClick() { ShowPage(m_model.PageCount() - 1); }
  void ZoomInBtnClick() { SetZoom(m_zoom * 1.25); }
  void ZoomOutBtnClick() { SetZoom(m_zoom / 1.25); }
  void ZoomPageBtnClick();   // the whole page in the window
  void ZoomWidthBtnClick();  // the page's width in the window
  // Prints through the print dialog, which offers the printer or file of the last print.
  void PrintBtnClick();
  // Saves as PDF; the save dialog proposes the title and today's date in the last folder used.
  void SaveBtnClick();
  QString ProposedPdfName() const;

 private:
  void UpdateControls();
  const TReportModel &m_model;
  QString m_title;
  int m_page = 0;
  double m_zoom = 1.0;
  TQRPageView *m_view;
  QScrollArea *m_scroll;
  QLabel *m_pageLabel;
  QToolButton *m_first, *m_prior, *m_next, *m_last;
};
