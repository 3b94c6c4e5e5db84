#include "documents/DivazInUnit.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHash>
#include <QPair>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShowEvent>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/CommonFunctions.h"
#include "core/CommonVariables.h"
#include "core/DataUnit.h"
#include "core/IDComboBox.h"
#include "core/InputFormUnit.h"
#include "core/Ledger.h"
#include "core/MyMsgUnit.h"
#include "documents/DivazInPickerUnit.h"
#include "platform/DatePicker.h"
#include "platform/Application.h"
#include "platform/CalcEdit.h"
#include "platform/Clock.h"
#include "platform/Grids.h"
#include "platform/SysUtils.h"

using ReceiptLookup::ColorCaption;

double LastDiscount = 0.0;
TDivazIn *DivazIn = nullptr;

namespace {

const QString kTitle = QStringLiteral("DI Vidududiz 1.1 / Приход / ");
// Widths of the text columns of Waybill.
constexpr int kNumWidth = 20;
constexpr int kOrdLinkWidth = 30;
constexpr int kNotesWidth = 50;

QLabel *Caption(const QString &text, QWidget *buddy) {
  auto *l = new QLabel(text);
  l->setBuddy(buddy);
  return l;
}

QPushButton *Button(QWidget *parent, const QString &name, const QString &caption) {
  auto *b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

// A grid quantity or price: it must be a number.
double GridNumber(const QString &text) {
  double v = 0;
  if (!TryStrToFloat(text, v)) throw EDatabaseError(QStringLiteral("'%1' is not a number").arg(text));
  return v;
}

}  // namespace

TDivazIn::TDivazIn(QWidget *owner, int waybillID, uint8_t docType)
    : TForm(owner), DocumentID(waybillID), DocType(docType) {
  setObjectName(QStringLiteral("DivazIn"));
  setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint | Qt::WindowMinimizeButtonHint);
  setMinimumWidth(648);
  q1.SQL.clear();
  auto *main = new QVBoxLayout(this);
  BuildHeader();
  // the header keeps its height; below it the lines panel takes the rest once shown
  Panel1->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Maximum);
  main->addWidget(Panel1, 0, Qt::AlignTop);
  BuildLines();
  main->addWidget(Panel2, 1);
  Panel2->hide();
  resize(900, 680);
  LoadFormPosition(this, true);
}

TDivazIn::~TDivazIn() {
  if (DivazIn == this) DivazIn = nullptr;
}

