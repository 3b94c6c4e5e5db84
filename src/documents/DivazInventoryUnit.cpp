#include "documents/DivazInventoryUnit.h"

#include <QAction>
#include <QGuiApplication>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "core/ColorList.h"
#include "core/CommonFunctions.h"
#include "core/CommonVariables.h"
#include "core/CountPosting.h"
#include "core/DataLists.h"
#include "core/DataUnit.h"
#include "core/DocNumbers.h"
#include "core/IDComboBox.h"
#include "core/InputFormUnit.h"
#include "core/Ledger.h"
#include "core/MyMsgUnit.h"
#include "platform/DatePicker.h"
#include "platform/Application.h"
#include "platform/CalcEdit.h"
#include "platform/Clock.h"
#include "platform/Grids.h"
#include "platform/SysUtils.h"

TDivazInventory *DivazInventory = nullptr;

namespace {

const QString kQtyMask = QStringLiteral("0.0000##");
// Waybill.NUM holds this many characters.
constexpr int kNumWidth = 20;

QString ColorCaptionOf(int color, int systemId) {
  TColorRec rec;
  if (Colors) Colors->GetColorRec(color, systemId, rec);
  return rec.Caption;
}

// A lot's place among the open lots, oldest first by receipt date and then line, as one
// number: the date (YYYYMMDD, -1 when it has none) above the line's ID (a 32-bit number,
// raised to be positive). The smallest of a material and colour is its oldest lot.
const char *const kLotPlace = "(coalesce(w1.BDATE+0,-1)*4294967296+w.ID+2147483648)";

// The ID of the lot at a place.
int LotAtPlace(qint64 place) { return int(qint64(quint32(place)) - 2147483648LL); }

// The source grid: the fields shown, in order, with their titles and widths in pixels.
struct TSourceColumn {
  const char *Field;
  const char *Title;
  int Width;
  Qt::Alignment Alignment;
};
const TSourceColumn kSourceColumns[] = {
    {"NAME", "Nosaukums", 230, Qt::AlignLeft | Qt::AlignVCenter},
    {"COMMENTS", "Piezīmes", 200, Qt::AlignLeft | Qt::AlignVCenter},
    {"REMAIN", "Atlikums", 80, Qt::AlignRight | Qt::AlignVCenter},
    {"MEASURE", "Mērv.", 50, Qt::AlignCenter},
    {"SUPPLIER", "Piegādātājs", 80, Qt::AlignLeft | Qt::AlignVCenter},
    {"COLOR", "Krāsa", 120, Qt::AlignLeft | Qt::AlignVCenter},
};

}  // namespace

// ---------------------------------------------------------------------------------------
// The window

TDivazInventory::TDivazInventory(QWidget *owner, int id) : TForm(owner), QSource(&DATA->DB_Storage) {
  setObjectName(QStringLiteral("DivazInventory"));
  SetPosition(poScreenCenter);
  DivazInventory = this;
  BuildLayout();
  SetUpSource();
  // FormCreate
  LoadFormPosition(this, true);
  FInventoryID = id;
  FStored = id >= 1;
}

TDivazInventory::~TDivazInventory() {
  if (DivazInventory == this) DivazInventory = nullptr;
}

