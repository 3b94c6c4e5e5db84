// The issue journal and the due-reservation list.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include "core/InputFormUnit.h"
#include "core/MyMsgUnit.h"
#include "core/CountPosting.h"
#include "core/Ledger.h"
#include "core/inf_MatNotEnoughUnit.h"
#include "documents/IssueTestKit.h"
#include "documents/WBOutUnit.h"
#include "documents/inf_ReserveUnit.h"
#include "platform/Clock.h"
#include "support/LedgerCheck.h"

using namespace issuekit;

namespace {

class IssueJournal : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    Clock::SetFixed(QDateTime(QDate(2024, 3, 10), QTime(9, 30)));
    sup = fx::Supplier("Timber Ltd");
    pine = fx::Material("Pine 68x78", sup);
    oak = fx::Material("Oak board", sup);
    rc1 = fx::Receipt(QDate(2024, 1, 5), "R-1", sup);
    rc2 = fx::Receipt(QDate(2024, 2, 1), "R-2", sup);
    lot1 = fx::Lot(rc1, pine, -1, 1.1, 2.0);
    lot2 = fx::Lot(rc2, pine, -1, 2.2, 3.0);
    lot3 = fx::Lot(rc1, oak, -1, 10, 1.5);
  }
  // The journal as the main window opens it, shown without a modal loop.
  std::unique_ptr<TWBOut> Open() {
    auto j = std::make_unique<TWBOut>(nullptr);
    j->Timer1->stop();  // tests that want the due check run it themselves
    j->show();
    QCoreApplication::processEvents();
    return j;
  }
  int Row(TWBOut &j, const QString &num) {
    for (int r = 0; r < j.DBGrid1->rowCount(); ++r)
      if (j.DBGrid1->item(r, 1)->text() == num) return r;
    return -1;
  }
  void Select(TWBOut &j, const QString &num) {
    const int r = Row(j, num);
    ASSERT_GE(r, 0) << num.toStdString() << " is not listed";
    j.DBGrid1->setCurrentCell(r, 0);
  }
  // An issue saved through the journal's own "new issue" command.
  void NewIssue(TWBOut &j, const QString &num, QVector<QPair<QString, QString>> lines) {
    Script().OnModal("DivazOut", [num, lines](QDialog *d) {
      auto *ed = static_cast<TDivazOut *>(d);
      ed->Edit1->setText(num);
      ed->BitBtn2->click();
      for (const auto &[name, qty] : lines) {
        for (int r = 0; r < ed->DBGrid1->rowCount(); ++r)
          if (ed->DBGrid1->item(r, 0)->text() == name) ed->DBGrid1->setCurrentCell(r, 0);
        ed->Qty->setText(qty);
        ed->AddBtn->click();
      }
      ed->SaveWB->click();
      return mrNone;
    });
    j.NewIssueItem->trigger();
  }
  int sup = 0, pine = 0, oak = 0, rc1 = 0, rc2 = 0, lot1 = 0, lot2 = 0, lot3 = 0;
};

