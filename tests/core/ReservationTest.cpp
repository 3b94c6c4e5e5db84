#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>

#include "core/ColorList.h"
#include "core/DataUnit.h"
#include "core/Ledger.h"
#include "core/SetupObject.h"
#include "core/inf_MatNotEnoughUnit.h"
#include "platform/Clock.h"
#include "support/Fixtures.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"

namespace {

// Every row of the ledger tables, for before/after comparisons.
QString Snapshot() {
  QString out;
  for (const char *table : {"Waybill", "WaybillCont", "CatalogQty", "WBList"}) {
    TQuery q;
    q.SQL = QStringLiteral("select * from %1 order by ID").arg(QLatin1String(table));
    q.Open();
    out += QLatin1String(table) + QLatin1Char('\n');
    for (const auto &row : q.Rows()) {
      QStringList cells;
      for (const QVariant &v : row) cells << (v.isNull() ? QStringLiteral("NULL") : v.toString());
      out += cells.join(QLatin1Char('|')) + QLatin1Char('\n');
    }
  }
  return out;
}

class Reservations : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    Clock::SetFixed(QDateTime(QDate(2024, 3, 1), QTime(9, 15)));
    sup = fx::Supplier("Timber");
    pine = fx::Material("Pine 68x78", sup);
  }
  QVector<QVector<QVariant>> Lines(int doc) {
    TQuery q;
    q.SQL = QStringLiteral("select ID, CATID, COLOR, QUANTITY, PRICE, QTYOUT from WaybillCont where WAYBILLID=%1 "
                           "order by ID")
                .arg(doc);
    q.Open();
    return q.Rows();
  }
  int sup = 0, pine = 0;
};

TEST_F(Reservations, AWriteOffTakesTheOldestLotsFirstAtTheirPrices) {
  const int newer = fx::Receipt(QDate(2024, 2, 1), "R-NEW", sup);  // lower ID, newer date
  const int older = fx::Receipt(QDate(2024, 1, 1), "R-OLD", sup);
  const int lotNew = fx::Lot(newer, pine, -1, 8, 3.0);
  const int lotOld = fx::Lot(older, pine, -1, 4, 2.5);
  const int res = fx::Reservation(QDate(2024, 3, 10), "3000000003", sup, {{pine, -1, 10}});
  const int resLine = Lines(res)[0][0].toInt();

  ASSERT_TRUE(WriteOffReservation(nullptr, res));

  EXPECT_TRUE(Script().ModalShown.isEmpty());
  EXPECT_EQ(SQLInt(QStringLiteral("select ISOUT from Waybill where ID=%1").arg(res)), 1);
  EXPECT_EQ(SQLInt(QStringLiteral("select count(*) from Waybill where ID=%1 and NUM=\"3000000003\" and "
                                  "BDATE=\"2024-03-10\" and USERID=1 and LASTUPDATE=\"2024-03-01 09:15:00\"")
                       .arg(res)),
            1);
  EXPECT_DOUBLE_EQ(SQLFloat(QStringLiteral("select SUM from Waybill where ID=%1").arg(res)), 4 * 2.5 + 6 * 3.0);
  const auto lines = Lines(res);
  ASSERT_EQ(lines.size(), 2);
  EXPECT_EQ(lines[0][0].toInt(), resLine);  // the reservation's line is reused
  EXPECT_DOUBLE_EQ(lines[0][3].toDouble(), 4);
  EXPECT_DOUBLE_EQ(lines[0][4].toDouble(), 2.5);
  EXPECT_TRUE(lines[0][5].isNull());
  EXPECT_DOUBLE_EQ(lines[1][3].toDouble(), 6);
  EXPECT_DOUBLE_EQ(lines[1][4].toDouble(), 3.0);
  EXPECT_DOUBLE_EQ(fx::QtyOut(lotOld), 4);
  EXPECT_DOUBLE_EQ(fx::QtyOut(lotNew), 6);
  EXPECT_DOUBLE_EQ(fx::StockQty(pine, -1), 2);
  EXPECT_DOUBLE_EQ(fx::Reserve(pine, -1), 0);

  TDelInfo links;
  LoadWBLinks(links, res);
  ASSERT_EQ(links.size(), 2);
  EXPECT_EQ(links[0].OUTWBCONTID, resLine);
  EXPECT_EQ(links[0].INWBCONTID, lotOld);
  EXPECT_DOUBLE_EQ(links[0].QUANTITY, 4);
  EXPECT_EQ(links[1].INWBCONTID, lotNew);
  EXPECT_EQ(links[1].CATID, pine);
  EXPECT_EQ(links[1].COLOR, -1);
  EXPECT_EQ(SQLInt(QStringLiteral("select count(*) from WBList where INWBID=%1 and OUTWBID=%2").arg(older).arg(res)), 1);
  // a written-off document is no reservation any more
  EXPECT_FALSE(WriteOffReservation(nullptr, res));
  EXPECT_FALSE(DeleteReservation(res));
}

