#pragma once
// The full report on materials: for every stock row (material and colour) that moved, its
// receipt and issue lines of the period and, on request, its reservation lines, each kind
// under its own heading, with a summary line per stock row and the grand totals of the
// receipt and issue values.
#include "reports/ReportFramework.h"

class TPrintMeterialsFull : public TWarehouseReport {
 public:
  // option: list reservations too; groupFilter and periodCondition as the report filter gives
  // them. The caller sets AddInfo to the filter's title.
  TPrintMeterialsFull(QWidget *owner, bool option, const QString &groupFilter,
                      const QString &periodCondition);

  bool Option;
  QString PeriodCondition;
  TReportQuery *MainQ;
  TReportQuery *SubQ1;  // receipt lines
  TReportQuery *SubQ2;  // issue lines
  TReportQuery *SubQ3;  // reservation lines
  TQRLabel *QRLabel1;

  // The current stock row.
  bool HasIn = false, HasOut = false, HasRes = false;
  double InQty = 0, InSum = 0, OutQty = 0, OutSum = 0, ResQty = 0;
  // Every stock row printed.
  double TotalInSum = 0, TotalOutSum = 0;

 private:
  void QuickRepBeforePrint(TQuickRep *report, bool &print);
  void DetailBandBeforePrint(TQRBand *band, bool &print);
  void ReceiptLineBeforePrint(TQRBand *band, bool &print);
  void IssueLineBeforePrint(TQRBand *band, bool &print);
  void ReserveLineBeforePrint(TQRBand *band, bool &print);
  void GroupFooterBeforePrint(TQRBand *band, bool &print);
  void SummaryBandBeforePrint(TQRBand *band, bool &print);
  // The kind's lines of the current stock row, within the period unless a reservation.
  // The lines of one kind of document for every material and colour of the filter.
  QString GroupFilter;
  QString LinesSQL(int kind, bool withPeriod, const QString &groupFilter) const;
};
