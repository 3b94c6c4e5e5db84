// The issue and reservation editor: composing lines from the open lots and saving them.
#include <QHeaderView>
#include <QLabel>
#include <QToolButton>

#include "core/IDComboBox.h"
#include "core/InputFormUnit.h"
#include "core/Startup.h"
#include "documents/IssueTestKit.h"
#include "platform/Clock.h"
#include "platform/SysUtils.h"

using namespace issuekit;

namespace {

class IssueEditor : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    Clock::SetFixed(QDateTime(QDate(2024, 3, 10), QTime(9, 30)));
    sup = fx::Supplier("Timber Ltd");
    pine = fx::Material("Pine 68x78", sup);
    // The newer receipt goes in first, so that line order and date order differ.
    newer = fx::Receipt(QDate(2024, 2, 1), "R-NEW", sup);
    older = fx::Receipt(QDate(2024, 1, 5), "R-OLD", sup);
    newLot = fx::Lot(newer, pine, -1, 4, 3.0);
    oldLot = fx::Lot(older, pine, -1, 5, 2.0);
  }
  int sup = 0, pine = 0, newer = 0, older = 0, newLot = 0, oldLot = 0;
};

TEST_F(IssueEditor, IssueConsumesOldestLotsFirstAndSplitsALine) {
  TEditor e(-1, 1);
  const QString num = e.W->Edit1->text();
  e.Next();
  ASSERT_TRUE(e.Pick("Pine 68x78"));
  // The source row shows what all lots hold and the price of the oldest lot.
  EXPECT_EQ(e.W->DBGrid1->item(0, 3)->text(), "9");
  EXPECT_EQ(e.W->DBGrid1->item(0, 2)->text(), "2");
  e.Add("Pine 68x78", "7");
  ASSERT_EQ(e.Lines(), 2);
  EXPECT_EQ(e.Cell(2, 1), "5.00");
  EXPECT_EQ(e.Cell(4, 1), "R-OLD");
  EXPECT_EQ(e.Cell(2, 2), "2.00");
  EXPECT_EQ(e.Cell(3, 2), "3.00");
  EXPECT_EQ(e.Cell(4, 2), "R-NEW");

  const int lastBefore = fx::LastWbId(pine, -1);
  e.Save();
  ASSERT_TRUE(e.Saved()) << Script().LastMessage().toStdString();
  const int doc = SQLInt(QStringLiteral("select ID from Waybill where ISOUT=1"));
  EXPECT_EQ(SQLInt(QStringLiteral("select count(*) from Waybill where ISOUT=1 and NUM=%1").arg(QuoteSQL(num))), 1);
  EXPECT_DOUBLE_EQ(Value(QStringLiteral("select SUM from Waybill where ID=%1").arg(doc)), 16.0);
  EXPECT_DOUBLE_EQ(fx::QtyOut(oldLot), 5.0);
  EXPECT_DOUBLE_EQ(fx::QtyOut(newLot), 2.0);
  EXPECT_DOUBLE_EQ(fx::StockQty(pine, -1), 2.0);
  EXPECT_EQ(fx::LastWbId(pine, -1), lastBefore);
  EXPECT_EQ(fx::Count("WaybillCont", QStringLiteral("WAYBILLID=%1 and QTYOUT is null").arg(doc)), 2);
  EXPECT_EQ(fx::Count("WBList", QStringLiteral("OUTWBID=%1 and INWBCONTID=%2 and INWBID=%3")
                                    .arg(doc).arg(oldLot).arg(older)), 1);
  EXPECT_EQ(fx::Count("WBList", QStringLiteral("OUTWBID=%1 and INWBCONTID=%2 and INWBID=%3")
                                    .arg(doc).arg(newLot).arg(newer)), 1);
  EXPECT_EQ(e.W->SavedNumber, num);
}

