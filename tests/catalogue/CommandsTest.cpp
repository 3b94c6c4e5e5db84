// The main window's commands: deleting a material, the colour clean-up of a material's
// stock, the journals and the print entries.
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QListWidget>
#include <QRadioButton>
#include <QTest>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <functional>
#include <typeinfo>

#include "CatalogueFixture.h"
#include "catalogue/DivazUnit.h"
#include "catalogue/StorageModel.h"
#include "core/ColorList.h"
#include "core/DataUnit.h"
#include "core/IDComboBox.h"
#include "documents/WBInUnit.h"
#include "documents/WBInventoryUnit.h"
#include "documents/WBOutUnit.h"
#include "platform/report/QuickRpt.h"
#include "platform/report/ReportPreview.h"
#include "platform/report/ReportProgress.h"
#include "reports/PrintFilterUnit.h"
#include "reports/SCALAExportUnit.h"
#include "reports/rep_CriticalRemainsUnit.h"
#include "reports/rep_InOutComeUnit.h"
#include "reports/rep_MaterialsFullUnit.h"
#include "reports/rep_MaterialsListUnit.h"
#include "reports/rep_RemainsUnit.h"
#include "reports/rep_RequisitionsUnit.h"
#include "reports/rep_ReserveByMaterialUnit.h"
#include "reports/rep_ReserveByOrderUnit.h"
#include "support/Fixtures.h"
#include "support/LedgerCheck.h"
#include "support/ScriptedDialogs.h"

namespace {

const QString DeleteQuestion = QStringLiteral("Удалить артикул из каталога? Вы уверены?");
const QString QueryError = QStringLiteral("ERROR EXECUTING QUERY! CALL SOFTWARE SERVICE MANAGER!");

void Choose(TIDComboBox *combo, const QString &text) {
  const int i = combo->findText(text);
  ASSERT_GE(i, 0) << text.toStdString();
  combo->setCurrentIndex(i);
  emit combo->activated(i);
}

void SelectName(TDivazForm &form, const QString &name) {
  form.LocateName(name);
  ASSERT_EQ(form.CurrentField("NAME").toString(), name);
}

// A document header written as given; its ID.
int Doc(const QString &insert) {
  ExecSQL(insert);
  return static_cast<int>(LastInsertID());
}

// Selects the stock-mode row of a material and colour.
void SelectStockRow(TDivazForm &form, int catId, int color) {
  for (int r = 0; r < form.Model->rowCount(); ++r)
    if (form.Model->Value(r, "ID").toInt() == catId && form.Model->Value(r, "COLOR").toInt() == color) {
      form.DBGrid1->setCurrentIndex(form.Model->index(r, 0));
      return;
    }
  FAIL() << "no stock row " << catId << "/" << color;
}

class Commands : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    pine = fx::Material("Pine 68x78", Sup1, 0, 1, 1);
    spare = fx::Material("Pine spare", Sup1, 0, 1, 1);
    counted = fx::Material("Pine counted", Sup1, 0, 1, 1);
    oak = fx::Material("Oak 68", Sup2, 0, 1, 2);
    seal = fx::Material("Seal 5", Sup1, 1, 3, 1);
    rc1 = fx::Receipt(QDate(2024, 1, 5), "R-1", Sup1);
    fx::Lot(rc1, pine, -1, 4, 2.0);
    fx::Lot(rc1, seal, white, 12, 1.5);
    rc2 = fx::Receipt(QDate(2024, 2, 5), "R-2", Sup1);
    fx::Lot(rc2, seal, white, 8, 1.75);
    fx::Lot(rc2, seal, brown, 4, 3.0);
    fx::Lot(rc2, oak, -1, 0.1, 1.0);
    fx::Lot(rc2, oak, white, 0.2, 1.0);
  }
  int pine = 0, spare = 0, counted = 0, oak = 0, seal = 0, rc1 = 0, rc2 = 0;
  const int white = MakeColorCode(0, 0, 0, 0), brown = MakeColorCode(0, 0, 1, 0);
};

// ---- deleting a material

