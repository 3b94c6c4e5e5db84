// The windows worked from the keyboard: Tab walks the header in the published order, one Tab
// leaves a date box or a list, Enter presses the focused button; and a coloured cell keeps its
// colour on the selected row.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <memory>

#include "ReceiptFixture.h"
#include "catalogue/DivazUnit.h"
#include "core/IDComboBox.h"
#include "core/Startup.h"
#include "documents/DivazInPickerUnit.h"
#include "documents/DivazInUnit.h"
#include "documents/DivazInventoryUnit.h"
#include "documents/DivazOutUnit.h"
#include "documents/WBInUnit.h"
#include "documents/WBOutUnit.h"
#include "platform/Grids.h"
#include "reports/SCALAExportUnit.h"
#include "support/Keyboard.h"

namespace {

using Keyboard = ReceiptTest;

// The demo workshop, started as a user's installation is: every list has rows.
class KeyboardOnDemo : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    CheckLedger = false;
    Db->LoadDemo(1);
    const TStartupResult result = Db->StartProgram(m_folder.path(), "Keyboard");
    ASSERT_EQ(result.Outcome, TStartupOutcome::Ready) << result.Message.toStdString();
    m_started = true;
  }
  void TearDown() override {
    if (m_started) StartupFreeLists();
    DbTest::TearDown();
  }

 private:
  QTemporaryDir m_folder;
  bool m_started = false;
};

// The editors past their header stage, as the user reaches their lines.
std::unique_ptr<TDivazOut> IssueLines() {
  auto e = std::make_unique<TDivazOut>(nullptr, -1, 1);
  e->show();
  e->BitBtn2->click();
  return e;
}

std::unique_ptr<TDivazIn> ReceiptLines(bool stock) {
  auto e = std::make_unique<TDivazIn>(nullptr, -1, 0);
  e->SpeedButton1->setChecked(stock);
  e->show();
  e->Edit1->setText(QStringLiteral("K-1"));
  e->BitBtn2->click();
  return e;
}

template <class T>
T *Named(QWidget *window, const char *name) {
  T *w = window->findChild<T *>(QString::fromLatin1(name));
  EXPECT_NE(w, nullptr) << name;
  return w;
}

TEST_F(Keyboard, EditorHeadersTabInPublishedOrderAndLeaveTheDateBoxAtOnce) {
  {
    TDivazIn editor(nullptr, -1, 0);
    EXPECT_EQ(TabWalk(&editor, editor.Edit1, 9).toStdString(),
              "Edit1 Edit2 DT1 Edit3 isPaid IDcb_Supplier IDcb_Currency Valuta BitBtn2 BitBtn3");
    editor.hide();
  }
  {
    TDivazOut editor(nullptr, -1, 1);
    // the number is not a tab stop
    EXPECT_EQ(TabWalk(&editor, editor.Edit2, 5).toStdString(),
              "Edit2 DT1 Edit3 isPaid BitBtn2 BitBtn3");
    editor.hide();
  }
  {
    TDivazInventory editor(nullptr, -1);
    // the number is not a tab stop; the header ends with the notes, the lines follow
    EXPECT_EQ(TabWalk(&editor, editor.DT1, 2).toStdString(), "DT1 Edit3 CntGrd");
    // Shift+Tab goes back out of the date box at once as well
    editor.Edit3->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(FocusName(), "DT1");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_NE(FocusName(), "DT1");
    // the parts of the date are reached with the arrow keys
    editor.DT1->setFocus(Qt::TabFocusReason);
    editor.DT1->setDate(QDate(2024, 3, 10));
    editor.DT1->setCurrentSection(QDateTimeEdit::DaySection);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    EXPECT_EQ(editor.DT1->date(), QDate(2024, 4, 10));
    editor.hide();
  }
}