void TDivazInventory::BuildLayout() {
  setWindowTitle(QStringLiteral("DI Vidududiz 1.1 / Inventarizācija"));
  setMinimumWidth(600);
  setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowSystemMenuHint);
  resize(760, 640);

  auto *main = new QVBoxLayout(this);

  auto *panel1 = new QWidget(this);
  panel1->setObjectName(QStringLiteral("Panel1"));
  auto *header = new QGridLayout(panel1);
  header->setContentsMargins(0, 0, 0, 0);
  header->addWidget(new QLabel(QStringLiteral("Pavadzīmes numurs"), panel1), 0, 0);
  header->addWidget(new QLabel(QStringLiteral("Datums"), panel1), 0, 1);
  header->addWidget(new QLabel(QStringLiteral("Piezīmes"), panel1), 0, 2);
  Edit1 = new QLineEdit(panel1);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setMaxLength(kNumWidth);
  Edit1->setFocusPolicy(Qt::ClickFocus);
  DT1 = new TDatePicker(panel1);
  DT1->setObjectName(QStringLiteral("DT1"));
  DT1->setCalendarPopup(true);
  DT1->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
  Edit3 = new QLineEdit(QStringLiteral("Inventarizācija"), panel1);
  Edit3->setObjectName(QStringLiteral("Edit3"));
  Edit3->setMaxLength(50);
  header->addWidget(Edit1, 1, 0);
  header->addWidget(DT1, 1, 1);
  header->addWidget(Edit3, 1, 2);
  header->setColumnStretch(2, 1);
  main->addWidget(panel1);

  auto *content = new QGroupBox(QStringLiteral("Inventarizācijas saturs"), this);
  content->setObjectName(QStringLiteral("Panel2"));
  auto *contentLayout = new QVBoxLayout(content);
  CntGrd = new TStringGrid(content);
  CntGrd->setObjectName(QStringLiteral("CntGrd"));
  CntGrd->SetColCount(4);
  CntGrd->SetRowCount(2);
  const int widths[] = {230, 285, 95, 96};
  for (int c = 0; c < 4; ++c) CntGrd->SetColWidths(c, widths[c]);
  CntGrd->verticalHeader()->setDefaultSectionSize(std::max(17, CntGrd->fontMetrics().height() + 4));
  CntGrd->horizontalHeader()->setSectionsClickable(true);
  CntGrd->setContextMenuPolicy(Qt::CustomContextMenu);
  contentLayout->addWidget(CntGrd, 1);
  auto *qtyRow = new QHBoxLayout;
  qtyRow->addWidget(new QLabel(QStringLiteral("Atlikums"), content));
  Qty = new TCalcEdit(content);
  Qty->setObjectName(QStringLiteral("Qty"));
  Qty->DecimalPlaces = 6;
  Qty->setText(QStringLiteral("0"));
  qtyRow->addWidget(Qty);
  QtyMeasure = new QLabel(content);
  QtyMeasure->setObjectName(QStringLiteral("QtyMeasure"));
  qtyRow->addWidget(QtyMeasure);
  AddBtn = new QPushButton(QStringLiteral("Pielikt"), content);
  AddBtn->setObjectName(QStringLiteral("AddBtn"));
  qtyRow->addWidget(AddBtn);
  qtyRow->addStretch(1);
  contentLayout->addLayout(qtyRow);
  main->addWidget(content, 1);

  ContentPopup = new QMenu(this);
  ContentPopup->setObjectName(QStringLiteral("ContentPopup"));
  N1 = ContentPopup->addAction(QStringLiteral("Izdzēst nosaukums"));
  N1->setObjectName(QStringLiteral("N1"));

  auto *filters = new QGridLayout;
  filters->addWidget(new QLabel(QStringLiteral("Materiālu grupa"), this), 0, 0);
  filters->addWidget(new QLabel(QStringLiteral("Materiālu papildgrupa"), this), 0, 1);
  IDcb_Grp1 = new TIDComboBox(this);
  IDcb_Grp1->setObjectName(QStringLiteral("IDcb_Grp1"));
  IDcb_SubGrp1 = new TIDComboBox(this);
  IDcb_SubGrp1->setObjectName(QStringLiteral("IDcb_SubGrp1"));
  filters->addWidget(IDcb_Grp1, 1, 0);
  filters->addWidget(IDcb_SubGrp1, 1, 1);
  auto *search = new QGroupBox(QStringLiteral("Meklēšana"), this);
  search->setObjectName(QStringLiteral("GroupBox1"));
  auto *searchLayout = new QGridLayout(search);
  searchLayout->addWidget(new QLabel(QStringLiteral("Nosaukums"), search), 0, 0);
  searchLayout->addWidget(new QLabel(QStringLiteral("Mērvienība"), search), 0, 1);
  txtFind = new QLineEdit(search);
  txtFind->setObjectName(QStringLiteral("txtFind"));
  IDcb_Measure1 = new TIDComboBox(search);
  IDcb_Measure1->setObjectName(QStringLiteral("IDcb_Measure1"));
  FindBtn1 = new QPushButton(QStringLiteral("Meklēt"), search);
  FindBtn1->setObjectName(QStringLiteral("FindBtn1"));
  searchLayout->addWidget(txtFind, 1, 0);
  searchLayout->addWidget(IDcb_Measure1, 1, 1);
  searchLayout->addWidget(FindBtn1, 1, 2);
  filters->addWidget(search, 0, 2, 2, 1);
  filters->setColumnStretch(2, 1);
  main->addLayout(filters);

  DBGrid1 = new TBlockGrid(this);
  DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
  QVector<TGridColumn> columns;
  for (const TSourceColumn &c : kSourceColumns)
    columns << TGridColumn{QString::fromLatin1(c.Field), QString::fromUtf8(c.Title), 0, QString(), c.Alignment};
  DBGrid1->SetColumns(columns);
  for (int c = 0; c < columns.size(); ++c) DBGrid1->setColumnWidth(c, kSourceColumns[c].Width);
  DBGrid1->setWordWrap(false);
  DBGrid1->OnDrawColumnCell = [this](const TGridColumn &col, int record, TRowGridCell &cell) {
    if (cell.Text.isEmpty()) return;
    const TField f = QSource.Field(record, col.Field);
    if (col.Field == QLatin1String("COLOR"))
      cell.Text = ColorCaptionOf(f.AsInteger(), QSource.Field(record, QStringLiteral("SYSTEMID")).AsInteger());
    else if (col.Field == QLatin1String("MEASURE"))
      cell.Text = MeasureNames.ByID(f.AsInteger());
  };
  // A row's columns may be read from the server when the cursor reaches it.
  DBGrid1->AfterScroll = [this] { Guarded([this] { QSourceAfterScroll(); }); };
  DBGrid1->SetDataSet(&QSource);
  main->addWidget(DBGrid1, 1);

  auto *buttons = new QHBoxLayout;
  buttons->addStretch(1);
  CancelBtn = new QPushButton(QStringLiteral("Atcelt"), this);
  CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
  SaveWB = new QPushButton(QStringLiteral("Saglabāt"), this);
  SaveWB->setObjectName(QStringLiteral("SaveWB"));
  buttons->addWidget(CancelBtn);
  buttons->addWidget(SaveWB);
  main->addLayout(buttons);

  // Enter belongs to the edit boxes, never to a default button.
  for (QPushButton *b : findChildren<QPushButton *>()) {
    b->setAutoDefault(false);
    b->setDefault(false);
  }

  BindModalResult(CancelBtn, mrCancel);
  connect(SaveWB, &QPushButton::clicked, this, [this] { Guarded([this] { SaveWBClick(); }); });
  connect(AddBtn, &QPushButton::clicked, this, [this] { Guarded([this] { AddBtnClick(); }); });
  connect(FindBtn1, &QPushButton::clicked, this, [this] { Guarded([this] { FindBtn1Click(); }); });
  connect(IDcb_Measure1, &QComboBox::activated, this, [this] { Guarded([this] { FindBtn1Click(); }); });
  connect(IDcb_Grp1, &QComboBox::activated, this, [this] { Guarded([this] { IDcb_Grp1Change(); }); });
  connect(IDcb_SubGrp1, &QComboBox::activated, this, [this] { Guarded([this] { IDcb_SubGrp1Change(); }); });
  connect(Qty, &QLineEdit::textEdited, this, [this] { QtyChange(); });
  connect(CntGrd->horizontalHeader(), &QHeaderView::sectionPressed, this, [this](int column) {
    if (QGuiApplication::mouseButtons() & Qt::RightButton) return;
    Guarded([this, column] { CntGrdMouseDown(column); });
  });
  connect(CntGrd, &QWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
    ContentPopupPopup();
    ContentPopup->popup(CntGrd->viewport()->mapToGlobal(pos));
  });
  connect(N1, &QAction::triggered, this, [this] { Guarded([this] { N1Click(); }); });
  Qty->installEventFilter(this);
  txtFind->installEventFilter(this);
}

