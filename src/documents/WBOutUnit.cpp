#include "documents/WBOutUnit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>

#include "core/CommonFunctions.h"
#include "core/CommonVariables.h"
#include "core/DataUnit.h"
#include "core/DocNumbers.h"
#include "core/InputFormUnit.h"
#include "core/Ledger.h"
#include "core/MyMsgUnit.h"
#include "core/inf_MatNotEnoughUnit.h"
#include "documents/DivazOutUnit.h"
#include "documents/inf_ReserveUnit.h"
#include "platform/DatePicker.h"
#include "platform/Application.h"
#include "reports/rep_OrdMaterialsUnit.h"
#include "platform/Clock.h"
#include "platform/Grids.h"
#include "platform/SysUtils.h"

TWBOut *WBOut = nullptr;

using namespace issuedoc;

namespace {

const int kIssue = DocKindIssue;
const int kReservation = DocKindReservation;

// The kind of a document, read under an update lock that holds until the transaction ends;
// -1 when the document is gone.
int LockedKind(int waybillId) {
  return SQLInt(QStringLiteral("select ISOUT from Waybill where ID=%1 for update").arg(waybillId));
}

QString NumOf(int waybillId) {
  TQuery q;
  q.SQL = QStringLiteral("select NUM from Waybill where ID=%1").arg(waybillId);
  q.Open();
  return q.IsEmpty() ? QString::number(waybillId) : q.Fields(0).AsString();
}

}  // namespace

