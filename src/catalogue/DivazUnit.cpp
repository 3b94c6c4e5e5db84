#include "catalogue/DivazUnit.h"

#include <QAction>
#include <algorithm>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>

#include "catalogue/StorageModel.h"
#include "catalogue/inf_MatInfoUnit.h"
#include "catalogue/inf_MatSupplyInfoUnit.h"
#include "catalogue/inf_MaterialUnit.h"
#include "catalogue/inf_MinValuesUnit.h"
#include "catalogue/inf_SuppliersUnit.h"
#include "core/DocNumbers.h"
#include "core/ColorList.h"
#include "core/CommonFunctions.h"
#include "core/CommonVariables.h"
#include "core/DataLists.h"
#include "core/DataUnit.h"
#include "core/MaterialPosting.h"
#include "core/IDComboBox.h"
#include "core/SetupObject.h"
#include "core/Ledger.h"
#include "core/MyMsgUnit.h"
#include "documents/WBInUnit.h"
#include "documents/WBInventoryUnit.h"
#include "documents/WBOutUnit.h"
#include "platform/Grids.h"
#include "platform/Application.h"
#include "platform/Forms.h"
#include "platform/report/ReportProgress.h"
#include "platform/Dialogs.h"
#include "platform/SysUtils.h"
#include "reports/PrintFilterUnit.h"
#include "reports/SCALAExportUnit.h"
#include "reports/rep_CriticalRemainsUnit.h"
#include "reports/rep_InOutComeUnit.h"
#include "reports/rep_MaterialsFullUnit.h"
#include "reports/rep_MaterialsListUnit.h"
#include "reports/rep_RemainsUnit.h"
#include "reports/rep_RequisitionsUnit.h"
#include "reports/rep_ReserveByMaterialUnit.h"
#include "reports/rep_ReserveByOrderUnit.h"

TDivazForm *DivazForm = nullptr;

namespace {

const QString CatalogueSelect = QStringLiteral(
    "select c.*, sum(c1.QUANTITY) as QUANTITY, if (min(c1.QUANTITY) is null, 0.0, "
    "min(c1.QUANTITY))-c2.MINVALUE as DIFF from Catalog c left join CatalogQty c1 on "
    "c.ID=c1.CATID left join CatGroups c2 on (c.CATGROUP=c2.ID and c.SUBGROUP=c2.SUBID) ");
// The catalogue list reads the chosen materials' keys in order (from the group index alone) and
// the full rows of the materials on screen, a block at a time: a list over the whole store
// opens without reading and sending every field of every material first.
const QString CatalogueKeys = QStringLiteral("select c.ID, c.NAME from Catalog c ");
const QString CatalogueOrder = QStringLiteral(" order by c.CATGROUP, c.SUBGROUP, c.NAME, c.ID");
const TStorageModel::TDetail CatalogueRows{CatalogueSelect, QStringLiteral(" group by c.ID"), QStringLiteral("c.ID"),
                                           QStringLiteral("ID")};
// The stock list reads the keys of its rows in order and the full rows on screen a block at
// a time, as the catalogue list does. Its rows are the stock rows of the materials and colours
// that have an open lot of a receipt: table OpenStock holds exactly those, with what the list
// is ordered and filtered by (the material's group, subgroup, name, comments, profile system
// and measure, the stock row's quantity and the subgroup's minimum), kept by the server's
// triggers in the transaction of every change. Its index holds them in the list's order, so
// the list's cost follows its own rows, not the store's history or catalogue. Aliased as the
// catalogue is (c), it takes the filters as they are. %1 are the conditions (group, search,
// systems, critical) with their "where". Two stock rows of one material and colour (left by
// a colour-flag change until the clean-up merges them) are one row of the list: the first of
// them that the conditions let through.
const QString StockKeys = QStringLiteral(
    "select c.QTYID, c.CATID as QTYCATID, c.COLOR as QTYCOLOR from OpenStock c%1 "
    "order by c.CATGROUP, c.SUBGROUP, c.NAME, c.CATID, c.COLOR, c.QTYID");
// PRICE is the highest price of the row's open lots.
const TStorageModel::TDetail StockRows{
    Format(QStringLiteral(
        "select c1.ID as QTYID, c1.COLOR, c1.QUANTITY, (select max(w.PRICE) from WaybillCont w join Waybill w1 "
        "on w1.ID=w.WAYBILLID where w.OPENCAT=c1.CATID and w.COLOR=c1.COLOR and w1.ISOUT=%d) as PRICE, "
        "if (c1.QUANTITY is null, 0.0, c1.QUANTITY)-c2.MINVALUE as DIFF, c.ID, c.SYSTEMID, c.NAME, c.COMMENTS, "
        "c.CATGROUP, c.SUBGROUP, c.MEASURE, c.SUPPLIER from CatalogQty c1 left join Catalog c on c1.CATID=c.ID "
        "left join CatGroups c2 on (c.CATGROUP=c2.ID and c.SUBGROUP=c2.SUBID) "),
           {DocKindReceipt}),
    QString(), QStringLiteral("c1.ID"), QStringLiteral("QTYID"), {QStringLiteral("QTYCATID"), QStringLiteral("QTYCOLOR")}};
// The stock row's quantity against its subgroup's minimum, as OpenStock holds them.
const QString StockCritical = QStringLiteral("if(c.QUANTITY is null, 0.0, c.QUANTITY)-c.MINVALUE<0");
const QString QueryErrorText = QStringLiteral("ERROR EXECUTING QUERY! CALL SOFTWARE SERVICE MANAGER!");

// The glyph of a system button: the bitmap of an Images row. A missing row or an unreadable
// bitmap gives no image.
QPixmap LoadImage(int id) {
  QPixmap pixmap;
  TQuery &q = DATA->Qtmp1;
  q.SQL = QStringLiteral("select BITMAP from Images where ID=%1").arg(id);
  try {
    q.Open();
    if (!q.IsEmpty() && !q.Fields(0).IsNull()) pixmap.loadFromData(q.Fields(0).Value().toByteArray());
  } catch (const EDatabaseError &) {
    pixmap = QPixmap();
  }
  q.Close();
  return pixmap;
}

QWidget *Labeled(const QString &text, QWidget *control) {
  auto *box = new QWidget;
  auto *l = new QVBoxLayout(box);
  l->setContentsMargins(0, 0, 0, 0);
  l->setSpacing(1);
  auto *lbl = new QLabel(text);
  lbl->setBuddy(control);
  l->addWidget(lbl);
  l->addWidget(control);
  return box;
}

QPushButton *Button(const QString &name, const QString &caption) {
  auto *b = new QPushButton(caption);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

QAction *Action(QMenu *menu, const QString &name, const QString &caption) {
  QAction *a = menu->addAction(caption);
  a->setObjectName(name);
  return a;
}

// What the report filter gave back.
struct TFilterChoice {
  bool WithReserve = false;
  QString Groups, Period, Title;
};

// Runs the report filter with the given choices enabled; false when it was cancelled.
bool RunFilter(QWidget *owner, TFilterChoice &choice, bool reserve, bool groups, bool period) {
  return RunPrintFilter(choice.WithReserve, choice.Groups, choice.Period, choice.Title, owner, reserve, groups,
                        period);
}

// Brackets a re-run of the grid's query, also when the statement fails.
struct TRefreshGuard {
  explicit TRefreshGuard(TStorageModel *m) : model(m) { model->BeginRefresh(); }
  ~TRefreshGuard() { model->EndRefresh(); }
  TStorageModel *model;
};

}  // namespace

namespace {
// Cells keep the colour their row gives them when the row is selected: a critical quantity
// stays red on the highlight.
class TKeepColourDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    const QVariant colour = index.data(Qt::ForegroundRole);
    if (colour.canConvert<QBrush>())
      option->palette.setBrush(QPalette::HighlightedText, qvariant_cast<QBrush>(colour));
  }
};
}  // namespace

