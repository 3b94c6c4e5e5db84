#include <gtest/gtest.h>

#include <QPushButton>

#include "CatalogueFixture.h"
#include "catalogue/inf_ChangeValuesUnit.h"
#include "core/DataUnit.h"
#include "core/InputFormUnit.h"
#include "platform/CalcEdit.h"
#include "support/Fixtures.h"
#include "support/ScriptedDialogs.h"

namespace {

class ChangeValues : public CatalogueTest {};

// Answers the next number dialog with a value (OK).
void AnswerNumber(const QString &value) {
  Script().OnModal("InputForm", [value](QDialog *d) {
    auto *f = static_cast<TInputForm *>(d);
    f->Rx1->setText(value);
    f->BitBtn1->click();
    return mrNone;
  });
}

void EditCell(TChangeValues &editor, int row, int col) {
  editor.StrGrd->setCurrentCell(row - 1, col);
  editor.StrGrdDblClick();
}

TEST_F(ChangeValues, CurrenciesGetNewNamesAndRatesAsTyped) {
  TChangeValues editor(nullptr, 1);
  editor.show();
  EXPECT_TRUE(editor.AddBitBtn->isHidden());
  EXPECT_EQ(editor.StrGrd->Cells(0, 0), "Валюта");
  EXPECT_EQ(editor.StrGrd->Cells(1, 2), "0.9");
  // the same rate again marks nothing; a new rate keeps every typed decimal
  AnswerNumber("0.9");
  EditCell(editor, 2, 1);
  EXPECT_FALSE(editor.StrGrd->ObjectAs<TTmpObj>(0, 2)->Changed);
  AnswerNumber("1234.56789");
  EditCell(editor, 2, 1);
  EXPECT_EQ(editor.StrGrd->Cells(1, 2), "1234.56789");
  Script().Inputs.push_back(QString("U\"S"));
  EditCell(editor, 1, 0);
  EXPECT_EQ(Script().InputPrompts.last(), "Введите новое название");
  Script().OnModal("ChangeValues", [&](QDialog *) {
    editor.BitBtn3->click();
    return mrNone;
  });
  EXPECT_EQ(editor.ShowModal(), mrOk);
  EXPECT_DOUBLE_EQ(SQLFloat("select RATE from Currencies where ID=1"), 1234.56789);
  EXPECT_EQ(fx::Count("Currencies", "ID=0 and NAME=\"U\\\"S\" and RATE=1"), 1);
}

TEST_F(ChangeValues, DiscountGroupsAreAddedDeletedAndWrittenInOnePlan) {
  fx::Material("Pine", Sup1);  // uses discount group 0
  Db->Exec("insert into DiscountGroups (ID, NAME, DVALUE) values (4, 'Big', 20)");
  TChangeValues editor(nullptr, 2);
  editor.show();
  EXPECT_EQ(editor.StrGrd->RowCount(), 4);
  // the group in use stays
  editor.StrGrd->SetRow(1);
  editor.DelBitBtn->click();
  EXPECT_EQ(Script().LastMessage(), "Вы не можете удалить группу. Она используется в каталоге.");
  // a stored group is deleted, a new one added and deleted again, two more added
  editor.StrGrd->SetRow(2);
  editor.DelBitBtn->click();
  Script().Inputs = {QString("Temp"), QString("Seasonal"), QString("Wholesale \"A\"")};
  editor.AddBitBtn->click();
  editor.StrGrd->SetRow(editor.StrGrd->RowCount() - 1);
  editor.DelBitBtn->click();
  editor.AddBitBtn->click();
  editor.AddBitBtn->click();
  AnswerNumber("7.5");
  EditCell(editor, editor.StrGrd->RowCount() - 1, 1);
  EXPECT_EQ(editor.DeletedIDs(), QList<int>({1}));

  // a failing statement writes nothing and the editor stays open; OK again writes the plan once
  Db->Exec("create trigger wh_fail before insert on DiscountGroups for each row "
           "signal sqlstate '45000' set message_text = 'disk full'");
  int attempts = 0;
  Script().OnModal("ChangeValues", [&](QDialog *) {
    editor.BitBtn3->click();
    ++attempts;
    EXPECT_TRUE(editor.isVisible());
    EXPECT_EQ(fx::Count("DiscountGroups"), 3);
    Db->Exec("drop trigger wh_fail");
    editor.BitBtn3->click();
    return mrNone;
  });
  EXPECT_EQ(editor.ShowModal(), mrOk);
  EXPECT_EQ(attempts, 1);
  TQuery q;
  q.SQL = "select ID, NAME, DVALUE from DiscountGroups order by ID";
  q.Open();
  QStringList rows;
  for (q.First(); !q.Eof(); q.Next())
    rows << QString("%1 %2 %3").arg(q.Fields(0).AsString(), q.Fields(1).AsString(), q.Fields(2).AsString());
  EXPECT_EQ(rows, QStringList({"0 None 0", "4 Big 20", "5 Seasonal 0", "6 Wholesale \"A\" 7.5"}));
}

TEST_F(ChangeValues, NamesLongerThanTheirColumnsAreRefusedWithTheField) {
  {
    TChangeValues editor(nullptr, 1);
    editor.show();
    Script().Inputs = {QString("EURO"), QString("L😀€")};
    EditCell(editor, 1, 0);
    EXPECT_EQ(Script().LastMessage(), "Значение поля \"Валюта\" слишком длинное (не более 3 символов)!");
    EXPECT_FALSE(editor.StrGrd->ObjectAs<TTmpObj>(0, 1)->Changed);
    EditCell(editor, 1, 0);  // three characters, one of them beyond U+FFFF
    Script().OnModal("ChangeValues", [&](QDialog *) {
      editor.BitBtn3->click();
      return mrNone;
    });
    EXPECT_EQ(editor.ShowModal(), mrOk);
    EXPECT_EQ(fx::Count("Currencies", "ID=0 and NAME=" + QuoteSQL("L😀€")), 1);
  }
  Script().Clear();
  TChangeValues editor(nullptr, 2);
  editor.show();
  const QString fifty(50, QChar(0x0101)), longer = QString(51, 'x');
  Script().Inputs = {longer, fifty, longer};
  editor.AddBitBtn->click();
  EXPECT_EQ(Script().LastMessage(), "Значение поля \"Группа скидки\" слишком длинное (не более 50 символов)!");
  const int rows = editor.StrGrd->RowCount();
  editor.AddBitBtn->click();
  EXPECT_EQ(editor.StrGrd->RowCount(), rows + 1);
  EditCell(editor, rows, 0);
  EXPECT_EQ(editor.StrGrd->Cells(0, rows), fifty);
  Script().OnModal("ChangeValues", [&](QDialog *) {
    editor.BitBtn3->click();
    return mrNone;
  });
  EXPECT_EQ(editor.ShowModal(), mrOk);
  EXPECT_EQ(fx::Count("DiscountGroups", "NAME=" + QuoteSQL(fifty)), 1);
}

TEST_F(ChangeValues, CancelWritesNothing) {
  TChangeValues editor(nullptr, 2);
  Script().OnModal("ChangeValues", [&](QDialog *) {
    editor.StrGrd->SetRow(2);
    editor.DelBitBtn->click();
    Script().Inputs = {QString("New")};
    editor.AddBitBtn->click();
    editor.BitBtn2->click();
    return mrNone;
  });
  EXPECT_EQ(editor.ShowModal(), mrCancel);
  EXPECT_EQ(fx::Count("DiscountGroups"), 2);
}

}  // namespace
