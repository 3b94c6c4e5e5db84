#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "core/CommonVariables.h"
#include "core/DataUnit.h"
#include "core/Startup.h"
#include "platform/Dialogs.h"
#include "platform/Registry.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"

namespace {

const QString kRoot = "SOFTWARE\\ORMAK Software";
const QString kProgramKey = kRoot + "\\Divaz";

// Start-up against the test's own databases: a key file in a temporary working folder and
// the program key in the test's registry file.
class Startup : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    ASSERT_TRUE(m_dir.isValid());
    m_price = PriceCount;
    m_vat = VATPercent;
    m_title = ApplicationTitle();
    // What the shared lists read.
    Db->Exec("insert into Currencies (ID, NAME, RATE) values (0, 'EUR', 1), (1, 'USD', 0.9)");
    Db->Exec("insert into DiscountGroups (ID, NAME, DVALUE) values (0, 'none', 0)");
    Db->Exec("insert into Measures (ID, NAME) values (1, 'pcs'), (2, 'm')");
    Db->Exec("insert into CatGroups (ID, SUBID, NAME) values (1, 0, 'Profiles'), (1, 1, 'Frames')");
    Db->Exec("insert into Suppliers (NAME) values ('Timber Ltd')");
    Db->ExecSetup("insert into Setup (NODEID, CAPTION) values ('0', 'Systems'), ('00', 'Pine 68')");
    Db->ExecSetup("insert into Setup (NODEID, CAPTION, FDATA) values ('321', 'VAT', 21)");
    WriteKeyFile("Divaz|licensed to the workshop\nOther|second line\n");
    WriteProgramKey(kProgramKey, testdb::Port(), Db->Main, Db->Setup);
    Script().Clear();
  }
  void TearDown() override {
    ShutdownData();  // the lists and the data module that start-up made
    PriceCount = m_price;
    VATPercent = m_vat;
    SetApplicationTitle(m_title);
    DbTest::TearDown();
  }

  void WriteKeyFile(const QByteArray &text) {
    QFile f(m_dir.filePath("PX11key.sys"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  }
  void WriteProgramKey(const QString &key, const QString &port, const QString &main,
                       const QString &setup) {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(key, true));
    reg.WriteString("SERVER HOST", "127.0.0.1");
    reg.WriteString("SERVER PORT", port);
    reg.WriteString("DATABASE NAME", main);
    reg.WriteString("DATABASE NAME (SETUP)", setup);
  }
  void WriteRegistryFile(const QByteArray &text) {
    QFile f(Db->RegistryFile);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    f.close();
    TRegistry::Reload();
  }
  TStartupResult Run() { return RunStartup(m_dir.path()); }
  // The one box that ended start-up: an error with OK only.
  void ExpectEndedWith(const TStartupResult &r, TStartupOutcome outcome, const QString &text) {
    EXPECT_EQ(r.Outcome, outcome);
    ASSERT_EQ(Script().Boxes.size(), 1u);
    EXPECT_EQ(Script().Boxes[0].Text, r.Message);
    EXPECT_EQ(Script().Boxes[0].Type, TMsgDlgType::mtError);
    EXPECT_EQ(Script().Boxes[0].Buttons, mbOK);
    if (!text.isEmpty()) EXPECT_EQ(r.Message, text);
  }
  // A port on 127.0.0.1 that nothing listens on: one the system just handed out and freed.
  static QString ClosedPort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    socklen_t len = sizeof addr;
    getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len);
    close(fd);
    return QString::number(ntohs(addr.sin_port));
  }

  QTemporaryDir m_dir;
  int16_t m_price = 0;
  double m_vat = 0;
  QString m_title;
};

TEST_F(Startup, ReadyOnTheMainDatabaseWithEveryValueSet) {
  Db->Exec("insert into Users (ID, LOGIN, NAME) values (2, 'b', 'Second'), (5, 'e', 'Fifth')");
  PriceCount = -7;
  const TStartupResult r = Run();
  ASSERT_EQ(r.Outcome, TStartupOutcome::Ready) << r.Message.toStdString();
  EXPECT_TRUE(Script().Boxes.empty());
  EXPECT_EQ(RegistryRoot, kProgramKey);  // only the first line of the key file counts
  EXPECT_EQ(ApplicationTitle(), "Warehouse for Velmo");
  ASSERT_NE(DATA, nullptr);
  EXPECT_TRUE(DATA->DB_Storage.Connected());
  EXPECT_EQ(DATA->DB_Storage.Database, Db->Main);
  EXPECT_EQ(DATA->MainDatabase, Db->Main);
  EXPECT_EQ(DATA->SetupDatabase, Db->Setup);
  EXPECT_EQ(SQLInt("select count(*) from Suppliers"), 1);  // the main database is in use
  EXPECT_EQ(UserList.size(), 3);
  EXPECT_EQ(CurrentUser.ID, 1);
  EXPECT_EQ(CurrentUser.NAME, "Administrator");
  EXPECT_DOUBLE_EQ(VATPercent, 21.0);
  EXPECT_EQ(PriceCount, 5);  // PRICE0 .. PRICE4
  EXPECT_EQ(ViewMode, 0);
}

