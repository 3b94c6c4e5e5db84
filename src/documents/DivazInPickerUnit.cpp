// The picker of the receipt editor: the list from which the material of the next line is
// taken, its filters, the colour choices and the proposed price.
#include "documents/DivazInPickerUnit.h"

#include <QAction>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "catalogue/inf_MatInfoUnit.h"
#include "catalogue/inf_MaterialUnit.h"
#include "core/ColorList.h"
#include "core/DataLists.h"
#include "core/DataUnit.h"
#include "core/DocNumbers.h"
#include "core/IDComboBox.h"
#include "core/Ledger.h"
#include "core/Query.h"
#include "documents/BlockQuery.h"
#include "documents/DivazInUnit.h"
#include "platform/Application.h"
#include "platform/CalcEdit.h"
#include "platform/SysUtils.h"

// ---------------------------------------------------------------------------------------
// Look-ups

namespace ReceiptLookup {

QString ColorCaption(int colorCode, int systemID) {
  if (!Colors) return QString();
  TColorRec rec;
  Colors->GetColorRec(colorCode, systemID, rec);
  return rec.Caption;
}

QString CurrencyNameOf(int currencyID) { return CurrencyNames.ByID(currencyID); }
QString DiscountTextOf(int discountGroup) { return DiscountValues.ByID(discountGroup); }
QString MeasureNameOf(int measureID) { return MeasureNames.ByID(measureID); }

}  // namespace ReceiptLookup

using namespace ReceiptLookup;

// ---------------------------------------------------------------------------------------
// The query grid

TQueryGrid::TQueryGrid(QWidget *parent) : QTableWidget(parent) {
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  verticalHeader()->setVisible(false);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  connect(this, &QTableWidget::currentCellChanged, this,
          [this](int row, int, int previous, int) {
            if (row != previous) CurrentChanged(row);
          });
}

void TQueryGrid::SetColumns(const QVector<TGridColumn> &columns) {
  m_columns = columns;
  clear();
  setRowCount(0);
  setColumnCount(columns.size());
  for (int c = 0; c < columns.size(); ++c) setHorizontalHeaderItem(c, new QTableWidgetItem(columns[c].Title));
  ShowColumnWidths(this, columns);
}

void TQueryGrid::SetDataSet(TQuery *query) {
  m_query = query;
  Refill();
}

void TQueryGrid::Refill() {
  m_filling = true;
  clearContents();
  setRowCount(0);
  const int n = (m_query && m_query->Active()) ? m_query->RecordCount() : 0;
  if (n > 0) {
    setRowCount(n);
    for (int r = 0; r < n; ++r) {
      m_query->SetRecNo(r + 1);
      for (int c = 0; c < m_columns.size(); ++c) {
        const TGridColumn &col = m_columns[c];
        auto *item = new QTableWidgetItem;
        item->setTextAlignment(col.Alignment);
        const int fi = m_query->FieldIndex(col.Field);
        if (fi >= 0) item->setText(ColumnText(col, m_query->Fields(fi)));
        if (OnDrawColumnCell) OnDrawColumnCell(col, item);
        setItem(r, c, item);
      }
    }
    m_query->First();
    setCurrentCell(0, 0);
  }
  m_filling = false;
  if (n > 0 && AfterScroll) AfterScroll();
}

int TQueryGrid::Record() const {
  if (!m_query || !m_query->Active() || m_query->IsEmpty()) return -1;
  return m_query->RecNo() - 1;
}

void TQueryGrid::SetRecord(int record) {
  if (!m_query || record < 0 || record >= rowCount()) return;
  if (record == currentRow()) {
    m_query->SetRecNo(record + 1);
    return;
  }
  setCurrentCell(record, std::max(0, currentColumn()));
}

