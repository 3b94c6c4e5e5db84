#pragma once
// The critical-stock list: the stock rows that lie below the minimum stock of their material's
// subgroup, with the price, number and date of their last receipt.
#include <cstdint>

#include "reports/ReportFramework.h"

class TPrintCriticalRemains : public TWarehouseReport {
 public:
  // Option 0 compares the stock quantity with the minimum, 1 the quantity plus the reserve;
  // GroupFilter is the group condition of the report filter (shorter than 4 characters: every
  // group).
  TPrintCriticalRemains(QWidget *owner, uint8_t option, const QString &groupFilter);

  TReportQuery *q1;
  TQRLabel *QRLabel1;

 private:
  void DetailBandBeforePrint(TQRBand *band, bool &print);
};