TEST_F(Commands, DeleteKeepsMaterialsThatStockOrDocumentsStillName) {
  // an empty stock row left behind, and a material only a stock count names
  fx::StockRow(spare, -1, 0, 0, rc1);
  const int count = Doc("insert into Waybill (BDATE, NUM, ISOUT) values ('2024-03-01', 'C-1', 4)");
  Db->Exec(QStringLiteral("insert into WaybillInventory (WAYBILLID, CATID, COLOR, QTYBEFORE, QTYAFTER) "
                          "values (%1, %2, -1, 0, 0)").arg(count).arg(counted));
  TDivazForm form;
  form.show();
  Choose(form.IDcb_Grp, "Profiles");
  Choose(form.IDcb_SubGrp, "Pine");
  ASSERT_TRUE(form.DelBitBtn->isEnabled());

  // received material: refused, nothing written
  SelectName(form, "Pine 68x78");
  form.DelBitBtn->click();
  EXPECT_EQ(Script().Messages(),
            QStringList({DeleteQuestion, "Артикул есть на складе, в резерве или в документах: удалить его нельзя."}));
  EXPECT_EQ(fx::Count("Catalog", QStringLiteral("ID=%1").arg(pine)), 1);

  // a material that only a stock count names is kept as well (through the menu entry)
  Script().Clear();
  SelectName(form, "Pine counted");
  form.N2->trigger();
  EXPECT_EQ(Script().Messages().size(), 2);
  EXPECT_EQ(fx::Count("Catalog", QStringLiteral("ID=%1").arg(counted)), 1);

  // answering No keeps an unused material
  Script().Clear();
  SelectName(form, "Pine spare");
  Script().Answers.push_back(mrNo);
  form.DelBitBtn->click();
  EXPECT_EQ(Script().Messages(), QStringList({DeleteQuestion}));
  EXPECT_EQ(fx::Count("Catalog", QStringLiteral("ID=%1").arg(spare)), 1);

  // Yes deletes it with its empty stock row; the grid is re-read with the subgroup kept
  form.DelBitBtn->click();
  EXPECT_EQ(fx::Count("Catalog", QStringLiteral("ID=%1").arg(spare)), 0);
  EXPECT_EQ(fx::Count("CatalogQty", QStringLiteral("CATID=%1").arg(spare)), 0);
  EXPECT_EQ(GridColumn(form, "NAME"), QStringList({"Pine 68x78", "Pine counted"}));
  EXPECT_EQ(form.GetFilter(), "c.CATGROUP=1 and c.SUBGROUP=1 ");
}

TEST_F(Commands, FailedDeleteLeavesMaterialAndStockRowsWhole) {
  fx::StockRow(spare, -1, 0, 0, rc1);
  Db->Exec("create trigger CatalogNoDelete before delete on Catalog for each row "
           "signal sqlstate '45000' set message_text='kept'");
  TDivazForm form;
  form.show();
  SelectName(form, "Pine spare");
  form.DelBitBtn->click();
  EXPECT_EQ(Script().LastMessage(), QueryError);
  // the stock row deleted before the failing statement is back
  EXPECT_EQ(fx::Count("CatalogQty", QStringLiteral("CATID=%1").arg(spare)), 1);
  EXPECT_EQ(fx::Count("Catalog", QStringLiteral("ID=%1").arg(spare)), 1);
  EXPECT_TRUE(GridColumn(form, "NAME").contains("Pine spare"));
}

// ---- colour clean-up