bool TQueryGrid::Locate(const QString &field, const QString &text, Qt::CaseSensitivity cs) {
  if (!m_query || !m_query->Active()) return false;
  const int fi = m_query->FieldIndex(field);
  if (fi < 0) return false;
  const auto &rows = m_query->Rows();
  for (int r = 0; r < rows.size(); ++r) {
    const TField f(field, rows[r][fi]);
    if (f.AsString().compare(text, cs) == 0) {
      SetRecord(r);
      return true;
    }
  }
  return false;
}

void TQueryGrid::CurrentChanged(int row) {
  if (m_filling || !m_query || row < 0 || row >= m_query->RecordCount()) return;
  m_query->SetRecNo(row + 1);
  if (AfterScroll) AfterScroll();
}

void TQueryGrid::mouseDoubleClickEvent(QMouseEvent *event) {
  QTableWidget::mouseDoubleClickEvent(event);
  if (OnDblClick) Guarded([this] { OnDblClick(); });
}

// ---------------------------------------------------------------------------------------
// The picker of the receipt editor

namespace {

const QVector<TGridColumn> &CatalogueColumns() {
  static const QVector<TGridColumn> columns = {
      {QStringLiteral("NAME"), QStringLiteral("Артикул"), 34},
      {QStringLiteral("COMMENTS"), QStringLiteral("Описание"), 55},
      {QStringLiteral("QUANTITY"), QStringLiteral("Кол-во"), 16},
      {QStringLiteral("MEASURE"), QStringLiteral("Ед.изм"), 8, {}, Qt::AlignCenter},
      {QStringLiteral("PRICE0"), QStringLiteral("Цена"), 15},
      {QStringLiteral("CURRENCY"), QStringLiteral("Валюта"), 9},
      {QStringLiteral("PACKUNITSIZE"), QStringLiteral("Кол. в единице"), 11, {}, Qt::AlignCenter},
      {QStringLiteral("cSMALLPACK"), QStringLiteral("Малая упак."), 13, QStringLiteral(",0.##")},
      {QStringLiteral("cBIGPACK"), QStringLiteral("Больш.упак."), 14, QStringLiteral(",0.##")},
  };
  return columns;
}

const QVector<TGridColumn> &StockColumns() {
  static const QVector<TGridColumn> columns = {
      {QStringLiteral("NAME"), QStringLiteral("Артикул"), 22},
      {QStringLiteral("COLOR"), QStringLiteral("Цвет"), 27},
      {QStringLiteral("QUANTITY"), QStringLiteral("Остаток"), 9},
      {QStringLiteral("PRICE"), QStringLiteral("Цена"), 9},
      {QStringLiteral("MEASURE"), QStringLiteral("Ед.изм"), 6, {}, Qt::AlignCenter},
      {QStringLiteral("SUPPLIER"), QStringLiteral("Поставщик"), 18},
  };
  return columns;
}

// A price proposal may only be a finite number.
double Finite(double v) { return std::isfinite(v) ? v : 0.0; }

}  // namespace

