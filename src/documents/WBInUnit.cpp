#include "documents/WBInUnit.h"

#include <QAbstractButton>
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <memory>

#include "core/CommonFunctions.h"
#include "core/DataUnit.h"
#include "core/DocNumbers.h"
#include "core/Ledger.h"
#include "core/MyMsgUnit.h"
#include "documents/DivazInPickerUnit.h"
#include "documents/DivazInUnit.h"
#include "platform/DatePicker.h"
#include "platform/Application.h"
#include "platform/Clock.h"
#include "platform/Grids.h"
#include "platform/SysUtils.h"

#include "reports/rep_OrdMaterialsUnit.h"

TWBIn *WBIn = nullptr;

namespace {

const QString kEditRefused = QStringLiteral("Вы не можете править текущую накладную.\nТовары уже использованы.");
const QString kDeleteRefused = QStringLiteral("Невозможно удалить накладную.\nТовары уже использованы.");
const QString kRequestBecameReceipt =
    QStringLiteral("Невозможно удалить заявку.\nОна уже сохранена как накладная.");

QPushButton *Button(QWidget *parent, const QString &name, const QString &caption) {
  auto *b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

QAction *Action(QMenu *menu, const QString &name, const QString &caption, int tag) {
  QAction *a = menu->addAction(caption);
  a->setObjectName(name);
  a->setData(tag);
  return a;
}

bool ButtonDown(QWidget *owner, const char *name) {
  if (!owner) return false;
  auto *b = owner->findChild<QAbstractButton *>(QString::fromLatin1(name));
  return b && b->isChecked();
}

}  // namespace

TWBIn::TWBIn(QWidget *owner) : TForm(owner) {
  setObjectName(QStringLiteral("WBIn"));
  SetPosition(poScreenCenter);
  setWindowTitle(QStringLiteral("DI Vidududiz 1.1 / Приход"));
  setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
  auto *main = new QVBoxLayout(this);

  // Filters.
  auto *filters = new QHBoxLayout;
  auto *kinds = new QGroupBox(this);
  auto *kl = new QVBoxLayout(kinds);
  Chk1 = new QCheckBox(QStringLiteral("Накладные"), kinds);
  Chk1->setObjectName(QStringLiteral("Chk1"));
  Chk2 = new QCheckBox(QStringLiteral("Заявки"), kinds);
  Chk2->setObjectName(QStringLiteral("Chk2"));
  Chk2->setChecked(true);
  kl->addWidget(Chk1);
  kl->addWidget(Chk2);
  filters->addWidget(kinds);

  auto *period = new QGroupBox(this);
  auto *pl = new QHBoxLayout(period);
  cb1 = new QComboBox(period);
  cb1->setObjectName(QStringLiteral("cb1"));
  cb1->addItems({QStringLiteral("Visi"), QStringLiteral("Sakot no"), QStringLiteral("Uz")});
  DT1 = new TDatePicker(period);
  DT1->setObjectName(QStringLiteral("DT1"));
  DT1->setCalendarPopup(true);
  DT1->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
  ChkUntil = new QCheckBox(QStringLiteral("до"), period);
  ChkUntil->setObjectName(QStringLiteral("ChkUntil"));
  DT2 = new TDatePicker(period);
  DT2->setObjectName(QStringLiteral("DT2"));
  DT2->setCalendarPopup(true);
  DT2->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
  pl->addWidget(cb1);
  pl->addWidget(DT1);
  pl->addWidget(ChkUntil);
  pl->addWidget(DT2);
  filters->addWidget(period);

  auto *search = new QGroupBox(QStringLiteral("Поиск"), this);
  auto *sl = new QHBoxLayout(search);
  cb2 = new QComboBox(search);
  cb2->setObjectName(QStringLiteral("cb2"));
  cb2->addItems({QStringLiteral("Pavadzīmes Nr."), QStringLiteral("Pasūtījuma kods"),
                 QStringLiteral("Piegādātājs")});
  cb2->setCurrentIndex(-1);
  cb2->setPlaceholderText(QStringLiteral("Категория"));
  FindTxt = new QLineEdit(search);
  FindTxt->setObjectName(QStringLiteral("FindTxt"));
  FindTxt->setPlaceholderText(QStringLiteral("Текст"));
  FindTxt->installEventFilter(this);
  FindBtn = Button(search, QStringLiteral("FindBtn"), QStringLiteral("Найти"));
  sl->addWidget(cb2);
  sl->addWidget(FindTxt, 1);
  sl->addWidget(FindBtn);
  filters->addWidget(search, 1);
  main->addLayout(filters);

  // The list.
  DBGrid1 = new TBlockGrid(this);
  DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
  DBGrid1->SetColumns({
      {QStringLiteral("BDATE"), QStringLiteral("Дата"), 13},
      {QStringLiteral("NUM"), QStringLiteral("Накладная №"), 17},
      {QStringLiteral("ORDLINK"), QStringLiteral("Код заказа"), 14},
      {QStringLiteral("ISPAID"), QStringLiteral("Оплачена"), 8, {}, Qt::AlignCenter},
      {QStringLiteral("SUM"), QStringLiteral("Сумма"), 10, QStringLiteral("0.00"), Qt::AlignRight | Qt::AlignVCenter},
      {QStringLiteral("SUPPLIERNAME"), QStringLiteral("Поставщик"), 20},
      {QStringLiteral("ISOUT"), QStringLiteral("Заявка/Накл."), 11, {}, Qt::AlignCenter},
  });
  DBGrid1->setColumnWidth(1, 120);
  DBGrid1->setColumnWidth(2, 100);
  DBGrid1->setColumnWidth(3, 55);
  DBGrid1->setColumnWidth(4, 70);
  DBGrid1->setColumnWidth(5, 143);
  FitColumnTitles(DBGrid1);
  DBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
  DBGrid1->SetDataSet(&WBInSource);
  DBGrid1->OnDrawColumnCell = [](const TGridColumn &col, int, TRowGridCell &cell) {
    if (cell.Text.isEmpty()) return;
    if (col.Field == QLatin1String("ISPAID")) {
      const int v = cell.Text.toInt();
      cell.Text = v == 0 ? QStringLiteral("---") : v == 1 ? QStringLiteral("Ok") : QString();
      if (v == 0) cell.Colour = Qt::red;
    } else if (col.Field == QLatin1String("ISOUT")) {
      const int v = cell.Text.toInt();
      cell.Text = v == 0 ? QStringLiteral("Накладная") : v == 2 ? QStringLiteral("Заявка") : QString();
    }
  };
  main->addWidget(DBGrid1, 1);
  auto *notes = new QHBoxLayout;
  notes->addWidget(new QLabel(QStringLiteral("Примечания:")));
  NotesLabel = new QLabel(this);
  NotesLabel->setObjectName(QStringLiteral("NotesLabel"));
  notes->addWidget(NotesLabel, 1);
  main->addLayout(notes);
  // A row's notes may be read from the server when the cursor reaches it.
  DBGrid1->AfterScroll = [this] {
    Guarded([this] { NotesLabel->setText(CurrentField(QStringLiteral("NOTES"))); });
  };

  // Buttons.
  auto *buttons = new QHBoxLayout;
  BitBtn4 = Button(this, QStringLiteral("BitBtn4"), QStringLiteral("Добавить"));
  ChangeBitBtn = Button(this, QStringLiteral("ChangeBitBtn"), QStringLiteral("Править"));
  ChangeBitBtn->setDefault(true);
  DeleteBitBtn = Button(this, QStringLiteral("DeleteBitBtn"), QStringLiteral("Удалить"));
  BitBtn5 = Button(this, QStringLiteral("BitBtn5"), QStringLiteral("Печать"));
  BitBtn1 = Button(this, QStringLiteral("BitBtn1"), QStringLiteral("Iziet"));
  for (QPushButton *b : {BitBtn4, ChangeBitBtn, DeleteBitBtn, BitBtn5}) buttons->addWidget(b);
  buttons->addStretch();
  buttons->addWidget(BitBtn1);
  main->addLayout(buttons);

  NewMenu = new QMenu(this);
  NewMenu->setObjectName(QStringLiteral("NewMenu"));
  NewReceipt1 = Action(NewMenu, QStringLiteral("NewReceipt1"), QStringLiteral("Накладную"), 0);
  NewRequest1 = Action(NewMenu, QStringLiteral("NewRequest1"), QStringLiteral("Заявку"), 2);
  PopupMenu1 = new QMenu(this);
  PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
  PrintList1 = Action(PopupMenu1, QStringLiteral("PrintList1"), QStringLiteral("Список материалов"), 1);
  PrintOrder1 = Action(PopupMenu1, QStringLiteral("PrintOrder1"), QStringLiteral("Материалы к текущему заказу"), 0);
  PopupMenu2 = new QMenu(this);
  PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
  GridNewReceipt = Action(PopupMenu2, QStringLiteral("GridNewReceipt"), QStringLiteral("Добавить накладную"), 0);
  GridNewReceipt->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Insert));
  GridNewRequest = Action(PopupMenu2, QStringLiteral("GridNewRequest"), QStringLiteral("Добавить заявку"), 2);
  GridChange = Action(PopupMenu2, QStringLiteral("GridChange"), QStringLiteral("Править накладную"), 1);
  GridDelete = Action(PopupMenu2, QStringLiteral("GridDelete"), QStringLiteral("Удалить накладную"), 0);
  GridDelete->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
  PrintSubmenu = PopupMenu2->addMenu(QStringLiteral("Печать"));
  PrintSubmenu->setObjectName(QStringLiteral("PrintSubmenu"));
  GridPrintList = Action(PrintSubmenu, QStringLiteral("GridPrintList"), QStringLiteral("Список материалов"), 1);
  GridPrintOrder = Action(PrintSubmenu, QStringLiteral("GridPrintOrder"), QStringLiteral("Материалы к текущему заказу"), 0);
  // the shortcuts work while the window is active
  addAction(GridNewReceipt);
  addAction(GridDelete);

  auto guarded = [this](auto f) { return [this, f] { Guarded([this, f] { (this->*f)(); }); }; };
  connect(BitBtn4, &QPushButton::clicked, this,
          [this] { NewMenu->popup(BitBtn4->mapToGlobal(QPoint(0, 0))); });
  connect(BitBtn5, &QPushButton::clicked, this, [this] {
    PopupMenu1Popup();
    PopupMenu1->popup(BitBtn5->mapToGlobal(QPoint(0, 0)));
  });
  for (QAction *a : {NewReceipt1, NewRequest1, GridNewReceipt, GridNewRequest})
    connect(a, &QAction::triggered, this, [this, a] { Guarded([this, a] { NewDocument(a->data().toInt()); }); });
  for (QAction *a : {PrintList1, PrintOrder1, GridPrintList, GridPrintOrder})
    connect(a, &QAction::triggered, this, [this, a] { Guarded([this, a] { PrintClick(a->data().toInt()); }); });
  connect(ChangeBitBtn, &QPushButton::clicked, this, guarded(&TWBIn::ChangeBitBtnClick));
  connect(GridChange, &QAction::triggered, this, guarded(&TWBIn::ChangeBitBtnClick));
  DBGrid1->OnDblClick = [this] { ChangeBitBtnClick(); };
  connect(DeleteBitBtn, &QPushButton::clicked, this, guarded(&TWBIn::DeleteBitBtnClick));
  connect(GridDelete, &QAction::triggered, this, guarded(&TWBIn::DeleteBitBtnClick));
  BindModalResult(BitBtn1, mrCancel);
  connect(DBGrid1, &QWidget::customContextMenuRequested, this, [this](const QPoint &p) {
    PopupMenu2Popup();
    PopupMenu2->popup(DBGrid1->viewport()->mapToGlobal(p));
  });
  connect(cb1, &QComboBox::activated, this, guarded(&TWBIn::cb1Change));
  connect(ChkUntil, &QCheckBox::clicked, this, guarded(&TWBIn::ChkUntilClick));
  auto refresh = [this] { Guarded([this] { RefreshList(QString()); }); };
  connect(Chk1, &QCheckBox::clicked, this, refresh);
  connect(Chk2, &QCheckBox::clicked, this, refresh);
  connect(DT1, &QDateEdit::dateChanged, this, refresh);
  connect(DT2, &QDateEdit::dateChanged, this, refresh);
  connect(FindBtn, &QPushButton::clicked, this, guarded(&TWBIn::FindBtnClick));

  resize(720, 480);
  LoadFormPosition(this, true);
}

