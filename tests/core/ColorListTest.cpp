#include <gtest/gtest.h>

#include <QLabel>

#include "core/ColorList.h"
#include "core/DataUnit.h"
#include "core/IDComboBox.h"
#include "core/SetupObject.h"
#include "support/Fixtures.h"
#include "support/TestDatabase.h"

namespace {

QByteArray Key(std::initializer_list<int> path) {
  QByteArray k("0");
  for (int i : path) k += KeyChar(i);
  return k;
}
// Colour-group node of system s, group g (main group 0).
QByteArray GroupKey(int s, int g) { return Key({s, 0, 0, g}); }

class ColorListTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    // systems 0..2; system 2 has groups 0 (kind 0), 1 (kind 2), 2 (kind 1), 3 (kind 3)
    for (int s = 0; s < 3; ++s) fx::SetupNode(Key({s}), QStringLiteral("System %1").arg(s));
    fx::SetupNode(GroupKey(2, 0), "Plain", "PL", 0, 0);
    fx::SetupNode(GroupKey(2, 0) + KeyChar(0), "White", "9016", 11, 0);
    fx::SetupNode(GroupKey(2, 0) + KeyChar(1), "Brown", "8017", 12, 0);
    fx::SetupNode(GroupKey(2, 1), "Two sides", "TWO-SIDED", 0, 2);
    for (int c = 0; c < 6; ++c)
      fx::SetupNode(GroupKey(2, 1) + KeyChar(c), QStringLiteral("C%1").arg(c), QStringLiteral("D%1").arg(c), c, 2);
    fx::SetupNode(GroupKey(2, 2), "Outside", "OUT", 0, 1);
    fx::SetupNode(GroupKey(2, 2) + KeyChar(0), "Oak", "OAK", 0, 1);
    fx::SetupNode(GroupKey(2, 3), "Inside", "IN", 0, 3);
    fx::SetupNode(GroupKey(2, 3) + KeyChar(0), "Pine", "PIN", 0, 3);
    fx::SetupNode(GroupKey(2, 3) + KeyChar(1), "Ash", "ASH", 0, 3);
    fx::LoadSetup();
  }
  TColorRec Rec(int code, int system) {
    TColorRec r;
    r.Caption = "stale";
    Colors->GetColorRec(code, system, r);
    return r;
  }
};

TEST_F(ColorListTest, TheTreeBecomesGroupAndColourRecordsInTreeOrder) {
  ASSERT_EQ(Colors->GroupItems().size(), 4);
  ASSERT_EQ(Colors->ColorItems().size(), 11);
  const TColorRec &g = Colors->GroupItems()[1];
  EXPECT_EQ(g.SystemID, 2);
  EXPECT_EQ(g.GroupID, 1);
  EXPECT_EQ(g.GroupData, "TWO-SID");  // cut to 7
  EXPECT_EQ(g.Kind, 2);
  const TColorRec &c = Colors->ColorItems()[2 + 5];
  EXPECT_EQ(c.GroupID, 1);
  EXPECT_EQ(c.ColorID, 5);
  EXPECT_EQ(c.Caption, "C5");
  EXPECT_EQ(c.ColorData, "D5");
  EXPECT_EQ(c.IData, 5);
  EXPECT_EQ(c.GroupData, "TWO-SID");
}

TEST_F(ColorListTest, ColourCodesDecodeByTheirBitFieldsAndKinds) {
  // kind 2: outer caption / inner caption
  TColorRec r = Rec(MakeColorCode(2, 1, 5, 3), 2);
  EXPECT_EQ(r.ColorID, 5);
  EXPECT_EQ(r.Caption, "C3/C5");
  EXPECT_EQ(r.ColorData, "[D3 / D5]");
  // bits 20 and up are not read: the material's system decides
  EXPECT_EQ(Rec(MakeColorCode(9, 1, 5, 3), 2).Caption, "C3/C5");
  // kind 0: as stored
  r = Rec(MakeColorCode(2, 0, 1, 0), 2);
  EXPECT_EQ(r.Caption, "Brown");
  EXPECT_EQ(r.ColorData, "8017");
  // code 0: first colour of the first group
  EXPECT_EQ(Rec(0, 2).Caption, "White");
  // code -1: group 15, colour 255: nothing
  r = Rec(-1, 2);
  EXPECT_EQ(r.Caption, "");
  EXPECT_EQ(r.Kind, 0);
  // kind 1 with an outer colour that does not exist
  r = Rec(MakeColorCode(2, 2, 0, 9), 2);
  EXPECT_EQ(r.Caption, "/белый");
  EXPECT_EQ(r.ColorData, "");
  // kind 3: white inside
  r = Rec(MakeColorCode(2, 3, 0, 1), 2);
  EXPECT_EQ(r.Caption, "белый/Ash");
  EXPECT_EQ(r.ColorData, "ASH");
  // another system knows none of these
  EXPECT_EQ(Rec(MakeColorCode(2, 1, 5, 3), 1).Caption, "");
}

TEST_F(ColorListTest, GroupChoicesCarryTheItemLayout) {
  TIDComboBox combo;
  Colors->FillGroupCombo(&combo, 2, 0);
  Colors->FillGroupCombo(&combo, 2, 0);  // does not clear
  ASSERT_EQ(combo.count(), 8);
  EXPECT_EQ(combo.itemText(1), "Two sides");
  EXPECT_EQ(combo.ObjAt(1)->ID, (2 << 20) + (1 << 8) + 2);
  EXPECT_EQ(Colors->GetGroupCode(2, 1), (2 << 20) + (1 << 8) + 2);
  EXPECT_EQ(Colors->GetGroupCode(2, 7), -1);
  TIDComboBox other;
  Colors->FillGroupCombo(&other, 2, 1);
  EXPECT_EQ(other.count(), 0);
  QLabel label;
  Colors->FillGroupCombo(&label, 2, 0);  // not a choice: nothing happens
  Colors->FillColorCombo(&other, 2, 0, 3);
  ASSERT_EQ(other.count(), 2);
  EXPECT_EQ(other.itemText(1), "Ash");
  EXPECT_EQ(other.ObjAt(1)->ID, 1);
  TColorRec second;
  Colors->GetSecondColor(2, 0, 1, 4, second);
  EXPECT_EQ(second.Caption, "C4");
  Colors->GetSecondColor(2, 0, 1, 6, second);
  EXPECT_EQ(second.Caption, "");
  EXPECT_EQ(second.ColorID, 0);
}

TEST_F(ColorListTest, GroupCodesReduceTheSystemToFourBits) {
  for (int s = 3; s < 18; ++s) fx::SetupNode(Key({s}), QStringLiteral("System %1").arg(s));
  for (int g = 0; g < 4; ++g) fx::SetupNode(GroupKey(17, g), QStringLiteral("G%1").arg(g), "", 0, g == 3 ? 2 : 0);
  fx::LoadSetup();
  EXPECT_EQ(Colors->GetGroupCode(17, 3), (1 << 20) + (3 << 8) + 2);
}

TEST(ColorKeyChars, TheDataModuleCopyHasItsOwnErrorText) {
  EXPECT_EQ(TColorList::KeyChar(35), 'Z');
  try {
    TColorList::KeyChar(195);
    FAIL() << "no error";
  } catch (const std::runtime_error &e) {
    EXPECT_STREQ(e.what(), "Key char generator!  FATAL ERROR!\r\rIndex overflow!");
  }
}

}  // namespace
