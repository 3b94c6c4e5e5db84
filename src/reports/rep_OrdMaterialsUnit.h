#pragma once
// The numbered list of materials of one document (Mode 1) or of every document of one kind
// that carries the same order code (Mode 0). A purchase request printed by itself is an order
// form for its supplier: no prices, the supplier's address block, a payment and signature
// block.
#include <cstdint>

#include "reports/ReportFramework.h"

class TOrdMaterialsReport : public TWarehouseReport {
 public:
  TOrdMaterialsReport(QWidget *owner, uint8_t mode, int waybillId, const QString &orderCode,
                      uint8_t docType);

  uint8_t Mode;
  uint8_t DocType;
  bool ShowPrices;

  TReportQuery *Materials;
  TReportQuery *SUPP;
  TQRLabel *QRLabel1;

 private:
  void TitleBandBeforePrint(TQRBand *band, bool &print);
  void ColumnHeaderBeforePrint(TQRBand *band, bool &print);
  void DetailBandBeforePrint(TQRBand *band, bool &print);
  void SummaryBandBeforePrint(TQRBand *band, bool &print);
};
