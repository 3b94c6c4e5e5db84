// The receipt and request editor worked through its controls against a real database.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include "ReceiptFixture.h"
#include "support/LedgerCheck.h"
#include <QLabel>
#include "core/ColorList.h"
#include "platform/SysUtils.h"
#include "core/DataUnit.h"
#include "core/IDComboBox.h"
#include "documents/DivazInPickerUnit.h"
#include "documents/DivazInUnit.h"
#include "platform/CalcEdit.h"
#include "platform/Grids.h"
#include "support/Fixtures.h"
#include "support/ScriptedDialogs.h"

namespace {

class ReceiptEditor : public ReceiptTest {
 protected:
  // Shows an editor modally and works it with the handler; returns the modal result.
  int Run(int id, uint8_t kind, std::function<void(TDivazIn *)> work, bool stockMode = false) {
    std::unique_ptr<TDivazIn> e(TDivazIn::CreateDoc(nullptr, id, kind));
    e->SpeedButton1->setChecked(stockMode);
    Script().OnModal("DivazIn", [&](QDialog *) {
      work(e.get());
      return mrNone;
    });
    return e->ShowModal();
  }
  static TAddObj *Obj(TDivazIn *e, int row) { return e->ContentGrid->ObjectAs<TAddObj>(0, row); }
};

TEST_F(ReceiptEditor, ForeignCurrencyReceiptBecomesLotsAndRaisesStock) {
  int result = Run(-1, 0, [&](TDivazIn *e) {
    EnterHeader(e, Timber, "R\"1'\\", 1);
    EXPECT_EQ(e->Valuta->Value(), 0.8);
    e->Edit2->setText("ORD-7");
    e->Edit3->setText("first; delivery");
    e->isPaid->setChecked(true);
    ASSERT_FALSE(e->Panel2->isHidden());
    // uncoloured Pine: PRICE0 10 USD at 0.8 with a 10 % discount, in the document's USD
    ASSERT_TRUE(PickMaterial(e, "Pine beam"));
    EXPECT_NEAR(e->Price->Value(), 9.0, 1e-9);
    EXPECT_EQ(e->QtyMeasure->text(), "м");
    AddLine(e, "Pine beam", 10);
    // coloured Oak: colour group 3 chooses PRICE3 (20 EUR) = 25 USD; inner 5, outer 7
    ASSERT_TRUE(PickMaterial(e, "Oak frame"));
    Choose(e->IDcb_ColorGrp, ColorGroupItemID(2, 3, 0));
    EXPECT_NEAR(e->Price->Value(), 25.0, 1e-9);
    Choose(e->IDcb_InColor, 5);
    Choose(e->IDcb_OutColor, 7);
    e->Qty->setText("3");
    e->AddBtn->click();
    // the same material and colour again is refused; another colour is a new line
    e->Qty->setText("1");
    e->AddBtn->click();
    EXPECT_EQ(Script().LastMessage(), "Артикул уже в списке. Просто измените его количество.");
    EXPECT_EQ(e->ContentGrid->RowCount(), 3);
    EXPECT_EQ(e->ContentGrid->Cells(2, 1), "10.000000");
    EXPECT_EQ(e->ContentGrid->Cells(3, 1), "7.200000");
    EXPECT_EQ(e->ContentGrid->Cells(4, 1), "9.000000");
    EXPECT_EQ(Obj(e, 1)->N3, -1);
    EXPECT_EQ(Obj(e, 2)->N3, Code(3, 5, 7));
    EXPECT_EQ(e->ContentGrid->Cells(1, 2), "C3.5");
    e->SaveWB->click();
  });
  ASSERT_EQ(result, mrOk);
  ASSERT_EQ(fx::Count("Waybill"), 1);
  TQuery q;
  q.SQL = "select * from Waybill";
  q.Open();
  const int id = q.FieldByName("ID").AsInteger();
  EXPECT_EQ(q.FieldByName("NUM").AsString(), "R\"1'\\");
  EXPECT_EQ(q.FieldByName("ORDLINK").AsString(), "ORD-7");
  EXPECT_EQ(q.FieldByName("NOTES").AsString(), "first; delivery");
  EXPECT_EQ(q.FieldByName("ISOUT").AsInteger(), 0);
  EXPECT_EQ(q.FieldByName("ISPAID").AsInteger(), 1);
  EXPECT_EQ(q.FieldByName("SUPPLIERID").AsInteger(), Timber);
  EXPECT_EQ(q.FieldByName("CURRENCY").AsInteger(), 1);
  EXPECT_DOUBLE_EQ(q.FieldByName("CURRENCYRATE").AsFloat(), 0.8);
  EXPECT_DOUBLE_EQ(q.FieldByName("SUM").AsFloat(), 132.0);  // 10 x 7.2 + 3 x 20
  EXPECT_EQ(q.FieldByName("USERID").AsInteger(), 1);
  q.SQL = "select CATID, COLOR, QUANTITY, PRICE, QTYOUT from WaybillCont order by ID";
  q.Open();
  ASSERT_EQ(q.RecordCount(), 2);
  EXPECT_EQ(q.FieldByName("CATID").AsInteger(), Pine);
  EXPECT_DOUBLE_EQ(q.FieldByName("PRICE").AsFloat(), 7.2);
  EXPECT_FALSE(q.FieldByName("QTYOUT").IsNull());
  EXPECT_DOUBLE_EQ(q.FieldByName("QTYOUT").AsFloat(), 0.0);
  q.Next();
  EXPECT_EQ(q.FieldByName("COLOR").AsInteger(), Code(3, 5, 7));
  EXPECT_DOUBLE_EQ(q.FieldByName("PRICE").AsFloat(), 20.0);
  EXPECT_DOUBLE_EQ(fx::StockQty(Pine, -1), 10);
  EXPECT_DOUBLE_EQ(fx::StockQty(Oak, Code(3, 5, 7)), 3);
  EXPECT_EQ(fx::LastWbId(Pine, -1), id);
  EXPECT_EQ(fx::LastWbId(Oak, Code(3, 5, 7)), id);
}

TEST_F(ReceiptEditor, ReceiptRaisesTheFirstOfDuplicateStockRows) {
  // two rows for one material and colour, as a colour-flag change leaves them
  const int rc = fx::Receipt(QDate(2024, 1, 5), "R-1", Timber);
  fx::Lot(rc, Pine, -1, 2, 1);
  const int second = fx::StockRow(Pine, -1, 0);
  AllowCleanUpPending(Pine);
  const int result = Run(-1, 0, [&](TDivazIn *e) {
    EnterHeader(e, Timber, "R-2", 0);
    AddLine(e, "Pine beam", 5);
    EXPECT_FALSE(PickMaterial(e, "Lacquer"));  // another supplier's material
    e->SaveWB->click();
  });
  ASSERT_EQ(result, mrOk);
  const int id = SQLInt("select ID from Waybill where NUM=\"R-2\"");
  EXPECT_DOUBLE_EQ(SQLFloat(Format("select QUANTITY from CatalogQty where ID<%d and CATID=%d", {second, Pine})), 7);
  EXPECT_DOUBLE_EQ(SQLFloat(Format("select QUANTITY from CatalogQty where ID=%d", {second})), 0);
  EXPECT_EQ(SQLInt(Format("select LASTWBID from CatalogQty where ID<%d and CATID=%d", {second, Pine})), id);
  EXPECT_EQ(fx::Count("WaybillCont", Format("WAYBILLID=%d", {id})), 1);
}

TEST_F(ReceiptEditor, ColourGroupKindsClearTheirSideAndUncolouredStaysMinusOne) {
  Run(-1, 2, [&](TDivazIn *e) {
    EnterHeader(e, Timber, "p1", 0);
    auto add = [&](int group, int kind) {
      ASSERT_TRUE(PickMaterial(e, "Oak frame"));
      Choose(e->IDcb_ColorGrp, ColorGroupItemID(2, group, kind));
      EXPECT_EQ(e->IDcb_InColor->isEnabled(), kind != 1);
      EXPECT_EQ(e->IDcb_OutColor->isEnabled(), kind != 3);
      if (kind != 1) Choose(e->IDcb_InColor, 5);
      if (kind != 3) Choose(e->IDcb_OutColor, 7);
      e->Qty->setText("1");
      e->AddBtn->click();  // a request needs no price
    };
    add(0, 0);
    add(1, 1);
    add(2, 3);
    // an uncoloured material keeps -1 even with a colour group chosen in the lists
    ASSERT_TRUE(PickMaterial(e, "Pine beam"));
    ASSERT_GT(e->IDcb_ColorGrp->count(), 0);
    e->Qty->setText("1");
    e->AddBtn->click();
    ASSERT_EQ(e->ContentGrid->RowCount(), 5);
    EXPECT_EQ(Obj(e, 1)->N3, Code(0, 5, 7));
    EXPECT_EQ(Obj(e, 2)->N3, Code(1, 0, 7));
    EXPECT_EQ(Obj(e, 3)->N3, Code(2, 5, 0));
    EXPECT_EQ(Obj(e, 4)->N3, -1);
    e->CancelBtn->click();
  });
  EXPECT_EQ(fx::Count("Waybill"), 0);
}

TEST_F(ReceiptEditor, StoredReceiptEditGivesDeltasAndRemovedLinesBack) {
  const int rc = fx::Receipt(QDate(2024, 1, 5), "R-1", Timber);
  const int l1 = fx::Lot(rc, Pine, -1, 10, 2.5);
  const int l2 = fx::Lot(rc, Oak, Code(3, 1, 1), 4, 3);
  const int result = Run(rc, 0, [&](TDivazIn *e) {
    EXPECT_TRUE(e->Panel2->isVisibleTo(e));
    EXPECT_FALSE(e->IDcb_Supplier->isEnabled());
    EXPECT_EQ(e->Edit1->text(), "R-1");
    ASSERT_EQ(e->ContentGrid->RowCount(), 3);
    EXPECT_EQ(Obj(e, 1)->N4, l1);
    // the quantity title asks for a new quantity of the selected line
    e->ContentGrid->SetRow(1);
    AnswerNumber("7");
    emit e->ContentGrid->horizontalHeader()->sectionClicked(2);
    EXPECT_EQ(e->ContentGrid->Cells(2, 1), "7.0000");
    // the original-price title sets the document price and the base price to four decimals
    AnswerNumber("2.123456");
    emit e->ContentGrid->horizontalHeader()->sectionClicked(4);
    EXPECT_EQ(e->ContentGrid->Cells(4, 1), "2.123456");
    EXPECT_EQ(e->ContentGrid->Cells(3, 1), "2.123500");
    // a new line is added, then the second stored line is removed
    AddLine(e, "Pine beam", 1);  // duplicate of line 1: refused
    EXPECT_EQ(e->ContentGrid->RowCount(), 3);
    e->ContentGrid->SetRow(2);
    e->DeleteLine1->trigger();
    EXPECT_EQ(e->DeletedLineIDs, QVector<int>{l2});
    e->SaveWB->click();
  });
  ASSERT_EQ(result, mrOk);
  EXPECT_DOUBLE_EQ(fx::StockQty(Pine, -1), 7);
  EXPECT_DOUBLE_EQ(fx::StockQty(Oak, Code(3, 1, 1)), 0);
  EXPECT_EQ(fx::Count("WaybillCont"), 1);
  EXPECT_DOUBLE_EQ(SQLFloat(Format("select PRICE from WaybillCont where ID=%d", {l1})), 2.1235);
  EXPECT_DOUBLE_EQ(SQLFloat(Format("select SUM from Waybill where ID=%d", {rc})), 14.86);  // 7 x 2.1235
}

TEST_F(ReceiptEditor, RequestsAreNumberedPerSupplierAndLaterSavedAsReceipts) {
  // Glass has counted 4 requests; Paints none yet (NULL)
  int result = Run(-1, 2, [&](TDivazIn *e) {
    EXPECT_EQ(e->SaveWB->text(), "Сохранить заявку");
    EXPECT_TRUE(e->SaveAsWB->isHidden());
    Choose(e->IDcb_Supplier, Glass);
    EXPECT_EQ(e->Edit1->text(), "p5");
    EXPECT_EQ(e->Edit2->text(), "5");
    Choose(e->IDcb_Supplier, Paints);
    EXPECT_EQ(e->Edit1->text(), "p1");
    Choose(e->IDcb_Supplier, Glass);
    e->BitBtn2->click();
    AddLine(e, "Pane 4mm", 5, 0);
    EXPECT_FALSE(PickMaterial(e, "Pine beam"));  // another supplier's material
    e->SaveWB->click();
  });
  ASSERT_EQ(result, mrOk);
  EXPECT_EQ(SQLInt(Format("select LASTNUM from Suppliers where ID=%d", {Glass})), 5);
  const int id = SQLInt("select ID from Waybill where NUM=\"p5\"");
  ASSERT_GT(id, 0);
  EXPECT_EQ(SQLInt(Format("select ISOUT from Waybill where ID=%d", {id})), 2);
  EXPECT_EQ(fx::Count("WaybillCont", "QTYOUT is null"), 1);
  EXPECT_EQ(fx::Count("CatalogQty"), 0);

  // a supplier without a counter starts at 1
  result = Run(-1, 2, [&](TDivazIn *e) {
    EnterHeader(e, Paints, "p1", 0);
    EXPECT_EQ(e->Edit1->text(), "p1");
    AddLine(e, "Lacquer", 2, 0);
    e->SaveWB->click();
  });
  ASSERT_EQ(result, mrOk);
  EXPECT_EQ(SQLInt(Format("select LASTNUM from Suppliers where ID=%d", {Paints})), 1);

  // the stored request is completed and saved as a receipt: same ID, lots, stock
  result = Run(id, 2, [&](TDivazIn *e) {
    EXPECT_FALSE(e->SaveAsWB->isHidden());
    AddLine(e, "Pane 4mm", 99, 0);  // refused: already in the list
    e->ContentGrid->SetRow(1);
    AnswerNumber("6");
    emit e->ContentGrid->horizontalHeader()->sectionClicked(2);
    AnswerNumber("4");
    emit e->ContentGrid->horizontalHeader()->sectionClicked(4);
    e->SaveAsWB->click();
  });
  ASSERT_EQ(result, mrOk);
  EXPECT_EQ(SQLInt(Format("select ISOUT from Waybill where ID=%d", {id})), 0);
  EXPECT_EQ(SQLInt(Format("select LASTNUM from Suppliers where ID=%d", {Glass})), 5);
  EXPECT_EQ(fx::Count("WaybillCont", Format("WAYBILLID=%d and QTYOUT=0", {id})), 1);
  EXPECT_DOUBLE_EQ(fx::StockQty(Pane, -1), 6);
  EXPECT_EQ(fx::LastWbId(Pane, -1), id);
}

TEST_F(ReceiptEditor, HeaderChecksKeepTheWindowOpen) {
  const int result = Run(-1, 0, [&](TDivazIn *e) {
    e->IDcb_Supplier->SetItemIndex(-1);
    e->BitBtn2->click();
    EXPECT_EQ(Script().LastMessage(), "Пожалуйста выберите поставщика!");
    Choose(e->IDcb_Supplier, Timber);
    e->BitBtn2->click();
    EXPECT_EQ(Script().LastMessage(), "Требуется ввести номер накладной!");
    e->Edit1->setText("R-9");
    e->Valuta->setText("0");
    e->BitBtn2->click();
    EXPECT_EQ(Script().LastMessage(), "Проверьте курс валюты!!");
    EXPECT_TRUE(e->Panel2->isHidden());
    EXPECT_TRUE(e->isVisible());
    // text boxes hold no more than their columns
    e->Edit1->setText(QString(40, 'x'));
    EXPECT_EQ(e->Edit1->text().size(), 20);
    e->BitBtn3->click();
  });
  EXPECT_EQ(result, mrCancel);
}

TEST_F(ReceiptEditor, FailureInTheMiddleOfASaveLeavesEveryTableAndTheEditorAsTheyWere) {
  const int rc = fx::Receipt(QDate(2024, 1, 5), "R-1", Timber);
  fx::Lot(rc, Pine, -1, 10, 2.5);
  const int l2 = fx::Lot(rc, Oak, Code(3, 1, 1), 4, 3);
  // the server refuses the new line of Oak
  Db->Exec(QStringLiteral("create trigger NoOak before insert on WaybillCont for each row "
                          "if NEW.CATID=%1 then signal sqlstate '45000' set message_text='injected'; end if")
               .arg(Oak));
  auto tables = [this] {
    return QStringList{QString::number(fx::Count("Waybill")), QString::number(fx::Count("WaybillCont")),
                       QString::number(fx::StockQty(Pine, -1)), QString::number(fx::StockQty(Oak, Code(3, 1, 1))),
                       QString::number(fx::Count("CatalogQty")),
                       QString::number(SQLFloat("select sum(QUANTITY) from WaybillCont")),
                       QString::number(SQLInt("select count(*) from Waybill where NUM=\"R-1\""))};
  };
  const QStringList before = tables();
  const int result = Run(rc, 0, [&](TDivazIn *e) {
    e->Edit1->setText("R-1 changed");
    e->ContentGrid->SetRow(1);
    AnswerNumber("3");
    emit e->ContentGrid->horizontalHeader()->sectionClicked(2);
    e->ContentGrid->SetRow(2);
    e->DeleteLine1->trigger();
    ASSERT_TRUE(PickMaterial(e, "Oak frame"));
    Choose(e->IDcb_ColorGrp, ColorGroupItemID(2, 3, 0));
    e->Qty->setText("2");
    e->AddBtn->click();
    ASSERT_EQ(e->ContentGrid->RowCount(), 3);
    e->SaveWB->click();
    EXPECT_EQ(Script().LastMessage(), "ERROR Executing query");
    EXPECT_TRUE(e->isVisible());
    EXPECT_EQ(e->ContentGrid->RowCount(), 3);
    EXPECT_EQ(e->DeletedLineIDs, QVector<int>{l2});
    EXPECT_EQ(tables(), before);
    EXPECT_EQ(DATA->DB_Storage.TransactionDepth, 0);
    // once the server accepts it, the same window saves everything
    Db->Exec("drop trigger NoOak");
    e->SaveWB->click();
  });
  ASSERT_EQ(result, mrOk);
  EXPECT_DOUBLE_EQ(fx::StockQty(Pine, -1), 3);
  EXPECT_DOUBLE_EQ(fx::StockQty(Oak, Code(3, 1, 1)), 0);
  EXPECT_DOUBLE_EQ(fx::StockQty(Oak, Code(3, 0, 0)), 2);
  EXPECT_EQ(SQLInt("select count(*) from Waybill where NUM=\"R-1 changed\""), 1);
}

TEST_F(ReceiptEditor, ReceiptChangedMeanwhileByAnotherClientIsRefusedAndRolledBack) {
  const int rc = fx::Receipt(QDate(2024, 1, 5), "R-1", Timber);
  const int l1 = fx::Lot(rc, Pine, -1, 10, 2.5);
  const int l2 = fx::Lot(rc, Oak, Code(3, 1, 1), 4, 3);
  // a stored line deleted by someone else: an error, not a wrong stock delta
  int result = Run(rc, 0, [&](TDivazIn *e) {
    Db->Exec(QStringLiteral("delete from WaybillCont where ID=%1").arg(l2));
    Db->Exec(QStringLiteral("update CatalogQty set QUANTITY=0 where CATID=%1").arg(Oak));
    e->SaveWB->click();
    EXPECT_EQ(Script().LastMessage(), "ERROR Executing query");
    EXPECT_TRUE(e->isVisible());
  });
  EXPECT_NE(result, mrOk);
  EXPECT_DOUBLE_EQ(fx::StockQty(Pine, -1), 10);
  EXPECT_DOUBLE_EQ(fx::StockQty(Oak, Code(3, 1, 1)), 0);
  // a lot consumed by another client after the window opened
  result = Run(rc, 0, [&](TDivazIn *e) {
    const int issue = fx::Receipt(QDate(2024, 2, 1), "I-1", Timber);
    Db->Exec(QStringLiteral("update Waybill set ISOUT=1, SUM=5 where ID=%1").arg(issue));
    Db->Exec(QStringLiteral("insert into WaybillCont (WAYBILLID, CATID, COLOR, QUANTITY, PRICE) values (%1, %2, -1, 2, 2.5)")
                 .arg(issue).arg(Pine));
    Db->Exec(QStringLiteral("insert into WBList (INWBID, OUTWBID, OUTWBCONTID, INWBCONTID) values (%1, %2, LAST_INSERT_ID(), %3)")
                 .arg(rc).arg(issue).arg(l1));
    Db->Exec(QStringLiteral("update WaybillCont set QTYOUT=2 where ID=%1").arg(l1));
    Db->Exec(QStringLiteral("update CatalogQty set QUANTITY=8 where CATID=%1").arg(Pine));
    e->ContentGrid->SetRow(1);
    AnswerNumber("1");
    emit e->ContentGrid->horizontalHeader()->sectionClicked(2);
    e->SaveWB->click();
    EXPECT_EQ(Script().LastMessage(), "Вы не можете править текущую накладную.\nТовары уже использованы.");
    EXPECT_TRUE(e->isVisible());
  });
  EXPECT_NE(result, mrOk);
  EXPECT_DOUBLE_EQ(fx::QtyOut(l1), 2);
  EXPECT_DOUBLE_EQ(fx::StockQty(Pine, -1), 8);
  // the ledger stays consistent except for the line deleted behind the receipt's back
  Db->Exec(QStringLiteral("update Waybill set SUM=25 where ID=%1").arg(rc));
}

TEST_F(ReceiptEditor, RequestSavedAsReceiptMeanwhileIsNeitherPostedTwiceNorTurnedBack) {
  const int req = fx::Receipt(QDate(2024, 3, 4), "p1", Glass);
  Db->Exec(QStringLiteral("update Waybill set ISOUT=2, ORDLINK=\"1\" where ID=%1").arg(req));
  fx::Lot(req, Pane, -1, 3, 1);
  Db->Exec(QStringLiteral("update WaybillCont set QTYOUT=NULL where WAYBILLID=%1").arg(req));
  Db->Exec(QStringLiteral("update CatalogQty set QUANTITY=0 where CATID=%1").arg(Pane));
  const int result = Run(req, 2, [&](TDivazIn *e) {
    // another client saves the request as a receipt after this window opened it
    Db->Exec(QStringLiteral("update Waybill set ISOUT=0, SUM=3 where ID=%1").arg(req));
    Db->Exec(QStringLiteral("update WaybillCont set QTYOUT=0 where WAYBILLID=%1").arg(req));
    Db->Exec(QStringLiteral("update CatalogQty set QUANTITY=3, LASTWBID=%1 where CATID=%2").arg(req).arg(Pane));
    e->SaveAsWB->click();
    EXPECT_TRUE(Script().LastMessage().startsWith("Документ изменён другим пользователем"))
        << Script().LastMessage().toStdString();
    EXPECT_TRUE(e->isVisible());
    const int shown = Script().Messages().size();
    e->SaveWB->click();
    EXPECT_EQ(Script().Messages().size(), shown + 1);
    EXPECT_TRUE(Script().LastMessage().startsWith("Документ изменён другим пользователем"));
    EXPECT_TRUE(e->isVisible());
  });
  EXPECT_NE(result, mrOk);
  EXPECT_EQ(SQLInt(Format("select ISOUT from Waybill where ID=%d", {req})), 0);
  EXPECT_EQ(fx::Count("WaybillCont", Format("WAYBILLID=%d and QTYOUT=0", {req})), 1);
  EXPECT_DOUBLE_EQ(fx::StockQty(Pane, -1), 3);
}

TEST_F(ReceiptEditor, StockModeProposesLotPriceInDocumentCurrencyAndFilters) {
  const int rc = fx::Receipt(QDate(2024, 1, 5), "R-1", Timber);
  fx::Lot(rc, Pine, -1, 3, 8);       // below the subgroup minimum of 5: critical
  fx::Lot(rc, Oak, Code(3, 5, 7), 9, 4);
  const int rg = fx::Receipt(QDate(2024, 1, 6), "G-1", Glass);
  fx::Lot(rg, Pane, -1, 2, 1);
  const int result = Run(-1, 0, [&](TDivazIn *e) {
    EXPECT_EQ(e->PickerMode, 1);
    EXPECT_TRUE(e->SpeedButton2->isEnabled());
    EnterHeader(e, Timber, "R-2", 1);  // USD at 0.8
    EXPECT_EQ(e->DBGrid1->rowCount(), 2);
    EXPECT_FALSE(PickMaterial(e, "Pane 4mm"));
    ASSERT_TRUE(PickMaterial(e, "Oak frame", Code(3, 5, 7)));
    EXPECT_NEAR(e->Price->Value(), 5.0, 1e-9);  // 4 EUR / 0.8
    EXPECT_EQ(e->IDcb_InColor->SelectedObj()->ID, 5);
    EXPECT_EQ(e->IDcb_OutColor->SelectedObj()->ID, 7);
    e->Qty->setText("1");
    e->AddBtn->click();
    EXPECT_EQ(Obj(e, 1)->N3, Code(3, 5, 7));
    EXPECT_EQ(e->ContentGrid->Cells(3, 1), "4.000000");
    // critical only
    e->SpeedButton2->click();
    EXPECT_EQ(e->DBGrid1->rowCount(), 1);
    EXPECT_TRUE(PickMaterial(e, "Pine beam"));
    // a rate of 0 proposes nothing instead of failing
    e->Valuta->setText("0");
    e->DBGrid1->SetRecord(0);
    emit e->DBGrid1->currentCellChanged(0, 0, -1, 0);
    EXPECT_EQ(e->Price->Value(), 0.0);
    // back to the catalogue: a search resets the group choice and keeps the supplier
    e->Valuta->setText("1");
    e->SpeedButton1->click();
    EXPECT_EQ(e->PickerMode, 0);
    EXPECT_FALSE(e->SpeedButton2->isEnabled());
    Choose(e->IDcb_Grp1, 1);
    EXPECT_TRUE(e->IDcb_SubGrp1->isEnabled());
    Choose(e->IDcb_SubGrp1, 2);
    EXPECT_EQ(e->DBGrid1->rowCount(), 1);
    e->txtFind->setText("\"%a");
    e->FindBtn1->click();
    EXPECT_EQ(e->IDcb_Grp1->currentIndex(), 0);
    EXPECT_FALSE(e->IDcb_SubGrp1->isEnabled());
    EXPECT_EQ(e->DBGrid1->rowCount(), 0);
    e->txtFind->setText("a");
    e->FindBtn1->click();
    EXPECT_EQ(e->DBGrid1->rowCount(), 2);  // Pine beam, Oak frame; never Glass's Pane
    e->CancelBtn->click();
  }, true);
  EXPECT_EQ(result, mrCancel);
}

TEST_F(ReceiptEditor, AQuantityBelowTheSixthDecimalMakesNoZeroLine) {
  const int result = Run(-1, 0, [&](TDivazIn *e) {
    EnterHeader(e, Timber, "R-9", 0);
    ASSERT_TRUE(PickMaterial(e, "Pine beam"));
    e->Qty->setText("0.0000001");
    e->Price->setText("5");
    EXPECT_TRUE(e->AddBtn->isHidden());
    e->AddBtn->click();
    EXPECT_EQ(Obj(e, 1), nullptr);
    AddLine(e, "Pine beam", 2, 5);
    ASSERT_NE(Obj(e, 1), nullptr);
    e->ContentGrid->SetRow(1);
    AnswerNumber("0.0000001");
    emit e->ContentGrid->horizontalHeader()->sectionClicked(2);
    EXPECT_EQ(e->ContentGrid->Cells(2, 1), "2.000000");
    e->SaveWB->click();
  });
  ASSERT_EQ(result, mrOk);
  const int id = SQLInt("select ID from Waybill where NUM=\"R-9\"");
  EXPECT_EQ(fx::Count("WaybillCont", Format("WAYBILLID=%d", {id})), 1);
  EXPECT_EQ(fx::Count("WaybillCont", "QUANTITY=0"), 0);
  EXPECT_DOUBLE_EQ(fx::StockQty(Pine, -1), 2);
}

TEST_F(ReceiptEditor, ACommaIsTheDecimalMarkAndNoInfiniteOrNonNumberMakesALine) {
  const int result = Run(-1, 0, [&](TDivazIn *e) {
    EnterHeader(e, Timber, "R-11", 0);
    ASSERT_TRUE(PickMaterial(e, "Pine beam"));
    // typed key by key, as a user here types them
    e->Qty->clear();
    QTest::keyClicks(e->Qty, "1,5");
    EXPECT_EQ(e->Qty->text(), "1.5");
    e->Price->clear();
    QTest::keyClicks(e->Price, "2,25");
    EXPECT_EQ(e->Price->text(), "2.25");
    QTest::keyClicks(e->Price, "e,x");  // neither an exponent nor a second mark is taken
    EXPECT_EQ(e->Price->text(), "2.25");
    e->AddBtn->click();
    ASSERT_NE(Obj(e, 1), nullptr);
    EXPECT_EQ(e->ContentGrid->Cells(2, 1), "1.500000");
    EXPECT_EQ(e->ContentGrid->Cells(4, 1), "2.250000");
    // infinities, not-a-number and numbers beyond a double are no quantity and no price
    ASSERT_TRUE(PickMaterial(e, "Oak frame"));
    for (const char *bad : {"inf", "-inf", "nan", "1e999", "infinity"}) {
      e->Qty->setText(bad);
      e->Price->setText("3");
      EXPECT_TRUE(e->AddBtn->isHidden()) << bad;
      e->Qty->setText("2");
      e->Price->setText(bad);
      EXPECT_TRUE(e->AddBtn->isHidden()) << bad;
      QTest::keyClick(e->Price, Qt::Key_Return);
      e->AddBtn->click();
    }
    EXPECT_EQ(e->ContentGrid->RowCount(), 2);
    // the grid's quantity box and the units box read a comma the same way
    e->ContentGrid->SetRow(1);
    AnswerNumber("2,75");
    emit e->ContentGrid->horizontalHeader()->sectionClicked(2);
    EXPECT_EQ(e->ContentGrid->Cells(2, 1), "2.7500");
    AnswerNumber("inf");
    emit e->ContentGrid->horizontalHeader()->sectionClicked(4);
    EXPECT_EQ(Script().LastMessage(), "Число должно быть больше нуля!");
    EXPECT_EQ(e->ContentGrid->Cells(4, 1), "2.250000");
    ASSERT_TRUE(PickMaterial(e, "Pine beam"));
    Script().Inputs.push_back(QString("1,5"));
    e->Units1->trigger();
    EXPECT_EQ(e->Qty->Value(), 3.0);  // one and a half units of 2
    Script().Inputs.push_back(QString("nan"));
    e->Units1->trigger();
    EXPECT_EQ(Script().LastMessage(), "'nan' is not a valid floating point value");
    EXPECT_EQ(e->Qty->Value(), 3.0);
    e->SaveWB->click();
  });
  ASSERT_EQ(result, mrOk);
  EXPECT_EQ(fx::Count("WaybillCont"), 1);
  EXPECT_EQ(fx::Count("WaybillCont", "QUANTITY=2.75 and PRICE=2.25"), 1);
  EXPECT_DOUBLE_EQ(fx::StockQty(Pine, -1), 2.75);
}

TEST_F(ReceiptEditor, QuantityShortcutsAndDiscountInputs) {
  Run(-1, 0, [&](TDivazIn *e) {
    EnterHeader(e, Timber, "R-3", 0);
    ASSERT_TRUE(PickMaterial(e, "Pine beam"));  // 10 USD x 0.8 less 10 % = 7.2 EUR
    EXPECT_NEAR(e->Price->Value(), 7.2, 1e-9);
    e->SmallPack1->trigger();
    EXPECT_EQ(e->Qty->Value(), 6.0);  // 3 packs of 2
    e->BigPack1->trigger();
    EXPECT_EQ(e->Qty->Value(), 20.0);
    Script().Inputs.push_back(QString("4"));
    e->Units1->trigger();
    EXPECT_EQ(e->Qty->Value(), 8.0);
    // a discount typed is remembered; a cancelled or wrong one changes nothing
    Script().Inputs.push_back(QString("50"));
    e->SpeedButton3->click();
    EXPECT_NEAR(e->Price->Value(), 3.6, 1e-9);
    EXPECT_EQ(LastDiscount, 50.0);
    Script().Inputs.push_back(std::nullopt);
    e->SpeedButton3->click();
    EXPECT_NEAR(e->Price->Value(), 3.6, 1e-9);
    EXPECT_EQ(Script().InputPrompts.last(), "Скидка, %");
    Script().Inputs.push_back(QString("abc"));
    e->SpeedButton3->click();
    EXPECT_EQ(Script().LastMessage(), "'abc' is not a valid floating point value");
    EXPECT_NEAR(e->Price->Value(), 3.6, 1e-9);
    EXPECT_EQ(LastDiscount, 50.0);
    // the rate rewrites the base prices of the lines
    e->AddBtn->click();
    e->Valuta->setText("2");
    emit e->Valuta->textEdited("2");
    EXPECT_EQ(e->ContentGrid->Cells(3, 1), "7.20");
    // removing the only line leaves one empty row
    e->ContentGrid->SetRow(1);
    e->DeleteLine1->trigger();
    EXPECT_EQ(e->ContentGrid->RowCount(), 2);
    EXPECT_EQ(e->ContentGrid->Objects(0, 1), nullptr);
    EXPECT_TRUE(e->DeletedLineIDs.isEmpty());  // a new document lists nothing to delete
    e->CancelBtn->click();
  });
  EXPECT_EQ(fx::Count("Waybill"), 0);
}

}  // namespace