void TDivazIn::BuildPicker(QWidget *box) {
  auto *v = qobject_cast<QVBoxLayout *>(box->layout());
  auto *filters = new QHBoxLayout;
  IDcb_Grp1 = new TIDComboBox(box);
  IDcb_Grp1->setObjectName(QStringLiteral("IDcb_Grp1"));
  IDcb_Grp1->setMinimumWidth(160);
  IDcb_SubGrp1 = new TIDComboBox(box);
  IDcb_SubGrp1->setObjectName(QStringLiteral("IDcb_SubGrp1"));
  IDcb_SubGrp1->setMinimumWidth(160);
  auto *grp = new QVBoxLayout;
  grp->addWidget(new QLabel(QStringLiteral("Группа материалов")));
  grp->addWidget(IDcb_Grp1);
  filters->addLayout(grp);
  auto *sub = new QVBoxLayout;
  sub->addWidget(new QLabel(QStringLiteral("Подгруппа")));
  sub->addWidget(IDcb_SubGrp1);
  filters->addLayout(sub);

  auto *search = new QGroupBox(QStringLiteral("Поиск"), box);
  auto *sg = new QGridLayout(search);
  txtFind = new QLineEdit(search);
  txtFind->setObjectName(QStringLiteral("txtFind"));
  IDcb_Measure1 = new TIDComboBox(search);
  IDcb_Measure1->setObjectName(QStringLiteral("IDcb_Measure1"));
  FindBtn1 = new QPushButton(QStringLiteral("Найти"), search);
  FindBtn1->setObjectName(QStringLiteral("FindBtn1"));
  FindBtn1->setAutoDefault(false);
  sg->addWidget(new QLabel(QStringLiteral("Наименование")), 0, 0);
  sg->addWidget(txtFind, 1, 0);
  sg->addWidget(new QLabel(QStringLiteral("Ед.изм")), 0, 1);
  sg->addWidget(IDcb_Measure1, 1, 1);
  sg->addWidget(FindBtn1, 1, 2);
  sg->setColumnStretch(0, 1);
  filters->addWidget(search, 1);

  SpeedButton1 = new QToolButton(box);
  SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  SpeedButton1->setCheckable(true);
  SpeedButton1->setText(QStringLiteral("Остатки"));
  SpeedButton1->setToolTip(QStringLiteral("Остатки материалов"));
  SpeedButton2 = new QToolButton(box);
  SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
  SpeedButton2->setCheckable(true);
  SpeedButton2->setText(QStringLiteral("Критич."));
  SpeedButton2->setToolTip(QStringLiteral("Только критические остатки"));
  auto *modes = new QVBoxLayout;
  modes->addStretch();
  modes->addWidget(SpeedButton1);
  modes->addWidget(SpeedButton2);
  filters->addLayout(modes);
  v->addLayout(filters);

  DBGrid1 = new TBlockGrid(box);
  DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
  DBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
  v->addWidget(DBGrid1, 1);

  PopupMenu2 = new QMenu(this);
  PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
  AddMaterial1 = PopupMenu2->addAction(QStringLiteral("Добавить артикул"));
  AddMaterial1->setObjectName(QStringLiteral("AddMaterial1"));
  MaterialCard1 = PopupMenu2->addAction(QStringLiteral("Карточка материала"));
  MaterialCard1->setObjectName(QStringLiteral("MaterialCard1"));
  Remains1 = PopupMenu2->addAction(QStringLiteral("Остатки"));
  Remains1->setObjectName(QStringLiteral("Remains1"));

  connect(IDcb_Grp1, &QComboBox::activated, this, [this] { Guarded([this] { IDcb_Grp1Change(); }); });
  connect(IDcb_SubGrp1, &QComboBox::activated, this, [this] { Guarded([this] { IDcb_SubGrp1Change(); }); });
  connect(IDcb_Measure1, &QComboBox::activated, this, [this] { Guarded([this] { FindBtn1Click(); }); });
  connect(FindBtn1, &QPushButton::clicked, this, [this] { Guarded([this] { FindBtn1Click(); }); });
  txtFind->installEventFilter(this);
  connect(SpeedButton1, &QToolButton::clicked, this, [this] { Guarded([this] { SpeedButton1Click(); }); });
  connect(SpeedButton2, &QToolButton::clicked, this, [this] { Guarded([this] { RefreshPicker(); }); });
  connect(DBGrid1, &QWidget::customContextMenuRequested, this, [this](const QPoint &p) {
    PopupMenu2Popup();
    PopupMenu2->popup(DBGrid1->viewport()->mapToGlobal(p));
  });
  connect(AddMaterial1, &QAction::triggered, this, [this] { Guarded([this] { MaterialCardClick(0); }); });
  connect(MaterialCard1, &QAction::triggered, this, [this] { Guarded([this] { MaterialCardClick(1); }); });
  connect(Remains1, &QAction::triggered, this, [this] { Guarded([this] { RemainsClick(); }); });
  DBGrid1->OnDblClick = [this] { MaterialCardClick(1); };
  DBGrid1->AfterScroll = [this] {
    Guarded([this] {
      if (PickerMode == 0) q1AfterScroll();
      else q2AfterScroll();
    });
  };
  DBGrid1->OnDrawColumnCell = [this](const TGridColumn &col, int record, TRowGridCell &cell) {
    const TBlockQuery *q = DBGrid1->DataSet();
    auto field = [q, record](const QString &name) { return q->Field(record, name); };
    if (col.Field == QLatin1String("cSMALLPACK") || col.Field == QLatin1String("cBIGPACK")) {
      const QString base = col.Field.mid(1);
      cell.Text = FormatFloat(col.Mask, field(base).AsFloat() * field(QStringLiteral("PACKUNITSIZE")).AsFloat());
    } else if (cell.Text.isEmpty()) {
      return;
    } else if (col.Field == QLatin1String("CURRENCY")) {
      cell.Text = CurrencyNameOf(field(col.Field).AsInteger());
    } else if (col.Field == QLatin1String("DISCOUNTGROUP")) {
      cell.Text = DiscountTextOf(field(col.Field).AsInteger()) + QLatin1Char('%');
    } else if (col.Field == QLatin1String("MEASURE")) {
      cell.Text = MeasureNameOf(field(col.Field).AsInteger());
    } else if (col.Field == QLatin1String("COLOR")) {
      cell.Text = ColorCaption(field(col.Field).AsInteger(), field(QStringLiteral("SYSTEMID")).AsInteger());
    } else if (col.Field == QLatin1String("QUANTITY")) {
      if (Round(field(QStringLiteral("DIFF")).AsFloat()) < 0) cell.Colour = Qt::red;
    }
  };
}