TEST_F(IssueEditor, NumbersAreProposedCheckedAndTrimmed) {
  // An empty table would propose ID 1; here five documents exist already.
  {
    TEditor e(-1, 1);
    const int next = SQLInt(QStringLiteral("select max(ID)+1 from Waybill"));
    EXPECT_EQ(e.W->Edit1->text(), QStringLiteral("1%1").arg(next, 9, 10, QLatin1Char('0')));
    e.W->Edit1->setText("   ");
    e.Next();
    EXPECT_EQ(Script().LastMessage(), "Pavadzīmes numurs ir vajadzīgs!");
    EXPECT_FALSE(e.W->Panel2->isVisible());
    e.W->Edit1->setText(" R-OLD ");
    e.Next();
    EXPECT_EQ(Script().LastMessage(), "Pavadzīmes numurs jau eksistē!");
    e.W->Edit1->setText("  ISS-7 ");
    e.Next();
    EXPECT_TRUE(e.W->Panel2->isVisible());
    e.Add("Pine 68x78", "1");
    e.Save();
    ASSERT_TRUE(e.Saved());
    EXPECT_EQ(fx::Count("Waybill", "NUM=\"ISS-7\" and ISOUT=1"), 1);
  }
  TEditor r(-1, 3);
  EXPECT_TRUE(r.W->Edit1->text().startsWith("3"));
  EXPECT_EQ(r.W->Label2->text(), "Rezevēšanas numurs");
  r.W->Edit1->setText("ISS-7");
  r.Next();
  EXPECT_EQ(Script().LastMessage(), "Rezervēšanas numurs jau eksistē!");
}

TEST_F(IssueEditor, EmptyDatabaseProposesTheFirstNumbers) {
  Db->Exec("delete from WaybillCont");
  Db->Exec("delete from Waybill");
  Db->Exec("delete from CatalogQty");
  TEditor e(-1, 1);
  EXPECT_EQ(e.W->NewDocNumber(0), "1000000001");
  EXPECT_EQ(e.W->NewDocNumber(1), "3000000001");
  // No open lots: an empty source list and no quantity box.
  EXPECT_EQ(e.W->DBGrid1->rowCount(), 0);
  EXPECT_FALSE(e.W->Qty->isEnabled());
}

TEST_F(IssueEditor, RefusesMoreThanTheLotsHoldAndDuplicateMaterials) {
  TEditor e(-1, 1);
  e.Next();
  e.Add("Pine 68x78", "9.5");
  EXPECT_EQ(Script().LastMessage(), "Daudzums parāk liels. Atlikums ir mazāks: 9");
  EXPECT_EQ(e.Lines(), 0);
  e.Add("Pine 68x78", "1");
  e.Add("Pine 68x78", "1");
  EXPECT_EQ(Script().LastMessage(), "Nosaukums jau sarakstā. Vienkarši izmainit tas daudzums.");
  EXPECT_EQ(e.Lines(), 1);
}

TEST_F(IssueEditor, ChangingAndRemovingAMaterialActsOnAllItsLots) {
  const int oak = fx::Material("Oak board", sup);
  fx::Lot(older, oak, -1, 10, 1.5);
  TEditor e(-1, 1);
  e.Next();
  e.Add("Oak board", "2");
  e.Add("Pine 68x78", "7");
  ASSERT_EQ(e.Lines(), 3);
  // A new total of 4 rebuilds the pine rows in place: one lot is enough now.
  e.W->CntGrd->SetRow(3);
  Script().OnModal("InputForm", [](QDialog *d) {
    static_cast<TInputForm *>(d)->Rx1->setText("4");
    static_cast<TInputForm *>(d)->BitBtn1->click();
    return mrNone;
  });
  e.W->CntGrdTitleClick(2);
  ASSERT_EQ(e.Lines(), 2);
  EXPECT_EQ(e.Cell(0, 1), "Oak board");
  EXPECT_EQ(e.Cell(0, 2), "Pine 68x78");
  EXPECT_EQ(e.Cell(2, 2), "4.00");
  EXPECT_EQ(e.Cell(4, 2), "R-OLD");
  // Above what the lots hold: refused with the stock in the message, rows untouched.
  Script().OnModal("InputForm", [](QDialog *d) {
    static_cast<TInputForm *>(d)->Rx1->setText("12");
    static_cast<TInputForm *>(d)->BitBtn1->click();
    return mrNone;
  });
  e.W->CntGrdTitleClick(2);
  EXPECT_EQ(Script().LastMessage(), "Daudzums parāk liels! Atlikums ir mazāks: 9");
  EXPECT_EQ(e.Lines(), 2);
  // A quantity below the sixth decimal leaves the rows as they are.
  Script().OnModal("InputForm", [](QDialog *d) {
    static_cast<TInputForm *>(d)->Rx1->setText("0.0000001");
    static_cast<TInputForm *>(d)->BitBtn1->click();
    return mrNone;
  });
  e.W->CntGrdTitleClick(2);
  EXPECT_EQ(e.Lines(), 2);
  EXPECT_EQ(e.Cell(2, 2), "4.00");
  // Removing asks first; yes removes every row of the material.
  e.Add("Pine 68x78", "1");  // refused as a duplicate, but selects the pine row
  e.W->ContentPopupPopup();
  EXPECT_TRUE(e.W->N1->isEnabled());
  Script().Answers.push_back(mrYes);
  e.W->N1->trigger();
  ASSERT_EQ(e.Lines(), 1);
  EXPECT_EQ(e.Cell(0, 1), "Oak board");
}

