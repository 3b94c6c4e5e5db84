// The reservation lists by material and by order code.
#include <gtest/gtest.h>

#include <QFontMetricsF>

#include "ReportFixture.h"
#include "core/ColorList.h"
#include "core/DataUnit.h"
#include "reports/rep_ReserveByMaterialUnit.h"
#include "reports/rep_ReserveByOrderUnit.h"

namespace {

class ReservationReports : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    ExecSQL("insert into CatGroups (ID, SUBID, NAME) values (1, 0, \"Profili\"), "
            "(2, 0, \"Стекло\"), (1, 1, \"Priede\")");
    lath = Material("Līste 68x78", "", 0, 1, 1);
    unit = Material("Стеклопакет", "", 0, 1, 2);
    oak = MakeColorCode(0, 0, 1, 0);
    Doc(3, QDate(2024, 3, 1), "R-2", "Z-200", 0, {{unit, -1, 2, 0}, {lath, oak, 1.5, 0}});
    Doc(3, QDate(2024, 2, 1), "R-1", "Z-100", 0, {{lath, oak, 3, 0}});
    Doc(3, QDate(2024, 2, 15), "R-3", "", 0, {{lath, -1, 4.25, 0}});
    Doc(3, QDate(2024, 3, 2), "R-4", "Z-100", 0, {{unit, -1, 1, 0}});
    // Not reservations: never listed.
    Doc(0, QDate(2024, 1, 1), "P-1", "Z-100", 0, {{lath, oak, 100, 1}});
    Doc(2, QDate(2024, 1, 1), "Q-1", "Z-300", 0, {{lath, oak, 100, 1}});
  }
  int lath = 0, unit = 0, oak = 0;
};

TEST_F(ReservationReports, ByMaterialListsEachMaterialAndColourWithItsLinesAndTotal) {
  TPrintReserveByMaterial report(nullptr);
  report.Preview();
  const TReportModel &m = Last();
  ASSERT_EQ(m.PageCount(), 1);
  EXPECT_TRUE(m.Landscape == false);
  const QStringList captions = {"Daudzums", "Pavadzīmes Nr.", "Uz datumu", "Pasūtījuma Nr."};
  QStringList expected = {"Rezervētie materiāli", "Materiālu grupa", "Nosaukums", "Krāsa"};
  expected << "Profili" << "Līste 68x78" << "" << captions
           << "4.25" << "R-3" << "15.02.2024" << "" << "4.25";
  expected << "Profili" << "Līste 68x78" << "Ozols" << captions
           << "3" << "R-1" << "01.02.2024" << "Z-100"
           << "1.5" << "R-2" << "01.03.2024" << "Z-200" << "4.5";
  expected << "Стекло" << "Стеклопакет" << "" << captions
           << "2" << "R-2" << "01.03.2024" << "Z-200"
           << "1" << "R-4" << "02.03.2024" << "Z-100" << "3";
  expected << "Printed 05.03.2024" << "Page 1";
  EXPECT_EQ(m.Pages[0].Texts(), expected);
}

TEST_F(ReservationReports, ByOrderListsOrderCodesByTheirFirstReservation) {
  TPrintReserveByOrder report(nullptr);
  report.Preview();
  const TReportModel &m = Last();
  EXPECT_TRUE(m.Landscape);
  const QStringList captions = {"Materiālu grupa", "Nosaukums",      "Krāsa",
                                "Daudzums",        "Pavadzīmes Nr.", "Datums"};
  QStringList expected = {"Rezervētie materiāli", "Pasūtījuma Nr."};
  expected << "Z-100" << captions << "Profili" << "Līste 68x78" << "Ozols" << "3" << "R-1"
           << "01.02.2024" << "Стекло" << "Стеклопакет" << "" << "1" << "R-4" << "02.03.2024";
  expected << "Z-200" << captions << "Стекло" << "Стеклопакет" << "" << "2" << "R-2"
           << "01.03.2024" << "Profili" << "Līste 68x78" << "Ozols" << "1.5" << "R-2"
           << "01.03.2024";
  expected << "Printed 05.03.2024" << "Page 1";
  EXPECT_EQ(m.Pages[0].Texts(), expected);
  // The dates of the last column end within the paper's margins.
  for (const TReportItem *date : m.Pages[0].FindAll("QRDBText6"))
    EXPECT_LE(date->Box.left() + QFontMetricsF(date->Font).horizontalAdvance(date->Text),
              date->Clip.right());
}

TEST_F(ReservationReports, OrderCodesWithQuotesFindTheirLines) {
  Doc(3, QDate(2024, 1, 5), "R-9", "Z\"9\\", 0, {{lath, -1, 7, 0}});
  TPrintReserveByOrder report(nullptr);
  report.Preview();
  const QStringList t = Last().Texts();
  const int at = t.indexOf("Z\"9\\");
  ASSERT_EQ(at, 2);
  EXPECT_EQ(t.mid(at + 7, 5), QStringList({"Profili", "Līste 68x78", "", "7", "R-9"}));
}

TEST_F(ReservationReports, NoReservationsGiveHeadersOnly) {
  ExecSQL("delete from Waybill where ISOUT=3");
  TPrintReserveByMaterial byMaterial(nullptr);
  byMaterial.Preview();
  EXPECT_EQ(Last().Texts(), QStringList({"Rezervētie materiāli", "Materiālu grupa", "Nosaukums",
                                         "Krāsa", "Printed 05.03.2024", "Page 1"}));
  TPrintReserveByOrder byOrder(nullptr);
  byOrder.Preview();
  EXPECT_EQ(Last().Texts(), QStringList({"Rezervētie materiāli", "Pasūtījuma Nr.",
                                         "Printed 05.03.2024", "Page 1"}));
}

TEST_F(ReservationReports, PdfCarriesCyrillicAndLatvianText) {
  TPrintReserveByMaterial byMaterial(nullptr);
  byMaterial.Preview();
  QString text = PdfText(Last());
  EXPECT_TRUE(text.contains("Rezervētie materiāli"));
  EXPECT_TRUE(text.contains("Стеклопакет"));
  TPrintReserveByOrder byOrder(nullptr);
  byOrder.Preview();
  text = PdfText(Last());
  EXPECT_TRUE(text.contains("Pasūtījuma Nr."));
  EXPECT_TRUE(text.contains("Стекло"));
}

}  // namespace
