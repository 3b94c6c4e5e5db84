#pragma once
// The receipt notes or the issue notes of a period: every document with its header block,
// its lines with their values, the document's total and the grand total.
#include "reports/ReportFramework.h"

class TPrintInOutCome : public TWarehouseReport {
 public:
  // kind: 0 receipts (chosen and sorted by document date), 1 issues (by the time of their
  // last change); periodCondition and title as the report filter gives them.
  TPrintInOutCome(QWidget *owner, int kind, const QString &periodCondition,
                  const QString &title);

  int Kind;
  TReportQuery *MainQ;
  TReportQuery *SubQ;
  TQRLabel *QRLabel1;
  double DocumentTotal = 0;  // value of the current document's lines
  double GrandTotal = 0;     // of every document printed
  QString DocumentCondition;  // which documents the report prints

 private:
  void QuickRepBeforePrint(TQuickRep *report, bool &print);
  void DetailBandBeforePrint(TQRBand *band, bool &print);
  void SubDetailBeforePrint(TQRBand *band, bool &print);
  void GroupFooterBeforePrint(TQRBand *band, bool &print);
  void SummaryBandBeforePrint(TQRBand *band, bool &print);
};