TWBIn::~TWBIn() {
  if (WBIn == this) WBIn = nullptr;
}

void TWBIn::showEvent(QShowEvent *event) {
  TForm::showEvent(event);
  if (event->spontaneous()) return;
  Guarded([this] { FormShow(); });
}

bool TWBIn::eventFilter(QObject *watched, QEvent *event) {
  if (watched == FindTxt && event->type() == QEvent::KeyPress) {
    auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
      Guarded([this] { FindBtnClick(); });
      return true;
    }
  }
  return TForm::eventFilter(watched, event);
}

void TWBIn::FormClose() { SaveFormPosition(this, true); }

void TWBIn::FormShow() {
  Changed = false;
  {
    const QSignalBlocker b1(DT1), b2(DT2);
    DT1->setDate(Clock::Today());
    DT2->setDate(Clock::Today());
  }
  cb1->setCurrentIndex(0);
  cb1Change();
}

void TWBIn::cb1Change() {
  const int period = cb1->currentIndex();
  DT1->setEnabled(period == 1 || period == 2);
  cb2->setCurrentIndex(-1);
  FindTxt->clear();
  ChkUntil->setChecked(false);
  ChkUntil->setVisible(period == 1);
  DT2->setVisible(period == 1);
  DT2->setEnabled(false);
  RefreshList(QString());
}

