#pragma once
// The printed catalogue: the materials of every subgroup with their article, description,
// unit of measure and five prices in EUR after the currency rate and the discount.
#include "reports/ReportFramework.h"

class Trep_MaterialsList : public TWarehouseReport {
 public:
  // GroupFilter is the group condition of the report filter (on c.CATGROUP and c.SUBGROUP;
  // shorter than 4 characters: every subgroup); SystemFilter is empty or
  // " and c.SYSTEMID in (...)" for the chosen profile systems.
  Trep_MaterialsList(QWidget *owner, const QString &groupFilter, const QString &systemFilter);

  TReportQuery *MainQ;
  TReportQuery *SubQ;
  QString SystemFilter;

  void QRBand2BeforePrint(TQRBand *band, bool &print);
  void QRSubDetail1BeforePrint(TQRBand *band, bool &print);
};