TWBOut::TWBOut(QWidget *owner) : TForm(owner) {
  WBOut = this;
  setObjectName(QStringLiteral("WBOut"));
  SetPosition(poScreenCenter);
  setWindowTitle(QStringLiteral("DI Vidududiz 1.1 / Izdevums"));
  setWindowFlag(Qt::WindowMaximizeButtonHint, true);
  resize(698, 513);

  auto *top = new QVBoxLayout(this);
  auto *filters = new QHBoxLayout;
  auto *kinds = new QGroupBox(this);
  auto *kl = new QVBoxLayout(kinds);
  Chk1 = new QCheckBox(QStringLiteral("Pavadzīmes"), kinds);
  Chk1->setObjectName(QStringLiteral("Chk1"));
  Chk1->setChecked(true);
  Chk2 = new QCheckBox(QStringLiteral("Rezervēšana"), kinds);
  Chk2->setObjectName(QStringLiteral("Chk2"));
  Chk2->setChecked(true);
  kl->addWidget(Chk1);
  kl->addWidget(Chk2);
  filters->addWidget(kinds);

  auto *period = new QGroupBox(this);
  auto *pl = new QGridLayout(period);
  cb1 = new QComboBox(period);
  cb1->setObjectName(QStringLiteral("cb1"));
  cb1->addItems({QStringLiteral("Visi"), QStringLiteral("Sakot no"), QStringLiteral("Uz")});
  DT1 = new TDatePicker(period);
  DT1->setObjectName(QStringLiteral("DT1"));
  DT1->setCalendarPopup(true);
  DT1->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
  ChkUntil = new QCheckBox(QStringLiteral("līdz"), period);
  ChkUntil->setObjectName(QStringLiteral("ChkUntil"));
  DT2 = new TDatePicker(period);
  DT2->setObjectName(QStringLiteral("DT2"));
  DT2->setCalendarPopup(true);
  DT2->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
  pl->addWidget(cb1, 0, 0);
  pl->addWidget(DT1, 0, 1);
  pl->addWidget(ChkUntil, 1, 0);
  pl->addWidget(DT2, 1, 1);
  filters->addWidget(period);

  auto *search = new QGroupBox(QStringLiteral("Meklēšana"), this);
  auto *sl = new QGridLayout(search);
  cb2 = new QComboBox(search);
  cb2->setObjectName(QStringLiteral("cb2"));
  cb2->addItems({QStringLiteral("Pavadzīmes Nr."), QStringLiteral("Pasūtījuma kods"),
                 QStringLiteral("Piegādātājs"), QStringLiteral("Artikuls")});
  FindTxt = new QLineEdit(search);
  FindTxt->setObjectName(QStringLiteral("FindTxt"));
  FindBtn = new QPushButton(QStringLiteral("Meklēt"), search);
  FindBtn->setObjectName(QStringLiteral("FindBtn"));
  sl->addWidget(new QLabel(QStringLiteral("Kategorija"), search), 0, 0);
  sl->addWidget(new QLabel(QStringLiteral("Teksts"), search), 0, 1);
  sl->addWidget(cb2, 1, 0);
  sl->addWidget(FindTxt, 1, 1);
  sl->addWidget(FindBtn, 1, 2);
  filters->addWidget(search, 1);
  top->addLayout(filters);

  DBGrid1 = new TRowGrid(this);
  DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
  DBGrid1->setColumnCount(7);
  DBGrid1->setHorizontalHeaderLabels(
      {QStringLiteral("Datums"), QStringLiteral("Pavadzīmes Nr."), QStringLiteral("Pasūtījuma kods"),
       QStringLiteral("Apmaksāts"), QStringLiteral("Summa"), QStringLiteral("Piegādātājs"),
       QStringLiteral("Pav./Rezerv.")});
  const int widths[7] = {80, 150, 125, 85, 90, 170, 95};
  for (int c = 0; c < 7; ++c) DBGrid1->setColumnWidth(c, widths[c]);
  DBGrid1->verticalHeader()->setVisible(false);
  DBGrid1->verticalHeader()->setDefaultSectionSize(JournalRowHeight(DBGrid1));
  FitColumnTitles(DBGrid1);
  DBGrid1->setWordWrap(false);
  DBGrid1->horizontalHeader()->setSectionsClickable(true);
  DBGrid1->horizontalHeader()->setStretchLastSection(true);
  DBGrid1->setContextMenuPolicy(Qt::CustomContextMenu);
  top->addWidget(DBGrid1, 1);

  auto *notes = new QHBoxLayout;
  notes->addWidget(new QLabel(QStringLiteral("Piezīmes:"), this));
  DBText1 = new QLabel(this);
  DBText1->setObjectName(QStringLiteral("DBText1"));
  notes->addWidget(DBText1, 1);
  top->addLayout(notes);

  auto *buttons = new QHBoxLayout;
  BitBtn4 = new QPushButton(QStringLiteral("Pielikt"), this);
  BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
  DeleteBitBtn = new QPushButton(QStringLiteral("Dzēst"), this);
  DeleteBitBtn->setObjectName(QStringLiteral("DeleteBitBtn"));
  BitBtn5 = new QPushButton(QStringLiteral("Drukāt"), this);
  BitBtn5->setObjectName(QStringLiteral("BitBtn5"));
  BitBtn1 = new QPushButton(QStringLiteral("Iziet"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  buttons->addWidget(BitBtn4);
  buttons->addWidget(DeleteBitBtn);
  buttons->addWidget(BitBtn5);
  buttons->addStretch(1);
  buttons->addWidget(BitBtn1);
  top->addLayout(buttons);

  NewMenu = new QMenu(this);
  NewMenu->setObjectName(QStringLiteral("NewMenu"));
  NewIssueItem = NewMenu->addAction(QStringLiteral("Pavadzīme"));
  NewReservationItem = NewMenu->addAction(QStringLiteral("Rezervēšana"));

  PrintMenu = new QMenu(this);
  PrintMenu->setObjectName(QStringLiteral("PrintMenu"));
  N30 = PrintMenu->addAction(QStringLiteral("Tekošo pavadzīme"));
  N31 = PrintMenu->addAction(QStringLiteral("Materiālu saraksts pavadzīmei"));
  N32 = PrintMenu->addAction(QStringLiteral("Tekošo pasūtījuma materiāli"));

  WBOutPopupMenu = new QMenu(this);
  WBOutPopupMenu->setObjectName(QStringLiteral("WBOutPopupMenu"));
  N1 = WBOutPopupMenu->addAction(QStringLiteral("Jauna pavadzīme"));
  N1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Insert));
  N11 = WBOutPopupMenu->addAction(QStringLiteral("Jauna rezervēšana"));
  WBOutPopupMenu->addSeparator();
  N3 = WBOutPopupMenu->addAction(QStringLiteral("Norakstīt rezervēšanu"));
  N2 = WBOutPopupMenu->addAction(QStringLiteral("Nodzēst rezervēšanu"));
  N12 = WBOutPopupMenu->addAction(QStringLiteral("Parbaudīt rezervēšanu"));
  WBOutPopupMenu->addSeparator();
  Dzsttekoopavadzme1 = WBOutPopupMenu->addAction(QStringLiteral("Nodzēst tekošo pavadzīmi"));
  N13 = WBOutPopupMenu->addAction(QStringLiteral("Nodzēst visas pavadzīmes"));
  WBOutPopupMenu->addSeparator();
  QMenu *print = WBOutPopupMenu->addMenu(QStringLiteral("Drukat"));
  N5 = print->addAction(QStringLiteral("Tekošo pavadzīme"));
  N10 = print->addAction(QStringLiteral("Materiālu saraksts pavadzīmei"));
  N6 = print->addAction(QStringLiteral("Tekošo pasūtījuma materiāli"));
  const std::pair<QAction *, const char *> named[] = {
      {NewIssueItem, "NewIssueItem"}, {NewReservationItem, "NewReservationItem"},
      {N30, "N30"}, {N31, "N31"}, {N32, "N32"}, {N1, "N1"}, {N11, "N11"}, {N3, "N3"},
      {N2, "N2"}, {N12, "N12"}, {Dzsttekoopavadzme1, "Dzsttekoopavadzme1"}, {N13, "N13"},
      {N5, "N5"}, {N10, "N10"}, {N6, "N6"}};
  for (const auto &[a, name] : named) a->setObjectName(QString::fromLatin1(name));
  addAction(N1);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(500);

  auto on = [this](auto handler) { return [this, handler] { Guarded([this, handler] { (this->*handler)(); }); }; };
  connect(cb1, &QComboBox::activated, this, on(&TWBOut::cb1Change));
  connect(Chk1, &QCheckBox::clicked, this, on(&TWBOut::Chk1Click));
  connect(Chk2, &QCheckBox::clicked, this, on(&TWBOut::Chk1Click));
  connect(DT1, &QDateEdit::dateChanged, this, on(&TWBOut::Chk1Click));
  connect(DT2, &QDateEdit::dateChanged, this, on(&TWBOut::Chk1Click));
  connect(ChkUntil, &QCheckBox::clicked, this, on(&TWBOut::ChkUntilClick));
  connect(FindBtn, &QPushButton::clicked, this, on(&TWBOut::FindBtnClick));
  OnEnterKey(FindTxt, [this] { FindBtnClick(); });
  connect(BitBtn4, &QPushButton::clicked, this,
          [this] { NewMenu->popup(BitBtn4->mapToGlobal(QPoint(0, 0))); });
  connect(BitBtn5, &QPushButton::clicked, this, [this] {
    PrintMenuPopup();
    PrintMenu->popup(BitBtn5->mapToGlobal(QPoint(0, 0)));
  });
  connect(DeleteBitBtn, &QPushButton::clicked, this, on(&TWBOut::DeleteBitBtnClick));
  connect(BitBtn1, &QPushButton::clicked, this, [this] { SetModalResult(mrCancel); });
  for (QAction *a : {NewIssueItem, N1})
    connect(a, &QAction::triggered, this, [this] { Guarded([this] { NewWBClick(kIssue); }); });
  for (QAction *a : {NewReservationItem, N11})
    connect(a, &QAction::triggered, this, [this] { Guarded([this] { NewWBClick(kReservation); }); });
  connect(N3, &QAction::triggered, this, on(&TWBOut::N3Click));
  connect(N2, &QAction::triggered, this, on(&TWBOut::N2Click));
  connect(N12, &QAction::triggered, this, on(&TWBOut::N12Click));
  connect(Dzsttekoopavadzme1, &QAction::triggered, this, on(&TWBOut::Dzsttekoopavadzme1Click));
  connect(N13, &QAction::triggered, this, on(&TWBOut::N13Click));
  for (QAction *a : {N10, N31})
    connect(a, &QAction::triggered, this, [this] { Guarded([this] { N10Click(1); }); });
  for (QAction *a : {N6, N32})
    connect(a, &QAction::triggered, this, [this] { Guarded([this] { N10Click(0); }); });
  connect(DBGrid1, &QWidget::customContextMenuRequested, this, [this](const QPoint &p) {
    WBOutPopupMenuPopup();
    WBOutPopupMenu->popup(DBGrid1->viewport()->mapToGlobal(p));
  });
  connect(DBGrid1, &TRowGrid::cellDoubleClicked, this, on(&TWBOut::DBGrid1DblClick));
  connect(DBGrid1->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int c) { Guarded([this, c] { DBGrid1TitleClick(c); }); });
  connect(DBGrid1, &TRowGrid::currentCellChanged, this, [this] { SyncCursor(); });
  connect(Timer1, &QTimer::timeout, this, on(&TWBOut::Timer1Timer));

  LoadFormPosition(this, true);
  Timer1->start();
}

