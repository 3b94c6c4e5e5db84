#include "reports/SCALAExportUnit.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QShowEvent>
#include <QStringEncoder>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/DocNumbers.h"
#include "core/CommonVariables.h"
#include "core/DataUnit.h"
#include "core/MyMsgUnit.h"
#include "documents/DivazInPickerUnit.h"
#include "platform/DatePicker.h"
#include "platform/Application.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "platform/SysUtils.h"

const QString ExportRegistryKey = QStringLiteral("SOFTWARE\\ORMAK Software\\Torvane\\Warehouse");
const QString ExportPathValue = QStringLiteral("Default export path");

namespace {

const QString kSureSuffix = QStringLiteral("\r\n\r\nVai esāt parliecināti?");
const QString kSelectRows = QStringLiteral("Lūdzu atzīmēt vēlamas pavadzīmes ar nospiestu [Ctrl]!");
const QString kNoData = QStringLiteral("Nav datu eksportām!");
const QString kStamp = QStringLiteral("yyyymmdd-hhnnss");
const QString kSqlDate = QStringLiteral("yyyy-mm-dd");

// Messages of an export that could not be written completely.
const QString kInvoicesFailed = QStringLiteral("Pavadzīmes netika eksportētas!");
const QString kWriteOffFailed = QStringLiteral("Materiālu norakstīšana netika eksportēta!");
const QString kArchiveFailed = QStringLiteral("Materiālu norakstīšanas arhīvs netika eksportēts!");
const QString kVatMissing =
    QStringLiteral("Iestatījumos nav norādīta PVN likme! Pavadzīmes netika eksportētas.");

// Marks the cells of the exported receipts: light red, darker red when selected.
constexpr int kExportedRole = Qt::UserRole + 1;

class TExportedRowDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (!index.data(kExportedRole).toBool()) return;
    const bool selected = option->state & QStyle::State_Selected;
    option->backgroundBrush = selected ? QColor(255, 100, 100) : QColor(255, 200, 200);
    option->state &= ~QStyle::State_Selected;
    option->palette.setColor(QPalette::Text, Qt::black);
  }
};

QPushButton *Button(QWidget *parent, const QString &name, const QString &caption) {
  auto *b = new QPushButton(caption, parent);
  b->setObjectName(name);
  b->setAutoDefault(false);
  return b;
}

QLabel *Label(QWidget *parent, const QString &name, const QString &caption,
              bool underlined = false) {
  auto *l = new QLabel(caption, parent);
  l->setObjectName(name);
  if (underlined) {
    QFont f = l->font();
    f.setUnderline(true);
    l->setFont(f);
  }
  return l;
}

QDateEdit *DateEdit(QWidget *parent, const QString &name) {
  auto *d = new TDatePicker(parent);
  d->setObjectName(name);
  d->setCalendarPopup(true);
  d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
  return d;
}

QString Text(const TQuery &q, const char *field) {
  return q.FieldByName(QString::fromLatin1(field)).AsString();
}

// A text value as the file gets it: composed, so that a letter typed as a base letter and an
// accent is the one character (and byte) of the code page; the fields then count what the
// file holds.
QString FileText(const TQuery &q, const char *field) {
  return Text(q, field).normalized(QString::NormalizationForm_C);
}

double Float(const TQuery &q, const char *field) {
  return q.FieldByName(QString::fromLatin1(field)).AsFloat();
}

QString SqlDateText(const TQuery &q, const char *field) {
  const TField f = q.FieldByName(QString::fromLatin1(field));
  return f.IsNull() ? QString() : FormatDateTime(kSqlDate, f.AsDate());
}

}  // namespace

// ---------------------------------------------------------------------------------------
// File lines

