// The program on a server of its own that goes away and comes back while windows are open:
// the main window, a journal and an issue editor with lines.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <memory>

#include "CatalogueFixture.h"
#include "catalogue/DivazUnit.h"
#include "core/DataUnit.h"
#include "documents/IssueTestKit.h"
#include "documents/WBOutUnit.h"
#include "support/Fixtures.h"
#include "support/PrivateServer.h"
#include "support/ScriptedDialogs.h"

namespace {

class ServerRestart : public CatalogueTest {
 protected:
  void SetUp() override {
    Server = std::make_unique<TPrivateServer>();
    m_use = std::make_unique<TUsePrivateServer>(*Server);
    CatalogueTest::SetUp();
    pine = fx::Material(QStringLiteral("Pine 68x78"), Sup1, 0, 1, 1, 0, 12.5);
    fx::Lot(fx::Receipt(QDate(2024, 1, 5), QStringLiteral("R-1"), Sup1), pine, -1, 10, 2.0);
  }
  void TearDown() override {
    if (m_stopped) Server->Start();
    CatalogueTest::TearDown();
    m_use.reset();
    Server.reset();
  }
  void Stop() {
    Server->Stop();
    m_stopped = true;
  }
  void Start() {
    Server->Start();
    m_stopped = false;
  }
  static QStringList JournalNumbers(const TWBOut &j) {
    QStringList out;
    for (int r = 0; r < j.DBGrid1->rowCount(); ++r) out << j.DBGrid1->item(r, 1)->text();
    return out;
  }
  std::unique_ptr<TPrivateServer> Server;
  int pine = 0;

 private:
  std::unique_ptr<TUsePrivateServer> m_use;
  bool m_stopped = false;
};

TEST_F(ServerRestart, OpenWindowsGoOnOnceTheServerIsBack) {
  const QString lost = QLatin1String(ConnectionLostText);
  TDivazForm form;
  form.show();
  const QStringList names = GridColumn(form, QStringLiteral("NAME"));
  ASSERT_TRUE(names.contains(QStringLiteral("Pine 68x78")));
  const int pineRow = static_cast<int>(names.indexOf(QStringLiteral("Pine 68x78")));
  TWBOut journal(nullptr);
  journal.Timer1->stop();
  journal.show();
  const QStringList listed = JournalNumbers(journal);
  issuekit::TEditor e(-1, 1);
  const QString number = e.W->Edit1->text();
  e.Next();
  e.Add(QStringLiteral("Pine 68x78"), QStringLiteral("3"));
  ASSERT_EQ(e.Lines(), 1);

  Stop();
  Script().Clear();
  // The save fails saying why (after its own message once it has begun), and the editor
  // keeps its lines.
  e.Save();
  EXPECT_FALSE(e.Saved());
  const QString told = Script().LastMessage();
  EXPECT_TRUE(told == lost || told == QStringLiteral("ERROR while saving invoice.\n") + lost) << told.toStdString();
  EXPECT_EQ(e.Lines(), 1);
  // Refreshing the main window and the journal says so too, and their rows stay on screen.
  form.FindBtn->click();
  EXPECT_EQ(Script().LastMessage().toStdString(), lost.toStdString());
  EXPECT_EQ(GridColumn(form, QStringLiteral("NAME")), names);
  journal.Chk1->click();
  EXPECT_EQ(Script().LastMessage().toStdString(), lost.toStdString());
  EXPECT_EQ(JournalNumbers(journal), listed);
  for (const QString &text : Script().Messages()) {
    EXPECT_FALSE(text.contains(QStringLiteral("gone away"), Qt::CaseInsensitive)) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Lost connection"), Qt::CaseInsensitive)) << text.toStdString();
  }

  Start();
  Script().Clear();
  // The next action saves, without the program being restarted; the failed one wrote nothing.
  e.Save();
  ASSERT_TRUE(e.Saved()) << Script().LastMessage().toStdString();
  EXPECT_EQ(fx::Count(QStringLiteral("Waybill"), QStringLiteral("ISOUT=1")), 1);
  EXPECT_DOUBLE_EQ(fx::StockQty(pine, -1), 7.0);
  journal.Chk1->click();
  EXPECT_EQ(JournalNumbers(journal), QStringList{number});
  form.FindBtn->click();
  EXPECT_EQ(GridColumn(form, QStringLiteral("QUANTITY")).value(pineRow).toStdString(), "7");

  // A restart while nobody works: the connection the server closed meanwhile is opened again
  // by the next action, which goes through at once.
  Stop();
  Start();
  Script().Clear();
  journal.Chk1->click();
  EXPECT_EQ(Script().Messages(), QStringList());
  EXPECT_EQ(JournalNumbers(journal), QStringList());
  EXPECT_DOUBLE_EQ(fx::StockQty(pine, -1), 7.0);
  EXPECT_EQ(SQLInt(QStringLiteral("select @@session.sql_mode='NO_ENGINE_SUBSTITUTION' and "
                                  "@@session.character_set_client='utf8mb4'")),
            1);
}

}  // namespace