TEST_F(IssueJournal, UndoingAnIssueRestoresEveryLotAndStockRowExactly) {
  // Five lots close at once, and open again with the undo: the open lots kept per material and
  // colour follow both.
  QVector<QPair<QString, QString>> lines{{"Pine 68x78", "3.3"}, {"Oak board", "0.7"}};
  for (int i = 1; i <= 3; ++i) {
    const QString name = QStringLiteral("Spruce %1").arg(i);
    fx::Lot(i % 2 ? rc1 : rc2, fx::Material(name, sup), -1, 0.5, 1.0);
    lines.push_back({name, QStringLiteral("0.5")});
  }
  auto j = Open();
  EXPECT_FALSE(j->Changed);
  NewIssue(*j, "ISS-1", lines);
  ASSERT_EQ(SQLInt("select count(*) from Waybill where NUM=\"ISS-1\" and ISOUT=1"), 1);
  ExpectLedgerConsistent();
  EXPECT_TRUE(j->Changed);
  EXPECT_EQ(j->DBGrid1->item(j->DBGrid1->currentRow(), 1)->text(), "ISS-1");
  EXPECT_DOUBLE_EQ(fx::QtyOut(lot1), 1.1);
  EXPECT_DOUBLE_EQ(fx::QtyOut(lot2), 2.2);
  // A stray line without a link goes with the issue too.
  const int doc = SQLInt("select ID from Waybill where NUM=\"ISS-1\"");
  Db->Exec(QStringLiteral("insert into WaybillCont (WAYBILLID,CATID,COLOR,QUANTITY,PRICE) values(%1,%2,-1,0,0)")
               .arg(doc).arg(oak));

  j->Changed = false;
  Select(*j, "ISS-1");
  j->WBOutPopupMenuPopup();
  ASSERT_TRUE(j->Dzsttekoopavadzme1->isEnabled());
  Script().Answers.push_back(mrYes);
  j->Dzsttekoopavadzme1->trigger();
  EXPECT_TRUE(j->Changed);
  EXPECT_EQ(fx::Count("Waybill", "ISOUT=1"), 0);
  EXPECT_EQ(fx::Count("WaybillCont", QStringLiteral("WAYBILLID=%1").arg(doc)), 0);
  EXPECT_EQ(fx::Count("WBList"), 0);
  // Exactly, not nearly: no residue stays in any lot.
  EXPECT_EQ(fx::QtyOut(lot1), 0.0);
  EXPECT_EQ(fx::QtyOut(lot2), 0.0);
  EXPECT_EQ(fx::QtyOut(lot3), 0.0);
  EXPECT_DOUBLE_EQ(fx::StockQty(pine, -1), 3.3);
  EXPECT_DOUBLE_EQ(fx::StockQty(oak, -1), 10.0);
  EXPECT_EQ(fx::LastWbId(pine, -1), rc2);
}

TEST_F(IssueJournal, AFailedUndoLeavesEverythingAsItWas) {
  auto j = Open();
  NewIssue(*j, "ISS-1", {{"Pine 68x78", "3"}});
  NewIssue(*j, "ISS-2", {{"Oak board", "2"}});
  Db->Exec(QStringLiteral("update Waybill set BDATE=\"2024-03-01\" where NUM=\"ISS-1\""));
  j->RefreshList(QString());
  const QString before = Snapshot();
  // The second issue (undone first: highest ID first) cannot be deleted.
  Db->Exec("create trigger fail_undo before delete on Waybill for each row "
           "begin if old.NUM=\"ISS-1\" then signal sqlstate '45000' set message_text='injected'; end if; end");
  Select(*j, "ISS-1");
  Script().Answers = {mrOk, mrYes};
  j->DeleteBitBtn->click();
  EXPECT_TRUE(Script().Messages().contains(
      "Jus vēlēties dzēst 2 pavadzīmes?  Vai esāt parliecināti?"));
  EXPECT_EQ(Snapshot(), before);
  Db->Exec("drop trigger fail_undo");
  // "Dzēst" on an issue row takes every issue from that date on.
  Script().Answers = {mrOk, mrYes};
  j->DeleteBitBtn->click();
  EXPECT_EQ(fx::Count("Waybill", "ISOUT=1"), 0);
  EXPECT_DOUBLE_EQ(fx::StockQty(pine, -1), 3.3);
}