TDivazForm::TDivazForm(QWidget *parent) : QMainWindow(parent) {
  DivazForm = this;
  setObjectName(QStringLiteral("DivazForm"));
  setWindowTitle(QStringLiteral("DI Vidududiz 1.1"));
  auto *central = new QWidget(this);
  setCentralWidget(central);

  // Profile-system buttons.
  Label8 = new QLabel(QStringLiteral("Системы:"));
  Label8->setObjectName(QStringLiteral("Label8"));
  FSystemsLayout = new QHBoxLayout;
  FSystemsLayout->setSpacing(1);
  auto *systems = new QHBoxLayout;
  systems->addWidget(Label8);
  systems->addLayout(FSystemsLayout);
  systems->addStretch();

  // Group, subgroup, mode and search.
  IDcb_Grp = new TIDComboBox;
  IDcb_Grp->setObjectName(QStringLiteral("IDcb_Grp"));
  IDcb_Grp->setMaxVisibleItems(30);
  IDcb_Grp->setMinimumWidth(160);
  IDcb_SubGrp = new TIDComboBox;
  IDcb_SubGrp->setObjectName(QStringLiteral("IDcb_SubGrp"));
  IDcb_SubGrp->setMaxVisibleItems(30);
  IDcb_SubGrp->setMinimumWidth(150);
  SpeedButton1 = new QToolButton;
  SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  SpeedButton1->setCheckable(true);
  SpeedButton1->setText(QStringLiteral("Остатки"));
  SpeedButton1->setToolTip(QStringLiteral("Tikai tekošie noliktavas ieraksi"));
  SpeedButton2 = new QToolButton;
  SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
  SpeedButton2->setCheckable(true);
  SpeedButton2->setText(QStringLiteral("Критич."));
  SpeedButton2->setToolTip(QStringLiteral("Kritiskie noliktavas atlikumi"));
  for (QToolButton *b : {SpeedButton1, SpeedButton2}) b->setMinimumHeight(24);

  GroupBox1 = new QGroupBox(QStringLiteral("Поиск"));
  GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
  Edit1 = new QLineEdit;
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setMinimumWidth(120);
  IDcb_Measure = new TIDComboBox;
  IDcb_Measure->setObjectName(QStringLiteral("IDcb_Measure"));
  IDcb_Measure->setMinimumWidth(70);
  FindBtn = Button(QStringLiteral("FindBtn"), QStringLiteral("Искать"));
  auto *search = new QHBoxLayout(GroupBox1);
  search->setContentsMargins(6, 2, 6, 4);
  search->addWidget(Labeled(QStringLiteral("Наименование"), Edit1), 1);
  search->addWidget(Labeled(QStringLiteral("Ед.изм."), IDcb_Measure));
  search->addWidget(FindBtn, 0, Qt::AlignBottom);

  // Labels above their boxes; the mode buttons on the boxes' line; the search box beside.
  auto *filters = new QGridLayout;
  filters->setHorizontalSpacing(6);
  filters->setVerticalSpacing(1);
  auto *grpLabel = new QLabel(QStringLiteral("Группа материалов"));
  grpLabel->setBuddy(IDcb_Grp);
  auto *subLabel = new QLabel(QStringLiteral("Подгруппа"));
  subLabel->setBuddy(IDcb_SubGrp);
  filters->addWidget(grpLabel, 0, 0);
  filters->addWidget(subLabel, 0, 1);
  filters->addWidget(IDcb_Grp, 1, 0);
  filters->addWidget(IDcb_SubGrp, 1, 1);
  filters->addWidget(SpeedButton1, 1, 2);
  filters->addWidget(SpeedButton2, 1, 3);
  filters->setColumnStretch(0, 3);
  filters->setColumnStretch(1, 3);
  // The grid.
  Model = new TStorageModel(this);
  DBGrid1 = new QTableView;
  DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
  DBGrid1->setModel(Model);
  DBGrid1->setItemDelegate(new TKeepColourDelegate(DBGrid1));
  DBGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
  DBGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
  DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
  DBGrid1->verticalHeader()->setVisible(false);
  DBGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  DBGrid1->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  DBGrid1->setWordWrap(false);
  DBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
  DBGrid1->installEventFilter(this);

  // Commands.
  InBitBtn = Button(QStringLiteral("InBitBtn"), QStringLiteral("Приход"));
  OutBitBtn = Button(QStringLiteral("OutBitBtn"), QStringLiteral("Расход"));
  SpeedButton3 = Button(QStringLiteral("SpeedButton3"), QStringLiteral("Инвент."));
  SpeedButton3->setToolTip(QStringLiteral("Inventory"));
  ChangeBitBtn = Button(QStringLiteral("ChangeBitBtn"), QStringLiteral("Карточка"));
  InfoBtn = Button(QStringLiteral("InfoBtn"), QStringLiteral("Остатки"));
  AddBitBtn = Button(QStringLiteral("AddBitBtn"), QStringLiteral("Добав."));
  DelBitBtn = Button(QStringLiteral("DelBitBtn"), QStringLiteral("Удалить"));
  BitBtn7 = Button(QStringLiteral("BitBtn7"), QStringLiteral("Печать"));
  BitBtn1 = Button(QStringLiteral("BitBtn1"), QStringLiteral("Выход"));
  auto *commands = new QHBoxLayout;
  for (QPushButton *b : {InBitBtn, OutBitBtn, SpeedButton3}) commands->addWidget(b);
  commands->addSpacing(12);
  for (QPushButton *b : {ChangeBitBtn, InfoBtn, AddBitBtn, DelBitBtn}) commands->addWidget(b);
  commands->addSpacing(12);
  commands->addWidget(BitBtn7);
  commands->addStretch();
  commands->addWidget(BitBtn1);

  auto *top = new QVBoxLayout(central);
  top->setContentsMargins(6, 6, 6, 6);
  top->addLayout(systems);
  auto *filterRow = new QHBoxLayout;
  filterRow->addLayout(filters, 1);
  filterRow->setAlignment(filters, Qt::AlignBottom);
  filterRow->addWidget(GroupBox1, 0, Qt::AlignBottom);
  top->addLayout(filterRow);
  top->addWidget(DBGrid1, 1);
  top->addLayout(commands);

  // Context menu and print menu.
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  Atlikumi1 = Action(PopupMenu1, QStringLiteral("Atlikumi1"), QStringLiteral("Остатки"));
  N1 = Action(PopupMenu1, QStringLiteral("N1"), QStringLiteral("Добавить"));
  N1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Insert));
  N2 = Action(PopupMenu1, QStringLiteral("N2"), QStringLiteral("Удалить"));
  N2->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
  N6 = Action(PopupMenu1, QStringLiteral("N6"), QStringLiteral("Карточка"));
  N7 = PopupMenu1->addMenu(QStringLiteral("Печать"));
  N7->setObjectName(QStringLiteral("N7"));
  PopupMenu1->addSeparator();
  N4 = Action(PopupMenu1, QStringLiteral("N4"), QStringLiteral("Приход"));
  N5 = Action(PopupMenu1, QStringLiteral("N5"), QStringLiteral("Расход"));
  N12 = Action(PopupMenu1, QStringLiteral("N12"), QStringLiteral("Инвентаризация"));
  PopupMenu1->addSeparator();
  Kritiskoatlikumulaboana1 =
      Action(PopupMenu1, QStringLiteral("Kritiskoatlikumulaboana1"), QStringLiteral("Критические остатки"));
  Piegdtjusaraksts1 =
      Action(PopupMenu1, QStringLiteral("Piegdtjusaraksts1"), QStringLiteral("Список поставщиков"));
  PopupMenu1->addSeparator();
  EksportsuzSCALA1 = PopupMenu1->addMenu(QStringLiteral("Экспорт SCALA"));
  EksportsuzSCALA1->setObjectName(QStringLiteral("EksportsuzSCALA1"));
  InvoiceExport = Action(EksportsuzSCALA1, QStringLiteral("InvoiceExport"), QStringLiteral("Приход материалов"));
  WriteOffExport = Action(EksportsuzSCALA1, QStringLiteral("WriteOffExport"), QStringLiteral("Расход материалов"));
  PopupMenu1->addSeparator();
  REMOVECOLORINFO1 = Action(PopupMenu1, QStringLiteral("REMOVECOLORINFO1"), QStringLiteral("REMOVE COLOR INFO"));
  REMOVECOLORINFO1->setShortcut(QKeySequence(Qt::Key_F5));

  PopupMenu2 = new QMenu(this);
  PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
  Catalogs1 = Action(N7, QStringLiteral("Catalogs1"), QStringLiteral("Каталог"));
  N7->addSeparator();
  N8 = Action(N7, QStringLiteral("N8"), QStringLiteral("Заявки"));
  N16 = Action(N7, QStringLiteral("N16"), QStringLiteral("Приходные накладные"));
  N17 = Action(N7, QStringLiteral("N17"), QStringLiteral("Расходные накладные"));
  N19 = Action(N7, QStringLiteral("N19"), QStringLiteral("Остатки материалов"));
  N9 = Action(N7, QStringLiteral("N9"), QStringLiteral("Критические остатки"));
  N13 = N7->addMenu(QStringLiteral("Зарезерв. материалы"));
  N13->setObjectName(QStringLiteral("N13"));
  N14 = Action(N13, QStringLiteral("N14"), QStringLiteral("По наименованиям"));
  N15 = Action(N13, QStringLiteral("N15"), QStringLiteral("По заказам"));
  N18 = Action(N7, QStringLiteral("N18"), QStringLiteral("Приход/расход за период"));
  Catalogs2 = Action(PopupMenu2, QStringLiteral("Catalogs2"), QStringLiteral("Каталог"));
  PopupMenu2->addSeparator();
  N20 = Action(PopupMenu2, QStringLiteral("N20"), QStringLiteral("Заявки"));
  N21 = Action(PopupMenu2, QStringLiteral("N21"), QStringLiteral("Приходные накладные"));
  N22 = Action(PopupMenu2, QStringLiteral("N22"), QStringLiteral("Расходные накладные"));
  N23 = Action(PopupMenu2, QStringLiteral("N23"), QStringLiteral("Остатки материалов"));
  N24 = Action(PopupMenu2, QStringLiteral("N24"), QStringLiteral("Критические остатки"));
  N25 = PopupMenu2->addMenu(QStringLiteral("Зарезервированные материалы"));
  N25->setObjectName(QStringLiteral("N25"));
  N26 = Action(N25, QStringLiteral("N26"), QStringLiteral("По наименованиям"));
  N27 = Action(N25, QStringLiteral("N27"), QStringLiteral("По заказам"));
  N28 = Action(PopupMenu2, QStringLiteral("N28"), QStringLiteral("Приход/расход за период"));

  // The journals.
  connect(InBitBtn, &QPushButton::clicked, this, [this] { Guarded([&] { InBitBtnClick(); }); });
  connect(N4, &QAction::triggered, this, [this] { Guarded([&] { InBitBtnClick(); }); });
  connect(OutBitBtn, &QPushButton::clicked, this, [this] { Guarded([&] { OutBitBtnClick(); }); });
  connect(N5, &QAction::triggered, this, [this] { Guarded([&] { OutBitBtnClick(); }); });
  connect(SpeedButton3, &QPushButton::clicked, this, [this] { Guarded([&] { SpeedButton3Click(); }); });
  connect(N12, &QAction::triggered, this, [this] { Guarded([&] { SpeedButton3Click(); }); });
  // Deletion and the colour clean-up.
  connect(DelBitBtn, &QPushButton::clicked, this, [this] { Guarded([&] { DelBitBtnClick(); }); });
  connect(N2, &QAction::triggered, this, [this] { Guarded([&] { DelBitBtnClick(); }); });
  connect(REMOVECOLORINFO1, &QAction::triggered, this, [this] { Guarded([&] { REMOVECOLORINFO1Click(); }); });
  // Printing: both menus share the handlers.
  connect(BitBtn7, &QPushButton::clicked, this, [this] { Guarded([&] { BitBtn7Click(); }); });
  const auto onPrint = [this](std::initializer_list<QAction *> actions, void (TDivazForm::*handler)()) {
    for (QAction *a : actions)
      connect(a, &QAction::triggered, this, [this, handler] { Guarded([&] { (this->*handler)(); }); });
  };
  onPrint({N8, N20}, &TDivazForm::N8Click);
  onPrint({N14, N26}, &TDivazForm::N14Click);
  onPrint({N15, N27}, &TDivazForm::N15Click);
  onPrint({N16, N21}, &TDivazForm::N16Click);
  onPrint({N17, N22}, &TDivazForm::N17Click);
  onPrint({N18, N28}, &TDivazForm::N18Click);
  onPrint({Catalogs1, Catalogs2}, &TDivazForm::Catalogs1Click);
  onPrint({N19, N23}, &TDivazForm::N19Click);
  onPrint({N9, N24}, &TDivazForm::N9Click);
  // The accounting export.
  connect(InvoiceExport, &QAction::triggered, this, [this] { Guarded([&] { InvoiceExportClick(); }); });
  connect(WriteOffExport, &QAction::triggered, this, [this] { Guarded([&] { WriteOffExportClick(); }); });
  for (QAction *a : PopupMenu1->actions()) {
    a->setShortcutContext(Qt::WindowShortcut);
    addAction(a);
  }

  // Wiring: combo handlers run on the user's choices only.
  connect(IDcb_Grp, &QComboBox::activated, this, [this] { Guarded([&] { IDcb_GrpChange(); }); });
  connect(IDcb_SubGrp, &QComboBox::activated, this, [this] { Guarded([&] { IDcb_SubGrpChange(); }); });
  connect(IDcb_Measure, &QComboBox::activated, this, [this] { Guarded([&] { FindBtnClick(); }); });
  connect(FindBtn, &QPushButton::clicked, this, [this] { Guarded([&] { FindBtnClick(); }); });
  connect(Edit1, &QLineEdit::returnPressed, this, [this] { Guarded([&] { FindBtnClick(); }); });
  IDcb_Measure->installEventFilter(this);
  connect(SpeedButton1, &QToolButton::clicked, this, [this] { Guarded([&] { SpeedButton1Click(); }); });
  connect(SpeedButton2, &QToolButton::clicked, this, [this] { Guarded([&] { SpeedButton2Click(); }); });
  connect(ChangeBitBtn, &QPushButton::clicked, this, [this] { Guarded([&] { AddBitBtnClick(1); }); });
  connect(AddBitBtn, &QPushButton::clicked, this, [this] { Guarded([&] { AddBitBtnClick(0); }); });
  connect(N1, &QAction::triggered, this, [this] { Guarded([&] { AddBitBtnClick(0); }); });
  connect(N6, &QAction::triggered, this, [this] { Guarded([&] { AddBitBtnClick(999); }); });
  connect(DBGrid1, &QTableView::doubleClicked, this, [this] { Guarded([&] { AddBitBtnClick(1); }); });
  connect(InfoBtn, &QPushButton::clicked, this, [this] { Guarded([&] { DBGrid1DblClick(); }); });
  connect(Atlikumi1, &QAction::triggered, this, [this] { Guarded([&] { DBGrid1DblClick(); }); });
  connect(Piegdtjusaraksts1, &QAction::triggered, this, [this] { Guarded([&] { Piegdtjusaraksts1Click(); }); });
  connect(Kritiskoatlikumulaboana1, &QAction::triggered, this,
          [this] { Guarded([&] { Kritiskoatlikumulaboana1Click(); }); });
  connect(BitBtn1, &QPushButton::clicked, this, &QWidget::close);
  connect(PopupMenu1, &QMenu::aboutToShow, this, [this] { PopupMenu1Popup(); });
  connect(DBGrid1, &QWidget::customContextMenuRequested, this,
          [this](const QPoint &p) { PopupMenu1->popup(DBGrid1->viewport()->mapToGlobal(p)); });
  setContextMenuPolicy(Qt::CustomContextMenu);
  connect(this, &QWidget::customContextMenuRequested, this,
          [this](const QPoint &p) { PopupMenu1->popup(mapToGlobal(p)); });

  // Designed size; the registry keeps the user's placement.
  resize(796, 600);
  setMinimumWidth(796);
  PlaceOnFirstShow(this, poScreenCenter);
  LoadFormPosition(this, true);
}