QString InvoiceLine(const TQuery &row) {
  return Format(QStringLiteral("%-7d%-20s%10s%5s%16.6f%1d%16.6f%16.6f%16.6f%16.6f%16.6f%16.6f%5s"),
                {row.FieldByName(QStringLiteral("SupplID")).AsInteger(), FileText(row, "InvoiceNr"),
                 SqlDateText(row, "InvoiceDate"), FileText(row, "InAccount"), Float(row, "CurrSum"),
                 row.FieldByName(QStringLiteral("CurrencyID")).AsInteger(),
                 Float(row, "CurrRate"), Float(row, "LVLsum"), Float(row, "CurrSumVAT"),
                 Float(row, "LVLsumVAT"), Float(row, "CurrVAT"), Float(row, "LVLVAT"),
                 FileText(row, "Account")});
}

QString WriteOffLine(const QString &start, const QString &end, const TQuery &row) {
  return Format(QStringLiteral("%10s%10s%5s%16.6f%5s%16.6f"),
                {start, end, FileText(row, "InAccount"), Float(row, "InSum"), FileText(row, "OutAccount"),
                 Float(row, "OutSum")});
}

QByteArray ExportFileBytes(const QStringList &lines) {
  QStringEncoder encoder("windows-1257");
  QByteArray out;
  for (const QString &line : lines) {
    for (const char32_t cp : line.toUcs4()) {
      // a control character (a line break in a stored number) would break the line apart
      if (cp < 0x20 || cp == 0x7F) {
        out.append('?');
        continue;
      }
      if (cp < 0x80) {
        out.append(static_cast<char>(cp));
        continue;
      }
      QByteArray b;
      if (encoder.isValid()) b = encoder.encode(QString::fromUcs4(&cp, 1));
      // the encoder writes the substitute control character for what the page lacks
      out.append(b.size() == 1 && b[0] != '\x1a' ? b[0] : '?');
    }
    out.append("\r\n");
  }
  return out;
}

// ---------------------------------------------------------------------------------------
// Save dialog

bool TExportSaveDialog::Execute(QWidget *parent) {
  QString filter = Filter;
  const int bar = filter.indexOf(QLatin1Char('|'));
  if (bar >= 0) filter = filter.left(bar) + QStringLiteral(" (") + filter.mid(bar + 1) + QLatin1Char(')');
  QString chosen = Dialogs().SaveFileName(parent, Title, InitialDir + FileName, filter);
  if (chosen.isEmpty()) return false;
  if (!DefaultExt.isEmpty() && QFileInfo(chosen).suffix().isEmpty())
    chosen += QLatin1Char('.') + DefaultExt;
  FileName = chosen;
  return true;
}

// ---------------------------------------------------------------------------------------
// The window

