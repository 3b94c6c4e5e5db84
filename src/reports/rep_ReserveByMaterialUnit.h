#pragma once
// The open reservations by material and colour: one block per material and colour with its
// reservation lines, oldest first, and the reserved total.
#include "reports/ReportFramework.h"

class TPrintReserveByMaterial : public TWarehouseReport {
 public:
  explicit TPrintReserveByMaterial(QWidget *owner);

  TReportQuery *MainQ;
  TReportQuery *SubQ;
  double ReservedTotal = 0;  // of the current material and colour

 private:
  void QuickRepBeforePrint(TQuickRep *report, bool &print);
  void DetailBandBeforePrint(TQRBand *band, bool &print);
  void GroupFooterBeforePrint(TQRBand *band, bool &print);
};
