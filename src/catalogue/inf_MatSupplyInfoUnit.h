#pragma once
// The open receipt lots of one material in one colour, oldest receipt first.
#include "catalogue/InfoPopup.h"

class Tinf_MatSupplyInfo : public TInfoPopup {
  Q_OBJECT
 public:
  Tinf_MatSupplyInfo(QWidget *owner, int catId, int color, const QString &caption);
  QLabel *Label2, *Label3, *Label4, *Label5;
};
