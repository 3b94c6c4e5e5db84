#pragma once
// The main window: the catalogue browser (catalogue mode and stock-by-colour mode, groups,
// subgroups, profile systems, critical stock, name search) and the commands that open the
// catalogue windows.
#include <QMainWindow>
#include <QVector>

class QAction;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class QToolButton;
class TIDComboBox;
class TStorageModel;

class TDivazForm : public QMainWindow {
  Q_OBJECT
 public:
  explicit TDivazForm(QWidget *parent = nullptr);
  ~TDivazForm() override;

  // Browser controls.
  TIDComboBox *IDcb_Grp;
  TIDComboBox *IDcb_SubGrp;
  QLabel *Label8;
  QToolButton *SpeedButton1;  // down: stock mode (read by the receipt journal)
  QToolButton *SpeedButton2;  // down: critical stock only (read by the receipt journal)
  QGroupBox *GroupBox1;
  QLineEdit *Edit1;
  TIDComboBox *IDcb_Measure;
  QPushButton *FindBtn;
  QTableView *DBGrid1;
  TStorageModel *Model;

  // Command buttons along the bottom edge.
  QPushButton *InBitBtn, *OutBitBtn, *SpeedButton3, *ChangeBitBtn, *InfoBtn, *AddBitBtn,
      *DelBitBtn, *BitBtn7, *BitBtn1;
  // Context menu of the window and the grid, and the print menu.
  QMenu *PopupMenu1, *PopupMenu2;
  QAction *Atlikumi1, *N1, *N2, *N6, *N4, *N5, *N12, *Kritiskoatlikumulaboana1,
      *Piegdtjusaraksts1, *InvoiceExport, *WriteOffExport, *REMOVECOLORINFO1;
  QMenu *N7, *EksportsuzSCALA1;
  // The print entries of the context menu's "Печать" submenu, and the same entries of the
  // print button's menu (PopupMenu2) under their own names.
  QAction *Catalogs1, *N8, *N16, *N17, *N19, *N9, *N14, *N15, *N18;
  QMenu *N13;
  QAction *Catalogs2, *N20, *N21, *N22, *N23, *N24, *N26, *N27, *N28;
  QMenu *N25;

  // The system buttons built from the setup tree: element 0 is the All button, element k
  // the button of profile system k - 1.
  QVector<QToolButton *> FSystemButtons;

  QString GetFilter() const { return FFilter; }
  void SetFilter(const QString &condition);
  void RefreshCatalog();
  QString SystemsClause() const;
  QString ReportSystemsClause() const;
  // The caption for the current mode ("start" at the first showing).
  void SetModeCaption(bool start);

  void tbAllClick();
  void tbOneClick();
  void IDcb_GrpChange();
  void IDcb_SubGrpChange();
  void FindBtnClick();
  void SpeedButton2Click();
  void SpeedButton1Click();
  // Material card of a new material (tag 0) or of the current row (tag 1 or more).
  void AddBitBtnClick(int tag);
  // The stock pop-up of the current row.
  void DBGrid1DblClick();
  void PopupMenu1Popup();
  void Piegdtjusaraksts1Click();
  void Kritiskoatlikumulaboana1Click();
  // The journals; a journal that reports a change brings the grid back to the chosen group.
  void InBitBtnClick();
  void OutBitBtnClick();
  void SpeedButton3Click();
  // Deletes the material of the current catalogue row after a confirmation; a material that
  // is in stock, reserved, or named by a document or a stock count is kept.
  void DelBitBtnClick();
  // Merges every stock row of the current stock row's material into one row without colour
  // and takes the colour off its document and count lines.
  void REMOVECOLORINFO1Click();
  // Print entries.
  void BitBtn7Click();
  void N8Click();
  void N14Click();
  void N15Click();
  void N16Click();
  void N17Click();
  void N18Click();
  void Catalogs1Click();
  void N19Click();
  void N9Click();
  // The accounting export: receipts (mode 0) and write-offs (mode 1).
  void InvoiceExportClick();
  void WriteOffExportClick();

  // Current grid row (-1 when none) and one of its fields.
  int CurrentRow() const;
  QVariant CurrentField(const QString &field) const;
  // Moves the grid to the first row whose NAME equals the text, ignoring case.
  void LocateName(const QString &name);

 protected:
  void showEvent(QShowEvent *event) override;
  void closeEvent(QCloseEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

 private:
  void FormShow();
  void BuildSystemButtons();
  void SetModeButtons();
  void ApplyColumnWidths();
  QString FFilter;
  QHBoxLayout *FSystemsLayout = nullptr;
  bool FShown = false;
};

// The main window of the run (set while it exists).
extern TDivazForm *DivazForm;
