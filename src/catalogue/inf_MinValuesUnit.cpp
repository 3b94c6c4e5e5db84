#include "catalogue/inf_MinValuesUnit.h"

#include <cstdint>

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "core/DataLists.h"
#include "core/DataUnit.h"
#include "core/InputFormUnit.h"
#include "core/MyMsgUnit.h"
#include "platform/Application.h"
#include "platform/Grids.h"
#include "platform/SysUtils.h"

namespace {

// Group rows in bold, subgroup names indented under them, the values centred.
class TMinValuesDelegate : public QStyledItemDelegate {
 public:
  TMinValuesDelegate(TStringGrid *grid) : QStyledItemDelegate(grid), m_grid(grid) {}
  void paint(QPainter *painter, const QStyleOptionViewItem &option,
             const QModelIndex &index) const override {
    auto *obj = m_grid->ObjectAs<TAddObj>(0, index.row() + 1);
    if (!obj) {
      QStyledItemDelegate::paint(painter, option, index);
      return;
    }
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette &pal = option.palette;
    painter->save();
    painter->fillRect(option.rect, selected ? pal.highlight() : pal.base());
    painter->setPen(selected ? pal.color(QPalette::HighlightedText) : pal.color(QPalette::Text));
    QFont f = option.font;
    const QString text = index.data().toString();
    const QRect r = option.rect;
    if (index.column() == 0) {
      const bool group = obj->N2 < 0;
      f.setBold(group);
      painter->setFont(f);
      painter->drawText(r.adjusted(group ? 3 : 30, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter, text);
    } else {
      painter->setFont(f);
      painter->drawText(r, Qt::AlignCenter, text);
    }
    painter->restore();
  }

 private:
  TStringGrid *m_grid;
};

}  // namespace

Tinf_MinValues::Tinf_MinValues(QWidget *owner) : TForm(owner) {
  setObjectName(QStringLiteral("inf_MinValues"));
  SetPosition(poScreenCenter);
  setWindowTitle(QStringLiteral("DI Vidududiz 1.1 / Критические остатки"));

  GrpStrGrd = new TStringGrid(this);
  GrpStrGrd->setObjectName(QStringLiteral("GrpStrGrd"));
  GrpStrGrd->SetColCount(3);
  GrpStrGrd->SetColWidths(0, 250);
  GrpStrGrd->SetColWidths(1, 57);
  GrpStrGrd->SetColWidths(2, 53);
  GrpStrGrd->verticalHeader()->setDefaultSectionSize(std::max(17, fontMetrics().height() + 4));
  GrpStrGrd->setItemDelegate(new TMinValuesDelegate(GrpStrGrd));
  GrpStrGrd->setMinimumSize(390, 420);
  GrpStrGrd->horizontalHeader()->setStretchLastSection(true);

  CancelBtn = new QPushButton(QStringLiteral("Atcelt"), this);
  CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
  SaveWB = new QPushButton(QStringLiteral("Saglabāt"), this);
  SaveWB->setObjectName(QStringLiteral("SaveWB"));
  SaveWB->setDefault(true);
  BindModalResult(CancelBtn, mrCancel);
  BindModalResult(SaveWB, mrOk);

  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(CancelBtn);
  buttons->addWidget(SaveWB);
  auto *top = new QVBoxLayout(this);
  top->addWidget(GrpStrGrd);
  top->addLayout(buttons);

  connect(GrpStrGrd, &QTableWidget::currentCellChanged, this,
          [this](int, int col, int, int) { SelectedCol = col < 0 ? SelectedCol : col; });
  connect(GrpStrGrd, &QTableWidget::cellDoubleClicked, this,
          [this] { Guarded([&] { GrpStrGrdDblClick(); }); });
}

void Tinf_MinValues::showEvent(QShowEvent *event) {
  TForm::showEvent(event);
  if (FShown) return;
  FShown = true;
  Guarded([&] { FormShow(); });
}

void Tinf_MinValues::FormShow() {
  GrpStrGrd->SetCells(0, 0, QStringLiteral("Группа / подгруппа материалов"));
  GrpStrGrd->SetCells(1, 0, QStringLiteral("Мин."));
  GrpStrGrd->SetCells(2, 0, QStringLiteral("% отх."));
  bool first = true;
  const auto append = [&](const QString &name, const QString &minValue, const QString &waste,
                          TAddObj *obj) {
    if (!first) GrpStrGrd->SetRowCount(GrpStrGrd->RowCount() + 1);
    first = false;
    const int row = GrpStrGrd->RowCount() - 1;
    GrpStrGrd->SetCells(0, row, name);
    GrpStrGrd->SetCells(1, row, minValue);
    GrpStrGrd->SetCells(2, row, waste);
    GrpStrGrd->SetObjects(0, row, obj);
  };
  if (!Groups) return;
  for (int i = 0; i < Groups->Count(); ++i) {
    TCatGroupRec group;
    Groups->GetGroupAt(i, group);
    append(group.Name, QString(), QString(), new TAddObj(group.ID, -1, 0, 0, 0, 0));
    for (const TCatSubgroupRec &sub : group.Subgroups)
      append(sub.Name, QString::number(sub.MINVALUE), FormatFloat(QStringLiteral("0.#"), sub.WASTE),
             new TAddObj(group.ID, sub.SUBID, 0, 0, 0, 0));
  }
  GrpStrGrd->SetRow(1);
}

void Tinf_MinValues::GrpStrGrdDblClick() {
  const int row = GrpStrGrd->Row();
  auto *obj = GrpStrGrd->ObjectAs<TAddObj>(0, row);
  if (!obj) return;
  const bool subgroup = obj->N2 >= 0;
  if (SelectedCol == 0 || SelectedCol == 1) {
    if (subgroup) {
      const double preset = StrToFloatDef(GrpStrGrd->Cells(1, row), 0.0);
      const double value = InputNumber(this, QStringLiteral("Количество"),
                                       QStringLiteral("Введите новое количество."), preset);
      const int64_t whole = Round(value);
      if (whole != Round(preset)) {
        GrpStrGrd->SetCells(1, row, QString::number(whole));
        obj->N5 = 1;
      }
    } else {
      const float value = static_cast<float>(InputNumber(
          this, QStringLiteral("Количество"), QStringLiteral("Введите новое количество для всех подгрупп."), 0));
      if (Round(value) > 0) ApplyToSubgroups(row + 1, 1, value);
    }
    return;
  }
  if (SelectedCol != 2) return;
  if (subgroup) {
    const double preset = StrToFloatDef(GrpStrGrd->Cells(2, row), 0.0);
    const double value = InputNumber(this, QStringLiteral("Отходы"),
                                     QStringLiteral("Введите новый процент отхода"), preset);
    const QString text = FormatFloat(QStringLiteral("0.#"), value);
    if (text != GrpStrGrd->Cells(2, row)) {
      GrpStrGrd->SetCells(2, row, text);
      obj->N5 = 1;
    }
  } else {
    const float value = static_cast<float>(InputNumber(
        this, QStringLiteral("Отходы"), QStringLiteral("Введите новый процент отхода для всех подгрупп."), 0));
    if (value > 0) ApplyToSubgroups(row + 1, 2, value);
  }
}

void Tinf_MinValues::ApplyToSubgroups(int first, int kind, double value) {
  for (int row = first; row < GrpStrGrd->RowCount(); ++row) {
    auto *obj = GrpStrGrd->ObjectAs<TAddObj>(0, row);
    if (!obj || obj->N2 < 0) break;
    if (kind == 1) GrpStrGrd->SetCells(1, row, QString::number(Round(value)));
    else GrpStrGrd->SetCells(2, row, FormatFloat(QStringLiteral("0.#"), value));
    obj->N5 = 1;
  }
}

bool Tinf_MinValues::CloseQuery(int result) {
  if (result != mrOk) return true;
  struct TChange {
    int group, sub;
    qint64 minValue;
    double waste;
  };
  QVector<TChange> changes;
  for (int row = 1; row < GrpStrGrd->RowCount(); ++row) {
    auto *obj = GrpStrGrd->ObjectAs<TAddObj>(0, row);
    if (!obj || obj->N5 <= 0) continue;
    // The cells hold numbers formatted by this window; they are checked again on the way.
    changes.push_back({obj->N1, obj->N2, Round(StrToFloatDef(GrpStrGrd->Cells(1, row), 0.0)),
                       StrToFloatDef(GrpStrGrd->Cells(2, row), 0.0)});
  }
  if (changes.isEmpty()) return true;
  // A minimum the column cannot hold would be stored cut and kept wrapped in memory.
  for (const TChange &c : changes)
    if (c.minValue > INT32_MAX) {
      ShowMessage(QStringLiteral("Слишком большое значение минимума!"));
      return false;
    }
  // All changed subgroups are stored together or not at all; the window stays open after a
  // failure so that the values can be corrected.
  try {
    RunInTransaction([&] {
      for (const TChange &c : changes)
        ExecSQL(QStringLiteral("update CatGroups set MINVALUE=%1, WASTE=%2 where ID=%3 and SUBID=%4")
                    .arg(c.minValue)
                    .arg(FormatFloat(QStringLiteral("0.#"), c.waste))
                    .arg(c.group)
                    .arg(c.sub));
    });
  } catch (const std::exception &e) {
    ShowMessage(FailureText(e, QStringLiteral("Error executing query \"update CatGroups\"")));
    return false;
  }
  if (Groups)
    for (const TChange &c : changes) Groups->SetSubgroupValues(c.group, c.sub, static_cast<int>(c.minValue), c.waste);
  return true;
}
