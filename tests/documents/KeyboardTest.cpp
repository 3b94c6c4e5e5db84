// The document editors worked from the keyboard: Tab walks the header in the published order
// and one Tab leaves a date box.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "ReceiptFixture.h"
#include "documents/DivazInUnit.h"
#include "documents/DivazInventoryUnit.h"
#include "documents/DivazOutUnit.h"
#include "support/Keyboard.h"

namespace {

using Keyboard = ReceiptTest;

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

}  // namespace