void TWBIn::ChkUntilClick() {
  DT2->setEnabled(ChkUntil->isChecked());
  RefreshList(QString());
}

void TWBIn::RefreshList(const QString &extra) {
  const TBusyCursor busy;  // a list over the whole store may take a while
  WBInSource.Close();
  QString kinds = QStringLiteral("(-1)");
  if (Chk1->isChecked() && Chk2->isChecked()) kinds = QStringLiteral("(%1,%2)").arg(DocKindReceipt).arg(DocKindRequest);
  else if (Chk1->isChecked()) kinds = QStringLiteral("(%1)").arg(DocKindReceipt);
  else if (Chk2->isChecked()) kinds = QStringLiteral("(%1)").arg(DocKindRequest);
  // The documents and their order; what a row shows is read with its block.
  QString sql = Format("select w.ID, w.NUM from Waybill w where w.ISOUT in %s", {kinds});
  const QString d1 = EscapeSQL(FormatServerDate(DT1->date()));
  const QString d2 = EscapeSQL(FormatServerDate(DT2->date()));
  switch (cb1->currentIndex()) {
    case 1:
      sql += ChkUntil->isChecked() ? Format(" and w.BDATE between \"%s\" and \"%s\"", {d1, d2})
                                   : Format(" and w.BDATE>=\"%s\"", {d1});
      break;
    case 2: sql += Format(" and w.BDATE=\"%s\"", {d1}); break;
    default: break;
  }
  if (!extra.isEmpty()) sql += extra;
  // Documents of one date in the order they were entered.
  sql += QStringLiteral("  order by w.BDATE, w.ID");
  WBInSource.SQL = sql;
  WBInSource.BlockSQL = QStringLiteral(
      "select w.*, s.NAME as SUPPLIERNAME from Waybill w left join Suppliers s on (s.ID=w.SUPPLIERID) "
      "where w.ID in (%s)");
  WBInSource.Open();
  DBGrid1->Refill();
  if (WBInSource.IsEmpty()) NotesLabel->clear();
}

