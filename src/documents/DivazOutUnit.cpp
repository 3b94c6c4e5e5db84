#include "documents/DivazOutUnit.h"

#include <QCheckBox>
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
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "core/ColorList.h"
#include "core/CommonFunctions.h"
#include "core/CommonVariables.h"
#include "core/DataLists.h"
#include "core/DataUnit.h"
#include "core/DocNumbers.h"
#include "core/IDComboBox.h"
#include "core/InputFormUnit.h"
#include "core/IssuePosting.h"
#include "core/inf_MatNotEnoughUnit.h"
#include "core/MyMsgUnit.h"
#include "platform/DatePicker.h"
#include "platform/Application.h"
#include "platform/CalcEdit.h"
#include "platform/Clock.h"
#include "platform/Grids.h"
#include "platform/SysUtils.h"

TDivazOut *DivazOut = nullptr;

using namespace issuedoc;

namespace {

const char *kQtyMask = "0.00#######";
// Width of Waybill.NUM: a longer number would be cut off by the server, and the cut
// numbers of one save could come out equal.
constexpr int kNumWidth = 20;

const QString kLotQuery = QStringLiteral(
    "select w.ID, w.CATID, c.SYSTEMID, c.NAME, c.SUPPLIER, w.COLOR, w.WAYBILLID, "
    "(w.QUANTITY-w.QTYOUT) as REMAIN, w.PRICE, w1.NUM from WaybillCont w "
    "left join Waybill w1 on w1.ID=w.WAYBILLID left join Catalog c on w.CATID=c.ID "
    "where w.CATID=%1 and w.COLOR=%2 and w1.ISOUT=%3 and %4 "
    "order by w1.BDATE, w.ID");

QLabel *Caption(const QString &text, QWidget *parent) { return new QLabel(text, parent); }

}  // namespace

namespace issuedoc {

QString ColorCaption(int code, int systemId) {
  if (!Colors) return QString();
  TColorRec rec;
  Colors->GetColorRec(code, systemId, rec);
  return rec.Caption;
}

QString MeasureName(int measureId) { return MeasureNames.ByID(measureId); }

void FillGroupChoice(TIDComboBox *combo) {
  combo->Clear();
  if (Groups) Groups->FillGroupCombo(combo, true);
  else combo->AddItem(QStringLiteral("[Все группы]"), -1, QStringLiteral("[Все группы]"), 0);
}

void FillSubgroupChoice(int groupId, TIDComboBox *combo) {
  combo->Clear();
  if (Groups) Groups->FillSubgroupCombo(groupId, combo, true);
}

}  // namespace issuedoc

