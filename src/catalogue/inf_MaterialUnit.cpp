#include "catalogue/inf_MaterialUnit.h"

#include <QCheckBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "catalogue/inf_ChangeValuesUnit.h"
#include "catalogue/inf_SuppliersUnit.h"
#include "core/CommonFunctions.h"
#include "core/CommonVariables.h"
#include "core/DataLists.h"
#include "core/DataUnit.h"
#include "core/MaterialPosting.h"
#include "core/IDComboBox.h"
#include "core/MyMsgUnit.h"
#include "core/SetupObject.h"
#include "platform/Application.h"
#include "platform/CalcEdit.h"
#include "platform/SysUtils.h"

namespace {

TIDComboBox *Combo(const QString &name) {
  auto *c = new TIDComboBox;
  c->setObjectName(name);
  return c;
}

TCalcEdit *Calc(const QString &name, int decimals) {
  auto *e = new TCalcEdit;
  e->setObjectName(name);
  e->DecimalPlaces = decimals;
  e->setText(QStringLiteral("0"));
  return e;
}

// Shows a number with at most the given decimals and without trailing zeros.
void SetNumber(TCalcEdit *edit, double value, int decimals) {
  QString mask = QStringLiteral("0");
  if (decimals > 0) mask += QLatin1Char('.') + QString(decimals, QLatin1Char('#'));
  edit->setText(FormatFloat(mask, value));
}

QWidget *Labeled(QLabel *label, QWidget *control, QWidget *side = nullptr) {
  auto *box = new QWidget;
  auto *l = new QVBoxLayout(box);
  l->setContentsMargins(0, 0, 0, 0);
  l->setSpacing(1);
  label->setBuddy(control);
  l->addWidget(label);
  if (side) {
    auto *row = new QHBoxLayout;
    row->setSpacing(2);
    row->addWidget(control, 1);
    row->addWidget(side);
    l->addLayout(row);
  } else {
    l->addWidget(control);
  }
  return box;
}

QWidget *Labeled(const QString &text, QWidget *control, QWidget *side = nullptr) {
  return Labeled(new QLabel(text), control, side);
}

int SelectedID(const TIDComboBox *combo, int none) {
  const TcbIntObj *o = combo->SelectedObj();
  return o ? o->ID : none;
}

}  // namespace