TWBOut::~TWBOut() {
  if (WBOut == this) WBOut = nullptr;
}

void TWBOut::FormClose() { SaveFormPosition(this, true); }

void TWBOut::showEvent(QShowEvent *event) {
  TForm::showEvent(event);
  if (m_shown) return;
  m_shown = true;
  Guarded([this] { FormShow(); });
}

void TWBOut::FormShow() {
  Changed = false;
  {
    const QSignalBlocker b1(DT1), b2(DT2);
    DT1->setDate(Clock::Today());
    DT2->setDate(Clock::Today());
  }
  cb1->setCurrentIndex(0);
  cb1Change();
}

void TWBOut::cb1Change() {
  DT1->setEnabled(cb1->currentIndex() != 0);
  cb2->setCurrentIndex(-1);
  FindTxt->clear();
  ChkUntil->setChecked(false);
  const bool from = cb1->currentIndex() == 1;
  ChkUntil->setVisible(from);
  DT2->setVisible(from);
  DT2->setEnabled(false);
  RefreshList(QString());
}

void TWBOut::Chk1Click() { RefreshList(QString()); }

void TWBOut::ChkUntilClick() {
  DT2->setEnabled(ChkUntil->isChecked());
  RefreshList(QString());
}

void TWBOut::RefreshList(const QString &Search) {
  const TBusyCursor busy;  // a list over the whole store may take a while
  WBOutSource.Close();
  QString kinds = QStringLiteral("(-1)");
  if (Chk1->isChecked() && Chk2->isChecked()) kinds = QStringLiteral("(%1,%2)").arg(kIssue).arg(kReservation);
  else if (Chk1->isChecked()) kinds = QStringLiteral("(%1)").arg(kIssue);
  else if (Chk2->isChecked()) kinds = QStringLiteral("(%1)").arg(kReservation);
  // Only the columns that the grid shows and the handlers read: the list may hold every issue
  // of the store. The suppliers' names are looked up here rather than joined for each row.
  QString sql = QStringLiteral(
                    "select w.ID, w.BDATE, w.NUM, w.ORDLINK, w.NOTES, w.ISOUT, w.ISPAID, w.SUM, "
                    "w.SUPPLIERID from Waybill w where w.ISOUT in %1")
                    .arg(kinds);
  if (cb1->currentIndex() == 1) {
    if (ChkUntil->isChecked())
      sql += QStringLiteral(" and w.BDATE between %1 and %2")
                 .arg(QuoteSQL(FormatServerDate(DT1->date())), QuoteSQL(FormatServerDate(DT2->date())));
    else
      sql += QStringLiteral(" and w.BDATE>=%1").arg(QuoteSQL(FormatServerDate(DT1->date())));
  } else if (cb1->currentIndex() == 2) {
    sql += QStringLiteral(" and w.BDATE=%1").arg(QuoteSQL(FormatServerDate(DT1->date())));
  }
  if (!Search.isEmpty()) sql += Search;
  sql += QStringLiteral("  order by w.BDATE, w.ID");
  m_listSQL = sql;
  WBOutSource.SQL = sql;
  LoadSupplierNames();
  WBOutSource.Open();
  FillGrid();
  DeleteBitBtn->setEnabled(HasRows());
  BitBtn5->setEnabled(HasRows());
}