TEST_F(IssueEditor, MaterialsOfTwoSuppliersSaveAsNumberedDocuments) {
  const int glassSup = fx::Supplier("Glass Co");
  const int glass = fx::Material("Float glass 4mm", glassSup);
  fx::Lot(newer, glass, -1, 20, 10.0);
  TEditor e(-1, 1);
  e.W->Edit1->setText("N");
  e.Next();
  e.Add("Pine 68x78", "6");
  e.Add("Float glass 4mm", "2.5");
  e.Save();
  ASSERT_TRUE(e.Saved());
  EXPECT_EQ(SQLInt("select SUPPLIERID from Waybill where NUM=\"N-1\" and ISOUT=1"), sup);
  EXPECT_EQ(SQLInt("select SUPPLIERID from Waybill where NUM=\"N-2\" and ISOUT=1"), glassSup);
  EXPECT_DOUBLE_EQ(Value("select SUM from Waybill where NUM=\"N-1\""), 13.0);
  EXPECT_DOUBLE_EQ(Value("select SUM from Waybill where NUM=\"N-2\""), 25.0);
  EXPECT_EQ(fx::Count("WaybillCont", "WAYBILLID=(select ID from Waybill where NUM=\"N-1\")"), 2);
  EXPECT_EQ(fx::Count("WaybillCont", "WAYBILLID=(select ID from Waybill where NUM=\"N-2\")"), 1);
  EXPECT_EQ(fx::Count("Waybill", "NUM=\"N\""), 0);
  EXPECT_EQ(e.W->SavedNumber, "N-1");
}

TEST_F(IssueEditor, ALotTakenMeanwhileRefusesTheWholeSave) {
  TEditor e(-1, 1);
  e.Next();
  e.Add("Pine 68x78", "7");
  // Another client issues 2 from the newer lot after the lines were laid out.
  Db->Exec(QStringLiteral("update WaybillCont set QTYOUT=3 where ID=%1").arg(newLot));
  Db->Exec(QStringLiteral("update CatalogQty set QUANTITY=QUANTITY-3 where CATID=%1").arg(pine));
  CheckLedger = false;  // the other client's issue is simulated without its document
  const QString before = Snapshot();
  e.Save();
  EXPECT_FALSE(e.Saved());
  EXPECT_TRUE(Script().LastMessage().contains("netika saglabāta")) << Script().LastMessage().toStdString();
  EXPECT_TRUE(Script().LastMessage().contains("R-NEW"));
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(e.Lines(), 2);  // the user's lines stay
  EXPECT_EQ(e.W->DBGrid1->item(0, 3)->text(), "6");  // the source list is fresh
}

