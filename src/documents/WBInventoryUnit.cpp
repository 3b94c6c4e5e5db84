#include "documents/WBInventoryUnit.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QVBoxLayout>
#include <memory>
#include <tuple>

#include "core/ColorList.h"
#include "core/CommonFunctions.h"
#include "core/CountPosting.h"
#include "core/DataUnit.h"
#include "core/DocNumbers.h"
#include "core/Ledger.h"
#include "documents/DivazInventoryUnit.h"
#include "reports/rep_InventoryUnit.h"
#include "platform/DatePicker.h"
#include "platform/Application.h"
#include "platform/Clock.h"
#include "platform/Grids.h"
#include "platform/SysUtils.h"

namespace {

struct TJournalColumn {
  const char *Field;
  const char *Title;
  int Width;
};
const TJournalColumn kColumns[] = {
    {"BDATE", "Datums", 90}, {"NUM", "Inventarizācijas Nr.", 180}, {"NOTES", "Piezimes", 290}};

}  // namespace

TWBInventory::TWBInventory(QWidget *owner) : TForm(owner), WBInventorySource(&DATA->DB_Storage) {
  setObjectName(QStringLiteral("WBInventory"));
  SetPosition(poScreenCenter);
  setWindowTitle(QStringLiteral("DI Vidududiz 1.1 / Izdevums"));
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);

  auto *main = new QVBoxLayout(this);
  auto *top = new QHBoxLayout;
  cb1 = new QComboBox(this);
  cb1->setObjectName(QStringLiteral("cb1"));
  cb1->addItems({QStringLiteral("Visi"), QStringLiteral("Sakot no"), QStringLiteral("Uz")});
  DT1 = new TDatePicker(this);
  DT1->setObjectName(QStringLiteral("DT1"));
  DT1->setCalendarPopup(true);
  DT1->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
  DT1->setEnabled(false);
  ChkUntil = new QCheckBox(QStringLiteral("līdz"), this);
  ChkUntil->setObjectName(QStringLiteral("ChkUntil"));
  ChkUntil->setVisible(false);
  DT2 = new TDatePicker(this);
  DT2->setObjectName(QStringLiteral("DT2"));
  DT2->setCalendarPopup(true);
  DT2->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
  DT2->setVisible(false);
  DT2->setEnabled(false);
  top->addWidget(cb1);
  top->addWidget(DT1);
  top->addWidget(ChkUntil);
  top->addWidget(DT2);
  top->addStretch(1);
  auto *search = new QGroupBox(QStringLiteral("Meklēšana"), this);
  search->setObjectName(QStringLiteral("GroupBox1"));
  auto *searchLayout = new QHBoxLayout(search);
  searchLayout->addWidget(new QLabel(QStringLiteral("Inventar. Nr."), search));
  FindTxt = new QLineEdit(search);
  FindTxt->setObjectName(QStringLiteral("FindTxt"));
  FindBtn = new QPushButton(QStringLiteral("Meklēt"), search);
  FindBtn->setObjectName(QStringLiteral("FindBtn"));
  searchLayout->addWidget(FindTxt);
  searchLayout->addWidget(FindBtn);
  top->addWidget(search);
  main->addLayout(top);

  DBGrid1 = new QTableWidget(this);
  DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
  DBGrid1->setProperty("tag", 1);
  DBGrid1->setColumnCount(static_cast<int>(std::size(kColumns)));
  for (int c = 0; c < DBGrid1->columnCount(); ++c) {
    DBGrid1->setHorizontalHeaderItem(c, new QTableWidgetItem(QString::fromUtf8(kColumns[c].Title)));
    DBGrid1->setColumnWidth(c, kColumns[c].Width);
  }
  DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
  DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
  DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  DBGrid1->verticalHeader()->setVisible(false);
  DBGrid1->verticalHeader()->setDefaultSectionSize(JournalRowHeight(DBGrid1));
  FitColumnTitles(DBGrid1);
  DBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
  main->addWidget(DBGrid1, 1);

  auto *buttons = new QHBoxLayout;
  BitBtn4 = new QPushButton(QStringLiteral("Jauna inventarizācija"), this);
  BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
  FitButtonText(BitBtn4);
  BitBtn5 = new QPushButton(QStringLiteral("Drukāt"), this);
  BitBtn5->setObjectName(QStringLiteral("BitBtn5"));
  BitBtn1 = new QPushButton(QStringLiteral("Iziet"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  buttons->addWidget(BitBtn4);
  buttons->addWidget(BitBtn5);
  buttons->addStretch(1);
  buttons->addWidget(BitBtn1);
  main->addLayout(buttons);
  for (QPushButton *b : findChildren<QPushButton *>()) {
    b->setAutoDefault(false);
    b->setDefault(false);
  }

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  N1 = PopupMenu1->addAction(QStringLiteral("Jauna inventarizācija"));
  N1->setObjectName(QStringLiteral("N1"));
  N1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Insert));
  N2 = PopupMenu1->addAction(QStringLiteral("Dzēst"));
  N2->setObjectName(QStringLiteral("N2"));
  N2->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
  N3 = PopupMenu1->addAction(QStringLiteral("Drūkāt"));
  N3->setObjectName(QStringLiteral("N3"));
  N3->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
  // The shortcuts work in the window, not only while the menu is open.
  addActions({N1, N2, N3});

  setFixedSize(586, 492);

  BindModalResult(BitBtn1, mrCancel);
  connect(cb1, &QComboBox::activated, this, [this] { Guarded([this] { cb1Change(); }); });
  connect(DT1, &QDateEdit::dateChanged, this, [this] { Guarded([this] { cb1Change(); }); });
  connect(DT2, &QDateEdit::dateChanged, this, [this] { Guarded([this] { cb1Change(); }); });
  connect(ChkUntil, &QCheckBox::clicked, this, [this] { Guarded([this] { ChkUntilClick(); }); });
  connect(FindBtn, &QPushButton::clicked, this, [this] { Guarded([this] { FindBtnClick(); }); });
  connect(BitBtn4, &QPushButton::clicked, this, [this] { Guarded([this] { BitBtn4Click(false); }); });
  connect(N1, &QAction::triggered, this, [this] { Guarded([this] { BitBtn4Click(false); }); });
  connect(DBGrid1, &QTableWidget::cellDoubleClicked, this, [this] { Guarded([this] { BitBtn4Click(true); }); });
  connect(BitBtn5, &QPushButton::clicked, this, [this] { Guarded([this] { BitBtn5Click(); }); });
  connect(N3, &QAction::triggered, this, [this] {
    PopupMenu1Popup();
    if (N3->isEnabled()) Guarded([this] { BitBtn5Click(); });
  });
  connect(N2, &QAction::triggered, this, [this] {
    PopupMenu1Popup();
    if (N2->isEnabled()) Guarded([this] { N2Click(); });
  });
  connect(DBGrid1, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
    PopupMenu1Popup();
    PopupMenu1->popup(DBGrid1->viewport()->mapToGlobal(pos));
  });
  connect(DBGrid1, &QTableWidget::currentCellChanged, this, [this] { SyncCurrentRow(); });
  FindTxt->installEventFilter(this);

  // FormCreate
  LoadFormPosition(this, true);
}

