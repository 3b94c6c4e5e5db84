// Saving a receipt of 50 lines through the editor: one commit, and well within a blink.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QPushButton>
#include <algorithm>
#include <cstdio>

#include "core/DataLists.h"
#include "core/DataUnit.h"
#include "core/IDComboBox.h"
#include "core/Startup.h"
#include "documents/DivazInUnit.h"
#include "platform/CalcEdit.h"
#include "support/Fixtures.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"

namespace {

class ReceiptBench : public DbTest {};

TEST_F(ReceiptBench, SaveFiftyLineReceipt) {
  constexpr int kLines = 50;
  constexpr int kRuns = 7;
  Db->Exec("insert into Currencies (ID, NAME, RATE) values (0, \"EUR\", 1), (1, \"USD\", 0.8)");
  Db->Exec("insert into DiscountGroups (ID, NAME, DVALUE) values (0, \"none\", 0)");
  Db->Exec("insert into Measures (ID, NAME) values (1, \"шт\")");
  const int supplier = fx::Supplier("Timber");
  QVector<int> materials;
  for (int i = 0; i < kLines; ++i) materials << fx::Material(QStringLiteral("Beam %1").arg(i), supplier, 0, 0, 0, 0, 2.5);
  // half of the materials have a stock row already; the other half get one from the save
  const int older = fx::Receipt(QDate(2024, 1, 2), "R-0", supplier);
  for (int i = 0; i < kLines; i += 2) fx::Lot(older, materials[i], -1, 1, 2);
  StartupLoadLists();

  QVector<double> ms;
  for (int run = 0; run < kRuns; ++run) {
    TDivazIn editor(nullptr, -1, 0);
    qint64 statements = 0, commits = 0;
    double elapsed = 0;
    Script().OnModal("DivazIn", [&](QDialog *) {
      editor.IDcb_Supplier->SetValue(supplier);
      editor.IDcb_Currency->SetValue(1);
      editor.Valuta->setText("0.8");
      editor.Edit1->setText(QStringLiteral("R-%1").arg(run + 1));
      editor.BitBtn2->click();
      for (int i = 0; i < kLines; ++i)
        editor.AddRow(0, materials[i], -1, -1, QStringLiteral("Beam %1").arg(i), 1 + i % 7, 3.125, true);
      TConnection &c = DATA->DB_Storage;
      const qint64 s0 = c.StatementCount, c0 = c.CommitCount;
      QElapsedTimer t;
      t.start();
      editor.SaveWB->click();
      elapsed = t.nsecsElapsed() / 1e6;
      statements = c.StatementCount - s0;
      commits = c.CommitCount - c0;
      return mrNone;
    });
    ASSERT_EQ(editor.ShowModal(), mrOk);
    EXPECT_EQ(commits, 1);
    ms << elapsed;
    std::printf("run %d: %.2f ms, %lld statements, %lld commit(s)\n", run + 1, elapsed,
                static_cast<long long>(statements), static_cast<long long>(commits));
  }
  EXPECT_EQ(fx::Count("WaybillCont"), kLines * (kRuns + 1) - kLines / 2);
  std::sort(ms.begin(), ms.end());
  const double median = ms[ms.size() / 2];
  std::printf("saving a %d-line receipt (click to closed window): median %.2f ms, best %.2f ms, worst %.2f ms\n", kLines, median,
              ms.front(), ms.back());
  EXPECT_LT(median, 10.0);
}

}  // namespace
