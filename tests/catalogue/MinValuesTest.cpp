#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include "CatalogueFixture.h"
#include "catalogue/inf_MatInfoUnit.h"
#include "catalogue/inf_MatSupplyInfoUnit.h"
#include "catalogue/inf_MinValuesUnit.h"
#include "core/ColorList.h"
#include "core/DataLists.h"
#include "core/DataUnit.h"
#include "core/InputFormUnit.h"
#include "platform/CalcEdit.h"
#include "platform/Grids.h"
#include "platform/SysUtils.h"
#include "support/Fixtures.h"
#include "support/ScriptedDialogs.h"

namespace {

void AnswerNumber(const QString &value) {
  Script().OnModal("InputForm", [value](QDialog *d) {
    auto *f = static_cast<TInputForm *>(d);
    f->Rx1->setText(value);
    f->BitBtn1->click();
    return mrNone;
  });
}

class MinValues : public CatalogueTest {
 protected:
  void Edit(Tinf_MinValues &w, int row, int col) {
    w.GrpStrGrd->setCurrentCell(row - 1, col);
    w.GrpStrGrdDblClick();
  }
  static QStringList Rows(const Tinf_MinValues &w) {
    QStringList out;
    for (int r = 1; r < w.GrpStrGrd->RowCount(); ++r)
      out << QStringList({w.GrpStrGrd->Cells(0, r), w.GrpStrGrd->Cells(1, r), w.GrpStrGrd->Cells(2, r)}).join('|');
    return out;
  }
  static QString Stored(int id, int sub) {
    TQuery q;
    q.SQL = QStringLiteral("select MINVALUE, WASTE from CatGroups where ID=%1 and SUBID=%2").arg(id).arg(sub);
    q.Open();
    return q.Fields(0).AsString() + "|" + q.Fields(1).AsString();
  }
};

TEST_F(MinValues, EditsAreWrittenOnSaveAndReachTheSharedGroups) {
  Db->Exec("update CatGroups set WASTE=2.5 where ID=1 and SUBID=2");
  LoadLists();
  Tinf_MinValues w(nullptr);
  w.show();
  EXPECT_EQ(Rows(w), QStringList({"Profiles||", "Pine|5|0", "Oak|0|2.5", "Glass||", "Seals||", "Rubber|10|0"}));
  // the same values again mark nothing
  AnswerNumber("5.4");
  Edit(w, 2, 1);
  AnswerNumber("2.54");
  Edit(w, 3, 2);
  EXPECT_EQ(w.GrpStrGrd->ObjectAs<TAddObj>(0, 2)->N5, 0);
  EXPECT_EQ(w.GrpStrGrd->ObjectAs<TAddObj>(0, 3)->N5, 0);
  // whole numbers round halves to even
  AnswerNumber("3.5");
  Edit(w, 2, 0);
  EXPECT_EQ(w.GrpStrGrd->Cells(1, 2), "4");
  // a group-wide waste marks every subgroup of that group only
  AnswerNumber("7.25");
  Edit(w, 1, 2);
  EXPECT_EQ(Rows(w), QStringList({"Profiles||", "Pine|4|7.3", "Oak|0|7.3", "Glass||", "Seals||", "Rubber|10|0"}));
  // a group without subgroups applies to nothing; a cancelled group dialog changes nothing
  AnswerNumber("9");
  Edit(w, 4, 1);
  Edit(w, 5, 1);
  EXPECT_EQ(Rows(w).last(), "Rubber|10|0");
  AnswerNumber("2.5");
  Edit(w, 6, 1);
  EXPECT_EQ(w.GrpStrGrd->Cells(1, 6), "2");

  Script().OnModal("inf_MinValues", [&](QDialog *) {
    w.SaveWB->click();
    return mrNone;
  });
  EXPECT_EQ(w.ShowModal(), mrOk);
  EXPECT_EQ(Stored(1, 1), "4|7.3");
  EXPECT_EQ(Stored(1, 2), "0|7.3");
  EXPECT_EQ(Stored(3, 1), "2|0");
  TCatGroupRec group;
  Groups->GetGroup(1, group);
  EXPECT_EQ(group.Subgroups[0].MINVALUE, 4);
  EXPECT_DOUBLE_EQ(group.Subgroups[1].WASTE, 7.3);
}

TEST_F(MinValues, CancelWritesNothing) {
  Tinf_MinValues w(nullptr);
  Script().OnModal("inf_MinValues", [&](QDialog *) {
    AnswerNumber("8");
    w.GrpStrGrd->setCurrentCell(1, 1);
    w.GrpStrGrdDblClick();
    w.CancelBtn->click();
    return mrNone;
  });
  EXPECT_EQ(w.ShowModal(), mrCancel);
  EXPECT_EQ(Stored(1, 1), "5|0");
}

TEST_F(MinValues, ASaveThatFailsWritesNoRowAndStaysOpen) {
  // the server refuses the second subgroup's row
  Db->Exec("create trigger CatGroupsRefuse before update on CatGroups for each row "
           "if NEW.ID=1 and NEW.SUBID=2 then signal sqlstate '45000' set message_text='refused'; end if");
  LoadLists();
  Tinf_MinValues w(nullptr);
  w.show();
  AnswerNumber("7");
  Edit(w, 2, 1);
  AnswerNumber("4");
  Edit(w, 3, 1);
  Script().OnModal("inf_MinValues", [&](QDialog *) {
    w.SaveWB->click();
    EXPECT_EQ(Script().LastMessage(), "Error executing query \"update CatGroups\"");
    EXPECT_TRUE(w.isVisible());
    w.CancelBtn->click();
    return mrNone;
  });
  EXPECT_EQ(w.ShowModal(), mrCancel);
  EXPECT_EQ(Stored(1, 1), "5|0");
  EXPECT_EQ(Stored(1, 2), "0|0");
  TCatGroupRec group;
  Groups->GetGroup(1, group);
  EXPECT_EQ(group.Subgroups[0].MINVALUE, 5);
  EXPECT_EQ(group.Subgroups[1].MINVALUE, 0);
}

TEST_F(MinValues, AMinimumTooLargeToStoreIsRefused) {
  LoadLists();
  Tinf_MinValues w(nullptr);
  w.show();
  AnswerNumber("3000000000");
  Edit(w, 3, 1);
  Script().OnModal("inf_MinValues", [&](QDialog *) {
    w.SaveWB->click();
    EXPECT_TRUE(w.isVisible());
    w.CancelBtn->click();
    return mrNone;
  });
  EXPECT_EQ(w.ShowModal(), mrCancel);
  EXPECT_FALSE(Script().Messages().isEmpty());
  EXPECT_EQ(Stored(1, 2), "0|0");
  TCatGroupRec group;
  Groups->GetGroup(1, group);
  EXPECT_EQ(group.Subgroups[1].MINVALUE, 0);
}

class Popups : public CatalogueTest {};

QStringList RowTexts(const TInfoPopup &w) {
  QStringList out;
  for (const auto &row : w.Rows) {
    QStringList cells;
    for (QLabel *l : row) cells << l->text() + (l->palette().color(QPalette::WindowText) == Qt::red ? "*" : "");
    out << cells.join('|');
  }
  return out;
}

TEST_F(Popups, StockPerColourIsRedBelowTheMinimum) {
  const int seal = fx::Material("Seal", Sup1, 1, 3, 1);  // minimum 10
  const int pine = fx::Material("Pine", Sup1, 0, 1, 1);  // minimum 5
  CheckLedger = false;
  fx::StockRow(seal, MakeColorCode(0, 0, 1, 0), 10);
  fx::StockRow(seal, MakeColorCode(0, 1, 0, 0), 9.995);
  fx::StockRow(pine, -1, 4.99);
  Tinf_MatInfo info(nullptr, seal, "Seal", 3, 1);
  info.show();
  EXPECT_EQ(RowTexts(info), QStringList({"Brown|10.00", "Grey*|9.995*"}));
  EXPECT_TRUE(info.Label3->isVisible());
  EXPECT_EQ(info.height(), 2 * 20 + 70);
  Tinf_MatInfo plain(nullptr, pine, "Pine", 1, 1);
  plain.show();
  EXPECT_EQ(RowTexts(plain), QStringList({"нет*|4.99*"}));
}

TEST_F(Popups, OpenLotsOldestFirst) {
  const int seal = fx::Material("Seal", Sup1, 1, 3, 1);
  const int white = MakeColorCode(0, 0, 0, 0);
  const int r2 = fx::Receipt(QDate(2024, 3, 1), "R-2", Sup1);
  const int r1 = fx::Receipt(QDate(2024, 1, 1), "R-1", Sup1);
  const int r3 = fx::Receipt(QDate(2024, 5, 1), "R-3", Sup1);
  fx::Lot(r2, seal, white, 3, 2.5);
  fx::Lot(r1, seal, white, 1.25, 2);
  fx::Lot(r3, seal, white, 7, 2.12346);
  fx::Lot(r3, seal, MakeColorCode(0, 0, 1, 0), 7, 1);
  Tinf_MatSupplyInfo lots(nullptr, seal, white, "Seal (White)");
  lots.show();
  const QString d1 = DateToStr(QDate(2024, 1, 1));
  EXPECT_EQ(RowTexts(lots)[0], "R-1|" + d1 + "|1.25 pcs|2.00 EUR");
  EXPECT_EQ(RowTexts(lots)[2], "R-3|" + DateToStr(QDate(2024, 5, 1)) + "|7.00 pcs|2.1235 EUR");
  EXPECT_EQ(lots.height(), 130);
  // no open lot: titles only, design height
  Tinf_MatSupplyInfo none(nullptr, seal, 12345, "Seal");
  none.show();
  EXPECT_TRUE(none.Rows.isEmpty());
  EXPECT_EQ(none.height(), 116);
  // a click closes it
  Script().OnModal("inf_MatSupplyInfo", [](QDialog *d) {
    QMouseEvent click(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(d->findChild<QLabel *>("Label2"), &click);
    EXPECT_FALSE(d->isVisible());
    return mrNone;
  });
  lots.ShowModal();
}

}  // namespace