void TDivazIn::BuildHeader() {
  Panel1 = new QGroupBox(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  auto *g = new QGridLayout(Panel1);
  Edit1 = new QLineEdit(Panel1);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setMaxLength(kNumWidth);
  Edit2 = new QLineEdit(Panel1);
  Edit2->setObjectName(QStringLiteral("Edit2"));
  Edit2->setMaxLength(kOrdLinkWidth);
  DT1 = new TDatePicker(Panel1);
  DT1->setObjectName(QStringLiteral("DT1"));
  DT1->setCalendarPopup(true);
  DT1->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
  Edit3 = new QLineEdit(Panel1);
  Edit3->setObjectName(QStringLiteral("Edit3"));
  Edit3->setMaxLength(kNotesWidth);
  isPaid = new QCheckBox(QStringLiteral("Оплачена"), Panel1);
  isPaid->setObjectName(QStringLiteral("isPaid"));
  IDcb_Supplier = new TIDComboBox(Panel1);
  IDcb_Supplier->setObjectName(QStringLiteral("IDcb_Supplier"));
  IDcb_Supplier->setMinimumWidth(220);
  IDcb_Currency = new TIDComboBox(Panel1);
  IDcb_Currency->setObjectName(QStringLiteral("IDcb_Currency"));
  Valuta = new TCalcEdit(Panel1);
  Valuta->setObjectName(QStringLiteral("Valuta"));
  Valuta->DecimalPlaces = 6;
  Valuta->setText(QStringLiteral("1"));
  BitBtn2 = Button(Panel1, QStringLiteral("BitBtn2"), QStringLiteral("Далее"));
  BitBtn3 = Button(Panel1, QStringLiteral("BitBtn3"), QStringLiteral("Отмена"));

  Label1 = Caption(QStringLiteral("Номер накладной"), Edit1);
  g->addWidget(Label1, 0, 0);
  g->addWidget(Edit1, 1, 0);
  g->addWidget(Caption(QStringLiteral("Код заказа"), Edit2), 0, 1);
  g->addWidget(Edit2, 1, 1);
  g->addWidget(Caption(QStringLiteral("Дата"), DT1), 0, 2);
  g->addWidget(DT1, 1, 2);
  g->addWidget(isPaid, 1, 3);
  g->addWidget(Caption(QStringLiteral("Примечания"), Edit3), 2, 0, 1, 4);
  g->addWidget(Edit3, 3, 0, 1, 4);
  g->addWidget(Caption(QStringLiteral("Поставщик"), IDcb_Supplier), 0, 4);
  g->addWidget(IDcb_Supplier, 1, 4);
  g->addWidget(Caption(QStringLiteral("Валюта"), IDcb_Currency), 2, 4);
  auto *cur = new QHBoxLayout;
  cur->addWidget(IDcb_Currency);
  cur->addWidget(new QLabel(QStringLiteral("Курс")));
  cur->addWidget(Valuta);
  g->addLayout(cur, 3, 4);
  auto *btns = new QVBoxLayout;
  btns->addWidget(BitBtn2);
  btns->addWidget(BitBtn3);
  g->addLayout(btns, 0, 5, 4, 1);
  g->setColumnStretch(4, 1);

  connect(BitBtn2, &QPushButton::clicked, this, [this] { Guarded([this] { BitBtn2Click(); }); });
  BindModalResult(BitBtn3, mrCancel);
  connect(IDcb_Supplier, &QComboBox::activated, this,
          [this] { Guarded([this] { IDcb_SupplierChange(); }); });
  connect(IDcb_Currency, &QComboBox::activated, this,
          [this] { Guarded([this] { IDcb_CurrencyChange(); }); });
  connect(Valuta, &QLineEdit::textEdited, this, [this] { Guarded([this] { ValutaChange(); }); });
}

void TDivazIn::BuildLines() {
  Panel2 = new QWidget(this);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  auto *v = new QVBoxLayout(Panel2);
  v->setContentsMargins(0, 0, 0, 0);
  auto *split = new QSplitter(Qt::Vertical, Panel2);
  v->addWidget(split, 1);

  ContentGrid = new TStringGrid(split);
  ContentGrid->setObjectName(QStringLiteral("ContentGrid"));
  ContentGrid->SetColCount(5);
  ContentGrid->SetRowCount(2);
  const int widths[5] = {215, 290, 107, 100, 86};
  for (int c = 0; c < 5; ++c) ContentGrid->SetColWidths(c, widths[c]);
  ContentGrid->verticalHeader()->setDefaultSectionSize(std::max(17, fontMetrics().height() + 4));
  ContentGrid->horizontalHeader()->setSectionsClickable(true);
  ContentGrid->setContextMenuPolicy(Qt::CustomContextMenu);
  ContentPopup = new QMenu(this);
  ContentPopup->setObjectName(QStringLiteral("ContentPopup"));
  DeleteLine1 = ContentPopup->addAction(QStringLiteral("Удалить артикул"));
  DeleteLine1->setObjectName(QStringLiteral("DeleteLine1"));
  connect(ContentGrid, &QWidget::customContextMenuRequested, this, [this](const QPoint &p) {
    const int row = ContentGrid->Row();
    DeleteLine1->setEnabled(row >= 1 && !ContentGrid->Cells(0, row).isEmpty());
    ContentPopup->popup(ContentGrid->viewport()->mapToGlobal(p));
  });
  connect(DeleteLine1, &QAction::triggered, this, [this] { Guarded([this] { DeleteLine1Click(); }); });
  connect(ContentGrid->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int col) { Guarded([this, col] { ContentGridTitleClick(col); }); });
  connect(ContentGrid, &QTableWidget::cellDoubleClicked, this,
          [this] { Guarded([this] { ContentGridDblClick(); }); });

  auto *lower = new QWidget(split);
  auto *lv = new QVBoxLayout(lower);
  lv->setContentsMargins(0, 0, 0, 0);

  // Colour, quantity and price of the next line.
  auto *entry = new QHBoxLayout;
  IDcb_ColorGrp = new TIDComboBox(lower);
  IDcb_ColorGrp->setObjectName(QStringLiteral("IDcb_ColorGrp"));
  IDcb_InColor = new TIDComboBox(lower);
  IDcb_InColor->setObjectName(QStringLiteral("IDcb_InColor"));
  IDcb_OutColor = new TIDComboBox(lower);
  IDcb_OutColor->setObjectName(QStringLiteral("IDcb_OutColor"));
  for (TIDComboBox *cb : {IDcb_ColorGrp, IDcb_InColor, IDcb_OutColor}) cb->setMinimumWidth(120);
  Qty = new TCalcEdit(lower);
  Qty->setObjectName(QStringLiteral("Qty"));
  Qty->DecimalPlaces = 6;
  Qty->setText(QStringLiteral("0"));
  QtyMeasure = new QLabel(lower);
  Price = new TCalcEdit(lower);
  Price->setObjectName(QStringLiteral("Price"));
  Price->DecimalPlaces = 6;
  Price->setText(QStringLiteral("0"));
  SpeedButton3 = new QToolButton(lower);
  SpeedButton3->setObjectName(QStringLiteral("SpeedButton3"));
  SpeedButton3->setText(QStringLiteral("%"));
  AddBtn = Button(lower, QStringLiteral("AddBtn"), QStringLiteral("Добавить"));
  AddBtn->hide();
  auto column = [&](const QString &caption, QWidget *w, QWidget *extra = nullptr) {
    auto *c = new QVBoxLayout;
    c->addWidget(Caption(caption, w));
    auto *h = new QHBoxLayout;
    h->addWidget(w);
    if (extra) h->addWidget(extra);
    c->addLayout(h);
    entry->addLayout(c);
  };
  column(QStringLiteral("Цен./цвет.группа"), IDcb_ColorGrp);
  column(QStringLiteral("Внутренний цвет"), IDcb_InColor);
  column(QStringLiteral("Наружный цвет"), IDcb_OutColor);
  column(QStringLiteral("Кол-во"), Qty, QtyMeasure);
  column(QStringLiteral("Цена"), Price, SpeedButton3);
  auto *addBox = new QVBoxLayout;
  addBox->addStretch();
  addBox->addWidget(AddBtn);
  entry->addLayout(addBox);
  entry->addStretch();
  lv->addLayout(entry);

  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  SmallPack1 = PopupMenu1->addAction(QStringLiteral("Малая упаковка"));
  SmallPack1->setObjectName(QStringLiteral("SmallPack1"));
  BigPack1 = PopupMenu1->addAction(QStringLiteral("Большая упаковка"));
  BigPack1->setObjectName(QStringLiteral("BigPack1"));
  Units1 = PopupMenu1->addAction(QStringLiteral("Кол-во единиц..."));
  Units1->setObjectName(QStringLiteral("Units1"));
  Qty->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(Qty, &QWidget::customContextMenuRequested, this, [this](const QPoint &p) {
    SmallPack1->setEnabled(PickerMode == 0);
    BigPack1->setEnabled(PickerMode == 0);
    PopupMenu1->popup(Qty->mapToGlobal(p));
  });
  connect(SmallPack1, &QAction::triggered, this, [this] { Guarded([this] { PackMenuClick(1); }); });
  connect(BigPack1, &QAction::triggered, this, [this] { Guarded([this] { PackMenuClick(2); }); });
  connect(Units1, &QAction::triggered, this, [this] { Guarded([this] { PackMenuClick(3); }); });

  connect(Qty, &QLineEdit::textChanged, this, [this] { UpdateAddBtn(); });
  connect(Price, &QLineEdit::textChanged, this, [this] { UpdateAddBtn(); });
  Qty->installEventFilter(this);
  Price->installEventFilter(this);
  connect(SpeedButton3, &QToolButton::clicked, this, [this] { Guarded([this] { SpeedButton3Click(); }); });
  connect(AddBtn, &QPushButton::clicked, this, [this] { Guarded([this] { AddBtnClick(); }); });
  connect(IDcb_ColorGrp, &QComboBox::activated, this,
          [this] { Guarded([this] { IDcb_ColorGrpChange(); }); });

  BuildPicker(lower);
  split->addWidget(ContentGrid);
  split->addWidget(lower);
  split->setStretchFactor(0, 2);
  split->setStretchFactor(1, 3);

  auto *bottom = new QHBoxLayout;
  SaveWB = Button(Panel2, QStringLiteral("SaveWB"), QStringLiteral("Сохранить"));
  SaveAsWB = Button(Panel2, QStringLiteral("SaveAsWB"), QStringLiteral("Сохранить как накладную"));
  CancelBtn = Button(Panel2, QStringLiteral("CancelBtn"), QStringLiteral("Отмена"));
  SaveAsWB->hide();
  bottom->addStretch();
  bottom->addWidget(SaveWB);
  bottom->addWidget(CancelBtn);
  bottom->addSpacing(11);
  bottom->addWidget(SaveAsWB);
  v->addLayout(bottom);
  connect(SaveWB, &QPushButton::clicked, this, [this] { Guarded([this] { SaveWBClick(); }); });
  connect(SaveAsWB, &QPushButton::clicked, this, [this] { Guarded([this] { SaveAsWBClick(); }); });
  BindModalResult(CancelBtn, mrCancel);
}