TDivazForm::~TDivazForm() {
  if (DivazForm == this) DivazForm = nullptr;
}

void TDivazForm::showEvent(QShowEvent *event) {
  QMainWindow::showEvent(event);
  if (FShown) return;
  FShown = true;
  Guarded([&] { FormShow(); });
}

void TDivazForm::closeEvent(QCloseEvent *event) {
  SaveFormPosition(this, true);
  QMainWindow::closeEvent(event);
}

bool TDivazForm::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (watched == DBGrid1) {
        Guarded([&] { DBGrid1DblClick(); });
        return true;
      }
      if (watched == IDcb_Measure) {
        Guarded([&] { FindBtnClick(); });
        return true;
      }
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

void TDivazForm::BuildSystemButtons() {
  qDeleteAll(FSystemButtons);
  FSystemButtons.clear();
  const TSetupObject *setup = DATA->Setup.get();
  const int count = setup ? setup->GetChildCount(QByteArray("0")) : 0;
  if (count <= 0) return;
  const auto make = [this](const QString &hint, int tag, int bcatId) {
    auto *b = new QToolButton(this);
    b->setCheckable(true);
    b->setFixedSize(28, 28);
    b->setIconSize(QSize(24, 24));
    b->setToolTip(hint);
    b->setProperty("tag", tag);
    b->setObjectName(tag < 0 ? QStringLiteral("tbAll") : QStringLiteral("tbSystem%1").arg(tag));
    const QPixmap glyph = LoadImage(bcatId);
    if (!glyph.isNull()) b->setIcon(QIcon(glyph));
    else b->setText(tag < 0 ? QStringLiteral("*") : QString::number(tag));
    FSystemsLayout->addWidget(b);
    FSystemButtons << b;
    return b;
  };
  const TSNodeInfo *root = setup->FindNode(QByteArray("0"));
  QToolButton *all = make(QStringLiteral("Все"), -1, root ? root->BCatID : 0);
  all->setChecked(true);
  connect(all, &QToolButton::clicked, this, [this] { Guarded([&] { tbAllClick(); }); });
  for (int i = 0; i < count; ++i) {
    const TSNodeInfo *node = setup->FindNode(QByteArray("0") + KeyChar(i));
    QToolButton *b = make(node ? node->Caption : QString(), i, node ? node->BCatID : 0);
    connect(b, &QToolButton::clicked, this, [this] { Guarded([&] { tbOneClick(); }); });
  }
}

