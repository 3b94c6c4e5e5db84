#include "catalogue/inf_SuppliersUnit.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "catalogue/inf_SupplierUnit.h"
#include "core/DataLists.h"
#include "core/DataUnit.h"
#include "platform/Application.h"
#include "platform/Grids.h"
#include "platform/SysUtils.h"

Tinf_Suppliers::Tinf_Suppliers(QWidget *owner, int selId)
    : TForm(owner), FSelectedSupplierID(selId) {
  setObjectName(QStringLiteral("inf_Suppliers"));
  SetPosition(poScreenCenter);
  setWindowTitle(QStringLiteral("DI Vidududiz 1.1 / Поставщики"));

  SuppliersGrid = new TStringGrid(this);
  SuppliersGrid->setObjectName(QStringLiteral("SuppliersGrid"));
  SuppliersGrid->SetColCount(3);
  SuppliersGrid->SetColWidths(0, 205);
  SuppliersGrid->SetColWidths(1, 198);
  SuppliersGrid->SetColWidths(2, 170);
  SuppliersGrid->verticalHeader()->setDefaultSectionSize(std::max(17, fontMetrics().height() + 4));
  SuppliersGrid->horizontalHeader()->setStretchLastSection(true);
  SuppliersGrid->setMinimumSize(600, 320);
  SuppliersGrid->setContextMenuPolicy(Qt::CustomContextMenu);

  BitBtn4 = new QPushButton(QStringLiteral("Добавить"), this);
  BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
  BitBtn5 = new QPushButton(QStringLiteral("Править"), this);
  BitBtn5->setObjectName(QStringLiteral("BitBtn5"));
  BitBtn2 = new QPushButton(QStringLiteral("Удалить"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn1 = new QPushButton(QStringLiteral("Выход"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BindModalResult(BitBtn1, mrCancel);

  SuppliersPopup = new QMenu(this);
  SuppliersPopup->setObjectName(QStringLiteral("SuppliersPopup"));
  N1 = SuppliersPopup->addAction(QStringLiteral("Добавить"));
  N1->setObjectName(QStringLiteral("N1"));
  N1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Insert));
  N2 = SuppliersPopup->addAction(QStringLiteral("Править"));
  N2->setObjectName(QStringLiteral("N2"));
  N2->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
  N3 = SuppliersPopup->addAction(QStringLiteral("Удалить"));
  N3->setObjectName(QStringLiteral("N3"));
  N3->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
  for (QAction *a : {N1, N2, N3}) a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
  addActions({N1, N2, N3});

  auto *buttons = new QHBoxLayout;
  buttons->addWidget(BitBtn4);
  buttons->addWidget(BitBtn5);
  buttons->addWidget(BitBtn2);
  buttons->addStretch();
  buttons->addWidget(BitBtn1);
  auto *top = new QVBoxLayout(this);
  top->addWidget(SuppliersGrid);
  top->addLayout(buttons);

  connect(BitBtn4, &QPushButton::clicked, this, [this] { Guarded([&] { BitBtn4Click(0); }); });
  connect(BitBtn5, &QPushButton::clicked, this, [this] { Guarded([&] { BitBtn4Click(1); }); });
  connect(N1, &QAction::triggered, this, [this] { Guarded([&] { BitBtn4Click(0); }); });
  connect(N2, &QAction::triggered, this, [this] { Guarded([&] { BitBtn4Click(1); }); });
  connect(SuppliersGrid, &QTableWidget::cellDoubleClicked, this,
          [this] { Guarded([&] { BitBtn4Click(1); }); });
  connect(BitBtn2, &QPushButton::clicked, this, [this] { Guarded([&] { BitBtn2Click(); }); });
  connect(N3, &QAction::triggered, this, [this] { Guarded([&] { BitBtn2Click(); }); });
  connect(SuppliersPopup, &QMenu::aboutToShow, this, [this] { SuppliersPopupPopup(); });
  connect(SuppliersGrid, &QWidget::customContextMenuRequested, this, [this](const QPoint &p) {
    SuppliersPopup->popup(SuppliersGrid->viewport()->mapToGlobal(p));
  });
}

void Tinf_Suppliers::showEvent(QShowEvent *event) {
  TForm::showEvent(event);
  if (FShown) return;
  FShown = true;
  Guarded([&] { FormShow(); });
}

void Tinf_Suppliers::FormShow() {
  SuppliersGrid->SetCells(0, 0, QStringLiteral("Название"));
  SuppliersGrid->SetCells(1, 0, QStringLiteral("Адрес"));
  SuppliersGrid->SetCells(2, 0, QStringLiteral("Телефоны"));
  TQuery &q = DATA->Qtmp;
  q.SQL = QStringLiteral("select * from Suppliers order by NAME");
  q.Open();
  for (q.First(); !q.Eof(); q.Next())
    AddSupplierRow(q.FieldByName(QStringLiteral("ID")).AsInteger(),
                   q.FieldByName(QStringLiteral("NAME")).AsString(),
                   q.FieldByName(QStringLiteral("FADDRESS")).AsString(),
                   q.FieldByName(QStringLiteral("PHONES")).AsString());
  q.Close();
  SuppliersGrid->SetRow(1);
  SelectSupplierRow(FSelectedSupplierID);
}

int Tinf_Suppliers::RowID(int row) const {
  auto *obj = SuppliersGrid->ObjectAs<TIntObj>(0, row);
  return obj ? obj->Value : -1;
}

void Tinf_Suppliers::AddSupplierRow(int id, const QString &name, const QString &address,
                                    const QString &phones) {
  if (SuppliersGrid->RowCount() > 2 || !SuppliersGrid->Cells(0, 1).isEmpty())
    SuppliersGrid->SetRowCount(SuppliersGrid->RowCount() + 1);
  const int row = SuppliersGrid->RowCount() - 1;
  SuppliersGrid->SetCells(0, row, name);
  SuppliersGrid->SetObjects(0, row, new TIntObj(id));
  SuppliersGrid->SetCells(1, row, address);
  SuppliersGrid->SetCells(2, row, phones);
}

void Tinf_Suppliers::SelectSupplierRow(int id) {
  for (int row = 1; row < SuppliersGrid->RowCount(); ++row) {
    auto *obj = SuppliersGrid->ObjectAs<TIntObj>(0, row);
    if (obj && obj->Value == id) SuppliersGrid->SetRow(row);
  }
}

void Tinf_Suppliers::BitBtn4Click(int tag) {
  const int row = SuppliersGrid->Row();
  if (tag > 0 && (row < 1 || SuppliersGrid->Cells(0, row).trimmed().isEmpty())) return;
  const int id = tag >= 1 ? RowID(row) : -1;
  if (tag >= 1 && id < 0) return;
  Tinf_Supplier card(this, id);
  if (card.ShowModal() != mrOk) return;
  Changed = true;
  if (tag >= 1) {
    SuppliersGrid->SetCells(0, row, card.SavedName);
    SuppliersGrid->SetCells(1, row, card.SavedAddress);
    SuppliersGrid->SetCells(2, row, card.SavedPhones);
  } else {
    AddSupplierRow(card.SavedID, card.SavedName, card.SavedAddress, card.SavedPhones);
    SelectSupplierRow(card.SavedID);
  }
}

void Tinf_Suppliers::BitBtn2Click() {
  const int row = SuppliersGrid->Row();
  if (row < 1 || SuppliersGrid->Cells(0, row).trimmed().isEmpty()) return;
  const int id = RowID(row);
  const auto refuse = [this] {
    MessageDlg(QStringLiteral(
                   "Вы не можете удалить поставщика, так как в каталоге имеются товары от него!"),
               TMsgDlgType::mtInformation, mbOK, this);
  };
  // The locking read sees the latest materials and keeps others from giving one of them this
  // supplier until the deletion has ended.
  const QString inUse = Format("select count(*) from Catalog where SUPPLIER=%d lock in share mode", {id});
  if (SQLInt(inUse) >= 1) {
    refuse();
    return;
  }
  const QString question = QStringLiteral("Удалить поставщика \"") + SuppliersGrid->Cells(0, row) +
                           QStringLiteral("\"? Вы уверены?");
  if (MessageDlg(question, TMsgDlgType::mtConfirmation, mbYes | mbNo, this) == mrNo) return;
  // A material may have been given the supplier while the question was open: checked again
  // with the deletion.
  bool used = false;
  RunInTransaction([&] {
    used = SQLInt(inUse) >= 1;
    if (!used) ExecSQL(Format("delete from Suppliers where ID=%d", {id}));
  });
  if (used) {
    refuse();
    return;
  }
  Changed = true;
  SuppliersGrid->DeleteRow(row);
}

void Tinf_Suppliers::SuppliersPopupPopup() {
  const bool any = !SuppliersGrid->Cells(0, 1).isEmpty();
  N2->setEnabled(any);
  N3->setEnabled(any);
  N1->setEnabled(true);
}