TSCALAExpForm::TSCALAExpForm(QWidget *owner, uint8_t mode)
    : TForm(owner), Q1(&DATA->DB_Storage), Q2(&DATA->DB_Storage), m_mode(mode) {
  setObjectName(QStringLiteral("SCALAExpForm"));
  setWindowTitle(QStringLiteral("SCALA Eksports"));
  resize(640, 420);
  auto *main = new QVBoxLayout(this);

  PC1 = new QTabWidget(this);
  PC1->setObjectName(QStringLiteral("PC1"));
  PC1->tabBar()->hide();
  PC1->setDocumentMode(true);

  // Receipts.
  TabSheet1 = new QWidget(PC1);
  TabSheet1->setObjectName(QStringLiteral("TabSheet1"));
  auto *l1 = new QVBoxLayout(TabSheet1);
  auto *top1 = new QHBoxLayout;
  Label1 = Label(TabSheet1, QStringLiteral("Label1"), QStringLiteral("Pavadzīmes"));
  CheckBox1 = new QCheckBox(QStringLiteral("Visas pavadzīmes"), TabSheet1);
  CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
  top1->addWidget(Label1);
  top1->addStretch();
  top1->addWidget(CheckBox1);
  l1->addLayout(top1);
  DB1 = new TQueryGrid(TabSheet1);
  DB1->setObjectName(QStringLiteral("DB1"));
  // Digits are wider than the font's average character: the date columns get room for them.
  DB1->SetColumns({
      {QStringLiteral("BDATE"), QStringLiteral("Datums"), 12},
      {QStringLiteral("NUM"), QStringLiteral("Pavadzīmes Nr."), 13},
      {QStringLiteral("ORDLINK"), QStringLiteral("Pasūt.kods"), 15},
      {QStringLiteral("SUM"), QStringLiteral("Summa"), 12, QStringLiteral("0.00 Ls"),
       Qt::AlignRight | Qt::AlignVCenter},
      {QStringLiteral("CURRNAME"), QStringLiteral("Valūta"), 6, {}, Qt::AlignRight | Qt::AlignVCenter},
      {QStringLiteral("CURRENCYRATE"), QStringLiteral("Kurss"), 6},
      {QStringLiteral("SUPPLNAME"), QStringLiteral("Piegādātājs"), 13},
  });
  DB1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  DB1->setItemDelegate(new TExportedRowDelegate(DB1));
  DB1->OnDrawColumnCell = [this](const TGridColumn &column, QTableWidgetItem *item) {
    DB1DrawColumnCell(column, item);
  };
  l1->addWidget(DB1, 1);
  PC1->addTab(TabSheet1, QString());

  // Write-off.
  TabSheet2 = new QWidget(PC1);
  TabSheet2->setObjectName(QStringLiteral("TabSheet2"));
  auto *l2 = new QVBoxLayout(TabSheet2);
  Label2 = Label(TabSheet2, QStringLiteral("Label2"), QStringLiteral("Norakstitie materiāli"));
  l2->addWidget(Label2);
  DB2 = new TQueryGrid(TabSheet2);
  DB2->setObjectName(QStringLiteral("DB2"));
  DB2->SetColumns({
      {QStringLiteral("STARTDATE"), QStringLiteral("No"), 12},
      {QStringLiteral("ENDDATE"), QStringLiteral("Līdz"), 12},
      {QStringLiteral("INSUM"), QStringLiteral("Summa"), 15, QStringLiteral("0.00 Ls"),
       Qt::AlignRight | Qt::AlignVCenter},
      {QStringLiteral("WRITTEN"), QStringLiteral("Ekportēts"), 22},
      {QStringLiteral("NAME"), QStringLiteral("Eksportētajs"), 22},
  });
  DB2->setSelectionMode(QAbstractItemView::ExtendedSelection);
  DB2->OnDrawColumnCell = [this](const TGridColumn &column, QTableWidgetItem *item) {
    if (column.Field != QLatin1String("WRITTEN")) return;
    const TField f = Q2.FieldByName(QStringLiteral("WRITTEN"));
    item->setText(f.IsNull() ? QString() : DateTimeToStr(f.AsDateTime()));
  };
  l2->addWidget(DB2, 1);
  auto *bottom2 = new QHBoxLayout;
  auto *arch = new QVBoxLayout;
  Label3 = Label(TabSheet2, QStringLiteral("Label3"), QStringLiteral("Eksprortēt no arhiva"), true);
  ArchExport = Button(TabSheet2, QStringLiteral("ArchExport"), QStringLiteral("Eksportēt"));
  arch->addWidget(Label3);
  arch->addWidget(ArchExport);
  bottom2->addLayout(arch);
  bottom2->addSpacing(24);
  auto *period = new QVBoxLayout;
  Label6 = Label(TabSheet2, QStringLiteral("Label6"), QStringLiteral("Jauns eksports"), true);
  period->addWidget(Label6);
  auto *dates = new QHBoxLayout;
  Label4 = Label(TabSheet2, QStringLiteral("Label4"), QStringLiteral("No"));
  DT1 = DateEdit(TabSheet2, QStringLiteral("DT1"));
  DT1->setEnabled(false);
  Label5 = Label(TabSheet2, QStringLiteral("Label5"), QStringLiteral("Līdz"));
  DT2 = DateEdit(TabSheet2, QStringLiteral("DT2"));
  dates->addWidget(Label4);
  dates->addWidget(DT1);
  dates->addWidget(Label5);
  dates->addWidget(DT2);
  period->addLayout(dates);
  bottom2->addLayout(period);
  bottom2->addStretch();
  l2->addLayout(bottom2);
  PC1->addTab(TabSheet2, QString());
  main->addWidget(PC1, 1);

  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  DoButt = Button(this, QStringLiteral("DoButt"), QStringLiteral("Eksportēt"));
  DoButt->setDefault(true);
  BitBtn2 = Button(this, QStringLiteral("BitBtn2"), QStringLiteral("Atcelt"));
  buttons->addWidget(DoButt);
  buttons->addWidget(BitBtn2);
  main->addLayout(buttons);

  SaveDlg.DefaultExt = QStringLiteral("txt");
  SaveDlg.Filter = QStringLiteral("VM Export files|*.txt");

  // The handlers run before the buttons' results close the window.
  connect(CheckBox1, &QCheckBox::clicked, this, [this] { Guarded([this] { CheckBox1Click(); }); });
  connect(DoButt, &QPushButton::clicked, this, [this] { Guarded([this] { DoButtClick(); }); });
  connect(ArchExport, &QPushButton::clicked, this,
          [this] { Guarded([this] { ArchExportClick(); }); });
  BindModalResult(DoButt, mrOk);
  BindModalResult(ArchExport, mrOk);
  BindModalResult(BitBtn2, mrCancel);
}

