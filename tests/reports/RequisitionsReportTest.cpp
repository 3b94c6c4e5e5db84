// The purchase-request report and its menu entry.
#include <gtest/gtest.h>

#include "ReportFixture.h"
#include "core/ColorList.h"
#include "core/DataUnit.h"
#include "reports/rep_RequisitionsUnit.h"
#include "support/ScriptedDialogs.h"

namespace {

class RequisitionsReport : public ReportTest {
 protected:
  void SetUp() override {
    ReportTest::SetUp();
    ExecSQL("insert into CatGroups (ID, SUBID, NAME) values (1, 0, \"Profili\"), "
            "(1, 1, \"Priede\"), (2, 0, \"Фурнитура\")");
    wood = Supplier("SIA Kokmateriāli");
    lath = Material("Līste 68x78", "", wood, 1, 1);
    hinge = Material("Петля", "", 0, 1, 2);
  }
  int wood = 0, lath = 0, hinge = 0;
};

TEST_F(RequisitionsReport, ListsEveryRequestWithItsLinesAndQuantityTotal) {
  Doc(2, QDate(2024, 4, 1), "Q-2", "", 0, {}, QDateTime(QDate(2024, 3, 2), QTime(10, 0)));
  Doc(2, QDate(2024, 3, 20), "Q-1", "", wood,
      {{lath, MakeColorCode(0, 0, 2, 0), 12.5, 2}, {hinge, -1, 4, 1}, {lath, -1, 0.125, 2}},
      QDateTime(QDate(2024, 3, 1), QTime(16, 30)));
  Doc(0, QDate(2024, 3, 1), "P-1", "", wood, {{lath, -1, 1, 1}});
  TPrintRequisitions report(nullptr);
  report.Preview();
  const TReportModel &m = Last();
  const QStringList captions = {"Materiālu grupa", "Nosaukums", "Krāsa", "Daudzums"};
  QStringList expected = {"Pasūtītie materiāli (pieprasījumi)", "Pieprasījuma Nr.",
                          "Pieprasījuma datums", "Piegādes datums", "Piegādātājs"};
  expected << "Q-1" << "01/03/2024" << "20/03/2024" << "SIA Kokmateriāli" << captions
           << "Profili" << "Līste 68x78" << "Орех" << "12.5"
           << "Фурнитура" << "Петля" << "" << "4"
           << "Profili" << "Līste 68x78" << "" << "0.125"
           << "Summa:" << "16.63";
  expected << "Q-2" << "02/03/2024" << "01/04/2024" << "" << captions << "Summa:" << "0";
  expected << "Printed 05.03.2024" << "Page 1";
  EXPECT_EQ(m.Pages[0].Texts(), expected);
}

TEST_F(RequisitionsReport, LongReportRepeatsHeadersAndNumbersPages) {
  for (int i = 1; i <= 40; ++i)
    Doc(2, QDate(2024, 1, 1).addDays(i), QString("Q-%1").arg(i), "", wood,
        {{lath, -1, double(i), 1}, {hinge, -1, 1, 1}},
        QDateTime(QDate(2024, 1, 1).addDays(i), QTime(8, 0)));
  TPrintRequisitions report(nullptr);
  report.Preview();
  const TReportModel &m = Last();
  ASSERT_GE(m.PageCount(), 2);
  int totals = 0;
  for (int p = 0; p < m.PageCount(); ++p) {
    const QStringList t = m.Pages[p].Texts();
    EXPECT_EQ(t.count("Pieprasījuma Nr."), 1);
    EXPECT_EQ(t.count("Pasūtītie materiāli (pieprasījumi)"), p == 0 ? 1 : 0);
    EXPECT_EQ(t.last(), QString("Page %1").arg(p + 1));
    totals += int(t.count("Summa:"));
  }
  EXPECT_EQ(totals, 40);
  const QStringList all = m.Texts();
  EXPECT_EQ(all.indexOf("Q-1") < all.indexOf("Q-40"), true);
  EXPECT_TRUE(all.contains("41"));  // 40 + 1 of the last request
}

TEST_F(RequisitionsReport, MenuEntryWithoutRequestsOnlyTellsSo) {
  PrintRequisitions(nullptr);
  EXPECT_EQ(Script().LastMessage(), "В настоящий момент нет ни одной заявки в базе данных.");
  EXPECT_TRUE(Previews.empty());
  Doc(2, QDate(2024, 4, 1), "Q-1", "", wood, {{lath, -1, 1, 1}});
  PrintRequisitions(nullptr);
  ASSERT_EQ(Previews.size(), 1u);
  EXPECT_TRUE(Last().Texts().contains("Q-1"));
}

TEST_F(RequisitionsReport, FailingLineQueryShowsNoPreview) {
  Doc(2, QDate(2024, 4, 1), "Q-1", "", wood, {{lath, -1, 1, 1}});
  TPrintRequisitions report(nullptr);
  Db->Exec("drop table WaybillCont");
  EXPECT_THROW(report.Preview(), EDatabaseError);
  EXPECT_TRUE(Previews.empty());
}

TEST_F(RequisitionsReport, PreviewWindowOpensAndPdfCarriesTheTexts) {
  Doc(2, QDate(2024, 4, 1), "Q-1", "", wood, {{hinge, -1, 3, 1}});
  TPreviewHandler capture = SetPreviewHandler(nullptr);
  int pages = -1;
  Script().OnModal("QRPreview", [&](QDialog *d) {
    pages = static_cast<TQRPreview *>(d)->findChildren<QWidget *>("PageView").size();
    return int(mrOk);
  });
  TPrintRequisitions report(nullptr);
  report.Preview();
  SetPreviewHandler(capture);
  EXPECT_EQ(pages, 1);
  EXPECT_EQ(Script().ModalShown, QStringList({"QRPreview"}));
  const QString text = PdfText(report.Model());
  EXPECT_TRUE(text.contains("Pasūtītie materiāli (pieprasījumi)"));
  EXPECT_TRUE(text.contains("SIA Kokmateriāli"));
  EXPECT_TRUE(text.contains("Фурнитура"));
  EXPECT_TRUE(text.contains("Петля"));
}

}  // namespace