void TDivazForm::FormShow() {
  BuildSystemButtons();
  IDcb_Measure->Clear();
  FillIDComboSQL(IDcb_Measure, QStringLiteral("select NAME, ID from Measures"), true);
  IDcb_Measure->SetItemIndex(0);
  if (Groups) Groups->FillGroupCombo(IDcb_Grp, true);
  if (IDcb_Grp->count() > 0) IDcb_Grp->SetItemIndex(0);
  AddBitBtn->setEnabled(false);
  DelBitBtn->setEnabled(false);
  ChangeBitBtn->setEnabled(false);
  ViewMode = 0;
  Model->SetSource(&DATA->Q_Storage, 0, CatalogueRows);
  ApplyColumnWidths();
  SetModeButtons();
  SetModeCaption(true);
  // the group change reads the catalogue for the chosen group
  IDcb_GrpChange();
}

void TDivazForm::SetModeButtons() {
  const bool catalogue = ViewMode == 0;
  AddBitBtn->setEnabled(catalogue);
  DelBitBtn->setEnabled(catalogue);
  ChangeBitBtn->setEnabled(catalogue);
  InfoBtn->setEnabled(!catalogue);
}

void TDivazForm::SetModeCaption(bool start) {
  QString text;
  if (start)
    text = QStringLiteral("DI Vidududiz 1.1 / КАТАЛОГ + ПРОИЗВОДСТВЕННЫЕ ОСТАТКИ [Пользователь: %1]");
  else if (ViewMode == 1)
    text = QStringLiteral("DI Vidududiz 1.1 / ОСТАТКИ МАТЕРИАЛОВ [Пользователь: %1]");
  else
    text = QStringLiteral("DI Vidududiz 1.1 / КАТАЛОГ МАТЕРИАЛОВ [Пользователь: %1]");
  setWindowTitle(text.arg(CurrentUser.NAME));
}