bool TDivazInventory::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (watched == txtFind) {
        Guarded([this] { FindBtn1Click(); });
        return true;
      }
      if (watched == Qty) {
        if (AddBtn->isVisible()) Guarded([this] { AddBtnClick(); });
        return true;
      }
    }
  }
  return TForm::eventFilter(watched, event);
}

void TDivazInventory::showEvent(QShowEvent *event) {
  TForm::showEvent(event);
  if (FShown) return;
  FShown = true;
  Guarded([this] { FormShow(); });
}

void TDivazInventory::FormShow() {
  IDcb_Measure1->Clear();
  FillIDComboSQL(IDcb_Measure1, QStringLiteral("select NAME, ID from Measures"), true);
  IDcb_Measure1->SetItemIndex(0);
  const char *titles[] = {" Nosaukums", " Krāsa", " Jauns atlik.", " Bij. atlik."};
  for (int c = 0; c < 4; ++c) CntGrd->SetCells(c, 0, QString::fromUtf8(titles[c]));
  DT1->setDate(Clock::Today());
  if (Groups) Groups->FillGroupCombo(IDcb_Grp1, true);
  if (IDcb_Grp1->count() > 0) IDcb_Grp1->SetItemIndex(0);
  IDcb_Grp1Change();
  AddBtn->setVisible(!QSource.IsEmpty());
  if (!FStored) {
    FProposedNumber = NewInventoryNumber();
    Edit1->setText(FProposedNumber);
  }
  else LoadInventory();
}

