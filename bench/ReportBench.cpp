// A report of 10,000 material lines: lay-out and PDF output must stay under 3 s.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>

#include "core/DataUnit.h"
#include "platform/SysUtils.h"
#include "platform/report/ReportModel.h"
#include "reports/rep_OrdMaterialsUnit.h"
#include "support/TestDatabase.h"

namespace {

class ReportBench : public DbTest {};

TEST_F(ReportBench, TenThousandLinesLayOutAndWriteAPdf) {
  CheckLedger = false;  // one synthetic document, no lots
  ExecSQL("insert into Measures (NAME) values (\"gab.\")");
  ExecSQL("insert into Suppliers (NAME, FADDRESS, PHONES) values (\"SIA Kokmateriāli\", "
          "\"Rīga\", \"+371 67000000\")");
  QStringList values;
  for (int i = 1; i <= 100; ++i)
    values << Format("(\"Līste %d – Профиль\", \"priede\", 1, 1)", {i});
  ExecSQL("insert into Catalog (NAME, COMMENTS, SUPPLIER, MEASURE) values " + values.join(','));
  ExecSQL("insert into Waybill (BDATE, NUM, ORDLINK, ISOUT, SUPPLIERID, USERID) values "
          "(\"2024-03-01\", \"P-1\", \"Z-1\", 0, 1, 1)");
  const int doc = int(LastInsertID());
  for (int chunk = 0; chunk < 10; ++chunk) {
    values.clear();
    for (int i = 0; i < 1000; ++i)
      values << Format("(%d, %d, -1, %10.6f, %10.6f, 0)",
                       {doc, 1 + (chunk * 1000 + i) % 100, 1.0 + i % 7, 0.25 * (1 + i % 40)});
    ExecSQL("insert into WaybillCont (WAYBILLID, CATID, COLOR, QUANTITY, PRICE, QTYOUT) values " +
            values.join(','));
  }

  QTemporaryDir dir;
  const QString file = dir.filePath("bench.pdf");
  QElapsedTimer timer;
  timer.start();
  TOrdMaterialsReport report(nullptr, 1, doc, "Z-1", 0);
  const qint64 queried = timer.elapsed();
  const TReportModel &model = report.Prepare();
  const qint64 laidOut = timer.elapsed();
  QString error;
  ASSERT_TRUE(WriteReportPdf(model, file, &error)) << error.toStdString();
  const qint64 total = timer.elapsed();

  int lines = 0;
  for (const TReportPage &page : model.Pages) lines += int(page.FindAll("NameLabel").size());
  EXPECT_EQ(lines, 10000);
  std::printf("report of %d lines, %d pages: query %lld ms, lay-out %lld ms, PDF %lld ms, "
              "total %lld ms (%lld KB)\n",
              lines, model.PageCount(), queried, laidOut - queried, total - laidOut, total,
              QFileInfo(file).size() / 1024);
  EXPECT_LT(total, 3000);
}

}  // namespace