void TDivazForm::ApplyColumnWidths() {
  const int digit = DBGrid1->fontMetrics().horizontalAdvance(QLatin1Char('0'));
  const auto &columns = Model->Columns();
  for (int i = 0; i < columns.size(); ++i) {
    const int chars = columns[i].WidthChars > 0 ? columns[i].WidthChars : 10;
    DBGrid1->setColumnWidth(i, chars * digit + 6);
  }
  FitColumnTitles(DBGrid1);
}

void TDivazForm::SetFilter(const QString &condition) {
  FFilter = condition;
  RefreshCatalog();
}

QString TDivazForm::SystemsClause() const {
  if (FSystemButtons.isEmpty() || FSystemButtons[0]->isChecked()) return QString();
  QString s = QStringLiteral(" c.SYSTEMID in (");
  for (int i = 1; i < FSystemButtons.size(); ++i)
    if (FSystemButtons[i]->isChecked()) s += QStringLiteral("%1,").arg(FSystemButtons[i]->property("tag").toInt());
  s.chop(1);
  return s + QLatin1Char(')');
}

QString TDivazForm::ReportSystemsClause() const {
  const QString s = SystemsClause();
  return s.isEmpty() ? s : QStringLiteral(" and") + s;
}

void TDivazForm::RefreshCatalog() {
  const TBusyCursor busy;  // a list over the whole store may take a while
  const QString f = GetFilter();
  const QString s = SystemsClause();
  if (ViewMode == 0) {
    SpeedButton2->setEnabled(false);
    if (Model->Source() != &DATA->Q_Storage) {
      Model->SetSource(&DATA->Q_Storage, 0, CatalogueRows);
      ApplyColumnWidths();
    }
    TRefreshGuard guard(Model);
    TQuery &q = DATA->Q_Storage;
    q.Close();
    q.SQL.clear();
    if (f.isEmpty() && s.isEmpty()) q.SQL = CatalogueKeys + QLatin1Char(' ') + CatalogueOrder;
    else if (s.isEmpty()) q.SQL = CatalogueKeys + QStringLiteral(" where ") + f + QLatin1Char(' ') + CatalogueOrder;
    else if (f.isEmpty()) q.SQL = CatalogueKeys + QStringLiteral(" where ") + s + QLatin1Char(' ') + CatalogueOrder;
    else
      q.SQL = CatalogueKeys + QStringLiteral(" where ") + f + QStringLiteral(" and ") + s + QLatin1Char(' ') +
              CatalogueOrder;
    q.Open();
    Model->ForgetRows();
  } else if (ViewMode == 1) {
    SpeedButton2->setEnabled(true);
    if (Model->Source() != &DATA->Q_Storage1) {
      Model->SetSource(&DATA->Q_Storage1, 1, StockRows);
      ApplyColumnWidths();
    }
    TRefreshGuard guard(Model);
    TQuery &q = DATA->Q_Storage1;
    q.Close();
    q.SQL.clear();
    QStringList conditions;
    if (!f.isEmpty()) conditions << f;
    if (!s.isEmpty()) conditions << s;
    if (SpeedButton2->isChecked()) conditions << StockCritical;
    q.SQL = StockKeys.arg(conditions.isEmpty() ? QString()
                                                : QStringLiteral(" where ") + conditions.join(QStringLiteral(" and ")));
    q.Open();
    Model->ForgetRows();
  } else {
    return;
  }
  if (Model->rowCount() > 0) DBGrid1->setCurrentIndex(Model->index(0, 0));
  // The shortcuts of the context menu (Ctrl+Delete, F5) follow the mode and the rows too.
  PopupMenu1Popup();
}