TEST_F(Startup, MissingKeyFileEndsBeforeAnythingElse) {
  QFile::remove(m_dir.filePath("PX11key.sys"));
  TDATA *before = DATA;
  const TStartupResult r = Run();
  ExpectEndedWith(r, TStartupOutcome::KeyFileError, QString());
  EXPECT_TRUE(r.Message.contains("PX11key.sys")) << r.Message.toStdString();
  EXPECT_EQ(DATA, before);  // no data module was made
  EXPECT_EQ(RegistryRoot, kRoot + "\\");
}

TEST_F(Startup, TheKeyFilePrefixNamesTheProgramKey) {
  // The bare root leads to the test's databases, the Divaz key to a closed port: whichever
  // key start-up reads decides whether it connects.
  WriteProgramKey(kRoot, testdb::Port(), Db->Main, Db->Setup);
  WriteProgramKey(kProgramKey, ClosedPort(), Db->Main, Db->Setup);
  struct Case {
    QByteArray line;
    QString root;
    TStartupOutcome outcome;
  };
  const Case cases[] = {
      {"Divaz|anything", kProgramKey, TStartupOutcome::ConnectFailed},
      {"Divaz", kRoot + "\\", TStartupOutcome::Ready},        // no "|": the bare root
      {"|Divaz", kRoot + "\\", TStartupOutcome::Ready},       // nothing before "|"
      {"\xEF\xBB\xBF" "Divaz|x\r\n", kProgramKey, TStartupOutcome::ConnectFailed},
  };
  for (const Case &c : cases) {
    SCOPED_TRACE(c.line.toStdString());
    Script().Clear();
    WriteKeyFile(c.line);
    const TStartupResult r = Run();
    EXPECT_EQ(r.Outcome, c.outcome) << r.Message.toStdString();
    EXPECT_EQ(RegistryRoot, c.root);
  }
}

TEST_F(Startup, MissingProgramKeyTriesNoConnectionAndSaysSoOnStandardError) {
  WriteRegistryFile("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\SOFTWARE\\Other]\r\n");
  // The message also reaches standard error, for a user who started the program from a
  // terminal.
  std::fflush(stderr);
  const int saved = dup(2);
  const QString errFile = m_dir.filePath("stderr.txt");
  FILE *err = std::fopen(errFile.toLocal8Bit().constData(), "w");
  ASSERT_NE(err, nullptr);
  dup2(fileno(err), 2);
  const TStartupResult r = Run();
  std::fflush(stderr);
  dup2(saved, 2);
  close(saved);
  std::fclose(err);
  ExpectEndedWith(r, TStartupOutcome::RegistryKeyMissing,
                  "The registry key do not exists. Please create one!");
  EXPECT_FALSE(DATA->DB_Storage.Connected());
  QFile written(errFile);
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  EXPECT_TRUE(written.readAll().contains("The registry key do not exists. Please create one!"));
}

TEST_F(Startup, MalformedRegistryFileEndsCleanlyWithAClearMessage) {
  const QByteArray broken = "Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\SOFTWARE\r\n";
  WriteRegistryFile(broken);
  const TStartupResult r = Run();
  ExpectEndedWith(r, TStartupOutcome::RegistryKeyMissing, QString());
  EXPECT_TRUE(r.Message.contains(Db->RegistryFile)) << r.Message.toStdString();
  EXPECT_TRUE(r.Message.contains("Malformed")) << r.Message.toStdString();
  EXPECT_FALSE(DATA->DB_Storage.Connected());
  QFile f(Db->RegistryFile);
  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
  EXPECT_EQ(f.readAll(), broken);  // the user's file is left as it was
}

TEST_F(Startup, UnreachableServerOrDatabaseCannotConnect) {
  WriteProgramKey(kProgramKey, ClosedPort(), Db->Main, Db->Setup);
  ExpectEndedWith(Run(), TStartupOutcome::ConnectFailed,
                  "Can not connect to database. Application terminated.");
  Script().Clear();
  WriteProgramKey(kProgramKey, testdb::Port(), "no_such_database", Db->Setup);
  ExpectEndedWith(Run(), TStartupOutcome::ConnectFailed,
                  "Can not connect to database. Application terminated.");
}

TEST_F(Startup, APortThatIsNotAPortNumberCannotConnect) {
  // The test server listens on its own port; a port the client would read as its default
  // must not reach any server.
  for (const QString &port : {QString("33o6"), QString("x"), QString("0"), QString("65536"),
                              QString("-1"), testdb::Port() + " 1", QString("3306.0")}) {
    Script().Clear();
    WriteProgramKey(kProgramKey, port, Db->Main, Db->Setup);
    ExpectEndedWith(Run(), TStartupOutcome::ConnectFailed,
                    "Can not connect to database. Application terminated.");
    EXPECT_FALSE(DATA->DB_Storage.Connected()) << port.toStdString();
  }
  Script().Clear();
  WriteProgramKey(kProgramKey, " " + testdb::Port() + " ", Db->Main, Db->Setup);
  EXPECT_EQ(Run().Outcome, TStartupOutcome::Ready);  // blanks around the number are no error

  // The connection refuses the port itself, before the client library sees it.
  TConnection c("port-check");
  c.HostName = "127.0.0.1";
  c.Port = "33o6";
  try {
    c.Connect();
    ADD_FAILURE() << "connected with the port 33o6";
  } catch (const EDatabaseError &e) {
    EXPECT_EQ(QString::fromStdString(e.what()), "Invalid server port '33o6'");
  }
}

