#include <gtest/gtest.h>

#include <QListWidget>

#include "core/DataLists.h"
#include "core/ObjListItem.h"
#include "core/DataUnit.h"
#include "core/IDComboBox.h"
#include "support/Fixtures.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"

namespace {

class Lists : public DbTest {
 protected:
  std::unique_ptr<TGroups> LoadGroups() {
    TQuery q;
    q.SQL = "select * from CatGroups order by ID, SUBID";
    q.Open();
    return std::make_unique<TGroups>(q);
  }
  QStringList Captions(const QComboBox &c) {
    QStringList out;
    for (int i = 0; i < c.count(); ++i) out << c.itemText(i);
    return out;
  }
};

TEST_F(Lists, GroupsKeepTheirSubgroupsAndDropRowsWithoutAGroup) {
  fx::Group(1, "Profiles");
  fx::Subgroup(1, 1, "Pine", 5, 2.5);
  fx::Subgroup(1, 2, "Oak");
  fx::Group(2, "Glass");
  fx::Subgroup(3, 1, "Orphan");
  const auto groups = LoadGroups();
  ASSERT_EQ(groups->Count(), 2);
  TCatGroupRec g;
  groups->GetGroup(1, g);
  EXPECT_EQ(g.Name, "Profiles");
  ASSERT_EQ(g.Subgroups.size(), 2);
  EXPECT_EQ(g.Subgroups[0].Name, "Pine");
  EXPECT_EQ(g.Subgroups[0].MINVALUE, 5);
  EXPECT_DOUBLE_EQ(g.Subgroups[0].WASTE, 2.5);
  groups->GetGroup(3, g);
  EXPECT_EQ(g.ID, NoGroupID);
  groups->GetGroupAt(1, g);
  EXPECT_EQ(g.Name, "Glass");
  groups->GetGroupAt(2, g);
  EXPECT_EQ(g.ID, NoGroupID);

  QVector<bool> flags{true};
  groups->SubgroupFlags(1, flags);
  EXPECT_EQ(flags, (QVector<bool>{false, false, false}));
  groups->SubgroupFlags(2, flags);
  EXPECT_TRUE(flags.isEmpty());  // a group without subgroups has no flag at all
  groups->SubgroupFlags(3, flags);
  EXPECT_TRUE(flags.isEmpty());

  EXPECT_EQ(groups->SubgroupNames(1, {2, 1}), "Oak, Pine");
  EXPECT_EQ(groups->SubgroupNames(1, {}), "");
  EXPECT_EQ(groups->SubgroupNames(3, {1}), "");

  groups->SetSubgroupValues(1, 2, 7, 1.5);
  groups->GetGroup(1, g);
  EXPECT_EQ(g.Subgroups[1].MINVALUE, 7);
  EXPECT_DOUBLE_EQ(g.Subgroups[1].WASTE, 1.5);
}

TEST_F(Lists, GroupFillersOfferTheGroupsAndTheSubgroupsOfAnExistingGroupOnly) {
  fx::Group(1, "Profiles");
  fx::Subgroup(1, 1, "Pine");
  fx::Subgroup(1, 4, "Oak");
  fx::Group(7, "Glass");
  const auto groups = LoadGroups();

  TIDComboBox combo;
  combo.AddItem("old", 99, "old", 0);
  groups->FillGroupCombo(&combo, true);
  EXPECT_EQ(Captions(combo), (QStringList{"[Все группы]", "Profiles", "Glass"}));
  EXPECT_EQ(combo.ObjAt(0)->ID, -1);
  EXPECT_EQ(combo.ObjAt(2)->ID, 7);

  groups->FillSubgroupCombo(1, &combo, true);
  EXPECT_EQ(Captions(combo), (QStringList{"[Все подруппы]", "Pine", "Oak"}));
  EXPECT_EQ(combo.ObjAt(2)->ID, 4);
  groups->FillSubgroupCombo(5, &combo, true);
  EXPECT_EQ(combo.count(), 0);

  QListWidget list;
  groups->FillSubgroupList(1, &list);
  ASSERT_EQ(list.count(), 2);
  ASSERT_NE(ListItemObjectAs<TIntObj>(list.item(1)), nullptr);
  EXPECT_EQ(ListItemObjectAs<TIntObj>(list.item(1))->Value, 4);
  groups->FillGroupList(&list);
  ASSERT_EQ(list.count(), 2);
  auto *sel = ListItemObjectAs<TSelObj>(list.item(0));
  ASSERT_NE(sel, nullptr);
  EXPECT_EQ(sel->GroupID, 1);
  EXPECT_EQ(sel->High(), 4);
  // names are found by SUBID across the gap of 2 and 3
  EXPECT_EQ(groups->SubgroupNames(1, {4, 1}), "Oak, Pine");
  EXPECT_EQ(groups->SubgroupNames(1, {2}), "");
}

TEST_F(Lists, AClosedGroupsDataSetIsReportedAndGivesNoGroups) {
  TQuery closed;
  TGroups groups(closed);
  EXPECT_EQ(groups.Count(), 0);
  EXPECT_EQ(Script().LastMessage(), "Groups dataset is not activated!");
}

TEST_F(Lists, SelectionObjectsTrackWholeGroupsAndSubgroups) {
  fx::Group(1, "Profiles");
  fx::Subgroup(1, 1, "Pine");
  fx::Subgroup(1, 2, "Oak");
  fx::Subgroup(1, 3, "Larch");
  fx::Group(2, "Glass");
  const auto groups = LoadGroups();
  TSelObj sel(1, groups.get());
  EXPECT_EQ(sel.High(), 3);
  EXPECT_FALSE(sel.GetAll());
  EXPECT_EQ(sel.CountSelected(), 0);
  sel.SetSub(3, true);
  sel.SetSub(1, true);
  EXPECT_FALSE(sel.GetAll());
  EXPECT_EQ(sel.SelectedCSV(), "1,3");
  EXPECT_EQ(sel.SelectedArray(), (QVector<int>{1, 3}));
  sel.SetSub(2, true);
  EXPECT_TRUE(sel.GetAll());
  sel.SetAll(false);
  EXPECT_EQ(sel.CountSelected(), 0);
  sel.SetAll(true);
  EXPECT_EQ(sel.CountSelected(), 3);
  EXPECT_FALSE(sel.GetSub(0));
  // a group without subgroups is chosen whole through All alone
  TSelObj glass(2, groups.get());
  EXPECT_EQ(glass.High(), -1);
  EXPECT_EQ(glass.CountSelected(), 0);
  glass.SetAll(true);
  EXPECT_TRUE(glass.GetAll());
}

TEST_F(Lists, ValueArraysAreLookedUpByIDAcrossGaps) {
  ExecSQL("insert into DiscountGroups (ID, NAME, DVALUE) values (0, 'none', 0), (1, 'A', 15), (3, 'C', 12.5)");
  ExecSQL("insert into Measures (ID, NAME) values (1, 'm'), (2, 'pcs'), (3, 'kg')");
  DiscountValues.LoadFromSQL("select ID, DVALUE from DiscountGroups order by ID");
  MeasureNames.LoadFromSQL("select ID, NAME from Measures order by ID");
  EXPECT_EQ(DiscountValues.ByID(1), "15");
  EXPECT_EQ(DiscountValues.ByID(3), "12.5");  // not shifted into the gap
  EXPECT_EQ(DiscountValues.ByID(2), "");
  EXPECT_EQ(DiscountValues.ByID(4), "");
  EXPECT_EQ(MeasureNames.ByID(2), "pcs");
  EXPECT_EQ(MeasureNames.at(1), "pcs");
  EXPECT_EQ(MeasureNames.ByID(0), "");
  // an array loaded without IDs is indexed by position
  LoadStrArray(MeasureNames, "select NAME from Measures order by ID");
  EXPECT_EQ(MeasureNames.ByID(1), "pcs");
  DiscountValues.clear();
  MeasureNames.clear();
}

TEST_F(Lists, SupplierListFindsByIDAndLeavesUnknownIDsNameless) {
  const int b = fx::Supplier("Beta");
  const int a = fx::Supplier("Alpha");
  TIDObj list;
  list.LoadFromSQL("select ID, NAME from Suppliers order by NAME");
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Item(0).ID, a);
  TIDRec rec;
  rec.Name = "stale";
  list.GetByID(b, rec);
  EXPECT_EQ(rec.Name, "Beta");
  list.GetByID(b + 100, rec);
  EXPECT_EQ(rec.Name, "");
  TIDComboBox combo;
  list.FillCombo(&combo);
  EXPECT_EQ(Captions(combo), (QStringList{"Alpha", "Beta"}));
  EXPECT_EQ(combo.ObjAt(1)->ID, b);
}

}  // namespace