void TDivazIn::showEvent(QShowEvent *event) {
  TForm::showEvent(event);
  if (event->spontaneous()) return;
  Guarded([this] { FormShow(); });
}

bool TDivazIn::eventFilter(QObject *watched, QEvent *event) {
  if ((watched == Qty || watched == Price || watched == txtFind) && event->type() == QEvent::KeyPress) {
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      if (watched == txtFind) Guarded([this] { FindBtn1Click(); });
      else if (!AddBtn->isHidden()) Guarded([this] { AddBtnClick(); });
      return true;
    }
  }
  return TForm::eventFilter(watched, event);
}

void TDivazIn::FormShow() {
  // 1. The picker starts in the mode of the stock button.
  FShown = false;
  SetPickerMode(SpeedButton1->isChecked() ? 1 : 0);
  // 2.
  ColorSystemID = 65535;
  ColorMainGroup = 0;
  DeletedLineIDs.clear();
  // 3.
  if (DocumentID < 0)
    setWindowTitle(kTitle + (DocType == DocKindRequestIn ? QStringLiteral("Новая заявка")
                                                         : QStringLiteral("Новая накладная")));
  else
    setWindowTitle(kTitle + (DocType == DocKindRequestIn ? QStringLiteral("Редактирование заявок")
                                                         : QStringLiteral("Редактирование накладных")));
  // 4.
  if (DocType == DocKindRequestIn) {
    SaveWB->setText(QStringLiteral("Сохранить заявку"));
    Label1->setText(QStringLiteral("Номер заявки"));
    SaveAsWB->setVisible(DocumentID > 0);
  }
  // 5.
  IDcb_Measure1->Clear();
  FillIDComboSQL(IDcb_Measure1, QStringLiteral("select NAME, ID from Measures"), true);
  IDcb_Measure1->SetItemIndex(0);
  // 6.
  IDcb_Supplier->Clear();
  SupplierList->FillCombo(IDcb_Supplier);
  if (IDcb_Supplier->count() > 0) IDcb_Supplier->SetItemIndex(0);
  // 7. Rates by currency ID; an ID missing from the table leaves an empty entry.
  CurrencyRates.clear();
  {
    TQuery &q = DATA->Qtmp;
    q.SQL = QStringLiteral("select ID, RATE from Currencies order by ID");
    q.Open();
    for (q.First(); !q.Eof(); q.Next()) {
      const int id = q.Fields(0).AsInteger();
      if (id < 0 || id > 100000) continue;
      while (CurrencyRates.size() <= id) CurrencyRates << QString();
      CurrencyRates[id] = q.Fields(1).AsString();
    }
    q.Close();
  }
  // 8.
  IDcb_Currency->Clear();
  FillIDComboSQL(IDcb_Currency, QStringLiteral("select NAME, ID from Currencies order by ID"), false);
  if (IDcb_Currency->count() > 0) {
    IDcb_Currency->SetItemIndex(0);
    IDcb_CurrencyChange();
  }
  // 9.
  const QStringList titles = {QStringLiteral("Артикул"), QStringLiteral("Цвет"),
                              QStringLiteral("Кол-во"), QStringLiteral("Цена(EUR)"),
                              QStringLiteral("Ориг.цена")};
  for (int c = 0; c < titles.size(); ++c) ContentGrid->SetCells(c, 0, titles[c]);
  {
    const QSignalBlocker block(DT1);
    DT1->setDate(Clock::Today());
  }
  // 10.
  IDcb_Grp1->Clear();
  Groups->FillGroupCombo(IDcb_Grp1, true);
  IDcb_Grp1->SetItemIndex(0);
  IDcb_SubGrp1->Clear();
  IDcb_SubGrp1->setEnabled(false);
  FShown = true;
  // 11.
  IDcb_SupplierChange();
  // 12.
  if (DocumentID >= 0) LoadDocument();
}