TEST_F(Reservations, LotsOfOneDateAreTakenInLineOrderAndLinesAreReusedThenInserted) {
  const int oak = fx::Material("Oak", sup, 1);
  const int color = MakeColorCode(0, 1, 2, 3);
  const int r = fx::Receipt(QDate(2024, 1, 1), "R-1", sup);
  const int a = fx::Lot(r, pine, -1, 3, 1);
  const int b = fx::Lot(r, pine, -1, 3, 2);
  const int c = fx::Lot(r, oak, color, 5, 7);
  fx::Lot(r, oak, color + 1, 5, 7);  // another colour is never touched
  const int res = fx::Reservation(QDate(2024, 3, 10), "3000000004", sup, {{oak, color, 2}, {pine, -1, 4}});
  QVector<int> before;
  for (const auto &l : Lines(res)) before << l[0].toInt();

  ASSERT_TRUE(WriteOffReservation(nullptr, res));
  const auto lines = Lines(res);
  ASSERT_EQ(lines.size(), 3);
  EXPECT_EQ(lines[0][0].toInt(), before[0]);
  EXPECT_EQ(lines[1][0].toInt(), before[1]);
  EXPECT_GT(lines[2][0].toInt(), before[1]);
  EXPECT_DOUBLE_EQ(fx::QtyOut(a), 3);
  EXPECT_DOUBLE_EQ(fx::QtyOut(b), 1);
  EXPECT_DOUBLE_EQ(fx::QtyOut(c), 2);
  EXPECT_DOUBLE_EQ(fx::StockQty(oak, color + 1), 5);
  EXPECT_DOUBLE_EQ(fx::StockQty(oak, color), 3);
  EXPECT_EQ(fx::Count("WBList"), 3);
}

TEST_F(Reservations, AShortReservationShowsWhatIsMissingAndWritesNothing) {
  fx::SetupNode("0", "Systems");
  fx::SetupNode(QByteArray("0") + KeyChar(0), "Softline");
  fx::SetupNode("00000", "Two sides", "", 0, 2);  // colour group 0 of system 0
  fx::SetupNode("000000", "White", "9016", 0, 2);
  fx::SetupNode("000001", "Golden oak", "GO");
  fx::LoadSetup();
  const int oak = fx::Material("Oak sash", sup, 1);
  const int color = MakeColorCode(0, 0, 0, 1);
  const int glass = fx::Material("Glass 4mm", sup);
  const int r = fx::Receipt(QDate(2024, 1, 1), "R-1", sup);
  fx::Lot(r, pine, -1, 10, 1);
  fx::Lot(r, oak, color, 1.25, 1);
  // oak: 3.5 reserved, 1.25 in stock; glass: no stock row at all
  const int res = fx::Reservation(QDate(2024, 3, 10), "3000000005", sup,
                                  {{pine, -1, 2}, {oak, color, 3.5}, {glass, -1, 1}});
  const QString before = Snapshot();

  QStringList texts;
  QString caption;
  Script().OnModal("inf_MatNotEnough", [&](QDialog *d) {
    auto *w = qobject_cast<Tinf_MatNotEnough *>(d);
    caption = w->windowTitle();
    for (QLabel *l : w->RowLabels()) texts << l->text();
    EXPECT_EQ(w->findChild<QLabel *>("Label1")->text(),
              "Для списания резерва не хватает количества следующих материалов:");
    return mrNone;
  });
  EXPECT_FALSE(WriteOffReservation(nullptr, res));
  EXPECT_EQ(Script().ModalShown, QStringList{"inf_MatNotEnough"});
  EXPECT_EQ(caption, "Резерв № 3000000005");
  EXPECT_EQ(texts.join('|').toStdString(), "Oak sash|Golden oak/White|2.25|Glass 4mm||1");
  EXPECT_EQ(Snapshot(), before);
  // the window made for the reservation alone finds the same lines
  Tinf_MatNotEnough alone(nullptr, res);
  QStringList again;
  for (QLabel *l : alone.RowLabels()) again << l->text();
  EXPECT_EQ(again, texts);
  EXPECT_EQ(alone.ReservationNum(), "3000000005");
  // Shown, the heading has the height of all its lines and every row label its whole text.
  alone.show();
  QCoreApplication::processEvents();
  auto *heading = alone.findChild<QLabel *>("Label1");
  EXPECT_GT(heading->heightForWidth(heading->width()), heading->fontMetrics().height())
      << "the heading takes more than one line";
  EXPECT_GE(heading->height(), heading->heightForWidth(heading->width()));
  for (QLabel *l : alone.RowLabels()) {
    EXPECT_GE(l->width(), l->sizeHint().width()) << l->text().toStdString();
    EXPECT_GE(l->height(), l->sizeHint().height()) << l->text().toStdString();
  }
  alone.close();
}

