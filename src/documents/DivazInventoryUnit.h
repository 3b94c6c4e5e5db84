#pragma once
// The stock-count editor: the user picks materials from the open lots, types the quantity
// found on the shelves for each, and saving posts every difference through the lots as
// shortage ("L") and surplus ("M") documents per supplier. A stored count is shown read-only.
#include <QMap>
#include <QString>
#include <QVector>
#include <cstdint>

#include "documents/BlockGrid.h"
#include "documents/BlockQuery.h"
#include "platform/Forms.h"

class QAction;
class QDateEdit;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class TCalcEdit;
class TIDComboBox;
class TStringGrid;

class TDivazInventory : public TForm {
  Q_OBJECT
 public:
  // id -1: a new count; the ID of a stock-count document: that count, read-only.
  TDivazInventory(QWidget *owner, int id);
  ~TDivazInventory() override;

  // Header
  QLineEdit *Edit1;  // number
  QDateEdit *DT1;
  QLineEdit *Edit3;  // notes
  // Content
  TStringGrid *CntGrd;
  TCalcEdit *Qty;
  QLabel *QtyMeasure;  // the unit of the source row, shown beside the quantity
  QPushButton *AddBtn;
  QMenu *ContentPopup;
  QAction *N1;
  // Source
  TIDComboBox *IDcb_Grp1;
  TIDComboBox *IDcb_SubGrp1;
  QLineEdit *txtFind;
  TIDComboBox *IDcb_Measure1;
  QPushButton *FindBtn1;
  TBlockGrid *DBGrid1;
  // One row per material and colour with open lots, in the order of their oldest lot; the
  // columns of a row are read with its block.
  TBlockQuery QSource;
  // Buttons
  QPushButton *CancelBtn;
  QPushButton *SaveWB;

  int InventoryID() const { return FInventoryID; }
  bool Stored() const { return FStored; }
  // The display format of Qty for the current source row.
  QString QtyDisplayFormat() const { return FQtyFormat; }

  QString NewInventoryNumber();
  bool CheckNumber();
  void AddContentRow(int systemId, int catId, int tag, int supplierId, int color,
                     const QString &name, double newQty, double oldQty);
  void LoadInventory();
  void RefreshSource();
  QString GetFilter() const { return FFilter; }
  void SetFilter(const QString &filter);

  // Handlers
  void FormShow();
  void IDcb_Grp1Change();
  void IDcb_SubGrp1Change();
  void IDcb_SupplierChange();
  void FindBtn1Click();
  void QSourceAfterScroll();
  void QtyChange();
  void AddBtnClick();
  // A press on the title of the counted-quantity column asks for a new quantity.
  void CntGrdMouseDown(int column);
  void ContentPopupPopup();
  void N1Click();
  void SaveWBClick();

  // Inserts one document of the count with the window's date and notes; -1 on failure.

 protected:
  void showEvent(QShowEvent *event) override;
  void FormClose() override;
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  void BuildLayout();
  // The rows the source list shows and the columns it reads by block.
  void SetUpSource();
  QString BaseSelect() const;
  int SourceGroupID() const;

  int FInventoryID = -1;
  bool FStored = false;
  // The number the window proposed: a refused save proposes a fresh one when it was kept.
  QString FProposedNumber;
  // After a refusal for a taken number: a fresh proposal when the user kept the last one.
  void ProposeAgainIfKept();
  bool FShown = false;
  QString FFilter;
  QString FQtyFormat;
};

// The window being shown; set while one exists.
extern TDivazInventory *DivazInventory;