void TDivazIn::SetPickerFilter(const QString &filter) {
  FPickerFilter = filter;
  RefreshPicker();
}

void TDivazIn::SetIsColored(bool value) {
  FIsColored = value;
  IDcb_ColorGrp->setEnabled(value);
  IDcb_InColor->setEnabled(value);
  IDcb_OutColor->setEnabled(value);
}

int TDivazIn::PickerRow() const { return DBGrid1->DataSet() ? DBGrid1->Record() : -1; }

TField TDivazIn::PickerField(const QString &name) const {
  const TBlockQuery *q = PickerMode == 0 ? &q1 : &q2;
  if (!q->Active() || q->IsEmpty()) return TField(name, QVariant());
  return q->FieldByName(name);
}

void TDivazIn::RefreshPicker() {
  if (!FShown) return;  // the opening fills the picker once everything is in place
  TcbIntObj *s = IDcb_Supplier->SelectedObj();
  const int supplier = s ? s->ID : -1;
  if (PickerMode == 0) {
    q1.Close();
    // The materials and their order come from the catalogue alone; the stock and the other
    // columns of a row are read with its block.
    const QString order = QStringLiteral(" order by c.CATGROUP, c.SUBGROUP, c.NAME, c.ID");
    q1.SQL = FPickerFilter.isEmpty()
                 ? Format("select c.ID, c.NAME from Catalog c where c.SUPPLIER=%d%s", {supplier, order})
                 : Format("select c.ID, c.NAME from Catalog c where c.SUPPLIER=%d and %s%s",
                          {supplier, FPickerFilter, order});
    q1.BlockSQL = QStringLiteral(
        "select c.*, sum(c1.QUANTITY) as QUANTITY, if (min(c1.QUANTITY) is null, 0.0, "
        "min(c1.QUANTITY))-c2.MINVALUE as DIFF from Catalog c left join CatalogQty c1 on "
        "c.ID=c1.CATID left join CatGroups c2 on (c.CATGROUP=c2.ID and c.SUBGROUP=c2.SUBID) "
        "where c.ID in (%s) group by c.ID");
    q1.Open();
  } else {
    q2.Close();
    QString sql = Format(
        "%s and c.SUPPLIER=%d",
        {Format(QStringLiteral(
             "select c1.COLOR, c1.QUANTITY, max(w.PRICE) as PRICE, if (c1.QUANTITY is null, 0.0, "
             "c1.QUANTITY)-c2.MINVALUE as DIFF, c.ID, c.SYSTEMID, c.NAME, c.COMMENTS, c.CATGROUP, "
             "c.SUBGROUP, c.MEASURE, c.SUPPLIER  from CatalogQty c1 left join Catalog c on "
             "c1.CATID=c.ID left join CatGroups c2 on (c.CATGROUP=c2.ID and c.SUBGROUP=c2.SUBID) "
             "left join WaybillCont w on (c1.CATID=w.CATID and c1.COLOR=w.COLOR) left join Waybill "
             "w1 on w1.ID=w.WAYBILLID where w1.ISOUT=%d and %s "),
                {DocKindReceipt, OpenLotSQL()}),
         supplier});
    if (!FPickerFilter.isEmpty()) sql += QStringLiteral("\n and ") + FPickerFilter;
    if (SpeedButton2->isChecked())
      sql += QStringLiteral("\n and if(c1.QUANTITY is null, 0.0, c1.QUANTITY)-c2.MINVALUE<0");
    sql += QStringLiteral("\n group by w.CATID, w.COLOR order by c.CATGROUP, c.SUBGROUP, c.NAME");
    q2.SQL = sql;
    q2.Open();
  }
  DBGrid1->Refill();
}

