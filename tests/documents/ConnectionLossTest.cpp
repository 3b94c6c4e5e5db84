// Saves whose connection is killed by the server: at every statement of an issue save and of
// a count posting, the COMMIT among them. Each document is whole or absent, the user is told
// which (an error, or that it is not known whether it was saved), and the next action works
// on a fresh connection without the program being restarted.
#include <QCheckBox>
#include <QDateEdit>
#include <QTemporaryDir>
#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "core/DataUnit.h"
#include "core/Startup.h"
#include "documents/DivazInventoryUnit.h"
#include "documents/IssueTestKit.h"
#include "documents/WBInUnit.h"
#include "reports/SCALAExportUnit.h"
#include "platform/Clock.h"
#include "support/LedgerCheck.h"

using namespace issuekit;

namespace {

// Kills DATA's connection from another connection just before the statement with the given
// number (counted from 1) goes out.
class TKiller {
 public:
  TKiller(TTestDatabase &db, int at) : m_db(db), m_at(at) {
    const int id = SQLInt(QStringLiteral("select CONNECTION_ID()"));
    DATA->DB_Storage.OnStatement = [this, id](const QString &sql) {
      ++m_seen;
      if (sql == QLatin1String("COMMIT")) ++Commits;
      if (m_seen != m_at) return;
      Killed = true;
      AtCommit = sql == QLatin1String("COMMIT");
      m_db.Exec(QStringLiteral("KILL CONNECTION %1").arg(id));
    };
  }
  ~TKiller() { DATA->DB_Storage.OnStatement = nullptr; }
  bool Killed = false, AtCommit = false;
  int Commits = 0;

 private:
  TTestDatabase &m_db;
  int m_at, m_seen = 0;
};

// A relay between the program and the server that, once armed, passes the next COMMIT on to
// the server and then breaks the connection instead of passing the answer back: the server
// has saved, but the program cannot know.
class TCommitDropper {
 public:
  explicit TCommitDropper(int serverPort) : m_serverPort(serverPort) {
    m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(m_listen, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0 || ::listen(m_listen, 8) != 0)
      throw std::runtime_error("the relay cannot listen");
    socklen_t len = sizeof a;
    ::getsockname(m_listen, reinterpret_cast<sockaddr *>(&a), &len);
    Port = ntohs(a.sin_port);
    m_thread = std::thread([this] { Run(); });
  }
  ~TCommitDropper() {
    m_stop = true;
    m_thread.join();
    for (const TPair &p : m_pairs) {
      ::close(p.Client);
      ::close(p.Server);
    }
    ::close(m_listen);
  }
  int Port = 0;
  std::atomic<bool> Armed{false}, Dropped{false};

 private:
  struct TPair {
    int Client, Server;
    bool AwaitingAnswer = false;
  };
  int Upstream() const {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(m_serverPort));
    if (::connect(s, reinterpret_cast<sockaddr *>(&a), sizeof a) != 0) {
      ::close(s);
      return -1;
    }
    return s;
  }
  void Run() {
    std::vector<char> buf(1 << 16);
    while (!m_stop) {
      std::vector<pollfd> fds{{m_listen, POLLIN, 0}};
      for (const TPair &p : m_pairs) {
        fds.push_back({p.Client, POLLIN, 0});
        fds.push_back({p.Server, POLLIN, 0});
      }
      if (::poll(fds.data(), fds.size(), 50) <= 0) continue;
      if (fds[0].revents & POLLIN) {
        const int c = ::accept(m_listen, nullptr, nullptr);
        const int s = c < 0 ? -1 : Upstream();
        if (s < 0) {
          if (c >= 0) ::close(c);
        } else {
          m_pairs.push_back({c, s});
        }
        continue;  // the pairs changed: poll again
      }
      for (size_t i = 0; i < m_pairs.size(); ++i) {
        TPair &p = m_pairs[i];
        bool broken = false;
        if (fds[1 + 2 * i].revents & (POLLIN | POLLHUP | POLLERR)) {
          const ssize_t n = ::read(p.Client, buf.data(), buf.size());
          if (n <= 0) broken = true;
          else {
            // A query packet: 4 header bytes, the command byte 3, the statement.
            if (Armed && n >= 11 && buf[4] == 3 && std::memcmp(buf.data() + 5, "COMMIT", 6) == 0) {
              Armed = false;
              p.AwaitingAnswer = true;
            }
            broken = ::write(p.Server, buf.data(), n) != n;
          }
        }
        if (!broken && (fds[2 + 2 * i].revents & (POLLIN | POLLHUP | POLLERR))) {
          const ssize_t n = ::read(p.Server, buf.data(), buf.size());
          if (n <= 0 || p.AwaitingAnswer) {
            broken = true;
            if (p.AwaitingAnswer) Dropped = true;
          } else {
            broken = ::write(p.Client, buf.data(), n) != n;
          }
        }
        if (broken) {
          ::close(p.Client);
          ::close(p.Server);
          m_pairs.erase(m_pairs.begin() + static_cast<long>(i));
          break;  // the descriptors moved: poll again
        }
      }
    }
  }
  int m_serverPort;
  int m_listen = -1;
  std::vector<TPair> m_pairs;
  std::atomic<bool> m_stop{false};
  std::thread m_thread;
};