Tinf_Material::Tinf_Material(QWidget *owner, int catalogId) : TForm(owner), FCatalogID(catalogId) {
  setObjectName(QStringLiteral("inf_Material"));
  SetPosition(poScreenCenter);
  setWindowTitle(QStringLiteral("DI Vidududiz 1.1 / Карточка материала"));

  IDcb_System = Combo(QStringLiteral("IDcb_System"));
  IDcb_Supplier = Combo(QStringLiteral("IDcb_Supplier"));
  IDcb_Grp = Combo(QStringLiteral("IDcb_Grp"));
  IDcb_Grp->setMaxVisibleItems(30);
  IDcb_SubGrp = Combo(QStringLiteral("IDcb_SubGrp"));
  IDcb_SubGrp->setMaxVisibleItems(30);
  IDcb_Discount = Combo(QStringLiteral("IDcb_Discount"));
  IDcb_Measure = Combo(QStringLiteral("IDcb_Measure"));
  IDcb_Currency = Combo(QStringLiteral("IDcb_Currency"));
  IDcb_MnGrp = Combo(QStringLiteral("IDcb_MnGrp"));
  SpeedButton1 = new QToolButton;
  SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  SpeedButton1->setText(QStringLiteral("..."));
  SpeedButton1->setAutoRaise(true);
  SpeedButton1->setFocusPolicy(Qt::NoFocus);
  SpeedButton1->setToolTip(QStringLiteral("Список поставщиков"));
  SpeedButton2 = new QToolButton;
  SpeedButton2->setObjectName(QStringLiteral("SpeedButton2"));
  SpeedButton2->setText(QStringLiteral("..."));
  SpeedButton2->setAutoRaise(true);
  SpeedButton2->setFocusPolicy(Qt::NoFocus);
  SpeedButton2->setToolTip(QStringLiteral("Группы скидки"));
  Label18 = new QLabel(QStringLiteral("Валюта"));
  Label18->setObjectName(QStringLiteral("Label18"));
  Label18->installEventFilter(this);
  eName = new QLineEdit;
  eName->setObjectName(QStringLiteral("eName"));
  eName->setMaxLength(50);
  eNotes = new QLineEdit;
  eNotes->setObjectName(QStringLiteral("eNotes"));
  eNotes->setMaxLength(80);
  eSize = Calc(QStringLiteral("eSize"), 4);
  eLength = Calc(QStringLiteral("eLength"), 0);
  ePackUnitSize = Calc(QStringLiteral("ePackUnitSize"), 2);
  eQtyInPack = Calc(QStringLiteral("eQtyInPack"), 4);
  eQtyInBigPack = Calc(QStringLiteral("eQtyInBigPack"), 4);
  eDelta = Calc(QStringLiteral("eDelta"), 0);
  // whole numbers of 32-bit columns
  for (TCalcEdit *e : {eLength, eDelta}) e->SetRange(INT32_MIN, INT32_MAX);
  IsColored = new QCheckBox(QStringLiteral("Цвет"));
  IsColored->setObjectName(QStringLiteral("IsColored"));
  Panel1 = new QFrame;
  Panel1->setObjectName(QStringLiteral("Panel1"));
  Panel1->setFrameShape(QFrame::StyledPanel);
  Panel1->setMinimumHeight(101);
  BitBtn2 = new QPushButton(QStringLiteral("Отмена"));
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn1 = new QPushButton(QStringLiteral("Сохранить"));
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setDefault(true);
  BindModalResult(BitBtn2, mrCancel);
  BindModalResult(BitBtn1, mrOk);

  auto *grid = new QGridLayout;
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(4);
  grid->addWidget(Labeled(QStringLiteral("Система профилей"), IDcb_System), 0, 0, 1, 2);
  grid->addWidget(Labeled(QStringLiteral("Поставщик"), IDcb_Supplier, SpeedButton1), 0, 2, 1, 2);
  grid->addWidget(Labeled(QStringLiteral("Группа"), IDcb_Grp), 1, 0, 1, 2);
  grid->addWidget(Labeled(QStringLiteral("Подгруппа"), IDcb_SubGrp), 1, 2, 1, 2);
  grid->addWidget(Labeled(QStringLiteral("Артикул"), eName), 2, 0, 1, 2);
  grid->addWidget(Labeled(QStringLiteral("Группа скидки"), IDcb_Discount, SpeedButton2), 2, 2, 1, 2);
  grid->addWidget(Labeled(QStringLiteral("Описание"), eNotes), 3, 0, 1, 4);
  grid->addWidget(Labeled(QStringLiteral("Ед.изм."), IDcb_Measure), 4, 0);
  grid->addWidget(Labeled(Label18, IDcb_Currency), 4, 1);
  grid->addWidget(Labeled(QStringLiteral("Разм1"), eSize), 4, 2);
  grid->addWidget(Labeled(QStringLiteral("Разм2"), eLength), 4, 3);
  grid->addWidget(Panel1, 5, 0, 1, 4);
  grid->addWidget(Labeled(QStringLiteral("1 шт."), ePackUnitSize), 6, 0);
  grid->addWidget(Labeled(QStringLiteral("Мал.упак"), eQtyInPack), 6, 1);
  grid->addWidget(Labeled(QStringLiteral("Бол.упак"), eQtyInBigPack), 6, 2);
  grid->addWidget(Labeled(QStringLiteral("Доп."), eDelta), 6, 3);
  grid->addWidget(IsColored, 7, 0, Qt::AlignBottom);
  grid->addWidget(Labeled(QStringLiteral("Цветовая категория"), IDcb_MnGrp), 7, 1, 1, 3);
  for (int c = 0; c < 4; ++c) grid->setColumnStretch(c, 1);

  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BitBtn2);
  buttons->addWidget(BitBtn1);
  auto *top = new QVBoxLayout(this);
  top->addLayout(grid);
  top->addLayout(buttons);
  setMinimumWidth(460);

  connect(IDcb_Grp, &QComboBox::activated, this, [this] { Guarded([&] { IDcb_GrpChange(); }); });
  connect(IsColored, &QCheckBox::clicked, this, [this] { Guarded([&] { IsColoredClick(true); }); });
  connect(IDcb_MnGrp, &QComboBox::activated, this, [this] { Guarded([&] { IDcb_MnGrpChange(); }); });
  connect(SpeedButton1, &QToolButton::clicked, this, [this] { Guarded([&] { SpeedButton1Click(); }); });
  connect(SpeedButton2, &QToolButton::clicked, this, [this] { Guarded([&] { SpeedButton2Click(); }); });

  LoadFormPosition(this, false);
}