void TDivazForm::tbAllClick() {
  for (int i = 1; i < FSystemButtons.size(); ++i) FSystemButtons[i]->setChecked(false);
  if (!FSystemButtons.isEmpty()) FSystemButtons[0]->setChecked(true);
  RefreshCatalog();
}

void TDivazForm::tbOneClick() {
  if (FSystemButtons.isEmpty()) return;
  FSystemButtons[0]->setChecked(false);
  bool any = false;
  for (QToolButton *b : FSystemButtons) any = any || b->isChecked();
  if (!any) FSystemButtons[0]->setChecked(true);
  RefreshCatalog();
}

void TDivazForm::IDcb_GrpChange() {
  const TcbIntObj *group = IDcb_Grp->SelectedObj();
  const int groupId = group ? group->ID : -1;
  if (Groups) Groups->FillSubgroupCombo(groupId, IDcb_SubGrp, true);
  else IDcb_SubGrp->Clear();
  if (IDcb_SubGrp->count() == 0) {
    IDcb_SubGrp->setEnabled(false);
  } else {
    IDcb_SubGrp->setEnabled(true);
    IDcb_SubGrp->SetItemIndex(0);
  }
  SetFilter(groupId >= 0 ? QStringLiteral("c.CATGROUP=%1 ").arg(groupId) : QString());
}