class ConnectionLoss : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    Clock::SetFixed(QDateTime(QDate(2024, 3, 10), QTime(9, 30)));
    sup = fx::Supplier("Timber Ltd");
    pine = fx::Material("Pine 68x78", sup);
    fx::Lot(fx::Receipt(QDate(2024, 1, 5), "R-1", sup), pine, -1, 100, 2.0);
    ExecSQL("insert into Measures (NAME) values (\"gab.\")");
  }
  void TearDown() override {
    StartupFreeLists();
    DbTest::TearDown();
  }
  // What the user was told about a save that did not end with the window closed.
  static void ExpectToldWhich(const TKiller &k, const QString &number, const QString &actionText, bool stored) {
    const QString told = Script().LastMessage();
    if (k.AtCommit) {
      EXPECT_TRUE(told.startsWith(QStringLiteral("Document %1: not known whether saved.").arg(number)))
          << told.toStdString();
    } else {
      // Before the COMMIT nothing can have been kept, and the user is told the save failed:
      // with the save's own message once the save has begun, never with the driver's text.
      EXPECT_FALSE(stored) << number.toStdString();
      const QString lost = QLatin1String(ConnectionLostText);
      EXPECT_TRUE(told == lost || told == actionText + QLatin1Char('\n') + lost) << told.toStdString();
    }
  }
  int sup = 0, pine = 0;
};

TEST_F(ConnectionLoss, ABrokenTransactionRunsNothingMoreAndTheNextStatementReconnects) {
  const int before = fx::Count("Suppliers");
  {
    TKiller k(*Db, 2);  // START TRANSACTION goes through, the first insert finds the connection gone
    TTransaction tr;
    try {
      ExecSQL("insert into Suppliers (NAME) values (\"A\")");
      ADD_FAILURE() << "the insert ran on a killed connection";
    } catch (const EDatabaseError &e) {
      EXPECT_TRUE(e.IsConnectionLost());
      EXPECT_STREQ(e.what(), ConnectionLostText);
      EXPECT_FALSE(e.Detail().isEmpty());
    }
    // An action that goes on regardless must not go on in autocommit on a new connection.
    EXPECT_THROW(ExecSQL("insert into Suppliers (NAME) values (\"B\")"), EDatabaseError);
    try {
      tr.Commit();
      ADD_FAILURE() << "a broken transaction was committed";
    } catch (const ECommitUnknown &) {
      ADD_FAILURE() << "the COMMIT was never sent: the transaction is known to be lost";
    } catch (const EDatabaseError &e) {
      EXPECT_TRUE(e.IsConnectionLost());
    }
  }
  EXPECT_EQ(fx::Count("Suppliers"), before);
  EXPECT_EQ(SQLInt("select @@session.sql_mode='NO_ENGINE_SUBSTITUTION' and @@session.character_set_client='utf8mb4'"), 1);
}