bool Tinf_Material::eventFilter(QObject *watched, QEvent *event) {
  if (watched == Label18 && event->type() == QEvent::MouseButtonDblClick) {
    Guarded([&] { Label18DblClick(); });
    return true;
  }
  return TForm::eventFilter(watched, event);
}

void Tinf_Material::showEvent(QShowEvent *event) {
  TForm::showEvent(event);
  if (FShown) return;
  FShown = true;
  Guarded([&] { FormShow(); });
}

void Tinf_Material::FormShow() {
  Changed = false;
  if (SupplierList) SupplierList->FillCombo(IDcb_Supplier);
  if (Groups) Groups->FillGroupCombo(IDcb_Grp, false);
  IDcb_Measure->Clear();
  FillIDComboSQL(IDcb_Measure, QStringLiteral("select NAME, ID from Measures"), false);
  IDcb_Discount->Clear();
  FillIDComboSQL(IDcb_Discount, QStringLiteral("select NAME, ID from DiscountGroups order by ID"), false);
  IDcb_Currency->Clear();
  FillIDComboSQL(IDcb_Currency, QStringLiteral("select NAME, ID from Currencies order by ID"), false);
  QStringList captions;
  IDcb_System->Clear();
  DATA->Setup->GetChildCaptions(QByteArray("0"), captions);
  for (int i = 0; i < captions.size(); ++i) IDcb_System->AddItem(captions[i], i, captions[i], 0);
  IDcb_MnGrp->Clear();
  DATA->Setup->GetChildCaptions(QByteArray("000"), captions);
  for (int i = 0; i < captions.size(); ++i) IDcb_MnGrp->AddItem(captions[i], i, captions[i], 0);

  BuildPriceColumns();

  if (FCatalogID < 0) {
    IDcb_System->SetItemIndex(DefValues.IDcb_System);
    IDcb_Supplier->SetItemIndex(DefValues.IDcb_Supplier);
    IDcb_Grp->SetItemIndex(DefValues.IDcb_Grp);
    IDcb_GrpChange();
    IDcb_SubGrp->SetItemIndex(DefValues.IDcb_SubGrp);
    IDcb_Discount->SetItemIndex(DefValues.IDcb_Discount);
    IDcb_Measure->SetItemIndex(DefValues.IDcb_Measure);
    IDcb_Currency->SetItemIndex(DefValues.IDcb_Currency);
    IsColored->setChecked(DefValues.IsColored);
    IsColoredClick(true);
    for (int i = 0; i < PriceRecs.size(); ++i)
      SetNumber(PriceRecs[i].PriceEdit, DefValues.Price.value(i, 0.0), 6);
    IDcb_MnGrp->SetItemIndex(DefValues.IDcb_MnGrp);
    IDcb_MnGrpChange();
  } else {
    LoadMaterial();
  }
  OldIsColored = IsColored->isChecked();
}