TEST_F(Commands, ColourCleanUpMergesStockRowsOfTheMaterialIntoOneWithoutColour) {
  // a reservation on White, and a second (empty) White row of a later receipt
  fx::Reservation(QDate(2024, 3, 1), "3000000007", Sup1, {{seal, white, 1}});
  const int rc3 = fx::Receipt(QDate(2024, 3, 2), "R-3", Sup1);
  fx::StockRow(seal, white, 0, 0, rc3);
  const int count = Doc("insert into Waybill (BDATE, NUM, ISOUT) values ('2024-03-01', 'C-1', 4)");
  Db->Exec(QStringLiteral("insert into WaybillInventory (WAYBILLID, CATID, COLOR, QTYBEFORE, QTYAFTER) "
                          "values (%1, %2, %3, 4, 4)").arg(count).arg(seal).arg(brown));
  TDivazForm form;
  form.show();
  form.SpeedButton1->click();
  ASSERT_TRUE(form.REMOVECOLORINFO1->isEnabled());

  // No changes nothing
  SelectStockRow(form, seal, brown);
  Script().Answers.push_back(mrNo);
  form.REMOVECOLORINFO1->trigger();
  EXPECT_EQ(Script().Messages(),
            QStringList({"Materiālam bus izdzēsta krāsu informācija!\r\rApstipriniet izmaiņas."}));
  EXPECT_EQ(fx::StockRowCount(seal, white), 2);

  form.REMOVECOLORINFO1->trigger();
  EXPECT_EQ(fx::Count("CatalogQty", QStringLiteral("CATID=%1").arg(seal)), 1);
  EXPECT_EQ(fx::StockRowCount(seal, -1), 1);
  EXPECT_DOUBLE_EQ(fx::StockQty(seal, -1), 24);
  EXPECT_DOUBLE_EQ(fx::Reserve(seal, -1), -1);
  EXPECT_EQ(fx::LastWbId(seal, -1), rc3);
  // every line and count row of the material lost its colour; other materials kept theirs
  EXPECT_EQ(fx::Count("WaybillCont", QStringLiteral("CATID=%1 and COLOR<>-1").arg(seal)), 0);
  EXPECT_EQ(fx::Count("WaybillCont", QStringLiteral("CATID=%1").arg(seal)), 4);
  EXPECT_EQ(fx::Count("WaybillInventory", QStringLiteral("CATID=%1 and COLOR=-1").arg(seal)), 1);
  EXPECT_EQ(fx::StockRowCount(oak, white), 1);
  EXPECT_TRUE(LedgerViolations().isEmpty()) << LedgerViolations().join("\n").toStdString();

  // sums are stored rounded: 0.1 + 0.2 is 0.3, not 0.30000000000000004
  SelectStockRow(form, oak, white);
  form.REMOVECOLORINFO1->trigger();
  EXPECT_EQ(fx::Count("CatalogQty", QStringLiteral("CATID=%1 and COLOR=-1 and QUANTITY=0.3").arg(oak)), 1);
  EXPECT_EQ(fx::Count("CatalogQty", QStringLiteral("CATID=%1").arg(oak)), 1);
}

TEST_F(Commands, FailedColourCleanUpKeepsStockAndColours) {
  TDivazForm form;
  form.show();
  form.SpeedButton1->click();
  // the insert of the merged row fails after the old rows were deleted
  Db->Exec("create trigger CatalogQtyNoInsert before insert on CatalogQty for each row "
           "signal sqlstate '45000' set message_text='refused'");
  SelectStockRow(form, seal, white);
  form.REMOVECOLORINFO1->trigger();
  EXPECT_EQ(Script().LastMessage(), QueryError);
  EXPECT_DOUBLE_EQ(fx::StockQty(seal, white), 20);
  EXPECT_DOUBLE_EQ(fx::StockQty(seal, brown), 4);
  EXPECT_EQ(fx::Count("WaybillCont", QStringLiteral("CATID=%1 and COLOR=-1").arg(seal)), 0);
}

TEST_F(Commands, CommandsOfTheOtherModeAreUnavailable) {
  TDivazForm form;
  form.show();
  // catalogue mode: F5 must not merge the stock of whatever row the grid shows
  EXPECT_FALSE(form.REMOVECOLORINFO1->isEnabled());
  SelectName(form, "Seal 5");
  form.REMOVECOLORINFO1->trigger();
  EXPECT_EQ(fx::StockRowCount(seal, white), 1);
  EXPECT_TRUE(Script().Messages().isEmpty());

  // stock mode: no deletion (the stock list's rows are not catalogue rows)
  form.SpeedButton1->click();
  EXPECT_FALSE(form.DelBitBtn->isEnabled());
  EXPECT_FALSE(form.N2->isEnabled());
  form.DelBitBtnClick();
  EXPECT_TRUE(Script().Messages().isEmpty());
  form.SpeedButton1->click();
  EXPECT_TRUE(form.DelBitBtn->isEnabled());
  EXPECT_TRUE(form.N2->isEnabled());
}

// ---- journals

