#include <gtest/gtest.h>

#include <QCheckBox>
#include <QSignalSpy>
#include <QWidget>

#include "core/DataUnit.h"
#include "core/IDComboBox.h"
#include "platform/Grids.h"
#include "support/TestDatabase.h"

namespace {

// Items: ID 5 twice (values 1.5 and 5.0), a name that differs only in case.
void Fill(TIDComboBox &c) {
  c.AddItem("first", 5, "Alpha", 1.5);
  c.AddItem("second", 7, "alpha", 5.0);
  c.AddItem("third", 5, "Beta", 2.0);
}

TEST(IDComboBox, ValuesAreMatchedByTheirTypeAndTheLastMatchWins) {
  TIDComboBox c;
  EXPECT_EQ(c.IndexOfValue(5), -1);  // no items
  Fill(c);
  EXPECT_EQ(c.currentIndex(), -1);  // nothing is chosen by filling
  EXPECT_EQ(c.IndexOfValue(5), 2);  // integer: the ID; the later of two
  EXPECT_EQ(c.IndexOfValue(QVariant::fromValue<qint64>(7)), 1);
  EXPECT_EQ(c.IndexOfValue(QVariant::fromValue<uint>(7)), 1);
  EXPECT_EQ(c.IndexOfValue(QVariant::fromValue<uchar>(7)), 1);
  EXPECT_EQ(c.IndexOfValue(5.0), 1);  // double: the value, not the ID
  EXPECT_EQ(c.IndexOfValue(2.0f), 2);
  EXPECT_EQ(c.IndexOfValue(7.0), -1);
  EXPECT_EQ(c.IndexOfValue(QStringLiteral("alpha")), 1);  // text: the name, case counts
  EXPECT_EQ(c.IndexOfValue(QStringLiteral("ALPHA")), -1);
  EXPECT_EQ(c.IndexOfValue(QVariant()), -1);  // other types never match
  EXPECT_EQ(c.IndexOfValue(true), -1);
  EXPECT_EQ(c.IndexOfValue(QDate(2004, 3, 7)), -1);

  QSignalSpy changed(&c, &QComboBox::currentIndexChanged);
  c.SetValue(5);
  EXPECT_EQ(c.currentIndex(), 2);
  EXPECT_EQ(c.SelectedObj()->Name, "Beta");
  c.SetValue(5.0);
  EXPECT_EQ(c.currentIndex(), 1);
  c.SetValue(QStringLiteral("Alpha"));
  EXPECT_EQ(c.currentIndex(), 0);
  c.SetValue(QVariant());  // no match clears the choice
  EXPECT_EQ(c.currentIndex(), -1);
  EXPECT_EQ(c.SelectedObj(), nullptr);
  EXPECT_EQ(changed.count(), 0);  // choices made by code fire no change handler

  EXPECT_EQ(c.ObjAt(-1), nullptr);
  EXPECT_EQ(c.ObjAt(3), nullptr);
  EXPECT_EQ(c.ObjAt(1)->ID, 7);
}

TEST(IDComboBox, ItemsKeepTheirObjectsWhenItemsAreRemovedOrCleared) {
  TIDComboBox c;
  Fill(c);
  c.removeItem(0);  // a plain QComboBox call
  EXPECT_EQ(c.ObjAt(0)->ID, 7);
  EXPECT_EQ(c.IndexOfValue(5), 1);
  c.Clear();
  EXPECT_EQ(c.count(), 0);
  EXPECT_EQ(c.ObjAt(0), nullptr);
  c.AddItem("again", 9, "Gamma", 0);
  EXPECT_EQ(c.ObjAt(0)->ID, 9);
}

TEST(IDComboBox, ItemObjectsDeriveTheirTexts) {
  const TcbIntObj plain(12, "Profile 70", 2.5);
  EXPECT_EQ(plain.IDStr, "12");
  EXPECT_EQ(plain.ValueStr, "2.5");
  const TcbIntObj inch(-1, "Board 2\" wide", 0.1 + 0.2);
  EXPECT_EQ(inch.IDStr, "-1");
  EXPECT_EQ(inch.ValueStr, "0.3");
  const TcbIntObj apostrophe(3, "O'Brien", 1e20);
  EXPECT_EQ(apostrophe.ValueStr, "1E20");
  const TcbIntObj longName(4, QString(300, 'x'), 0);
  EXPECT_EQ(longName.Name.size(), 255);
}

TEST(IDComboBox, TheStateBoxEnablesTheComboAndReportsEveryChange) {
  QWidget owner;
  auto *c = new TIDComboBox(&owner);
  auto *box = new QCheckBox("caption", &owner);
  QList<QObject *> senders;
  c->OnCheckBoxClick = [&senders](QObject *sender) { senders << sender; };
  c->SetStateCheckBox(box);
  EXPECT_EQ(box->text(), "");
  EXPECT_FALSE(c->isEnabled());  // unchecked box: disabled combo
  ASSERT_EQ(senders.size(), 1);
  EXPECT_EQ(senders[0], nullptr);  // the run on assignment has no sender

  box->click();  // the user
  EXPECT_TRUE(c->isEnabled());
  box->setChecked(false);  // code, as the original's click event also fires then
  EXPECT_FALSE(c->isEnabled());
  EXPECT_EQ(senders, QList<QObject *>({nullptr, box, box}));

  c->SetStateCheckBox(nullptr);
  EXPECT_TRUE(c->isEnabled());
  box->click();
  EXPECT_EQ(senders.size(), 3);  // detached
}

class ListRoutines : public DbTest {};

TEST_F(ListRoutines, CombosAndTextArraysFillFromQueries) {
  Db->Exec("insert into Measures (ID, NAME) values (2, 'm'), (1, 'pcs'), (3, 'kg')");
  TIDComboBox c;
  c.AddItem("kept", 99, "kept", 0);
  FillIDComboSQL(&c, "select NAME, ID from Measures order by ID", true);
  ASSERT_EQ(c.count(), 5);  // appended, after one empty item
  EXPECT_EQ(c.ObjAt(1)->ID, -1);
  EXPECT_EQ(c.itemText(1), "");
  EXPECT_EQ(c.itemText(2), "pcs");
  EXPECT_EQ(c.ObjAt(4)->ID, 3);
  EXPECT_EQ(c.ObjAt(4)->Name, "kg");
  EXPECT_EQ(c.ObjAt(4)->Value, 0.0);

  TIDComboBox empty;
  FillIDComboSQL(&empty, "select NAME, ID from Measures where ID > 10", true);
  EXPECT_EQ(empty.count(), 1);

  TStrArray names;
  names << "old";
  LoadStrArray(names, "select NAME from Measures order by ID");
  EXPECT_EQ(names, QStringList({"pcs", "m", "kg"}));
  EXPECT_THROW(LoadStrArray(names, "select NAME from NoSuchTable"), EDatabaseError);
  EXPECT_FALSE(DATA->Qtmp.Active());
}

TEST(FindGridRow, TheRowIndexEndsOnePastTheRowExaminedLast) {
  TStringGrid grid;
  grid.SetColCount(2);
  grid.SetRowCount(5);
  grid.SetObjects(0, 1, new TAddObj(0, 10, 1, 0, 0, 0));
  // row 2 carries no object
  grid.SetObjects(0, 3, new TAddObj(0, 10, 2, 0, 0, 0));
  grid.SetObjects(0, 4, new TAddObj(0, 11, 2, 0, 0, 0));
  grid.SetObjects(1, 2, new TAddObj(0, 12, 5, 0, 0, 0));  // not in column 0: not looked at
  int row = 0;
  EXPECT_TRUE(FindGridRow(row, &grid, 10, 1));
  EXPECT_EQ(row, 2);
  EXPECT_TRUE(FindGridRow(row, &grid, 10, 2));
  EXPECT_EQ(row, 4);
  EXPECT_FALSE(FindGridRow(row, &grid, 12, 5));
  EXPECT_EQ(row, grid.RowCount());
}

}  // namespace