void TDivazIn::SetPickerMode(uint8_t mode) {
  if (mode == 0) {
    q2.Close();
    PickerMode = 0;
    SpeedButton2->setEnabled(false);
    DBGrid1->SetColumns(CatalogueColumns());
    DBGrid1->SetDataSet(&q1);
  } else {
    q1.Close();
    PickerMode = 1;
    SpeedButton2->setEnabled(true);
    DBGrid1->SetColumns(StockColumns());
    DBGrid1->SetDataSet(&q2);
    SetIsColored(false);
  }
  RefreshPicker();
}

void TDivazIn::SpeedButton1Click() { SetPickerMode(SpeedButton1->isChecked() ? 1 : 0); }

void TDivazIn::IDcb_Grp1Change() {
  TcbIntObj *g = IDcb_Grp1->SelectedObj();
  const int group = g ? g->ID : -1;
  IDcb_SubGrp1->Clear();
  if (group >= 0) Groups->FillSubgroupCombo(group, IDcb_SubGrp1, true);
  IDcb_SubGrp1->setEnabled(IDcb_SubGrp1->count() > 0);
  if (IDcb_SubGrp1->count() > 0) IDcb_SubGrp1->SetItemIndex(0);
  SetPickerFilter(group >= 0 ? Format("c.CATGROUP=%d ", {group}) : QString());
}

void TDivazIn::IDcb_SubGrp1Change() {
  TcbIntObj *g = IDcb_Grp1->SelectedObj();
  TcbIntObj *s = IDcb_SubGrp1->SelectedObj();
  const int group = g ? g->ID : -1;
  if (group < 0) {
    SetPickerFilter(QString());
    return;
  }
  SetPickerFilter(s && s->ID >= 0 ? Format("c.CATGROUP=%d and c.SUBGROUP=%d ", {group, s->ID})
                                  : Format("c.CATGROUP=%d ", {group}));
}

void TDivazIn::FindBtn1Click() {
  IDcb_Grp1->SetItemIndex(0);
  IDcb_SubGrp1->Clear();
  IDcb_SubGrp1->setEnabled(false);
  const QString pattern = QLatin1Char('%') + txtFind->text() + QLatin1Char('%');
  QString filter = QStringLiteral("(c.NAME like %1 or c.COMMENTS like %1)").arg(QuoteLike(pattern));
  TcbIntObj *m = IDcb_Measure1->SelectedObj();
  if (m && m->ID >= 0) filter += Format(" and c.MEASURE=%d", {m->ID});
  SetPickerFilter(filter);
}