void TWBIn::ReopenList() {
  const TBusyCursor busy;  // a list over the whole store may take a while
  WBInSource.Open();
  DBGrid1->Refill();
  if (WBInSource.IsEmpty()) NotesLabel->clear();
}

void TWBIn::FindBtnClick() {
  static const char *const conditions[] = {"and w.NUM like", "and w.ORDLINK like",
                                           "and w.SUPPLIERID in (select ID from Suppliers where NAME like"};
  const int category = cb2->currentIndex();
  if (category < 0 || category > 2) return;
  RefreshList(QLatin1Char(' ') + QLatin1String(conditions[category]) + QLatin1Char(' ') +
              QuoteLike(QLatin1Char('%') + FindTxt->text() + QLatin1Char('%')) +
              (category == 2 ? QStringLiteral(")") : QString()));
}

int TWBIn::CurrentID() const { return CurrentField(QStringLiteral("ID")).toInt(); }

int TWBIn::CurrentKind() const { return CurrentField(QStringLiteral("ISOUT")).toInt(); }

QString TWBIn::CurrentField(const QString &name) const {
  if (!WBInSource.Active() || WBInSource.IsEmpty()) return QString();
  return WBInSource.FieldByName(name).AsString();
}

bool TWBIn::RunEditor(TDivazIn *editor) {
  editor->SpeedButton1->setChecked(ButtonDown(parentWidget(), "SpeedButton1"));
  editor->SpeedButton2->setChecked(ButtonDown(parentWidget(), "SpeedButton2"));
  return editor->ShowModal() == mrOk;
}

void TWBIn::NewDocument(int tag) {
  std::unique_ptr<TDivazIn> editor(TDivazIn::CreateDoc(this, -1, static_cast<uint8_t>(tag)));
  DivazIn = editor.get();
  if (!RunEditor(editor.get())) return;
  const QString num = editor->Edit1->text();
  RefreshList(QString());
  DBGrid1->Locate(QStringLiteral("NUM"), num);
  Changed = true;
}