void TWBOut::LoadSupplierNames() {
  TQuery q(WBOutSource.Connection());
  q.SQL = QStringLiteral("select ID, NAME from Suppliers");
  q.Open();
  m_supplierNames.clear();
  for (const QVector<QVariant> &row : q.Rows()) m_supplierNames.insert(row[0].toInt(), row[1].toString());
}

void TWBOut::FillGrid() {
  const QSignalBlocker block(DBGrid1);
  // The cells come from the fetched rows when they are drawn or read.
  const TQuery *q = &WBOutSource;
  const int date = q->FieldIndex(QStringLiteral("BDATE")), num = q->FieldIndex(QStringLiteral("NUM")),
            order = q->FieldIndex(QStringLiteral("ORDLINK")), paid = q->FieldIndex(QStringLiteral("ISPAID")),
            sum = q->FieldIndex(QStringLiteral("SUM")), supplier = q->FieldIndex(QStringLiteral("SUPPLIERID")),
            kind = q->FieldIndex(QStringLiteral("ISOUT"));
  DBGrid1->SetRows(q->RecordCount(), [=](int r, int c) {
    TRowGridCell cell;
    if (r >= q->RecordCount()) return cell;
    const QVector<QVariant> &row = q->Rows()[r];
    auto f = [&](int i) { return i < 0 ? TField() : TField(QString(), row[i]); };
    switch (c) {
      case 0: cell.Text = DateToStr(f(date).AsDate()); break;
      case 1: cell.Text = f(num).AsString(); break;
      case 2: cell.Text = f(order).AsString(); break;
      case 3: {
        const int p = f(paid).AsInteger();
        cell.Text = p == 0 ? QStringLiteral("---") : p == 1 ? QStringLiteral("Ok") : QString();
        cell.Alignment = Qt::AlignCenter;
        if (p == 0) cell.Colour = Qt::red;
        break;
      }
      case 4:
        cell.Text = FormatFloat(QStringLiteral("0.00 Ls"), f(sum).AsFloat());
        cell.Alignment = Qt::AlignRight | Qt::AlignVCenter;
        break;
      case 5: cell.Text = supplier < 0 ? QString() : m_supplierNames.value(row[supplier].toInt()); break;
      case 6: {
        const int k = f(kind).AsInteger();
        cell.Text = k == kIssue ? QStringLiteral("Pavadzīme")
                                : k == kReservation ? QStringLiteral("Rezervēšana") : QString();
        cell.Alignment = Qt::AlignCenter;
        break;
      }
    }
    return cell;
  });
  WBOutSource.First();
  if (HasRows()) DBGrid1->setCurrentCell(0, 0);
  SyncCursor();
}