void TDivazForm::IDcb_SubGrpChange() {
  const TcbIntObj *sub = IDcb_SubGrp->SelectedObj();
  if (!sub) {
    IDcb_GrpChange();
    return;
  }
  const TcbIntObj *group = IDcb_Grp->SelectedObj();
  const int groupId = group ? group->ID : -1;
  if (sub->ID >= 0) SetFilter(QStringLiteral("c.CATGROUP=%1 and c.SUBGROUP=%2 ").arg(groupId).arg(sub->ID));
  else SetFilter(QStringLiteral("c.CATGROUP=%1 ").arg(groupId));
}

void TDivazForm::FindBtnClick() {
  if (IDcb_Grp->count() > 0) IDcb_Grp->SetItemIndex(0);
  const TcbIntObj *group = IDcb_Grp->SelectedObj();
  if (Groups) Groups->FillSubgroupCombo(group ? group->ID : -1, IDcb_SubGrp, true);
  else IDcb_SubGrp->Clear();
  IDcb_SubGrp->setEnabled(IDcb_SubGrp->count() > 0);
  // The typed text is matched as typed: quotes and backslashes are escaped, while '%' and '_'
  // keep their wildcard meaning.
  const QString t = EscapeLike(Edit1->text());
  QString condition = QStringLiteral("(c.NAME like \"%") + t + QStringLiteral("%\" or c.COMMENTS like \"%") + t +
                      QStringLiteral("%\")");
  // A text of nothing but '%' matches every material that has a name or comments: while
  // every material has a name (the card requires one), that is every material with a name,
  // which the server finds in the group index instead of reading every material's comments.
  if (std::all_of(t.cbegin(), t.cend(), [](QChar ch) { return ch == QLatin1Char('%'); }) &&
      SQLInt(QStringLiteral("select count(*) from Catalog where NAME is null")) == 0)
    condition = QStringLiteral("c.NAME is not null");
  const TcbIntObj *measure = IDcb_Measure->SelectedObj();
  if (measure && measure->ID >= 0) condition += QStringLiteral(" and c.MEASURE=%1").arg(measure->ID);
  SetFilter(condition);
}

void TDivazForm::SpeedButton2Click() { RefreshCatalog(); }

void TDivazForm::SpeedButton1Click() {
  if (SpeedButton1->isChecked()) {
    ViewMode = 1;
    Model->SetSource(&DATA->Q_Storage1, 1, StockRows);
  } else {
    ViewMode = 0;
    Model->SetSource(&DATA->Q_Storage, 0, CatalogueRows);
  }
  ApplyColumnWidths();
  SetModeButtons();
  SetModeCaption(false);
  RefreshCatalog();
}

int TDivazForm::CurrentRow() const {
  const QModelIndex i = DBGrid1->currentIndex();
  return i.isValid() ? i.row() : (Model->rowCount() > 0 ? 0 : -1);
}

QVariant TDivazForm::CurrentField(const QString &field) const { return Model->Value(CurrentRow(), field); }

void TDivazForm::LocateName(const QString &name) {
  for (int r = 0; r < Model->rowCount(); ++r) {
    if (Model->Value(r, QStringLiteral("NAME")).toString().compare(name, Qt::CaseInsensitive) == 0) {
      DBGrid1->setCurrentIndex(Model->index(r, 0));
      DBGrid1->scrollTo(Model->index(r, 0));
      return;
    }
  }
}

void TDivazForm::AddBitBtnClick(int tag) {
  if (ViewMode == 1) return;
  const bool hasRow = DATA->Q_Storage.Active() && DATA->Q_Storage.RecordCount() > 0;
  if (!hasRow && tag > 0) return;
  const int id = tag >= 1 ? CurrentField(QStringLiteral("ID")).toInt() : -1;
  Tinf_Material card(this, id);
  if (card.ShowModal() == mrOk) {
    IDcb_SubGrpChange();
    LocateName(card.eName->text());
  } else if (card.Changed) {
    const QString name = CurrentField(QStringLiteral("NAME")).toString();
    IDcb_SubGrpChange();
    LocateName(name);
  }
}

void TDivazForm::DBGrid1DblClick() {
  if (CurrentRow() < 0) return;
  const int id = CurrentField(QStringLiteral("ID")).toInt();
  if (ViewMode == 0) {
    if (SQLInt(QStringLiteral("select count(*) from CatalogQty where CATID=%1").arg(id)) > 0) {
      Tinf_MatInfo info(this, id, CurrentField(QStringLiteral("NAME")).toString(),
                        CurrentField(QStringLiteral("CATGROUP")).toInt(),
                        CurrentField(QStringLiteral("SUBGROUP")).toInt());
      info.ShowModal();
    }
  } else if (ViewMode == 1) {
    const int color = CurrentField(QStringLiteral("COLOR")).toInt();
    TColorRec rec;
    if (Colors) Colors->GetColorRec(color, CurrentField(QStringLiteral("SYSTEMID")).toInt(), rec);
    Tinf_MatSupplyInfo info(this, id, color,
                            CurrentField(QStringLiteral("NAME")).toString() + QStringLiteral(" (") + rec.Caption +
                                QLatin1Char(')'));
    info.ShowModal();
  }
}

void TDivazForm::PopupMenu1Popup() {
  const bool stock = ViewMode == 1;
  const bool catalogueRows = !stock && DATA->Q_Storage.Active() && DATA->Q_Storage.RecordCount() > 0;
  const bool stockRows = stock && Model->Source() == &DATA->Q_Storage1 && Model->rowCount() > 0;
  Atlikumi1->setEnabled(stock);
  REMOVECOLORINFO1->setEnabled(stock);
  N1->setEnabled(catalogueRows);
  N2->setEnabled(catalogueRows);
  N6->setEnabled(catalogueRows);
  N7->setEnabled(catalogueRows || stockRows);
}