TEST_F(IssueEditor, ALotPriceCorrectedMeanwhileValuesTheIssue) {
  TEditor e(-1, 1);
  e.Next();
  e.Add("Pine 68x78", "7");
  EXPECT_EQ(e.Cell(3, 1), "2.00");
  // The older receipt's price is corrected before anything was issued from it.
  Db->Exec(QStringLiteral("update WaybillCont set PRICE=2.5 where ID=%1").arg(oldLot));
  Db->Exec(QStringLiteral("update Waybill set SUM=12.5 where ID=%1").arg(older));
  e.Save();
  ASSERT_TRUE(e.Saved()) << Script().LastMessage().toStdString();
  const int doc = SQLInt("select ID from Waybill where ISOUT=1");
  EXPECT_DOUBLE_EQ(Value(QStringLiteral("select PRICE from WaybillCont where WAYBILLID=%1 and QUANTITY=5").arg(doc)), 2.5);
  EXPECT_DOUBLE_EQ(Value(QStringLiteral("select SUM from Waybill where ID=%1").arg(doc)), 18.5);
}

TEST_F(IssueEditor, AFailureWhileSavingLeavesEveryTableAsItWas) {
  const QString before = Snapshot();
  Db->Exec("create trigger fail_link before insert on WBList for each row "
           "signal sqlstate '45000' set message_text='injected'");
  TEditor e(-1, 1);
  e.Next();
  e.Add("Pine 68x78", "7");
  e.Save();
  EXPECT_FALSE(e.Saved());
  EXPECT_EQ(Script().LastMessage(), "ERROR while saving invoice.");
  EXPECT_EQ(Snapshot(), before);
  EXPECT_EQ(e.Lines(), 2);
  // Once the cause is gone the same window saves.
  Db->Exec("drop trigger fail_link");
  e.Save();
  EXPECT_TRUE(e.Saved());
  EXPECT_DOUBLE_EQ(fx::StockQty(pine, -1), 2.0);
}

TEST_F(IssueEditor, ReservationLowersReserveAndRequestsWhatIsMissing) {
  TEditor e(-1, 3);
  const QString num = e.W->Edit1->text();
  e.W->Edit2->setText("ORD-\"5\"");
  e.Next();
  Script().Answers.push_back(mrYes);  // reserve more than the stock holds
  e.Add("Pine 68x78", "12");
  ASSERT_EQ(e.Lines(), 1);
  EXPECT_EQ(e.Cell(4, 1), "");
  Script().Answers.push_back(mrYes);  // create the request
  e.Save();
  ASSERT_TRUE(e.Saved());
  const int res = SQLInt("select ID from Waybill where ISOUT=3");
  EXPECT_EQ(SQLInt(QStringLiteral("select count(*) from Waybill where ID=%1 and NUM=%2").arg(res).arg(QuoteSQL(num))), 1);
  EXPECT_DOUBLE_EQ(Value(QStringLiteral("select QUANTITY from WaybillCont where WAYBILLID=%1").arg(res)), 12.0);
  EXPECT_DOUBLE_EQ(Value(QStringLiteral("select PRICE from WaybillCont where WAYBILLID=%1").arg(res)), 0.0);
  EXPECT_DOUBLE_EQ(fx::Reserve(pine, -1), -12.0);
  EXPECT_DOUBLE_EQ(fx::StockQty(pine, -1), 9.0);
  // The request: reservation number + "_AReq", ten days ahead, 3 missing at the row's price.
  const int req = SQLInt("select ID from Waybill where ISOUT=2");
  EXPECT_EQ(fx::Count("Waybill", QStringLiteral("ID=%1 and NUM=%2 and BDATE=\"2024-03-20\" and "
                                                "NOTES=\"Computer Automatic Request\" and ORDLINK=%3")
                                     .arg(req).arg(QuoteSQL(num + "_AReq"), QuoteSQL("ORD-\"5\""))), 1);
  EXPECT_DOUBLE_EQ(Value(QStringLiteral("select QUANTITY from WaybillCont where WAYBILLID=%1").arg(req)), 3.0);
  EXPECT_DOUBLE_EQ(Value(QStringLiteral("select PRICE from WaybillCont where WAYBILLID=%1").arg(req)), 2.0);
}