void Tinf_Material::BuildPriceColumns() {
  for (const TPriceRec &r : PriceRecs) {
    delete r.PriceLabel;
    delete r.PriceEdit;
    delete r.DeliveryLabel;
    delete r.DeliveryEdit;
  }
  PriceRecs.clear();
  delete Panel1->layout();
  auto *layout = new QGridLayout(Panel1);
  layout->setContentsMargins(4, 2, 4, 2);
  layout->setHorizontalSpacing(3);
  layout->setVerticalSpacing(1);
  const int count = std::max<int>(PriceCount, 0);
  if (DefValues.Price.size() < count) DefValues.Price.resize(count);
  if (DefValues.Delivery.size() < count) DefValues.Delivery.resize(count);
  for (int i = 0; i < count; ++i) {
    // six columns side by side; further columns continue in another band below
    const int band = (i / 6) * 4, col = i % 6;
    TPriceRec r;
    r.PriceLabel = new QLabel(QStringLiteral("Цена #%1").arg(i), Panel1);
    r.PriceLabel->setObjectName(QStringLiteral("PriceName%1").arg(i));
    r.PriceEdit = Calc(QStringLiteral("PRICE%1").arg(i), 6);
    r.PriceEdit->setParent(Panel1);
    r.PriceEdit->setMinimumWidth(63);
    r.DeliveryLabel = new QLabel(QStringLiteral("Пост.#%1").arg(i), Panel1);
    r.DeliveryLabel->setObjectName(QStringLiteral("DeliveryName%1").arg(i));
    r.DeliveryEdit = Calc(QStringLiteral("DELIVERY%1").arg(i), 0);
    r.DeliveryEdit->SetRange(INT32_MIN, INT32_MAX);
    r.DeliveryEdit->setParent(Panel1);
    r.DeliveryEdit->setMinimumWidth(63);
    layout->addWidget(r.PriceLabel, band, col);
    layout->addWidget(r.PriceEdit, band + 1, col);
    layout->addWidget(r.DeliveryLabel, band + 2, col);
    layout->addWidget(r.DeliveryEdit, band + 3, col);
    PriceRecs << r;
  }
  for (int c = 0; c < 6; ++c) layout->setColumnStretch(c, 1);
  // Boxes created now would come last in the tab order: they belong after "Разм2", column
  // by column, so that "1 шт." follows the last delivery box.
  QWidget *previous = eLength;
  for (const TPriceRec &r : PriceRecs) {
    setTabOrder(previous, r.PriceEdit);
    setTabOrder(r.PriceEdit, r.DeliveryEdit);
    previous = r.DeliveryEdit;
  }
}

void Tinf_Material::LoadMaterial() {
  TQuery &q = DATA->Qtmp;
  q.SQL = QStringLiteral("select * from Catalog where ID=%1").arg(FCatalogID);
  q.Open();
  try {
    if (!q.IsEmpty()) {
      const auto f = [&q](const char *name) { return q.FieldByName(QString::fromLatin1(name)); };
      IDcb_System->SetValue(f("SYSTEMID").AsInteger());
      IDcb_Supplier->SetValue(f("SUPPLIER").AsInteger());
      IDcb_Grp->SetValue(f("CATGROUP").AsInteger());
      IDcb_GrpChange();
      IDcb_SubGrp->SetValue(f("SUBGROUP").AsInteger());
      IDcb_Discount->SetValue(f("DISCOUNTGROUP").AsInteger());
      IDcb_Measure->SetValue(f("MEASURE").AsInteger());
      IDcb_Currency->SetValue(f("CURRENCY").AsInteger());
      eName->setText(f("NAME").AsString());
      eNotes->setText(f("COMMENTS").AsString());
      SetNumber(eSize, f("SIZE").AsFloat(), 4);
      SetNumber(ePackUnitSize, f("PACKUNITSIZE").AsFloat(), 6);
      SetNumber(eQtyInPack, f("SMALLPACK").AsFloat(), 4);
      SetNumber(eQtyInBigPack, f("BIGPACK").AsFloat(), 4);
      SetNumber(eLength, f("LENGTH").AsFloat(), 0);
      SetNumber(eDelta, f("DELTA").AsFloat(), 0);
      IsColored->setChecked(f("ISCOLOR").AsInteger() > 0);
      IDcb_MnGrp->SetItemIndex(f("MAINGRP").AsInteger());
      IDcb_MnGrpChange();
      for (int i = 0; i < PriceRecs.size(); ++i) {
        const int pi = q.FieldIndex(QStringLiteral("PRICE%1").arg(i));
        const int di = q.FieldIndex(QStringLiteral("DELIVERY%1").arg(i));
        SetNumber(PriceRecs[i].PriceEdit, pi < 0 ? 0.0 : q.Fields(pi).AsFloat(), 6);
        SetNumber(PriceRecs[i].DeliveryEdit, di < 0 ? 0.0 : q.Fields(di).AsFloat(), 0);
      }
      // The stored colour category stays chosen: the rule only enables and disables here.
      IsColoredClick(false);
    }
  } catch (...) {
    q.Close();
    throw;
  }
  q.Close();
}