TSCALAExpForm::~TSCALAExpForm() = default;

void TSCALAExpForm::showEvent(QShowEvent *event) {
  TForm::showEvent(event);
  if (!event->spontaneous()) Guarded([this] { FormShow(); });
}

void TSCALAExpForm::FormShow() { RefreshList(); }

bool TSCALAExpForm::CloseQuery(int result) {
  const bool keepOpen = m_keepOpen;
  m_keepOpen = false;
  return !(keepOpen && result == mrOk);
}

void TSCALAExpForm::FormClose() {
  Q1.Close();
  Q2.Close();
}

void TSCALAExpForm::CheckBox1Click() { RefreshList(); }

void TSCALAExpForm::DB1DrawColumnCell(const TGridColumn &, QTableWidgetItem *item) {
  const bool exported = Q1.FieldByName(QStringLiteral("ISEXPORTED")).AsInteger() == 1;
  item->setData(kExportedRole, exported);
  if (exported) item->setBackground(QColor(255, 200, 200));
}

void TSCALAExpForm::RefreshList() {
  if (m_mode == 0) {
    PC1->setCurrentWidget(TabSheet1);
    DataSource1 = &Q1;
    if (Q1.Active()) Q1.Close();
    QStringList sql{
        QStringLiteral("select w.*, s.NAME as SUPPLNAME, c.NAME as CURRNAME from Waybill w"),
        QStringLiteral("left join Suppliers s on s.ID=w.SUPPLIERID"),
        QStringLiteral("left join Currencies c on c.ID=w.CURRENCY"),
        Format("where w.ISOUT=%d", {DocKindReceipt})};
    if (!CheckBox1->isChecked()) sql << QStringLiteral("and w.ISEXPORTED=0");
    sql << QStringLiteral("order by w.ISEXPORTED, w.BDATE");
    Q1.SQL = sql.join(QLatin1Char('\n'));
    Q1.Open();
    DB1->SetDataSet(&Q1);
    DB1->clearSelection();  // the current row is not chosen until the user marks it
    return;
  }

  PC1->setCurrentWidget(TabSheet2);
  DataSource1 = &Q2;
  if (Q2.Active()) Q2.Close();
  Q2.SQL = QStringLiteral(
      "select w.*,u.NAME from WriteOffLog w left join Users u on u.ID=w.WRITTENBY order by ENDDATE");
  Q2.Open();
  DB2->SetDataSet(&Q2);
  DB2->clearSelection();

  const QDate today = Clock::Today();
  if (Q2.IsEmpty()) {
    // No period was exported yet: the first one starts where the user says, by default on the
    // date of the earliest document.
    QDate first = SQLDate(QStringLiteral("select min(BDATE) from Waybill")).date();
    if (first > today) first = today;
    DT1->setMaximumDate(today);
    DT1->setDate(first);
    DT1->setEnabled(true);
  } else {
    DT1->setMaximumDate(QDate(9999, 12, 31));
    DT1->setDate(SQLDate(QStringLiteral("select max(ENDDATE) from WriteOffLog")).date().addDays(1));
    DT1->setEnabled(false);
  }
  DT2->setMinimumDate(today);
  DT2->setDate(today);
  DoButt->setEnabled(today >= DT1->date());
}

