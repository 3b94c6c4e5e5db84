#pragma once
// The receipt and purchase-request editor: the header (number, order code, date, notes, paid
// flag, supplier, currency and rate), the line grid, and below it the picker from which the
// materials of new lines are taken (catalogue of the supplier or its open stock by colour).
// The picker's members are implemented in DivazInPickerUnit.cpp.
#include "core/DocNumbers.h"
#include "core/ReceiptPosting.h"
#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdint>
#include <stdexcept>

#include "core/DataLists.h"
#include "core/Query.h"
#include "documents/BlockGrid.h"
#include "documents/BlockQuery.h"
#include "platform/Forms.h"

class QAction;
class QCheckBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QToolButton;
class TCalcEdit;
class TIDComboBox;
class TStringGrid;

// Document kinds of this editor.
enum : uint8_t { DocKindReceiptIn = DocKindReceipt, DocKindRequestIn = DocKindRequest };

// The percentage last entered with the discount button: kept for the whole run.
extern double LastDiscount;

class TDivazIn : public TForm {
  Q_OBJECT
 public:
  // waybillID -1 for a new document; docType 0 receipt, 2 request.
  TDivazIn(QWidget *owner, int waybillID, uint8_t docType);
  ~TDivazIn() override;
  static TDivazIn *CreateDoc(QWidget *owner, int waybillID, uint8_t docType) {
    return new TDivazIn(owner, waybillID, docType);
  }

  // Header panel.
  QGroupBox *Panel1;
  QLabel *Label1;  // caption of the number box
  QLineEdit *Edit1;
  QLineEdit *Edit2;
  QDateEdit *DT1;
  QLineEdit *Edit3;
  QCheckBox *isPaid;
  TIDComboBox *IDcb_Supplier;
  TIDComboBox *IDcb_Currency;
  TCalcEdit *Valuta;
  QPushButton *BitBtn2;
  QPushButton *BitBtn3;

  // Lines panel.
  QWidget *Panel2;
  TStringGrid *ContentGrid;
  TIDComboBox *IDcb_ColorGrp;
  TIDComboBox *IDcb_InColor;
  TIDComboBox *IDcb_OutColor;
  TCalcEdit *Qty;
  QLabel *QtyMeasure;  // the unit of measure shown after the quantity
  TCalcEdit *Price;
  QToolButton *SpeedButton3;
  QPushButton *AddBtn;
  TBlockGrid *DBGrid1;
  TIDComboBox *IDcb_Grp1;
  TIDComboBox *IDcb_SubGrp1;
  QLineEdit *txtFind;
  TIDComboBox *IDcb_Measure1;
  QPushButton *FindBtn1;
  QToolButton *SpeedButton1;  // down: the picker lists the stock
  QToolButton *SpeedButton2;  // down: critical stock only
  QPushButton *SaveWB;
  QPushButton *SaveAsWB;
  QPushButton *CancelBtn;

  QMenu *PopupMenu1;    // quantity shortcuts
  QAction *SmallPack1;
  QAction *BigPack1;
  QAction *Units1;
  QMenu *PopupMenu2;    // picker menu
  QAction *AddMaterial1;
  QAction *MaterialCard1;
  QAction *Remains1;
  QMenu *ContentPopup;  // line grid menu
  QAction *DeleteLine1;

  // Unit state.
  int DocumentID;
  uint8_t DocType;
  uint8_t PickerMode = 0;
  QStringList CurrencyRates;
  QVector<int> DeletedLineIDs;

  // Picker state.
  QString PickerFilter() const { return FPickerFilter; }
  void SetPickerFilter(const QString &filter);
  bool IsColored() const { return FIsColored; }
  void SetIsColored(bool value);
  uint16_t ColorSystemID = 65535;
  uint16_t ColorMainGroup = 0;
  TBlockQuery q1;  // catalogue of the supplier
  TBlockQuery q2;  // open stock of the supplier by colour

  bool HeaderOK();
  void AddRow(int systemID, int catID, int lineID, int color, const QString &name,
              double quantity, double price, bool priceInDocCurrency);
  void LoadDocument();

  // Event handlers.
  void FormShow();
  void BitBtn2Click();
  void IDcb_SupplierChange();
  void IDcb_CurrencyChange();
  void ValutaChange();
  void UpdateAddBtn();
  void AddBtnClick();
  void PackMenuClick(int tag);
  void SpeedButton3Click();
  void ContentGridTitleClick(int col);
  void DeleteLine1Click();
  void ContentGridDblClick();
  void SaveWBClick();
  void SaveAsWBClick();

  // Picker.
  void RefreshPicker();
  void SetColorSystem(int systemID, int mainGroup);
  void SetPickerMode(uint8_t mode);
  void SpeedButton1Click();
  void IDcb_Grp1Change();
  void IDcb_SubGrp1Change();
  void FindBtn1Click();
  void q1AfterScroll();
  void q2AfterScroll();
  void IDcb_ColorGrpChange();
  void PopupMenu2Popup();
  void MaterialCardClick(int tag);
  void RemainsClick();
  // The current row of the open picker list (-1 when it is empty).
  int PickerRow() const;
  // A field of the current picker row.
  TField PickerField(const QString &name) const;

 protected:
  void showEvent(QShowEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;
  void FormClose() override;

 private:
  void BuildHeader();
  void BuildLines();
  void BuildPicker(QWidget *box);
  void FillPickerGrid();
  // The save: one transaction; any error rolls it back, shows its message and keeps the
  // window open with its lines.
  void Save(bool asReceipt);
  // Writes the document inside the save's transaction; throws on any error.
  void SaveDocument(bool asReceipt);
  double GridSum() const;
  // A number typed into the standard input box; a text that is not a number is refused with
  // a message.
  // 1: a number typed; 0: cancelled (value = the default); -1: refused.
  int AskNumber(const QString &caption, const QString &prompt, const QString &def,
                double &value);
  // Price proposal helpers.
  double CurrencyRate(int currencyID) const;
  double ConvertPrice(double price, int currencyID, int discountGroup) const;
  void ApplyQtyFormat(const QString &measure);

  QString FPickerFilter;
  bool FIsColored = true;
  bool FShown = false;
};

extern TDivazIn *DivazIn;
