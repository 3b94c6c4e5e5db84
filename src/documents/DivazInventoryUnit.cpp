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
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "core/ColorList.h"
#include "core/CommonFunctions.h"
#include "core/CommonVariables.h"
#include "core/DataLists.h"
#include "core/DataUnit.h"
#include "core/DocNumbers.h"
#include "core/IDComboBox.h"
#include "core/InputFormUnit.h"
#include "core/Ledger.h"
#include "core/MyMsgUnit.h"
#include "platform/Application.h"
#include "platform/CalcEdit.h"
#include "platform/Clock.h"
#include "platform/Grids.h"
#include "platform/SysUtils.h"

TDivazInventory *DivazInventory = nullptr;

int64_t ToMillionths(double value) { return std::llround(value * 1e6); }
double FromMillionths(int64_t value) { return static_cast<double>(value) / 1e6; }

namespace {

const QString kQtyMask = QStringLiteral("0.0000##");
// Rows per statement where many rows go into one insert or update.
constexpr int kBatch = 1000;
// Waybill.NUM holds this many characters.
constexpr int kNumWidth = 20;

QString Millionths(int64_t value) { return QString::number(FromMillionths(value), 'f', 6); }
QString Money(double value) { return QString::number(value, 'f', 6); }

QString ColorCaptionOf(int color, int systemId) {
  TColorRec rec;
  if (Colors) Colors->GetColorRec(color, systemId, rec);
  return rec.Caption;
}

// Source grid columns: the fields shown, in order, with their titles.
struct TSourceColumn {
  const char *Field;
  const char *Title;
  int Width;
};
const TSourceColumn kSourceColumns[] = {
    {"NAME", "Nosaukums", 230}, {"COMMENTS", "Piezīmes", 200}, {"REMAIN", "Atlikums", 80},
    {"MEASURE", "Mērv.", 50},   {"SUPPLIER", "Piegādātājs", 80}, {"COLOR", "Krāsa", 120},
};

// One receipt line of a counted material and colour, locked for the save.
struct TLot {
  int ID = 0;
  int WAYBILLID = 0;
  int64_t Qty = 0;  // QUANTITY
  int64_t Out = 0;  // QTYOUT, as it will be after the save
  double Price = 0;
};
using TPair = QPair<int, int>;  // CATID, COLOR
// Receipt lines of each material and colour, oldest receipt date first, then by line.
using TLotMap = QHash<TPair, QVector<TLot>>;

// A save that cannot go on for one line: nothing is written and the line is shown.
struct TLineStop {
  enum { None, Excess, Changed } Reason = None;
  QVector<TPair> Lines;
};

class ECountPosting : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads and locks the receipt lines of every pair.
TLotMap LockLots(const QVector<TPair> &pairs) {
  TLotMap lots;
  QSet<TPair> wanted;
  QVector<int> materials;
  QSet<int> seen;
  for (const TPair &p : pairs) {
    wanted.insert(p);
    if (!seen.contains(p.first)) {
      seen.insert(p.first);
      materials << p.first;
    }
  }
  TQuery q(&DATA->DB_Storage);
  for (int from = 0; from < materials.size(); from += kBatch) {
    QStringList ids;
    for (int i = from; i < std::min<int>(materials.size(), from + kBatch); ++i)
      ids << QString::number(materials[i]);
    q.SQL = QStringLiteral(
                "select w.ID, w.WAYBILLID, w.CATID, w.COLOR, w.QUANTITY, w.QTYOUT, w.PRICE "
                "from WaybillCont w join Waybill w1 on w1.ID=w.WAYBILLID "
                "where w1.ISOUT=%1 and w.CATID in (%2) order by w1.BDATE, w.ID for update")
                .arg(DocKindReceipt)
                .arg(ids.join(QLatin1Char(',')));
    q.Open();
    for (const auto &row : q.Rows()) {
      const TPair key(row[2].toInt(), row[3].toInt());
      if (!wanted.contains(key)) continue;
      TLot lot;
      lot.ID = row[0].toInt();
      lot.WAYBILLID = row[1].toInt();
      lot.Qty = ToMillionths(row[4].toDouble());
      lot.Out = row[5].isNull() ? 0 : ToMillionths(row[5].toDouble());
      lot.Price = row[6].toDouble();
      lots[key].push_back(lot);
    }
    q.Close();
  }
  return lots;
}

int64_t OpenQuantity(const QVector<TLot> &lots) {
  int64_t sum = 0;
  for (const TLot &l : lots)
    if (l.Qty - l.Out > 0) sum += l.Qty - l.Out;
  return sum;
}

double OpenValue(const QVector<TLot> &lots) {
  double sum = 0;
  for (const TLot &l : lots)
    if (l.Qty - l.Out > 0) sum += FromMillionths(l.Qty - l.Out) * l.Price;
  return sum;
}

// One line of a sub-document before it is written: the lot it moves.
struct TNewLine {
  int CATID, COLOR;
  int64_t Qty;
  double Price;
  int LotID, ReceiptID;
};

// Inserts the lines of one new document and their links; returns nothing, raises on error.
void InsertLinesWithLinks(int docId, const QVector<TNewLine> &lines) {
  if (lines.isEmpty()) return;
  for (int from = 0; from < lines.size(); from += kBatch) {
    QStringList values;
    for (int i = from; i < std::min<int>(lines.size(), from + kBatch); ++i) {
      const TNewLine &l = lines[i];
      values << QStringLiteral("(%1,%2,%3,%4,%5,NULL)")
                    .arg(docId)
                    .arg(l.CATID)
                    .arg(l.COLOR)
                    .arg(Millionths(l.Qty), Money(l.Price));
    }
    ExecSQL(QStringLiteral("insert into WaybillCont (WAYBILLID,CATID,COLOR,QUANTITY,PRICE,QTYOUT) values") +
            values.join(QLatin1Char(',')));
  }
  // The document is new and written by this transaction alone: its lines, by ID, are the
  // rows just inserted in their order.
  TQuery q(&DATA->DB_Storage);
  q.SQL = QStringLiteral("select ID from WaybillCont where WAYBILLID=%1 order by ID").arg(docId);
  q.Open();
  if (q.RecordCount() != lines.size())
    throw ECountPosting("the lines of a new count document could not be read back");
  QVector<int> ids;
  ids.reserve(lines.size());
  for (const auto &row : q.Rows()) ids << row[0].toInt();
  q.Close();
  for (int from = 0; from < lines.size(); from += kBatch) {
    QStringList values;
    for (int i = from; i < std::min<int>(lines.size(), from + kBatch); ++i)
      values << QStringLiteral("(%1,%2,%3,%4)").arg(lines[i].ReceiptID).arg(docId).arg(ids[i]).arg(lines[i].LotID);
    ExecSQL(QStringLiteral("insert into WBList (INWBID,OUTWBID,OUTWBCONTID,INWBCONTID) values") +
            values.join(QLatin1Char(',')));
  }
}

}  // namespace