void TDivazIn::FormClose() {
  SaveFormPosition(this, true);
  ContentGrid->ClearRows();
}

void TDivazIn::IDcb_SupplierChange() {
  RefreshPicker();
  TcbIntObj *s = IDcb_Supplier->SelectedObj();
  if (DocType == DocKindRequestIn && DocumentID < 0 && s) {
    // A supplier without a counter yet starts at request 1.
    const int n = SQLInt(Format("select IFNULL(LASTNUM,0)+1 from Suppliers where ID=%d", {s->ID}));
    Edit2->setText(QString::number(n));
    Edit1->setText(QStringLiteral("p") + QString::number(n));
  }
}

bool TDivazIn::HeaderOK() {
  if (!IDcb_Supplier->SelectedObj()) {
    ShowMessage(QStringLiteral("Пожалуйста выберите поставщика!"));
    IDcb_Supplier->setFocus();
    return false;
  }
  if (Edit1->text().trimmed().isEmpty()) {
    ShowMessage(DocType == DocKindRequestIn ? QStringLiteral("Требуется ввести номер заявки!")
                                            : QStringLiteral("Требуется ввести номер накладной!"));
    Edit1->setFocus();
    return false;
  }
  if (!Valuta->IsValid() || Valuta->Value() <= 0) {
    ShowMessage(QStringLiteral("Проверьте курс валюты!!"));
    Valuta->setFocus();
    return false;
  }
  return true;
}