QList<int> TSCALAExpForm::SelectedRecords(const TQueryGrid *grid) const {
  QList<int> rows;
  if (!grid->DataSet() || !grid->DataSet()->Active()) return rows;
  for (const QModelIndex &i : grid->selectionModel()->selectedRows())
    if (i.row() < grid->DataSet()->RecordCount()) rows << i.row();
  std::sort(rows.begin(), rows.end());
  return rows;
}

void TSCALAExpForm::DoButtClick() {
  if (m_mode == 0) InvoiceExport();
  else WriteOffExport();
}

bool TSCALAExpForm::ChooseFile(const QString &prefix) {
  TRegistry reg;
  reg.OpenKey(ExportRegistryKey, true);
  SaveDlg.InitialDir = reg.ValueExists(ExportPathValue) ? reg.ReadString(ExportPathValue) : QString();
  SaveDlg.Title = QStringLiteral("Saglabāt exportētu failu");
  SaveDlg.FileName = prefix + FormatDateTime(kStamp, Clock::Now()) + QStringLiteral(".txt");
  return SaveDlg.Execute(this);
}

bool TSCALAExpForm::WriteExport(const QStringList &lines, const QStringList &statements,
                                const QString &failedMessage) {
  const QString fileName = SaveDlg.FileName;
  bool fileWritten = false;
  try {
    RunInTransaction([&] {
      fileWritten = false;
      for (const QString &sql : statements) ExecSQL(sql);
      QSaveFile file(fileName);
      const QByteArray bytes = ExportFileBytes(lines);
      if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw std::runtime_error(
            QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(fileName), file.errorString()).toStdString());
      fileWritten = true;
    });
  } catch (const ECommitUnknown &) {
    // The server may have stored the marks: then these documents count as exported, and the
    // file is the only one they will ever be in. It stays.
    MessageDlg(QStringLiteral("The file %1 was written, but the connection to the database server was lost "
                              "while the export was being recorded: it is not known whether it was recorded. "
                              "Look at the export marks before exporting the same documents again.")
                   .arg(QDir::toNativeSeparators(fileName)),
               TMsgDlgType::mtWarning, mbOK, this);
    RememberFolder(fileName);
    return false;
  } catch (const std::exception &e) {
    if (fileWritten) QFile::remove(fileName);
    m_keepOpen = true;  // the user may choose another folder and try again
    const auto *db = dynamic_cast<const EDatabaseError *>(&e);
    MessageDlg(db && db->IsRetryable() ? FailureText(e, failedMessage)
                                       : failedMessage + QStringLiteral("\r\n") + QString::fromStdString(e.what()),
               TMsgDlgType::mtError, mbOK, this);
    return false;
  }
  RememberFolder(fileName);
  return true;
}

void TSCALAExpForm::RememberFolder(const QString &fileName) {
  // The folder is only a convenience for the next time, and failing to keep it does not undo
  // the export.
  try {
    TRegistry reg;
    reg.OpenKey(ExportRegistryKey, true);
    reg.WriteString(ExportPathValue, QDir::toNativeSeparators(QFileInfo(fileName).absolutePath() +
                                                              QLatin1Char('/')));
  } catch (const std::exception &e) {
    ShowException(e);
  }
}