void Tinf_Material::IDcb_GrpChange() {
  const TcbIntObj *group = IDcb_Grp->SelectedObj();
  if (!group || !Groups) return;
  Groups->FillSubgroupCombo(group->ID, IDcb_SubGrp, false);
  if (IDcb_SubGrp->count() > 0) IDcb_SubGrp->SetItemIndex(0);
}

void Tinf_Material::IsColoredClick(bool resetCategory) {
  const bool coloured = IsColored->isChecked();
  for (int i = 1; i < PriceRecs.size(); ++i) {
    PriceRecs[i].PriceEdit->setEnabled(coloured);
    PriceRecs[i].DeliveryEdit->setEnabled(coloured);
  }
  IDcb_MnGrp->setEnabled(coloured);
  if (coloured && resetCategory) IDcb_MnGrp->SetItemIndex(0);
}

void Tinf_Material::IDcb_MnGrpChange() {
  IDcb_MnGrp->setEnabled(IsColored->isChecked());
  const int category = IDcb_MnGrp->currentIndex();
  const TcbIntObj *system = IDcb_System->SelectedObj();
  if (category < 0 || !system) return;
  QByteArray key("0");
  key += KeyChar(system->ID);
  key += '0';
  key += KeyChar(category);
  QStringList captions;
  DATA->Setup->GetChildCaptions(key, captions);
  for (int i = 0; i < PriceRecs.size(); ++i) {
    const bool named = i < captions.size();
    PriceRecs[i].PriceLabel->setText(named ? captions[i] : QString());
    PriceRecs[i].PriceEdit->setEnabled(named);
    PriceRecs[i].DeliveryEdit->setEnabled(named);
  }
}

void Tinf_Material::SpeedButton1Click() {
  const int selected = SelectedID(IDcb_Supplier, -1);
  Tinf_Suppliers list(this, selected);
  list.ShowModal();
  if (!list.Changed) return;
  SupplierList->LoadFromSQL(QStringLiteral("select ID, NAME from Suppliers order by NAME"));
  Changed = true;
  SupplierList->FillCombo(IDcb_Supplier);
  if (IDcb_Supplier->count() > 0) IDcb_Supplier->SetItemIndex(0);
  IDcb_Supplier->SetValue(selected);
}

void Tinf_Material::RefillValueCombo(TIDComboBox *combo, const QString &sql) {
  const int selected = SelectedID(combo, -1);
  combo->Clear();
  FillIDComboSQL(combo, sql, false);
  combo->SetValue(selected);
}

void Tinf_Material::Label18DblClick() {
  TChangeValues editor(this, 1);
  if (editor.ShowModal() != mrOk) return;
  Changed = true;
  RefillValueCombo(IDcb_Currency, QStringLiteral("select NAME, ID from Currencies order by ID"));
  CurrencyNames.LoadFromSQL(QStringLiteral("select ID, NAME from Currencies order by ID"));
}

void Tinf_Material::SpeedButton2Click() {
  TChangeValues editor(this, 2);
  if (editor.ShowModal() != mrOk) return;
  Changed = true;
  RefillValueCombo(IDcb_Discount, QStringLiteral("select NAME, ID from DiscountGroups order by ID"));
  DiscountValues.LoadFromSQL(QStringLiteral("select ID, DVALUE from DiscountGroups order by ID"));
}

QString Tinf_Material::PriceToSQL(double value) {
  if (value == 0) return QStringLiteral("NULL");
  return FormatFloat(QStringLiteral("0.0#####"), value);
}

