#pragma once
// Editor of the minimum stock and waste percentage of every material subgroup.
#include "platform/Forms.h"

class TStringGrid;
class QPushButton;

class Tinf_MinValues : public TForm {
  Q_OBJECT
 public:
  explicit Tinf_MinValues(QWidget *owner);

  TStringGrid *GrpStrGrd;
  QPushButton *CancelBtn;  // "Atcelt"
  QPushButton *SaveWB;     // "Saglabāt"

  void GrpStrGrdDblClick();

 protected:
  void showEvent(QShowEvent *event) override;
  bool CloseQuery(int result) override;

 private:
  void FormShow();
  // Sets a value on every subgroup row from first up to the next group row (kind 1 minimum,
  // kind 2 waste).
  void ApplyToSubgroups(int first, int kind, double value);
  int SelectedCol = 0;
  bool FShown = false;
};
