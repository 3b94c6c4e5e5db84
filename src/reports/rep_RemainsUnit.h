#pragma once
// The stock list: every stock row (material and colour) with the remaining quantity, average
// price and value of its open receipt lots, and the value of the whole stock.
#include <cstdint>

#include "reports/ReportFramework.h"

class TPrintRemains : public TWarehouseReport {
 public:
  // Option 1 prints the reserved quantity of each row; GroupFilter is the group condition of
  // the report filter (shorter than 4 characters: every group).
  TPrintRemains(QWidget *owner, uint8_t option, const QString &groupFilter);

  TReportQuery *MainQ;
  TReportQuery *SubQ;
  bool WithReserve = false;
  double RowReserve = 0;   // as stored: reserved quantities are negative
  double RowQuantity = 0;  // of the current stock row's open lots
  double RowSum = 0;
  double GrandTotal = 0;   // value of every open lot listed
  QString GroupFilter;

 private:
  void QuickRepBeforePrint(TQuickRep *report, bool &print);
  void DetailBandBeforePrint(TQRBand *band, bool &print);
  void SubDetailBeforePrint(TQRBand *band, bool &print);
  void GroupFooterBeforePrint(TQRBand *band, bool &print);
  void SummaryBandBeforePrint(TQRBand *band, bool &print);
};