QString Tinf_Material::BuildCatalogSQL() const {
  const bool insert = FCatalogID < 0;
  QString priceColumns, deliveryColumns, priceValues, deliveryValues;
  for (int i = 0; i < PriceRecs.size(); ++i) {
    const QString price = PriceToSQL(PriceRecs[i].PriceEdit->Value());
    const QString delivery = QString::number(static_cast<qint64>(std::trunc(PriceRecs[i].DeliveryEdit->Value())));
    if (insert) {
      priceColumns += QStringLiteral("PRICE%1,").arg(i);
      deliveryColumns += QStringLiteral("DELIVERY%1,").arg(i);
      priceValues += price + QLatin1Char(',');
      deliveryValues += delivery + QLatin1Char(',');
    } else {
      priceValues += QStringLiteral("PRICE%1=").arg(i) + price + QLatin1Char(',');
      deliveryValues += QStringLiteral("DELIVERY%1=").arg(i) + delivery + QLatin1Char(',');
    }
  }
  const QString system = QString::number(SelectedID(IDcb_System, 0));
  const int categoryIndex = IDcb_MnGrp->currentIndex();
  const QString category = QString::number(categoryIndex < 0 ? 0 : categoryIndex);
  const QString name = QuoteSQL(eName->text()), notes = QuoteSQL(eNotes->text());
  const QString group = QString::number(SelectedID(IDcb_Grp, 0));
  const QString subgroup = QString::number(SelectedID(IDcb_SubGrp, 0));
  const QString measure = QString::number(SelectedID(IDcb_Measure, 0));
  const QString currency = QString::number(SelectedID(IDcb_Currency, 0));
  const QString discount = QString::number(SelectedID(IDcb_Discount, 0));
  const QString supplier = QString::number(SelectedID(IDcb_Supplier, 0));
  const QString size = PriceToSQL(eSize->Value()), pack = PriceToSQL(ePackUnitSize->Value()),
                small = PriceToSQL(eQtyInPack->Value()), big = PriceToSQL(eQtyInBigPack->Value());
  const QString length = PriceToSQL(static_cast<double>(Round(eLength->Value())));
  const QString delta = PriceToSQL(static_cast<double>(Round(eDelta->Value())));
  const QString colour = IsColored->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
  const QChar c = QLatin1Char(',');
  if (insert)
    return QStringLiteral("insert into Catalog (SYSTEMID,MAINGRP,NAME,COMMENTS,CATGROUP,SUBGROUP,MEASURE,") +
           priceColumns + QLatin1Char(' ') + deliveryColumns +
           QStringLiteral(" CURRENCY,DISCOUNTGROUP,SIZE,PACKUNITSIZE,SMALLPACK,BIGPACK,SUPPLIER,LENGTH,DELTA,"
                          "ISCOLOR) values (") +
           system + c + category + c + name + c + notes + c + group + c + subgroup + c + measure + c +
           priceValues + QLatin1Char(' ') + deliveryValues + QLatin1Char(' ') + currency + c + discount + c +
           size + c + pack + c + small + c + big + c + supplier + c + length + c + delta + c + colour +
           QLatin1Char(')');
  return QStringLiteral("update Catalog set SYSTEMID=") + system + QStringLiteral(",MAINGRP=") + category +
         QStringLiteral(",NAME=") + name + QStringLiteral(",COMMENTS=") + notes + QStringLiteral(",CATGROUP=") +
         group + QStringLiteral(",SUBGROUP=") + subgroup + QStringLiteral(",MEASURE=") + measure + c +
         priceValues + QLatin1Char(' ') + deliveryValues + QStringLiteral(" CURRENCY=") + currency +
         QStringLiteral(",DISCOUNTGROUP=") + discount + QStringLiteral(",SIZE=") + size +
         QStringLiteral(",PACKUNITSIZE=") + pack + QStringLiteral(",SMALLPACK=") + small +
         QStringLiteral(",BIGPACK=") + big + QStringLiteral(",SUPPLIER=") + supplier +
         QStringLiteral(",LENGTH=") + length + QStringLiteral(",DELTA=") + delta + QStringLiteral(",ISCOLOR=") +
         colour + QStringLiteral(" where ID=") + QString::number(FCatalogID);
}

QString Tinf_Material::MissingChoice() const {
  const struct {
    const TIDComboBox *combo;
    const char *label;
  } required[] = {{IDcb_Supplier, "Поставщик"}, {IDcb_Grp, "Группа"},       {IDcb_Measure, "Ед.изм."},
                  {IDcb_Currency, "Валюта"},    {IDcb_Discount, "Группа скидки"}};
  for (const auto &r : required)
    if (!r.combo->SelectedObj()) return QString::fromUtf8(r.label);
  // a material whose profile system the setup no longer lists would be moved to system 0
  if (IDcb_System->count() > 0 && !IDcb_System->SelectedObj()) return QStringLiteral("Система профилей");
  // a subgroup is needed where the group has subgroups
  if (IDcb_SubGrp->count() > 0 && !IDcb_SubGrp->SelectedObj()) return QStringLiteral("Подгруппа");
  return QString();
}