TEST_F(Commands, JournalReportingAChangeBringsTheGridBackToTheGroup) {
  struct Journal {
    std::function<void(TDivazForm &)> open;
    QString name;
    std::function<void(QDialog *)> change;
  };
  const std::vector<Journal> journals = {
      {[](TDivazForm &f) { f.InBitBtn->click(); }, "WBIn",
       [](QDialog *d) { static_cast<TWBIn *>(d)->Changed = true; }},
      {[](TDivazForm &f) { f.N4->trigger(); }, "WBIn", [](QDialog *d) { static_cast<TWBIn *>(d)->Changed = true; }},
      {[](TDivazForm &f) { f.OutBitBtn->click(); }, "WBOut",
       [](QDialog *d) { static_cast<TWBOut *>(d)->Changed = true; }},
      {[](TDivazForm &f) { f.N5->trigger(); }, "WBOut",
       [](QDialog *d) { static_cast<TWBOut *>(d)->Changed = true; }},
      {[](TDivazForm &f) { f.SpeedButton3->click(); }, "WBInventory",
       [](QDialog *d) { static_cast<TWBInventory *>(d)->Changed = true; }},
      {[](TDivazForm &f) { f.N12->trigger(); }, "WBInventory",
       [](QDialog *d) { static_cast<TWBInventory *>(d)->Changed = true; }},
  };
  TDivazForm form;
  form.show();
  for (const Journal &j : journals) {
    SCOPED_TRACE(j.name.toStdString());
    Choose(form.IDcb_Grp, "Profiles");
    Choose(form.IDcb_SubGrp, "Pine");
    const QStringList before = GridColumn(form, "QUANTITY");

    // closed without a change: the grid and the subgroup stay as they were
    QWidget *owner = nullptr;
    Script().OnModal(j.name, [&](QDialog *d) {
      owner = d->parentWidget();
      Db->Exec(QStringLiteral("update CatalogQty set QUANTITY=QUANTITY+1 where CATID=%1").arg(pine));
      return mrCancel;
    });
    j.open(form);
    EXPECT_EQ(owner, &form);
    EXPECT_EQ(form.GetFilter(), "c.CATGROUP=1 and c.SUBGROUP=1 ");
    EXPECT_EQ(GridColumn(form, "QUANTITY"), before);

    // a change: back to the whole group, re-read
    Script().OnModal(j.name, [&](QDialog *d) {
      j.change(d);
      return mrCancel;
    });
    j.open(form);
    EXPECT_EQ(form.GetFilter(), "c.CATGROUP=1 ");
    EXPECT_EQ(form.IDcb_SubGrp->currentIndex(), 0);
    EXPECT_EQ(GridColumn(form, "NAME").size(), 4);
    SelectName(form, "Pine 68x78");
    EXPECT_NE(form.Model->DisplayText(form.CurrentRow(), 2), before.first());
    Db->Exec(QStringLiteral("update CatalogQty set QUANTITY=4 where CATID=%1").arg(pine));
  }
  EXPECT_EQ(Script().ModalShown.size(), 12);
}

// ---- print entries

class PrintCommands : public Commands {
 protected:
  void SetUp() override {
    Commands::SetUp();
    m_old = SetPreviewHandler([this](TQuickRep &report) {
      Kinds << QString::fromLatin1(typeid(report).name());
      Owners << report.Owner();
      Texts << report.Prepare().Texts();
    });
  }
  void TearDown() override {
    SetPreviewHandler(m_old);
    Commands::TearDown();
  }
  QStringList Kinds;  // the report classes, as typeid names
  QVector<QWidget *> Owners;
  QVector<QStringList> Texts;

 private:
  TPreviewHandler m_old;
};

TEST_F(PrintCommands, RequestsAndReservationsReachTheirReports) {
  TDivazForm form;
  form.show();
  ASSERT_TRUE(form.BitBtn7->isEnabled());

  // no purchase request yet: a message and no report, from either menu
  form.N8->trigger();
  form.N20->trigger();
  EXPECT_TRUE(Kinds.isEmpty());
  EXPECT_EQ(Script().Messages(), QStringList(2, "В настоящий момент нет ни одной заявки в базе данных."));

  const int rq = Doc("insert into Waybill (BDATE, NUM, ISOUT, SUPPLIERID) values ('2024-03-03', 'REQ-77', 2, 1)");
  Db->Exec(QStringLiteral("insert into WaybillCont (WAYBILLID, CATID, COLOR, QUANTITY, PRICE) values (%1, %2, -1, 3, 0)")
               .arg(rq).arg(pine));
  const int res = fx::Reservation(QDate(2024, 3, 1), "3000000007", Sup1, {{seal, white, 2}});
  Db->Exec(QStringLiteral("update Waybill set ORDLINK='ORD-5' where ID=%1").arg(res));

  // each entry of either menu previews its report, owned by the main window
  const auto run = [&](QAction *entry, const std::type_info &kind) {
    const int before = Kinds.size();
    entry->trigger();
    EXPECT_EQ(Kinds.size(), before + 1) << entry->objectName().toStdString();
    if (Kinds.size() == before) return QString();
    EXPECT_EQ(Kinds.last(), QString::fromLatin1(kind.name())) << entry->objectName().toStdString();
    EXPECT_EQ(Owners.last(), &form);
    return Texts.last().join('|');
  };
  for (QAction *requests : {form.N8, form.N20}) EXPECT_TRUE(run(requests, typeid(TPrintRequisitions)).contains("REQ-77"));
  for (QAction *byMaterial : {form.N14, form.N26})
    EXPECT_TRUE(run(byMaterial, typeid(TPrintReserveByMaterial)).contains("3000000007"));
  for (QAction *byOrder : {form.N15, form.N27})
    EXPECT_TRUE(run(byOrder, typeid(TPrintReserveByOrder)).contains("ORD-5"));
}

