// Stock counts through their windows: the editor's source list and lines, posting the
// differences over the lots per supplier, the journal, and deleting a count.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include "core/ColorList.h"
#include "core/CommonVariables.h"
#include "core/DataLists.h"
#include "core/DataUnit.h"
#include "core/IDComboBox.h"
#include "core/Startup.h"
#include "documents/DivazInventoryUnit.h"
#include "documents/WBInventoryUnit.h"
#include "platform/CalcEdit.h"
#include "platform/Clock.h"
#include "platform/Grids.h"
#include "platform/SysUtils.h"
#include "support/Fixtures.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"

namespace {

// Everything a count can touch, row by row.
QStringList Snapshot() { return fx::Snapshot().split(QLatin1Char('\n')); }

class Counts : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    Clock::SetFixed(QDateTime(QDate(2024, 6, 10), QTime(9, 30)));
    ExecSQL("insert into Measures (NAME) values (\"gab.\"), (\"m\")");
  }
  void TearDown() override {
    StartupFreeLists();
    DbTest::TearDown();
  }

  // An issue of qty from one lot, written as the issue editor writes it.
  int Issue(int lot, double qty) {
    TQuery q;
    q.SQL = QStringLiteral("select WAYBILLID, CATID, COLOR, PRICE from WaybillCont where ID=%1").arg(lot);
    q.Open();
    const int receipt = q.Fields(0).AsInteger(), cat = q.Fields(1).AsInteger(), color = q.Fields(2).AsInteger();
    const double price = q.Fields(3).AsFloat();
    ExecSQL(QStringLiteral("insert into Waybill (BDATE, NUM, ISOUT, SUM, USERID) values (\"2024-05-01\", \"1%1\", 1, %2, 1)")
                .arg(lot)
                .arg(qty * price, 0, 'f', 6));
    const int doc = static_cast<int>(LastInsertID());
    ExecSQL(QStringLiteral("insert into WaybillCont (WAYBILLID, CATID, COLOR, QUANTITY, PRICE) values (%1,%2,%3,%4,%5)")
                .arg(doc)
                .arg(cat)
                .arg(color)
                .arg(qty, 0, 'f', 6)
                .arg(price, 0, 'f', 6));
    const int line = static_cast<int>(LastInsertID());
    ExecSQL(QStringLiteral("insert into WBList (INWBID,OUTWBID,OUTWBCONTID,INWBCONTID) values(%1,%2,%3,%4)")
                .arg(receipt)
                .arg(doc)
                .arg(line)
                .arg(lot));
    ExecSQL(QStringLiteral("update WaybillCont set QTYOUT=round(QTYOUT+%1, 6) where ID=%2").arg(qty, 0, 'f', 6).arg(lot));
    ExecSQL(QStringLiteral("update CatalogQty set QUANTITY=round(QUANTITY-%1, 6) where CATID=%2 and COLOR=%3")
                .arg(qty, 0, 'f', 6)
                .arg(cat)
                .arg(color));
    return doc;
  }

  static int SourceRow(TDivazInventory &ed, const QString &name) {
    for (int r = 0; r < ed.DBGrid1->rowCount(); ++r)
      if (ed.DBGrid1->item(r, 0) && ed.DBGrid1->item(r, 0)->text() == name) return r;
    return -1;
  }
  // Picks the material in the source list, types the counted quantity and adds the line.
  static void AddLine(TDivazInventory &ed, const QString &name, const QString &qty) {
    const int r = SourceRow(ed, name);
    ASSERT_GE(r, 0) << name.toStdString() << " is not in the source list";
    ed.DBGrid1->setCurrentCell(r, 0);
    ed.Qty->clear();
    QTest::keyClicks(ed.Qty, qty);
    QTest::mouseClick(ed.AddBtn, Qt::LeftButton);
  }
  static QStringList Lines(TDivazInventory &ed) {
    QStringList out;
    for (int r = 1; r < ed.CntGrd->RowCount(); ++r)
      out << QStringList{ed.CntGrd->Cells(0, r), ed.CntGrd->Cells(2, r), ed.CntGrd->Cells(3, r)}.join(QLatin1Char('|'));
    return out;
  }

  // Opens a new count, lets fill work it, presses "Saglabāt"; returns the modal result.
  int SaveCount(const QString &number, const std::function<void(TDivazInventory &)> &fill) {
    StartupLoadLists();
    TDivazInventory ed(nullptr, -1);
    Script().OnModal("DivazInventory", [&](QDialog *) {
      if (!number.isEmpty()) ed.Edit1->setText(number);
      fill(ed);
      QTest::mouseClick(ed.SaveWB, Qt::LeftButton);
      return mrNone;
    });
    return ed.ShowModal();
  }

  // Deletes the count with this number through the journal's menu.
  bool DeleteThroughJournal(const QString &number) {
    StartupLoadLists();
    TWBInventory journal(nullptr);
    bool found = false;
    Script().OnModal("WBInventory", [&](QDialog *) {
      for (int r = 0; r < journal.DBGrid1->rowCount(); ++r)
        if (journal.DBGrid1->item(r, 1)->text() == number) {
          journal.DBGrid1->setCurrentCell(r, 1);
          found = true;
        }
      if (found) journal.N2->trigger();
      return mrCancel;
    });
    journal.ShowModal();
    return found && journal.Changed;
  }

  QString Num(int docId) { return DocField(docId, "NUM"); }
  QString DocField(int docId, const char *field) {
    TQuery q;
    q.SQL = QStringLiteral("select %1 from Waybill where ID=%2").arg(QLatin1String(field)).arg(docId);
    q.Open();
    return q.IsEmpty() ? QString() : q.Fields(0).IsNull() ? QStringLiteral("NULL") : q.Fields(0).AsString();
  }
};