void TSCALAExpForm::InvoiceExport() {
  m_exportList.clear();
  // Without the setup's rate every VAT column would be wrong money.
  if (VATPercent < 0) {
    ShowMessage(kVatMissing);
    return;
  }
  QStringList numbers;
  bool exportedSeen = false;
  const QList<int> selected = SelectedRecords(DB1);
  if (selected.isEmpty()) {
    ShowMessage(kSelectRows);
    return;
  }
  for (const int record : selected) {
    DB1->SetRecord(record);
    m_exportList << Text(Q1, "ID");
    numbers << Text(Q1, "NUM");
    if (Q1.FieldByName(QStringLiteral("ISEXPORTED")).AsInteger() == 1) exportedSeen = true;
  }
  if (MessageDlg(QStringLiteral("Exportēt pavadzīmes: ") + numbers.join(QLatin1Char(',')) +
                     QLatin1Char('?') + kSureSuffix,
                 TMsgDlgType::mtConfirmation, mbYes | mbNo, this) != mrYes)
    return;
  if (exportedSeen &&
      MessageDlg(QStringLiteral("Kaut kāda no pavadzīmem jau eksportēta! Turpināt?"),
                 TMsgDlgType::mtWarning, mbYes | mbNo, this) != mrYes)
    return;

  const QString ids = m_exportList.join(QLatin1Char(','));
  const QString f = FloatToStr(1 + VATPercent / 100);
  TQuery &q = DATA->Qtmp;
  if (q.Active()) q.Close();
  q.SQL = QStringList{
      QStringLiteral("select w.SUPPLIERID as SupplID, w.NUM as InvoiceNr, w.BDATE as InvoiceDate, concat(\"2\",mc.ACODE) as InAccount,"),
      QStringLiteral("       sum(wc.PRICE*wc.QUANTITY) as CurrSum, w.CURRENCY as CurrencyID, sum(wc.PRICE*wc.QUANTITY*%1) as CurrSumVAT, sum((wc.PRICE*wc.QUANTITY)-(wc.PRICE*wc.QUANTITY)/%1) as CurrVAT, w.CURRENCYRATE as CurrRate,").arg(f),
      QStringLiteral("       sum(wc.PRICE*wc.QUANTITY*w.CURRENCYRATE) as LVLsum, sum(wc.PRICE*wc.QUANTITY*w.CURRENCYRATE*%1) as LVLsumVAT, sum((wc.PRICE*wc.QUANTITY*w.CURRENCYRATE)-(wc.PRICE*wc.QUANTITY*w.CURRENCYRATE)/%1) as LVLVAT,").arg(f),
      QStringLiteral("       concat(\"9\",mc.ACODE) as Account"),
      QStringLiteral("from WaybillCont wc"),
      QStringLiteral("left join Waybill w on w.ID=wc.WAYBILLID"),
      QStringLiteral("left join Catalog c on c.ID=wc.CATID"),
      QStringLiteral("left join SCALA_MaterAccounts mc on FIND_IN_SET(c.CATGROUP, mc.CATGROUPS)>0"),
      QStringLiteral("where wc.WAYBILLID in (") + ids + QLatin1Char(')'),
      QStringLiteral("group by w.SUPPLIERID, mc.ACODE, w.NUM, w.BDATE"),
      QStringLiteral("order by w.SUPPLIERID, mc.ACODE, w.NUM, w.BDATE")}
              .join(QLatin1Char('\n'));
  q.Open();
  if (q.IsEmpty()) {
    q.Close();
    ShowMessage(QStringLiteral("Pavadzīmes ievadīti nepareizi!"));
    return;
  }
  QStringList lines;
  for (q.First(); !q.Eof(); q.Next()) lines << InvoiceLine(q);
  q.Close();

  if (!ChooseFile(QStringLiteral("WHInv_"))) return;
  const QString mark = Format(QStringLiteral("update Waybill set ISEXPORTED=1, EXPORTBY=%d, EXPORTDATE=%s where ID in (%s)"),
                              {int(CurrentUser.ID), DateTimeToSQL(Clock::Now()), ids});
  if (WriteExport(lines, {mark}, kInvoicesFailed))
    ShowMessage(QStringLiteral("Invoices were successfully exported!"));
}

