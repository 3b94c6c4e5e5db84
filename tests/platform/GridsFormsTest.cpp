#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>

#include <stdexcept>

#include "platform/Application.h"
#include "platform/Forms.h"
#include "platform/Grids.h"
#include "platform/RowGrid.h"
#include "support/ScriptedDialogs.h"

namespace {

// Counts the live row objects, so that a leak or a double free shows.
class Counted : public TGridObject {
 public:
  explicit Counted(int v) : Value(v) { ++Live; }
  ~Counted() override { --Live; }
  int Value;
  static int Live;
};
int Counted::Live = 0;

// A grid over many rows asks for the cells it draws or is asked for, not for every cell; its
// current row, its signals and its texts behave as a table widget's.
TEST(RowGrid, ShowsManyRowsAskingOnlyForTheCellsItNeeds) {
  TRowGrid grid;
  grid.setHorizontalHeaderLabels({"Name", "Qty"});
  grid.resize(300, 200);
  int asked = 0;
  QVector<int> moves;
  QObject::connect(&grid, &TRowGrid::currentCellChanged, [&](int row, int, int, int) { moves << row; });
  grid.SetRows(100000, [&](int r, int c) {
    ++asked;
    TRowGridCell cell;
    cell.Text = c == 0 ? QStringLiteral("Row %1").arg(r) : QString::number(r * 2);
    if (c == 1 && r % 2) cell.Colour = Qt::red;
    return cell;
  });
  EXPECT_EQ(grid.currentRow(), -1);
  grid.show();
  QApplication::processEvents();
  grid.repaint();
  moves.clear();  // shown with the focus, a view makes its first cell current
  EXPECT_EQ(grid.rowCount(), 100000);
  EXPECT_EQ(grid.columnCount(), 2);
  EXPECT_GT(asked, 0);
  EXPECT_LT(asked, 2000);
  EXPECT_EQ(grid.model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "Qty");

  grid.setCurrentCell(99999, 0);
  EXPECT_EQ(grid.currentRow(), 99999);
  EXPECT_EQ(moves, QVector<int>({99999}));
  EXPECT_TRUE(grid.selectionModel()->isRowSelected(99999, QModelIndex()));
  EXPECT_EQ(grid.item(99999, 0)->text(), "Row 99999");
  EXPECT_EQ(grid.item(7, 1)->text(), "14");
  EXPECT_TRUE(grid.model()->data(grid.model()->index(7, 1), Qt::ForegroundRole).isValid());
  EXPECT_FALSE(grid.model()->data(grid.model()->index(8, 1), Qt::ForegroundRole).isValid());
  EXPECT_FALSE(grid.item(100000, 0));
  EXPECT_FALSE(grid.item(0, 2));
  {
    const QSignalBlocker block(&grid);
    grid.setCurrentCell(3, 0);
  }
  EXPECT_EQ(moves.size(), 1);
  grid.clearContents();
  EXPECT_EQ(grid.rowCount(), 0);
  EXPECT_EQ(grid.currentRow(), -1);
}

TEST(StringGrid, RowsCountFromTheTitleRowAndOwnTheirObjects) {
  {
    TStringGrid grid;
    grid.SetColCount(3);
    grid.SetRowCount(4);
    EXPECT_EQ(grid.RowCount(), 4);
    grid.SetCells(0, 0, "Title");
    grid.SetCells(1, 3, "last");
    EXPECT_EQ(grid.Cells(0, 0), "Title");  // row 0 is the header
    EXPECT_EQ(grid.Cells(1, 3), "last");
    EXPECT_EQ(grid.Cells(1, 9), "");  // outside the grid: nothing
    for (int r = 1; r < 4; ++r) grid.SetObjects(0, r, new Counted(r));
    EXPECT_EQ(Counted::Live, 3);
    grid.SetObjects(0, 1, new Counted(10));  // replacing frees the old object
    EXPECT_EQ(Counted::Live, 3);
    EXPECT_EQ(grid.ObjectAs<Counted>(0, 1)->Value, 10);

    grid.DeleteRow(2);
    EXPECT_EQ(grid.RowCount(), 3);
    EXPECT_EQ(Counted::Live, 2);
    EXPECT_EQ(grid.ObjectAs<Counted>(0, 2)->Value, 3);
    EXPECT_EQ(grid.Cells(1, 2), "last");

    grid.SetRowCount(2);  // never fewer than the title row and one data row
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(Counted::Live, 1);
    grid.DeleteRow(1);  // the last data row is emptied, not removed
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(Counted::Live, 0);
    EXPECT_EQ(grid.Objects(0, 1), nullptr);

    grid.SetRowCount(3);
    grid.SetObjects(2, 2, new Counted(5));
    grid.ClearRows();
    EXPECT_EQ(grid.RowCount(), 2);
    EXPECT_EQ(Counted::Live, 0);
    grid.SetObjects(1, 1, new Counted(6));
  }
  EXPECT_EQ(Counted::Live, 0);  // the grid frees what it still holds
}

TEST(StringGrid, ObjectsLeaveWithCellsRemovedByAnyTableCall) {
  TStringGrid grid;
  grid.SetColCount(2);
  grid.SetRowCount(3);
  grid.SetObjects(0, 1, new Counted(1));
  grid.SetObjects(0, 2, new Counted(2));
  grid.clearContents();
  EXPECT_EQ(Counted::Live, 0);
  // A cell created afterwards must not find an object of a removed one.
  grid.SetCells(0, 1, "new");
  grid.SetCells(0, 2, "new");
  EXPECT_EQ(grid.Objects(0, 1), nullptr);
  EXPECT_EQ(grid.Objects(0, 2), nullptr);

  grid.setItem(0, 1, new QTableWidgetItem("plain"));
  grid.SetObjects(1, 1, new Counted(3));
  EXPECT_EQ(grid.Cells(1, 1), "plain");
  EXPECT_EQ(grid.ObjectAs<Counted>(1, 1)->Value, 3);
  grid.setRowCount(0);
  EXPECT_EQ(Counted::Live, 0);
}

// A window with two buttons that carry results and a refusal in its close query.
class AskingForm : public TForm {
 public:
  AskingForm() {
    setObjectName("AskingForm");
    Ok = new QPushButton("OK", this);
    Ok->setObjectName("BitBtn1");
    Cancel = new QPushButton("Cancel", this);
    Cancel->setObjectName("BitBtn2");
    connect(Ok, &QPushButton::clicked, this, [this] { ++OkClicks; });
    BindModalResult(Ok, mrOk);
    BindModalResult(Cancel, mrCancel);
  }
  QPushButton *Ok, *Cancel;
  int OkClicks = 0, Closed = 0;
  bool Refuse = false;