TEST_F(ConnectionLoss, TheEditorsStillProposeANumberWhenTheProposalsReadMeetsALostConnection) {
  // The connection was closed under the editor (a restarted server, a cluster node that left
  // or is not ready): the proposal is read again on a fresh connection, not left out.
  const QString next = QString::number(SQLInt("select max(ID)+1 from Waybill")).rightJustified(9, QLatin1Char('0'));
  StartupLoadLists();
  for (const int kind : {1, 3, 4}) {
    SCOPED_TRACE(kind);
    Script().Clear();
    const int id = SQLInt(QStringLiteral("select CONNECTION_ID()"));
    bool killed = false;
    DATA->DB_Storage.OnStatement = [&](const QString &sql) {
      if (killed || !sql.contains(QLatin1String("max(ID)"))) return;
      killed = true;
      Db->Exec(QStringLiteral("KILL CONNECTION %1").arg(id));
    };
    QString proposed;
    if (kind == 4) {
      TDivazInventory ed(nullptr, -1);
      Script().OnModal("DivazInventory", [&](QDialog *) {
        proposed = ed.Edit1->text();
        return mrCancel;
      });
      ed.ShowModal();
    } else {
      TEditor e(-1, kind);
      proposed = e.W->Edit1->text();
    }
    DATA->DB_Storage.OnStatement = nullptr;
    EXPECT_TRUE(killed);
    EXPECT_EQ(proposed, QString::number(kind) + next);
    EXPECT_EQ(Script().LastMessage(), QString());
  }
}

TEST_F(ConnectionLoss, AnIssueKilledAtAnyStatementIsWholeOrAbsent) {
  int stored = 0;
  bool commitSeen = false;
  for (int at = 1; at < 100; ++at) {
    const QString number = QStringLiteral("K-%1").arg(at);
    TEditor e(-1, 1);
    e.W->Edit1->setText(number);
    e.Next();
    e.Add("Pine 68x78", "1");
    Script().Clear();
    TKiller k(*Db, at);
    e.Save();
    DATA->DB_Storage.OnStatement = nullptr;
    EXPECT_LE(k.Commits, 1) << "a save was sent twice";
    const int docs = fx::Count("Waybill", QStringLiteral("NUM=%1").arg(QuoteSQL(number)));
    ASSERT_LE(docs, 1);
    if (docs == 1) {
      ++stored;
      const int id = SQLInt(QStringLiteral("select ID from Waybill where NUM=%1").arg(QuoteSQL(number)));
      EXPECT_EQ(fx::Count("WaybillCont", QStringLiteral("WAYBILLID=%1").arg(id)), 1);
      EXPECT_EQ(fx::Count("WBList", QStringLiteral("OUTWBID=%1").arg(id)), 1);
    }
    EXPECT_EQ(LedgerViolations(), QStringList()) << "killed before statement " << at;
    EXPECT_DOUBLE_EQ(fx::StockQty(pine, -1), 100 - stored);
    if (!k.Killed) {
      // Past the last statement: the save ran whole.
      EXPECT_TRUE(e.Saved());
      EXPECT_EQ(docs, 1);
      break;
    }
    commitSeen = commitSeen || k.AtCommit;
    if (e.Saved()) {
      EXPECT_EQ(docs, 1);  // the check of an idle connection may have opened a new one
      continue;
    }
    ExpectToldWhich(k, number, QStringLiteral("ERROR while saving invoice."), docs == 1);
    EXPECT_EQ(e.Lines(), 1);  // the window keeps the user's lines
    // The same window saves once the number is free again.
    if (docs == 0) {
      e.Save();
      EXPECT_TRUE(e.Saved()) << Script().LastMessage().toStdString();
      ++stored;
    }
  }
  EXPECT_TRUE(commitSeen);
  EXPECT_DOUBLE_EQ(fx::StockQty(pine, -1), 100 - stored);
}