TEST_F(KeyboardOnDemo, TabLeavesEveryListAndTheArrowsMoveInside) {
  // Tab goes on to the next control and Shift+Tab back, the current row staying where it was.
  {
    auto e = IssueLines();
    EXPECT_EQ(GridKeys(e->CntGrd).toStdString(), "Tab>SpeedButton1 Backtab>isPaid Down>CntGrd@0");
    EXPECT_EQ(GridKeys(e->DBGrid1).toStdString(), "Tab>BitBtn4 Backtab>FindBtn1 Down>DBGrid1@1");
  }
  {
    auto e = ReceiptLines(false);
    EXPECT_EQ(GridKeys(e->ContentGrid).toStdString(), "Tab>IDcb_InColor Backtab>Valuta Down>ContentGrid@0");
    EXPECT_EQ(GridKeys(e->DBGrid1).toStdString(), "Tab>SaveWB Backtab>SpeedButton1 Down>DBGrid1@1");
  }
  {
    TDivazInventory e(nullptr, -1);
    EXPECT_EQ(GridKeys(e.CntGrd).toStdString(), "Tab>Qty Backtab>Edit3 Down>CntGrd@0");
    EXPECT_EQ(GridKeys(e.DBGrid1).toStdString(), "Tab>CancelBtn Backtab>FindBtn1 Down>DBGrid1@1");
  }
  {
    TWBIn journal(nullptr);
    journal.Chk1->setChecked(true);
    journal.RefreshList(QString());
    EXPECT_EQ(GridKeys(journal.DBGrid1).toStdString(), "Tab>BitBtn4 Backtab>FindBtn Down>DBGrid1@1");
  }
  {
    TDivazForm main;
    EXPECT_EQ(GridKeys(Named<QTableView>(&main, "DBGrid1")).toStdString(),
              "Tab>InBitBtn Backtab>FindBtn Down>DBGrid1@1");
  }
  {
    TSCALAExpForm exportWindow(nullptr, 0);
    EXPECT_EQ(GridKeys(Named<QTableView>(&exportWindow, "DB1")).toStdString(),
              "Tab>DoButt Backtab>CheckBox1 Down>DB1@1");
  }
}

TEST_F(KeyboardOnDemo, EnterPressesTheFocusedButtonOnlyEvenBesideADefaultButton) {
  {
    auto e = std::make_unique<TDivazIn>(nullptr, -1, 0);
    e->show();
    e->Edit1->setText(QStringLiteral("K-2"));
    EXPECT_EQ(EnterOn(e->BitBtn2).toStdString(), "BitBtn2");
    EXPECT_TRUE(e->ContentGrid->isVisible());
    EXPECT_EQ(EnterOn(e->SpeedButton1).toStdString(), "SpeedButton1");
    EXPECT_TRUE(e->SpeedButton1->isChecked());
  }
  {
    // "Править" is the journal's default button: Enter on "Iziet" leaves without editing
    TWBIn journal(nullptr);
    EXPECT_EQ(EnterOn(journal.BitBtn1).toStdString(), "BitBtn1");
    EXPECT_FALSE(journal.isVisible());
  }
  {
    TDivazForm main;
    EXPECT_EQ(EnterOn(Named<QPushButton>(&main, "FindBtn")).toStdString(), "FindBtn");
    EXPECT_EQ(EnterOn(Named<QToolButton>(&main, "SpeedButton1")).toStdString(), "SpeedButton1");
  }
  {
    // "Eksportēt" is the default button: Enter on "Atcelt" cancels
    TSCALAExpForm exportWindow(nullptr, 0);
    EXPECT_EQ(EnterOn(Named<QPushButton>(&exportWindow, "BitBtn2")).toStdString(), "BitBtn2");
    EXPECT_EQ(exportWindow.ModalResult(), mrCancel);
  }
}

TEST_F(KeyboardOnDemo, ACellColouredByItsRowKeepsTheColourOnTheSelectedRow) {
  for (const bool stock : {false, true}) {
    auto e = ReceiptLines(stock);
    // a supplier with a critical material
    QString shown = QStringLiteral("none");
    for (int i = 0; i < e->IDcb_Supplier->count() && shown == QLatin1String("none"); ++i) {
      e->IDcb_Supplier->setCurrentIndex(i);
      e->RefreshPicker();
      shown = SelectedCellColour(e->DBGrid1);
    }
    EXPECT_EQ(shown.toStdString(), "kept") << "stock list " << stock;
  }
  {
    TWBIn journal(nullptr);  // requests are not paid: "---" in red
    EXPECT_EQ(SelectedCellColour(journal.DBGrid1).toStdString(), "kept");
  }
  {
    TWBOut journal(nullptr);
    EXPECT_EQ(SelectedCellColour(Named<QTableView>(&journal, "DBGrid1")).toStdString(), "kept");
  }
  {
    TDivazForm main;
    EXPECT_EQ(SelectedCellColour(Named<QTableView>(&main, "DBGrid1")).toStdString(), "kept");
  }
}

}  // namespace