void TDivazIn::BitBtn2Click() {
  if (!HeaderOK()) return;
  IDcb_Supplier->setEnabled(false);
  BitBtn2->hide();
  BitBtn3->hide();
  Panel2->show();
  // the picker was read before the currency was settled: propose the current row's price
  // in the document's currency
  if (PickerRow() >= 0 && DBGrid1->AfterScroll) DBGrid1->AfterScroll();
  DBGrid1->setFocus();
}

void TDivazIn::IDcb_CurrencyChange() {
  TcbIntObj *c = IDcb_Currency->SelectedObj();
  if (!c) return;
  Valuta->setText(CurrencyRates.value(c->ID));
  ValutaChange();
}

void TDivazIn::ValutaChange() {
  const double rate = Valuta->Value();
  for (int r = 1; r < ContentGrid->RowCount(); ++r) {
    if (!ContentGrid->Objects(0, r) || ContentGrid->Cells(4, r).trimmed().isEmpty()) continue;
    ContentGrid->SetCells(3, r, FormatFloat(QStringLiteral("0.00####"),
                                            StrToFloatDef(ContentGrid->Cells(4, r), 0) * rate));
  }
}

void TDivazIn::UpdateAddBtn() {
  // a quantity that rounds to nothing at six decimals would make a zero line
  AddBtn->setVisible(!QtyIsZero(RoundQty(Qty->Value())) && Qty->Value() > 0 &&
                     (Price->Value() > 0 || DocType == DocKindRequestIn));
}