TEST_F(Counts, SourceListFiltersAndLinesOfTheEditor) {
  fx::Group(1, "Profiles");
  fx::Subgroup(1, 1, "Pine");
  fx::Group(2, "Glass");
  const int sup = fx::Supplier("Timber");
  const int pine = fx::Material("Pine 68x78", sup, 0, 1, 1);
  const int oak = fx::Material("Oak \"50%\" 68", sup, 0, 1, 2);
  const int glass = fx::Material("Glass 4mm", sup, 0, 2, 0);
  const int closed = fx::Material("Pine closed", sup, 0, 1, 1);
  const int r1 = fx::Receipt(QDate(2024, 1, 5), "R-1", sup);
  fx::Lot(r1, pine, -1, 3, 2);
  fx::Lot(r1, pine, -1, 4, 2.5);
  fx::Lot(r1, oak, -1, 5, 1);
  fx::Lot(r1, glass, -1, 1.25, 4);
  Issue(fx::Lot(r1, closed, -1, 2, 1), 2);
  ExecSQL("update Catalog set MEASURE=2 where ID=" + QString::number(glass));
  StartupLoadLists();

  TDivazInventory ed(nullptr, -1);
  Script().OnModal("DivazInventory", [&](QDialog *) {
    // A new count proposes "4" and the next document ID in nine digits.
    EXPECT_EQ(ed.Edit1->text(), "4" + QString::number(SQLInt("select max(ID)+1 from Waybill")).rightJustified(9, '0'));
    // One row per material and colour with open lots; a closed lot is not offered.
    EXPECT_EQ(ed.DBGrid1->rowCount(), 3);
    EXPECT_EQ(ed.DBGrid1->item(SourceRow(ed, "Pine 68x78"), 2)->text(), "7");
    EXPECT_EQ(ed.DBGrid1->item(SourceRow(ed, "Glass 4mm"), 3)->text(), "m");
    EXPECT_FALSE(ed.IDcb_SubGrp1->isEnabled());  // "[Все группы]": no subgroups

    ed.IDcb_Grp1->SetItemIndex(ed.IDcb_Grp1->IndexOfValue(1));
    emit ed.IDcb_Grp1->activated(ed.IDcb_Grp1->currentIndex());
    EXPECT_EQ(ed.DBGrid1->rowCount(), 2);
    EXPECT_TRUE(ed.IDcb_SubGrp1->isEnabled());
    ed.IDcb_SubGrp1->SetItemIndex(ed.IDcb_SubGrp1->IndexOfValue(1));
    emit ed.IDcb_SubGrp1->activated(ed.IDcb_SubGrp1->currentIndex());
    EXPECT_EQ(ed.DBGrid1->rowCount(), 1);

    // The name search keeps wildcards, a quote cannot break the statement, and it resets the
    // group.
    QTest::keyClicks(ed.txtFind, "\"50%");
    QTest::keyClick(ed.txtFind, Qt::Key_Return);
    EXPECT_EQ(ed.IDcb_Grp1->currentIndex(), 0);
    EXPECT_EQ(ed.DBGrid1->rowCount(), 1);
    EXPECT_EQ(SourceRow(ed, "Oak \"50%\" 68"), 0);
    ed.txtFind->clear();
    ed.IDcb_Measure1->SetItemIndex(ed.IDcb_Measure1->IndexOfValue(2));
    emit ed.IDcb_Measure1->activated(ed.IDcb_Measure1->currentIndex());
    EXPECT_EQ(ed.DBGrid1->rowCount(), 1);
    EXPECT_EQ(ed.QtyDisplayFormat(), ",0.0000## m");
    ed.IDcb_Measure1->SetItemIndex(0);
    ed.FindBtn1Click();
    EXPECT_EQ(ed.DBGrid1->rowCount(), 3);

    // Lines: a counted zero is a line; the same material twice is refused; Enter adds too.
    AddLine(ed, "Pine 68x78", "0");
    AddLine(ed, "Glass 4mm", "1.1234567");
    ed.DBGrid1->setCurrentCell(SourceRow(ed, "Oak \"50%\" 68"), 0);
    ed.Qty->clear();
    QTest::keyClicks(ed.Qty, "6");
    QTest::keyClick(ed.Qty, Qt::Key_Return);
    EXPECT_EQ(Lines(ed), (QStringList{"Pine 68x78|0.0000|7.0000", "Glass 4mm|1.123457|1.2500", "Oak \"50%\" 68|6.0000|5.0000"}));
    EXPECT_EQ(ed.Qty->text(), "0");
    AddLine(ed, "Pine 68x78", "5");
    EXPECT_EQ(Script().LastMessage(), "Nosaukums jau sarakstā. Vienkarši izmainit tas daudzums.");
    EXPECT_EQ(ed.CntGrd->Row(), 1);
    EXPECT_EQ(ed.CntGrd->RowCount(), 4);

    // The title of the counted column asks for a new quantity of the selected line.
    ed.CntGrd->SetRow(3);
    Script().OnModal("InputForm", [](QDialog *d) {
      auto *rx = d->findChild<TCalcEdit *>("Rx1");
      EXPECT_EQ(rx->Value(), 6.0);  // preset to the line's quantity
      rx->setText("2.5");
      return mrOk;
    });
    const QHeaderView *header = ed.CntGrd->horizontalHeader();
    QTest::mousePress(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(2) + 5, header->height() / 2));
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {},
                        QPoint(header->sectionViewportPosition(2) + 5, header->height() / 2));
    EXPECT_EQ(ed.CntGrd->Cells(2, 3), "2.5000");

    // Deleting asks first; No keeps the line.
    ed.CntGrd->SetRow(1);
    ed.ContentPopupPopup();
    EXPECT_TRUE(ed.N1->isEnabled());
    Script().Answers.push_back(mrNo);
    ed.N1->trigger();
    EXPECT_EQ(ed.CntGrd->RowCount(), 4);
    ed.N1->trigger();
    ed.N1->trigger();
    ed.N1->trigger();
    EXPECT_EQ(ed.CntGrd->RowCount(), 2);  // one empty row stays
    EXPECT_EQ(ed.CntGrd->Cells(0, 1), "");
    ed.ContentPopupPopup();
    EXPECT_FALSE(ed.N1->isEnabled());

    // An empty or used number is refused before anything is written.
    AddLine(ed, "Pine 68x78", "6");
    ed.Edit1->setText("  ");
    QTest::mouseClick(ed.SaveWB, Qt::LeftButton);
    EXPECT_EQ(Script().LastMessage(), "Inventarizācijas numurs ir vajadzīgs!");
    ed.Edit1->setText(" R-1 ");
    QTest::mouseClick(ed.SaveWB, Qt::LeftButton);
    EXPECT_EQ(Script().LastMessage(), "Inventarizācijas numurs jau eksistē!");
    EXPECT_TRUE(ed.isVisible());
    QTest::mouseClick(ed.CancelBtn, Qt::LeftButton);
    return mrNone;
  });
  EXPECT_EQ(ed.ShowModal(), mrCancel);
  EXPECT_EQ(fx::Count("Waybill", "ISOUT in (4,5,6)"), 0);
}