void TDivazInventory::FormClose() {
  SaveFormPosition(this, true);
  for (int r = 0; r < CntGrd->RowCount(); ++r) CntGrd->SetObjects(0, r, nullptr);
}

// ---------------------------------------------------------------------------------------
// Source list

QString TDivazInventory::BaseSelect() const {
  // Every open lot with its material and colour (as one number) and its place; the material is
  // joined for the filters only (the server leaves it out when no filter names it).
  return Format(QStringLiteral(
      "select (w.CATID<<32)|(w.COLOR&4294967295) as MATERIAL, %s as LOTPLACE from WaybillCont w "
      "left join Waybill w1 on w1.ID=w.WAYBILLID left join Catalog c on c.ID=w.CATID where "
      "w1.ISOUT=%d and %s "),
      {QString::fromLatin1(kLotPlace), DocKindReceipt, OpenLotSQL()});
}

int TDivazInventory::SourceGroupID() const {
  const TcbIntObj *o = IDcb_Grp1->SelectedObj();
  return o ? o->ID : -1;
}

void TDivazInventory::SetUpSource() {
  // One row per material and colour, its oldest open lot as its key, the rows in the order of
  // those lots. The lots are grouped here: the server takes several times as long for it.
  QSource.Arrange = [](QStringList &fields, TBlockQuery::TRows &rows) {
    QHash<qint64, qint64> oldest;
    oldest.reserve(rows.size());
    for (const QVector<QVariant> &lot : rows) {
      const qint64 material = lot.value(0).toLongLong(), place = lot.value(1).toLongLong();
      const auto it = oldest.find(material);
      if (it == oldest.end()) oldest.insert(material, place);
      else if (place < *it) *it = place;
    }
    QVector<qint64> places;
    places.reserve(oldest.size());
    for (auto it = oldest.cbegin(); it != oldest.cend(); ++it) places << it.value();
    std::sort(places.begin(), places.end());
    rows.clear();
    rows.reserve(places.size());
    for (const qint64 place : places) rows << QVector<QVariant>{LotAtPlace(place)};
    fields = QStringList{QStringLiteral("ID")};
  };
  // What a row shows: its oldest lot, and what all the open lots of its material and colour
  // hold together.
  QSource.BlockSQL = Format(QStringLiteral(
      "select w.ID, w.CATID, c.SYSTEMID, c.NAME, c.COMMENTS, c.MEASURE, c.SUPPLIER, w.WAYBILLID, "
      "w.PRICE, w.COLOR, (select sum(x.QUANTITY-x.QTYOUT) from WaybillCont x join Waybill x1 on "
      "x1.ID=x.WAYBILLID where x.CATID=w.CATID and x.COLOR=w.COLOR and x1.ISOUT=%d and %s) as REMAIN, "
      "w1.BDATE from WaybillCont w left join Waybill w1 on w1.ID=w.WAYBILLID left join Catalog c on "
      "c.ID=w.CATID where w.ID in (%%s)"),
      {DocKindReceipt, OpenLotSQL(QStringLiteral("x"))});
}

void TDivazInventory::SetFilter(const QString &filter) {
  FFilter = filter;
  RefreshSource();
}

void TDivazInventory::RefreshSource() {
  QSource.Close();
  QSource.SQL = FFilter;
  QSource.Open();
  DBGrid1->Refill();
  if (QSource.IsEmpty()) QSourceAfterScroll();
  Qty->setEnabled(!QSource.IsEmpty());
  QtyChange();
}

