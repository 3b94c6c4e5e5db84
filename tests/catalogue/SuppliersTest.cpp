#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "CatalogueFixture.h"
#include "catalogue/inf_SupplierUnit.h"
#include "catalogue/inf_SuppliersUnit.h"
#include "core/DataUnit.h"
#include "platform/Grids.h"
#include "support/Fixtures.h"
#include "support/ScriptedDialogs.h"

namespace {

class Suppliers : public CatalogueTest {};

QStringList Names(const Tinf_Suppliers &list) {
  QStringList out;
  for (int r = 1; r < list.SuppliersGrid->RowCount(); ++r) out << list.SuppliersGrid->Cells(0, r);
  return out;
}

// Fills the card's boxes and saves it; returns what the save left in the dialog seam.
std::function<int(QDialog *)> FillCard(const QString &name, const QString &phones, const QString &lastNum) {
  return [=](QDialog *d) {
    if (!name.isNull()) d->findChild<QLineEdit *>("eName")->setText(name);
    d->findChild<QLineEdit *>("ePhones")->setText(phones);
    d->findChild<QLineEdit *>("eFAddr")->setText("Rīga, \"Centrs\" 1\\2");
    d->findChild<QLineEdit *>("eLastNum")->setText(lastNum);
    d->findChild<QPushButton *>("BitBtn1")->click();
    return mrNone;
  };
}

TEST_F(Suppliers, AddEditAndDeleteThroughTheList) {
  Tinf_Suppliers list(nullptr, Sup2);
  list.show();
  EXPECT_EQ(Names(list), QStringList({"Glass & Co", "Timber Ltd"}));
  EXPECT_EQ(list.SuppliersGrid->Row(), 1);  // the supplier asked for

  // a new supplier with quotes and backslashes stands at the end and is selected
  Script().OnModal("inf_Supplier", FillCard("O'Hara \"Beams\" \\ Sons", "+371 2", ""));
  list.BitBtn4->click();
  EXPECT_TRUE(list.Changed);
  EXPECT_EQ(Names(list), QStringList({"Glass & Co", "Timber Ltd", "O'Hara \"Beams\" \\ Sons"}));
  EXPECT_EQ(list.SuppliersGrid->Row(), 3);
  EXPECT_EQ(list.SuppliersGrid->Cells(1, 3), "Rīga, \"Centrs\" 1\\2");
  TQuery q;
  q.SQL = "select * from Suppliers where PHONES=\"+371 2\"";
  q.Open();
  ASSERT_EQ(q.RecordCount(), 1);
  EXPECT_EQ(q.FieldByName("NAME").AsString(), "O'Hara \"Beams\" \\ Sons");
  EXPECT_EQ(q.FieldByName("FADDRESS").AsString(), "Rīga, \"Centrs\" 1\\2");
  EXPECT_EQ(q.FieldByName("LASTNUM").AsInteger(), 0);  // an empty request number is 0
  const int newId = q.FieldByName("ID").AsInteger();
  q.Close();

  // editing the current row updates its cells and the table
  list.SuppliersGrid->SetRow(2);
  Script().OnModal("inf_Supplier", FillCard("Timber Ltd.", "555", "17"));
  list.BitBtn5->click();
  EXPECT_EQ(list.SuppliersGrid->Cells(0, 2), "Timber Ltd.");
  EXPECT_EQ(list.SuppliersGrid->Cells(2, 2), "555");
  EXPECT_EQ(SQLInt(QStringLiteral("select LASTNUM from Suppliers where ID=%1").arg(Sup1)), 17);
  EXPECT_EQ(fx::Count("Suppliers"), 3);

  // a supplier named by a material stays
  fx::Material("Pine", Sup1);
  list.BitBtn2->click();
  EXPECT_EQ(Script().LastMessage(),
            "Вы не можете удалить поставщика, так как в каталоге имеются товары от него!");
  EXPECT_EQ(fx::Count("Suppliers"), 3);

  // one named by documents only goes, after the question with its name
  fx::Receipt(QDate(2024, 1, 1), "R-1", newId);
  list.SuppliersGrid->SetRow(3);
  Script().Answers.push_back(mrNo);
  list.BitBtn2->click();
  EXPECT_EQ(Script().LastMessage(), "Удалить поставщика \"O'Hara \"Beams\" \\ Sons\"? Вы уверены?");
  EXPECT_EQ(fx::Count("Suppliers"), 3);
  list.BitBtn2->click();
  EXPECT_EQ(fx::Count("Suppliers"), 2);
  EXPECT_EQ(Names(list), QStringList({"Glass & Co", "Timber Ltd."}));
}

TEST_F(Suppliers, CardRefusesMissingNameAndNonNumericRequestNumber) {
  Tinf_Supplier card(nullptr, Sup1);
  EXPECT_EQ(card.eName->text(), "Timber Ltd");
  Script().OnModal("inf_Supplier", [&](QDialog *) {
    card.eName->setText("   ");
    card.BitBtn1->click();
    EXPECT_TRUE(card.isVisible());
    EXPECT_EQ(Script().LastMessage(), "Введите название поставщика!");
    card.eName->setText("Timber");
    card.eLastNum->setText("12a");
    card.BitBtn1->click();
    EXPECT_TRUE(card.isVisible());
    EXPECT_EQ(Script().LastMessage(), "Номер последней заявки должен быть целым числом!");
    card.eLastNum->setText(" 42 ");
    card.BitBtn1->click();
    return mrNone;
  });
  EXPECT_EQ(card.ShowModal(), mrOk);
  EXPECT_EQ(card.SavedName, "Timber");
  EXPECT_EQ(SQLInt(QStringLiteral("select LASTNUM from Suppliers where ID=%1").arg(Sup1)), 42);
  EXPECT_EQ(fx::Count("Suppliers", "NAME=\"Timber\""), 1);
}

TEST_F(Suppliers, CardEditsSuppliersAboveTheOldSixteenBitRange) {
  Db->Exec("insert into Suppliers (ID, NAME) values (40000, 'Far Away')");
  Tinf_Supplier card(nullptr, 40000);
  EXPECT_EQ(card.eName->text(), "Far Away");
  Script().OnModal("inf_Supplier", FillCard("Far Away SIA", "1", "3"));
  EXPECT_EQ(card.ShowModal(), mrOk);
  EXPECT_EQ(card.SavedID, 40000);
  EXPECT_EQ(fx::Count("Suppliers"), 3);
  EXPECT_EQ(fx::Count("Suppliers", "ID=40000 and NAME=\"Far Away SIA\""), 1);
}

TEST_F(Suppliers, EmptyListFillsItsFirstRowAndDisablesEditing) {
  Db->Exec("delete from Suppliers");
  Tinf_Suppliers list(nullptr, 77);
  list.show();
  list.SuppliersPopupPopup();
  EXPECT_FALSE(list.N2->isEnabled());
  EXPECT_FALSE(list.N3->isEnabled());
  EXPECT_TRUE(list.N1->isEnabled());
  list.BitBtn5->click();  // nothing to edit
  EXPECT_TRUE(Script().ModalShown.isEmpty());
  Script().OnModal("inf_Supplier", FillCard("First", "", "1"));
  list.BitBtn4->click();
  EXPECT_EQ(Names(list), QStringList({"First"}));
  // deleting the only supplier leaves one empty row
  list.BitBtn2->click();
  EXPECT_EQ(list.SuppliersGrid->RowCount(), 2);
  EXPECT_EQ(Names(list), QStringList({""}));
  EXPECT_EQ(fx::Count("Suppliers"), 0);
}

}  // namespace