bool TWBInventory::eventFilter(QObject *watched, QEvent *event) {
  if (watched == FindTxt && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      Guarded([this] { FindBtnClick(); });
      return true;
    }
  }
  return TForm::eventFilter(watched, event);
}

void TWBInventory::showEvent(QShowEvent *event) {
  TForm::showEvent(event);
  Guarded([this] { FormShow(); });
}

void TWBInventory::FormShow() {
  Changed = false;
  {
    const QSignalBlocker b1(DT1), b2(DT2), b3(cb1);
    DT1->setDate(Clock::Today());
    DT2->setDate(Clock::Today());
    cb1->setCurrentIndex(0);
  }
  cb1Change();
}

void TWBInventory::FormClose() { SaveFormPosition(this, true); }

void TWBInventory::cb1Change() {
  DT1->setEnabled(cb1->currentIndex() > 0);
  if (ChkUntil->isChecked()) {
    ChkUntil->setChecked(false);
    ChkUntilClick();
  }
  ChkUntil->setVisible(cb1->currentIndex() == 1);
  DT2->setVisible(cb1->currentIndex() == 1);
  RefreshList(QString());
}

void TWBInventory::ChkUntilClick() {
  DT2->setEnabled(ChkUntil->isChecked());
  RefreshList(QString());
}