// A reversal whose lots or stock a later document has already moved again gives back nothing:
// it is refused whole, naming the document and the material, on every road that runs it.
TEST_F(IssueJournal, AReversalOverWhatALaterDocumentMovedIsRefusedWhole) {
  const auto count = [this](const QString &num, double counted, double book) {
    const TCountResult r = PostCount({"2024-03-10", num, QString()},
                                     {TCountLine{.CATID = oak, .COLOR = -1, .SupplierID = sup, .Counted = counted,
                                                 .Book = book}});
    ASSERT_EQ(r.Outcome, TCountResult::Posted);
  };
  struct TCase {
    const char *Name;
    std::function<void(TWBOut &)> Before;    // the documents, the later one last
    std::function<void(TWBOut &)> Reversal;  // through the journal
    QString Document;
  };
  const std::vector<TCase> cases{
      {"undo of an issue that a count's surplus partly gave back",
       [&](TWBOut &j) {
         NewIssue(j, "ISS-1", {{"Oak board", "10"}});
         count("C-1", 4, 0);  // 4 of the 10 issued are found again
       },
       [&](TWBOut &j) {
         Select(j, "ISS-1");
         Script().Answers.push_back(mrYes);
         j.Dzsttekoopavadzme1->trigger();
       },
       "ISS-1"},
      {"every issue from a date, one of them partly given back",
       [&](TWBOut &j) {
         NewIssue(j, "ISS-1", {{"Oak board", "10"}});
         count("C-1", 4, 0);
       },
       [&](TWBOut &j) {
         Select(j, "ISS-1");
         Script().Answers = {mrOk, mrYes};
         j.DeleteBitBtn->click();
       },
       "ISS-1"},
      {"a count whose shortage a later count's surplus gave back",
       [&](TWBOut &) {
         count("C-1", 6, 10);   // 4 short
         count("C-2", 10, 6);   // and found again
       },
       [&](TWBOut &) {
         const QString refusal = DeleteCount(SQLInt("select ID from Waybill where NUM=\"C-1\""), "C-1");
         if (!refusal.isEmpty()) ShowMessage(refusal);
       },
       "C-1"},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.Name);
    Db->Exec("delete from WBList");
    Db->Exec("delete from WaybillInventory");
    Db->Exec(QStringLiteral("delete from WaybillCont where WAYBILLID not in (%1,%2)").arg(rc1).arg(rc2));
    Db->Exec(QStringLiteral("delete from Waybill where ID not in (%1,%2)").arg(rc1).arg(rc2));
    Db->Exec("update WaybillCont set QTYOUT=0");
    Db->Exec(QStringLiteral("update CatalogQty set QUANTITY=10 where CATID=%1").arg(oak));
    auto j = Open();
    c.Before(*j);
    j->RefreshList(QString());
    const QString was = Snapshot();
    Script().Clear();
    c.Reversal(*j);
    EXPECT_EQ(Snapshot().toStdString(), was.toStdString());
    EXPECT_TRUE(Script().LastMessage().contains(c.Document) && Script().LastMessage().contains("Oak board"))
        << Script().LastMessage().toStdString();
    ExpectLedgerConsistent();
  }
}

TEST_F(IssueJournal, FiltersAndSearchChooseTheRows) {
  fx::Reservation(QDate(2024, 3, 15), "RES-1", sup, {{oak, -1, 1}});
  auto j = Open();
  NewIssue(*j, "ISS-1", {{"Pine 68x78", "1"}});
  Db->Exec("update Waybill set BDATE=\"2024-03-01\", ORDLINK=\"O-9\" where NUM=\"ISS-1\"");
  j->RefreshList(QString());
  EXPECT_EQ(j->DBGrid1->rowCount(), 2);
  EXPECT_EQ(j->DBGrid1->item(Row(*j, "RES-1"), 6)->text(), "Rezervēšana");
  EXPECT_EQ(j->DBGrid1->item(Row(*j, "ISS-1"), 6)->text(), "Pavadzīme");
  j->Chk1->click();
  EXPECT_EQ(j->DBGrid1->rowCount(), 1);
  j->Chk2->click();
  EXPECT_EQ(j->DBGrid1->rowCount(), 0);
  EXPECT_FALSE(j->DeleteBitBtn->isEnabled());
  EXPECT_FALSE(j->BitBtn5->isEnabled());
  j->Chk1->click();
  j->Chk2->click();
  // "Sakot no" the 10th: the reservation only; with "līdz" the 12th: nothing.
  j->cb1->setCurrentIndex(1);
  j->cb1Change();
  EXPECT_TRUE(j->ChkUntil->isVisible());
  EXPECT_EQ(j->DBGrid1->rowCount(), 1);
  j->DT2->setDate(QDate(2024, 3, 12));
  j->ChkUntil->click();
  EXPECT_EQ(j->DBGrid1->rowCount(), 0);
  j->cb1->setCurrentIndex(0);
  j->cb1Change();
  // Searching needs a category; texts are patterns, never SQL.
  j->FindTxt->setText("ISS");
  j->FindBtn->click();
  EXPECT_EQ(j->DBGrid1->rowCount(), 2);
  j->cb2->setCurrentIndex(0);
  j->FindBtn->click();
  EXPECT_EQ(j->DBGrid1->rowCount(), 1);
  j->FindTxt->setText("\" or 1=1 or \"");
  j->FindBtn->click();
  EXPECT_EQ(j->DBGrid1->rowCount(), 0);
  j->cb2->setCurrentIndex(1);
  j->FindTxt->setText("O-9");
  j->FindBtn->click();
  EXPECT_EQ(j->DBGrid1->rowCount(), 1);
  // By supplier: the supplier's name is shown and searched.
  j->cb2->setCurrentIndex(2);
  j->FindTxt->setText("imber");
  j->FindBtn->click();
  ASSERT_EQ(j->DBGrid1->rowCount(),
            fx::Count("Waybill", QStringLiteral("ISOUT in (1,3) and SUPPLIERID=%1").arg(sup)));
  EXPECT_EQ(j->DBGrid1->item(Row(*j, "RES-1"), 5)->text(), "Timber Ltd");
  // By article: the documents with a line of that material.
  j->cb2->setCurrentIndex(3);
  j->FindTxt->setText("Oak");
  j->FindBtn->click();
  ASSERT_EQ(j->DBGrid1->rowCount(), 1);
  EXPECT_EQ(j->DBGrid1->item(0, 1)->text(), "RES-1");
  // Any filter change drops the search.
  j->Chk1->click();
  j->Chk1->click();
  EXPECT_EQ(j->DBGrid1->rowCount(), 2);
}

