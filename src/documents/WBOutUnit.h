#pragma once
// The journal of outgoing documents: issue notes and reservations. From here the user
// filters and searches the list, starts new issues and reservations, writes off, re-dates and
// cancels reservations, undoes issues lot by lot, prints the materials of a document or an
// order, and is shown the due reservations shortly after the window opens.
#include <QHash>
#include <QString>

#include "core/Query.h"
#include "platform/Forms.h"
#include "platform/RowGrid.h"

class QAction;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTimer;

class TWBOut : public TForm {
  Q_OBJECT
 public:
  explicit TWBOut(QWidget *owner = nullptr);
  ~TWBOut() override;

  // Set when a document was saved, written off or undone while the window was open; the
  // caller refreshes its stock view after the window closes.
  bool Changed = false;

  TQuery WBOutSource;
  TRowGrid *DBGrid1;
  QLabel *DBText1;
  QCheckBox *Chk1;
  QCheckBox *Chk2;
  QComboBox *cb1;
  QDateEdit *DT1;
  QDateEdit *DT2;
  QCheckBox *ChkUntil;
  QComboBox *cb2;
  QLineEdit *FindTxt;
  QPushButton *FindBtn;
  QPushButton *BitBtn4;  // "Pielikt"
  QPushButton *DeleteBitBtn;
  QPushButton *BitBtn5;  // "Drukāt"
  QPushButton *BitBtn1;  // "Iziet"
  QMenu *NewMenu;
  QAction *NewIssueItem;
  QAction *NewReservationItem;
  QMenu *PrintMenu;
  QAction *N30, *N31, *N32;
  QMenu *WBOutPopupMenu;
  QAction *N1, *N11, *N3, *N2, *N12, *Dzsttekoopavadzme1, *N13, *N5, *N10, *N6;
  QTimer *Timer1;

  void RefreshList(const QString &Search);
  void ReopenKeepPosition(bool KeepPosition);
  void CheckDueReservations();
  // Undoes one issue lot by lot, inside the caller's transaction; false when the document is
  // no longer an issue (nothing is changed then).
  bool DeleteIssue(int WaybillID);

  // The current row's values (the list's cursor follows the grid's selection).
  int CurrentID() const;
  int CurrentKind() const;
  bool HasRows() const { return WBOutSource.RecordCount() > 0; }
  // Moves to the row whose number equals the text (case-insensitive).
  bool LocateNum(const QString &num);

  // Handlers.
  void FormShow();
  void cb1Change();
  void Chk1Click();
  void ChkUntilClick();
  void FindBtnClick();
  void NewWBClick(int tag);
  void DBGrid1DblClick();
  void DBGrid1TitleClick(int column);
  void WBOutPopupMenuPopup();
  void PrintMenuPopup();
  void N3Click();
  void N2Click();
  void N12Click() { CheckDueReservations(); }
  void Dzsttekoopavadzme1Click();
  void N13Click();
  void DeleteBitBtnClick();
  void N10Click(int tag);
  void Timer1Timer();

 protected:
  void showEvent(QShowEvent *event) override;
  void FormClose() override;

 private:
  void FillGrid();
  void LoadSupplierNames();
  void SyncCursor();
  QString OrderCaption() const;
  bool m_shown = false;
  QString m_listSQL;
  QHash<int, QString> m_supplierNames;  // by ID, for the list's supplier column
};

extern TWBOut *WBOut;