void TDivazIn::AddRow(int systemID, int catID, int lineID, int color, const QString &name,
                      double quantity, double price, bool priceInDocCurrency) {
  int row;
  if (ContentGrid->RowCount() < 3 && !ContentGrid->Objects(0, 1)) {
    row = 1;
  } else {
    row = ContentGrid->RowCount();
    ContentGrid->SetRowCount(row + 1);
  }
  const QString f = QStringLiteral("0.000000");
  const double rate = Valuta->Value();
  ContentGrid->SetCells(0, row, name);
  ContentGrid->SetCells(1, row, ColorCaption(color, systemID));
  ContentGrid->SetCells(2, row, FormatFloat(f, quantity));
  if (priceInDocCurrency) {
    ContentGrid->SetCells(3, row, FormatFloat(f, rate * price));
    ContentGrid->SetCells(4, row, FormatFloat(f, price));
  } else {
    ContentGrid->SetCells(3, row, FormatFloat(f, price));
    ContentGrid->SetCells(4, row, FormatFloat(f, rate > 0 ? price / rate : 0.0));
  }
  ContentGrid->SetObjects(0, row, new TAddObj(systemID, catID, color, lineID, 0, 0));
}

void TDivazIn::AddBtnClick() {
  if (AddBtn->isHidden() || PickerRow() < 0) return;
  const int catID = PickerField(QStringLiteral("ID")).AsInteger();
  const int systemID = PickerField(QStringLiteral("SYSTEMID")).AsInteger();
  int color = -1;
  if (PickerMode == 1) {
    color = PickerField(QStringLiteral("COLOR")).AsInteger();
  } else if (IsColored()) {
    if (TcbIntObj *grp = IDcb_ColorGrp->SelectedObj()) {
      const int g = grp->ID;
      const int kind = g & 0xFF;
      TcbIntObj *in = IDcb_InColor->SelectedObj();
      TcbIntObj *out = IDcb_OutColor->SelectedObj();
      const int inner = (in && kind != 1) ? (in->ID & 0xFF) : 0;
      const int outer = (out && kind != 3) ? (out->ID & 0xFF) : 0;
      color = (systemID << 20) | ((g & 0xF00) << 8) | (inner << 8) | outer;
    }
  }
  int row = 0;
  if (FindGridRow(row, ContentGrid, catID, color)) {
    ShowMessage(QStringLiteral("Артикул уже в списке. Просто измените его количество."));
    ContentGrid->SetRow(row - 1);
    return;
  }
  AddRow(systemID, catID, -1, color, PickerField(QStringLiteral("NAME")).AsString(), Qty->Value(),
         Price->Value(), true);
  ContentGrid->SetRow(ContentGrid->RowCount() - 1);
  Qty->setText(QStringLiteral("0"));
  DBGrid1->setFocus();
  UpdateAddBtn();
}

int TDivazIn::AskNumber(const QString &caption, const QString &prompt, const QString &def,
                        double &value) {
  QString text = def;
  if (!Dialogs().InputQuery(this, caption, prompt, text)) {
    value = StrToFloatDef(def, 0);
    return 0;
  }
  if (!TryInputToFloat(text, value)) {
    ShowMessage(QStringLiteral("'%1' is not a valid floating point value").arg(text));
    return -1;
  }
  return 1;
}

