#pragma once
// The supplier list: all suppliers by name with address and phones; add, edit, delete.
#include "platform/Forms.h"

class TStringGrid;
class QPushButton;
class QMenu;
class QAction;

class Tinf_Suppliers : public TForm {
  Q_OBJECT
 public:
  // selId: the supplier to select when the list is shown.
  Tinf_Suppliers(QWidget *owner, int selId);

  TStringGrid *SuppliersGrid;
  QPushButton *BitBtn4;  // "Добавить" (tag 0)
  QPushButton *BitBtn5;  // "Править" (tag 1)
  QPushButton *BitBtn2;  // "Удалить"
  QPushButton *BitBtn1;  // "Выход"
  QMenu *SuppliersPopup;
  QAction *N1, *N2, *N3;

  // Set after every saved addition or edit and every deletion.
  bool Changed = false;

  void AddSupplierRow(int id, const QString &name, const QString &address, const QString &phones);
  void SelectSupplierRow(int id);
  // Add (tag 0) or edit the current row (tag 1 or more).
  void BitBtn4Click(int tag);
  void BitBtn2Click();
  void SuppliersPopupPopup();

 protected:
  void showEvent(QShowEvent *event) override;

 private:
  void FormShow();
  int RowID(int row) const;
  int FSelectedSupplierID;
  bool FShown = false;
};