void TDivazForm::Piegdtjusaraksts1Click() {
  Tinf_Suppliers list(this, 0);
  list.ShowModal();
  if (list.Changed) {
    SupplierList->LoadFromSQL(QStringLiteral("select ID, NAME from Suppliers order by NAME"));
    DBGrid1->viewport()->update();
  }
}

void TDivazForm::Kritiskoatlikumulaboana1Click() {
  Tinf_MinValues values(this);
  values.ShowModal();
}

void TDivazForm::InBitBtnClick() {
  std::unique_ptr<TWBIn> journal(new TWBIn(this));
  WBIn = journal.get();
  journal->ShowModal();
  const bool changed = journal->Changed;
  journal.reset();
  WBIn = nullptr;
  if (changed) IDcb_GrpChange();
}

void TDivazForm::OutBitBtnClick() {
  std::unique_ptr<TWBOut> journal(new TWBOut(this));
  journal->ShowModal();
  const bool changed = journal->Changed;
  journal.reset();
  if (changed) IDcb_GrpChange();
}

void TDivazForm::SpeedButton3Click() {
  std::unique_ptr<TWBInventory> journal(new TWBInventory(this));
  journal->ShowModal();
  const bool changed = journal->Changed;
  journal.reset();
  if (changed) IDcb_GrpChange();
}

void TDivazForm::DelBitBtnClick() {
  // Deletion works on the catalogue list only.
  if (ViewMode != 0 || !DATA->Q_Storage.Active() || DATA->Q_Storage.RecordCount() < 1 || CurrentRow() < 0) return;
  if (MessageDlg(QStringLiteral("Удалить артикул из каталога? Вы уверены?"), TMsgDlgType::mtConfirmation,
                 mbYes | mbNo, this) == mrNo)
    return;
  const int id = CurrentField(QStringLiteral("ID")).toInt();
  try {
    // A material that documents, counts or stock still name stays: deleting it would leave
    // lines and stock without a material. Stock rows left empty go with the material.
    if (!DeleteMaterial(id))
      ShowMessage(QStringLiteral("Артикул есть на складе, в резерве или в документах: удалить его нельзя."));
  } catch (const std::exception &e) {
    ShowMessage(FailureText(e, QueryErrorText));
  }
  IDcb_SubGrpChange();
}

void TDivazForm::REMOVECOLORINFO1Click() {
  if (ViewMode != 1 || Model->Source() != &DATA->Q_Storage1 || Model->rowCount() < 1 || CurrentRow() < 0) return;
  if (MessageDlg(QStringLiteral("Materiālam bus izdzēsta krāsu informācija!\r\rApstipriniet izmaiņas."),
                 TMsgDlgType::mtConfirmation, mbYes | mbNo, this) != mrYes)
    return;
  try {
    RemoveColourInfo(CurrentField(QStringLiteral("ID")).toInt());
  } catch (const std::exception &e) {
    ShowMessage(FailureText(e, QueryErrorText));
  }
}

void TDivazForm::BitBtn7Click() { PopupMenu2->popup(BitBtn7->mapToGlobal(QPoint(0, 0))); }

// Each print entry starts its report's run before the report reads anything: the progress
// dialog shows at once, however long the report's first query takes.
void TDivazForm::N8Click() { PrintRequisitions(this); }

void TDivazForm::N14Click() {
  TReportRun run(this);
  TPrintReserveByMaterial report(this);
  report.Preview();
}

void TDivazForm::N15Click() {
  TReportRun run(this);
  TPrintReserveByOrder report(this);
  report.Preview();
}

void TDivazForm::N16Click() {
  TFilterChoice f;
  if (!RunFilter(this, f, false, false, true)) return;
  TReportRun run(this);
  TPrintInOutCome report(this, 0, f.Period, f.Title);
  report.Preview();
}

void TDivazForm::N17Click() {
  TFilterChoice f;
  if (!RunFilter(this, f, false, false, true)) return;
  TReportRun run(this);
  TPrintInOutCome report(this, 1, f.Period, f.Title);
  report.Preview();
}

void TDivazForm::N18Click() {
  TFilterChoice f;
  if (!RunFilter(this, f, true, true, true)) return;
  TReportRun run(this);
  TPrintMeterialsFull report(this, f.WithReserve, f.Groups, f.Period);
  report.AddInfo->Caption = f.Title;
  report.Preview();
}

void TDivazForm::Catalogs1Click() {
  TFilterChoice f;
  if (!RunFilter(this, f, false, true, false)) return;
  TReportRun run(this);
  Trep_MaterialsList report(this, f.Groups, ReportSystemsClause());
  report.Preview();
}

void TDivazForm::N19Click() {
  TFilterChoice f;
  if (!RunFilter(this, f, true, true, false)) return;
  TReportRun run(this);
  TPrintRemains report(this, f.WithReserve ? 1 : 0, f.Groups);
  report.AddInfo->Caption = f.Title;
  report.Preview();
}

void TDivazForm::N9Click() {
  TFilterChoice f;
  if (!RunFilter(this, f, true, true, false)) return;
  TReportRun run(this);
  TPrintCriticalRemains report(this, f.WithReserve ? 1 : 0, f.Groups);
  report.AddInfo->Caption = f.Title;
  report.Preview();
}

void TDivazForm::InvoiceExportClick() {
  TSCALAExpForm form(this, 0);
  form.ShowModal();
}

void TDivazForm::WriteOffExportClick() {
  TSCALAExpForm form(this, 1);
  form.ShowModal();
}
