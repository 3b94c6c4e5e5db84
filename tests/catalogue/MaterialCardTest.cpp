#include <gtest/gtest.h>

#include <QTest>

#include <QCheckBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QApplication>
#include <QPushButton>
#include <QToolButton>

#include "CatalogueFixture.h"
#include "catalogue/inf_ChangeValuesUnit.h"
#include "catalogue/inf_MaterialUnit.h"
#include "catalogue/inf_SupplierUnit.h"
#include "catalogue/inf_SuppliersUnit.h"
#include "core/ColorList.h"
#include "core/DataLists.h"
#include "core/DataUnit.h"
#include "core/IDComboBox.h"
#include "platform/CalcEdit.h"
#include "platform/Grids.h"
#include "support/Fixtures.h"
#include "support/Keyboard.h"
#include "support/ScriptedDialogs.h"

namespace {

void Choose(TIDComboBox *combo, const QString &text) {
  const int i = combo->findText(text);
  ASSERT_GE(i, 0) << text.toStdString();
  combo->setCurrentIndex(i);
  emit combo->activated(i);
}

// A catalogue row as text: the columns asked for, NULL written as "NULL".
QString Row(int id, const QString &columns) {
  TQuery q;
  q.SQL = QStringLiteral("select %1 from Catalog where ID=%2").arg(columns).arg(id);
  q.Open();
  QStringList out;
  for (int i = 0; i < q.FieldCount(); ++i) out << (q.Fields(i).IsNull() ? "NULL" : q.Fields(i).AsString());
  return out.join('|');
}

class MaterialCard : public CatalogueTest {
 protected:
  // Shows a card, lets the test work it, and returns its modal result.
  int Run(Tinf_Material &card, const std::function<void(Tinf_Material &)> &work) {
    Script().OnModal("inf_Material", [&](QDialog *) {
      work(card);
      return mrNone;
    });
    return card.ShowModal();
  }
};

TEST_F(MaterialCard, NewCardsAreSavedAndRepeatTheLastChoices) {
  {
    Tinf_Material card(nullptr, -1);
    EXPECT_EQ(Run(card, [](Tinf_Material &c) {
                // the first card of a run: the first item everywhere, prices 0, no colour
                EXPECT_EQ(c.IDcb_Supplier->currentText(), "Glass & Co");
                EXPECT_EQ(c.IDcb_Grp->currentText(), "Profiles");
                EXPECT_EQ(c.IDcb_SubGrp->currentText(), "Pine");
                EXPECT_EQ(c.IDcb_System->currentText(), "Pine line");
                EXPECT_EQ(c.PriceRecs.size(), 5);
                EXPECT_EQ(c.PriceRecs[0].PriceEdit->Value(), 0.0);
                EXPECT_FALSE(c.IsColored->isChecked());
                // the columns follow the captions of the first colour category
                EXPECT_EQ(c.PriceRecs[1].PriceLabel->text(), "Group B");
                EXPECT_FALSE(c.PriceRecs[2].PriceEdit->isEnabled());
                EXPECT_FALSE(c.IDcb_MnGrp->isEnabled());
                Choose(c.IDcb_Supplier, "Timber Ltd");
                Choose(c.IDcb_Grp, "Seals");
                EXPECT_EQ(c.IDcb_SubGrp->currentText(), "Rubber");
                Choose(c.IDcb_Currency, "USD");
                c.eName->setText("Seal \"K-12\" 5\\8");
                c.eNotes->setText("it's black");
                c.IsColored->click();
                EXPECT_TRUE(c.PriceRecs[4].PriceEdit->isEnabled());
                Choose(c.IDcb_MnGrp, "Premium");
                EXPECT_EQ(c.PriceRecs[2].PriceLabel->text(), "P3");
                EXPECT_EQ(c.PriceRecs[3].PriceLabel->text(), "");
                EXPECT_FALSE(c.PriceRecs[3].PriceEdit->isEnabled());
                c.PriceRecs[0].PriceEdit->setText("12");
                c.PriceRecs[1].PriceEdit->setText("0.125");
                c.PriceRecs[0].DeliveryEdit->setText("7");
                c.eLength->setText("2.5");
                c.eDelta->setText("3.5");
                c.eSize->setText("1.5");
                c.BitBtn1->click();
              }),
              mrOk);
  }
  const int id = SQLInt("select max(ID) from Catalog");
  EXPECT_EQ(Row(id, "NAME, COMMENTS, SUPPLIER, CATGROUP, SUBGROUP, CURRENCY, SYSTEMID, MAINGRP, ISCOLOR"),
            QString("Seal \"K-12\" 5\\8|it's black|%1|3|1|1|0|1|1").arg(Sup1));
  EXPECT_EQ(Row(id, "PRICE0, PRICE1, PRICE2, DELIVERY0, DELIVERY1, LENGTH, DELTA, SIZE, SMALLPACK"),
            "12|0.125|NULL|7|0|2|4|1.5|NULL");

  // the next new card repeats choices, prices, colour flag and category, not texts or sizes
  Tinf_Material next(nullptr, -1);
  EXPECT_EQ(Run(next, [](Tinf_Material &c) {
              EXPECT_EQ(c.IDcb_Supplier->currentText(), "Timber Ltd");
              EXPECT_EQ(c.IDcb_Grp->currentText(), "Seals");
              EXPECT_EQ(c.IDcb_Currency->currentText(), "USD");
              EXPECT_TRUE(c.IsColored->isChecked());
              EXPECT_EQ(c.IDcb_MnGrp->currentText(), "Premium");
              EXPECT_EQ(c.PriceRecs[1].PriceLabel->text(), "P2");
              EXPECT_EQ(c.PriceRecs[0].PriceEdit->Value(), 12.0);
              EXPECT_EQ(c.PriceRecs[0].DeliveryEdit->Value(), 0.0);
              EXPECT_EQ(c.eName->text(), "");
              EXPECT_EQ(c.eSize->Value(), 0.0);
              c.BitBtn2->click();
            }),
            mrCancel);
}

TEST_F(MaterialCard, NumbersTakeACommaAndWhatTheirColumnsCannotHoldIsRefused) {
  Tinf_Material card(nullptr, -1);
  EXPECT_EQ(Run(card, [](Tinf_Material &c) {
              c.eName->setText("Comma");
              for (TCalcEdit *e : {c.PriceRecs[0].PriceEdit, c.eSize}) e->clear();
              QTest::keyClicks(c.PriceRecs[0].PriceEdit, "12,5");
              QTest::keyClicks(c.eSize, "0,75");
              // a delivery time beyond the 32-bit column, a price that is no number
              c.PriceRecs[0].DeliveryEdit->setText("3000000000");
              c.BitBtn1->click();
              EXPECT_EQ(Script().LastMessage(), "Неверное число!");
              EXPECT_TRUE(c.isVisible());
              c.PriceRecs[0].DeliveryEdit->setText("14");
              c.PriceRecs[1].PriceEdit->setText("inf");
              c.BitBtn1->click();
              EXPECT_TRUE(c.isVisible());
              c.PriceRecs[1].PriceEdit->setText("0");
              c.BitBtn1->click();
            }),
            mrOk);
  EXPECT_EQ(Script().Messages(), QStringList({"Неверное число!", "Неверное число!"}));
  const int id = SQLInt("select max(ID) from Catalog");
  EXPECT_EQ(Row(id, "NAME, PRICE0, PRICE1, DELIVERY0, SIZE"), "Comma|12.5|NULL|14|0.75");
}

TEST_F(MaterialCard, RefusesAnEmptyArticleAndEmptyRequiredChoices) {
  Db->Exec("delete from Suppliers");
  LoadLists();
  Tinf_Material card(nullptr, -1);
  Run(card, [](Tinf_Material &c) {
    c.eName->setText("  ");
    c.BitBtn1->click();
    EXPECT_EQ(Script().LastMessage(), "У товара должен быть артикул!");
    c.eName->setText("Pine");
    c.BitBtn1->click();
    EXPECT_EQ(Script().LastMessage(), "Не выбрано значение поля \"Поставщик\"!");
    EXPECT_TRUE(c.isVisible());
    c.BitBtn2->click();
  });
  EXPECT_EQ(fx::Count("Catalog"), 0);
}

TEST_F(MaterialCard, AMaterialOfAnUnlistedSystemIsNotMovedToTheFirstSystem) {
  const int id = fx::Material("Frame", Sup2, 0, 1, 2);
  Db->Exec(QStringLiteral("update Catalog set SYSTEMID=9 where ID=%1").arg(id));
  Tinf_Material card(nullptr, id);
  Run(card, [](Tinf_Material &c) {
    ASSERT_GT(c.IDcb_System->count(), 0);
    c.BitBtn1->click();
    EXPECT_EQ(Script().LastMessage(), "Не выбрано значение поля \"Система профилей\"!");
    EXPECT_TRUE(c.isVisible());
    c.BitBtn2->click();
  });
  EXPECT_EQ(Row(id, "SYSTEMID"), "9");
}

TEST_F(MaterialCard, ExistingMaterialsKeepTheirColourCategory) {
  const int coloured = fx::Material("Frame", Sup2, 1, 1, 2, 0, 4.5);
  Db->Exec(QStringLiteral("update Catalog set MAINGRP=1, PRICE2=7.25, DELIVERY2=3 where ID=%1").arg(coloured));
  const int plain = fx::Material("Glue", Sup1, 0, 2, 0, 0);
  Db->Exec(QStringLiteral("update Catalog set MAINGRP=1 where ID=%1").arg(plain));
  {
    Tinf_Material card(nullptr, coloured);
    EXPECT_EQ(Run(card, [](Tinf_Material &c) {
                EXPECT_EQ(c.IDcb_Supplier->currentText(), "Glass & Co");
                EXPECT_EQ(c.IDcb_SubGrp->currentText(), "Oak");
                EXPECT_EQ(c.IDcb_MnGrp->currentText(), "Premium");
                EXPECT_TRUE(c.IDcb_MnGrp->isEnabled());
                EXPECT_EQ(c.PriceRecs[0].PriceLabel->text(), "P1");
                EXPECT_EQ(c.PriceRecs[2].PriceEdit->Value(), 7.25);
                EXPECT_EQ(c.PriceRecs[2].DeliveryEdit->Value(), 3.0);
                c.BitBtn1->click();
              }),
              mrOk);
  }
  EXPECT_EQ(Row(coloured, "MAINGRP, PRICE0, PRICE2, DELIVERY2, CATGROUP, SUBGROUP"), "1|4.5|7.25|3|1|2");
  EXPECT_EQ(fx::Count("Catalog"), 2);

  Tinf_Material card(nullptr, plain);
  Run(card, [](Tinf_Material &c) {
    EXPECT_FALSE(c.IDcb_MnGrp->isEnabled());
    EXPECT_EQ(c.IDcb_MnGrp->currentIndex(), 1);
    EXPECT_TRUE(c.PriceRecs[0].PriceEdit->isEnabled());
    EXPECT_FALSE(c.PriceRecs[1].PriceEdit->isEnabled());
    EXPECT_FALSE(c.PriceRecs[4].DeliveryEdit->isEnabled());
    // ticking the box starts the category again at its first item
    c.IsColored->click();
    EXPECT_EQ(c.IDcb_MnGrp->currentIndex(), 0);
    c.BitBtn2->click();
  });
}

TEST_F(MaterialCard, ColourFlagChangeRewritesTheColourCodesOnConfirmation) {
  CheckLedger = false;  // the rewritten rows are merged later by the colour clean-up
  const int frame = fx::Material("Frame", Sup1, 1, 1, 1);
  const int rc = fx::Receipt(QDate(2024, 1, 2), "R-1", Sup1);
  fx::Lot(rc, frame, MakeColorCode(0, 0, 0, 0), 2, 1);
  fx::Lot(rc, frame, MakeColorCode(0, 0, 1, 0), 3, 1);
  const int other = fx::Material("Other", Sup1, 1, 1, 1);
  fx::Lot(rc, other, MakeColorCode(0, 0, 1, 0), 1, 1);

  // No: only the flag changes
  {
    Tinf_Material card(nullptr, frame);
    Script().Answers.push_back(mrNo);
    Run(card, [](Tinf_Material &c) {
      c.IsColored->click();
      c.BitBtn1->click();
    });
    EXPECT_EQ(Script().LastMessage(), "У материалов зарегистрированных на складе изменён цвет!\r\rПодтвердите изменения!");
    EXPECT_EQ(Row(frame, "ISCOLOR"), "0");
    EXPECT_EQ(fx::Count("CatalogQty", QStringLiteral("CATID=%1 and COLOR=-1").arg(frame)), 0);
  }
  // Yes: back to coloured, every row of the material under code 0, quantities kept apart
  {
    Tinf_Material card(nullptr, frame);
    Run(card, [](Tinf_Material &c) {
      c.IsColored->click();
      c.BitBtn1->click();
    });
    EXPECT_EQ(Row(frame, "ISCOLOR"), "1");
    EXPECT_EQ(fx::Count("CatalogQty", QStringLiteral("CATID=%1 and COLOR=0").arg(frame)), 2);
    EXPECT_EQ(fx::Count("WaybillCont", QStringLiteral("CATID=%1 and COLOR=0").arg(frame)), 2);
  }
  {
    Tinf_Material card(nullptr, frame);
    Run(card, [](Tinf_Material &c) {
      c.IsColored->click();
      c.BitBtn1->click();
    });
    EXPECT_EQ(fx::Count("CatalogQty", QStringLiteral("CATID=%1 and COLOR=-1").arg(frame)), 2);
    EXPECT_EQ(fx::Count("WaybillCont", QStringLiteral("CATID=%1 and COLOR=-1").arg(frame)), 2);
    EXPECT_DOUBLE_EQ(fx::StockQty(frame, -1), 5);
  }
  EXPECT_EQ(fx::Count("CatalogQty", QStringLiteral("CATID=%1 and COLOR=%2").arg(other).arg(MakeColorCode(0, 0, 1, 0))), 1);
  // without stock rows nothing is asked
  const int fresh = fx::Material("Fresh", Sup1, 0, 1, 1);
  const size_t asked = Script().Boxes.size();
  Tinf_Material card(nullptr, fresh);
  Run(card, [](Tinf_Material &c) {
    c.IsColored->click();
    c.BitBtn1->click();
  });
  EXPECT_EQ(Script().Boxes.size(), asked);
  EXPECT_EQ(Row(fresh, "ISCOLOR"), "1");
}

TEST_F(MaterialCard, EditsMaterialsAboveTheOldSixteenBitRange) {
  Db->Exec(QStringLiteral("insert into Catalog (ID, NAME, SUPPLIER, CATGROUP, SUBGROUP) values (40000, 'Far', %1, 1, 1)")
               .arg(Sup1));
  Tinf_Material card(nullptr, 40000);
  EXPECT_EQ(Run(card, [](Tinf_Material &c) {
              EXPECT_EQ(c.eName->text(), "Far");
              c.eName->setText("Farther");
              c.BitBtn1->click();
            }),
            mrOk);
  EXPECT_EQ(fx::Count("Catalog"), 1);
  EXPECT_EQ(Row(40000, "NAME"), "Farther");
}

TEST_F(MaterialCard, ListsEditedFromTheCardAreReloaded) {
  const int id = fx::Material("Frame", Sup2, 0, 1, 1);
  Db->Exec(QStringLiteral("update Catalog set CURRENCY=1 where ID=%1").arg(id));
  Tinf_Material card(nullptr, id);
  Run(card, [&](Tinf_Material &c) {
    // a supplier added in the list appears in the box; the chosen one stays chosen
    Script().OnModal("inf_Suppliers", [](QDialog *d) {
      auto *list = static_cast<Tinf_Suppliers *>(d);
      Script().OnModal("inf_Supplier", [](QDialog *s) {
        s->findChild<QLineEdit *>("eName")->setText("Alder Oy");
        s->findChild<QPushButton *>("BitBtn1")->click();
        return mrNone;
      });
      list->BitBtn4->click();
      return mrCancel;
    });
    c.SpeedButton1->click();
    EXPECT_TRUE(c.Changed);
    EXPECT_EQ(c.IDcb_Supplier->count(), 3);
    EXPECT_EQ(c.IDcb_Supplier->itemText(0), "Alder Oy");
    EXPECT_EQ(c.IDcb_Supplier->currentText(), "Glass & Co");
    // a renamed currency is listed once with its new name and stays chosen
    Script().OnModal("ChangeValues", [](QDialog *d) {
      auto *e = static_cast<TChangeValues *>(d);
      e->StrGrd->setCurrentCell(1, 0);
      Script().Inputs.push_back(QString("GBP"));
      e->StrGrdDblClick();
      e->BitBtn3->click();
      return mrNone;
    });
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton, Qt::LeftButton,
                    Qt::NoModifier);
    QApplication::sendEvent(c.Label18, &dbl);
    EXPECT_EQ(c.IDcb_Currency->count(), 2);
    EXPECT_EQ(c.IDcb_Currency->currentText(), "GBP");
    c.BitBtn2->click();
  });
  EXPECT_TRUE(card.Changed);
  EXPECT_EQ(CurrencyNames.ByID(1), "GBP");
  EXPECT_EQ(SupplierList->Count(), 3);
}

TEST_F(MaterialCard, TabWalksTheCardInItsPublishedOrderWithThePriceColumnsInPlace) {
  Tinf_Material card(nullptr, -1);
  QString walk;
  Run(card, [&](Tinf_Material &c) {
    c.IsColored->click();  // every price column open
    walk = TabWalk(&c, c.IDcb_System, 31);
    c.BitBtn2->click();
  });
  // the price columns built at show time sit between the sizes and the pack sizes; the flat
  // "..." buttons beside the supplier and the discount group take no focus
  EXPECT_EQ(walk.toStdString(),
            "IDcb_System IDcb_Supplier IDcb_Grp IDcb_SubGrp eName IDcb_Discount eNotes "
            "IDcb_Measure IDcb_Currency eSize eLength PRICE0 DELIVERY0 PRICE1 DELIVERY1 PRICE2 "
            "DELIVERY2 PRICE3 DELIVERY3 PRICE4 DELIVERY4 ePackUnitSize eQtyInPack eQtyInBigPack "
            "eDelta IsColored IDcb_MnGrp BitBtn2 BitBtn1 IDcb_System IDcb_Supplier IDcb_Grp");
}

}  // namespace