bool Tinf_Material::CloseQuery(int result) {
  if (result != mrOk) return true;
  if (eName->text().trimmed().isEmpty()) {
    ShowMessage(QStringLiteral("У товара должен быть артикул!"));
    eName->setFocus();
    return false;
  }
  const QString missing = MissingChoice();
  if (!missing.isEmpty()) {
    ShowMessage(QStringLiteral("Не выбрано значение поля \"%1\"!").arg(missing));
    return false;
  }
  QList<TCalcEdit *> numbers{eSize, eLength, ePackUnitSize, eQtyInPack, eQtyInBigPack, eDelta};
  for (const auto &r : PriceRecs) numbers << r.PriceEdit << r.DeliveryEdit;
  for (TCalcEdit *e : numbers) {
    if (!e->IsValid()) {
      ShowMessage(QStringLiteral("Неверное число!"));
      e->setFocus();
      return false;
    }
  }
  // The colour codes of the material's stock rows and document lines follow a changed colour
  // flag when the user confirms; the question comes before anything is written. Whether the
  // material has stock rows is decided again inside the write under lock: a row posted by
  // another client after the question (or after no question) must not keep the old code.
  const bool coloured = IsColored->isChecked();
  const bool flagChanged = coloured != OldIsColored && FCatalogID >= 1;
  const QString stockRows = Format("select count(CATID) from CatalogQty where CATID=%d", {FCatalogID});
  bool asked = false, confirmed = false;
  const auto ask = [&] {
    asked = true;
    confirmed = MessageDlg(QStringLiteral("У материалов зарегистрированных на складе изменён цвет!\r\r"
                                          "Подтвердите изменения!"),
                           TMsgDlgType::mtConfirmation, mbYes | mbNo, this) == mrYes;
  };
  try {
    if (flagChanged && SQLInt(stockRows) > 0) ask();
    const QString sql = BuildCatalogSQL();
    bool unasked = false;
    const auto write = [&] {
      unasked = false;
      bool rewriteColours = false;
      if (flagChanged) {
        // The material's lock first, then whether it has stock rows; no stock row of the
        // material can be created until the transaction ends.
        const bool held = LockMaterialForColourFlag(FCatalogID);
        if (held && !asked) {
          unasked = true;  // nothing written yet: the question is asked outside the transaction
          return;
        }
        rewriteColours = held && confirmed;
      }
      ExecSQL(sql);
      if (rewriteColours) RewriteMaterialColours(FCatalogID, coloured);
    };
    RunInTransaction(write);
    if (unasked) {
      ask();
      RunInTransaction(write);
    }
  } catch (const std::exception &e) {
    ShowException(e);
    return false;
  }
  return true;
}

void Tinf_Material::FormClose() {
  if (ModalResult() == mrOk) {
    DefValues.IDcb_System = static_cast<int16_t>(IDcb_System->currentIndex());
    DefValues.IDcb_Supplier = static_cast<int16_t>(IDcb_Supplier->currentIndex());
    DefValues.IDcb_Grp = static_cast<int16_t>(IDcb_Grp->currentIndex());
    DefValues.IDcb_SubGrp = static_cast<int16_t>(IDcb_SubGrp->currentIndex());
    DefValues.IDcb_Discount = static_cast<int16_t>(IDcb_Discount->currentIndex());
    DefValues.IDcb_Measure = static_cast<int16_t>(IDcb_Measure->currentIndex());
    DefValues.IDcb_Currency = static_cast<int16_t>(IDcb_Currency->currentIndex());
    DefValues.Price.resize(PriceRecs.size());
    DefValues.Delivery.resize(PriceRecs.size());
    for (int i = 0; i < PriceRecs.size(); ++i) {
      DefValues.Price[i] = PriceRecs[i].PriceEdit->Value();
      DefValues.Delivery[i] = static_cast<int32_t>(std::trunc(PriceRecs[i].DeliveryEdit->Value()));
    }
    DefValues.IsColored = IsColored->isChecked();
    DefValues.IDcb_MnGrp = static_cast<int16_t>(IDcb_MnGrp->currentIndex());
  }
  SaveFormPosition(this, false);
}