void TDivazIn::PackMenuClick(int tag) {
  if (PickerMode != 0 || PickerRow() < 0) return;
  const double unit = PickerField(QStringLiteral("PACKUNITSIZE")).AsFloat();
  double q = 0;
  switch (tag) {
    case 1: q = PickerField(QStringLiteral("SMALLPACK")).AsFloat() * unit; break;
    case 2: q = PickerField(QStringLiteral("BIGPACK")).AsFloat() * unit; break;
    case 3: {
      double n = 1;
      // a cancelled box keeps its default of one unit
      if (AskNumber(QStringLiteral("Кол-во единиц"), QStringLiteral("Введите кол-во единиц"),
                    QStringLiteral("1"), n) < 0)
        return;
      q = unit * n;
      break;
    }
    default: return;
  }
  Qty->setText(FormatFloat(QStringLiteral("0.0000##"), q));
}

void TDivazIn::SpeedButton3Click() {
  double d = 0;
  if (AskNumber(QStringLiteral("СКИДКА"), QStringLiteral("Скидка, %"),
                FormatFloat(QStringLiteral("0.000000"), LastDiscount), d) <= 0)
    return;
  LastDiscount = d;
  Price->setText(FormatFloat(QStringLiteral("0.000000####"), Price->Value() * (1 - LastDiscount / 100)));
}

void TDivazIn::ContentGridTitleClick(int col) {
  const int row = ContentGrid->Row();
  if (row < 1 || !ContentGrid->Objects(0, row)) return;
  if (col == 2) {
    const double v = InputNumber(this, QStringLiteral("Количество"), QStringLiteral("Введите новое количество"),
                                 StrToFloatDef(ContentGrid->Cells(2, row), 0));
    if (QtyIsZero(RoundQty(v))) return;  // the line keeps its quantity rather than become zero
    ContentGrid->SetCells(2, row, FormatFloat(QStringLiteral("0.0000##"), v));
  } else if (col == 4) {
    const double p = InputNumber(this, QStringLiteral("Цена"), QStringLiteral("Введите новую цену"),
                                 StrToFloatDef(ContentGrid->Cells(4, row), 0));
    ContentGrid->SetCells(4, row, FormatFloat(QStringLiteral("0.000000"), p));
    // the base price is kept to four decimals
    const double base = static_cast<double>(Round(static_cast<double>(Round(p * 10000)) * Valuta->Value())) / 10000.0;
    ContentGrid->SetCells(3, row, FormatFloat(QStringLiteral("0.000000"), base));
  }
}

void TDivazIn::DeleteLine1Click() {
  const int row = ContentGrid->Row();
  if (row < 1 || ContentGrid->Cells(0, row).isEmpty()) return;
  if (MessageDlg(QStringLiteral("Удалить текущую запись? Вы уверены?"), TMsgDlgType::mtConfirmation,
                 mbYes | mbNo, this) != mrYes)
    return;
  if (DocumentID > 0) {
    auto *obj = ContentGrid->ObjectAs<TAddObj>(0, row);
    DeletedLineIDs << (obj ? obj->N4 : -1);
  }
  ContentGrid->DeleteRow(row);
}

void TDivazIn::ContentGridDblClick() {
  const int row = ContentGrid->Row();
  auto *obj = row >= 1 ? ContentGrid->ObjectAs<TAddObj>(0, row) : nullptr;
  if (!obj) return;
  ShowMessage(Format("ID: %d;  CatalogID: %d;  Код цвета: %d;  Цвет: %s",
                     {obj->N4, obj->N2, obj->N3, ColorCaption(obj->N3, obj->N1)}));
}