// The filter dialog as a print entry shows it: which choices it offers, then a choice.
struct FilterSeen {
  bool Reserve = false, Groups = false, Period = false;
};
void WorkFilter(FilterSeen &seen, const std::function<void(TPrintFilter &)> &choose) {
  Script().OnModal("PrintFilter", [&seen, choose](QDialog *d) {
    auto &f = *static_cast<TPrintFilter *>(d);
    seen = {f.ResChkBox->isEnabled(), f.isGroups->isEnabled(), f.GrpMode->isEnabled()};
    if (!choose) return mrCancel;
    choose(f);
    QTest::mouseClick(f.BitBtn2, Qt::LeftButton);
    return mrNone;
  });
}

void TickGroup(TPrintFilter &f, const QString &name) {
  f.isGroups->click();
  for (int i = 0; i < f.GrpChkLB->count(); ++i)
    if (f.GrpChkLB->item(i)->text() == name) {
      f.GrpChkLB->setCurrentRow(i);
      f.GrpChkLB->item(i)->setCheckState(Qt::Checked);
    }
}

void February(TPrintFilter &f) {
  f.GrpModePeriod->click();
  f.FromDate->setDate(QDate(2024, 2, 1));
  f.ToDate->setDate(QDate(2024, 2, 29));
}

TEST_F(PrintCommands, PeriodEntriesPrintWhatTheFilterChose) {
  const int issue = Doc("insert into Waybill (BDATE, NUM, ISOUT, SUPPLIERID, LASTUPDATE) "
                        "values ('2024-02-10', 'OUT-9', 1, 1, '2024-02-10 10:00:00')");
  Q_UNUSED(issue);
  TDivazForm form;
  form.show();
  FilterSeen seen;

  // cancelling the filter prints nothing, from any entry
  for (QAction *entry : {form.N16, form.N21, form.N17, form.N22, form.N18, form.N28}) {
    WorkFilter(seen, nullptr);
    entry->trigger();
  }
  EXPECT_TRUE(Kinds.isEmpty());
  EXPECT_EQ(Script().ModalShown.size(), 6);

  // receipts of February: the period only
  for (QAction *receipts : {form.N16, form.N21}) {
    WorkFilter(seen, February);
    receipts->trigger();
    EXPECT_FALSE(seen.Reserve || seen.Groups);
    EXPECT_TRUE(seen.Period);
    ASSERT_EQ(Kinds.last(), QString::fromLatin1(typeid(TPrintInOutCome).name()));
    const QString text = Texts.last().join('|');
    EXPECT_TRUE(text.contains("R-2")) << text.toStdString();
    EXPECT_FALSE(text.contains("R-1"));
    EXPECT_FALSE(text.contains("OUT-9"));
    EXPECT_TRUE(text.contains("01.02.2024 līdz 29.02.2024")) << "the filter's title";
  }
  const int receiptsPrinted = Kinds.size();

  // issues of the same period
  WorkFilter(seen, February);
  form.N17->trigger();
  ASSERT_EQ(Kinds.size(), receiptsPrinted + 1);
  EXPECT_EQ(Kinds.last(), QString::fromLatin1(typeid(TPrintInOutCome).name()));
  EXPECT_TRUE(Texts.last().join('|').contains("OUT-9"));
  EXPECT_FALSE(Texts.last().join('|').contains("R-2"));

  // movements: every choice offered; the group and the period reach the report, the title
  // its info line
  WorkFilter(seen, [](TPrintFilter &f) {
    February(f);
    TickGroup(f, "Seals");
  });
  form.N28->trigger();
  EXPECT_TRUE(seen.Reserve && seen.Groups && seen.Period);
  ASSERT_EQ(Kinds.last(), QString::fromLatin1(typeid(TPrintMeterialsFull).name()));
  const QString text = Texts.last().join('|');
  EXPECT_TRUE(text.contains("Seal 5")) << text.toStdString();
  EXPECT_FALSE(text.contains("Oak 68"));
  EXPECT_TRUE(text.contains("Seals")) << "the filter's title";
}

