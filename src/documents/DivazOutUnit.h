#pragma once
// The issue and reservation editor: an issue note, a reservation for a customer order, or the
// write-off of a stored reservation, put together from the open receipt lots. An issue line is
// always one lot, so that the save knows which lot each line consumes.
#include <QString>
#include <cstdint>
#include <vector>

#include "core/Query.h"
#include "platform/Forms.h"

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
  QTableWidget *DBGrid1;
  QPushButton *BitBtn4;  // content cancel
  QPushButton *SaveWB;

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
  struct TLine {
    int Row;
    int SystemID, CatID, Color, LotID, Supplier, ReceiptID;
    double Quantity;
    double Price;
  };
  std::vector<TLine> CollectLines() const;
  std::vector<int> CollectSuppliers(const std::vector<TLine> &lines) const;
  // Splits a quantity of a material and colour over its open lots, oldest first, inserting
  // rows from position (or appending with -1); returns the last row filled.
  int SplitOverLots(int catId, int color, double quantity, int position);
  void RefreshAddButton();
  QString DocNumber(const QString &typed, int k, int n) const;
  // Whether the numbers of a save fit the number column; says so when they do not.
  bool NumbersFit(const QString &number, int documents, const QString &suffix);
  bool SaveIssue(const std::vector<TLine> &lines);
  bool SaveReservation(const std::vector<TLine> &lines);
  bool SaveWriteOff();
  // After a refusal for a taken number: a fresh proposal when the user kept the last one.
  void ProposeAgainIfKept();
  void FillSourceGrid();
  QString BaseSource() const;

  int m_documentID;
  uint8_t m_mode;
  // The number the window proposed: a refused save proposes a fresh one when it was kept.
  QString m_proposedNumber;
  // Set while a save writes an automatic request, for the message of its failure.
  bool m_savingRequest = false;
  bool m_shown = false;
  QString m_sourceFilter;
};

// The editor that is open (one at a time).
extern TDivazOut *DivazOut;

// ---------------------------------------------------------------------------------------------
// Posting of outgoing documents. Each routine runs inside the caller's transaction and raises
// on any error, so that the caller's whole action rolls back.

namespace issuedoc {

struct TOutHeader {
  QString Date;  // in the server's date format
  QString Num;
  QString OrdLink;
  QString Notes;
  int IsPaid = 0;
};
// What one issue line takes from one lot.
struct TLotTake {
  int LotID, CatID, Color, ReceiptID;
  double Quantity;
};
struct TIssueLine {
  int CatID, Color, LotID, ReceiptID;
  double Quantity, Price;
};
struct TReserveLine {
  int CatID, Color;
  double Quantity, Price;
  double Missing;  // above 0: the automatic request asks for this much
};

// Locks the lots (in ID order) and checks that each still belongs to its receipt and holds
// what the lines take from it. Returns an empty text, or the reason in the user's language.
QString LockLots(const std::vector<TLotTake> &takes);
// Inserts a document header; returns its ID.
int SaveHeader(int supplierId, const TOutHeader &header, double sum, int isOut);
// An issue of one supplier: header, lines, lots raised, stock rows lowered, one link per line.
int PostIssue(const TOutHeader &header, int supplierId, const std::vector<TIssueLine> &lines);
// A reservation of one supplier: header, lines at price 0, RESERVE lowered, and the automatic
// request for the missing quantities.
// savingRequest, when given, is true while the request is being written.
int PostReservation(const TOutHeader &header, int supplierId,
                    const std::vector<TReserveLine> &lines, bool *savingRequest = nullptr);
// Adds each delta to the first stock row (lowest ID) of its material and colour, all rows in
// one statement; a missing row is created.
struct TOutStockDelta {
  int CatID, Color;
  double Delta;
};
void AddToStock(const std::vector<TOutStockDelta> &deltas);
// What the open lots of a material and colour hold.
double OpenLotStock(int catId, int color);
// Adds delta to RESERVE of the first stock row of a material and colour, creating the row
// when there is none.
void AddReserve(int catId, int color, double delta);

// Display helpers shared by the outgoing-document windows.
QString ColorCaption(int code, int systemId);
QString MeasureName(int measureId);
void FillGroupChoice(TIDComboBox *combo);
void FillSubgroupChoice(int groupId, TIDComboBox *combo);

}  // namespace issuedoc