TEST_F(IssueEditor, HeaderTextsWithPercentSignsAreStoredAsTyped) {
  // Texts that look like placeholders must neither change nor shift the other header values.
  const int glassSup = fx::Supplier("Glass Co");
  fx::Lot(newer, fx::Material("Float glass 4mm", glassSup), -1, 20, 10.0);
  TEditor e(-1, 1);
  e.W->Edit1->setText("ISS-%1");
  e.W->Edit2->setText("ORD %5");
  e.W->Edit3->setText("atlaide 10%2 un %10");
  e.Next();
  e.Add("Pine 68x78", "1");
  e.Add("Float glass 4mm", "2");
  e.Save();
  ASSERT_TRUE(e.Saved()) << Script().LastMessage().toStdString();
  const QString supplier = QString::number(sup);
  EXPECT_EQ(fx::Count("Waybill", "ISOUT=1 and NUM=\"ISS-%1-1\" and ORDLINK=\"ORD %5\" and "
                                 "NOTES=\"atlaide 10%2 un %10\" and ISPAID=0 and SUPPLIERID=" + supplier), 1);
  EXPECT_EQ(fx::Count("Waybill", "ISOUT=1 and NUM=\"ISS-%1-2\" and SUPPLIERID=" + QString::number(glassSup)), 1);

  TEditor r(-1, 3);
  r.W->Edit1->setText("RES-%2");
  r.W->Edit2->setText("ORD-%1");
  r.Next();
  Script().Answers.push_back(mrYes);  // reserve more than the stock holds
  r.Add("Pine 68x78", "12");
  Script().Answers.push_back(mrYes);  // create the request
  r.Save();
  ASSERT_TRUE(r.Saved()) << Script().LastMessage().toStdString();
  EXPECT_EQ(fx::Count("Waybill", "ISOUT=3 and NUM=\"RES-%2\" and ORDLINK=\"ORD-%1\" and SUPPLIERID=" + supplier), 1);
  EXPECT_EQ(fx::Count("Waybill", "ISOUT=2 and NUM=\"RES-%2_AReq\" and ORDLINK=\"ORD-%1\" and "
                                 "NOTES=\"Computer Automatic Request\" and SUPPLIERID=" + supplier), 1);
}

TEST_F(IssueEditor, NumbersThatWouldNotFitTheColumnAreRefused) {
  const int glassSup = fx::Supplier("Glass Co");
  fx::Lot(newer, fx::Material("Float glass 4mm", glassSup), -1, 20, 10.0);
  const QString before = Snapshot();
  TEditor e(-1, 1);
  e.W->Edit1->setText("ISSUE-NUMBER-0000000123");
  EXPECT_EQ(e.W->Edit1->text(), "ISSUE-NUMBER-0000000");
  // Two suppliers add "-1" and "-2": cut to the column they would both be the same number.
  e.W->Edit1->setText("ISSUE-NUMBER-000001");
  e.Next();
  e.Add("Pine 68x78", "1");
  e.Add("Float glass 4mm", "2");
  e.Save();
  EXPECT_FALSE(e.Saved());
  EXPECT_EQ(Script().LastMessage(), "Pavadzīmes numurs ir pārāk garš!");
  EXPECT_EQ(Snapshot(), before);

  // A reservation's automatic request adds "_AReq".
  TEditor r(-1, 3);
  r.W->Edit1->setText("RESERVATION-0001");
  r.Next();
  Script().Answers.push_back(mrYes);  // reserve more than the stock holds
  r.Add("Pine 68x78", "12");
  Script().Answers.push_back(mrYes);  // create the request
  r.Save();
  EXPECT_FALSE(r.Saved());
  EXPECT_EQ(Script().LastMessage(), "Rezervēšanas numurs ir pārāk garš!");
  EXPECT_EQ(Snapshot(), before);
  // Without the request the number fits.
  Script().Answers = {mrNo, mrOk};
  r.Save();
  ASSERT_TRUE(r.Saved());
  EXPECT_EQ(fx::Count("Waybill", "ISOUT=3 and NUM=\"RESERVATION-0001\""), 1);
}

