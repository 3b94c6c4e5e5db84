// The server's date pattern comes from the registry and may hold any text: whatever it holds,
// a date reaches SQL as one literal. The pattern below writes a double quote after the date;
// taken into a statement as it stands, it would close the literal and append "or 1".
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateEdit>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "core/CommonVariables.h"
#include "core/DataUnit.h"
#include "core/InputFormUnit.h"
#include "core/Startup.h"
#include "documents/DivazInPickerUnit.h"
#include "documents/DivazInventoryUnit.h"
#include "documents/WBInUnit.h"
#include "documents/WBInventoryUnit.h"
#include "documents/WBOutUnit.h"
#include "platform/CalcEdit.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "platform/SysUtils.h"
#include "reports/PrintFilterUnit.h"
#include "support/Fixtures.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"

namespace {

class ServerDatePattern : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    Clock::SetFixed(QDateTime(QDate(2024, 3, 5), QTime(9, 30)));
    ExecSQL("insert into Measures (NAME) values (\"gab.\")");
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(RegistryRoot, true));
    reg.WriteString("SERVER DATE FORMAT", "yyyy-mm-dd'\" or \"1'");
  }
  void TearDown() override {
    StartupFreeLists();
    DbTest::TearDown();
  }

  // Documents of every kind on the 1st and on the 5th of March.
  void DocumentsOfTwoDays() {
    const int sup = fx::Supplier("Timber");
    fx::Receipt(QDate(2024, 3, 1), "R-1", sup);
    fx::Receipt(QDate(2024, 3, 5), "R-5", sup);
    for (const auto &[date, num, kind] : {std::tuple{"2024-03-01", "I-1", 1}, {"2024-03-05", "I-5", 1},
                                          {"2024-03-01", "C-1", 4}, {"2024-03-05", "C-5", 4}})
      ExecSQL(Format("insert into Waybill (BDATE, NUM, ISOUT, SUPPLIERID, ISPAID) values (\"%s\", \"%s\", %d, -1, 1)",
                     {QLatin1String(date), QLatin1String(num), kind}));
  }

  // The texts of a column of a journal's list (a table widget or a row grid).
  template <class TGrid>
  static QStringList Column(const TGrid *grid, int col) {
    QStringList out;
    for (int r = 0; r < grid->rowCount(); ++r)
      if (grid->item(r, col)) out << grid->item(r, col)->text();
    return out;
  }
};

TEST_F(ServerDatePattern, EveryDateFilterMatchesTheDateOnly) {
  DocumentsOfTwoDays();
  StartupLoadLists();

  // the stock-count journal: "Uz" the 5th
  {
    TWBInventory journal(nullptr);
    Script().OnModal("WBInventory", [&](QDialog *) {
      journal.DT1->setDate(QDate(2024, 3, 5));
      journal.cb1->setCurrentIndex(2);
      emit journal.cb1->activated(2);
      EXPECT_EQ(Column(journal.DBGrid1, 1), QStringList{"C-5"});
      return mrCancel;
    });
    journal.ShowModal();
  }
  // the receipt journal, opened by a caller with the main window's mode buttons
  {
    QWidget caller;
    for (const char *name : {"SpeedButton1", "SpeedButton2"}) {
      auto *b = new QToolButton(&caller);
      b->setObjectName(name);
      b->setCheckable(true);
    }
    TWBIn journal(&caller);
    Script().OnModal("WBIn", [&](QDialog *) {
      journal.Chk1->click();  // receipts as well as requests
      journal.Chk2->click();
      journal.cb1->setCurrentIndex(2);
      emit journal.cb1->activated(2);
      journal.DT1->setDate(QDate(2024, 3, 5));
      EXPECT_EQ(Column(journal.DBGrid1, 1), QStringList{"R-5"});
      return mrCancel;
    });
    journal.ShowModal();
  }
  // the issue journal
  {
    TWBOut journal(nullptr);
    journal.Timer1->stop();
    journal.show();
    QCoreApplication::processEvents();
    journal.DT1->setDate(QDate(2024, 3, 5));
    journal.cb1->setCurrentIndex(2);
    journal.cb1Change();
    EXPECT_EQ(Column(journal.DBGrid1, 1), QStringList{"I-5"});
  }
  // the reports' period condition
  {
    bool withReserve = false;
    QString groups, period, title;
    Script().OnModal("PrintFilter", [](QDialog *d) {
      auto *f = static_cast<TPrintFilter *>(d);
      QTest::mouseClick(f->GrpModePeriod, Qt::LeftButton);
      f->FromDate->setDate(QDate(2024, 3, 2));
      f->ToDate->setDate(QDate(2024, 3, 5));
      QTest::mouseClick(f->BitBtn2, Qt::LeftButton);
      return mrNone;
    });
    ASSERT_TRUE(RunPrintFilter(withReserve, groups, period, title, nullptr, false, false, true));
    TQuery q;
    q.SQL = QStringLiteral("select NUM from Waybill where BDATE ") + period + QStringLiteral(" order by NUM");
    q.Open();
    QStringList nums;
    for (q.First(); !q.Eof(); q.Next()) nums << q.Fields(0).AsString();
    EXPECT_EQ(nums, (QStringList{"C-5", "I-5", "R-5"}));
  }
}