void TDivazIn::LoadDocument() {
  IDcb_Supplier->setEnabled(false);
  BitBtn2->hide();
  BitBtn3->hide();
  Panel2->show();
  TQuery &q = DATA->Qtmp;
  q.SQL = Format("select * from Waybill where ID=%d", {DocumentID});
  q.Open();
  if (!q.IsEmpty()) {
    Edit1->setText(q.FieldByName(QStringLiteral("NUM")).AsString());
    Edit2->setText(q.FieldByName(QStringLiteral("ORDLINK")).AsString());
    Edit3->setText(q.FieldByName(QStringLiteral("NOTES")).AsString());
    IDcb_Supplier->SetValue(q.FieldByName(QStringLiteral("SUPPLIERID")).AsInteger());
    isPaid->setChecked(q.FieldByName(QStringLiteral("ISPAID")).AsInteger() > 0);
    {
      const QSignalBlocker block(DT1);
      DT1->setDate(q.FieldByName(QStringLiteral("BDATE")).AsDate());
    }
    IDcb_Currency->SetValue(q.FieldByName(QStringLiteral("CURRENCY")).AsInteger());
    Valuta->setText(FloatToStr(q.FieldByName(QStringLiteral("CURRENCYRATE")).AsFloat()));
  }
  q.Close();
  q.SQL = Format("select w.*, c.NAME, c.SYSTEMID from WaybillCont w left join Catalog c on "
                 "w.CATID=c.ID where w.WAYBILLID=%d order by w.ID",
                 {DocumentID});
  q.Open();
  for (q.First(); !q.Eof(); q.Next())
    AddRow(q.FieldByName(QStringLiteral("SYSTEMID")).AsInteger(),
           q.FieldByName(QStringLiteral("CATID")).AsInteger(), q.FieldByName(QStringLiteral("ID")).AsInteger(),
           q.FieldByName(QStringLiteral("COLOR")).AsInteger(), q.FieldByName(QStringLiteral("NAME")).AsString(),
           q.FieldByName(QStringLiteral("QUANTITY")).AsFloat(), q.FieldByName(QStringLiteral("PRICE")).AsFloat(),
           false);
  q.Close();
  IDcb_SupplierChange();
}

double TDivazIn::GridSum() const {
  double sum = 0;
  for (int r = 1; r < ContentGrid->RowCount(); ++r) {
    const QString q = ContentGrid->Cells(2, r), p = ContentGrid->Cells(3, r);
    if (q.isEmpty() || p.isEmpty()) continue;
    sum += StrToFloatDef(q, 0) * StrToFloatDef(p, 0);
  }
  return sum;
}

void TDivazIn::SaveWBClick() {
  if (DocType == DocKindRequestIn) Save(false);
  else Save(true);
}

void TDivazIn::SaveAsWBClick() { Save(true); }

void TDivazIn::Save(bool asReceipt) {
  if (!HeaderOK()) return;
  try {
    RunInTransaction([&] { SaveDocument(asReceipt); });
  } catch (const ERefused &e) {
    ShowMessage(e.Text);
    return;
  } catch (const std::exception &e) {
    ShowStockUpdateFailure(e);
    ShowMessage(FailureText(e, asReceipt ? QStringLiteral("ERROR Executing query") : QStringLiteral("ERROR executing query."),
                            Edit1->text().trimmed()));
    return;
  }
  DeletedLineIDs.clear();
  SetModalResult(mrOk);
}

void TDivazIn::SaveDocument(bool asReceipt) {
  TcbIntObj *supplier = IDcb_Supplier->SelectedObj();
  TcbIntObj *currency = IDcb_Currency->SelectedObj();
  TReceiptHeader header;
  header.DocumentID = DocumentID;
  header.StoredKind = DocType;
  header.Date = FormatServerDate(DT1->date());
  header.Num = Edit1->text();
  header.OrdLink = Edit2->text();
  header.Notes = Edit3->text();
  header.SupplierID = supplier ? supplier->ID : -1;
  header.IsPaid = isPaid->isChecked() ? 1 : 0;
  header.Sum = GridSum();
  header.Currency = currency ? currency->ID : -1;
  header.Rate = Valuta->Value();
  QVector<TReceiptLine> lines;
  for (int r = 1; r < ContentGrid->RowCount(); ++r) {
    auto *obj = ContentGrid->ObjectAs<TAddObj>(0, r);
    if (!obj) continue;
    lines << TReceiptLine{.LineID = obj->N4, .CATID = obj->N2, .COLOR = obj->N3,
                          .Quantity = GridNumber(ContentGrid->Cells(2, r)),
                          .Price = GridNumber(ContentGrid->Cells(3, r))};
  }
  SaveReceipt(header, lines, DeletedLineIDs, asReceipt);
}