TEST_F(PrintCommands, StockListsPrintTheChosenGroupsWithTheFilterTitle) {
  fx::Reservation(QDate(2024, 3, 1), "3000000007", Sup1, {{seal, white, 2}});
  TDivazForm form;
  form.show();
  FilterSeen seen;

  for (QAction *stock : {form.N19, form.N23}) {
    WorkFilter(seen, [](TPrintFilter &f) {
      TickGroup(f, "Seals");
      f.ResChkBox->click();
    });
    stock->trigger();
    EXPECT_TRUE(seen.Reserve && seen.Groups);
    EXPECT_FALSE(seen.Period);
    ASSERT_EQ(Kinds.last(), QString::fromLatin1(typeid(TPrintRemains).name()));
    const QString text = Texts.last().join('|');
    EXPECT_TRUE(text.contains("Seal 5")) << text.toStdString();
    EXPECT_FALSE(text.contains("Pine 68x78"));
    EXPECT_TRUE(text.contains("Seals")) << "the filter's title";
    EXPECT_TRUE(text.contains("rezervēti")) << "the reservations were asked for";
  }

  // critical stock: Seals has a minimum of 10, so Brown (4) is critical and White (20) not
  for (QAction *critical : {form.N9, form.N24}) {
    WorkFilter(seen, [](TPrintFilter &f) { TickGroup(f, "Seals"); });
    critical->trigger();
    EXPECT_TRUE(seen.Reserve && seen.Groups);
    EXPECT_FALSE(seen.Period);
    ASSERT_EQ(Kinds.last(), QString::fromLatin1(typeid(TPrintCriticalRemains).name()));
    const QString text = Texts.last().join('|');
    EXPECT_TRUE(text.contains("Brown")) << text.toStdString();
    EXPECT_FALSE(text.contains("White"));
    EXPECT_TRUE(text.contains("Seals")) << "the filter's title";
  }
}

TEST_F(PrintCommands, CatalogueListsTheChosenGroupsOfThePressedSystems) {
  Db->Exec(QStringLiteral("update Catalog set SYSTEMID=1 where ID=%1").arg(oak));
  TDivazForm form;
  form.show();
  FilterSeen seen;
  const auto print = [&](QAction *entry, const QString &group) {
    WorkFilter(seen, [group](TPrintFilter &f) {
      if (!group.isEmpty()) TickGroup(f, group);
    });
    const int before = Kinds.size();
    entry->trigger();
    EXPECT_EQ(Kinds.size(), before + 1);
    EXPECT_EQ(Kinds.last(), QString::fromLatin1(typeid(Trep_MaterialsList).name()));
    EXPECT_TRUE(seen.Groups);
    EXPECT_FALSE(seen.Reserve || seen.Period);
    return Texts.last().join('|');
  };
  QString text = print(form.Catalogs1, QString());
  EXPECT_TRUE(text.contains("Pine 68x78") && text.contains("Oak 68") && text.contains("Seal 5")) << text.toStdString();
  text = print(form.Catalogs2, "Seals");
  EXPECT_TRUE(text.contains("Seal 5"));
  EXPECT_FALSE(text.contains("Oak 68"));
  // only the materials of the pressed profile system
  ASSERT_EQ(form.FSystemButtons.size(), 3);
  form.FSystemButtons[2]->click();
  text = print(form.Catalogs1, QString());
  EXPECT_TRUE(text.contains("Oak 68")) << text.toStdString();
  EXPECT_FALSE(text.contains("Pine 68x78"));
}