void TWBOut::SyncCursor() {
  const int r = DBGrid1->currentRow();
  if (r >= 0 && r < WBOutSource.RecordCount()) WBOutSource.SetRecNo(r + 1);
  DBText1->setText(HasRows() && !WBOutSource.Eof()
                       ? WBOutSource.FieldByName(QStringLiteral("NOTES")).AsString()
                       : QString());
}

int TWBOut::CurrentID() const {
  if (!HasRows() || WBOutSource.Eof()) return -1;
  return WBOutSource.FieldByName(QStringLiteral("ID")).AsInteger();
}

int TWBOut::CurrentKind() const {
  if (!HasRows() || WBOutSource.Eof()) return -1;
  return WBOutSource.FieldByName(QStringLiteral("ISOUT")).AsInteger();
}

void TWBOut::ReopenKeepPosition(bool KeepPosition) {
  const TBusyCursor busy;  // a list over the whole store may take a while
  const int rec = DBGrid1->currentRow();
  WBOutSource.Close();
  WBOutSource.SQL = m_listSQL;
  LoadSupplierNames();
  WBOutSource.Open();
  FillGrid();
  DeleteBitBtn->setEnabled(HasRows());
  BitBtn5->setEnabled(HasRows());
  if (KeepPosition && rec >= 0 && HasRows())
    DBGrid1->setCurrentCell(std::min(rec, WBOutSource.RecordCount() - 1), 0);
}

