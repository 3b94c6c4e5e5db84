#pragma once
// The issue and reservation editor: an issue note, a reservation for a customer order, or the
// write-off of a stored reservation, put together from the open receipt lots. An issue line is
// always one lot, so that the save knows which lot each line consumes.
#include <QString>
#include <QVariant>
#include <QVector>
#include <cstdint>
#include <vector>

#include "core/IssuePosting.h"
#include "core/Query.h"
#include "platform/Forms.h"
#include "platform/RowGrid.h"

class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QTableWidget;
class QToolButton;
class QWidget;
class TCalcEdit;
class TIDComboBox;
class TStringGrid;

class TDivazOut : public TForm {
  Q_OBJECT
 public:
  // WaybillID -1 and DocType 1: a new issue; -1 and 3: a new reservation; a reservation's ID
  // and 3: the write-off of that reservation.
  TDivazOut(QWidget *owner, int WaybillID, uint8_t DocType);
  ~TDivazOut() override;
  static TDivazOut *CreateDoc(QWidget *owner, int WaybillID, uint8_t DocType) {
    return new TDivazOut(owner, WaybillID, DocType);
  }

  // Header stage.
  QWidget *Panel1;
  QLabel *Label2;
  QLineEdit *Edit1;  // document number
  QLineEdit *Edit2;  // order code
  QDateEdit *DT1;
  QLineEdit *Edit3;  // notes
  QCheckBox *isPaid;
  QPushButton *BitBtn2;  // "Talāk"
  QPushButton *BitBtn3;  // header cancel
  // Content stage.
  QWidget *Panel2;
  TStringGrid *CntGrd;
  QMenu *ContentPopup;
  QAction *N1;
  TCalcEdit *Qty;
  QToolButton *SpeedButton1;
  QPushButton *AddBtn;
  TIDComboBox *IDcb_Grp1;
  TIDComboBox *IDcb_SubGrp1;
  QLineEdit *txtFind;
  TIDComboBox *IDcb_Measure1;
  QPushButton *FindBtn1;
  TRowGrid *DBGrid1;
  QPushButton *BitBtn4;  // content cancel
  QPushButton *SaveWB;

  // The rows of the lot list, one per material and colour with open lots, oldest lot first:
  // the place of each row's oldest lot, which names the lot (the rest is read by block:
  // SourceRow).
  TQuery QSource;

  int DocumentID() const { return m_documentID; }
  uint8_t Mode() const { return m_mode; }

  QString SourceFilter() const { return m_sourceFilter; }
  void SetSourceFilter(const QString &filter);

  QString NewDocNumber(uint8_t Kind);
  bool CheckNumber();
  void AddContentRow(int sysId, int catId, int color, int lotId, int supplier, int receiptId,
                     const QString &name, const QString &receiptNum, double quantity, double price,
                     int position);
  void DeleteContentRows(int catId, int color);
  void RefreshSource();
  void LoadDocument();

  // Handlers.
  void FormShow();
  void BitBtn2Click();
  void IDcb_Grp1Change();
  void IDcb_SubGrp1Change();
  void FindBtn1Click();
  void QSourceAfterScroll();
  void QtyChange();
  void SpeedButton1Click();
  void AddBtnClick();
  void CntGrdTitleClick(int col);
  void ContentPopupPopup();
  void N1Click();
  void SaveWBClick();

  // The quantity of a grid line as the save writes it (6 decimals).
  double LineQuantity(int row) const;
  // The number of the (first) document the last save stored; the journal moves to it.
  QString SavedNumber;

 protected:
  void showEvent(QShowEvent *event) override;
  void FormClose() override;

 private:
  std::vector<issuedoc::TOutLine> CollectLines() const;
  issuedoc::TOutHeader ReadHeader(const QString &number) const;
  // Splits a quantity of a material and colour over its open lots, oldest first, inserting
  // rows from position (or appending with -1); returns the last row filled.
  int SplitOverLots(int catId, int color, double quantity, int position);
  void RefreshAddButton();
  // Whether the numbers of a save fit the number column; says so when they do not.
  bool NumbersFit(const QString &number, int documents, const QString &suffix);
  bool SaveIssue(const std::vector<issuedoc::TOutLine> &lines);
  bool SaveReservation(const std::vector<issuedoc::TOutLine> &lines);
  bool SaveWriteOff();
  // After a refusal for a taken number: a fresh proposal when the user kept the last one.
  void ProposeAgainIfKept();
  void FillSourceGrid();
  QString BaseSource() const;
  // Reads what the lot list shows and uses of a row (the lot's line, receipt and material and
  // what the open lots of its material and colour hold) for the block of rows that holds it,
  // once per block and list.
  void LoadSourceRow(int row);
  // A row's columns, read with its block (nullptr when its lot is gone); the field of the
  // current row by name (null when it could not be read).
  const QVector<QVariant> *SourceRow(int row);
  TField SourceField(const char *field);

  int m_documentID;
  uint8_t m_mode;
  // The number the window proposed: a refused save proposes a fresh one when it was kept.
  QString m_proposedNumber;
  // Set while a save writes an automatic request, for the message of its failure.
  bool m_savingRequest = false;
  bool m_shown = false;
  QString m_sourceFilter;
  std::vector<bool> m_sourceBlockRead;  // per block of the lot list: its columns are read
  QVector<QVector<QVariant>> m_sourceRows;  // per row of the lot list: its columns, once read
};

// The editor that is open (one at a time).
extern TDivazOut *DivazOut;

namespace issuedoc {

// Display helpers shared by the outgoing-document windows.
QString ColorCaption(int code, int systemId);
QString MeasureName(int measureId);
void FillGroupChoice(TIDComboBox *combo);
void FillSubgroupChoice(int groupId, TIDComboBox *combo);

}  // namespace issuedoc