TEST_F(Commands, ExportEntriesOpenTheExportInTheirMode) {
  TDivazForm form;
  form.show();
  QVector<int> modes;
  for (int i = 0; i < 2; ++i)
    Script().OnModal("SCALAExpForm", [&](QDialog *d) {
      EXPECT_EQ(d->parentWidget(), &form);
      modes << static_cast<TSCALAExpForm *>(d)->Mode();
      return mrCancel;
    });
  form.InvoiceExport->trigger();
  form.WriteOffExport->trigger();
  EXPECT_EQ(modes, QVector<int>({0, 1}));
}

// Every print entry shows its progress as soon as the user has asked for the report (OK in the
// filter), before the report sends its first query, however long that may take; Cancel
// pressed then sends nothing more and shows no preview.
TEST_F(PrintCommands, EveryEntryShowsItsProgressBeforeTheReportReadsAnything) {
  const int rq = Doc("insert into Waybill (BDATE, NUM, ISOUT, SUPPLIERID) values ('2024-03-03', 'REQ-77', 2, 1)");
  Db->Exec(QStringLiteral("insert into WaybillCont (WAYBILLID, CATID, COLOR, QUANTITY, PRICE) values (%1, %2, -1, 3, 0)")
               .arg(rq).arg(pine));
  fx::Reservation(QDate(2024, 3, 1), "3000000007", Sup1, {{seal, white, 2}});
  TDivazForm form;
  form.show();
  FilterSeen seen;
  // What happens once the entry is chosen: the statements sent and the progress shown.
  QStringList events;
  bool cancel = false;
  TConnection &connection = DATA->DB_Storage;
  const auto oldStatement = connection.OnStatement;
  connection.OnStatement = [&](const QString &sql) { events << sql.simplified().left(40); };
  const TReportProgressHandler oldProgress = SetReportProgressHandler([&](const QString &, int, int) {
    events << QStringLiteral("progress");
    return !cancel;
  });
  const struct {
    QAction *Entry;
    bool Filter;
    QStringList Before;  // what the entry asks before the report
  } entries[] = {{form.N19, true, {}}, {form.N9, true, {}},         {form.N18, true, {}},
                 {form.Catalogs1, true, {}}, {form.N16, true, {}},  {form.N17, true, {}},
                 {form.N14, false, {}}, {form.N15, false, {}},
                 {form.N8, false, {"select count(*) from Waybill where ISOUT"}}};
  for (const auto &e : entries)
    for (const bool cancelled : {true, false}) {
      SCOPED_TRACE((e.Entry->objectName() + (cancelled ? " cancelled" : "")).toStdString());
      cancel = cancelled;
      events.clear();
      // From OK in the filter on.
      if (e.Filter) WorkFilter(seen, [&](TPrintFilter &) { events.clear(); });
      const int previews = Kinds.size();
      e.Entry->trigger();
      const std::string seen = events.join('\n').toStdString();
      ASSERT_GE(events.size(), e.Before.size() + 1) << seen;
      EXPECT_EQ(events.mid(0, e.Before.size()), e.Before) << seen;
      EXPECT_EQ(events[e.Before.size()].toStdString(), "progress") << seen;
      if (cancelled) {
        EXPECT_EQ(events.size(), e.Before.size() + 1) << seen;
        EXPECT_EQ(Kinds.size(), previews);
      } else {
        EXPECT_GT(events.size(), e.Before.size() + 1);
        EXPECT_EQ(Kinds.size(), previews + 1);
      }
    }
  EXPECT_TRUE(Script().Messages().isEmpty()) << Script().Messages().join('\n').toStdString();
  SetReportProgressHandler(oldProgress);
  connection.OnStatement = oldStatement;
}

TEST_F(PrintCommands, PrintSubmenuNeedsRowsOfTheCurrentMode) {
  TDivazForm form;
  form.show();
  form.PopupMenu1Popup();
  EXPECT_TRUE(form.N7->isEnabled());
  form.Edit1->setText("no such material");
  form.FindBtn->click();
  form.PopupMenu1Popup();
  EXPECT_FALSE(form.N7->isEnabled());
  EXPECT_FALSE(form.N2->isEnabled());
  // the stock list of the same search is empty too; without the search it has rows
  form.SpeedButton1->click();
  form.PopupMenu1Popup();
  EXPECT_FALSE(form.N7->isEnabled());
  form.Edit1->clear();
  form.FindBtn->click();
  form.PopupMenu1Popup();
  EXPECT_TRUE(form.N7->isEnabled());
}

}  // namespace