TEST_F(IssueJournal, MenuOffersWhatTheRowAllows) {
  auto j = Open();
  j->WBOutPopupMenuPopup();
  EXPECT_FALSE(j->Dzsttekoopavadzme1->isEnabled());
  EXPECT_FALSE(j->N13->isEnabled());
  EXPECT_FALSE(j->N3->isEnabled());
  fx::Reservation(QDate(2024, 3, 15), "RES-1", sup, {{oak, -1, 1}});
  Db->Exec("update Waybill set ORDLINK=\"77\" where NUM=\"RES-1\"");
  j->RefreshList(QString());
  Select(*j, "RES-1");
  j->WBOutPopupMenuPopup();
  EXPECT_FALSE(j->Dzsttekoopavadzme1->isEnabled());
  EXPECT_FALSE(j->N13->isEnabled());
  EXPECT_TRUE(j->N2->isEnabled());
  EXPECT_TRUE(j->N3->isEnabled());
  EXPECT_TRUE(j->N6->isEnabled());
  EXPECT_EQ(j->N6->text(), "Pasūtījumam Nr.77 nepieciešamie materiāli");
  // A double click on an issue row does nothing.
  NewIssue(*j, "ISS-1", {{"Pine 68x78", "1"}});
  Select(*j, "ISS-1");
  j->DBGrid1DblClick();
  EXPECT_FALSE(Script().ModalShown.contains("DivazOut") && Script().ModalShown.count("DivazOut") > 1);
}

TEST_F(IssueJournal, ReservationsAreWrittenOffRedatedAndCancelled) {
  const int r1 = fx::Reservation(QDate(2024, 3, 15), "RES-1", sup, {{pine, -1, 2}});
  const int r2 = fx::Reservation(QDate(2024, 3, 16), "RES-2", sup, {{oak, -1, 4}});
  auto j = Open();
  // The due date moves only later, after both questions.
  Select(*j, "RES-1");
  Script().Answers = {mrOk, mrYes};
  Script().OnModal("InputForm", [](QDialog *d) {
    static_cast<TInputForm *>(d)->DTPicker1->setDate(QDate(2024, 4, 2));
    static_cast<TInputForm *>(d)->BitBtn1->click();
    return mrNone;
  });
  j->DBGrid1->horizontalHeader()->sectionClicked(0);
  EXPECT_EQ(SQLDate(QStringLiteral("select BDATE from Waybill where ID=%1").arg(r1)).date(), QDate(2024, 4, 2));
  EXPECT_FALSE(j->Changed);
  Script().Answers = {mrCancel};
  Select(*j, "RES-1");
  j->DBGrid1->horizontalHeader()->sectionClicked(0);
  EXPECT_EQ(SQLDate(QStringLiteral("select BDATE from Waybill where ID=%1").arg(r1)).date(), QDate(2024, 4, 2));

  // Written off straight from the menu.
  Select(*j, "RES-1");
  j->N3->trigger();
  EXPECT_EQ(SQLInt(QStringLiteral("select ISOUT from Waybill where ID=%1").arg(r1)), 1);
  EXPECT_TRUE(j->Changed);
  EXPECT_NEAR(fx::Reserve(pine, -1), 0.0, QtyEpsilon);
  EXPECT_DOUBLE_EQ(fx::QtyOut(lot1), 1.1);

  // Cancelled: RESERVE released, stock untouched.
  j->Changed = false;
  Select(*j, "RES-2");
  Script().Answers = {mrYes};
  j->N2->trigger();
  EXPECT_EQ(fx::Count("Waybill", QStringLiteral("ID=%1").arg(r2)), 0);
  EXPECT_DOUBLE_EQ(fx::Reserve(oak, -1), 0.0);
  EXPECT_DOUBLE_EQ(fx::StockQty(oak, -1), 10.0);
  EXPECT_FALSE(j->Changed);
}

