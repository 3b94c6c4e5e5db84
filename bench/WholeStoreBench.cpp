// Work over the whole store on the demo data set at the sizes of a large workshop (scale 144:
// 50,112 materials) and of ten times one (scale 1000: 348,000 materials): whole-store reports
// laid out and written to PDF, the main window opening on every group, start-up, the issue
// editor's open lots and the journals. Each figure is the time until the window has painted.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTableView>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

#include "catalogue/DivazUnit.h"
#include "catalogue/StorageModel.h"
#include "core/CommonVariables.h"
#include "core/DataUnit.h"
#include "core/Startup.h"
#include "documents/DivazOutUnit.h"
#include "documents/WBInUnit.h"
#include "documents/WBInventoryUnit.h"
#include "documents/WBOutUnit.h"
#include "platform/Registry.h"
#include "platform/report/ReportModel.h"
#include "platform/report/ReportPreview.h"
#include "reports/rep_MaterialsFullUnit.h"
#include "reports/rep_RemainsUnit.h"
#include "StoreBench.h"

namespace {

class WholeStoreBench : public StoreBench {
 protected:
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

}  // namespace