void TDivazInventory::IDcb_Grp1Change() {
  const int group = SourceGroupID();
  if (Groups) Groups->FillSubgroupCombo(group, IDcb_SubGrp1, true);
  if (IDcb_SubGrp1->count() == 0) {
    IDcb_SubGrp1->setEnabled(false);
  } else {
    IDcb_SubGrp1->setEnabled(true);
    IDcb_SubGrp1->SetItemIndex(0);
  }
  if (group >= 0) SetFilter(Format(QStringLiteral("%s and c.CATGROUP=%d "), {BaseSelect(), group}));
  else SetFilter(BaseSelect());
}

void TDivazInventory::IDcb_SubGrp1Change() {
  const int group = SourceGroupID();
  const TcbIntObj *sub = IDcb_SubGrp1->SelectedObj();
  const int subId = sub ? sub->ID : -1;
  if (subId >= 0)
    SetFilter(Format(QStringLiteral("%s and c.CATGROUP=%d and c.SUBGROUP=%d "), {BaseSelect(), group, subId}));
  else
    SetFilter(Format(QStringLiteral("%s and c.CATGROUP=%d "), {BaseSelect(), group}));
}

void TDivazInventory::IDcb_SupplierChange() { RefreshSource(); }

void TDivazInventory::FindBtn1Click() {
  IDcb_Grp1->SetItemIndex(0);
  if (Groups) Groups->FillSubgroupCombo(SourceGroupID(), IDcb_SubGrp1, true);
  IDcb_SubGrp1->setEnabled(IDcb_SubGrp1->count() > 0);
  if (IDcb_SubGrp1->count() > 0) IDcb_SubGrp1->SetItemIndex(0);
  // The typed text keeps its wildcards, but cannot leave the literal.
  QString filter = BaseSelect() + QStringLiteral(" and c.NAME like \"%") + EscapeLike(txtFind->text()) +
                   QStringLiteral("%\"");
  const TcbIntObj *m = IDcb_Measure1->SelectedObj();
  if (m && m->ID >= 0) filter += QStringLiteral(" and c.MEASURE=") + QString::number(m->ID);
  SetFilter(filter);
}

void TDivazInventory::QSourceAfterScroll() {
  QString measure;
  if (!QSource.IsEmpty() && !QSource.Eof()) {
    const TField f = QSource.FieldByName(QStringLiteral("MEASURE"));
    if (!f.IsNull() && !f.AsString().isEmpty()) measure = MeasureNames.ByID(f.AsInteger());
  }
  FQtyFormat = measure.isEmpty() && (QSource.IsEmpty() || QSource.Eof() ||
                                     QSource.FieldByName(QStringLiteral("MEASURE")).AsString().isEmpty())
                   ? QStringLiteral(",0.0000##")
                   : Format(QStringLiteral(",0.0000## %s"), {measure});
  QtyMeasure->setText(measure);
}

void TDivazInventory::QtyChange() { AddBtn->setVisible(Qty->IsValid() && Qty->Value() >= 0); }

// ---------------------------------------------------------------------------------------
// Content grid

void TDivazInventory::AddContentRow(int systemId, int catId, int tag, int supplierId, int color,
                                    const QString &name, double newQty, double oldQty) {
  int row = CntGrd->RowCount() - 1;
  if (CntGrd->Objects(0, row) || !CntGrd->Cells(0, row).isEmpty()) {
    CntGrd->SetRowCount(CntGrd->RowCount() + 1);
    row = CntGrd->RowCount() - 1;
  }
  CntGrd->SetCells(0, row, name);
  CntGrd->SetCells(1, row, ColorCaptionOf(color, systemId));
  CntGrd->SetCells(2, row, FormatFloat(kQtyMask, newQty));
  CntGrd->SetCells(3, row, FormatFloat(kQtyMask, oldQty));
  CntGrd->SetObjects(0, row, new TAddObj(systemId, catId, color, tag, supplierId, 0));
}