TDivazOut::TDivazOut(QWidget *owner, int WaybillID, uint8_t DocType)
    : TForm(owner), m_documentID(WaybillID) {
  m_mode = 0;
  if (DocType == DocKindReservation) m_mode = WaybillID >= 1 ? 2 : 1;
  DivazOut = this;
  setObjectName(QStringLiteral("DivazOut"));
  SetPosition(poScreenCenter);
  setWindowTitle(QStringLiteral("DI Vidududiz 1.1 / Izdevums"));
  setMinimumWidth(720);
  setWindowFlag(Qt::WindowMaximizeButtonHint, true);

  auto *top = new QVBoxLayout(this);

  // Header.
  Panel1 = new QGroupBox(this);
  Panel1->setObjectName(QStringLiteral("Panel1"));
  auto *hl = new QGridLayout(Panel1);
  Label2 = Caption(QStringLiteral("Pavadzīmes numurs"), Panel1);
  Label2->setObjectName(QStringLiteral("Label2"));
  Edit1 = new QLineEdit(Panel1);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  Edit1->setFocusPolicy(Qt::ClickFocus);
  Edit1->setMaxLength(kNumWidth);
  Edit2 = new QLineEdit(Panel1);
  Edit2->setObjectName(QStringLiteral("Edit2"));
  Edit2->setMaxLength(30);
  DT1 = new TDatePicker(Panel1);
  DT1->setObjectName(QStringLiteral("DT1"));
  DT1->setCalendarPopup(true);
  DT1->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
  Edit3 = new QLineEdit(Panel1);
  Edit3->setObjectName(QStringLiteral("Edit3"));
  Edit3->setMaxLength(50);
  isPaid = new QCheckBox(QStringLiteral("Apmaksāts"), Panel1);
  isPaid->setObjectName(QStringLiteral("isPaid"));
  BitBtn2 = new QPushButton(QStringLiteral("Talāk"), Panel1);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn3 = new QPushButton(QStringLiteral("Atcelt"), Panel1);
  BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
  hl->addWidget(Label2, 0, 0);
  hl->addWidget(Caption(QStringLiteral("Pasūtījuma kods"), Panel1), 0, 1);
  hl->addWidget(Caption(QStringLiteral("Datums"), Panel1), 0, 2);
  hl->addWidget(Caption(QStringLiteral("Piezīmes"), Panel1), 0, 3);
  hl->addWidget(Edit1, 1, 0);
  hl->addWidget(Edit2, 1, 1);
  hl->addWidget(DT1, 1, 2);
  hl->addWidget(Edit3, 1, 3);
  hl->addWidget(isPaid, 1, 4);
  hl->addWidget(BitBtn2, 1, 5);
  hl->addWidget(BitBtn3, 1, 6);
  hl->setColumnStretch(3, 1);
  // Before "Talāk" only the header shows: it keeps its height at the top of the window.
  top->addWidget(Panel1, 0, Qt::AlignTop);

  // Content.
  Panel2 = new QWidget(this);
  Panel2->setObjectName(QStringLiteral("Panel2"));
  auto *cl = new QVBoxLayout(Panel2);
  cl->setContentsMargins(0, 0, 0, 0);
  cl->addWidget(Caption(QStringLiteral("Pavadzīmes saturs"), Panel2));
  CntGrd = new TStringGrid(Panel2);
  CntGrd->setObjectName(QStringLiteral("CntGrd"));
  CntGrd->SetColCount(5);
  CntGrd->SetRowCount(2);
  const int widths[5] = {215, 302, 112, 107, 182};
  for (int c = 0; c < 5; ++c) CntGrd->SetColWidths(c, widths[c]);
  CntGrd->horizontalHeader()->setSectionsClickable(true);
  CntGrd->setContextMenuPolicy(Qt::CustomContextMenu);
  ContentPopup = new QMenu(CntGrd);
  ContentPopup->setObjectName(QStringLiteral("ContentPopup"));
  N1 = ContentPopup->addAction(QStringLiteral("Izdzēst nosaukums"));
  N1->setObjectName(QStringLiteral("N1"));
  cl->addWidget(CntGrd, 2);

  auto *ql = new QHBoxLayout;
  SpeedButton1 = new QToolButton(Panel2);
  SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
  SpeedButton1->setText(QStringLiteral(">"));
  SpeedButton1->setToolTip(QStringLiteral("Atlikums"));
  Qty = new TCalcEdit(Panel2);
  Qty->setObjectName(QStringLiteral("Qty"));
  Qty->DecimalPlaces = 12;
  AddBtn = new QPushButton(QStringLiteral("Pielikt"), Panel2);
  AddBtn->setObjectName(QStringLiteral("AddBtn"));
  ql->addWidget(SpeedButton1);
  ql->addWidget(Qty);
  ql->addWidget(AddBtn);
  ql->addSpacing(12);
  IDcb_Grp1 = new TIDComboBox(Panel2);
  IDcb_Grp1->setObjectName(QStringLiteral("IDcb_Grp1"));
  IDcb_SubGrp1 = new TIDComboBox(Panel2);
  IDcb_SubGrp1->setObjectName(QStringLiteral("IDcb_SubGrp1"));
  ql->addWidget(Caption(QStringLiteral("Materiālu grupa"), Panel2));
  ql->addWidget(IDcb_Grp1, 1);
  ql->addWidget(Caption(QStringLiteral("Materiālu papildgrupa"), Panel2));
  ql->addWidget(IDcb_SubGrp1, 1);
  cl->addLayout(ql);

  auto *find = new QGroupBox(QStringLiteral("Meklēšana"), Panel2);
  auto *fl = new QHBoxLayout(find);
  txtFind = new QLineEdit(find);
  txtFind->setObjectName(QStringLiteral("txtFind"));
  IDcb_Measure1 = new TIDComboBox(find);
  IDcb_Measure1->setObjectName(QStringLiteral("IDcb_Measure1"));
  FindBtn1 = new QPushButton(QStringLiteral("Meklēt"), find);
  FindBtn1->setObjectName(QStringLiteral("FindBtn1"));
  fl->addWidget(Caption(QStringLiteral("Nosaukums"), find));
  fl->addWidget(txtFind, 2);
  fl->addWidget(Caption(QStringLiteral("Mērvienība"), find));
  fl->addWidget(IDcb_Measure1, 1);
  fl->addWidget(FindBtn1);
  cl->addWidget(find);

  DBGrid1 = new TRowGrid(Panel2);
  DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
  DBGrid1->setColumnCount(7);
  DBGrid1->setHorizontalHeaderLabels({QStringLiteral("Artikuls"), QStringLiteral("Piezīmes"),
                                      QStringLiteral("Cena"), QStringLiteral("Atlikums"),
                                      QStringLiteral("Mērv."), QStringLiteral("Piegādātājs"),
                                      QStringLiteral("Krāsa")});
  DBGrid1->verticalHeader()->setVisible(false);
  DBGrid1->verticalHeader()->setDefaultSectionSize(DBGrid1->fontMetrics().height() + 6);
  DBGrid1->setWordWrap(false);
  DBGrid1->horizontalHeader()->setStretchLastSection(true);
  const int sourceWidths[7] = {230, 160, 70, 80, 50, 80, 150};
  for (int c = 0; c < 7; ++c) DBGrid1->setColumnWidth(c, sourceWidths[c]);
  cl->addWidget(DBGrid1, 3);

  auto *bl = new QHBoxLayout;
  bl->addStretch(1);
  BitBtn4 = new QPushButton(QStringLiteral("Atcelt"), Panel2);
  BitBtn4->setObjectName(QStringLiteral("BitBtn4"));
  SaveWB = new QPushButton(QStringLiteral("Saglabāt pavadzīme"), Panel2);
  FitButtonText(SaveWB);
  SaveWB->setObjectName(QStringLiteral("SaveWB"));
  bl->addWidget(BitBtn4);
  bl->addWidget(SaveWB);
  cl->addLayout(bl);
  top->addWidget(Panel2, 1);
  Panel2->setVisible(false);

  BindModalResult(BitBtn3, mrCancel);
  BindModalResult(BitBtn4, mrCancel);
  connect(BitBtn2, &QPushButton::clicked, this, [this] { Guarded([this] { BitBtn2Click(); }); });
  connect(IDcb_Grp1, &QComboBox::activated, this, [this] { Guarded([this] { IDcb_Grp1Change(); }); });
  connect(IDcb_SubGrp1, &QComboBox::activated, this,
          [this] { Guarded([this] { IDcb_SubGrp1Change(); }); });
  connect(IDcb_Measure1, &QComboBox::activated, this,
          [this] { Guarded([this] { FindBtn1Click(); }); });
  connect(FindBtn1, &QPushButton::clicked, this, [this] { Guarded([this] { FindBtn1Click(); }); });
  OnEnterKey(txtFind, [this] { FindBtn1Click(); });
  OnEnterKey(Qty, [this] {
    if (AddBtn->isVisible() && AddBtn->isEnabled()) AddBtnClick();
  });
  connect(DBGrid1, &TRowGrid::currentCellChanged, this,
          [this] { Guarded([this] { QSourceAfterScroll(); }); });
  connect(Qty, &QLineEdit::textChanged, this, [this] { QtyChange(); });
  connect(SpeedButton1, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
  connect(AddBtn, &QPushButton::clicked, this, [this] { Guarded([this] { AddBtnClick(); }); });
  connect(CntGrd->horizontalHeader(), &QHeaderView::sectionPressed, this,
          [this](int col) { Guarded([this, col] { CntGrdTitleClick(col); }); });
  connect(CntGrd, &QWidget::customContextMenuRequested, this, [this](const QPoint &p) {
    ContentPopupPopup();
    ContentPopup->popup(CntGrd->viewport()->mapToGlobal(p));
  });
  connect(N1, &QAction::triggered, this, [this] { Guarded([this] { N1Click(); }); });
  connect(SaveWB, &QPushButton::clicked, this, [this] { Guarded([this] { SaveWBClick(); }); });

  // The designed size, which a first run stores as the window's placement.
  resize(780, 640);
  LoadFormPosition(this, true);
}

TDivazOut::~TDivazOut() {
  if (DivazOut == this) DivazOut = nullptr;
}

void TDivazOut::FormClose() { SaveFormPosition(this, true); }

void TDivazOut::showEvent(QShowEvent *event) {
  TForm::showEvent(event);
  if (m_shown) return;
  m_shown = true;
  Guarded([this] { FormShow(); });
}

void TDivazOut::FormShow() {
  const QString caption = QStringLiteral("DI Vidududiz 1.1 / Izdevums");
  switch (m_mode) {
    case 0:
      setWindowTitle(caption + QStringLiteral(" / Jauna pavadzīme"));
      m_proposedNumber = NewDocNumber(0);
      Edit1->setText(m_proposedNumber);
      break;
    case 1:
      SaveWB->setText(QStringLiteral("Saglabāt rezervēšanu"));
      Label2->setText(QStringLiteral("Rezevēšanas numurs"));
      setWindowTitle(caption + QStringLiteral(" / Jauna rezervēšana"));
      m_proposedNumber = NewDocNumber(1);
      Edit1->setText(m_proposedNumber);
      break;
    default:
      SaveWB->setText(QStringLiteral("Norakstīt materiāli"));
      setWindowTitle(caption + QStringLiteral(" / Materiālu norakstīšana"));
      AddBtn->setEnabled(false);
      break;
  }
  IDcb_Measure1->Clear();
  FillIDComboSQL(IDcb_Measure1, QStringLiteral("select NAME, ID from Measures"), true);
  IDcb_Measure1->SetItemIndex(0);

  CntGrd->SetCells(0, 0, QStringLiteral(" Nosaukums"));
  CntGrd->SetCells(1, 0, QStringLiteral(" Krāsa"));
  CntGrd->SetCells(2, 0, QStringLiteral(" Daudzums"));
  CntGrd->SetCells(3, 0, QStringLiteral(" Cena"));
  CntGrd->SetCells(4, 0, QStringLiteral(" Pavadz.Nr.(nodošana)"));
  DT1->setDate(Clock::Today());

  FillGroupChoice(IDcb_Grp1);
  IDcb_Grp1->SetItemIndex(0);
  IDcb_Grp1Change();
  if (m_documentID >= 0) LoadDocument();
  QtyChange();
}

QString TDivazOut::NewDocNumber(uint8_t Kind) {
  int n = ReadOnceMore(DATA->DB_Storage, [] { return SQLInt(QStringLiteral("select max(ID)+1 from Waybill")); });
  if (n < 1) n = 1;
  QString text = QString::number(n).rightJustified(9, QLatin1Char('0'));
  return (Kind == 0 ? QStringLiteral("1") : QStringLiteral("3")) + text;
}

bool TDivazOut::CheckNumber() {
  const QString t = Edit1->text().trimmed();
  if (t.isEmpty()) {
    ShowMessage(m_mode == 1 ? QStringLiteral("Rezervēšanas numurs ir vajadzīgs!")
                            : QStringLiteral("Pavadzīmes numurs ir vajadzīgs!"));
    Edit1->setFocus();
    return false;
  }
  if (SQLInt(QStringLiteral("select ID from Waybill where NUM=%1").arg(QuoteSQL(t))) >= 1) {
    ShowMessage(m_mode == 1 ? QStringLiteral("Rezervēšanas numurs jau eksistē!")
                            : QStringLiteral("Pavadzīmes numurs jau eksistē!"));
    ProposeAgainIfKept();
    Edit1->setFocus();
    return false;
  }
  return true;
}

void TDivazOut::ProposeAgainIfKept() {
  if (m_proposedNumber.isEmpty() || Edit1->text().trimmed() != m_proposedNumber.trimmed()) return;
  try {
    m_proposedNumber = NewDocNumber(m_mode == 1 ? 1 : 0);
  } catch (const EDatabaseError &e) {
    // The server cannot be reached now: the last proposal stays; the save checks it again.
    if (!e.IsConnectionLost()) throw;
    return;
  }
  Edit1->setText(m_proposedNumber);
}

void TDivazOut::BitBtn2Click() {
  if (!CheckNumber()) return;
  Panel2->setVisible(true);
  BitBtn2->setVisible(false);
  BitBtn3->setVisible(false);
}

// ---------------------------------------------------------------------------------------------
// Source list

namespace {

// A lot's place among the open lots, oldest first by receipt date and then line, as one
// number: the date (YYYYMMDD, -1 when it has none) above the line's ID (a 32-bit number,
// raised to be positive). The smallest of a material and colour is its oldest lot, and the
// places order the lots as their dates and IDs do.
const char *const kLotPlace = "(coalesce(w1.BDATE+0,-1)*4294967296+w.ID+2147483648)";

// The ID of the lot at a place.
int LotAtPlace(qint64 place) { return int(qint64(quint32(place)) - 2147483648LL); }

// Rows of the lot list whose further columns are read together.
constexpr int kSourceBlock = 200;
// The columns of the lot list that are read by block (what they are read from, after the
// lot's ID), and the field names the window reads them by.
const char *const kSourceBlockColumns[][2] = {
    {"CATID", "w.CATID"},       {"COLOR", "w.COLOR"},     {"WAYBILLID", "w.WAYBILLID"},
    {"PRICE", "w.PRICE"},       {"BDATE", "w1.BDATE"},    {"SYSTEMID", "c.SYSTEMID"},
    {"NAME", "c.NAME"},         {"COMMENTS", "c.COMMENTS"}, {"MEASURE", "c.MEASURE"},
    {"SUPPLIER", "c.SUPPLIER"}, {"REMAIN", nullptr}};

int SourceColumn(const char *field) {
  for (size_t c = 0; c < std::size(kSourceBlockColumns); ++c)
    if (qstrcmp(kSourceBlockColumns[c][0], field) == 0) return int(c);
  return -1;
}

}  // namespace

QString TDivazOut::BaseSource() const {
  // One row per material and colour that has open lots: the place of its oldest lot, the
  // rows in the order of those lots. The lots come from the index of the open lots alone
  // (OPENCAT is the material of a line that still holds something), so the list's cost
  // follows the open lots, not the history of closed ones. The material is joined for the
  // filters only (the server leaves it out when no filter names it); RefreshSource groups
  // and orders after the filters, and what the list shows of a row is read by block when it
  // is drawn or used (LoadSourceRow).
  return Format(QStringLiteral(
      "select min(%s) as LOTPLACE "
      "from WaybillCont w left join Waybill w1 on w1.ID=w.WAYBILLID "
      "left join Catalog c on c.ID=w.OPENCAT "
      "where w.OPENCAT is not null and w1.ISOUT=%d "), {QString::fromLatin1(kLotPlace), DocKindReceipt});
}

void TDivazOut::SetSourceFilter(const QString &filter) {
  m_sourceFilter = filter;
  RefreshSource();
}

void TDivazOut::RefreshSource() {
  const TBusyCursor busy;  // a list over the whole store may take a while
  QSource.Close();
  // Only the rows and their order come from the whole store; the quantities and texts of a
  // row are read with its block.
  QSource.SQL = m_sourceFilter + QStringLiteral("group by w.OPENCAT, w.COLOR order by LOTPLACE");
  QSource.Open();
  m_sourceRows = QVector<QVector<QVariant>>(QSource.RecordCount());
  m_sourceBlockRead.assign((QSource.RecordCount() + kSourceBlock - 1) / kSourceBlock, false);
  FillSourceGrid();
  Qty->setEnabled(QSource.RecordCount() > 0 && m_mode < 2);
  RefreshAddButton();
}

void TDivazOut::LoadSourceRow(int row) {
  if (row < 0 || row >= QSource.RecordCount() || row >= m_sourceRows.size()) return;
  const int block = row / kSourceBlock;
  if (block >= int(m_sourceBlockRead.size()) || m_sourceBlockRead[block]) return;
  const int from = block * kSourceBlock, to = std::min(from + kSourceBlock, QSource.RecordCount());
  QStringList ids, columns;
  QHash<int, int> rowOf;
  for (int r = from; r < to; ++r) {
    const int id = LotAtPlace(QSource.Rows()[r][0].toLongLong());
    ids << QString::number(id);
    rowOf.insert(id, r);
  }
  for (const auto &c : kSourceBlockColumns)
    if (c[1]) columns << QString::fromLatin1(c[1]);
  TQuery q(QSource.Connection());
  // What the open lots of the row's material and colour hold together.
  q.SQL = Format(QStringLiteral(
      "select w.ID, %s, (select sum(x.QUANTITY-x.QTYOUT) from WaybillCont x "
      "join Waybill x1 on x1.ID=x.WAYBILLID where x.OPENCAT=w.CATID and x.COLOR=w.COLOR "
      "and x1.ISOUT=%d) as REMAIN "
      "from WaybillCont w left join Waybill w1 on w1.ID=w.WAYBILLID "
      "left join Catalog c on c.ID=w.CATID where w.ID in (%s)"),
      {columns.join(QStringLiteral(", ")), DocKindReceipt, ids.join(QLatin1Char(','))});
  q.Open();
  for (const QVector<QVariant> &values : q.Rows()) {
    const int r = rowOf.value(values[0].toInt(), -1);
    if (r >= 0) m_sourceRows[r] = values.mid(1);
  }
  m_sourceBlockRead[block] = true;
}

const QVector<QVariant> *TDivazOut::SourceRow(int row) {
  // Rows beyond the list (a re-run that failed left none) show nothing.
  if (row < 0 || row >= QSource.RecordCount() || row >= m_sourceRows.size()) return nullptr;
  LoadSourceRow(row);
  if (m_sourceRows[row].isEmpty()) return nullptr;
  return &m_sourceRows[row];
}

TField TDivazOut::SourceField(const char *field) {
  const QString name = QString::fromLatin1(field);
  if (QSource.RecordCount() == 0 || QSource.Eof()) return TField(name, QVariant());
  const QVector<QVariant> *row = SourceRow(QSource.RecNo() - 1);
  const int c = SourceColumn(field);
  return TField(name, row && c >= 0 ? row->at(c) : QVariant());
}

void TDivazOut::FillSourceGrid() {
  const QSignalBlocker block(DBGrid1);
  // The cells come from the rows' blocks when they are drawn or read.
  const int name = SourceColumn("NAME"), comments = SourceColumn("COMMENTS"), price = SourceColumn("PRICE"),
            remain = SourceColumn("REMAIN"), measure = SourceColumn("MEASURE"),
            supplier = SourceColumn("SUPPLIER"), colour = SourceColumn("COLOR"), system = SourceColumn("SYSTEMID");
  DBGrid1->SetRows(QSource.RecordCount(), [=, this](int r, int c) {
    TRowGridCell cell;
    const QVector<QVariant> *row = nullptr;
    try {
      row = SourceRow(r);
    } catch (const std::exception &) {
      // Drawing goes on without them; the next refresh or move reads them again.
    }
    if (!row) return cell;
    auto f = [&](int i) { return TField(QString(), row->at(i)); };
    switch (c) {
      case 0: cell.Text = f(name).AsString(); break;
      case 1: cell.Text = f(comments).AsString(); break;
      case 2: cell.Text = FloatToStr(f(price).AsFloat()); break;
      case 3: cell.Text = FloatToStr(RoundQty(f(remain).AsFloat())); break;
      case 4: cell.Text = MeasureName(f(measure).AsInteger()); break;
      case 5: cell.Text = f(supplier).AsString(); break;
      case 6: cell.Text = ColorCaption(f(colour).AsInteger(), f(system).AsInteger()); break;
    }
    if (c == 2 || c == 3) cell.Alignment = Qt::AlignRight | Qt::AlignVCenter;
    if (c == 4) cell.Alignment = Qt::AlignCenter;
    return cell;
  });
  QSource.First();
  if (QSource.RecordCount() > 0) DBGrid1->setCurrentCell(0, 0);
  QSourceAfterScroll();
}

void TDivazOut::QSourceAfterScroll() {
  const int r = DBGrid1->currentRow();
  if (r >= 0 && r < QSource.RecordCount()) QSource.SetRecNo(r + 1);
  QString unit;
  if (!QSource.Eof() && QSource.RecordCount() > 0) unit = MeasureName(SourceField("MEASURE").AsInteger());
  Qty->setPlaceholderText(unit);
}

void TDivazOut::IDcb_Grp1Change() {
  const TcbIntObj *g = IDcb_Grp1->SelectedObj();
  const int group = g ? g->ID : -1;
  IDcb_SubGrp1->Clear();
  FillSubgroupChoice(group, IDcb_SubGrp1);
  if (IDcb_SubGrp1->count() == 0) {
    IDcb_SubGrp1->setEnabled(false);
  } else {
    IDcb_SubGrp1->setEnabled(true);
    IDcb_SubGrp1->SetItemIndex(0);
  }
  if (group >= 0)
    SetSourceFilter(QStringLiteral("%1 and c.CATGROUP=%2 ").arg(BaseSource()).arg(group));
  else
    SetSourceFilter(BaseSource());
}

void TDivazOut::IDcb_SubGrp1Change() {
  const TcbIntObj *g = IDcb_Grp1->SelectedObj();
  const TcbIntObj *s = IDcb_SubGrp1->SelectedObj();
  const int group = g ? g->ID : -1;
  const int sub = s ? s->ID : -1;
  if (sub >= 0)
    SetSourceFilter(QStringLiteral("%1 and c.CATGROUP=%2 and c.SUBGROUP=%3 ")
                        .arg(BaseSource())
                        .arg(group)
                        .arg(sub));
  else
    SetSourceFilter(QStringLiteral("%1 and c.CATGROUP=%2 ").arg(BaseSource()).arg(group));
}

void TDivazOut::FindBtn1Click() {
  IDcb_Grp1->SetItemIndex(0);
  const TcbIntObj *g = IDcb_Grp1->SelectedObj();
  IDcb_SubGrp1->Clear();
  FillSubgroupChoice(g ? g->ID : -1, IDcb_SubGrp1);
  IDcb_SubGrp1->setEnabled(IDcb_SubGrp1->count() > 0);
  if (IDcb_SubGrp1->count() > 0) IDcb_SubGrp1->SetItemIndex(0);
  // The typed text keeps its % and _ as wildcards; quotes and backslashes are escaped.
  const QString pattern = QuoteLike(QLatin1Char('%') + txtFind->text() + QLatin1Char('%'));
  QString filter = QStringLiteral("%1 and (c.NAME like %2 or c.COMMENTS like %2)")
                       .arg(BaseSource(), pattern);
  const TcbIntObj *m = IDcb_Measure1->SelectedObj();
  if (m && m->ID >= 0) filter += QStringLiteral(" and c.MEASURE=%1").arg(m->ID);
  SetSourceFilter(filter + QLatin1Char(' '));
}

// ---------------------------------------------------------------------------------------------
// Lines

void TDivazOut::QtyChange() { RefreshAddButton(); }

void TDivazOut::RefreshAddButton() {
  AddBtn->setVisible(Qty->Value() > QtyEpsilon && m_mode < 2);
}

void TDivazOut::SpeedButton1Click() {
  if (QSource.RecordCount() == 0 || QSource.Eof() || !SourceRow(QSource.RecNo() - 1)) return;
  Qty->setText(FloatToStr(RoundQty(SourceField("REMAIN").AsFloat())));
}

void TDivazOut::AddContentRow(int sysId, int catId, int color, int lotId, int supplier,
                              int receiptId, const QString &name, const QString &receiptNum,
                              double quantity, double price, int position) {
  // The first line fills the empty row the grid starts with.
  int row;
  const bool empty = CntGrd->RowCount() == 2 && !CntGrd->Objects(0, 1);
  if (empty) {
    row = 1;
  } else if (position >= 1 && position < CntGrd->RowCount()) {
    CntGrd->insertRow(position - 1);
    row = position;
  } else {
    CntGrd->SetRowCount(CntGrd->RowCount() + 1);
    row = CntGrd->RowCount() - 1;
  }
  CntGrd->SetCells(0, row, name);
  CntGrd->SetCells(1, row, ColorCaption(color, sysId));
  CntGrd->SetCells(2, row, FormatFloat(QString::fromLatin1(kQtyMask), quantity));
  CntGrd->SetCells(3, row, FormatFloat(QString::fromLatin1(kQtyMask), price));
  CntGrd->SetCells(4, row, receiptNum);
  CntGrd->SetObjects(0, row, new TAddObj(sysId, catId, color, lotId, supplier, receiptId));
}

void TDivazOut::DeleteContentRows(int catId, int color) {
  for (;;) {
    int found = 0;
    for (int r = 1; r < CntGrd->RowCount(); ++r) {
      auto *o = CntGrd->ObjectAs<TAddObj>(0, r);
      if (o && o->N2 == catId && o->N3 == color) {
        found = r;
        break;
      }
    }
    if (!found) return;
    CntGrd->DeleteRow(found);
  }
}

int TDivazOut::SplitOverLots(int catId, int color, double quantity, int position) {
  TQuery q;
  q.SQL = kLotQuery.arg(catId).arg(color).arg(DocKindReceipt).arg(OpenLotSQL());
  q.Open();
  double rest = RoundQty(quantity);
  int last = 0;
  for (q.First(); !q.Eof() && rest > QtyEpsilon; q.Next()) {
    const double remain = RoundQty(q.FieldByName(QStringLiteral("REMAIN")).AsFloat());
    const double take = remain <= rest ? remain : rest;
    AddContentRow(q.FieldByName(QStringLiteral("SYSTEMID")).AsInteger(),
                  q.FieldByName(QStringLiteral("CATID")).AsInteger(),
                  q.FieldByName(QStringLiteral("COLOR")).AsInteger(),
                  q.FieldByName(QStringLiteral("ID")).AsInteger(),
                  q.FieldByName(QStringLiteral("SUPPLIER")).AsInteger(),
                  q.FieldByName(QStringLiteral("WAYBILLID")).AsInteger(),
                  q.FieldByName(QStringLiteral("NAME")).AsString(),
                  q.FieldByName(QStringLiteral("NUM")).AsString(), take,
                  q.FieldByName(QStringLiteral("PRICE")).AsFloat(), position);
    last = position >= 1 ? position : CntGrd->RowCount() - 1;
    if (position >= 1) ++position;
    rest = RoundQty(rest - take);
  }
  return last;
}

void TDivazOut::AddBtnClick() {
  // A lot that could not be read (its receipt was deleted meanwhile) has nothing to add.
  if (QSource.RecordCount() == 0 || QSource.Eof() || !SourceRow(QSource.RecNo() - 1)) return;
  const double qty = RoundQty(Qty->Value());
  if (qty <= QtyEpsilon) return;
  const double remain = RoundQty(SourceField("REMAIN").AsFloat());
  if (m_mode == 0 && qty > remain + QtyEpsilon) {
    ShowMessage(QStringLiteral("Daudzums parāk liels. Atlikums ir mazāks: ") +
                Format(QStringLiteral("%g"), {remain}));
    Qty->setFocus();
    return;
  }
  const int catId = SourceField("CATID").AsInteger();
  const int color = SourceField("COLOR").AsInteger();
  int row = 0;
  if (FindGridRow(row, CntGrd, catId, color)) {
    ShowMessage(QStringLiteral("Nosaukums jau sarakstā. Vienkarši izmainit tas daudzums."));
    CntGrd->SetRow(row - 1);
    return;
  }
  if (m_mode == 0) {
    SplitOverLots(catId, color, qty, -1);
  } else if (m_mode == 1) {
    if (remain + QtyEpsilon < qty &&
        MessageDlg(QStringLiteral("Jūs gribēt rezervēt daudz materiālu ka ir noliktavā! Vai "
                                  "esāt parliecināti?"),
                   TMsgDlgType::mtWarning, mbYes | mbNo, this) == mrNo)
      return;
    AddContentRow(SourceField("SYSTEMID").AsInteger(), catId, color, -1,
                  SourceField("SUPPLIER").AsInteger(), -1,
                  SourceField("NAME").AsString(), QString(), qty,
                  SourceField("PRICE").AsFloat(), -1);
  } else {
    return;
  }
  CntGrd->SetRow(CntGrd->RowCount() - 1);
  Qty->setText(QStringLiteral("0"));
  DBGrid1->setFocus();
  RefreshAddButton();
}

double TDivazOut::LineQuantity(int row) const {
  return RoundQty(StrToFloatDef(CntGrd->Cells(2, row), 0.0));
}

void TDivazOut::CntGrdTitleClick(int col) {
  if (col != 2 || m_mode >= 2) return;
  const int sel = CntGrd->Row();
  auto *o = sel >= 1 ? CntGrd->ObjectAs<TAddObj>(0, sel) : nullptr;
  if (!o) return;
  const int catId = o->N2, color = o->N3;
  double total = 0;
  for (int r = 1; r < CntGrd->RowCount(); ++r) {
    auto *x = CntGrd->ObjectAs<TAddObj>(0, r);
    if (x && x->N2 == catId && x->N3 == color) total += LineQuantity(r);
  }
  total = RoundQty(total);
  const double entered = RoundQty(InputNumber(this, QStringLiteral("Daudzums"),
                                            QStringLiteral("Lūdzu ievadiet jauns daudzums"), total));
  if (std::fabs(entered - total) <= QtyEpsilon) return;
  // A quantity that rounds to nothing would silently drop the material's lines.
  if (QtyIsZero(entered)) return;
  const double stock = RoundQty(std::max(0.0, OpenLotStock(catId, color)));
  if (m_mode == 0) {
    if (entered <= stock + QtyEpsilon) {
      int p = 0;
      for (int r = 1; r < CntGrd->RowCount() && !p; ++r) {
        auto *x = CntGrd->ObjectAs<TAddObj>(0, r);
        if (x && x->N2 == catId && x->N3 == color) p = r;
      }
      DeleteContentRows(catId, color);
      // After the removal the grid may be down to its one empty row.
      if (CntGrd->RowCount() == 2 && !CntGrd->Objects(0, 1)) p = -1;
      else if (p >= CntGrd->RowCount()) p = -1;
      const int last = SplitOverLots(catId, color, entered, p);
      if (last >= 1) CntGrd->SetRow(last);
    } else {
      ShowMessage(Format(QStringLiteral("Daudzums parāk liels! Atlikums ir mazāks: %g"), {stock}));
      Qty->setFocus();
    }
  } else {
    if (entered > stock + QtyEpsilon &&
        MessageDlg(QStringLiteral("Jūs gribēt rezervēt daudz materiālu ka ir noliktavā!\r"
                                  "Rezervēt materiālus? Vai esāt parliecināti?"),
                   TMsgDlgType::mtWarning, mbYes | mbNo, this) != mrYes)
      return;
    CntGrd->SetCells(2, sel, FormatFloat(QStringLiteral("0.0000#######"), entered));
  }
}

void TDivazOut::ContentPopupPopup() {
  const int sel = CntGrd->Row();
  N1->setEnabled(sel >= 1 && CntGrd->ObjectAs<TAddObj>(0, sel) && m_mode < 2);
}

void TDivazOut::N1Click() {
  const int sel = CntGrd->Row();
  auto *o = sel >= 1 ? CntGrd->ObjectAs<TAddObj>(0, sel) : nullptr;
  if (!o || m_mode >= 2) return;
  if (MessageDlg(QStringLiteral("Izdzēst nosaukums no sarakstā? Vai etāt parliecīnāti?"),
                 TMsgDlgType::mtConfirmation, mbYes | mbNo, this) != mrYes)
    return;
  DeleteContentRows(o->N2, o->N3);
}

void TDivazOut::LoadDocument() {
  BitBtn2->setVisible(false);
  BitBtn3->setVisible(false);
  Panel1->setEnabled(false);
  Panel2->setVisible(true);
  Qty->setEnabled(false);
  TQuery h;
  h.SQL = QStringLiteral("select * from Waybill where ID=%1").arg(m_documentID);
  h.Open();
  if (!h.IsEmpty()) {
    Edit1->setText(h.FieldByName(QStringLiteral("NUM")).AsString());
    Edit2->setText(h.FieldByName(QStringLiteral("ORDLINK")).AsString());
    Edit3->setText(h.FieldByName(QStringLiteral("NOTES")).AsString());
    isPaid->setChecked(h.FieldByName(QStringLiteral("ISPAID")).AsInteger() > 0);
    DT1->setDate(h.FieldByName(QStringLiteral("BDATE")).AsDate());
  }
  TQuery l;
  l.SQL = QStringLiteral("select * from WaybillCont w where WAYBILLID=%1 order by w.CATID, w.ID")
              .arg(m_documentID);
  l.Open();
  for (l.First(); !l.Eof(); l.Next())
    SplitOverLots(l.FieldByName(QStringLiteral("CATID")).AsInteger(),
                  l.FieldByName(QStringLiteral("COLOR")).AsInteger(),
                  l.FieldByName(QStringLiteral("QUANTITY")).AsFloat(), -1);
  RefreshSource();
}

// ---------------------------------------------------------------------------------------------
// Saving

std::vector<TOutLine> TDivazOut::CollectLines() const {
  std::vector<TOutLine> lines;
  for (int r = 1; r < CntGrd->RowCount(); ++r) {
    auto *o = CntGrd->ObjectAs<TAddObj>(0, r);
    if (!o) continue;
    TOutLine l{.CatID = o->N2,
               .Color = o->N3,
               .LotID = o->N4,
               .Supplier = o->N5,
               .ReceiptID = o->N6,
               .Quantity = LineQuantity(r),
               .Price = RoundQty(StrToFloatDef(CntGrd->Cells(3, r), 0.0))};
    if (l.Quantity <= QtyEpsilon) continue;  // never a zero-quantity line
    lines.push_back(l);
  }
  return lines;
}

void TDivazOut::SaveWBClick() {
  if (m_mode < 2 && !CheckNumber()) return;
  bool saved = false;
  if (m_mode < 2) {
    const std::vector<TOutLine> lines = CollectLines();
    try {
      saved = m_mode == 0 ? SaveIssue(lines) : SaveReservation(lines);
    } catch (const ENumberTaken &) {
      // Another save took one of the numbers meanwhile: nothing was written, the lines stay.
      ShowMessage(m_mode == 1 ? QStringLiteral("Rezervēšanas numurs jau eksistē!")
                              : QStringLiteral("Pavadzīmes numurs jau eksistē!"));
      ProposeAgainIfKept();
      Edit1->setFocus();
      return;
    } catch (const ELotTaken &e) {
      ShowMessage(e.Text);
      RefreshSource();
      return;
    } catch (const ERefused &e) {
      // a material left the catalogue or changed its colour flag: nothing was written
      ShowMessage(e.Text);
      return;
    } catch (const std::exception &e) {
      ShowStockUpdateFailure(e);
      ShowMessage(FailureText(e,
                              m_savingRequest ? QStringLiteral("ERROR saving auto-inquery.")
                                              : QStringLiteral("ERROR while saving invoice."),
                              Edit1->text().trimmed()));
      return;
    }
  } else {
    saved = SaveWriteOff();
  }
  if (saved) SetModalResult(mrOk);
}

bool TDivazOut::NumbersFit(const QString &number, int documents, const QString &suffix) {
  const QString longest = documents > 1 ? DocNumber(number, documents, documents) : number;
  if (longest.size() + suffix.size() <= kNumWidth) return true;
  ShowMessage(m_mode == 1 ? QStringLiteral("Rezervēšanas numurs ir pārāk garš!")
                          : QStringLiteral("Pavadzīmes numurs ir pārāk garš!"));
  return false;
}

bool TDivazOut::SaveIssue(const std::vector<TOutLine> &lines) {
  const QString number = Edit1->text().trimmed();
  if (!NumbersFit(number, static_cast<int>(CollectSuppliers(lines).size()), QString())) return false;
  const QString firstNum = SaveOutgoing(DocKindIssue, ReadHeader(number), lines);
  Edit1->setText(number);
  SavedNumber = firstNum.isEmpty() ? number : firstNum;
  return true;
}

bool TDivazOut::SaveReservation(const std::vector<TOutLine> &lines) {
  const QString number = Edit1->text().trimmed();
  // Which lines the open lots do not cover (other reservations are not subtracted).
  std::vector<double> stock(lines.size(), 0.0);
  bool shortage = false;
  for (size_t i = 0; i < lines.size(); ++i) {
    stock[i] = RoundQty(std::max(0.0, OpenLotStock(lines[i].CatID, lines[i].Color)));
    if (lines[i].Quantity > stock[i] + QtyEpsilon) shortage = true;
  }
  bool requests = false;
  if (shortage) {
    const int a = MessageDlg(
        QStringLiteral("Количество некоторых материалов, зарезервированных вами, превышает "
                       "количество имеющееся на складе.\r\nВ связи с этим предлагается "
                       "автоматически создать заявку на недостающие материалы. Создать заявку?"),
        TMsgDlgType::mtWarning, mbYes | mbNo | mbCancel, this);
    if (a == mrCancel) return false;
    if (a == mrNo) {
      if (MessageDlg(QStringLiteral("Вы отказались от создания заявки на недостающие метериалы. "
                                    "Продолжить?"),
                     TMsgDlgType::mtConfirmation, mbOK | mbCancel, this) != mrOk)
        return false;
    } else {
      requests = true;
    }
  }
  if (!NumbersFit(number, static_cast<int>(CollectSuppliers(lines).size()),
                  requests ? QStringLiteral("_AReq") : QString()))
    return false;
  std::vector<TOutLine> doc = lines;
  for (size_t i = 0; i < doc.size(); ++i)
    if (requests && doc[i].Quantity > stock[i] + QtyEpsilon) doc[i].Missing = RoundQty(doc[i].Quantity - stock[i]);
  const QString firstNum = SaveOutgoing(DocKindReservation, ReadHeader(number), doc, &m_savingRequest);
  Edit1->setText(number);
  SavedNumber = firstNum.isEmpty() ? number : firstNum;
  return true;
}

TOutHeader TDivazOut::ReadHeader(const QString &number) const {
  return TOutHeader{.Date = FormatServerDate(DT1->date()),
                    .Num = number,
                    .OrdLink = Edit2->text(),
                    .Notes = Edit3->text(),
                    .IsPaid = isPaid->isChecked() ? 1 : 0};
}

bool TDivazOut::SaveWriteOff() {
  if (SQLInt(QStringLiteral("select ISOUT from Waybill where ID=%1").arg(m_documentID)) != DocKindReservation) {
    ShowMessage(QStringLiteral("Rezervēšana vairs nav atrodama: tā jau ir norakstīta vai dzēsta."));
    return false;
  }
  WriteOffReservation(this, m_documentID);
  // The write-off either turned the reservation into an issue or showed what is short.
  if (SQLInt(QStringLiteral("select ISOUT from Waybill where ID=%1").arg(m_documentID)) != DocKindIssue)
    return false;
  SavedNumber = Edit1->text();
  return true;
}