void SetLotQtyOut(const QMap<int, int64_t> &qtyOut) {
  const QList<int> ids = qtyOut.keys();
  for (int from = 0; from < ids.size(); from += kBatch) {
    QStringList rows;
    for (int i = from; i < std::min<int>(ids.size(), from + kBatch); ++i) {
      const int id = ids[i];
      rows << (rows.isEmpty() ? QStringLiteral("select %1 as ID, %2 as Q") : QStringLiteral("select %1, %2"))
                  .arg(id)
                  .arg(Millionths(qtyOut.value(id)));
    }
    ExecSQL(QStringLiteral("update WaybillCont w join (%1) d on d.ID=w.ID set w.QTYOUT=d.Q")
                .arg(rows.join(QStringLiteral(" union all "))));
  }
}

void AddToStockRows(const QVector<TStockDelta> &deltas) {
  QHash<TPair, int64_t> sum;
  QVector<TPair> order;
  for (const TStockDelta &d : deltas) {
    const TPair key(d.CATID, d.COLOR);
    if (!sum.contains(key)) order << key;
    sum[key] += d.Delta;
  }
  if (order.isEmpty()) return;
  // The first stock row of each pair.
  QHash<TPair, int> rowOf;
  QVector<int> materials;
  QSet<int> seen;
  for (const TPair &p : order)
    if (!seen.contains(p.first)) {
      seen.insert(p.first);
      materials << p.first;
    }
  TQuery q(&DATA->DB_Storage);
  for (int from = 0; from < materials.size(); from += kBatch) {
    QStringList ids;
    for (int i = from; i < std::min<int>(materials.size(), from + kBatch); ++i)
      ids << QString::number(materials[i]);
    q.SQL = QStringLiteral("select min(ID), CATID, COLOR from CatalogQty where CATID in (%1) group by CATID, COLOR")
                .arg(ids.join(QLatin1Char(',')));
    q.Open();
    for (const auto &row : q.Rows()) rowOf.insert(TPair(row[1].toInt(), row[2].toInt()), row[0].toInt());
    q.Close();
  }
  QVector<QPair<int, int64_t>> updates;
  QStringList inserts;
  for (const TPair &p : order) {
    const int64_t delta = sum.value(p);
    if (delta == 0) continue;
    const int row = rowOf.value(p, -1);
    if (row >= 1) updates.push_back({row, delta});
    else
      inserts << QStringLiteral("(%1,%2,%3)").arg(p.first).arg(p.second).arg(Millionths(delta));
  }
  for (int from = 0; from < updates.size(); from += kBatch) {
    QStringList rows;
    for (int i = from; i < std::min<int>(updates.size(), from + kBatch); ++i)
      rows << (rows.isEmpty() ? QStringLiteral("select %1 as ID, %2 as D") : QStringLiteral("select %1, %2"))
                  .arg(updates[i].first)
                  .arg(Millionths(updates[i].second));
    ExecSQL(QStringLiteral("update CatalogQty c join (%1) d on d.ID=c.ID set c.QUANTITY=round(c.QUANTITY+d.D, 6)")
                .arg(rows.join(QStringLiteral(" union all "))));
  }
  for (int from = 0; from < inserts.size(); from += kBatch)
    ExecSQL(QStringLiteral("insert into CatalogQty (CATID,COLOR,QUANTITY) values") +
            inserts.mid(from, kBatch).join(QLatin1Char(',')));
}

