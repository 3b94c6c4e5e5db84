// The three document journals as a storekeeper sees them on the demo data: column titles
// whole, rows of one height in all three, button captions clear of their borders.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>

#include "core/CommonVariables.h"
#include "core/DataUnit.h"
#include "core/Startup.h"
#include "documents/WBInUnit.h"
#include "documents/WBInventoryUnit.h"
#include "documents/WBOutUnit.h"
#include "platform/Registry.h"
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

  // Shown, every column title shows whole and every button caption keeps a margin; returns
  // the height of the list's first row.
  static int Inspect(QWidget *journal) {
    journal->show();
    QApplication::processEvents();
    const std::string name = journal->objectName().toStdString();
    auto *grid = journal->findChild<QTableView *>("DBGrid1");
    EXPECT_NE(grid, nullptr) << name;
    if (!grid) return 0;
    QHeaderView *header = grid->horizontalHeader();
    for (int c = 0; c < header->count(); ++c)
      EXPECT_GE(header->sectionSize(c), header->sectionSizeHint(c))
          << name << ": " << grid->model()->headerData(c, Qt::Horizontal).toString().toStdString();
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

}  // namespace
