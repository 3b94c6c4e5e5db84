// Saving an issue of 20 materials that takes from 40 lots (two per material, so 40 lines and
// 40 links): one commit and under 5 ms for the save transaction on a local server.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>

#include "core/CommonFunctions.h"
#include "core/DataLists.h"
#include "platform/SysUtils.h"
#include "core/DataUnit.h"
#include "core/DocNumbers.h"
#include "documents/DivazOutUnit.h"
#include "platform/CalcEdit.h"
#include "platform/Clock.h"
#include "platform/Grids.h"
#include "support/Fixtures.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

using namespace issuedoc;

namespace {

class IssueBench : public DbTest {};

TEST_F(IssueBench, TwentyMaterialsOverFortyLots) {
  Clock::SetFixed(QDateTime(QDate(2024, 3, 10), QTime(9, 0)));
  const int sup = fx::Supplier("Timber Ltd");
  const int older = fx::Receipt(QDate(2024, 1, 5), "R-1", sup);
  const int newer = fx::Receipt(QDate(2024, 2, 5), "R-2", sup);
  QStringList names;
  for (int i = 0; i < 20; ++i) {
    const QString name = QStringLiteral("Material %1").arg(i, 2, 10, QLatin1Char('0'));
    const int m = fx::Material(name, sup);
    fx::Lot(older, m, -1, 1.25, 2.0);
    fx::Lot(newer, m, -1, 100, 3.0);
    names << name;
  }
  const int runs = 30;
  std::vector<double> saveMs, clickMs;
  qint64 statements = 0, commits = 0;
  for (int run = 0; run < runs; ++run) {
    TDivazOut ed(nullptr, -1, 1);
    ed.show();
    QCoreApplication::processEvents();
    ed.Edit1->setText(QStringLiteral("B-%1").arg(run));
    ed.BitBtn2->click();
    for (const QString &n : names) {
      for (int r = 0; r < ed.DBGrid1->rowCount(); ++r)
        if (ed.DBGrid1->item(r, 0)->text() == n) ed.DBGrid1->setCurrentCell(r, 0);
      ed.Qty->setText(QStringLiteral("2"));
      ed.AddBtn->click();
    }
    ASSERT_EQ(ed.CntGrd->RowCount() - 1, 40);
    // The save's own transaction, as the save button runs it on these rows: the number lock
    // and check, the lots locked and checked, the documents posted.
    std::vector<TOutLine> lines;
    for (int r = 1; r < ed.CntGrd->RowCount(); ++r) {
      auto *o = ed.CntGrd->ObjectAs<TAddObj>(0, r);
      lines.push_back({o->N2, o->N3, o->N4, o->N5, o->N6, ed.LineQuantity(r),
                       StrToFloatDef(ed.CntGrd->Cells(3, r), 0)});
    }
    const TOutHeader header{FormatServerDate(QDate(2024, 3, 10)), QStringLiteral("T-%1").arg(run),
                            QString(), QString(), 0};
    const qint64 s0 = DATA->DB_Storage.StatementCount, c0 = DATA->DB_Storage.CommitCount;
    QElapsedTimer t;
    t.start();
    const QString num = SaveOutgoing(DocKindIssue, header, lines);
    saveMs.push_back(t.nsecsElapsed() / 1e6);
    statements = DATA->DB_Storage.StatementCount - s0;
    commits = DATA->DB_Storage.CommitCount - c0;
    EXPECT_EQ(commits, 1);
    int id = SQLInt(QStringLiteral("select ID from Waybill where NUM=%1").arg(QuoteSQL(num)));
    RunInTransaction([&] { ASSERT_TRUE(UndoIssue(id)); });

    // The whole button press: number check, the same transaction, the window closing.
    t.restart();
    ed.SaveWB->click();
    clickMs.push_back(t.nsecsElapsed() / 1e6);
    ASSERT_EQ(ed.ModalResult(), mrOk) << Script().LastMessage().toStdString();
    id = SQLInt(QStringLiteral("select ID from Waybill where NUM=\"B-%1\"").arg(run));
    RunInTransaction([&] { ASSERT_TRUE(UndoIssue(id)); });
  }
  std::sort(saveMs.begin(), saveMs.end());
  std::sort(clickMs.begin(), clickMs.end());
  const double median = saveMs[saveMs.size() / 2];
  std::printf("issue save, 20 materials over 40 lots (40 lines, 40 links), %d runs:\n"
              "  save transaction: median %.2f ms, best %.2f ms, worst %.2f ms; %lld statements "
              "(begin and commit included), %lld commit\n"
              "  whole button press incl. closing the window: median %.2f ms\n",
              runs, median, saveMs.front(), saveMs.back(), static_cast<long long>(statements),
              static_cast<long long>(commits), clickMs[clickMs.size() / 2]);
  EXPECT_LT(median, 5.0);
}

}  // namespace
