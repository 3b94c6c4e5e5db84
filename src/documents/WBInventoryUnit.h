#pragma once
// The stock-count journal: lists the counts by period and number, starts a new count, opens
// a stored one, prints it, and deletes a count with every stock movement it made reversed.
#include <QString>

#include "core/Query.h"
#include "platform/Forms.h"

class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableWidget;

class TWBInventory : public TForm {
  Q_OBJECT
 public:
  explicit TWBInventory(QWidget *owner);

  // Set once a count was saved or deleted while the window was shown.
  bool Changed = false;

  QComboBox *cb1;  // "Visi", "Sakot no", "Uz"
  QDateEdit *DT1;
  QCheckBox *ChkUntil;
  QDateEdit *DT2;
  QLineEdit *FindTxt;
  QPushButton *FindBtn;
  QTableWidget *DBGrid1;
  QPushButton *BitBtn4;  // new count
  QPushButton *BitBtn5;  // print
  QPushButton *BitBtn1;  // close
  QMenu *PopupMenu1;
  QAction *N1, *N2, *N3;
  TQuery WBInventorySource;

  void RefreshList(const QString &extra);
  // The ID of the count in the list's current row; -1 for an empty list.
  int CurrentID() const;

  void FormShow();
  void cb1Change();
  void ChkUntilClick();
  void FindBtnClick();
  // fromGrid: the grid's double-click, which opens the current count.
  void BitBtn4Click(bool fromGrid);
  void BitBtn5Click();
  void PopupMenu1Popup();
  void N2Click();

 protected:
  void showEvent(QShowEvent *event) override;
  void FormClose() override;
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  void FillGrid();
  void SyncCurrentRow();
};
