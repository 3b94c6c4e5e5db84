#pragma once
// One stored stock count: a line per material and colour whose stock it changed, with the
// quantity found, the value left, the difference and the value moved, then the totals and
// the value of the whole store after the count.
#include "reports/ReportFramework.h"

class TPrintInventory : public TWarehouseReport {
 public:
  // countId: the count's document; heading: its number and date; total: the value of the
  // store after the count (the count's SUM).
  TPrintInventory(QWidget *owner, int countId, const QString &heading, double total);

  TReportQuery *Q;
  double InventoryTotal = 0;

 private:
  void QRBand2BeforePrint(TQRBand *band, bool &print);
  void QRBand4BeforePrint(TQRBand *band, bool &print);
};