TEST_F(ServerDatePattern, ACountIsPostedOnItsDateWithItsNumber) {
  const int sup = fx::Supplier("Timber");
  const int pine = fx::Material("Pine", sup);
  fx::Lot(fx::Receipt(QDate(2024, 1, 5), "R-1", sup), pine, -1, 7, 2);
  StartupLoadLists();
  TDivazInventory ed(nullptr, -1);
  Script().OnModal("DivazInventory", [&](QDialog *) {
    ed.Edit1->setText("4000000009");
    ed.DT1->setDate(QDate(2024, 3, 4));
    for (int r = 0; r < ed.DBGrid1->rowCount(); ++r)
      if (ed.DBGrid1->item(r, 0) && ed.DBGrid1->item(r, 0)->text() == "Pine") ed.DBGrid1->setCurrentCell(r, 0);
    ed.Qty->clear();
    QTest::keyClicks(ed.Qty, "5");
    QTest::mouseClick(ed.AddBtn, Qt::LeftButton);
    QTest::mouseClick(ed.SaveWB, Qt::LeftButton);
    return mrNone;
  });
  ASSERT_EQ(ed.ShowModal(), mrOk) << Script().Messages().join('\n').toStdString();
  EXPECT_EQ(fx::Count("Waybill", "ISOUT=4 and NUM=\"4000000009\" and BDATE=\"2024-03-04\""), 1);
  // the shortage's own document carries the count's date as well
  EXPECT_EQ(fx::Count("Waybill", "ISOUT<>0 and BDATE<>\"2024-03-04\""), 0);
  EXPECT_DOUBLE_EQ(fx::StockQty(pine, -1), 5);
}

TEST_F(ServerDatePattern, ARedatedReservationTakesTheNewDateWhateverThePatternHolds) {
  // text of the pattern that looks like a placeholder of the statement's template
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(RegistryRoot, true));
  reg.WriteString("SERVER DATE FORMAT", "yyyy-mm-dd'%3'");
  const int sup = fx::Supplier("Timber");
  const int pine = fx::Material("Pine", sup);
  fx::Lot(fx::Receipt(QDate(2024, 1, 5), "R-1", sup), pine, -1, 4, 2);
  const int res = fx::Reservation(QDate(2024, 3, 15), "RES-1", sup, {{pine, -1, 2}});
  StartupLoadLists();
  TWBOut journal(nullptr);
  journal.Timer1->stop();
  journal.show();
  QCoreApplication::processEvents();
  for (int r = 0; r < journal.DBGrid1->rowCount(); ++r)
    if (journal.DBGrid1->item(r, 1)->text() == "RES-1") journal.DBGrid1->setCurrentCell(r, 0);
  Script().Answers = {mrOk, mrYes};
  Script().OnModal("InputForm", [](QDialog *d) {
    static_cast<TInputForm *>(d)->DTPicker1->setDate(QDate(2024, 4, 2));
    static_cast<TInputForm *>(d)->BitBtn1->click();
    return mrNone;
  });
  emit journal.DBGrid1->horizontalHeader()->sectionClicked(0);
  EXPECT_EQ(SQLDate(Format("select BDATE from Waybill where ID=%d", {res})).date(), QDate(2024, 4, 2))
      << Script().LastMessage().toStdString();
  EXPECT_EQ(fx::Count("Waybill", Format("ID=%d and LASTUPDATE=\"2024-03-05 09:30:00\"", {res})), 1);
}

}  // namespace