TEST_F(Counts, AnEmptySourceListOffersNothing) {
  StartupLoadLists();
  TDivazInventory ed(nullptr, -1);
  Script().OnModal("DivazInventory", [&](QDialog *) {
    EXPECT_FALSE(ed.Qty->isEnabled());
    EXPECT_FALSE(ed.AddBtn->isVisible());
    ed.AddBtnClick();
    EXPECT_EQ(ed.CntGrd->Cells(0, 1), "");
    // Saving a count without lines writes nothing and closes.
    QTest::mouseClick(ed.SaveWB, Qt::LeftButton);
    return mrNone;
  });
  EXPECT_EQ(ed.ShowModal(), mrOk);
  EXPECT_EQ(fx::Count("Waybill"), 0);
}

TEST_F(Counts, EveryRowOfALongSourceListShowsAndAddsItsOwnMaterial) {
  // More rows than the list reads at once: each row keeps its own material and what all its
  // open lots hold, at the place of its oldest lot, wherever it lies in the list.
  const int sup = fx::Supplier("Timber");
  const int receipt = fx::Receipt(QDate(2024, 1, 5), "R-MANY", sup);
  const int older = fx::Receipt(QDate(2023, 12, 1), "R-OLD", sup);
  for (int i = 0; i < 450; ++i) {
    const int bar = fx::Material(QStringLiteral("Bar %1").arg(i, 3, 10, QLatin1Char('0')), sup);
    fx::Lot(receipt, bar, -1, i + 0.5, 1);
    if (i == 300) fx::Lot(older, bar, -1, 2.25, 1);  // an older lot: the row goes first
  }
  StartupLoadLists();
  TDivazInventory ed(nullptr, -1);
  Script().OnModal("DivazInventory", [&](QDialog *) {
    EXPECT_EQ(ed.DBGrid1->rowCount(), 450);
    EXPECT_EQ(ed.DBGrid1->item(0, 0)->text(), "Bar 300");
    EXPECT_EQ(ed.DBGrid1->item(0, 2)->text(), "302.75");
    for (int r : {449, 1, 199, 200, 201, 300, 301, 399, 400}) {
      const int i = r <= 300 ? r - 1 : r;
      EXPECT_EQ(ed.DBGrid1->item(r, 0)->text(), QStringLiteral("Bar %1").arg(i, 3, 10, QLatin1Char('0')));
      EXPECT_EQ(ed.DBGrid1->item(r, 2)->text(), FloatToStr(i + 0.5));
    }
    AddLine(ed, "Bar 333", "7");
    AddLine(ed, "Bar 300", "1");
    EXPECT_EQ(Lines(ed), (QStringList{"Bar 333|7.0000|333.5000", "Bar 300|1.0000|302.7500"}));
    QTest::mouseClick(ed.CancelBtn, Qt::LeftButton);
    return mrNone;
  });
  EXPECT_EQ(ed.ShowModal(), mrCancel);
}