void TSCALAExpForm::WriteOffExport() {
  const QDate start = DT1->date();
  const QDate end = DT2->date();
  if (MessageDlg(Format(QStringLiteral("Exportēt materiālu norakstīšanu uz periodu: %s - %s?"),
                        {DateToStr(start), DateToStr(end)}) +
                     kSureSuffix,
                 TMsgDlgType::mtConfirmation, mbYes | mbNo, this) != mrYes)
    return;
  QStringList lines;
  double total = 0;
  const QString s = FormatDateTime(kSqlDate, start);
  const QString e = FormatDateTime(kSqlDate, end);
  BuildWriteOffLines(s, e, lines, total);
  if (lines.isEmpty()) {
    ShowMessage(kNoData);
    return;
  }
  if (!ChooseFile(QStringLiteral("WHWoff_"))) return;
  const QString log =
      Format(QStringLiteral("insert into WriteOffLog (STARTDATE,ENDDATE,INSUM,WRITTEN,WRITTENBY) values (%s,%s,%g,%s,%d)"),
             {QuoteSQL(s), QuoteSQL(e), total, DateTimeToSQL(Clock::Now()), int(CurrentUser.ID)});
  if (WriteExport(lines, {log}, kWriteOffFailed))
    ShowMessage(QStringLiteral("Materials write off was successfully exported!"));
}

void TSCALAExpForm::ArchExportClick() {
  m_exportList.clear();
  const QList<int> selected = SelectedRecords(DB2);
  if (selected.isEmpty()) {
    ShowMessage(kSelectRows);
    return;
  }
  if (MessageDlg(QStringLiteral("Exportēt izvēlēto materiālu norakstīšanu?") + kSureSuffix,
                 TMsgDlgType::mtConfirmation, mbYes | mbNo, this) != mrYes)
    return;
  double unused = 0;
  for (const int record : selected) {
    Q2.SetRecNo(record + 1);
    BuildWriteOffLines(SqlDateText(Q2, "STARTDATE"), SqlDateText(Q2, "ENDDATE"), m_exportList,
                       unused);
  }
  if (m_exportList.isEmpty()) {
    ShowMessage(kNoData);
    return;
  }
  if (!ChooseFile(QStringLiteral("WHWoff_archive_"))) return;
  if (WriteExport(m_exportList, {}, kArchiveFailed))
    ShowMessage(QStringLiteral("Materials write off archive was successfully exported!"));
}

void TSCALAExpForm::BuildWriteOffLines(const QString &start, const QString &end,
                                       QStringList &lines, double &total) {
  TQuery &q = DATA->Qtmp;
  if (q.Active()) q.Close();
  const QString s = QuoteSQL(start);
  const QString e = QuoteSQL(end);
  q.SQL = QStringList{
      QStringLiteral("select ") + s + QStringLiteral(" as StartDate, ") + e + QStringLiteral(" as EndDate,"),
      QStringLiteral("         concat(\"2\",ma.ACODE) as InAccount, sum(wc.QUANTITY*wc.PRICE*w.CURRENCYRATE) as InSum,"),
      QStringLiteral("         concat(\"7\",ma.ACODE) as OutAccount, sum(wc.QUANTITY*wc.PRICE*w.CURRENCYRATE) as OutSum"),
      QStringLiteral("from Waybill w"),
      QStringLiteral("left join WaybillCont wc on wc.WAYBILLID=w.ID"),
      QStringLiteral("left join Catalog c on c.ID=wc.CATID"),
      QStringLiteral("left join SCALA_MaterAccounts ma on FIND_IN_SET(c.CATGROUP, ma.CATGROUPS)>0"),
      QStringLiteral("where w.BDATE between ") + s + QStringLiteral(" and ") + e,
      QStringLiteral("group by ma.ACODE"),
      QStringLiteral("order by ma.ACODE")}
              .join(QLatin1Char('\n'));
  q.Open();
  for (q.First(); !q.Eof(); q.Next()) {
    lines << WriteOffLine(start, end, q);
    total += Float(q, "InSum");
  }
  q.Close();
}
