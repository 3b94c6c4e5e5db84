// The lists of the receipt journal, the receipt editor's picker and the count editor show on
// the demo data set the rows, texts, figures and colours of their golden files, in the same
// order. Rows that the list's order leaves equal (documents of one date, the colours of one
// material, lots received on one date) may come in any order among themselves, so each run of
// such rows is compared sorted. WAREHOUSE_UPDATE_GOLDEN=1 rewrites the files from the
// current lists.
#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QBrush>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <functional>
#include <memory>

#include "core/IDComboBox.h"
#include "documents/DivazInPickerUnit.h"
#include "documents/DivazInUnit.h"
#include "documents/DivazInventoryUnit.h"
#include "documents/WBInUnit.h"
#include "platform/Clock.h"
#include "support/TestDatabase.h"

namespace {

QString GoldenFolder() { return QStringLiteral(WAREHOUSE_SOURCE_DIR "/tests/documents/golden"); }

// What a list shows, one line per row: the key of its place in the order, then each cell's
// text, a coloured text followed by its colour. Within a run of rows of one key the lines are
// sorted; an empty key function keeps every row in its place.
QStringList Shown(const QTableView *grid, const std::function<QString(int row)> &key = {}) {
  const QAbstractItemModel *m = grid->model();
  QStringList titles;
  for (int c = 0; c < m->columnCount(); ++c) titles << m->headerData(c, Qt::Horizontal).toString();
  QStringList out{QStringLiteral("titles: ") + titles.join(QStringLiteral(" | "))};
  QStringList run;
  QString runKey;
  auto flush = [&] {
    run.sort();
    out << run;
    run.clear();
  };
  for (int r = 0; r < m->rowCount(); ++r) {
    QStringList cells;
    for (int c = 0; c < m->columnCount(); ++c) {
      const QModelIndex i = m->index(r, c);
      QString text = m->data(i, Qt::DisplayRole).toString();
      const QVariant fg = m->data(i, Qt::ForegroundRole);
      if (fg.isValid()) text += QStringLiteral(" {") + fg.value<QBrush>().color().name() + QLatin1Char('}');
      cells << text;
    }
    const QString k = key ? key(r) : QString::number(r);
    if (k != runKey) flush();
    runKey = k;
    run << (key ? k + QStringLiteral(" ~ ") : QString()) + cells.join(QStringLiteral(" | "));
  }
  flush();
  return out;
}

class DemoLists : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    CheckLedger = false;  // lists only read
    Clock::SetFixed(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    Db->LoadDemo(1);
    const TStartupResult result = Db->StartProgram(m_folder.path(), "Demo");
    ASSERT_EQ(result.Outcome, TStartupOutcome::Ready) << result.Message.toStdString();
    m_started = true;
  }
  void TearDown() override {
    if (m_started) StartupFreeLists();
    DbTest::TearDown();
  }

  void Section(const QString &title, const QStringList &lines) {
    m_shown << QStringLiteral("== ") + title;
    m_shown << lines;
  }
  // Compares what the sections showed with the golden file.
  void Check(const QString &name) {
    QFile file(GoldenFolder() + QLatin1Char('/') + name + QStringLiteral(".txt"));
    if (qEnvironmentVariableIntValue("WAREHOUSE_UPDATE_GOLDEN") == 1) {
      QDir().mkpath(GoldenFolder());
      ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
      file.write(m_shown.join(QLatin1Char('\n')).toUtf8() + '\n');
      return;
    }
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
    QStringList golden = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    if (!golden.isEmpty() && golden.back().isEmpty()) golden.removeLast();
    const qsizetype n = std::min(golden.size(), m_shown.size());
    for (qsizetype i = 0; i < n; ++i)
      if (golden[i] != m_shown[i]) {
        ADD_FAILURE() << "line " << i + 1 << ": shown \"" << m_shown[i].toStdString() << "\", golden \""
                      << golden[i].toStdString() << "\"";
        break;
      }
    EXPECT_EQ(m_shown.size(), golden.size());
  }

  static void Activate(QComboBox *combo, int index) {
    combo->setCurrentIndex(index);
    emit combo->activated(index);
  }

 private:
  QTemporaryDir m_folder;
  bool m_started = false;
  QStringList m_shown;
};