void TWBIn::ChangeBitBtnClick() {
  if (!WBInSource.Active() || WBInSource.IsEmpty()) return;
  const int id = CurrentID();
  const int kind = CurrentKind();
  if (kind == DocKindReceipt && SQLInt(Format("select count(*) from WBList where INWBID=%d", {id})) > 0) {
    ShowMessage(kEditRefused);
    return;
  }
  std::unique_ptr<TDivazIn> editor(TDivazIn::CreateDoc(this, id, static_cast<uint8_t>(kind)));
  DivazIn = editor.get();
  if (!RunEditor(editor.get())) return;
  const QString num = editor->Edit1->text();
  ReopenList();
  DBGrid1->Locate(QStringLiteral("NUM"), num);
  Changed = true;
}

void TWBIn::DeleteBitBtnClick() {
  if (!WBInSource.Active() || WBInSource.IsEmpty()) return;
  const int id = CurrentID();
  const int kind = CurrentKind();
  if (kind == DocKindReceipt) {
    if (SQLInt(Format("select count(*) from WBList where INWBID=%d", {id})) > 0) {
      ShowMessage(kDeleteRefused);
      return;
    }
    if (MessageDlg(QStringLiteral("Удалить накладную Nr.") + CurrentField(QStringLiteral("NUM")) +
                       QStringLiteral("?\n\nВы уверены?"),
                   TMsgDlgType::mtConfirmation, mbYes | mbNo, this) != mrYes)
      return;
  } else if (kind == DocKindRequest) {
    if (MessageDlg(QStringLiteral("Удалить заявку Nr.") + CurrentField(QStringLiteral("ORDLINK")) +
                       QStringLiteral("?\n\nВы уверены?"),
                   TMsgDlgType::mtConfirmation, mbYes | mbNo, this) != mrYes)
      return;
  } else {
    return;
  }
  try {
    const int found = DeleteIncoming(id, kind);
    // a request saved as a receipt meanwhile holds lots now: it is not deleted here
    if (kind == DocKindRequest && found == DocKindReceipt) ShowMessage(kRequestBecameReceipt);
    else if (kind == DocKindReceipt && found == kind) Changed = true;
  } catch (const ERefused &e) {
    ShowMessage(e.Text);
  } catch (const std::exception &e) {
    ShowStockUpdateFailure(e);
    ShowMessage(FailureText(e, kind == DocKindReceipt ? QStringLiteral("Невозможно удалить накладную.")
                                                      : QStringLiteral("Невозможно удалить заявку.")));
  }
  ReopenList();
}

void TWBIn::PrintClick(int tag) {
  if (!WBInSource.Active() || WBInSource.IsEmpty()) return;
  std::unique_ptr<TOrdMaterialsReport> report(new TOrdMaterialsReport(
      this, static_cast<uint8_t>(tag), CurrentID(), CurrentField(QStringLiteral("ORDLINK")),
      static_cast<uint8_t>(CurrentKind())));
  report->Preview();
}

void TWBIn::PopupMenu2Popup() {
  const bool rows = WBInSource.Active() && !WBInSource.IsEmpty();
  const bool order = rows && !CurrentField(QStringLiteral("ORDLINK")).trimmed().isEmpty();
  GridDelete->setEnabled(rows);
  GridChange->setEnabled(rows);
  PrintSubmenu->setEnabled(rows);
  GridPrintList->setEnabled(rows);
  GridPrintOrder->setEnabled(order);
  if (rows && CurrentKind() == DocKindRequest) {
    GridDelete->setText(QStringLiteral("Удвлить заявку"));
    GridChange->setText(QStringLiteral("Править заявку"));
    GridPrintList->setText(QStringLiteral("Заявка Nr.") + CurrentField(QStringLiteral("ORDLINK")));
  } else {
    GridDelete->setText(QStringLiteral("Удалить накладную"));
    GridChange->setText(QStringLiteral("Править накладную"));
    GridPrintList->setText(QStringLiteral("Материалы из накладной Nr.") + CurrentField(QStringLiteral("NUM")));
  }
}

void TWBIn::PopupMenu1Popup() {
  PopupMenu2Popup();
  const bool rows = WBInSource.Active() && !WBInSource.IsEmpty();
  PrintList1->setEnabled(rows);
  PrintList1->setText(GridPrintList->text());
  PrintOrder1->setEnabled(rows && !CurrentField(QStringLiteral("ORDLINK")).trimmed().isEmpty());
}
