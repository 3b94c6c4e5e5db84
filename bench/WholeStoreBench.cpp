// Work over the whole store on the demo data set at the sizes of a large workshop (scale 144:
// 50,112 materials) and of ten times one (scale 1000: 348,000 materials), and on the latter
// with a history grown to 1,000,000 documents: whole-store reports laid out and written to PDF,
// the main window opening on every group and switching between its modes, start-up, the issue
// editor's open lots, the journals and the save of an issue. Each figure of a window is the
// time until the window has painted.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTableView>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "catalogue/DivazUnit.h"
#include "catalogue/StorageModel.h"
#include "core/CommonFunctions.h"
#include "core/CommonVariables.h"
#include "core/DataUnit.h"
#include "core/DocNumbers.h"
#include "core/IssuePosting.h"
#include "core/Startup.h"
#include "documents/DivazOutUnit.h"
#include "documents/WBInUnit.h"
#include "documents/WBInventoryUnit.h"
#include "documents/WBOutUnit.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "platform/SysUtils.h"
#include "platform/report/ReportModel.h"
#include "platform/report/ReportPreview.h"
#include "reports/rep_MaterialsFullUnit.h"
#include "reports/rep_RemainsUnit.h"
#include "StoreBench.h"

namespace {

// Runs a user action on the main window; prints and returns the milliseconds until the grid
// has its rows and has painted them.
double Switch(const char *what, TDivazForm &form, const std::function<void()> &action) {
  QElapsedTimer t;
  t.start();
  action();
  form.DBGrid1->viewport()->repaint();
  QApplication::processEvents();
  const double ms = Ms(t);
  std::printf("main window, %s: %.0f ms (%d rows)\n", what, ms, form.Model->rowCount());
  std::fflush(stdout);
  return ms;
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

// The processor time this process has used, user and system, in milliseconds.
double ProcessCpuMs() {
  struct rusage r {};
  getrusage(RUSAGE_SELF, &r);
  return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1e3 + (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e3;
}

// One server status counter of the benchmark's server.
qint64 ServerStatus(const QString &name) {
  TQuery q;
  q.SQL = QStringLiteral("show global status like '%1'").arg(name);
  q.Open();
  return q.IsEmpty() ? -1 : q.Fields(1).Value().toLongLong();
}

class WholeStoreBench : public StoreBench {
 protected:
  // Grows the history to the given number of documents, set-based: pairs of a receipt and
  // the issue that took all of it (five lines each, over the stock rows of the store, with
  // their links), dated in the years before the demo's first document. The stock rows, the
  // open lots and every sum stay as they were.
  void PadToDocuments(int target) {
    QElapsedTimer t;
    t.start();
    const int docs = SQLInt("select count(*) from Waybill");
    const int pairs = (target - docs) / 2;
    if (pairs <= 0) return;
    const int lastDoc = SQLInt("select max(ID) from Waybill");
    const int lastLine = SQLInt("select max(ID) from WaybillCont");
    const int stockRows = SQLInt("select count(*) from CatalogQty");
    const int suppliers = std::max(1, SQLInt("select count(*) from Suppliers"));
    const int firstSupplier = std::max(0, SQLInt("select min(ID) from Suppliers"));
    const QString first = SQLDate("select min(BDATE) from Waybill").toString(QStringLiteral("yyyy-MM-dd"));
    // pair k (1 ..): receipt lastDoc + 2k - 1 and issue lastDoc + 2k, about 65 pairs a day;
    // line j (0 .. 4) of each: receipt line lastLine + 10(k - 1) + j + 1, issue line 5 above it
    const QString pairSeq = QStringLiteral("(select seq as k from seq_1_to_%1) a").arg(pairs);
    const QString date = QStringLiteral("date '%1' - interval ((%2 - k) div 65 + 1) day").arg(first).arg(pairs);
    Db->Exec(QStringLiteral("create temporary table PadStock (N int not null primary key, CATID int not null, "
                            "COLOR int not null) select row_number() over (order by ID) - 1 as N, CATID, COLOR "
                            "from CatalogQty"));
    Db->Exec(QStringLiteral(
                 "insert into Waybill (ID, BDATE, NUM, ISOUT, SUPPLIERID, ISPAID, SUM, CURRENCY, CURRENCYRATE, "
                 "USERID, LASTUPDATE) select %1 + 2*k - 1 + i, %2, if(i=0, concat('H', lpad(k, 7, '0')), "
                 "concat('1', lpad(%1 + 2*k, 9, '0'))), i, %3 + k mod %4, 1, 15 * ((k mod 40 + 1) * 0.25), "
                 "if(i=0, 0, null), if(i=0, 1, null), 1, %2 from %5 join (select seq as i from seq_0_to_1) b "
                 "order by 1")
                 .arg(lastDoc).arg(date).arg(firstSupplier).arg(suppliers).arg(pairSeq));
    Db->Exec(QStringLiteral(
                 "insert into WaybillCont (ID, WAYBILLID, CATID, COLOR, QUANTITY, PRICE, QTYOUT) "
                 "select %1 + (k-1)*10 + i*5 + j + 1, %2 + 2*k - 1 + i, p.CATID, p.COLOR, j + 1, "
                 "(k mod 40 + 1) * 0.25, if(i=0, j + 1, null) from %3 join (select seq as i from seq_0_to_1) b "
                 "join (select seq as j from seq_0_to_4) c join PadStock p on p.N = ((k-1)*5 + j) * 7919 mod %4 "
                 "order by 1")
                 .arg(lastLine).arg(lastDoc).arg(pairSeq).arg(stockRows));
    Db->Exec(QStringLiteral(
                 "insert into WBList (INWBID, OUTWBID, OUTWBCONTID, INWBCONTID) select %1 + 2*k - 1, %1 + 2*k, "
                 "%2 + (k-1)*10 + 5 + j + 1, %2 + (k-1)*10 + j + 1 from %3 join (select seq as j from seq_0_to_4) c "
                 "order by 3")
                 .arg(lastDoc).arg(lastLine).arg(pairSeq));
    // an odd remainder: a request without lines
    if (docs + 2 * pairs < target)
      Db->Exec(QStringLiteral("insert into Waybill (BDATE, NUM, ISOUT, SUPPLIERID, USERID, LASTUPDATE) "
                              "values ('%1', 'H-REQ', 2, %2, 1, '%1')").arg(first).arg(firstSupplier));
    Db->Exec(QStringLiteral("drop temporary table PadStock"));
    Db->Exec(QStringLiteral("analyze table Waybill, WaybillCont, WBList"));
    std::printf("history grown to %d documents, %d lines, %d links (in %.0f s)\n", SQLInt("select count(*) from Waybill"),
                SQLInt("select count(*) from WaybillCont"), SQLInt("select count(*) from WBList"), Ms(t) / 1000);
    std::fflush(stdout);
  }
  // Lays the report out and writes its PDF; prints the figures.
  void ReportToPdf(const char *what, TQuickRep &report, double queried, const QString &lineItem) {
    QElapsedTimer t;
    t.start();
    const TReportModel &model = report.Prepare();
    const double laidOut = Ms(t);
    const QString file = m_folder.filePath(QStringLiteral("bench.pdf"));
    QString error;
    ASSERT_TRUE(WriteReportPdf(model, file, &error)) << error.toStdString();
    const double total = Ms(t) + queried;
    int lines = 0;
    for (const TReportPage &page : model.Pages) lines += int(page.FindAll(lineItem).size());
    std::printf("%s: %d lines, %d pages: query %.0f ms, lay-out %.0f ms, PDF %.0f ms, total %.0f ms "
                "(%.0f us per line)\n",
                what, lines, model.PageCount(), queried, laidOut, total - laidOut - queried, total,
                lines ? total * 1000 / lines : 0.0);
    std::fflush(stdout);
  }
};

TEST_F(WholeStoreBench, LargeWorkshop) {
  Load(144);
  StartUp();
  {
    QElapsedTimer t;
    t.start();
    TPrintRemains report(nullptr, 0, QString());
    ReportToPdf("stock list, whole store, to PDF", report, Ms(t), QStringLiteral("QRDBText2"));
  }
  {
    // As the menu runs it: prepared under the progress dialog (shown after half a second),
    // then handed to the preview.
    int pages = 0;
    const TPreviewHandler old = SetPreviewHandler([&](TQuickRep &r) { pages = r.Model().PageCount(); });
    QElapsedTimer t;
    t.start();
    TPrintRemains report(nullptr, 0, QString());
    report.Preview();
    std::printf("stock list, whole store, prepared for the preview under the progress dialog: %.0f ms (%d pages)\n",
                Ms(t), pages);
    SetPreviewHandler(old);
  }
  {
    QElapsedTimer t;
    t.start();
    TPrintMeterialsFull report(nullptr, false, QString(), QString());
    ReportToPdf("movements report, all dates, to PDF", report, Ms(t), QStringLiteral("QRDBText2"));
  }
  {
    QElapsedTimer t;
    t.start();
    TDivazForm form;
    ShowAndPaint(form);
    std::printf("main window opening on all groups: %.0f ms (%d rows)\n", Ms(t), form.Model->rowCount());
  }
}

TEST_F(WholeStoreBench, TenTimesALargeWorkshop) {
  Load(1000);
  {
    QElapsedTimer t;
    t.start();
    StartUp();
    const double lists = Ms(t);
    TDivazForm form;
    ShowAndPaint(form);
    std::printf("start-up to the main window: %.0f ms (lists %.0f ms, window %.0f ms, %d rows)\n", Ms(t),
                lists, Ms(t) - lists, form.Model->rowCount());
    // A storekeeper's switches over the whole store.
    double worst = 0;
    worst = std::max(worst, Switch("to stock mode, all groups", form, [&] { form.SpeedButton1->click(); }));
    worst = std::max(worst, Switch("stock mode, critical only", form, [&] { form.SpeedButton2->click(); }));
    worst = std::max(worst, Switch("stock mode, critical off", form, [&] { form.SpeedButton2->click(); }));
    worst = std::max(worst, Switch("stock mode, empty search", form, [&] {
      form.Edit1->clear();
      form.FindBtn->click();
    }));
    worst = std::max(worst, Switch("back to catalogue mode", form, [&] { form.SpeedButton1->click(); }));
    EXPECT_LT(worst, 300.0);
  }
  {
    QElapsedTimer t;
    t.start();
    std::unique_ptr<TDivazOut> editor(TDivazOut::CreateDoc(nullptr, -1, 1));
    ShowAndPaint(*editor);
    std::printf("issue editor opening: %.0f ms (%d open lots)\n", Ms(t), editor->QSource.RecordCount());
  }
  {
    QElapsedTimer t;
    t.start();
    TWBIn journal(nullptr);
    ShowAndPaint(journal);
    std::printf("receipt journal opening, all dates: %.0f ms (%d documents)\n", Ms(t),
                journal.WBInSource.RecordCount());
  }
  {
    QElapsedTimer t;
    t.start();
    TWBOut journal(nullptr);
    ShowAndPaint(journal);
    std::printf("issue journal opening, all dates: %.0f ms (%d documents)\n", Ms(t),
                journal.WBOutSource.RecordCount());
  }
  {
    QElapsedTimer t;
    t.start();
    TWBInventory journal(nullptr);
    ShowAndPaint(journal);
    std::printf("count journal opening, all dates: %.0f ms (%d documents)\n", Ms(t),
                journal.WBInventorySource.RecordCount());
  }
}

// The store's history grown to 1,000,000 documents: the issue editor opening on the open lots,
// and the save of an issue of 20 lines (20 materials, one lot each), with what each of its
// statements costs on the server.
TEST_F(WholeStoreBench, AMillionDocuments) {
  Load(1000);
  PadToDocuments(1000000);
  StartUp();
  {
    QElapsedTimer t;
    t.start();
    std::unique_ptr<TDivazOut> editor(TDivazOut::CreateDoc(nullptr, -1, 1));
    ShowAndPaint(*editor);
    const double ms = Ms(t);
    std::printf("issue editor opening: %.0f ms (%d open lots)\n", ms, editor->QSource.RecordCount());
    EXPECT_LT(ms, 300.0);
  }
  // 20 lots of 20 materials of one supplier (one document), spread over the store, each
  // holding at least 1
  std::vector<issuedoc::TOutLine> lines;
  {
    TQuery q;
    q.SQL = Format(QStringLiteral("select w.CATID, w.COLOR, w.ID, c.SUPPLIER, w.WAYBILLID, w.PRICE from WaybillCont w "
                                  "join Waybill w1 on w1.ID=w.WAYBILLID join Catalog c on c.ID=w.CATID "
                                  "where w1.ISOUT=%d and w.QUANTITY-w.QTYOUT>=1 and w.ID %% 97 = 0 and c.SUPPLIER="
                                  "(select SUPPLIER from Catalog group by SUPPLIER order by count(*) desc limit 1) "
                                  "order by w.ID"),
                   {DocKindReceipt});
    q.Open();
    std::vector<int> materials;
    for (const auto &r : q.Rows()) {
      if (lines.size() == 20) break;
      const int catId = r[0].toInt();
      if (std::find(materials.begin(), materials.end(), catId) != materials.end()) continue;
      materials.push_back(catId);
      lines.push_back({catId, r[1].toInt(), r[2].toInt(), r[3].toInt(), r[4].toInt(), 1.0, r[5].toDouble()});
    }
  }
  ASSERT_EQ(lines.size(), 20u);
  const int receiptLines = SQLInt(Format(
      QStringLiteral("select count(*) from WaybillCont w join Waybill w1 on w1.ID=w.WAYBILLID where w1.ISOUT=%d "
                     "and w.CATID in (%s)"),
      {DocKindReceipt, [&] {
         QStringList ids;
         for (const auto &l : lines) ids << QString::number(l.CatID);
         return ids.join(QLatin1Char(','));
       }()}));
  Clock::SetFixed(QDateTime(QDate::currentDate(), QTime(9, 0)));
  const auto save = [&](int run) {
    const issuedoc::TOutHeader header{FormatServerDate(QDate::currentDate()), QStringLiteral("BENCH-%1").arg(run),
                                      QString(), QString(), 0};
    QElapsedTimer t;
    t.start();
    const QString num = issuedoc::SaveOutgoing(DocKindIssue, header, lines);
    const double ms = Ms(t);
    // undone at once, so that every run takes from the same lots
    RunInTransaction([&] {
      TQuery docs;
      docs.SQL = QStringLiteral("select ID from Waybill where NUM=%1 or NUM like %2")
                     .arg(QuoteSQL(header.Num), QuoteSQL(header.Num + QStringLiteral("-%")));
      docs.Open();
      for (const auto &r : docs.Rows()) issuedoc::UndoIssue(r[0].toInt());
    });
    (void)num;
    return ms;
  };
  const int runs = 30;
  const qint64 reads0 = ServerStatus(QStringLiteral("Innodb_buffer_pool_reads"));
  std::vector<double> ms;
  const qint64 s0 = DATA->DB_Storage.StatementCount;
  save(0);
  const qint64 statements = DATA->DB_Storage.StatementCount - s0;
  for (int run = 1; run <= runs; ++run) ms.push_back(save(run));
  const qint64 reads = ServerStatus(QStringLiteral("Innodb_buffer_pool_reads")) - reads0;
  std::sort(ms.begin(), ms.end());
  std::printf("issue save, 20 lines of 20 materials (%d receipt lines of them in the store), %d runs: median %.2f ms, "
              "best %.2f ms, worst %.2f ms; %lld statements with its undo; %lld pages read from disk by all runs "
              "(buffer pool %lld MB)\n",
              receiptLines, runs, Median(ms), ms.front(), ms.back(), static_cast<long long>(statements),
              static_cast<long long>(reads),
              static_cast<long long>(SQLFloat("select @@innodb_buffer_pool_size") / 1048576));
  // What each statement of the save takes as the program sees it, from its start to the start
  // of the next (the server's answer, the way there and back, and the program's own work in
  // between), the median of 15 runs; and the processor time of the program itself.
  std::vector<std::vector<double>> perStatement;
  QStringList texts;
  std::vector<double> cpuMs;
  for (int run = 0; run < 15; ++run) {
    const issuedoc::TOutHeader header{FormatServerDate(QDate::currentDate()), QStringLiteral("PROF-%1").arg(run),
                                      QString(), QString(), 0};
    QElapsedTimer t;
    std::vector<qint64> at;
    QStringList sent;
    DATA->DB_Storage.OnStatement = [&](const QString &sql) {
      at.push_back(t.nsecsElapsed());
      sent << sql;
    };
    const double cpu0 = ProcessCpuMs();
    t.start();
    issuedoc::SaveOutgoing(DocKindIssue, header, lines);
    at.push_back(t.nsecsElapsed());
    cpuMs.push_back(ProcessCpuMs() - cpu0);
    DATA->DB_Storage.OnStatement = nullptr;
    for (int i = 0; i + 1 < int(at.size()); ++i) {
      if (int(perStatement.size()) <= i) perStatement.emplace_back();
      perStatement[i].push_back((at[i + 1] - at[i]) / 1e6);
    }
    texts = sent;
    RunInTransaction([&] {
      TQuery docs;
      docs.SQL = QStringLiteral("select ID from Waybill where NUM=%1 or NUM like %2")
                     .arg(QuoteSQL(header.Num), QuoteSQL(header.Num + QStringLiteral("-%")));
      docs.Open();
      for (const auto &r : docs.Rows()) issuedoc::UndoIssue(r[0].toInt());
    });
  }
  double total = 0;
  for (size_t i = 0; i < perStatement.size() && int(i) < texts.size(); ++i) {
    const double m = Median(perStatement[i]);
    total += m;
    std::printf("  %6.3f ms  %s\n", m, texts[int(i)].simplified().left(150).toUtf8().constData());
  }
  std::printf("  %6.3f ms  in all, of which the program's own processor time %.3f ms (mostly sending and "
              "receiving)\n",
              total, Median(cpuMs));
  // For comparison: the lots of the lines alone, locked by their IDs.
  {
    QStringList lots;
    for (const auto &l : lines) lots << QString::number(l.LotID);
    std::vector<double> lockMs;
    for (int run = 0; run < 15; ++run) {
      ExecSQL(QStringLiteral("start transaction"));
      QElapsedTimer t;
      t.start();
      TQuery q;
      q.SQL = Format(QStringLiteral("select w.ID, w.WAYBILLID, w.CATID, w.COLOR, w.QUANTITY, w.QTYOUT, w.PRICE "
                                    "from WaybillCont w join Waybill w1 on w1.ID=w.WAYBILLID "
                                    "where w1.ISOUT=%d and w.ID in (%s) order by w1.BDATE, w.ID for update"),
                     {DocKindReceipt, lots.join(QLatin1Char(','))});
      q.Open();
      lockMs.push_back(Ms(t));
      ExecSQL(QStringLiteral("rollback"));
    }
    std::printf("  (the %d lots of the lines alone locked by their IDs: %.3f ms)\n", int(lots.size()), Median(lockMs));
  }
  std::fflush(stdout);
  EXPECT_LT(Median(ms), 5.0);
}

}  // namespace
