#pragma once
// The material card: creates or edits one row of table Catalog.
#include <QVector>

#include "platform/Forms.h"

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;
class TCalcEdit;
class TIDComboBox;

// The four controls of one price column of the card.
struct TPriceRec {
  QLabel *PriceLabel = nullptr;
  TCalcEdit *PriceEdit = nullptr;
  QLabel *DeliveryLabel = nullptr;
  TCalcEdit *DeliveryEdit = nullptr;
};

class Tinf_Material : public TForm {
  Q_OBJECT
 public:
  // catalogId: the Catalog ID of the material, or -1 for a new material.
  Tinf_Material(QWidget *owner, int catalogId);

  TIDComboBox *IDcb_System, *IDcb_Supplier, *IDcb_Grp, *IDcb_SubGrp, *IDcb_Discount, *IDcb_Measure,
      *IDcb_Currency, *IDcb_MnGrp;
  QToolButton *SpeedButton1;  // supplier list
  QToolButton *SpeedButton2;  // discount groups
  QLabel *Label18;            // "Валюта": a double click opens the currencies
  QLineEdit *eName, *eNotes;
  TCalcEdit *eSize, *eLength, *ePackUnitSize, *eQtyInPack, *eQtyInBigPack, *eDelta;
  QCheckBox *IsColored;
  QFrame *Panel1;
  QPushButton *BitBtn2;  // "Отмена"
  QPushButton *BitBtn1;  // "Сохранить"
  QVector<TPriceRec> PriceRecs;

  // Set when the suppliers, currencies or discount groups were changed from the card.
  bool Changed = false;
  int CatalogID() const { return FCatalogID; }

  void IDcb_GrpChange();
  // The colour-flag rule; resetCategory: the user ticked the box, so the colour category
  // starts again at its first item.
  void IsColoredClick(bool resetCategory);
  void IDcb_MnGrpChange();
  void SpeedButton1Click();
  void Label18DblClick();
  void SpeedButton2Click();

  // A number of the statement: NULL for 0, else at least one and at most six decimals.
  static QString PriceToSQL(double value);
  // The insert or update statement of the card's entries.
  QString BuildCatalogSQL() const;

 protected:
  void showEvent(QShowEvent *event) override;
  bool CloseQuery(int result) override;
  void FormClose() override;
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  void FormShow();
  void BuildPriceColumns();
  void LoadMaterial();
  // The label of the first required choice left empty, or an empty text.
  QString MissingChoice() const;
  void RefillValueCombo(TIDComboBox *combo, const QString &sql);
  int FCatalogID;
  bool OldIsColored = false;
  bool FShown = false;
};