bool TWBOut::LocateNum(const QString &num) {
  for (int r = 0; r < WBOutSource.RecordCount(); ++r) {
    const QString n = WBOutSource.Rows()[r][WBOutSource.FieldIndex(QStringLiteral("NUM"))].toString();
    if (n.compare(num, Qt::CaseInsensitive) == 0) {
      DBGrid1->setCurrentCell(r, 0);
      return true;
    }
  }
  return false;
}

void TWBOut::FindBtnClick() {
  if (cb2->currentIndex() < 0) return;
  const QString pattern = QuoteLike(QLatin1Char('%') + FindTxt->text() + QLatin1Char('%'));
  QString cond;
  switch (cb2->currentIndex()) {
    case 0: cond = QStringLiteral(" and w.NUM like %1").arg(pattern); break;
    case 1: cond = QStringLiteral(" and w.ORDLINK like %1").arg(pattern); break;
    case 2:
      cond = QStringLiteral(" and w.SUPPLIERID in (select ID from Suppliers where NAME like %1)")
                 .arg(pattern);
      break;
    default:
      // By article: the documents with a line of a material whose name matches.
      cond = QStringLiteral(
                 " and w.ID in (select wc.WAYBILLID from WaybillCont wc join Catalog c on "
                 "c.ID=wc.CATID where c.NAME like %1)")
                 .arg(pattern);
  }
  RefreshList(cond);
}

void TWBOut::NewWBClick(int tag) {
  std::unique_ptr<TDivazOut> editor(TDivazOut::CreateDoc(this, -1, static_cast<uint8_t>(tag)));
  if (editor->ShowModal() == mrOk) {
    ReopenKeepPosition(false);
    LocateNum(editor->SavedNumber);
    Changed = true;
  }
}

void TWBOut::DBGrid1DblClick() {
  if (CurrentKind() != kReservation) return;
  const int id = CurrentID();
  // The same rule as the write-off itself, so that the window lists what is short.
  QVector<TWriteOffLine> plan;
  QVector<TShortLine> shorts;
  PlanReservationWriteOff(id, false, plan, shorts);
  if (!shorts.isEmpty()) {
    Tinf_MatNotEnough window(this, id, shorts);
    window.ShowModal();
    return;
  }
  std::unique_ptr<TDivazOut> editor(TDivazOut::CreateDoc(this, id, kReservation));
  if (editor->ShowModal() == mrOk) {
    ReopenKeepPosition(false);
    LocateNum(editor->SavedNumber);
    Changed = true;
  }
}

void TWBOut::N3Click() {
  const int id = CurrentID();
  if (id < 0) return;
  if (SQLInt(QStringLiteral("select ISOUT from Waybill where ID=%1").arg(id)) != kReservation) {
    ShowMessage(QStringLiteral("Dokuments %1 vairs nav rezervēšana; nekas netika izdarīts.")
                    .arg(NumOf(id)));
    ReopenKeepPosition(true);
    return;
  }
  const bool done = WriteOffReservation(this, id);
  ReopenKeepPosition(true);
  if (done) Changed = true;
}