// ---------------------------------------------------------------------------------------
// The window

TDivazInventory::TDivazInventory(QWidget *owner, int id) : TForm(owner), QSource(&DATA->DB_Storage) {
  setObjectName(QStringLiteral("DivazInventory"));
  DivazInventory = this;
  BuildLayout();
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
  DT1 = new QDateEdit(panel1);
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

  DBGrid1 = new QTableWidget(this);
  DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
  DBGrid1->setColumnCount(static_cast<int>(std::size(kSourceColumns)));
  for (int c = 0; c < DBGrid1->columnCount(); ++c) {
    DBGrid1->setHorizontalHeaderItem(c, new QTableWidgetItem(QString::fromUtf8(kSourceColumns[c].Title)));
    DBGrid1->setColumnWidth(c, kSourceColumns[c].Width);
  }
  DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
  DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
  DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  DBGrid1->verticalHeader()->setVisible(false);
  DBGrid1->verticalHeader()->setDefaultSectionSize(DBGrid1->fontMetrics().height() + 4);
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
  connect(DBGrid1, &QTableWidget::currentCellChanged, this, [this](int row, int, int, int) {
    if (row >= 0 && row < QSource.RecordCount()) {
      QSource.SetRecNo(row + 1);
      QSourceAfterScroll();
    }
  });
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
  return Format(QStringLiteral(
      "select w.ID, w.CATID, c.SYSTEMID, c.NAME, c.COMMENTS, c.MEASURE, c.SUPPLIER, w.WAYBILLID, "
      "w.PRICE, w.COLOR, sum(w.QUANTITY-w.QTYOUT) as REMAIN, w1.BDATE from WaybillCont w left join "
      "Waybill w1 on w1.ID=w.WAYBILLID left join Catalog c on c.ID=w.CATID where w1.ISOUT=%d and "
      "(w.QUANTITY-w.QTYOUT)>0 "), {DocKindReceipt});
}