TEST_F(DemoLists, ReceiptJournalShowsItsGoldenRows) {
  TWBIn journal(nullptr);
  journal.show();
  auto byDate = [&](int r) { return journal.DBGrid1->model()->index(r, 0).data().toString(); };
  Section("requests, at opening", Shown(journal.DBGrid1, byDate));
  journal.Chk1->click();
  Section("receipts and requests", Shown(journal.DBGrid1, byDate));
  journal.Chk2->click();
  Section("receipts", Shown(journal.DBGrid1, byDate));
  journal.Chk2->click();
  journal.cb2->setCurrentIndex(2);
  journal.FindTxt->setText(QStringLiteral("o"));
  journal.FindBtn->click();
  Section("supplier like o", Shown(journal.DBGrid1, byDate));
  journal.cb2->setCurrentIndex(0);
  journal.FindTxt->setText(QStringLiteral("1"));
  journal.FindBtn->click();
  Section("number like 1", Shown(journal.DBGrid1, byDate));
  Check(QStringLiteral("receipt_journal"));
}

TEST_F(DemoLists, ReceiptPickerShowsItsGoldenRows) {
  std::unique_ptr<TDivazIn> editor(TDivazIn::CreateDoc(nullptr, -1, 0));
  editor->show();
  Section("catalogue at opening: " + editor->IDcb_Supplier->currentText(), Shown(editor->DBGrid1));
  int largest = 0, most = -1;
  for (int s = 0; s < editor->IDcb_Supplier->count(); ++s) {
    Activate(editor->IDcb_Supplier, s);
    Section("catalogue: " + editor->IDcb_Supplier->currentText(), Shown(editor->DBGrid1));
    if (editor->DBGrid1->model()->rowCount() > most) {
      most = editor->DBGrid1->model()->rowCount();
      largest = s;
    }
  }
  Activate(editor->IDcb_Supplier, largest);
  Activate(editor->IDcb_Grp1, 1);
  Section("catalogue: group " + editor->IDcb_Grp1->currentText(), Shown(editor->DBGrid1));
  for (int g = 1; g < editor->IDcb_SubGrp1->count(); ++g) {
    Activate(editor->IDcb_SubGrp1, g);
    Section("catalogue: subgroup " + editor->IDcb_SubGrp1->currentText(), Shown(editor->DBGrid1));
  }
  editor->txtFind->setText(QStringLiteral("0"));
  editor->FindBtn1->click();
  Section("catalogue: like 0", Shown(editor->DBGrid1));
  editor->txtFind->clear();
  editor->FindBtn1->click();
  // The colours of one material come in the server's order.
  auto byName = [&](int r) { return editor->DBGrid1->model()->index(r, 0).data().toString(); };
  editor->SpeedButton1->click();
  for (bool critical : {false, true}) {
    if (critical) editor->SpeedButton2->click();
    for (int s = 0; s < editor->IDcb_Supplier->count(); ++s) {
      Activate(editor->IDcb_Supplier, s);
      Section(QString::fromLatin1(critical ? "critical stock: " : "stock: ") + editor->IDcb_Supplier->currentText(),
              Shown(editor->DBGrid1, byName));
    }
  }
  Check(QStringLiteral("receipt_picker"));
}

TEST_F(DemoLists, CountSourceShowsItsGoldenRows) {
  TDivazInventory editor(nullptr, -1);
  editor.show();
  // Rows come in the order of their oldest open lot's receipt date.
  auto byDate = [&](int r) {
    return editor.QSource.Field(r, QStringLiteral("BDATE")).Value().toString();
  };
  Section("all", Shown(editor.DBGrid1, byDate));
  Activate(editor.IDcb_Grp1, 1);
  Section("group " + editor.IDcb_Grp1->currentText(), Shown(editor.DBGrid1, byDate));
  for (int g = 1; g < editor.IDcb_SubGrp1->count(); ++g) {
    Activate(editor.IDcb_SubGrp1, g);
    Section("subgroup " + editor.IDcb_SubGrp1->currentText(), Shown(editor.DBGrid1, byDate));
  }
  editor.txtFind->setText(QStringLiteral("0"));
  Activate(editor.IDcb_Measure1, 1);
  Section("like 0, measure " + editor.IDcb_Measure1->currentText(), Shown(editor.DBGrid1, byDate));
  Check(QStringLiteral("count_source"));
}

}  // namespace