TEST_F(Reservations, NothingHappensToADocumentThatIsNoReservation) {
  const int r = fx::Receipt(QDate(2024, 1, 1), "R-1", sup);
  fx::Lot(r, pine, -1, 10, 1);
  const QString before = Snapshot();
  EXPECT_FALSE(WriteOffReservation(nullptr, r));
  EXPECT_FALSE(DeleteReservation(r));
  EXPECT_FALSE(WriteOffReservation(nullptr, 4711));
  EXPECT_EQ(Snapshot(), before);
  EXPECT_TRUE(Script().Boxes.empty());
  EXPECT_TRUE(Script().ModalShown.isEmpty());
}

TEST_F(Reservations, AWriteOffOverFractionalLotsLeavesNoResidue) {
  const int older = fx::Receipt(QDate(2024, 1, 1), "R-1", sup);
  const int newer = fx::Receipt(QDate(2024, 1, 2), "R-2", sup);
  const int lot1 = fx::Lot(older, pine, -1, 1.1, 2.0);
  const int lot2 = fx::Lot(newer, pine, -1, 0.9, 2.0);
  const int res = fx::Reservation(QDate(2024, 3, 10), "3000000011", sup, {{pine, -1, 2.0}});
  ASSERT_TRUE(WriteOffReservation(nullptr, res));
  // Exactly zero, not a binary remainder such as 1.1e-16 that would show as reserved stock.
  EXPECT_EQ(SQLInt(QStringLiteral("select count(*) from CatalogQty where CATID=%1 and RESERVE=0 and QUANTITY=0")
                       .arg(pine)),
            1);
  EXPECT_EQ(fx::QtyOut(lot1), 1.1);
  EXPECT_EQ(fx::QtyOut(lot2), 0.9);
}

TEST_F(Reservations, AFailureInTheMiddleOfAWriteOffLeavesEveryTableAsItWas) {
  const int r1 = fx::Receipt(QDate(2024, 1, 1), "R-1", sup);
  const int r2 = fx::Receipt(QDate(2024, 1, 2), "R-2", sup);
  fx::Lot(r1, pine, -1, 4, 1);
  fx::Lot(r2, pine, -1, 8, 2);
  const int res = fx::Reservation(QDate(2024, 3, 10), "3000000006", sup, {{pine, -1, 10}});
  const QString before = Snapshot();
  // the second link cannot be written
  Db->Exec("create trigger FailLink before insert on WBList for each row "
           "if (select count(*) from WBList) >= 1 then signal sqlstate '45000' set message_text='injected'; end if");
  EXPECT_FALSE(WriteOffReservation(nullptr, res));
  EXPECT_EQ(Script().LastMessage(), "Ошибка при сохранении накладной.");
  EXPECT_EQ(Snapshot(), before);
  // inside a caller's transaction the same failure leaves the caller's own work to it
  {
    TTransaction caller;
    ExecSQL("update Waybill set NOTES=\"mine\" where ID=" + QString::number(r1));
    EXPECT_THROW(WriteOffReservation(nullptr, res), EDatabaseError);
    EXPECT_EQ(fx::Count("Waybill", "NOTES=\"mine\""), 1);
    EXPECT_EQ(SQLInt("select ISOUT from Waybill where ID=" + QString::number(res)), 3);
  }
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(Reservations, CancellingReleasesTheReserveAndDeletesTheDocument) {
  const int r = fx::Receipt(QDate(2024, 1, 1), "R-1", sup);
  fx::Lot(r, pine, -1, 10, 1);
  const int glass = fx::Material("Glass 4mm", sup);
  const int keep = fx::Reservation(QDate(2024, 3, 10), "3000000007", sup, {{pine, -1, 1}});
  const int res = fx::Reservation(QDate(2024, 3, 11), "3000000008", sup, {{pine, -1, 2.5}, {glass, -1, 1}});
  ASSERT_DOUBLE_EQ(fx::Reserve(pine, -1), -3.5);
  EXPECT_TRUE(DeleteReservation(res));
  EXPECT_DOUBLE_EQ(fx::Reserve(pine, -1), -1);
  EXPECT_DOUBLE_EQ(fx::StockQty(pine, -1), 10);
  EXPECT_EQ(fx::StockRowCount(glass, -1), 0);  // no row made for the release
  EXPECT_EQ(fx::Count("Waybill", QStringLiteral("ID=%1").arg(res)), 0);
  EXPECT_EQ(fx::Count("WaybillCont", QStringLiteral("WAYBILLID=%1").arg(res)), 0);
  EXPECT_EQ(fx::Count("WaybillCont", QStringLiteral("WAYBILLID=%1").arg(keep)), 1);
}

}  // namespace