TEST_F(ConnectionLoss, ACountKilledAtAnyStatementIsWholeOrAbsent) {
  bool commitSeen = false;
  for (int at = 1; at < 200; ++at) {
    const QString number = QStringLiteral("C-%1").arg(at);
    const double book = fx::StockQty(pine, -1);
    StartupLoadLists();
    TDivazInventory ed(nullptr, -1);
    std::unique_ptr<TKiller> k;
    Script().Clear();
    Script().OnModal("DivazInventory", [&](QDialog *) {
      ed.Edit1->setText(number);
      const int row = [&] {
        for (int r = 0; r < ed.DBGrid1->rowCount(); ++r)
          if (ed.DBGrid1->item(r, 0) && ed.DBGrid1->item(r, 0)->text() == "Pine 68x78") return r;
        return -1;
      }();
      EXPECT_GE(row, 0);
      ed.DBGrid1->setCurrentCell(row, 0);
      ed.Qty->clear();
      QTest::keyClicks(ed.Qty, QString::number(book - 1));
      QTest::mouseClick(ed.AddBtn, Qt::LeftButton);
      k = std::make_unique<TKiller>(*Db, at);
      QTest::mouseClick(ed.SaveWB, Qt::LeftButton);
      DATA->DB_Storage.OnStatement = nullptr;
      return mrNone;
    });
    const bool saved = ed.ShowModal() == mrOk;
    ASSERT_TRUE(k);
    EXPECT_LE(k->Commits, 1) << "a posting was sent twice";
    const int headers = fx::Count("Waybill", QStringLiteral("ISOUT=4 and NUM=%1").arg(QuoteSQL(number)));
    const int shortages = fx::Count("Waybill", QStringLiteral("ISOUT=6 and NUM=%1").arg(QuoteSQL(number + "L")));
    ASSERT_LE(headers, 1);
    EXPECT_EQ(shortages, headers) << "a count stored in part";
    EXPECT_EQ(fx::Count("WaybillInventory", QStringLiteral("WAYBILLID in (select ID from Waybill where NUM=%1)")
                                                .arg(QuoteSQL(number))),
              headers);
    EXPECT_EQ(LedgerViolations(), QStringList()) << "killed before statement " << at;
    EXPECT_DOUBLE_EQ(fx::StockQty(pine, -1), headers ? book - 1 : book);
    if (!k->Killed) {
      EXPECT_TRUE(saved);
      EXPECT_EQ(headers, 1);
      break;
    }
    commitSeen = commitSeen || k->AtCommit;
    if (saved) {
      EXPECT_EQ(headers, 1);
      continue;
    }
    ExpectToldWhich(*k, number, QStringLiteral("ERROR while saving invoice in Waybill table"), headers == 1);
  }
  EXPECT_TRUE(commitSeen);
}

TEST_F(ConnectionLoss, ListsWhoseRefreshFindsTheConnectionLostKeepTheirRows) {
  // The receipt journal and the count editor read what a row shows as it is drawn: a refresh
  // that fails keeps every row and what it shows, and the rows can still be used.
  StartupLoadLists();
  const QString lost = QLatin1String(ConnectionLostText);
  TWBIn journal(nullptr);
  journal.show();
  journal.Chk1->click();
  auto row = [](const TBlockGrid *grid, int r) {
    QStringList cells;
    for (int c = 0; c < grid->columnCount(); ++c) cells << grid->item(r, c)->text();
    return cells.join(QLatin1Char('|'));
  };
  ASSERT_EQ(journal.DBGrid1->rowCount(), 1);
  const QString receipt = row(journal.DBGrid1, 0);
  EXPECT_TRUE(receipt.contains("R-1|") && receipt.contains("Timber Ltd")) << receipt.toStdString();
  TDivazInventory ed(nullptr, -1);
  ed.show();
  ASSERT_EQ(ed.DBGrid1->rowCount(), 1);
  const QString lot = row(ed.DBGrid1, 0);
  EXPECT_TRUE(lot.startsWith("Pine 68x78||100|")) << lot.toStdString();

  Script().Clear();
  {
    TKiller k(*Db, 1);
    journal.Chk2->click();
  }
  EXPECT_EQ(Script().LastMessage(), lost);
  ASSERT_EQ(journal.DBGrid1->rowCount(), 1);
  EXPECT_EQ(row(journal.DBGrid1, 0), receipt);
  Script().Clear();
  {
    TKiller k(*Db, 1);
    ed.FindBtn1->click();
  }
  EXPECT_EQ(Script().LastMessage(), lost);
  ASSERT_EQ(ed.DBGrid1->rowCount(), 1);
  EXPECT_EQ(row(ed.DBGrid1, 0), lot);
  ed.Qty->setText("98");
  ed.AddBtn->click();
  EXPECT_EQ(ed.CntGrd->Cells(0, 1), "Pine 68x78");
  EXPECT_EQ(ed.CntGrd->Cells(3, 1), "100.0000");
  ed.hide();
  journal.hide();
}