double TDivazIn::CurrencyRate(int currencyID) const {
  double r = 0;
  if (currencyID < 0 || currencyID >= CurrencyRates.size() ||
      !TryStrToFloat(CurrencyRates[currencyID], r))
    return 0.0;
  return r;
}

double TDivazIn::ConvertPrice(double price, int currencyID, int discountGroup) const {
  // An unknown currency or discount group, or a rate of 0, proposes no price.
  const double r = CurrencyRate(currencyID);
  double d = 0;
  if (!TryStrToFloat(DiscountTextOf(discountGroup), d)) return 0.0;
  const double v = Valuta->Value();
  if (r <= 0 || v <= 0) return 0.0;
  return Finite(price * r * (1 - d / 100) / v);
}

void TDivazIn::ApplyQtyFormat(const QString &measure) { QtyMeasure->setText(measure); }

void TDivazIn::SetColorSystem(int systemID, int mainGroup) {
  if (systemID == ColorSystemID && mainGroup == ColorMainGroup) return;
  IDcb_ColorGrp->Clear();
  if (Colors) Colors->FillGroupCombo(IDcb_ColorGrp, systemID, mainGroup);
  if (IDcb_ColorGrp->count() > 0) IDcb_ColorGrp->SetItemIndex(0);
  ColorSystemID = static_cast<uint16_t>(systemID);
  ColorMainGroup = static_cast<uint16_t>(mainGroup);
  IDcb_ColorGrpChange();
}

void TDivazIn::q1AfterScroll() {
  if (PickerMode != 0 || PickerRow() < 0) return;
  SetIsColored(PickerField(QStringLiteral("ISCOLOR")).AsInteger() > 0);
  SetColorSystem(PickerField(QStringLiteral("SYSTEMID")).AsInteger(),
                 PickerField(QStringLiteral("MAINGRP")).AsInteger());
  const TField measure = PickerField(QStringLiteral("MEASURE"));
  ApplyQtyFormat(measure.IsNull() ? QString() : MeasureNameOf(measure.AsInteger()));
  if (!IsColored())
    Price->setText(FormatFloat(QStringLiteral("0.000000####"),
                               ConvertPrice(PickerField(QStringLiteral("PRICE0")).AsFloat(),
                                            PickerField(QStringLiteral("CURRENCY")).AsInteger(),
                                            PickerField(QStringLiteral("DISCOUNTGROUP")).AsInteger())));
  IDcb_ColorGrpChange();
}

void TDivazIn::IDcb_ColorGrpChange() {
  TcbIntObj *item = IDcb_ColorGrp->SelectedObj();
  if (!item) return;
  const int system = (item->ID & 0xF00000) >> 20;
  const int group = (item->ID & 0xF00) >> 8;
  const int kind = item->ID & 0xFF;
  IDcb_InColor->Clear();
  IDcb_OutColor->Clear();
  Price->setText(QStringLiteral("0"));
  if (Colors) {
    Colors->FillColorCombo(IDcb_InColor, system, 0, group);
    Colors->FillColorCombo(IDcb_OutColor, system, 0, group);
  }
  if (PickerMode == 0) {
    IDcb_InColor->setEnabled(true);
    IDcb_OutColor->setEnabled(true);
    if (IDcb_InColor->count() > 0) IDcb_InColor->SetItemIndex(0);
    if (IDcb_OutColor->count() > 0) IDcb_OutColor->SetItemIndex(0);
    if (kind == 1) {
      IDcb_InColor->SetItemIndex(-1);
      IDcb_InColor->setEnabled(false);
    }
    if (kind == 3) {
      IDcb_OutColor->SetItemIndex(-1);
      IDcb_OutColor->setEnabled(false);
    }
    // the colour group chooses the price column; a column the catalogue lacks proposes 0
    const QString column = QStringLiteral("PRICE") + QString::number(group);
    double price = 0;
    if (PickerRow() >= 0 && q1.FieldIndex(column) >= 0)
      price = ConvertPrice(PickerField(column).AsFloat(), PickerField(QStringLiteral("CURRENCY")).AsInteger(),
                           PickerField(QStringLiteral("DISCOUNTGROUP")).AsInteger());
    Price->setText(FormatFloat(QStringLiteral("0.000000####"), price));
  }
  UpdateAddBtn();
}

