// The document journals, editors and the export window as a storekeeper sees them on the demo
// data: column titles whole, no text cut while its list has room to spare, rows of one height
// in the three journals, button captions clear of their borders.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <algorithm>

#include "core/CommonVariables.h"
#include "core/DataUnit.h"
#include "core/Startup.h"
#include "documents/DivazInUnit.h"
#include "documents/DivazInventoryUnit.h"
#include "documents/DivazOutUnit.h"
#include "documents/WBInUnit.h"
#include "documents/WBInventoryUnit.h"
#include "documents/WBOutUnit.h"
#include "platform/Registry.h"
#include "reports/SCALAExportUnit.h"
#include "support/TestDatabase.h"

namespace {

class JournalLayout : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    CheckLedger = false;
    Db->LoadDemo(1);
    const TStartupResult result = Db->StartProgram(m_folder.path(), "Journals");
    ASSERT_EQ(result.Outcome, TStartupOutcome::Ready) << result.Message.toStdString();
    m_started = true;
  }
  void TearDown() override {
    if (m_started) StartupFreeLists();
    DbTest::TearDown();
  }

  // Shown, every list of the window shows its column titles whole, and a text on a row in
  // sight is cut only while its list has no width to spare.
  static void InspectLists(QWidget *window) {
    window->show();
    QApplication::processEvents();
    const std::string name = window->objectName().toStdString();
    int lists = 0;
    for (QTableView *grid : window->findChildren<QTableView *>()) {
      if (!grid->isVisible()) continue;
      ++lists;
      const std::string list = name + "." + grid->objectName().toStdString();
      QHeaderView *header = grid->horizontalHeader();
      const bool room = header->length() < grid->viewport()->width();
      for (int c = 0; c < header->count(); ++c) {
        const std::string title = grid->model()->headerData(c, Qt::Horizontal).toString().toStdString();
        EXPECT_GE(header->sectionSize(c), header->sectionSizeHint(c)) << list << ": " << title;
        for (int r = 0; room && r < std::min(grid->model()->rowCount(), 10); ++r) {
          const QModelIndex cell = grid->model()->index(r, c);
          EXPECT_GE(header->sectionSize(c), grid->sizeHintForIndex(cell).width())
              << list << ": " << cell.data().toString().toStdString() << " cut in a list with room";
        }
      }
    }
    EXPECT_GT(lists, 0) << name;
  }

  // InspectLists, and every button caption keeps a margin; returns the height of the first
  // row of the journal's list.
  static int Inspect(QWidget *journal) {
    InspectLists(journal);
    const std::string name = journal->objectName().toStdString();
    auto *grid = journal->findChild<QTableView *>("DBGrid1");
    EXPECT_NE(grid, nullptr) << name;
    if (!grid) return 0;
    for (QPushButton *b : journal->findChildren<QPushButton *>())
      if (b->isVisible())
        EXPECT_GE(b->width() - b->fontMetrics().horizontalAdvance(b->text()),
                  2 * b->fontMetrics().averageCharWidth())
            << name << ": " << b->text().toStdString();
    const int rows = grid->model()->rowCount();
    EXPECT_GT(rows, 0) << name;
    const int height = rows > 0 ? grid->rowHeight(0) : 0;
    journal->close();
    return height;
  }

 private:
  QTemporaryDir m_folder;
  bool m_started = false;
};

TEST_F(JournalLayout, TitlesShowWholeAndRowsMatchAcrossTheJournals) {
  TWBIn receipts(nullptr);
  const int receiptRow = Inspect(&receipts);
  TWBOut issues(nullptr);
  const int issueRow = Inspect(&issues);
  TWBInventory counts(nullptr);
  const int countRow = Inspect(&counts);
  EXPECT_EQ(issueRow, receiptRow);
  EXPECT_EQ(countRow, receiptRow);
  EXPECT_GE(receiptRow, receipts.fontMetrics().height());
}

TEST_F(JournalLayout, EditorsAndTheExportWindowShowTitlesAndNamesWholeWhileTheyHaveRoom) {
  for (const uint8_t mode : {0, 1}) {
    TSCALAExpForm exportWindow(nullptr, mode);
    InspectLists(&exportWindow);
  }
  {
    TDivazOut issue(nullptr, -1, 1);
    issue.show();
    issue.BitBtn2->click();
    InspectLists(&issue);
  }
  for (const bool stock : {false, true}) {
    TDivazIn receipt(nullptr, -1, 0);
    receipt.SpeedButton1->setChecked(stock);
    receipt.show();
    receipt.Edit1->setText(QStringLiteral("K-1"));
    receipt.BitBtn2->click();
    InspectLists(&receipt);
  }
  TDivazInventory count(nullptr, -1);
  InspectLists(&count);
}

}  // namespace