void TDivazInventory::AddBtnClick() {
  if (QSource.IsEmpty() || QSource.Eof() || !Qty->IsValid()) return;
  const int catId = QSource.FieldByName(QStringLiteral("CATID")).AsInteger();
  const int color = QSource.FieldByName(QStringLiteral("COLOR")).AsInteger();
  int row = 0;
  if (FindGridRow(row, CntGrd, catId, color)) {
    ShowMessage(QStringLiteral("Nosaukums jau sarakstā. Vienkarši izmainit tas daudzums."));
    CntGrd->SetRow(row - 1);
    return;
  }
  AddContentRow(QSource.FieldByName(QStringLiteral("SYSTEMID")).AsInteger(), catId, -1,
                QSource.FieldByName(QStringLiteral("SUPPLIER")).AsInteger(), color,
                QSource.FieldByName(QStringLiteral("NAME")).AsString(), Qty->Value(),
                QSource.FieldByName(QStringLiteral("REMAIN")).AsFloat());
  CntGrd->SetRow(CntGrd->RowCount() - 1);
  Qty->setText(QStringLiteral("0"));
  DBGrid1->setFocus();
  QtyChange();
}

void TDivazInventory::CntGrdMouseDown(int column) {
  if (column != 2 || FStored) return;
  const int row = CntGrd->Row();
  if (row < 1 || !CntGrd->Objects(0, row)) return;
  const double preset = StrToFloatDef(CntGrd->Cells(2, row), 0);
  const double value = InputNumber(this, QStringLiteral("Atlikums"), QStringLiteral("Ievadīt jauns atlikums"), preset);
  CntGrd->SetCells(2, row, FormatFloat(kQtyMask, value));
}

void TDivazInventory::ContentPopupPopup() {
  const int row = CntGrd->Row();
  N1->setEnabled(!FStored && row >= 1 && CntGrd->Objects(0, row) != nullptr);
}

void TDivazInventory::N1Click() {
  const int row = CntGrd->Row();
  if (FStored || row < 1 || !CntGrd->Objects(0, row)) return;
  if (MessageDlg(QStringLiteral("Izdzēst nosaukums no sarakstā? Vai etāt parliecīnāti?"),
                 TMsgDlgType::mtConfirmation, mbYes | mbNo, this) != mrYes)
    return;
  CntGrd->DeleteRow(row);
}

// ---------------------------------------------------------------------------------------
// Numbers and stored counts

QString TDivazInventory::NewInventoryNumber() {
  const int next = ReadOnceMore(DATA->DB_Storage, [] {
    return SQLInt(QStringLiteral("select if(max(ID) is null, 0, max(ID))+1 from Waybill"));
  });
  return QStringLiteral("4") + QString::number(next).rightJustified(9, QLatin1Char('0'));
}

bool TDivazInventory::CheckNumber() {
  const QString number = Edit1->text().trimmed();
  if (number.isEmpty()) {
    ShowMessage(QStringLiteral("Inventarizācijas numurs ir vajadzīgs!"));
    Edit1->setFocus();
    return false;
  }
  if (SQLInt(QStringLiteral("select ID from Waybill where NUM=") + QuoteSQL(number)) >= 1) {
    ShowMessage(QStringLiteral("Inventarizācijas numurs jau eksistē!"));
    ProposeAgainIfKept();
    Edit1->setFocus();
    return false;
  }
  return true;
}

void TDivazInventory::ProposeAgainIfKept() {
  if (FProposedNumber.isEmpty() || Edit1->text().trimmed() != FProposedNumber.trimmed()) return;
  try {
    FProposedNumber = NewInventoryNumber();
  } catch (const EDatabaseError &e) {
    // The server cannot be reached now: the last proposal stays; the save checks it again.
    if (!e.IsConnectionLost()) throw;
    return;
  }
  Edit1->setText(FProposedNumber);
}

