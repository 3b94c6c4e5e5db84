// The report filter worked through its controls: the group condition, the period condition,
// the reservation flag and the title that the reports receive.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <functional>

#include "ReportFixture.h"
#include "core/DataLists.h"
#include "core/DataUnit.h"
#include "platform/Clock.h"
#include "reports/PrintFilterUnit.h"
#include "support/ScriptedDialogs.h"

namespace {

class PrintFilter : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    CheckLedger = false;
    Clock::SetFixed(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    ExecSQL("insert into CatGroups (ID, SUBID, NAME) values (3, 0, \"Profili\"), (3, 1, \"Priede\"), "
            "(3, 2, \"Ozols\"), (5, 0, \"Stikls\"), (7, 0, \"Furnitūra\"), (7, 1, \"Eņģes\"), "
            "(7, 2, \"Rokturi\"), (7, 3, \"Slēdzenes\"), (7, 4, \"Blīves\"), (9, 0, \"Krāsas\"), "
            "(9, 2, \"Lakas\"), (9, 5, \"Beices\")");
    LoadGroups();
  }
  void TearDown() override {
    delete Groups;
    Groups = nullptr;
    DbTest::TearDown();
  }
  void LoadGroups() {
    DATA->Qtmp.SQL = "select * from CatGroups order by ID, SUBID";
    DATA->Qtmp.Open();
    delete Groups;
    Groups = new TGroups(DATA->Qtmp);
    DATA->Qtmp.Close();
  }

  struct Outputs {
    bool ok = false;
    bool withReserve = true;
    QString groupFilter = "stale", period = "stale", title = "caller's title";
  };
  // Runs the filter as a report's caller does, working the dialog with the given steps.
  Outputs Run(const std::function<int(TPrintFilter &)> &steps, bool reserve = true,
              bool groups = true, bool period = true) {
    Outputs out;
    Script().OnModal("PrintFilter", [&](QDialog *d) { return steps(*static_cast<TPrintFilter *>(d)); });
    out.ok = RunPrintFilter(out.withReserve, out.groupFilter, out.period, out.title, nullptr,
                            reserve, groups, period);
    return out;
  }

  static QListWidgetItem *Item(QListWidget *list, const QString &text) {
    const auto found = list->findItems(text, Qt::MatchExactly);
    return found.isEmpty() ? nullptr : found.first();
  }
  // Selects a group as a click on it does, and returns it.
  static QListWidgetItem *SelectGroup(TPrintFilter &f, const QString &name) {
    QListWidgetItem *item = Item(f.GrpChkLB, name);
    f.GrpChkLB->setCurrentItem(item);
    return item;
  }
  static void Tick(QListWidgetItem *item, bool on = true) {
    item->setCheckState(on ? Qt::Checked : Qt::Unchecked);
  }
  static QStringList Ticked(QListWidget *list) {
    QStringList out;
    for (int i = 0; i < list->count(); ++i)
      if (list->item(i)->checkState() == Qt::Checked) out << list->item(i)->text();
    return out;
  }
  static int Ok(TPrintFilter &f) {
    QTest::mouseClick(f.BitBtn2, Qt::LeftButton);
    return mrNone;
  }
};

TEST_F(PrintFilter, WholeGroupsAndChosenSubgroupsMakeOneConditionAndTitle) {
  const Outputs out = Run([](TPrintFilter &f) {
    f.isGroups->click();
    EXPECT_TRUE(f.GroupBox2->isVisible());
    EXPECT_EQ(f.GrpChkLB->count(), 4);
    Tick(SelectGroup(f, "Profili"));
    EXPECT_EQ(Ticked(f.SubGrpChkLB), QStringList({"Priede", "Ozols"}));
    QListWidgetItem *fittings = SelectGroup(f, "Furnitūra");
    EXPECT_EQ(f.SubGrpChkLB->count(), 4);
    Tick(Item(f.SubGrpChkLB, "Blīves"));
    EXPECT_EQ(fittings->checkState(), Qt::Checked);  // the group shows a choice in it
    Tick(Item(f.SubGrpChkLB, "Eņģes"));
    // Back and forth: the subgroup list shows each group's own choice.
    SelectGroup(f, "Profili");
    EXPECT_EQ(Ticked(f.SubGrpChkLB), QStringList({"Priede", "Ozols"}));
    SelectGroup(f, "Furnitūra");
    EXPECT_EQ(Ticked(f.SubGrpChkLB), QStringList({"Eņģes", "Blīves"}));
    f.ResChkBox->click();
    return Ok(f);
  });
  ASSERT_TRUE(out.ok);
  EXPECT_TRUE(out.withReserve);
  EXPECT_EQ(out.groupFilter, "((c.CATGROUP=3) or (c.CATGROUP=7 and c.SUBGROUP in (1,4)))");
  EXPECT_EQ(out.period, "");
  EXPECT_EQ(out.title, "Profili, Furnitūra [Eņģes, Blīves]\r\nPeriods: visi + rezervēti materiāli");
}