TEST_F(ConnectionLoss, SavesWhoseCommitAnswerIsLostAreWholeAndNotSentAgain) {
  // DATA reaches the server through the relay.
  TCommitDropper relay(testdb::Port().toInt());
  DATA->DB_Storage.Port = QString::number(relay.Port);
  DATA->DB_Storage.Connect();
  int commits = 0;
  DATA->DB_Storage.OnStatement = [&](const QString &sql) { commits += sql == QLatin1String("COMMIT"); };

  {
    TEditor e(-1, 1);
    e.W->Edit1->setText("LOST-1");
    e.Next();
    e.Add("Pine 68x78", "4");
    Script().Clear();
    relay.Armed = true;
    e.Save();
    EXPECT_TRUE(relay.Dropped);
    EXPECT_FALSE(e.Saved());
    EXPECT_EQ(commits, 1);
    EXPECT_TRUE(Script().LastMessage().startsWith("Document LOST-1: not known whether saved."))
        << Script().LastMessage().toStdString();
    // The server had saved it: whole, and once only.
    const int id = SQLInt("select ID from Waybill where NUM=\"LOST-1\"");
    ASSERT_GE(id, 1);
    EXPECT_EQ(fx::Count("Waybill", "NUM=\"LOST-1\""), 1);
    EXPECT_EQ(fx::Count("WaybillCont", QStringLiteral("WAYBILLID=%1").arg(id)), 1);
    EXPECT_DOUBLE_EQ(fx::StockQty(pine, -1), 96);
    // Saving again is refused by the number the journal shows.
    e.Save();
    EXPECT_FALSE(e.Saved());
    EXPECT_EQ(fx::Count("Waybill", "NUM=\"LOST-1\""), 1);
  }

  relay.Dropped = false;
  commits = 0;
  StartupLoadLists();
  TDivazInventory ed(nullptr, -1);
  Script().Clear();
  Script().OnModal("DivazInventory", [&](QDialog *) {
    ed.Edit1->setText("LOST-C");
    for (int r = 0; r < ed.DBGrid1->rowCount(); ++r)
      if (ed.DBGrid1->item(r, 0) && ed.DBGrid1->item(r, 0)->text() == "Pine 68x78") ed.DBGrid1->setCurrentCell(r, 0);
    ed.Qty->clear();
    QTest::keyClicks(ed.Qty, "90");
    QTest::mouseClick(ed.AddBtn, Qt::LeftButton);
    relay.Armed = true;
    QTest::mouseClick(ed.SaveWB, Qt::LeftButton);
    return mrNone;
  });
  EXPECT_NE(ed.ShowModal(), mrOk);
  EXPECT_TRUE(relay.Dropped);
  EXPECT_EQ(commits, 1);
  EXPECT_TRUE(Script().LastMessage().startsWith("Document LOST-C: not known whether saved."))
      << Script().LastMessage().toStdString();
  EXPECT_EQ(fx::Count("Waybill", "ISOUT=4 and NUM=\"LOST-C\""), 1);
  EXPECT_EQ(fx::Count("Waybill", "ISOUT=6 and NUM=\"LOST-CL\""), 1);
  EXPECT_DOUBLE_EQ(fx::StockQty(pine, -1), 90);

  // An export whose record of being exported may be stored keeps its file: otherwise those
  // documents might never reach the accounting system.
  relay.Dropped = false;
  commits = 0;
  QTemporaryDir dir;
  const QString file = dir.filePath("woff.txt");
  {
    TSCALAExpForm form(nullptr, 1);
    Script().Clear();
    Script().Files.push_back(file);
    Script().OnModal(QStringLiteral("SCALAExpForm"), [&](QDialog *) {
      form.DT1->setDate(QDate(2024, 1, 1));
      form.DT2->setDate(QDate(2024, 1, 31));
      relay.Armed = true;
      form.DoButt->click();
      form.close();
      return mrNone;
    });
    form.ShowModal();
  }
  EXPECT_TRUE(relay.Dropped);
  EXPECT_EQ(commits, 1);
  EXPECT_TRUE(QFile::exists(file));
  EXPECT_TRUE(Script().LastMessage().contains("not known whether")) << Script().LastMessage().toStdString();
  EXPECT_FALSE(Script().Messages().contains("Materials write off was successfully exported!"));
  EXPECT_EQ(fx::Count("WriteOffLog"), 1);  // the server had stored it
  DATA->DB_Storage.OnStatement = nullptr;
  // Back to the server itself before the relay goes.
  DATA->DB_Storage.Port = testdb::Port();
  DATA->DB_Storage.Connect();
}

}  // namespace
