#pragma once
// Editor of the currencies with their rates (mode 1) and of the discount groups with their
// percentages (mode 2). Changes are held in the grid and written on OK.
#include <QList>

#include "platform/Forms.h"
#include "platform/Grids.h"

class QPushButton;

// Row object of the editor's grid.
class TTmpObj : public TGridObject {
 public:
  explicit TTmpObj(int id) : ID(id) {}
  int ID;                // -1: a row added in the editor and not stored yet
  bool Changed = false;  // name or value edited
};

class TChangeValues : public TForm {
  Q_OBJECT
 public:
  TChangeValues(QWidget *owner, uint8_t mode);

  TStringGrid *StrGrd;
  QPushButton *AddBitBtn;
  QPushButton *DelBitBtn;
  QPushButton *BitBtn2;  // cancel
  QPushButton *BitBtn3;  // OK

  uint8_t Mode() const { return FMode; }
  const QList<int> &DeletedIDs() const { return FDeletedIDs; }

  void AddValueRow(int id, const QString &name, const QString &value);
  void DeleteValueRow(int row);
  void StrGrdDblClick();
  void AddBitBtnClick();
  void DelBitBtnClick();

 protected:
  void showEvent(QShowEvent *event) override;
  bool CloseQuery(int result) override;

 private:
  void FormShow();
  void WriteChanges();
  // Whether a typed name fits its column; says so when it does not.
  bool NameFits(const QString &name);
  uint8_t FMode;
  QList<int> FDeletedIDs;
  int SelectedCol = 0;
  bool FShown = false;
};