int TDivazInventory::SourceGroupID() const {
  const TcbIntObj *o = IDcb_Grp1->SelectedObj();
  return o ? o->ID : -1;
}

void TDivazInventory::SetFilter(const QString &filter) {
  FFilter = filter;
  RefreshSource();
}

void TDivazInventory::RefreshSource() {
  QSource.Close();
  QSource.SQL = Format(QStringLiteral("%s %s"), {FFilter, QStringLiteral(" group by w.CATID, w.COLOR order by w1.BDATE")});
  QSource.Open();
  FillSourceGrid();
  Qty->setEnabled(!QSource.IsEmpty());
  QtyChange();
}

void TDivazInventory::FillSourceGrid() {
  const QSignalBlocker block(DBGrid1);
  DBGrid1->setUpdatesEnabled(false);
  DBGrid1->clearContents();
  DBGrid1->setRowCount(QSource.RecordCount());
  int fields[std::size(kSourceColumns)];
  for (size_t c = 0; c < std::size(kSourceColumns); ++c)
    fields[c] = QSource.FieldIndex(QString::fromLatin1(kSourceColumns[c].Field));
  const int systemField = QSource.FieldIndex(QStringLiteral("SYSTEMID"));
  int r = 0;
  for (const auto &row : QSource.Rows()) {
    for (size_t c = 0; c < std::size(kSourceColumns); ++c) {
      const QVariant &v = row[fields[c]];
      const QString field = QString::fromLatin1(kSourceColumns[c].Field);
      QString text;
      Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter;
      if (field == QLatin1String("COLOR")) {
        if (!v.isNull()) text = ColorCaptionOf(v.toInt(), row[systemField].toInt());
      } else if (field == QLatin1String("MEASURE")) {
        if (!v.isNull()) text = MeasureNames.ByID(v.toInt());
        align = Qt::AlignCenter;
      } else if (field == QLatin1String("REMAIN")) {
        text = v.isNull() ? QString() : FloatToStr(v.toDouble());
        align = Qt::AlignRight | Qt::AlignVCenter;
      } else {
        text = v.toString();
      }
      auto *item = new QTableWidgetItem(text);
      item->setTextAlignment(align);
      DBGrid1->setItem(r, static_cast<int>(c), item);
    }
    ++r;
  }
  DBGrid1->setUpdatesEnabled(true);
  if (!QSource.IsEmpty()) {
    QSource.First();
    DBGrid1->setCurrentCell(0, 0);
  }
  QSourceAfterScroll();
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

void TDivazInventory::QtyChange() { AddBtn->setVisible(Qty->Value() >= 0); }

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
  if (QSource.IsEmpty() || QSource.Eof()) return;
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
  const int next = SQLInt(QStringLiteral("select if(max(ID) is null, 0, max(ID))+1 from Waybill"));
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
  FProposedNumber = NewInventoryNumber();
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

int TDivazInventory::InsertWaybill(const QString &num, int supplierId, uint8_t kind, double sum) {
  // Inside the posting's transaction an error is the posting's: raised, so that a deadlock is
  // retried and anything else rolls the whole count back.
  const bool own = DATA->DB_Storage.TransactionDepth == 0;
  try {
    ExecSQL(Format(QStringLiteral("insert into Waybill (BDATE,NUM,ORDLINK,NOTES,ISOUT,SUPPLIERID,ISPAID,SUM,USERID,"
                                  "LASTUPDATE) values(\"%s\",\"%s\",NULL,\"%s\",%d,%d,1,%10.6f,%d,%s)"),
                   {FormatServerDate(DT1->date()), EscapeSQL(num), EscapeSQL(Edit3->text()), int(kind), supplierId,
                    sum, int(CurrentUser.ID), DateTimeToSQL(Clock::Now())}));
    return static_cast<int>(LastInsertID());
  } catch (const EDatabaseError &) {
    if (!own) throw;
    return -1;
  }
}

// ---------------------------------------------------------------------------------------
// Posting a count

namespace {

// The suppliers of the grid's lines, in the order they first occur, rows top to bottom.
void AddSupplier(TFullList &list, int supplierId) {
  for (const auto &s : list)
    if (s.SupplierID == supplierId) return;
  auto &s = list.emplace_back();
  s.SupplierID = supplierId;
  s.ShortageDocID = -1;
  s.SurplusDocID = -1;
}

void CollectSuppliers(TFullList &list, const TStringGrid *grid) {
  ClearFullList(list);
  for (int r = 1; r < grid->RowCount(); ++r)
    if (const auto *o = grid->ObjectAs<TAddObj>(0, r)) AddSupplier(list, o->N5);
}

// The lines of one supplier, in grid order, with their kind and the size of their difference.
void BuildSupplierLines(TMatList &lines, int supplierId, const TStringGrid *grid) {
  ClearMatList(lines);
  for (int r = 1; r < grid->RowCount(); ++r) {
    const auto *o = grid->ObjectAs<TAddObj>(0, r);
    if (!o || o->N5 != supplierId) continue;
    const int64_t counted = ToMillionths(StrToFloatDef(grid->Cells(2, r), 0));
    const int64_t book = ToMillionths(StrToFloatDef(grid->Cells(3, r), 0));
    auto &l = lines.emplace_back();
    l.CATID = o->N2;
    l.COLOR = o->N3;
    l.Counted = FromMillionths(counted);
    if (counted == book) {
      l.Kind = qtyEqual;
      l.Diff = 0;
    } else if (counted > book) {
      l.Kind = qtyMore;
      l.Diff = FromMillionths(counted - book);
    } else {
      l.Kind = qtyLess;
      l.Diff = FromMillionths(book - counted);
    }
  }
}

// The book quantity of a line as the grid showed it.
template <class TLine>
int64_t BookOf(const TLine &l) {
  const int64_t counted = ToMillionths(l.Counted), diff = ToMillionths(l.Diff);
  return l.Kind == qtyLess ? counted + diff : l.Kind == qtyEqual ? counted : counted - diff;
}

// Places each difference on the locked lots: a shortage on the open lots oldest first, a
// surplus back on the issued lots newest first. The planned QTYOUT is kept in the lot map.
// A surplus the issued quantities cannot take becomes qtyLessError.
void LoadLots(TMatList &lines, TLotMap &lots) {
  for (auto &l : lines) {
    l.Lots.clear();
    if (l.Kind != qtyMore && l.Kind != qtyLess) continue;
    QVector<TLot> &pairLots = lots[TPair(l.CATID, l.COLOR)];
    int64_t rest = ToMillionths(l.Diff);
    auto place = [&](TLot &lot, int64_t available, int sign) {
      const int64_t take = std::min(available, rest);
      auto &m = l.Lots.emplace_back();
      m.LotLineID = lot.ID;
      m.ReceiptID = lot.WAYBILLID;
      m.Quantity = FromMillionths(take);
      m.Price = lot.Price;
      lot.Out += sign * take;
      rest -= take;
    };
    if (l.Kind == qtyLess) {
      for (TLot &lot : pairLots) {
        if (rest <= 0) break;
        if (lot.Qty - lot.Out > 0) place(lot, lot.Qty - lot.Out, +1);
      }
    } else {
      for (auto it = pairLots.rbegin(); it != pairLots.rend() && rest > 0; ++it)
        if (it->Out > 0) place(*it, it->Out, -1);
    }
    if (rest > 0) {
      if (l.Kind == qtyMore) {
        l.Kind = qtyLessError;
      } else {
        // The open lots hold less than the book quantity shown: another posting came first.
        throw ECountPosting("the open lots no longer cover a shortage");
      }
    }
  }
}

// 0 nothing to post, 1 shortages only, 2 surpluses only, 3 both.
uint8_t SubDocumentKinds(const TMatList &lines) {
  bool less = false, more = false;
  for (const auto &l : lines) {
    less = less || l.Kind == qtyLess;
    more = more || l.Kind == qtyMore;
  }
  return (less ? 1 : 0) + (more ? 2 : 0);
}

QVector<TPair> CollectExcessLines(const TFullList &list) {
  QVector<TPair> excess;
  for (const auto &s : list)
    for (const auto &l : s.Lines)
      if (l.Kind == qtyLessError) excess << TPair(l.CATID, l.COLOR);
  return excess;
}

double SumOfKind(const TMatList &lines, uint8_t kind) {
  double sum = 0;
  for (const auto &l : lines)
    if (l.Kind == kind) sum += MatSum(l.Lots);
  return sum;
}

}  // namespace

void TDivazInventory::SaveWBClick() {
  if (FStored || !SaveWB->isEnabled()) return;
  if (CntGrd->Cells(0, 1).trimmed().isEmpty()) {
    SetModalResult(mrOk);
    return;
  }
  if (!CheckNumber()) return;

  TFullList suppliers;
  CollectSuppliers(suppliers, CntGrd);
  if (suppliers.isEmpty()) {
    SetModalResult(mrOk);
    return;
  }
  const QString number = Edit1->text();
  for (int k = 0; k < suppliers.size(); ++k) {
    auto &s = suppliers[k];
    s.Num = suppliers.size() == 1 ? number : Format(QStringLiteral("%s-%d"), {number, k + 1});
    BuildSupplierLines(s.Lines, s.SupplierID, CntGrd);
  }
  // The longest document number must fit the column, or a suffix would be cut off.
  if (suppliers.last().Num.size() + 1 > kNumWidth) {
    ShowMessage(QStringLiteral("Inventarizācijas numurs ir pārāk garš!"));
    Edit1->setFocus();
    return;
  }

  TLineStop stop;
  QHash<TPair, int64_t> bookNow;
  try {
    RunInTransaction([&] {
      stop = TLineStop();
      bookNow.clear();
      LockDocNumbers();
      QVector<TPair> pairs;
      for (const auto &s : suppliers)
        for (const auto &l : s.Lines) pairs << TPair(l.CATID, l.COLOR);
      TLotMap lots = LockLots(pairs);

      // Every line was counted against the open lots as the source list showed them.
      for (const auto &s : suppliers)
        for (const auto &l : s.Lines) {
          const TPair key(l.CATID, l.COLOR);
          const int64_t open = OpenQuantity(lots.value(key));
          if (open != BookOf(l)) {
            stop.Reason = TLineStop::Changed;
            stop.Lines << key;
            bookNow.insert(key, open);
          }
        }
      if (stop.Reason != TLineStop::None) return;

      for (auto &s : suppliers) LoadLots(s.Lines, lots);
      stop.Lines = CollectExcessLines(suppliers);
      if (!stop.Lines.isEmpty()) {
        stop.Reason = TLineStop::Excess;
        return;
      }

      // Every number the posting writes must still be free.
      QStringList numbers{number};
      for (const auto &s : suppliers) {
        const uint8_t kinds = SubDocumentKinds(s.Lines);
        if (kinds & 1) numbers << s.Num + QStringLiteral("L");
        if (kinds & 2) numbers << s.Num + QStringLiteral("M");
      }
      ClaimDocNumbers(numbers);

      const int header = InsertWaybill(number, -1, DocKindStockCount, 0);
      if (header < 0) throw ECountPosting("the count header could not be inserted");

      QVector<TStockDelta> stock;
      QStringList countRows;
      for (auto &s : suppliers) {
        const uint8_t kinds = SubDocumentKinds(s.Lines);
        s.ShortageDocID = -1;
        s.SurplusDocID = -1;
        if (kinds & 1) {
          s.ShortageDocID = InsertWaybill(s.Num + QStringLiteral("L"), s.SupplierID, DocKindCountShortage, SumOfKind(s.Lines, qtyLess));
          if (s.ShortageDocID < 0) throw ECountPosting("a shortage document could not be inserted");
        }
        if (kinds & 2) {
          s.SurplusDocID = InsertWaybill(s.Num + QStringLiteral("M"), s.SupplierID, DocKindCountSurplus, SumOfKind(s.Lines, qtyMore));
          if (s.SurplusDocID < 0) throw ECountPosting("a surplus document could not be inserted");
        }
        for (const uint8_t kind : {uint8_t(qtyLess), uint8_t(qtyMore)}) {
          const int doc = kind == qtyLess ? s.ShortageDocID : s.SurplusDocID;
          if (doc < 0) continue;
          QVector<TNewLine> lines;
          for (const auto &l : s.Lines) {
            if (l.Kind != kind) continue;
            int64_t moved = 0;
            for (const auto &m : l.Lots) {
              const int64_t q = ToMillionths(m.Quantity);
              if (q <= 0) continue;
              lines.push_back({l.CATID, l.COLOR, q, m.Price, m.LotLineID, m.ReceiptID});
              moved += q;
            }
            stock.push_back({l.CATID, l.COLOR, kind == qtyLess ? -moved : moved});
            const int64_t counted = ToMillionths(l.Counted);
            const int64_t before = kind == qtyLess ? counted + ToMillionths(l.Diff) : counted - ToMillionths(l.Diff);
            countRows << QStringLiteral("(%1,%2,%3,%4,%5,%6,%7)")
                             .arg(header)
                             .arg(l.CATID)
                             .arg(l.COLOR)
                             .arg(Millionths(before), Millionths(counted), Money(MatSum(l.Lots)),
                                  Money(OpenValue(lots.value(TPair(l.CATID, l.COLOR)))));
          }
          InsertLinesWithLinks(doc, lines);
        }
      }

      QMap<int, int64_t> qtyOut;
      for (const auto &s : suppliers)
        for (const auto &l : s.Lines) {
          if (l.Lots.isEmpty()) continue;
          for (const TLot &lot : lots.value(TPair(l.CATID, l.COLOR)))
            for (const auto &m : l.Lots)
              if (m.LotLineID == lot.ID) qtyOut.insert(lot.ID, lot.Out);
        }
      SetLotQtyOut(qtyOut);
      AddToStockRows(stock);
      for (int from = 0; from < countRows.size(); from += kBatch)
        ExecSQL(QStringLiteral("insert into WaybillInventory (WAYBILLID,CATID,COLOR,QTYBEFORE,QTYAFTER,SUM,REMAIN) values") +
                countRows.mid(from, kBatch).join(QLatin1Char(',')));

      const double total = SQLFloat(Format(QStringLiteral(
          "select sum((w.QUANTITY-w.QTYOUT)*w.PRICE) from WaybillCont w  left join Waybill w1 on "
          "w1.ID=w.WAYBILLID where w1.ISOUT=%d and (w.QUANTITY-w.QTYOUT>0)"), {DocKindReceipt}));
      ExecSQL(Format(QStringLiteral("update Waybill set SUM=%10.6f where ID=%d"), {total, header}));
    });
  } catch (const ENumberTaken &) {
    // Another save took one of the numbers meanwhile: nothing was written, the lines stay.
    ShowMessage(QStringLiteral("Inventarizācijas numurs jau eksistē!"));
    ProposeAgainIfKept();
    Edit1->setFocus();
    return;
  } catch (const std::exception &) {
    MessageDlg(QStringLiteral("ERROR while saving invoice in Waybill table"), TMsgDlgType::mtError, mbOK, this);
    return;
  }
  ClearFullList(suppliers);

  if (stop.Reason != TLineStop::None) {
    int row = 0;
    FindGridRow(row, CntGrd, stop.Lines.first().first, stop.Lines.first().second);
    if (stop.Reason == TLineStop::Changed) {
      // Show the book quantity as it is now, so that the line can be checked and saved again.
      for (const TPair &p : stop.Lines) {
        int r = 0;
        if (FindGridRow(r, CntGrd, p.first, p.second))
          CntGrd->SetCells(3, r - 1, FormatFloat(kQtyMask, FromMillionths(bookNow.value(p))));
      }
    }
    CntGrd->SetRow(row - 1);
    const QString text = stop.Reason == TLineStop::Excess
                             ? QStringLiteral("Materials %s (%s). Daudzums parāk liels!")
                             : QStringLiteral("Materials %s (%s). Atlikums noliktavā ir mainījies!");
    MessageDlg(Format(text, {CntGrd->Cells(0, row - 1), CntGrd->Cells(1, row - 1)}), TMsgDlgType::mtError, mbOK, this);
    return;
  }
  SetModalResult(mrOk);
}
