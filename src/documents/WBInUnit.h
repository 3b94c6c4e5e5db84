#pragma once
// The journal of incoming documents: receipt notes and purchase requests, filtered by kind,
// period and a search; from here documents are created, opened, deleted and printed.
#include "documents/BlockGrid.h"
#include "documents/BlockQuery.h"
#include "platform/Forms.h"

class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class TDivazIn;

class TWBIn : public TForm {
  Q_OBJECT
 public:
  // The owner is the main window: its SpeedButton1 (stock mode) and SpeedButton2 (critical
  // only) are copied into each editor the journal opens.
  explicit TWBIn(QWidget *owner);
  ~TWBIn() override;

  // Set when a document was saved through the editor or a receipt was deleted; read by the
  // caller after the modal call.
  bool Changed = false;

  // The documents in the list's order, with their numbers; the other columns of a row are
  // read with its block.
  TBlockQuery WBInSource;
  TBlockGrid *DBGrid1;
  QLabel *NotesLabel;
  QCheckBox *Chk1;  // receipts
  QCheckBox *Chk2;  // requests
  QComboBox *cb1;   // period: all, from a date, on a date
  QDateEdit *DT1;
  QCheckBox *ChkUntil;
  QDateEdit *DT2;
  QComboBox *cb2;   // search category
  QLineEdit *FindTxt;
  QPushButton *FindBtn;
  QPushButton *BitBtn4;  // new document menu
  QMenu *NewMenu;
  QAction *NewReceipt1;
  QAction *NewRequest1;
  QPushButton *ChangeBitBtn;
  QPushButton *DeleteBitBtn;
  QPushButton *BitBtn5;  // print menu
  QMenu *PopupMenu1;
  QAction *PrintList1;
  QAction *PrintOrder1;
  QPushButton *BitBtn1;  // exit
  QMenu *PopupMenu2;     // grid menu
  QAction *GridNewReceipt;
  QAction *GridNewRequest;
  QAction *GridChange;
  QAction *GridDelete;
  QMenu *PrintSubmenu;
  QAction *GridPrintList;
  QAction *GridPrintOrder;

  void RefreshList(const QString &extra);
  void FormShow();
  void cb1Change();
  void ChkUntilClick();
  void FindBtnClick();
  void NewDocument(int tag);
  void ChangeBitBtnClick();
  void DeleteBitBtnClick();
  void PrintClick(int tag);
  void PopupMenu2Popup();
  void PopupMenu1Popup();

 protected:
  void showEvent(QShowEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;
  void FormClose() override;

 private:
  // Copies the main window's mode buttons into the editor, shows it; true when it saved.
  bool RunEditor(TDivazIn *editor);
  void ReopenList();
  int CurrentID() const;
  int CurrentKind() const;
  QString CurrentField(const QString &name) const;
  QString m_extra;
};

extern TWBIn *WBIn;