TEST_F(PrintFilter, EverythingOrNothingChosenMeansNoGroupCondition) {
  // Nothing ticked.
  Outputs out = Run([](TPrintFilter &f) {
    f.isGroups->click();
    return Ok(f);
  });
  EXPECT_EQ(out.groupFilter, "");
  EXPECT_FALSE(out.withReserve);
  EXPECT_EQ(out.title, "\r\nPeriods: visi");
  // Every group ticked whole.
  out = Run([](TPrintFilter &f) {
    f.isGroups->click();
    for (int i = 0; i < f.GrpChkLB->count(); ++i) {
      f.GrpChkLB->setCurrentRow(i);
      Tick(f.GrpChkLB->item(i));
    }
    return Ok(f);
  });
  EXPECT_EQ(out.groupFilter, "");
  EXPECT_EQ(out.title, "\r\nPeriods: visi");
  // Groups chosen, then the group choice switched off again.
  out = Run([](TPrintFilter &f) {
    f.isGroups->click();
    Tick(SelectGroup(f, "Profili"));
    f.isGroups->click();
    EXPECT_FALSE(f.GroupBox2->isVisible());
    return Ok(f);
  });
  EXPECT_EQ(out.groupFilter, "");
  EXPECT_EQ(out.title, "\r\nPeriods: visi");
}

TEST_F(PrintFilter, GroupWhoseSubgroupsAreAllTickedIsWrittenWhole) {
  const Outputs out = Run([](TPrintFilter &f) {
    f.isGroups->click();
    QListWidgetItem *profiles = SelectGroup(f, "Profili");
    Tick(Item(f.SubGrpChkLB, "Priede"));
    Tick(Item(f.SubGrpChkLB, "Ozols"));
    EXPECT_EQ(profiles->checkState(), Qt::Checked);
    SelectGroup(f, "Furnitūra");
    Tick(Item(f.SubGrpChkLB, "Rokturi"));
    // Unticking the only chosen subgroup unticks its group.
    Tick(Item(f.SubGrpChkLB, "Rokturi"), false);
    EXPECT_EQ(Item(f.GrpChkLB, "Furnitūra")->checkState(), Qt::Unchecked);
    Tick(Item(f.SubGrpChkLB, "Slēdzenes"));
    return Ok(f);
  });
  EXPECT_EQ(out.groupFilter, "((c.CATGROUP=3) or (c.CATGROUP=7 and c.SUBGROUP in (3)))");
  EXPECT_EQ(out.title, "Profili, Furnitūra [Slēdzenes]\r\nPeriods: visi");
}

TEST_F(PrintFilter, UntickingAGroupClearsItsSubgroups) {
  const Outputs out = Run([](TPrintFilter &f) {
    f.isGroups->click();
    QListWidgetItem *fittings = SelectGroup(f, "Furnitūra");
    Tick(fittings);
    EXPECT_EQ(Ticked(f.SubGrpChkLB).size(), 4);
    Tick(Item(f.SubGrpChkLB, "Eņģes"), false);
    EXPECT_EQ(fittings->checkState(), Qt::Checked);
    Tick(fittings, false);
    EXPECT_TRUE(Ticked(f.SubGrpChkLB).isEmpty());
    Tick(SelectGroup(f, "Profili"));
    // Ticking a group that is not the selected one selects it and shows its subgroups.
    Tick(Item(f.GrpChkLB, "Furnitūra"));
    EXPECT_EQ(f.GrpChkLB->currentItem()->text(), "Furnitūra");
    EXPECT_EQ(Ticked(f.SubGrpChkLB).size(), 4);
    Tick(Item(f.SubGrpChkLB, "Rokturi"), false);
    return Ok(f);
  });
  EXPECT_EQ(out.groupFilter, "((c.CATGROUP=3) or (c.CATGROUP=7 and c.SUBGROUP in (1,3,4)))");
  EXPECT_EQ(out.title, "Profili, Furnitūra [Eņģes, Slēdzenes, Blīves]\r\nPeriods: visi");
}

