#pragma once
// The supplier card: the fields of one row of table Suppliers.
#include <QString>

#include "platform/Forms.h"

class QLineEdit;
class QPushButton;

class Tinf_Supplier : public TForm {
  Q_OBJECT
 public:
  // ID >= 0 loads that supplier; a negative ID starts a new one.
  Tinf_Supplier(QWidget *owner, int id);

  QLineEdit *eName, *ePhones, *eJAddr, *eFAddr, *eRegNum, *eBankCode, *eBankName, *eAccount,
      *eNotes, *eLastNum;
  QPushButton *BitBtn2;  // "Отмена"
  QPushButton *BitBtn1;  // "Сохранить"

  // Filled by a successful save, for the list.
  QString SavedName, SavedAddress, SavedPhones;
  // ID of the row written by the last successful save (the new ID after an insert).
  int SavedID = -1;
  int SupplierID() const { return FSupplierID; }

 protected:
  bool CloseQuery(int result) override;

 private:
  int FSupplierID;
};