void TWBInventory::RefreshList(const QString &extra) {
  const TBusyCursor busy;  // a list over the whole store may take a while
  WBInventorySource.Close();
  QString sql = Format(QStringLiteral(
      "select w.*, s.NAME as SUPPLIERNAME from Waybill w left join Suppliers s on (s.ID=w.SUPPLIERID) where "
      "w.ISOUT=%d"), {DocKindStockCount});
  if (cb1->currentIndex() == 1 && ChkUntil->isChecked())
    sql += Format(QStringLiteral(" and w.BDATE between %s and %s"),
                  {QuoteSQL(FormatServerDate(DT1->date())), QuoteSQL(FormatServerDate(DT2->date()))});
  else if (cb1->currentIndex() == 1)
    sql += Format(QStringLiteral(" and w.BDATE>=%s"), {QuoteSQL(FormatServerDate(DT1->date()))});
  else if (cb1->currentIndex() == 2)
    sql += Format(QStringLiteral(" and w.BDATE=%s"), {QuoteSQL(FormatServerDate(DT1->date()))});
  if (!extra.isEmpty()) sql += extra;
  sql += QStringLiteral("  order by w.BDATE, w.NUM");
  WBInventorySource.SQL = sql;
  WBInventorySource.Open();
  FillGrid();
}

void TWBInventory::FillGrid() {
  const QSignalBlocker block(DBGrid1);
  DBGrid1->clearContents();
  DBGrid1->setRowCount(WBInventorySource.RecordCount());
  int r = 0;
  for (WBInventorySource.First(); !WBInventorySource.Eof(); WBInventorySource.Next(), ++r) {
    const TField date = WBInventorySource.FieldByName(QStringLiteral("BDATE"));
    DBGrid1->setItem(r, 0, new QTableWidgetItem(date.IsNull() ? QString() : DateToStr(date.AsDate())));
    DBGrid1->setItem(r, 1, new QTableWidgetItem(WBInventorySource.FieldByName(QStringLiteral("NUM")).AsString()));
    DBGrid1->setItem(r, 2, new QTableWidgetItem(WBInventorySource.FieldByName(QStringLiteral("NOTES")).AsString()));
  }
  WBInventorySource.First();
  if (r > 0) DBGrid1->setCurrentCell(0, 0);
}

void TWBInventory::SyncCurrentRow() {
  const int row = DBGrid1->currentRow();
  if (row >= 0 && row < WBInventorySource.RecordCount()) WBInventorySource.SetRecNo(row + 1);
}

int TWBInventory::CurrentID() const {
  if (WBInventorySource.IsEmpty() || WBInventorySource.Eof()) return -1;
  return static_cast<int>(WBInventorySource.FieldByName(QStringLiteral("ID")).AsLargeInt());
}

void TWBInventory::FindBtnClick() {
  // The typed text keeps its wildcards, but cannot leave the literal.
  RefreshList(QStringLiteral(" and w.NUM like \"%") + EscapeLike(FindTxt->text()) + QStringLiteral("%\""));
}

void TWBInventory::BitBtn4Click(bool fromGrid) {
  const int id = fromGrid && !WBInventorySource.IsEmpty() ? CurrentID() : -1;
  std::unique_ptr<TDivazInventory> editor(new TDivazInventory(this, id));
  if (editor->ShowModal() == mrOk) {
    RefreshList(QString());
    Changed = true;
  }
}

void TWBInventory::BitBtn5Click() {
  if (WBInventorySource.IsEmpty() || WBInventorySource.Eof()) return;
  const TField date = WBInventorySource.FieldByName(QStringLiteral("BDATE"));
  TPrintInventory report(this, CurrentID(),
                         Format(QStringLiteral("Nr. %s,   datums: %s"),
                                {WBInventorySource.FieldByName(QStringLiteral("NUM")).AsString(),
                                 date.IsNull() ? QString() : DateToStr(date.AsDate())}),
                         WBInventorySource.FieldByName(QStringLiteral("SUM")).AsFloat());
  report.Preview();
}

void TWBInventory::PopupMenu1Popup() {
  N2->setEnabled(!WBInventorySource.IsEmpty());
  N3->setEnabled(N2->isEnabled());
  N1->setEnabled(true);
}

void TWBInventory::N2Click() {
  if (WBInventorySource.IsEmpty()) return;
  if (MessageDlg(QStringLiteral("Dzēst inventarizāciju? Jus esāt parliecināti?"), TMsgDlgType::mtConfirmation,
                 mbYes | mbNo, this) != mrYes)
    return;
  const int id = CurrentID();
  const QString num = WBInventorySource.FieldByName(QStringLiteral("NUM")).AsString();
  QString refused;
  try {
    refused = DeleteCount(id, num);
  } catch (const std::exception &e) {
    refused = FailureText(e, QStringLiteral("Inventarizāciju %1 neizdevās dzēst.").arg(num));
  }
  if (!refused.isEmpty()) {
    MessageDlg(refused, TMsgDlgType::mtError, mbOK, this);
    return;
  }
  RefreshList(QString());
  Changed = true;
}

