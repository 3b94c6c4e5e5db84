#pragma once
// The open reservations by order code: one block per order code with its reservation lines.
#include "reports/ReportFramework.h"

class TPrintReserveByOrder : public TWarehouseReport {
 public:
  explicit TPrintReserveByOrder(QWidget *owner);

  TReportQuery *MainQ;
  TReportQuery *SubQ;

 private:
  void QuickRepBeforePrint(TQuickRep *report, bool &print);
  void DetailBandBeforePrint(TQRBand *band, bool &print);
  void SubDetailBeforePrint(TQRBand *band, bool &print);
};