TEST_F(IssueEditor, ReservationQuestionsDecideWhatIsWritten) {
  const QString before = Snapshot();
  TEditor e(-1, 3);
  e.Next();
  e.Add("Pine 68x78", "12");
  Script().Answers = {mrCancel};
  e.Save();
  EXPECT_FALSE(e.Saved());
  EXPECT_EQ(Snapshot(), before);
  Script().Answers = {mrNo, mrCancel};
  e.Save();
  EXPECT_FALSE(e.Saved());
  EXPECT_EQ(Snapshot(), before);
  Script().Answers = {mrNo, mrOk};
  e.Save();
  ASSERT_TRUE(e.Saved());
  EXPECT_EQ(fx::Count("Waybill", "ISOUT=3"), 1);
  EXPECT_EQ(fx::Count("Waybill", "ISOUT=2"), 0);
  EXPECT_DOUBLE_EQ(fx::Reserve(pine, -1), -12.0);
}

TEST_F(IssueEditor, ANumberTakenByAnySaveRefusesTheWholeSaveAndKeepsTheLines) {
  const int sup2 = fx::Supplier("Glass Co");
  const int glass = fx::Material("Glass 4mm", sup2);
  fx::Lot(fx::Receipt(QDate(2024, 1, 7), "R-G", sup2), glass, -1, 10, 1.0);
  // An issue over two suppliers stores "N-1" and "N-2".
  {
    TEditor e(-1, 1);
    e.W->Edit1->setText("N");
    e.Next();
    e.Add("Pine 68x78", "1");
    e.Add("Glass 4mm", "1");
    e.Save();
    ASSERT_TRUE(e.Saved());
  }
  ASSERT_EQ(fx::Count("Waybill", "NUM in (\"N-1\", \"N-2\")"), 2);
  const QString before = Snapshot();
  // The same typed number again, as an issue and as a reservation with its automatic request:
  // the split numbers are taken.
  for (const int kind : {1, 3}) {
    TEditor e(-1, kind);
    e.W->Edit1->setText("N");
    e.Next();
    e.Add("Pine 68x78", "1");
    e.Add("Glass 4mm", kind == 1 ? "1" : "20");
    Script().Answers = {mrYes, mrYes};
    e.Save();
    EXPECT_FALSE(e.Saved());
    EXPECT_EQ(Script().LastMessage(), kind == 1 ? "Pavadzīmes numurs jau eksistē!" : "Rezervēšanas numurs jau eksistē!");
    EXPECT_EQ(e.W->Edit1->text(), "N");
    EXPECT_GE(e.Lines(), 2);
    EXPECT_EQ(Snapshot(), before);
  }
  // "N_AReq" stored elsewhere refuses a reservation "N" whose request would take it.
  {
    TEditor e(-1, 3);
    e.W->Edit1->setText("M");
    e.Next();
    e.Add("Glass 4mm", "20");
    Db->Exec("insert into Waybill (BDATE, NUM, ISOUT, USERID) values (\"2024-03-01\", \"M_AReq\", 2, 1)");
    const QString withRequest = Snapshot();
    Script().Answers = {mrYes};
    e.Save();
    EXPECT_FALSE(e.Saved());
    EXPECT_EQ(Script().LastMessage(), "Rezervēšanas numurs jau eksistē!");
    EXPECT_EQ(Snapshot(), withRequest);
  }
  // A proposed number that another client stored meanwhile: refused, and a fresh proposal.
  {
    TEditor e(-1, 1);
    const QString proposed = e.W->Edit1->text();
    e.Next();
    e.Add("Pine 68x78", "1");
    Db->Exec(QStringLiteral("insert into Waybill (BDATE, NUM, ISOUT, USERID) values (\"2024-03-01\", %1, 1, 1)")
                 .arg(QuoteSQL(proposed)));
    e.Save();
    EXPECT_FALSE(e.Saved());
    EXPECT_EQ(Script().LastMessage(), "Pavadzīmes numurs jau eksistē!");
    EXPECT_NE(e.W->Edit1->text(), proposed);
    EXPECT_EQ(e.Lines(), 1);
    e.Save();
    EXPECT_TRUE(e.Saved()) << Script().LastMessage().toStdString();
  }
}