 protected:
  bool CloseQuery(int result) override { return !(Refuse && result == mrOk); }
  void FormClose() override { ++Closed; }
};

TEST(ModalForms, ButtonsEndTheShowingUnlessTheCloseQueryRefuses) {
  Script().Clear();
  AskingForm form;
  Script().OnModal("AskingForm", [&form](QDialog *d) {
    EXPECT_EQ(d, &form);
    EXPECT_TRUE(d->isVisible());
    form.Refuse = true;
    form.Ok->click();
    EXPECT_TRUE(d->isVisible());  // refused: still open, the click handler ran
    EXPECT_EQ(form.OkClicks, 1);
    EXPECT_EQ(form.ModalResult(), mrNone);
    form.Refuse = false;
    form.Ok->click();
    EXPECT_FALSE(d->isVisible());
    return mrNone;  // the window's own result
  });
  EXPECT_EQ(form.ShowModal(), mrOk);
  EXPECT_EQ(form.OkClicks, 2);
  EXPECT_EQ(form.Closed, 1);

  Script().OnModal("AskingForm", [&form](QDialog *) {
    form.close();  // the window frame's close button
    return mrNone;
  });
  EXPECT_EQ(form.ShowModal(), mrCancel);
  // Without a script the window is cancelled.
  EXPECT_EQ(form.ShowModal(), mrCancel);
  EXPECT_EQ(Script().ModalShown, QStringList({"AskingForm", "AskingForm", "AskingForm"}));
  Script().Clear();
}

TEST(WindowPlace, WindowsOpenWithinTheAvailableAreaOfTheScreen) {
  const QMargins frame(4, 30, 4, 4);
  // an office screen of 1024 x 768 with a 30-pixel panel at the bottom
  const QRect office(0, 0, 1024, 738);
  const QRect preview = CentredFrame(QSize(900, 1000), frame, office, office);
  EXPECT_TRUE(office.contains(preview));
  EXPECT_EQ(preview.height(), 738);  // the whole height, never more
  EXPECT_EQ(preview.width(), 908);
  EXPECT_EQ(preview.left(), (1024 - 908) / 2);
  // a wide screen: as designed, centred
  const QRect wide(0, 0, 1600, 1000);
  EXPECT_EQ(CentredFrame(QSize(900, 700), frame, wide, wide), QRect(346, 133, 908, 734));
  // centred over an owner near the right edge of a second screen: pulled back inside it
  const QRect second(1600, 0, 1280, 1024);
  const QRect owner(2600, 100, 300, 200);
  const QRect card = CentredFrame(QSize(460, 500), frame, owner, second);
  EXPECT_TRUE(second.contains(card));
  EXPECT_EQ(card.right(), second.right());
  EXPECT_EQ(card.size(), QSize(468, 534));
  // a stored place partly off the screen, larger than it: moved in and reduced
  EXPECT_EQ(FitIntoArea(QRect(-50, 600, 1200, 900), office), QRect(0, 0, 1024, 738));
  EXPECT_EQ(FitIntoArea(QRect(100, 100, 300, 200), office), QRect(100, 100, 300, 200));
}

TEST(WindowPlace, AFormOpensCentredOverItsOwnerOrOnTheScreen) {
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  QWidget owner;
  owner.setGeometry(area.left() + 10, area.top() + 40, 300, 200);
  owner.show();
  TForm over(&owner);
  over.resize(120, 80);
  over.show();
  EXPECT_LE((over.frameGeometry().center() - owner.frameGeometry().center()).manhattanLength(), 40);
  TForm onScreen(&owner);
  onScreen.SetPosition(poScreenCenter);
  onScreen.resize(120, 80);
  onScreen.show();
  EXPECT_LE((onScreen.frameGeometry().center() - area.center()).manhattanLength(), 40);
  // a designed size larger than the screen is reduced to it
  TForm big(&owner);
  big.resize(area.width() + 500, area.height() + 500);
  big.show();
  EXPECT_TRUE(area.contains(big.frameGeometry()));
}

TEST(ErrorGuard, AnEscapedErrorIsShownAsTheDefaultErrorMessage) {
  Script().Clear();
  bool after = false;
  Guarded([] { throw std::runtime_error("Lost connection to the server"); });
  Guarded([&after] { after = true; });
  EXPECT_TRUE(after);
  ASSERT_EQ(Script().Boxes.size(), 1u);
  EXPECT_EQ(Script().Boxes[0].Text, "Lost connection to the server");
  EXPECT_EQ(Script().Boxes[0].Type, TMsgDlgType::mtError);
  EXPECT_EQ(Script().Boxes[0].Caption, ApplicationTitle());

  // The standard dialog: the type's caption, the answer of the button pressed.
  Script().Answers.push_back(mrNo);
  EXPECT_EQ(MessageDlg("Delete?", TMsgDlgType::mtConfirmation, mbYes | mbNo), mrNo);
  EXPECT_EQ(Script().Boxes[1].Caption, "Confirm");
  EXPECT_EQ(Script().Boxes[1].Buttons, mbYes | mbNo);
  Script().Clear();
}

}  // namespace
