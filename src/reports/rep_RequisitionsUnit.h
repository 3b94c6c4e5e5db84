#pragma once
// Every purchase request with its lines and the total quantity of each request.
#include "reports/ReportFramework.h"

class TPrintRequisitions : public TWarehouseReport {
 public:
  explicit TPrintRequisitions(QWidget *owner);

  TReportQuery *MainQ;
  TReportQuery *SubQ;
  double QuantityTotal = 0;  // of the current request

 private:
  void DetailBandBeforePrint(TQRBand *band, bool &print);
  void SubDetailBeforePrint(TQRBand *band, bool &print);
  void GroupFooterBeforePrint(TQRBand *band, bool &print);
};

// The print-menu entry: the report of every purchase request, or the message that there is
// none.
void PrintRequisitions(QWidget *owner);