// Four suppliers in the grid, one without changes: shortages over the oldest lots, surpluses
// back into the newest issued lots, numbered per supplier; deleting restores every row.
TEST_F(Counts, PostsShortagesAndSurplusesPerSupplierAndDeletionRestoresEverything) {
  const int s1 = fx::Supplier("Timber"), s2 = fx::Supplier("Oakwood"), s3 = fx::Supplier("Glassworks"),
            s4 = fx::Supplier("Hinges");
  const int pine = fx::Material("Pine", s1);
  const int hinge = fx::Material("Hinge", s4);
  const int oak = fx::Material("Oak", s2, 1);
  const int seal = fx::Material("Seal", s3);
  const int glass = fx::Material("Glass", s3);
  const int oakColor = MakeColorCode(0, 1, 2, 3);
  const int older = fx::Receipt(QDate(2024, 1, 5), "R-1", s1);
  const int newer = fx::Receipt(QDate(2024, 2, 5), "R-2", s1);
  const int pineOld = fx::Lot(older, pine, -1, 3, 2.0);
  const int pineNew = fx::Lot(newer, pine, -1, 4, 2.5);
  fx::Lot(older, hinge, -1, 1, 10);
  const int oakOld = fx::Lot(older, oak, oakColor, 8, 1.0);
  const int oakNew = fx::Lot(newer, oak, oakColor, 3, 1.5);
  Issue(oakOld, 6);
  Issue(oakNew, 2);
  const int sealLot = fx::Lot(older, seal, -1, 10, 0.5);
  const int glassLot = fx::Lot(newer, glass, -1, 10.3, 4);
  Issue(glassLot, 0.2);
  const QStringList before = Snapshot();
  const qint64 commits = DATA->DB_Storage.CommitCount;

  ASSERT_EQ(SaveCount("4000000099", [&](TDivazInventory &ed) {
              AddLine(ed, "Pine", "2");      // book 7: shortage 5
              AddLine(ed, "Hinge", "1");     // unchanged
              AddLine(ed, "Oak", "8");       // book 3: surplus 5
              AddLine(ed, "Seal", "0");      // book 10: all of it short
              AddLine(ed, "Glass", "10.3");  // book 10.1: surplus 0.2, exactly what was issued
            }),
            mrOk);
  EXPECT_TRUE(Script().Messages().isEmpty()) << Script().LastMessage().toStdString();
  EXPECT_EQ(DATA->DB_Storage.CommitCount - commits, 1);

  const int header = SQLInt("select ID from Waybill where ISOUT=4");
  EXPECT_EQ(Num(header), "4000000099");
  EXPECT_EQ(DocField(header, "SUPPLIERID"), "-1");
  EXPECT_EQ(DocField(header, "ORDLINK"), "NULL");
  EXPECT_EQ(DocField(header, "BDATE"), "2024-06-10");
  EXPECT_EQ(DocField(header, "NOTES"), "Inventarizācija");
  // The value of every open lot of the store after the count: 2x2.5 + 10 + 5x1 + 3x1.5 + 10.3x4.
  EXPECT_NEAR(DocField(header, "SUM").toDouble(), 65.7, 1e-6);

  // Sub-documents: supplier k of the grid (the unchanged one included) numbers "-k".
  TQuery q;
  q.SQL = "select NUM, ISOUT, SUPPLIERID, SUM, ISPAID from Waybill where ISOUT in (5,6) order by ID";
  q.Open();
  QStringList docs;
  for (const auto &r : q.Rows())
    docs << QStringLiteral("%1 %2 %3 %4 %5").arg(r[0].toString()).arg(r[1].toInt()).arg(r[2].toInt()).arg(r[3].toDouble()).arg(r[4].toInt());
  EXPECT_EQ(docs, (QStringList{QStringLiteral("4000000099-1L 6 %1 11 1").arg(s1), QStringLiteral("4000000099-3M 5 %1 6 1").arg(s2),
                               QStringLiteral("4000000099-4L 6 %1 5 1").arg(s3), QStringLiteral("4000000099-4M 5 %1 0.8 1").arg(s3)}));

  // Lines: one per lot moved, at the lot's price, each linked to its lot.
  q.SQL = "select b.NUM, w.CATID, w.QUANTITY, w.PRICE, k.INWBCONTID, k.INWBID from WaybillCont w join Waybill b on "
          "b.ID=w.WAYBILLID join WBList k on k.OUTWBCONTID=w.ID where b.ISOUT in (5,6) order by w.ID";
  q.Open();
  QStringList lines;
  for (const auto &r : q.Rows())
    lines << QStringLiteral("%1 %2 %3 %4 %5 %6").arg(r[0].toString()).arg(r[1].toInt()).arg(r[2].toDouble()).arg(r[3].toDouble()).arg(r[4].toInt()).arg(r[5].toInt());
  EXPECT_EQ(lines, (QStringList{
                       QStringLiteral("4000000099-1L %1 3 2 %2 %3").arg(pine).arg(pineOld).arg(older),
                       QStringLiteral("4000000099-1L %1 2 2.5 %2 %3").arg(pine).arg(pineNew).arg(newer),
                       QStringLiteral("4000000099-3M %1 2 1.5 %2 %3").arg(oak).arg(oakNew).arg(newer),
                       QStringLiteral("4000000099-3M %1 3 1 %2 %3").arg(oak).arg(oakOld).arg(older),
                       QStringLiteral("4000000099-4L %1 10 0.5 %2 %3").arg(seal).arg(sealLot).arg(older),
                       QStringLiteral("4000000099-4M %1 0.2 4 %2 %3").arg(glass).arg(glassLot).arg(newer),
                   }));
  EXPECT_DOUBLE_EQ(fx::QtyOut(pineOld), 3);
  EXPECT_DOUBLE_EQ(fx::QtyOut(pineNew), 2);
  EXPECT_DOUBLE_EQ(fx::QtyOut(oakOld), 3);
  EXPECT_DOUBLE_EQ(fx::QtyOut(oakNew), 0);
  EXPECT_DOUBLE_EQ(fx::QtyOut(sealLot), 10);
  EXPECT_DOUBLE_EQ(fx::QtyOut(glassLot), 0);
  EXPECT_DOUBLE_EQ(fx::StockQty(pine, -1), 2);
  EXPECT_DOUBLE_EQ(fx::StockQty(oak, oakColor), 8);
  EXPECT_DOUBLE_EQ(fx::StockQty(seal, -1), 0);
  EXPECT_DOUBLE_EQ(fx::StockQty(glass, -1), 10.3);
  EXPECT_DOUBLE_EQ(fx::StockQty(hinge, -1), 1);

  // Count rows of the changed lines only: before, after, value moved, value left.
  q.SQL = QStringLiteral("select CATID, COLOR, QTYBEFORE, QTYAFTER, SUM, REMAIN from WaybillInventory where WAYBILLID=%1 order by ID").arg(header);
  q.Open();
  QStringList rows;
  for (const auto &r : q.Rows())
    rows << QStringLiteral("%1 %2 %3 %4 %5 %6").arg(r[0].toInt()).arg(r[1].toInt()).arg(r[2].toDouble()).arg(r[3].toDouble()).arg(r[4].toDouble()).arg(r[5].toDouble());
  EXPECT_EQ(rows, (QStringList{QStringLiteral("%1 -1 7 2 11 5").arg(pine), QStringLiteral("%1 %2 3 8 6 9.5").arg(oak).arg(oakColor),
                               QStringLiteral("%1 -1 10 0 5 0").arg(seal), QStringLiteral("%1 -1 10.1 10.3 0.8 41.2").arg(glass)}));

  // The stored count opens read-only with its changed lines.
  {
    TDivazInventory view(nullptr, header);
    Script().OnModal("DivazInventory", [&](QDialog *) {
      EXPECT_EQ(Lines(view).size(), 4);
      EXPECT_EQ(view.Edit1->text(), "4000000099");
      EXPECT_FALSE(view.SaveWB->isEnabled());
      EXPECT_FALSE(view.AddBtn->isVisible());
      EXPECT_FALSE(view.Edit1->isEnabled());
      view.ContentPopupPopup();
      EXPECT_FALSE(view.N1->isEnabled());
      return mrCancel;
    });
    view.ShowModal();
  }

  ASSERT_TRUE(DeleteThroughJournal("4000000099"));
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(Counts, ASurplusBeyondWhatWasIssuedStopsTheSaveWithNothingWritten) {
  const int sup = fx::Supplier("Glassworks");
  const int glass = fx::Material("Glass", sup);
  const int pine = fx::Material("Pine", sup);
  const int r = fx::Receipt(QDate(2024, 1, 5), "R-1", sup);
  Issue(fx::Lot(r, glass, -1, 10.3, 4), 0.2);
  fx::Lot(r, pine, -1, 5, 1);
  const QStringList before = Snapshot();
  StartupLoadLists();
  TDivazInventory ed(nullptr, -1);
  Script().OnModal("DivazInventory", [&](QDialog *) {
    AddLine(ed, "Pine", "4");
    AddLine(ed, "Glass", "10.300001");
    QTest::mouseClick(ed.SaveWB, Qt::LeftButton);
    EXPECT_EQ(Script().LastMessage(), "Materials Glass (). Daudzums parāk liels!");
    EXPECT_EQ(ed.CntGrd->Row(), 2);
    EXPECT_TRUE(ed.isVisible());
    EXPECT_EQ(Snapshot(), before);
    // Corrected, the same window saves.
    ed.CntGrd->SetCells(2, 2, "10.3");
    QTest::mouseClick(ed.SaveWB, Qt::LeftButton);
    return mrNone;
  });
  EXPECT_EQ(ed.ShowModal(), mrOk);
  EXPECT_EQ(fx::Count("Waybill", "ISOUT in (5,6)"), 2);
  EXPECT_DOUBLE_EQ(fx::StockQty(glass, -1), 10.3);
}

TEST_F(Counts, AStockMovedSinceTheLineWasAddedRefusesTheSaveUntilChecked) {
  const int sup = fx::Supplier("Timber");
  const int pine = fx::Material("Pine", sup);
  const int r = fx::Receipt(QDate(2024, 1, 5), "R-1", sup);
  const int lot = fx::Lot(r, pine, -1, 7, 2);
  StartupLoadLists();
  TDivazInventory ed(nullptr, -1);
  Script().OnModal("DivazInventory", [&](QDialog *) {
    AddLine(ed, "Pine", "2");
    Issue(lot, 1);  // another client issues meanwhile
    const QStringList before = Snapshot();
    QTest::mouseClick(ed.SaveWB, Qt::LeftButton);
    EXPECT_EQ(Script().LastMessage(), "Materials Pine (). Atlikums noliktavā ir mainījies!");
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(ed.CntGrd->Cells(3, 1), "6.0000");
    QTest::mouseClick(ed.SaveWB, Qt::LeftButton);
    return mrNone;
  });
  EXPECT_EQ(ed.ShowModal(), mrOk);
  EXPECT_DOUBLE_EQ(fx::StockQty(pine, -1), 2);
  EXPECT_DOUBLE_EQ(SQLFloat("select QTYBEFORE from WaybillInventory"), 6);
}

TEST_F(Counts, ADeadlockOnTheCountHeaderIsRetriedAndTheCountPosted) {
  const int s1 = fx::Supplier("Timber");
  const int pine = fx::Material("Pine", s1);
  fx::Lot(fx::Receipt(QDate(2024, 1, 5), "R-1", s1), pine, -1, 10, 1);
  Db->Exec("create trigger HeaderDeadlockOnce before insert on Waybill for each row "
           "if new.ISOUT=4 and @deadlocked is null then set @deadlocked = 1; "
           "signal sqlstate '40001' set mysql_errno = 1213, message_text = 'injected deadlock'; end if");
  ASSERT_EQ(SaveCount("C-1", [&](TDivazInventory &ed) { AddLine(ed, "Pine", "7"); }), mrOk)
      << Script().LastMessage().toStdString();
  EXPECT_EQ(fx::Count("Waybill", "NUM=\"C-1\" and ISOUT=4"), 1);
  EXPECT_EQ(fx::Count("Waybill", "NUM=\"C-1L\" and ISOUT=6"), 1);
  EXPECT_DOUBLE_EQ(fx::StockQty(pine, -1), 7);
}

TEST_F(Counts, ACountWithoutChangesStoresItsHeaderOnly) {
  const int sup = fx::Supplier("Timber");
  const int pine = fx::Material("Pine", sup);
  fx::Lot(fx::Receipt(QDate(2024, 1, 5), "R-1", sup), pine, -1, 7, 2);
  ASSERT_EQ(SaveCount("", [&](TDivazInventory &ed) { AddLine(ed, "Pine", "7"); }), mrOk);
  const int header = SQLInt("select ID from Waybill where ISOUT=4");
  ASSERT_GE(header, 1);
  EXPECT_EQ(fx::Count("Waybill"), 2);
  EXPECT_EQ(fx::Count("WaybillInventory"), 0);
  EXPECT_DOUBLE_EQ(DocField(header, "SUM").toDouble(), 14);

  TDivazInventory view(nullptr, header);
  Script().OnModal("DivazInventory", [&](QDialog *) {
    EXPECT_EQ(view.CntGrd->RowCount(), 2);
    EXPECT_EQ(view.CntGrd->Cells(0, 1), "");
    return mrCancel;
  });
  view.ShowModal();

  ASSERT_TRUE(DeleteThroughJournal(Num(header)));
  EXPECT_EQ(fx::Count("Waybill"), 1);
  EXPECT_DOUBLE_EQ(fx::StockQty(pine, -1), 7);
}

TEST_F(Counts, DeletionIsRefusedWhenTheReturnedQuantityWasIssuedAgain) {
  const int sup = fx::Supplier("Oakwood");
  const int oak = fx::Material("Oak", sup);
  const int r = fx::Receipt(QDate(2024, 1, 5), "R-1", sup);
  const int lot = fx::Lot(r, oak, -1, 8, 1);
  Issue(lot, 6);
  ASSERT_EQ(SaveCount("C-1", [&](TDivazInventory &ed) { AddLine(ed, "Oak", "5"); }), mrOk);
  EXPECT_DOUBLE_EQ(fx::QtyOut(lot), 3);
  Issue(lot, 5);  // the lot is empty again
  const QStringList before = Snapshot();
  EXPECT_FALSE(DeleteThroughJournal("C-1"));
  EXPECT_EQ(Script().LastMessage(),
            "Inventarizāciju C-1 nevar dzēst: vēlāks dokuments jau ir mainījis materiāla Oak () partijas vai "
            "atlikumu. Nekas netika mainīts.");
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(Counts, DeletionTakesOnlyTheCountsOwnSubDocuments) {
  const int s1 = fx::Supplier("Timber"), s2 = fx::Supplier("Oakwood");
  const int pine = fx::Material("Pine", s1), oak = fx::Material("Oak", s2);
  const int r = fx::Receipt(QDate(2024, 1, 5), "R-1", s1);
  fx::Lot(r, pine, -1, 10, 1);
  fx::Lot(r, oak, -1, 10, 2);
  ASSERT_EQ(SaveCount("K_", [&](TDivazInventory &ed) { AddLine(ed, "Pine", "9"); }), mrOk);  // K_L
  ASSERT_EQ(SaveCount("KX", [&](TDivazInventory &ed) { AddLine(ed, "Pine", "8"); }), mrOk);  // KXL
  const QStringList beforeA1 = Snapshot();
  ASSERT_EQ(SaveCount("A1-1", [&](TDivazInventory &ed) { AddLine(ed, "Pine", "7"); }), mrOk);  // A1-1L

  // "A1" over two suppliers would write "A1-1L" a second time: refused, nothing written.
  const QStringList beforeRefused = Snapshot();
  QStringList linesKept;
  EXPECT_EQ(SaveCount("A1",
                      [&](TDivazInventory &ed) {
                        AddLine(ed, "Pine", "6");
                        AddLine(ed, "Oak", "9");
                        QTest::mouseClick(ed.SaveWB, Qt::LeftButton);
                        linesKept = Lines(ed);
                      }),
            mrNone);
  EXPECT_EQ(Script().LastMessage(), "Inventarizācijas numurs jau eksistē!");
  EXPECT_EQ(linesKept.size(), 2);
  EXPECT_EQ(Snapshot(), beforeRefused);

  // Older data holds the same numbers twice: a count "A1" over two suppliers stored after "A1-1".
  ASSERT_EQ(SaveCount("Z", [&](TDivazInventory &ed) {  // Z-1L, Z-2L
              AddLine(ed, "Pine", "6");
              AddLine(ed, "Oak", "9");
            }),
            mrOk);
  ExecSQL("update Waybill set NUM=concat(\"A1\", substr(NUM, 2)) where NUM like \"Z%\"");
  ASSERT_EQ(fx::Count("Waybill", "NUM=\"A1-1L\""), 2);

  ASSERT_TRUE(DeleteThroughJournal("A1-1"));
  EXPECT_EQ(fx::Count("Waybill", "NUM like \"A1%\""), 3);  // the count A1 with A1-1L and A1-2L
  EXPECT_EQ(fx::Count("WaybillInventory"), 4);
  EXPECT_DOUBLE_EQ(fx::StockQty(pine, -1), 7);
  EXPECT_DOUBLE_EQ(fx::StockQty(oak, -1), 9);
  ASSERT_TRUE(DeleteThroughJournal("A1"));
  EXPECT_EQ(Snapshot(), beforeA1);

  ASSERT_TRUE(DeleteThroughJournal("K_"));
  EXPECT_EQ(fx::Count("Waybill", "NUM=\"KXL\""), 1);
  EXPECT_EQ(fx::Count("Waybill", "NUM like \"K\\_%\""), 0);
  EXPECT_DOUBLE_EQ(fx::StockQty(pine, -1), 9);
}

TEST_F(Counts, DeletionIsRefusedWhenItsSubDocumentsCannotBeToldApart) {
  const int s1 = fx::Supplier("Timber"), s2 = fx::Supplier("Oakwood");
  const int pine = fx::Material("Pine", s1);
  fx::Material("Oak", s2);
  const int r = fx::Receipt(QDate(2024, 1, 5), "R-1", s1);
  fx::Lot(r, pine, -1, 10, 1);
  fx::Lot(r, fx::Material("Oak 2", s2), -1, 10, 2);
  ASSERT_EQ(SaveCount("B-1", [&](TDivazInventory &ed) { AddLine(ed, "Pine", "9"); }), mrOk);  // B-1L
  ASSERT_EQ(SaveCount("Z", [&](TDivazInventory &ed) {  // Z-1L, Z-2L
              AddLine(ed, "Pine", "8");
              AddLine(ed, "Oak 2", "9");
            }),
            mrOk);
  // As two older clients could leave it: count "B" stored between "B-1" and B-1's shortage.
  ExecSQL("update Waybill set NUM=concat(\"B\", substr(NUM, 2)) where NUM like \"Z%\"");
  const int sub = SQLInt("select min(ID) from Waybill where NUM=\"B-1L\"");
  const int moved = SQLInt("select max(ID) from Waybill") + 10;
  ExecSQL(QStringLiteral("update Waybill set ID=%1 where ID=%2").arg(moved).arg(sub));
  ExecSQL(QStringLiteral("update WaybillCont set WAYBILLID=%1 where WAYBILLID=%2").arg(moved).arg(sub));
  ExecSQL(QStringLiteral("update WBList set OUTWBID=%1 where OUTWBID=%2").arg(moved).arg(sub));
  const QStringList before = Snapshot();

  EXPECT_FALSE(DeleteThroughJournal("B-1"));
  EXPECT_TRUE(Script().LastMessage().startsWith("Inventarizāciju B-1 nevar dzēst")) << Script().LastMessage().toStdString();
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(Counts, JournalListsCountsByPeriodAndNumberAndOpensTheEditor) {
  for (const auto &[date, num] : {std::pair{"2024-03-01", "4000000001"}, {"2024-03-05", "4000000002"},
                                   {"2024-03-09", "4000000003"}, {"2024-03-05", "X_1"}})
    ExecSQL(QStringLiteral("insert into Waybill (BDATE, NUM, ISOUT, SUPPLIERID, ISPAID) values (\"%1\", \"%2\", 4, -1, 1)")
                .arg(QLatin1String(date), QLatin1String(num)));
  ExecSQL("insert into Waybill (BDATE, NUM, ISOUT) values (\"2024-03-05\", \"R-1\", 0)");
  const int sup = fx::Supplier("Timber");
  fx::Lot(fx::Receipt(QDate(2024, 1, 5), "R-2", sup), fx::Material("Pine", sup), -1, 7, 2);
  StartupLoadLists();
  Clock::SetFixed(QDateTime(QDate(2024, 3, 5), QTime(9, 0)));

  TWBInventory journal(nullptr);
  auto nums = [&] {
    QStringList out;
    for (int r = 0; r < journal.DBGrid1->rowCount(); ++r) out << journal.DBGrid1->item(r, 1)->text();
    return out;
  };
  Script().OnModal("WBInventory", [&](QDialog *) {
    EXPECT_FALSE(journal.Changed);
    EXPECT_EQ(nums(), (QStringList{"4000000001", "4000000002", "X_1", "4000000003"}));
    EXPECT_EQ(journal.DBGrid1->item(0, 0)->text(), "01.03.2024");
    journal.cb1->setCurrentIndex(2);  // "Uz": exactly that date
    emit journal.cb1->activated(2);
    EXPECT_TRUE(journal.DT1->isEnabled());
    EXPECT_EQ(nums(), (QStringList{"4000000002", "X_1"}));
    journal.cb1->setCurrentIndex(1);  // "Sakot no": from that date on
    emit journal.cb1->activated(1);
    EXPECT_TRUE(journal.ChkUntil->isVisible());
    EXPECT_EQ(nums(), (QStringList{"4000000002", "X_1", "4000000003"}));
    journal.DT1->setDate(QDate(2024, 3, 1));
    QTest::mouseClick(journal.ChkUntil, Qt::LeftButton);  // "līdz" the end date
    EXPECT_TRUE(journal.DT2->isEnabled());
    EXPECT_EQ(nums(), (QStringList{"4000000001", "4000000002", "X_1"}));
    journal.DT1->setDate(QDate(2024, 3, 2));  // a date change unchecks "līdz"
    EXPECT_FALSE(journal.ChkUntil->isChecked());
    EXPECT_EQ(nums(), (QStringList{"4000000002", "X_1", "4000000003"}));

    journal.cb1->setCurrentIndex(0);
    emit journal.cb1->activated(0);
    QTest::keyClicks(journal.FindTxt, "_1");  // "_" stays a wildcard in the search
    QTest::keyClick(journal.FindTxt, Qt::Key_Return);
    EXPECT_EQ(nums(), (QStringList{"4000000001", "X_1"}));
    journal.FindTxt->setText("\"");
    journal.FindBtnClick();
    EXPECT_TRUE(nums().isEmpty());
    journal.PopupMenu1Popup();
    EXPECT_FALSE(journal.N2->isEnabled());
    EXPECT_FALSE(journal.N3->isEnabled());

    // A new count saved from the journal refreshes the list and sets Changed.
    Script().OnModal("DivazInventory", [&](QDialog *d) {
      auto *ed = static_cast<TDivazInventory *>(d);
      EXPECT_FALSE(ed->Stored());
      AddLine(*ed, "Pine", "5");
      QTest::mouseClick(ed->SaveWB, Qt::LeftButton);
      return mrNone;
    });
    QTest::mouseClick(journal.BitBtn4, Qt::LeftButton);
    EXPECT_TRUE(journal.Changed);
    EXPECT_EQ(nums().size(), 5);

    // A double-click opens the current count read-only.
    Script().OnModal("DivazInventory", [&](QDialog *d) {
      auto *ed = static_cast<TDivazInventory *>(d);
      EXPECT_TRUE(ed->Stored());
      EXPECT_EQ(ed->Edit1->text(), "4000000001");
      return mrCancel;
    });
    emit journal.DBGrid1->cellDoubleClicked(0, 0);
    EXPECT_EQ(Script().ModalShown.count("DivazInventory"), 2);
    return mrCancel;
  });
  journal.ShowModal();
  EXPECT_TRUE(journal.Changed);
  EXPECT_DOUBLE_EQ(fx::StockQty(SQLInt("select ID from Catalog where NAME=\"Pine\""), -1), 5);
}

}  // namespace