TEST_F(Startup, SetupDatabaseWithoutItsTableEndsBeforeTheLists) {
  Db->ExecSetup("drop table Setup");
  PriceCount = -7;
  ExpectEndedWith(Run(), TStartupOutcome::SetupFailed,
                  "SetupTree was not load seccesfully. Application terminated.");
  EXPECT_EQ(PriceCount, -7);  // steps after the setup database did not run
  Script().Clear();
  WriteProgramKey(kProgramKey, testdb::Port(), Db->Main, "no_such_setup");
  ExpectEndedWith(Run(), TStartupOutcome::SetupFailed,
                  "SetupTree was not load seccesfully. Application terminated.");
}

TEST_F(Startup, MissingVatNodeGivesMinusOneAndGoesOn) {
  Db->ExecSetup("delete from Setup where NODEID='321'");
  const TStartupResult r = Run();
  ASSERT_EQ(r.Outcome, TStartupOutcome::Ready) << r.Message.toStdString();
  EXPECT_DOUBLE_EQ(VATPercent, -1.0);
  EXPECT_TRUE(Script().Boxes.empty());
}

TEST_F(Startup, EveryPriceColumnOfTheCatalogCounts) {
  Db->Exec("alter table Catalog add PRICE5 DOUBLE NOT NULL DEFAULT 0, add PRICELIST INT DEFAULT 0");
  const TStartupResult r = Run();
  ASSERT_EQ(r.Outcome, TStartupOutcome::Ready) << r.Message.toStdString();
  EXPECT_EQ(PriceCount, 7);
  EXPECT_FALSE(DATA->Qtmp.Active());
}

TEST_F(Startup, TheCurrentUserIsTheUserWithIdOne) {
  Db->Exec("delete from Users");
  Db->Exec("insert into Users (ID, LOGIN, NAME) values (2, 'b', 'Second'), (3, 'c', 'Third')");
  TStartupResult r = Run();
  ASSERT_EQ(r.Outcome, TStartupOutcome::Ready) << r.Message.toStdString();
  EXPECT_EQ(UserList.size(), 2);
  EXPECT_EQ(CurrentUser.ID, 0);  // no user 1: the empty element
  EXPECT_EQ(CurrentUser.NAME, "");

  Db->Exec("delete from Users");
  r = Run();
  ASSERT_EQ(r.Outcome, TStartupOutcome::Ready) << r.Message.toStdString();
  EXPECT_EQ(UserList.size(), 0);
  EXPECT_EQ(CurrentUser.ID, 0);
}

TEST_F(Startup, AnUnguardedStepEndsWithTheDatabaseErrorItself) {
  Db->Exec("drop table Catalog");
  TStartupResult r = Run();
  ExpectEndedWith(r, TStartupOutcome::Failed, QString());
  EXPECT_TRUE(r.Message.contains("Catalog")) << r.Message.toStdString();
  EXPECT_FALSE(DATA->Qtmp.Active());

  Script().Clear();
  Db->Exec("drop table Users");
  r = Run();
  ExpectEndedWith(r, TStartupOutcome::Failed, QString());
  EXPECT_TRUE(r.Message.contains("Users")) << r.Message.toStdString();
}

// A workshop's own database, as the tables and columns of an existing installation are,
// without this program's additions until db/upgrade.sql has run on it.
class StartupOnAnExistingDatabase : public Startup {
 protected:
  StartupOnAnExistingDatabase() { Schema = TSchema::Described; }
};

TEST_F(StartupOnAnExistingDatabase, EndsNamingTheUpgradeScriptUntilItHasRun) {
  PriceCount = -7;
  const TStartupResult r = Run();
  ExpectEndedWith(r, TStartupOutcome::SchemaMissing,
                  "The database " + Db->Main +
                      " lacks what this program needs (table DocNumberLock, index WaybillContOpenLot of "
                      "WaybillCont, index WaybillContOpen of WaybillCont, index CatalogSupplierGroup of Catalog, "
                      "table CatalogLock).\nRun db/upgrade.sql on it once (see \"Upgrading an existing database\" in "
                      "the README), then start the program again. Application terminated.");
  EXPECT_EQ(PriceCount, -7);  // nothing after the check ran

  auto admin = testdb::Connect(Db->Main);
  testdb::ApplyFile(*admin, "db/upgrade.sql");
  Script().Clear();
  const TStartupResult upgraded = Run();
  EXPECT_EQ(upgraded.Outcome, TStartupOutcome::Ready) << upgraded.Message.toStdString();
  EXPECT_TRUE(Script().Boxes.empty());
}

}  // namespace