void TDivazIn::q2AfterScroll() {
  if (PickerMode != 1 || PickerRow() < 0) return;
  const int c = PickerField(QStringLiteral("COLOR")).AsInteger();
  if (c >= 0) {
    const int system = PickerField(QStringLiteral("SYSTEMID")).AsInteger();
    SetColorSystem(system, 0);
    IDcb_ColorGrp->SetValue(Colors ? Colors->GetGroupCode(system, (c & 0xF0000) >> 16) : -1);
    IDcb_ColorGrpChange();
    IDcb_InColor->SetValue((c & 0xFF00) >> 8);
    IDcb_OutColor->SetValue(c & 0xFF);
    if (TcbIntObj *g = IDcb_ColorGrp->SelectedObj()) {
      if ((g->ID & 0xFF) == 1) IDcb_InColor->SetItemIndex(-1);
      if ((g->ID & 0xFF) == 3) IDcb_OutColor->SetItemIndex(-1);
    }
  } else {
    IDcb_ColorGrp->SetItemIndex(-1);
    IDcb_InColor->SetItemIndex(-1);
    IDcb_OutColor->SetItemIndex(-1);
  }
  // the lot price is in the base currency: the proposal is in the document's currency
  const double v = Valuta->Value();
  const double lot = PickerField(QStringLiteral("PRICE")).AsFloat();
  Price->setText(FormatFloat(QStringLiteral("0.000000####"), v > 0 ? Finite(lot / v) : 0.0));
  const TField measure = PickerField(QStringLiteral("MEASURE"));
  ApplyQtyFormat(measure.IsNull() ? QString() : MeasureNameOf(measure.AsInteger()));
  UpdateAddBtn();
}

void TDivazIn::PopupMenu2Popup() {
  const bool rows = PickerMode == 0 && q1.Active() && !q1.IsEmpty();
  MaterialCard1->setEnabled(rows);
  Remains1->setEnabled(rows);
  AddMaterial1->setEnabled(PickerMode == 0);
}

void TDivazIn::MaterialCardClick(int tag) {
  if (PickerMode != 0) return;
  const int id = (tag == 1 && PickerRow() >= 0) ? PickerField(QStringLiteral("ID")).AsInteger() : -1;
  std::unique_ptr<Tinf_Material> card(new Tinf_Material(this, id));
  if (card->ShowModal() != mrOk) return;
  const QString name = card->eName->text();
  if (IDcb_SubGrp1->SelectedObj()) IDcb_SubGrp1Change();
  else FindBtn1Click();
  DBGrid1->Locate(QStringLiteral("NAME"), name, Qt::CaseSensitive);
}

void TDivazIn::RemainsClick() {
  if (PickerMode != 0 || PickerRow() < 0) return;
  const int id = PickerField(QStringLiteral("ID")).AsInteger();
  if (SQLInt(Format("select count(*) from CatalogQty where CATID=%d", {id})) <= 0) return;
  std::unique_ptr<Tinf_MatInfo> info(new Tinf_MatInfo(this, id, PickerField(QStringLiteral("NAME")).AsString(),
                                                      PickerField(QStringLiteral("CATGROUP")).AsInteger(),
                                                      PickerField(QStringLiteral("SUBGROUP")).AsInteger()));
  info->ShowModal();
}