void TWBOut::N2Click() {
  const int id = CurrentID();
  if (id < 0) return;
  if (MessageDlg(QStringLiteral("Jus vēlēties dzēst rezervēšanu? Vai esāt parliecināti?"),
                 TMsgDlgType::mtConfirmation, mbYes | mbNo, this) == mrNo)
    return;
  const QString num = NumOf(id);
  try {
    // DeleteReservation checks the kind under its own lock and leaves anything else alone.
    if (!DeleteReservation(id))
      ShowMessage(QStringLiteral("Dokuments %1 vairs nav rezervēšana; nekas netika izdarīts.").arg(num));
  } catch (const ERefused &e) {
    ShowMessage(e.Text);
  } catch (const std::exception &e) {
    ShowMessage(FailureText(e, QStringLiteral("Rezervēšanu %1 neizdevās dzēst.").arg(num)));
  }
  ReopenKeepPosition(false);
}

void TWBOut::DBGrid1TitleClick(int column) {
  if (column != 0 || CurrentKind() != kReservation) return;
  const int id = CurrentID();
  const QDateTime due = WBOutSource.FieldByName(QStringLiteral("BDATE")).AsDateTime();
  if (MessageDlg(QStringLiteral("UZMANĪBU!\rRezervēšanas termiņa maiņa!\rTas ir atbildīgs "
                                "lēmums! Jūsu rīcības būs iegeģistrēti!"),
                 TMsgDlgType::mtWarning, mbOK | mbCancel, this) == mrCancel)
    return;
  if (MessageDlg(QStringLiteral("Jus vēlēties izmainīt rezervēšanas termiņu? Vai esāt parliecināti?"),
                 TMsgDlgType::mtConfirmation, mbYes | mbNo, this) == mrNo)
    return;
  const QDateTime d = InputDate(this, QStringLiteral("Datums"),
                                QStringLiteral("Lūdzu ievadīt jauns datums"), due);
  if (d.date() <= due.date()) return;
  bool stale = false;
  RunInTransaction([&] {
    stale = LockedKind(id) != kReservation;
    if (stale) return;
    ExecSQL(Format(QStringLiteral("update Waybill set BDATE=%s, USERID=%d, LASTUPDATE=%s where ID=%d"),
                   {QuoteSQL(FormatServerDate(d)), int(CurrentUser.ID), DateTimeToSQL(Clock::Now()), id}));
  });
  if (stale)
    ShowMessage(QStringLiteral("Dokuments %1 vairs nav rezervēšana; nekas netika izdarīts.")
                    .arg(NumOf(id)));
  ReopenKeepPosition(true);
}

bool TWBOut::DeleteIssue(int WaybillID) { return UndoIssue(WaybillID); }

void TWBOut::Dzsttekoopavadzme1Click() {
  const int id = CurrentID();
  if (id < 0 || CurrentKind() != kIssue) return;
  if (MessageDlg(QStringLiteral("Jus vēlēties dzēst pavadzīme?  Vai esāt parliecināti?"),
                 TMsgDlgType::mtConfirmation, mbYes | mbNo, this) == mrNo)
    return;
  const QString num = NumOf(id);
  try {
    bool done = false;
    RunInTransaction([&] { done = DeleteIssue(id); });
    if (!done)
      ShowMessage(QStringLiteral("Dokuments %1 vairs nav pavadzīme; nekas netika izdarīts.").arg(num));
    else
      Changed = true;
  } catch (const ERefused &e) {
    ShowMessage(e.Text);
  } catch (const std::exception &e) {
    ShowMessage(FailureText(e, QStringLiteral("Pavadzīmi %1 neizdevās dzēst.").arg(num)));
  }
  RefreshList(QString());
}