void TDivazInventory::LoadInventory() {
  TQuery &q = DATA->Qtmp;
  q.SQL = Format(QStringLiteral("select * from Waybill where ID=%d"), {FInventoryID});
  q.Open();
  if (!q.IsEmpty()) {
    Edit1->setText(q.FieldByName(QStringLiteral("NUM")).AsString());
    Edit3->setText(q.FieldByName(QStringLiteral("NOTES")).AsString());
    DT1->setDate(q.FieldByName(QStringLiteral("BDATE")).AsDate());
  }
  q.Close();
  q.SQL = Format(QStringLiteral("select w.*, c.NAME, c.SYSTEMID from WaybillInventory w  left join Catalog c on "
                                "c.ID=w.CATID where w.WAYBILLID=%d order by w.CATID"),
                 {FInventoryID});
  q.Open();
  for (q.First(); !q.Eof(); q.Next())
    AddContentRow(q.FieldByName(QStringLiteral("SYSTEMID")).AsInteger(), q.FieldByName(QStringLiteral("CATID")).AsInteger(),
                  0, 0, q.FieldByName(QStringLiteral("COLOR")).AsInteger(), q.FieldByName(QStringLiteral("NAME")).AsString(),
                  q.FieldByName(QStringLiteral("QTYAFTER")).AsFloat(), q.FieldByName(QStringLiteral("QTYBEFORE")).AsFloat());
  q.Close();
  SaveWB->setEnabled(false);
  AddBtn->setVisible(false);
  Qty->setEnabled(false);
  Edit1->setEnabled(false);
  Edit3->setEnabled(false);
  DT1->setEnabled(false);
}

void TDivazInventory::SaveWBClick() {
  if (FStored || !SaveWB->isEnabled()) return;
  if (CntGrd->Cells(0, 1).trimmed().isEmpty()) {
    SetModalResult(mrOk);
    return;
  }
  if (!CheckNumber()) return;

  // The lines of the grid, read once: the counted and the book quantity as shown.
  QVector<TCountLine> lines;
  QVector<int> suppliers;
  for (int r = 1; r < CntGrd->RowCount(); ++r) {
    const auto *o = CntGrd->ObjectAs<TAddObj>(0, r);
    if (!o) continue;
    lines << TCountLine{.CATID = o->N2,
                        .COLOR = o->N3,
                        .SupplierID = o->N5,
                        .Counted = StrToFloatDef(CntGrd->Cells(2, r), 0),
                        .Book = StrToFloatDef(CntGrd->Cells(3, r), 0)};
    if (!suppliers.contains(o->N5)) suppliers << o->N5;
  }
  if (lines.isEmpty()) {
    SetModalResult(mrOk);
    return;
  }
  const QString number = Edit1->text();
  // The longest document number must fit the column, or a suffix would be cut off.
  if (CountGroupNumber(number, suppliers.size() - 1, suppliers.size()).size() + 1 > kNumWidth) {
    ShowMessage(QStringLiteral("Inventarizācijas numurs ir pārāk garš!"));
    Edit1->setFocus();
    return;
  }

  TCountResult result;
  try {
    result = PostCount({.Date = FormatServerDate(DT1->date()), .Num = number, .Notes = Edit3->text()}, lines);
  } catch (const ENumberTaken &) {
    // Another save took one of the numbers meanwhile: nothing was written, the lines stay.
    ShowMessage(QStringLiteral("Inventarizācijas numurs jau eksistē!"));
    ProposeAgainIfKept();
    Edit1->setFocus();
    return;
  } catch (const ERefused &e) {
    MessageDlg(e.Text, TMsgDlgType::mtError, mbOK, this);
    return;
  } catch (const std::exception &e) {
    ShowStockUpdateFailure(e);
    MessageDlg(FailureText(e, QStringLiteral("ERROR while saving invoice in Waybill table"), number),
               TMsgDlgType::mtError, mbOK, this);
    return;
  }

  if (result.Outcome != TCountResult::Posted) {
    int row = 0;
    FindGridRow(row, CntGrd, result.Lines.first().first, result.Lines.first().second);
    if (result.Outcome == TCountResult::Changed) {
      // Show the book quantity as it is now, so that the line can be checked and saved again.
      for (const auto &p : result.Lines) {
        int r = 0;
        if (FindGridRow(r, CntGrd, p.first, p.second))
          CntGrd->SetCells(3, r - 1, FormatFloat(kQtyMask, result.BookNow.value(p)));
      }
    }
    CntGrd->SetRow(row - 1);
    const QString text = result.Outcome == TCountResult::Excess
                             ? QStringLiteral("Materials %s (%s). Daudzums parāk liels!")
                             : QStringLiteral("Materials %s (%s). Atlikums noliktavā ir mainījies!");
    MessageDlg(Format(text, {CntGrd->Cells(0, row - 1), CntGrd->Cells(1, row - 1)}), TMsgDlgType::mtError, mbOK, this);
    return;
  }
  SetModalResult(mrOk);
}