TEST_F(PrintFilter, GroupsWithoutOrWithGappedSubgroupsAreNamedAndFilteredRight) {
  const Outputs out = Run([](TPrintFilter &f) {
    f.isGroups->click();
    // A group without subgroups counts as chosen once ticked.
    Tick(SelectGroup(f, "Stikls"));
    EXPECT_EQ(f.SubGrpChkLB->count(), 0);
    SelectGroup(f, "Krāsas");
    Tick(Item(f.SubGrpChkLB, "Beices"));
    return Ok(f);
  });
  EXPECT_EQ(out.groupFilter, "((c.CATGROUP=5) or (c.CATGROUP=9 and c.SUBGROUP in (5)))");
  // Subgroups are named by their numbers, not by their places in the group.
  EXPECT_EQ(out.title, "Stikls, Krāsas [Beices]\r\nPeriods: visi");
}

TEST_F(PrintFilter, PeriodModeGivesADateConditionAndPeriodLine) {
  const Outputs out = Run([](TPrintFilter &f) {
    EXPECT_FALSE(f.PeriodGrpBox->isVisible());
    EXPECT_EQ(f.FromDate->date(), QDate(2024, 2, 4));
    EXPECT_EQ(f.ToDate->date(), QDate(2024, 3, 5));
    QTest::mouseClick(f.GrpModePeriod, Qt::LeftButton);
    EXPECT_TRUE(f.PeriodGrpBox->isVisible());
    f.FromDate->setDate(QDate(2024, 1, 1));
    f.ToDate->setDate(QDate(2024, 1, 31));
    return Ok(f);
  });
  ASSERT_TRUE(out.ok);
  EXPECT_EQ(out.period, "between \"2024-01-01\" and \"2024-01-31\"");
  EXPECT_EQ(out.title, "\r\nPeriods: 01.01.2024 līdz 31.01.2024");
  // Switched back to all dates: no condition, whatever the dates say.
  const Outputs all = Run([](TPrintFilter &f) {
    QTest::mouseClick(f.GrpModePeriod, Qt::LeftButton);
    QTest::mouseClick(f.GrpModeAll, Qt::LeftButton);
    EXPECT_FALSE(f.PeriodGrpBox->isVisible());
    return Ok(f);
  });
  EXPECT_EQ(all.period, "");
  EXPECT_EQ(all.title, "\r\nPeriods: visi");
}

TEST_F(PrintFilter, CancelClearsTheOutputsButLeavesTheTitle) {
  const Outputs out = Run([](TPrintFilter &f) {
    f.isGroups->click();
    Tick(SelectGroup(f, "Profili"));
    f.ResChkBox->click();
    QTest::mouseClick(f.BitBtn1, Qt::LeftButton);
    return mrNone;
  });
  EXPECT_FALSE(out.ok);
  EXPECT_FALSE(out.withReserve);
  EXPECT_EQ(out.groupFilter, "");
  EXPECT_EQ(out.period, "");
  EXPECT_EQ(out.title, "caller's title");
}

TEST_F(PrintFilter, SwitchedOffChoicesCannotBeMade) {
  const Outputs out = Run(
      [](TPrintFilter &f) {
        EXPECT_FALSE(f.ResChkBox->isEnabled());
        EXPECT_TRUE(f.isGroups->isEnabled());
        EXPECT_FALSE(f.GrpMode->isEnabled());
        EXPECT_FALSE(f.GroupBox2->isVisible());
        EXPECT_FALSE(f.PeriodGrpBox->isVisible());
        EXPECT_EQ(f.windowTitle(), "Печать отчёта");
        return Ok(f);
      },
      false, true, false);
  ASSERT_TRUE(out.ok);
  EXPECT_FALSE(out.withReserve);
  EXPECT_EQ(out.groupFilter, "");
  EXPECT_EQ(out.title, "\r\nPeriods: visi");
}

}  // namespace