TEST_F(IssueEditor, AFailedAutomaticRequestTakesTheReservationBackToo) {
  const QString before = Snapshot();
  Db->Exec("create trigger fail_request before insert on Waybill for each row "
           "begin if new.ISOUT=2 then signal sqlstate '45000' set message_text='injected'; end if; end");
  TEditor e(-1, 3);
  e.Next();
  e.Add("Pine 68x78", "12");
  Script().Answers = {mrYes};
  e.Save();
  EXPECT_FALSE(e.Saved());
  EXPECT_EQ(Script().LastMessage(), "ERROR saving auto-inquery.");
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(IssueEditor, WriteOffModeTurnsTheReservationIntoAnIssueOverTheOldestLots) {
  const int res = fx::Reservation(QDate(2024, 3, 1), "3000000042", sup, {{pine, -1, 6}});
  TEditor e(res, 3);
  EXPECT_EQ(e.W->Edit1->text(), "3000000042");
  EXPECT_FALSE(e.W->Panel1->isEnabled());
  EXPECT_FALSE(e.W->AddBtn->isVisible());
  // The rows show how the lots will be consumed.
  ASSERT_EQ(e.Lines(), 2);
  EXPECT_EQ(e.Cell(2, 1), "5.00");
  EXPECT_EQ(e.Cell(2, 2), "1.00");
  e.Save();
  ASSERT_TRUE(e.Saved());
  EXPECT_EQ(SQLInt(QStringLiteral("select ISOUT from Waybill where ID=%1").arg(res)), 1);
  EXPECT_EQ(fx::Count("Waybill", "NUM=\"3000000042\""), 1);
  EXPECT_DOUBLE_EQ(fx::QtyOut(oldLot), 5.0);
  EXPECT_DOUBLE_EQ(fx::QtyOut(newLot), 1.0);
  EXPECT_DOUBLE_EQ(fx::Reserve(pine, -1), 0.0);
  EXPECT_DOUBLE_EQ(fx::StockQty(pine, -1), 3.0);
}

TEST_F(IssueEditor, AShortWriteOffKeepsTheEditorOpenAndWritesNothing) {
  const int res = fx::Reservation(QDate(2024, 3, 1), "3000000043", sup, {{pine, -1, 15}});
  const QString before = Snapshot();
  TEditor e(res, 3);
  e.Save();
  EXPECT_FALSE(e.Saved());
  EXPECT_EQ(Snapshot(), before);
  EXPECT_TRUE(Script().ModalShown.contains("inf_MatNotEnough"));
  // Someone else wrote it off meanwhile: the editor says so instead of writing twice.
  Db->Exec(QStringLiteral("update Waybill set ISOUT=1 where ID=%1").arg(res));
  CheckLedger = false;
  e.Save();
  EXPECT_FALSE(e.Saved());
  EXPECT_TRUE(Script().LastMessage().contains("vairs nav")) << Script().LastMessage().toStdString();
}

TEST_F(IssueEditor, SearchTextIsAPatternNotSql) {
  fx::Material("Oak \"special\" 50%", sup);
  TEditor e(-1, 1);
  e.Next();
  e.W->txtFind->setText("\" or 1=1 or \"");
  e.W->FindBtn1->click();
  EXPECT_EQ(e.W->DBGrid1->rowCount(), 0);
  e.W->txtFind->setText("68%78");
  e.W->FindBtn1->click();
  EXPECT_EQ(e.W->DBGrid1->rowCount(), 1);
}

TEST_F(IssueEditor, TheLotListShowsEachMaterialOnceOldestFirstUnderEveryFilter) {
  fx::Group(3, "Glass");
  const int glass = fx::Material("Glass 4mm", sup, 0, 3);
  Db->Exec(QStringLiteral("update Catalog set COMMENTS='clear' where ID=%1").arg(glass));
  const int oldest = fx::Receipt(QDate(2023, 12, 1), "R-FIRST", sup);
  fx::Lot(oldest, glass, -1, 2, 7.5);
  fx::Lot(newer, glass, -1, 1.5, 8.0);
  // A lot that holds nothing any more is no open lot: neither its price nor its date counts.
  const int used = fx::Lot(fx::Receipt(QDate(2023, 11, 1), "R-USED", sup), pine, -1, 3, 9.0);
  Db->Exec(QStringLiteral("update WaybillCont set QTYOUT=QUANTITY where ID=%1").arg(used));
  CheckLedger = false;  // the used-up lot was not consumed by a document

  StartupLoadLists();  // the group choice
  TEditor e(-1, 1);
  e.Next();
  auto rows = [&] {
    QStringList out;
    for (int r = 0; r < e.W->DBGrid1->rowCount(); ++r) {
      QStringList cells;
      for (int c = 0; c < 4; ++c) cells << e.W->DBGrid1->item(r, c)->text();
      out << cells.join(QLatin1Char('|'));
    }
    return out;
  };
  const QStringList all = {"Glass 4mm|clear|7.5|3.5", "Pine 68x78||2|9"};
  EXPECT_EQ(rows(), all);
  e.W->IDcb_Grp1->SetItemIndex(e.W->IDcb_Grp1->findText("Glass"));
  e.W->IDcb_Grp1Change();
  EXPECT_EQ(rows(), QStringList{all[0]});
  e.W->txtFind->setText("68x");
  e.W->FindBtn1->click();
  EXPECT_EQ(rows(), QStringList{all[1]});
  e.W->txtFind->setText("clear");
  e.W->FindBtn1->click();
  EXPECT_EQ(rows(), QStringList{all[0]});
  // a receipt date that another user changed orders the list at the next refresh: the glass's
  // oldest lot is now the one of R-NEW (with its price), after the pine's
  Db->Exec(QStringLiteral("update Waybill set BDATE='2024-03-01' where ID=%1").arg(oldest));
  e.W->IDcb_Grp1->SetItemIndex(0);
  e.W->IDcb_Grp1Change();
  EXPECT_EQ(rows(), QStringList({all[1], "Glass 4mm|clear|8|3.5"}));
  StartupFreeLists();
}

TEST_F(IssueEditor, EveryRowOfALongLotListShowsAndAddsItsOwnMaterial) {
  // More rows than the list reads at once: each row keeps its own material, price, unit and
  // what all the open lots of its material hold, in its place, wherever it lies in the list.
  const int receipt = fx::Receipt(QDate(2023, 6, 1), "R-MANY", sup);
  for (int i = 0; i < 450; ++i) {
    const int bar = fx::Material(QStringLiteral("Bar %1").arg(i, 3, 10, QLatin1Char('0')), sup);
    fx::Lot(receipt, bar, -1, 1, i + 0.5);
    if (i == 300) fx::Lot(newer, bar, -1, 2.25, 9.0);  // a later lot: the row stays the older one's
  }
  TEditor e(-1, 1);
  e.Next();
  ASSERT_EQ(e.W->DBGrid1->rowCount(), 451);
  e.W->DBGrid1->setCurrentCell(333, 0);
  e.W->Qty->setText("1");
  e.W->AddBtn->click();
  ASSERT_EQ(e.Lines(), 1);
  EXPECT_EQ(e.Cell(0, 1), "Bar 333");
  EXPECT_EQ(e.Cell(3, 1), "333.50");
  for (int r : {449, 0, 199, 200, 201, 399, 400}) {
    EXPECT_EQ(e.W->DBGrid1->item(r, 0)->text(), QStringLiteral("Bar %1").arg(r, 3, 10, QLatin1Char('0')));
    EXPECT_EQ(e.W->DBGrid1->item(r, 2)->text(), FloatToStr(r + 0.5));
  }
  EXPECT_EQ(e.W->DBGrid1->item(450, 0)->text(), "Pine 68x78");
  EXPECT_EQ(e.W->DBGrid1->item(450, 3)->text(), "9");
  EXPECT_EQ(e.W->DBGrid1->item(449, 3)->text(), "1");
  EXPECT_EQ(e.W->DBGrid1->item(300, 2)->text(), "300.5");
  EXPECT_EQ(e.W->DBGrid1->item(300, 3)->text(), "3.25");
  e.W->DBGrid1->setCurrentCell(300, 0);
  e.W->SpeedButton1->click();
  EXPECT_EQ(e.W->Qty->text(), "3.25");
}

}  // namespace
