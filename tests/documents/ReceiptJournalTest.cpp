// The receipt journal worked through its controls: lists, opens editors as the main window's
// mode buttons say, deletes, and reports changes to its caller.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "ReceiptFixture.h"
#include <QLabel>
#include "core/ColorList.h"
#include "platform/SysUtils.h"
#include "core/DataUnit.h"
#include "documents/DivazInPickerUnit.h"
#include "documents/DivazInUnit.h"
#include "documents/WBInUnit.h"
#include "platform/Clock.h"
#include "support/Fixtures.h"
#include "support/ScriptedDialogs.h"

namespace {

class ReceiptJournal : public ReceiptTest {
 protected:
  void SetUp() override {
    ReceiptTest::SetUp();
    Clock::SetFixed(QDateTime(QDate(2024, 3, 10), QTime(9, 0)));
    // the caller's mode buttons, named as the main window names them
    Main = std::make_unique<QWidget>();
    Stock = new QToolButton(Main.get());
    Stock->setObjectName("SpeedButton1");
    Stock->setCheckable(true);
    Critical = new QToolButton(Main.get());
    Critical->setObjectName("SpeedButton2");
    Critical->setCheckable(true);
  }
  void TearDown() override {
    Main.reset();
    ReceiptTest::TearDown();
  }
  // Shows the journal and works it; returns its Changed flag after the modal call.
  bool Run(std::function<void(TWBIn *)> work) {
    TWBIn journal(Main.get());
    Script().OnModal("WBIn", [&](QDialog *) {
      work(&journal);
      journal.BitBtn1->click();
      return mrNone;
    });
    journal.ShowModal();
    return journal.Changed;
  }
  static QStringList Nums(TWBIn *j) {
    QStringList out;
    for (int r = 0; r < j->DBGrid1->rowCount(); ++r) out << j->DBGrid1->item(r, 1)->text();
    return out;
  }
  static void Select(TWBIn *j, const QString &num) { ASSERT_TRUE(j->DBGrid1->Locate("NUM", num)); }
  std::unique_ptr<QWidget> Main;
  QToolButton *Stock = nullptr;
  QToolButton *Critical = nullptr;
};

TEST_F(ReceiptJournal, NewReceiptRoadFromJournalToStock) {
  const int request = fx::Receipt(QDate(2024, 3, 1), "p3", Glass);
  Db->Exec(QStringLiteral("update Waybill set ISOUT=2, ORDLINK=\"3\" where ID=%1").arg(request));
  Stock->setChecked(true);
  Critical->setChecked(true);
  const bool changed = Run([&](TWBIn *j) {
    // at first only requests are listed
    EXPECT_EQ(Nums(j), QStringList{"p3"});
    EXPECT_EQ(j->DBGrid1->item(0, 6)->text(), "Заявка");
    Script().OnModal("DivazIn", [&](QDialog *d) {
      auto *e = static_cast<TDivazIn *>(d);
      EXPECT_TRUE(e->SpeedButton1->isChecked());
      EXPECT_TRUE(e->SpeedButton2->isChecked());
      EXPECT_EQ(e->windowTitle(), "DI Vidududiz 1.1 / Приход / Новая накладная");
      e->SpeedButton1->click();  // back to the catalogue
      EnterHeader(e, Timber, "R-100", 0);
      AddLine(e, "Pine beam", 4);
      e->SaveWB->click();
      return mrNone;
    });
    j->NewReceipt1->trigger();
    EXPECT_TRUE(j->Changed);
    // the new receipt is not a request: the list does not show it
    EXPECT_EQ(Nums(j), QStringList{"p3"});
    j->Chk1->click();
    EXPECT_EQ(Nums(j), (QStringList{"p3", "R-100"}));
    EXPECT_EQ(j->DBGrid1->item(1, 3)->text(), "---");
    EXPECT_EQ(j->DBGrid1->item(1, 4)->text(), "28.80");
  });
  EXPECT_TRUE(changed);
  EXPECT_DOUBLE_EQ(fx::StockQty(Pine, -1), 4);
}

TEST_F(ReceiptJournal, PeriodAndSearchFilters) {
  fx::Receipt(QDate(2024, 3, 1), "R-1", Timber);
  fx::Receipt(QDate(2024, 3, 10), "R-2", Glass);
  fx::Receipt(QDate(2024, 3, 12), "X\"3", Timber);
  Run([&](TWBIn *j) {
    j->Chk1->click();
    j->Chk2->click();
    EXPECT_EQ(Nums(j), (QStringList{"R-1", "R-2", "X\"3"}));
    j->cb1->setCurrentIndex(1);
    emit j->cb1->activated(1);
    EXPECT_FALSE(j->DT2->isHidden());
    EXPECT_EQ(Nums(j), (QStringList{"R-2", "X\"3"}));
    j->ChkUntil->click();
    EXPECT_EQ(Nums(j), QStringList{"R-2"});  // from today until today
    j->cb1->setCurrentIndex(2);
    emit j->cb1->activated(2);
    EXPECT_TRUE(j->DT2->isHidden());
    j->DT1->setDate(QDate(2024, 3, 1));
    EXPECT_EQ(Nums(j), QStringList{"R-1"});
    j->cb1->setCurrentIndex(0);
    emit j->cb1->activated(0);
    j->cb2->setCurrentIndex(2);
    j->FindTxt->setText("timb");
    j->FindBtn->click();
    EXPECT_EQ(Nums(j), (QStringList{"R-1", "X\"3"}));
    j->cb2->setCurrentIndex(0);
    j->FindTxt->setText("\"");
    j->FindBtn->click();
    EXPECT_EQ(Nums(j), QStringList{"X\"3"});
    j->Chk1->click();  // a kind choice drops the search
    EXPECT_TRUE(Nums(j).isEmpty());
  });
}

TEST_F(ReceiptJournal, UsedReceiptsCanBeNeitherEditedNorDeletedOthersGiveStockBack) {
  const int used = fx::Receipt(QDate(2024, 3, 1), "R-used", Timber);
  const int lot = fx::Lot(used, Pine, -1, 5, 2);
  const int issue = fx::Receipt(QDate(2024, 3, 2), "I-1", Timber);
  Db->Exec(QStringLiteral("update Waybill set ISOUT=1, SUM=2 where ID=%1").arg(issue));
  Db->Exec(QStringLiteral("insert into WaybillCont (WAYBILLID, CATID, COLOR, QUANTITY, PRICE) values (%1, %2, -1, 1, 2)")
               .arg(issue).arg(Pine));
  Db->Exec(QStringLiteral("insert into WBList (INWBID, OUTWBID, OUTWBCONTID, INWBCONTID) values (%1, %2, LAST_INSERT_ID(), %3)")
               .arg(used).arg(issue).arg(lot));
  Db->Exec(QStringLiteral("update WaybillCont set QTYOUT=1 where ID=%1").arg(lot));
  Db->Exec(QStringLiteral("update CatalogQty set QUANTITY=4 where CATID=%1").arg(Pine));
  const int free = fx::Receipt(QDate(2024, 3, 3), "R-free", Timber);
  fx::Lot(free, Oak, Code(3, 1, 1), 6, 3);
  fx::Lot(free, Pine, -1, 2, 2);
  const int request = fx::Receipt(QDate(2024, 3, 4), "p1", Glass);
  Db->Exec(QStringLiteral("update Waybill set ISOUT=2, ORDLINK=\"1\" where ID=%1").arg(request));
  fx::Lot(request, Pane, -1, 3, 1);
  Db->Exec(QStringLiteral("update WaybillCont set QTYOUT=NULL where WAYBILLID=%1").arg(request));
  Db->Exec(QStringLiteral("update CatalogQty set QUANTITY=0 where CATID=%1").arg(Pane));

  // deleting a request leaves Changed alone
  EXPECT_FALSE(Run([&](TWBIn *j) {
    Select(j, "p1");
    j->DeleteBitBtn->click();
    EXPECT_EQ(Script().Boxes.back().Text, "Удалить заявку Nr.1?\n\nВы уверены?");
    EXPECT_EQ(fx::Count("Waybill", Format("ID=%d", {request})), 0);
    EXPECT_EQ(fx::Count("WaybillCont", Format("WAYBILLID=%d", {request})), 0);
  }));

  const bool changed = Run([&](TWBIn *j) {
    j->Chk1->click();
    Select(j, "R-used");
    j->ChangeBitBtn->click();
    EXPECT_EQ(Script().LastMessage(), "Вы не можете править текущую накладную.\nТовары уже использованы.");
    EXPECT_TRUE(Script().ModalShown.filter("DivazIn").isEmpty());
    j->DeleteBitBtn->click();
    EXPECT_EQ(Script().LastMessage(), "Невозможно удалить накладную.\nТовары уже использованы.");
    EXPECT_FALSE(j->Changed);
    // an unused receipt is deleted after a No and a Yes
    Select(j, "R-free");
    Script().Answers.push_back(mrNo);
    j->DeleteBitBtn->click();
    EXPECT_EQ(fx::Count("Waybill", Format("ID=%d", {free})), 1);
    Select(j, "R-free");
    j->DeleteBitBtn->click();
    EXPECT_EQ(Script().Boxes.back().Text, "Удалить накладную Nr.R-free?\n\nВы уверены?");
    EXPECT_EQ(Nums(j), QStringList{"R-used"});
  });
  EXPECT_TRUE(changed);
  EXPECT_EQ(fx::Count("Waybill", Format("ID=%d", {free})), 0);
  EXPECT_EQ(fx::Count("WaybillCont", Format("WAYBILLID=%d", {free})), 0);
  EXPECT_DOUBLE_EQ(fx::StockQty(Oak, Code(3, 1, 1)), 0);
  EXPECT_DOUBLE_EQ(fx::StockQty(Pine, -1), 4);
  EXPECT_EQ(fx::LastWbId(Pine, -1), used);
}

TEST_F(ReceiptJournal, LotIssuedAfterTheListWasReadStillRefusesTheDeletion) {
  const int rc = fx::Receipt(QDate(2024, 3, 1), "R-1", Timber);
  const int lot = fx::Lot(rc, Pine, -1, 5, 2);
  Run([&](TWBIn *j) {
    j->Chk1->click();
    Select(j, "R-1");
    // another client issues from the lot between the journal's check and the deletion
    Script().Answers.push_back(mrYes);
    Db->Exec(QStringLiteral("update WaybillCont set QTYOUT=1 where ID=%1").arg(lot));
    Db->Exec(QStringLiteral("update CatalogQty set QUANTITY=4 where CATID=%1").arg(Pine));
    j->DeleteBitBtn->click();
    EXPECT_EQ(Script().LastMessage(), "Невозможно удалить накладную.\nТовары уже использованы.");
    EXPECT_FALSE(j->Changed);
  });
  EXPECT_EQ(fx::Count("WaybillCont", Format("WAYBILLID=%d", {rc})), 1);
  EXPECT_DOUBLE_EQ(fx::StockQty(Pine, -1), 4);
  // the issue that consumed it is not part of this test's data: keep the books balanced
  const int issue = fx::Receipt(QDate(2024, 3, 2), "I-1", Timber);
  Db->Exec(QStringLiteral("update Waybill set ISOUT=1, SUM=2 where ID=%1").arg(issue));
  Db->Exec(QStringLiteral("insert into WaybillCont (WAYBILLID, CATID, COLOR, QUANTITY, PRICE) values (%1, %2, -1, 1, 2)")
               .arg(issue).arg(Pine));
  Db->Exec(QStringLiteral("insert into WBList (INWBID, OUTWBID, OUTWBCONTID, INWBCONTID) values (%1, %2, LAST_INSERT_ID(), %3)")
               .arg(rc).arg(issue).arg(lot));
}

TEST_F(ReceiptJournal, RequestSavedAsReceiptAfterTheListWasReadIsNotDeleted) {
  const int req = fx::Receipt(QDate(2024, 3, 4), "p1", Glass);
  Db->Exec(QStringLiteral("update Waybill set ISOUT=2, ORDLINK=\"1\" where ID=%1").arg(req));
  fx::Lot(req, Pane, -1, 3, 1);
  Db->Exec(QStringLiteral("update WaybillCont set QTYOUT=NULL where WAYBILLID=%1").arg(req));
  Db->Exec(QStringLiteral("update CatalogQty set QUANTITY=0 where CATID=%1").arg(Pane));
  Run([&](TWBIn *j) {
    Select(j, "p1");
    // another client saves it as a receipt between the listing and the deletion
    Db->Exec(QStringLiteral("update Waybill set ISOUT=0, SUM=3 where ID=%1").arg(req));
    Db->Exec(QStringLiteral("update WaybillCont set QTYOUT=0 where WAYBILLID=%1").arg(req));
    Db->Exec(QStringLiteral("update CatalogQty set QUANTITY=3 where CATID=%1").arg(Pane));
    j->DeleteBitBtn->click();
    EXPECT_EQ(Script().LastMessage(), "Невозможно удалить заявку.\nОна уже сохранена как накладная.");
  });
  EXPECT_EQ(fx::Count("Waybill", Format("ID=%d", {req})), 1);
  EXPECT_EQ(fx::Count("WaybillCont", Format("WAYBILLID=%d", {req})), 1);
  EXPECT_DOUBLE_EQ(fx::StockQty(Pane, -1), 3);
}

TEST_F(ReceiptJournal, EditingAStoredReceiptMovesToItAndSetsChanged) {
  const int rc = fx::Receipt(QDate(2024, 3, 1), "R-1", Timber);
  fx::Lot(rc, Pine, -1, 5, 2);
  fx::Receipt(QDate(2024, 3, 2), "R-2", Timber);
  EXPECT_TRUE(Run([&](TWBIn *j) {
    j->Chk1->click();
    j->Chk2->click();
    Select(j, "R-1");
    Script().OnModal("DivazIn", [&](QDialog *d) {
      auto *e = static_cast<TDivazIn *>(d);
      EXPECT_FALSE(e->SpeedButton1->isChecked());
      EXPECT_EQ(e->windowTitle(), "DI Vidududiz 1.1 / Приход / Редактирование накладных");
      e->Edit1->setText("r-9");
      e->SaveWB->click();
      return mrNone;
    });
    j->ChangeBitBtn->click();
    EXPECT_EQ(Nums(j), (QStringList{"r-9", "R-2"}));
    EXPECT_EQ(j->DBGrid1->currentRow(), 0);
    EXPECT_EQ(j->NotesLabel->text(), "");
    // the print menu previews the order-materials list of the current receipt
    j->PopupMenu1Popup();
    EXPECT_EQ(j->PrintList1->text(), "Материалы из накладной Nr.r-9");
    EXPECT_FALSE(j->PrintOrder1->isEnabled());  // no order code
    j->PrintList1->trigger();
    EXPECT_EQ(Script().ModalShown.filter("QRPreview").size(), 1);
  }));
}

}  // namespace
