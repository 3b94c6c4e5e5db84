#include "catalogue/inf_ChangeValuesUnit.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/DataUnit.h"
#include "core/InputFormUnit.h"
#include "core/MyMsgUnit.h"
#include "platform/Application.h"
#include "platform/SysUtils.h"

namespace {

const QString kGroupInUse = QStringLiteral("Вы не можете удалить группу. Она используется в каталоге.");

// Discount groups that materials have taken since their rows were removed from the grid.
struct TGroupsInUse {
  QList<int> IDs;
};

// The locking read sees the latest materials and keeps others from giving one of them the
// group until the transaction has ended.
bool GroupInUse(int id) {
  return SQLInt(Format("select count(*) from Catalog where DISCOUNTGROUP=%d lock in share mode", {id})) > 0;
}

}  // namespace

TChangeValues::TChangeValues(QWidget *owner, uint8_t mode) : TForm(owner), FMode(mode) {
  setObjectName(QStringLiteral("ChangeValues"));
  SetPosition(poScreenCenter);
  setWindowTitle(QStringLiteral("ChangeValues"));

  StrGrd = new TStringGrid(this);
  StrGrd->setObjectName(QStringLiteral("StrGrd"));
  StrGrd->SetColCount(2);
  StrGrd->SetColWidths(0, 161);
  StrGrd->SetColWidths(1, 63);
  StrGrd->verticalHeader()->setDefaultSectionSize(std::max(17, fontMetrics().height() + 4));
  StrGrd->horizontalHeader()->setStretchLastSection(true);
  StrGrd->setMinimumSize(260, 240);

  AddBitBtn = new QPushButton(QStringLiteral(" Add"), this);
  AddBitBtn->setObjectName(QStringLiteral("AddBitBtn"));
  DelBitBtn = new QPushButton(QStringLiteral(" Del"), this);
  DelBitBtn->setObjectName(QStringLiteral("DelBitBtn"));
  BitBtn2 = new QPushButton(QStringLiteral("Отмена"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn3 = new QPushButton(QStringLiteral("OK"), this);
  BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
  BitBtn3->setDefault(true);
  BindModalResult(BitBtn2, mrCancel);
  BindModalResult(BitBtn3, mrOk);

  auto *edit = new QHBoxLayout;
  edit->addWidget(AddBitBtn);
  edit->addWidget(DelBitBtn);
  edit->addStretch();
  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BitBtn2);
  buttons->addWidget(BitBtn3);
  auto *top = new QVBoxLayout(this);
  top->addWidget(StrGrd);
  top->addLayout(edit);
  top->addLayout(buttons);

  connect(StrGrd, &QTableWidget::currentCellChanged, this,
          [this](int, int col, int, int) { SelectedCol = col < 0 ? SelectedCol : col; });
  connect(StrGrd, &QTableWidget::cellDoubleClicked, this,
          [this] { Guarded([&] { StrGrdDblClick(); }); });
  connect(AddBitBtn, &QPushButton::clicked, this, [this] { Guarded([&] { AddBitBtnClick(); }); });
  connect(DelBitBtn, &QPushButton::clicked, this, [this] { Guarded([&] { DelBitBtnClick(); }); });
}

void TChangeValues::showEvent(QShowEvent *event) {
  TForm::showEvent(event);
  if (FShown) return;
  FShown = true;
  Guarded([&] { FormShow(); });
}

void TChangeValues::FormShow() {
  QString sql, valueField;
  if (FMode == 1) {
    StrGrd->SetCells(0, 0, QStringLiteral("Валюта"));
    StrGrd->SetCells(1, 0, QStringLiteral("Курс"));
    AddBitBtn->hide();
    DelBitBtn->hide();
    sql = QStringLiteral("select * from Currencies order by ID");
    valueField = QStringLiteral("RATE");
  } else {
    StrGrd->SetCells(0, 0, QStringLiteral("Группа скидки"));
    StrGrd->SetCells(1, 0, QStringLiteral("Скидка (%)"));
    sql = QStringLiteral("select * from DiscountGroups order by ID");
    valueField = QStringLiteral("DVALUE");
  }
  TQuery &q = DATA->Qtmp;
  q.SQL = sql;
  q.Open();
  for (q.First(); !q.Eof(); q.Next())
    AddValueRow(q.FieldByName(QStringLiteral("ID")).AsInteger(),
                q.FieldByName(QStringLiteral("NAME")).AsString(),
                FloatToStr(q.FieldByName(valueField).AsFloat()));
  q.Close();
  StrGrd->SetRow(1);
}

void TChangeValues::AddValueRow(int id, const QString &name, const QString &value) {
  const int last = StrGrd->RowCount() - 1;
  if (StrGrd->Objects(0, last)) StrGrd->SetRowCount(StrGrd->RowCount() + 1);
  const int row = StrGrd->RowCount() - 1;
  StrGrd->SetCells(0, row, name);
  StrGrd->SetCells(1, row, value);
  StrGrd->SetObjects(0, row, new TTmpObj(id));
}

void TChangeValues::DeleteValueRow(int row) {
  auto *obj = StrGrd->ObjectAs<TTmpObj>(0, row);
  if (!obj) return;
  if (obj->ID != -1) FDeletedIDs << obj->ID;
  StrGrd->DeleteRow(row);
}

bool TChangeValues::NameFits(const QString &name) {
  // The widths of Currencies.NAME and DiscountGroups.NAME, in characters.
  const int width = FMode == 1 ? 3 : 50;
  if (name.toUcs4().size() <= width) return true;
  ShowMessage(QStringLiteral("Значение поля \"%1\" слишком длинное (не более %2 символов)!")
                  .arg(StrGrd->Cells(0, 0))
                  .arg(width));
  return false;
}

void TChangeValues::StrGrdDblClick() {
  const int row = StrGrd->Row();
  auto *obj = StrGrd->ObjectAs<TTmpObj>(0, row);
  if (!obj) return;
  if (SelectedCol == 0) {
    QString answer = StrGrd->Cells(0, row);
    if (!Dialogs().InputQuery(this, QStringLiteral("Название"),
                              QStringLiteral("Введите новое название"), answer))
      return;
    if (!NameFits(answer)) return;
    if (answer != StrGrd->Cells(0, row)) {
      StrGrd->SetCells(0, row, answer);
      obj->Changed = true;
    }
    return;
  }
  const double preset = StrToFloatDef(StrGrd->Cells(1, row), 0.0);
  const double value =
      FMode == 1 ? InputNumber(this, QStringLiteral("Курс валюты"), QStringLiteral("Введите новый курс"), preset)
                 : InputNumber(this, QStringLiteral("Скидка"), QStringLiteral("Введите новую скидку"), preset);
  // The number is kept in full precision: a typed rate is stored as typed (to six decimals).
  const QString text = FormatFloat(QStringLiteral("0.######"), value);
  if (text != StrGrd->Cells(1, row)) {
    StrGrd->SetCells(1, row, text);
    obj->Changed = true;
  }
}

void TChangeValues::AddBitBtnClick() {
  if (FMode != 2) return;
  QString answer;
  if (!Dialogs().InputQuery(this, QStringLiteral("Название"), QStringLiteral("Введите новое зазвание"),
                            answer))
    return;
  if (!answer.isEmpty() && NameFits(answer)) AddValueRow(-1, answer, QStringLiteral("0"));
}

void TChangeValues::DelBitBtnClick() {
  if (FMode != 2) return;
  const int row = StrGrd->Row();
  auto *obj = StrGrd->ObjectAs<TTmpObj>(0, row);
  if (!obj) return;
  if (MessageDlg(QStringLiteral("Удалить текущую группу скидки? Вы уверены?"),
                 TMsgDlgType::mtConfirmation, mbYes | mbNo, this) == mrNo)
    return;
  if (obj->ID >= 0 && GroupInUse(obj->ID)) {
    ShowMessage(kGroupInUse);
    return;
  }
  DeleteValueRow(row);
}

void TChangeValues::WriteChanges() {
  // Values are the cell texts: numbers read from the table or formatted by this editor.
  const auto valueSQL = [this](int row) {
    const QString text = StrGrd->Cells(1, row).trimmed();
    double v = 0;
    return TryStrToFloat(text, v) ? text : FormatFloat(QStringLiteral("0.######"), v);
  };
  if (FMode == 1) {
    for (int row = 1; row < StrGrd->RowCount(); ++row) {
      auto *obj = StrGrd->ObjectAs<TTmpObj>(0, row);
      if (!obj || !obj->Changed) continue;
      ExecSQL(QStringLiteral("update Currencies set NAME=") + QuoteSQL(StrGrd->Cells(0, row)) +
              QStringLiteral(", RATE=") + valueSQL(row) + QStringLiteral(" where ID=%1").arg(obj->ID));
    }
    return;
  }
  // Each deletion is checked again: a material may have taken the group since its row was removed.
  TGroupsInUse used;
  for (int id : FDeletedIDs)
    if (GroupInUse(id)) used.IDs << id;
  if (!used.IDs.isEmpty()) throw used;
  for (int id : FDeletedIDs) ExecSQL(Format("delete from DiscountGroups where ID=%d", {id}));
  // The IDs are not given by the server: the locking read of the highest one makes another
  // client that adds groups wait until these are written.
  int next = SQLInt(QStringLiteral("select max(ID) from DiscountGroups for update"));
  for (int row = 1; row < StrGrd->RowCount(); ++row) {
    auto *obj = StrGrd->ObjectAs<TTmpObj>(0, row);
    if (!obj) continue;
    if (obj->ID == -1) {
      ExecSQL(QStringLiteral("insert into DiscountGroups (ID, NAME, DVALUE) values(%1, ").arg(next + 1) +
              QuoteSQL(StrGrd->Cells(0, row)) + QStringLiteral(", ") + valueSQL(row) + QLatin1Char(')'));
      ++next;
    } else if (obj->Changed) {
      ExecSQL(QStringLiteral("update DiscountGroups set NAME=") + QuoteSQL(StrGrd->Cells(0, row)) +
              QStringLiteral(", DVALUE=") + valueSQL(row) + QStringLiteral(" where ID=%1").arg(obj->ID));
    }
  }
}

bool TChangeValues::CloseQuery(int result) {
  if (result != mrOk) return true;
  // The whole plan in one transaction: a failure writes nothing, so OK may be pressed again.
  try {
    RunInTransaction([this] { WriteChanges(); });
  } catch (const TGroupsInUse &used) {
    // Nothing was written: the groups come back into the grid, and OK writes the rest.
    TQuery &q = DATA->Qtmp;
    for (int id : used.IDs) {
      FDeletedIDs.removeAll(id);
      q.SQL = Format("select NAME, DVALUE from DiscountGroups where ID=%d", {id});
      q.Open();
      if (!q.IsEmpty()) AddValueRow(id, q.Fields(0).AsString(), FloatToStr(q.Fields(1).AsFloat()));
      q.Close();
    }
    ShowMessage(kGroupInUse);
    return false;
  } catch (const std::exception &e) {
    ShowException(e);
    return false;
  }
  return true;
}
