#include "ReportFixture.h"

#include <QProcess>
#include <QTemporaryDir>
#include <ostream>

#include "core/ColorList.h"
#include "core/DataLists.h"
#include "core/DataUnit.h"
#include "core/SetupObject.h"
#include "platform/Clock.h"
#include "platform/SysUtils.h"
#include "platform/report/QuickRpt.h"

void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }

void ReportTest::SetUp() {
  DbTest::SetUp();
  // Reports only read; the documents written here carry no lots or links.
  CheckLedger = false;
  Clock::SetFixed(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
  m_oldHandler = SetPreviewHandler([this](TQuickRep &report) { Previews.push_back(report.Model()); });
  LoadColors();
  LoadSuppliers();
}

void ReportTest::TearDown() {
  SetPreviewHandler(m_oldHandler);
  FreeColors();
  delete SupplierList;
  SupplierList = nullptr;
  DbTest::TearDown();
}

void ReportTest::LoadColors() {
  const QStringList rows = {
      R"(("0", "Sistēmas", 0, ""))",          R"(("00", "Koka sistēma", 0, ""))",
      R"(("000", "Grupas", 0, ""))",          R"(("0000", "Pamatgrupa", 0, ""))",
      R"(("00000", "Krāsas", 0, "K"))",       R"(("000000", "Balts", 0, "RAL9016"))",
      R"(("000001", "Ozols", 0, "OZ"))",      R"(("000002", "Орех", 0, "OR"))",
      R"(("00001", "Lazūra", 0, "L"))",       R"(("000010", "Tīkkoks", 0, "TK"))"};
  for (const QString &r : rows)
    Db->ExecSetup("insert into Setup (NODEID, CAPTION, BDATA, SDATA) values " + r);
  DATA->Setup->Clear();
  DATA->Setup->SetupQuery = {
      QStringLiteral("select * from `%1`.Setup where NODEID like \"0%\" order by NODEID").arg(Db->Setup)};
  DATA->Setup->Load();
  DATA->Qtmp.Close();
  FreeColors();
  Colors = new TColorList(DATA->Setup.get());
}

void ReportTest::LoadSuppliers() {
  if (!SupplierList) SupplierList = new TIDObj;
  SupplierList->LoadFromSQL(QStringLiteral("select ID, NAME from Suppliers order by NAME"));
}

int ReportTest::Doc(int kind, const QDate &date, const QString &num, const QString &ordLink,
                    int supplier, const QVector<Line> &lines, const QDateTime &lastUpdate) {
  double sum = 0;
  for (const Line &l : lines) sum += l.Qty * l.Price;
  ExecSQL(Format("insert into Waybill (BDATE, NUM, ORDLINK, ISOUT, SUPPLIERID, SUM, USERID, "
                 "LASTUPDATE) values (\"%s\", %s, %s, %d, %d, %10.6f, 1, %s)",
                 {date.toString("yyyy-MM-dd"), QuoteSQL(num),
                  ordLink.isNull() ? QStringLiteral("NULL") : QuoteSQL(ordLink), kind, supplier,
                  sum, DateTimeToSQL(lastUpdate.isValid() ? lastUpdate : QDateTime(date, QTime(9, 0)))}));
  const int id = int(LastInsertID());
  for (const Line &l : lines)
    ExecSQL(Format("insert into WaybillCont (WAYBILLID, CATID, COLOR, QUANTITY, PRICE, QTYOUT) "
                   "values (%d, %d, %d, %10.6f, %10.6f, 0)",
                   {id, l.CatId, l.Color, l.Qty, l.Price}));
  return id;
}

int ReportTest::Supplier(const QString &name, const QString &address, const QString &phones) {
  ExecSQL(Format("insert into Suppliers (NAME, FADDRESS, PHONES) values (%s, %s, %s)",
                 {QuoteSQL(name), QuoteSQL(address), QuoteSQL(phones)}));
  const int id = int(LastInsertID());
  LoadSuppliers();
  return id;
}

int ReportTest::Measure(const QString &name) {
  ExecSQL("insert into Measures (NAME) values (" + QuoteSQL(name) + ")");
  return int(LastInsertID());
}

int ReportTest::Material(const QString &name, const QString &comments, int supplier, int measure,
                         int group, int systemId) {
  ExecSQL(Format("insert into Catalog (NAME, COMMENTS, SUPPLIER, MEASURE, CATGROUP, SYSTEMID, "
                 "ISCOLOR) values (%s, %s, %d, %d, %d, %d, 1)",
                 {QuoteSQL(name), comments.isNull() ? QStringLiteral("NULL") : QuoteSQL(comments),
                  supplier, measure, group, systemId}));
  return int(LastInsertID());
}

QString ReportTest::PdfText(const TReportModel &model) {
  QTemporaryDir dir;
  const QString file = dir.filePath("report.pdf");
  QString error;
  if (!WriteReportPdf(model, file, &error)) return "<" + error + ">";
  QProcess p;
  p.start("pdftotext", {"-layout", file, "-"});
  p.waitForFinished(30000);
  return QString::fromUtf8(p.readAllStandardOutput());
}

QStringList BodyTexts(const TReportModel &model) {
  QStringList out;
  for (const TReportPage &page : model.Pages)
    for (const TReportItem &item : page.Items)
      if (item.Kind == TReportItem::kText && item.Name != "QRSysData1" && item.Name != "QRSysData2")
        out << item.Text;
  return out;
}