TEST_F(IssueJournal, AWriteOffBeyondTheStockRowIsRefusedOnEveryPathWithTheShortMaterialListed) {
  // The stock row holds less than the open lots (1.3 against 3.3): the row decides.
  Db->Exec(QStringLiteral("update CatalogQty set QUANTITY=1.3 where CATID=%1").arg(pine));
  CheckLedger = false;
  fx::Reservation(QDate(2024, 3, 15), "RES-1", sup, {{pine, -1, 2}, {oak, -1, 1}});
  const QString before = Snapshot();
  QStringList shown;
  const auto listRows = [&](QDialog *d) {
    QStringList texts;
    for (QLabel *l : qobject_cast<Tinf_MatNotEnough *>(d)->RowLabels()) texts << l->text();
    shown << texts.join(QLatin1Char('|'));
    return mrOk;
  };
  Script().OnModal("inf_MatNotEnough", listRows);
  Script().OnModal("inf_MatNotEnough", listRows);
  auto j = Open();
  Select(*j, "RES-1");
  j->N3->trigger();  // "Norakstīt rezervēšanu"
  Select(*j, "RES-1");
  j->DBGrid1->cellDoubleClicked(j->DBGrid1->currentRow(), 0);
  ASSERT_EQ(shown.size(), 2);
  for (const QString &rows : shown) {
    EXPECT_TRUE(rows.startsWith("Pine 68x78|")) << rows.toStdString();
    EXPECT_TRUE(rows.endsWith("|0.7")) << rows.toStdString();
  }
  EXPECT_FALSE(j->Changed);
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(IssueJournal, AStaleRowIsSkippedWithAMessage) {
  const int r1 = fx::Reservation(QDate(2024, 3, 15), "RES-1", sup, {{pine, -1, 2}});
  auto j = Open();
  Select(*j, "RES-1");
  // Another client wrote the reservation off after the list was read.
  Db->Exec(QStringLiteral("update Waybill set ISOUT=1 where ID=%1").arg(r1));
  CheckLedger = false;
  const QString before = Snapshot();
  j->N3->trigger();
  EXPECT_TRUE(Script().LastMessage().contains("vairs nav rezervēšana"));
  Select(*j, "RES-1");
  Script().Answers = {mrYes};
  j->N2->trigger();
  EXPECT_TRUE(Script().LastMessage().contains("vairs nav rezervēšana"));
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(IssueJournal, TheDueListOpensByItselfOnceAfterTheWindowShows) {
  fx::Reservation(QDate(2024, 3, 10), "RES-TODAY", sup, {{oak, -1, 1}});
  TWBOut j(nullptr);
  int shownDuringFirstWait = -1, shownLater = -1;
  Script().OnModal("WBOut", [&](QDialog *) {
    QTest::qWait(900);
    shownDuringFirstWait = Script().ModalShown.count("inf_Reserve");
    QTest::qWait(700);
    shownLater = Script().ModalShown.count("inf_Reserve");
    return mrCancel;
  });
  j.ShowModal();
  EXPECT_EQ(shownDuringFirstWait, 1);
  EXPECT_EQ(shownLater, 1);
  EXPECT_FALSE(j.Changed);
}

class DueReservations : public IssueJournal {};

TEST_F(DueReservations, OverdueAreCheckedTodayUncheckedTomorrowAbsent) {
  const int overdue = fx::Reservation(QDate(2024, 3, 9), "RES-OLD", sup, {{pine, -1, 1}});
  const int today = fx::Reservation(QDate(2024, 3, 10), "RES-TODAY", sup, {{oak, -1, 2}});
  fx::Reservation(QDate(2024, 3, 11), "RES-TOMORROW", sup, {{oak, -1, 3}});
  QStringList listed;
  QList<bool> checked;
  auto look = [&](QDialog *d) {
    auto *w = static_cast<Tinf_Reserve *>(d);
    listed.clear();
    checked.clear();
    for (int i = 0; i < w->ChkLB1->count(); ++i) {
      listed << w->ItemObject(i)->NUM;
      checked << (w->ChkLB1->item(i)->checkState() == Qt::Checked);
    }
  };
  // Cancel after changing the marks deletes nothing.
  Script().OnModal("inf_Reserve", [&](QDialog *d) {
    look(d);
    static_cast<Tinf_Reserve *>(d)->ChkLB1->item(1)->setCheckState(Qt::Checked);
    static_cast<Tinf_Reserve *>(d)->BitBtn2->click();
    return mrNone;
  });
  auto j = Open();
  j->N12->trigger();
  EXPECT_EQ(listed, QStringList({"RES-OLD", "RES-TODAY"}));
  EXPECT_EQ(checked, QList<bool>({true, false}));
  EXPECT_EQ(fx::Count("Waybill", "ISOUT=3"), 3);
  // A failure on the second cancellation keeps the first one too.
  Db->Exec(QStringLiteral("create trigger fail_cancel before delete on Waybill for each row "
                          "begin if old.ID=%1 then signal sqlstate '45000' set message_text='injected'; end if; end")
               .arg(today));
  const QString before = Snapshot();
  Script().OnModal("inf_Reserve", [&](QDialog *d) {
    static_cast<Tinf_Reserve *>(d)->ChkLB1->item(1)->setCheckState(Qt::Checked);
    static_cast<Tinf_Reserve *>(d)->BitBtn1->click();
    return mrNone;
  });
  j->N12->trigger();
  EXPECT_EQ(Snapshot(), before);
  Db->Exec("drop trigger fail_cancel");
  // OK cancels the checked ones.
  Script().OnModal("inf_Reserve", [&](QDialog *d) {
    static_cast<Tinf_Reserve *>(d)->BitBtn1->click();
    return mrNone;
  });
  j->N12->trigger();
  EXPECT_EQ(fx::Count("Waybill", QStringLiteral("ID=%1").arg(overdue)), 0);
  EXPECT_EQ(fx::Count("Waybill", QStringLiteral("ID=%1").arg(today)), 1);
  EXPECT_DOUBLE_EQ(fx::Reserve(pine, -1), 0.0);
  EXPECT_DOUBLE_EQ(fx::Reserve(oak, -1), -5.0);
}

}  // namespace

#include "platform/report/QuickRpt.h"
#include "platform/report/ReportPreview.h"
#include "reports/rep_OrdMaterialsUnit.h"

namespace {

TEST_F(IssueJournal, PrintsTheMaterialsOfTheDocumentOrOfItsOrder) {
  fx::Reservation(QDate(2024, 3, 15), "RES-1", sup, {{oak, -1, 1}});
  fx::Reservation(QDate(2024, 3, 16), "RES-2", sup, {{pine, -1, 2}});
  Db->Exec("update Waybill set ORDLINK=\"O-1\" where ISOUT=3");
  auto j = Open();
  Select(*j, "RES-1");
  std::vector<std::pair<int, int>> shown;  // mode, document kind
  TPreviewHandler old = SetPreviewHandler([&](TQuickRep &r) {
    auto &rep = dynamic_cast<TOrdMaterialsReport &>(r);
    shown.push_back({rep.Mode, rep.DocType});
  });
  j->N31->trigger();
  j->PrintMenuPopup();
  EXPECT_EQ(j->N32->text(), "Pasūtījumam Nr.O-1 nepieciešamie materiāli");
  j->N32->trigger();
  SetPreviewHandler(old);
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0], std::make_pair(1, 3));
  EXPECT_EQ(shown[1], std::make_pair(0, 3));
}

}  // namespace