void TWBOut::N13Click() {
  if (!HasRows()) return;
  const QDate from = WBOutSource.FieldByName(QStringLiteral("BDATE")).AsDate();
  TQuery q;
  q.SQL = Format(QStringLiteral("select ID,NUM,SUM from Waybill where BDATE>=%s and ISOUT=%d order by ID DESC"),
                 {QuoteSQL(FormatServerDate(from)), kIssue});
  q.Open();
  std::vector<std::pair<int, QString>> docs;
  for (q.First(); !q.Eof(); q.Next()) docs.push_back({q.Fields(0).AsInteger(), q.Fields(1).AsString()});
  q.Close();
  if (MessageDlg(QStringLiteral("ВНИМАНИЕ!\rУдаление расходных накладных!\rПри удалении все "
                                "расходные накладные начиная с ") +
                     FormatDateTime(QStringLiteral("dd/mm/yyyy"), from) +
                     QStringLiteral(" будут удалены!"),
                 TMsgDlgType::mtWarning, mbOK | mbCancel, this) == mrCancel)
    return;
  if (MessageDlg(QStringLiteral("Jus vēlēties dzēst %1 pavadzīmes?  Vai esāt parliecināti?")
                     .arg(docs.size()),
                 TMsgDlgType::mtConfirmation, mbYes | mbNo, this) == mrNo)
    return;
  QStringList skipped;
  try {
    // One transaction: either every issue from that date on is undone, or none.
    RunInTransaction([&] {
      skipped.clear();
      for (const auto &[id, num] : docs)
        if (!DeleteIssue(id)) skipped << num;
    });
    if (!skipped.isEmpty())
      ShowMessage(QStringLiteral("Šie dokumenti vairs nav pavadzīmes un netika dzēsti: %1")
                      .arg(skipped.join(QStringLiteral(", "))));
    Changed = true;
  } catch (const ERefused &e) {
    ShowMessage(e.Text);
  } catch (const std::exception &e) {
    ShowMessage(FailureText(e, QStringLiteral("Pavadzīmes neizdevās dzēst.")));
  }
  RefreshList(QString());
}

void TWBOut::DeleteBitBtnClick() {
  const int kind = CurrentKind();
  if (kind == kIssue) N13Click();
  else if (kind == kReservation) N2Click();
}

QString TWBOut::OrderCaption() const {
  const QString ord = HasRows() && !WBOutSource.Eof()
                          ? WBOutSource.FieldByName(QStringLiteral("ORDLINK")).AsString()
                          : QString();
  return QStringLiteral("Pasūtījumam Nr.%1 nepieciešamie materiāli").arg(ord);
}

void TWBOut::WBOutPopupMenuPopup() {
  const bool rows = HasRows();
  const int kind = CurrentKind();
  N2->setEnabled(kind == kReservation);
  N3->setEnabled(kind == kReservation);
  N5->setEnabled(rows);
  N10->setEnabled(rows);
  N12->setEnabled(rows);
  const QString ord = rows && !WBOutSource.Eof()
                          ? WBOutSource.FieldByName(QStringLiteral("ORDLINK")).AsString()
                          : QString();
  N6->setEnabled(!ord.trimmed().isEmpty());
  N6->setText(OrderCaption());
  N13->setEnabled(rows && kind != kReservation);
  Dzsttekoopavadzme1->setEnabled(rows && kind == kIssue);
}

void TWBOut::PrintMenuPopup() { N32->setText(OrderCaption()); }

void TWBOut::N10Click(int tag) {
  if (!HasRows() || WBOutSource.Eof()) return;
  std::unique_ptr<TOrdMaterialsReport> report(new TOrdMaterialsReport(
      this, static_cast<uint8_t>(tag), CurrentID(),
      WBOutSource.FieldByName(QStringLiteral("ORDLINK")).AsString(),
      static_cast<uint8_t>(CurrentKind())));
  report->Preview();
}

void TWBOut::CheckDueReservations() {
  const int n = SQLInt(Format(QStringLiteral("select count(*) from Waybill where ISOUT=%d and BDATE<=%s"),
                              {kReservation, QuoteSQL(FormatServerDate(Clock::Today()))}));
  if (n <= 0) return;
  {
    Tinf_Reserve list(this);
    list.ShowModal();
  }
  ReopenKeepPosition(true);
}

void TWBOut::Timer1Timer() {
  if (!isVisible()) return;
  Timer1->stop();
  CheckDueReservations();
}
