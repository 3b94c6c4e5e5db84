#pragma once
// The stock of one material per colour, red where it is below its subgroup's minimum.
#include "catalogue/InfoPopup.h"

class Tinf_MatInfo : public TInfoPopup {
  Q_OBJECT
 public:
  Tinf_MatInfo(QWidget *owner, int catId, const QString &name, int catGroup, int subGroup);
  QLabel *Label3;  // "Цвет"
  QLabel *Label4;  // "Остаток"

 protected:
  void FormShow() override;
};
