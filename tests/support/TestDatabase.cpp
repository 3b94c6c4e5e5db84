#include "support/TestDatabase.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "DemoData.h"
#include "core/CommonVariables.h"
#include "core/DataUnit.h"
#include "core/Startup.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "support/LedgerCheck.h"
#include "support/ScriptedDialogs.h"

namespace testdb {

namespace {
QString ReadFirstLine(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return QString();
  return QString::fromUtf8(f.readLine()).trimmed();
}
QStringList Credentials() {
  QFile f(QStringLiteral(WAREHOUSE_SOURCE_DIR "/db/credentials"));
  if (!f.open(QIODevice::ReadOnly)) return {QString(), QString()};
  const QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
  return {lines.value(0).trimmed(), lines.value(1).trimmed()};
}
}  // namespace

QString Host() { return QStringLiteral("127.0.0.1"); }
QString Port() {
  const QString env = qEnvironmentVariable("WAREHOUSE_TEST_DB_PORT");
  if (!env.isEmpty()) return env;
  return ReadFirstLine(QStringLiteral(WAREHOUSE_TEST_DB_DIR "/port"));
}
QString User() { return Credentials().value(0); }
QString Password() { return Credentials().value(1); }

std::unique_ptr<TConnection> Connect(const QString &database) {
  static int counter = 0;
  auto c = std::make_unique<TConnection>(QStringLiteral("test_admin_%1").arg(++counter));
  c->HostName = Host();
  c->Port = Port();
  c->User = User();
  c->Password = Password();
  c->Database = database;
  c->Connect();
  return c;
}

void StartClient(const QString &registryFile, const QString &database) {
  qputenv("WAREHOUSE_REGISTRY", registryFile.toLocal8Bit());
  TRegistry::Reload();
  delete DATA;
  DATA = new TDATA;
  TConnection &c = DATA->DB_Storage;
  c.HostName = Host();
  c.Port = Port();
  c.User = User();
  c.Password = Password();
  c.Database = database;
  c.Connect();
  RegistryRoot = RegistryBase + QStringLiteral("Test");
  CurrentUser.ID = 1;
}

QStringList SplitStatements(const QString &sql) {
  QStringList out;
  QString cur;
  // A "DELIMITER x" line ends statements at x instead, as the command-line client reads it:
  // the bodies of procedures and triggers hold ';' of their own.
  QString delimiter = QStringLiteral(";");
  for (const QString &line : sql.split(QLatin1Char('\n'))) {
    const QString t = line.trimmed();
    if (t.startsWith(QLatin1String("--")) && cur.trimmed().isEmpty()) continue;
    if (cur.trimmed().isEmpty() && t.startsWith(QLatin1String("DELIMITER "), Qt::CaseInsensitive)) {
      delimiter = t.mid(10).trimmed();
      cur.clear();
      continue;
    }
    cur += line + QLatin1Char('\n');
    if (t.endsWith(delimiter)) {
      QString s = cur.trimmed();
      s.chop(delimiter.size());
      if (!s.trimmed().isEmpty()) out << s;
      cur.clear();
    }
  }
  if (!cur.trimmed().isEmpty()) out << cur.trimmed();
  return out;
}

void ApplyFile(TConnection &c, const QString &relativePath) {
  QFile f(QStringLiteral(WAREHOUSE_SOURCE_DIR "/") + relativePath);
  if (!f.open(QIODevice::ReadOnly)) throw std::runtime_error("cannot read " + relativePath.toStdString());
  for (const QString &s : SplitStatements(QString::fromUtf8(f.readAll()))) c.Exec(s);
}

}  // namespace testdb

TTestDatabase::TTestDatabase(TSchema schema) {
  const QString tag = QStringLiteral("%1_%2")
                          .arg(QCoreApplication::applicationPid())
                          .arg(QRandomGenerator::global()->bounded(1000000000));
  Main = QStringLiteral("t_main_") + tag;
  Setup = QStringLiteral("t_setup_") + tag;
  m_admin = testdb::Connect();
  m_admin->Exec(QStringLiteral("CREATE DATABASE %1 CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci").arg(Main));
  m_admin->Exec(QStringLiteral("CREATE DATABASE %1 CHARACTER SET utf8mb4 COLLATE utf8mb4_general_ci").arg(Setup));
  m_admin->Exec(QStringLiteral("USE ") + Main);
  testdb::ApplyFile(*m_admin, QStringLiteral("db/main.sql"));
  if (schema == TSchema::Program) testdb::ApplyFile(*m_admin, QStringLiteral("db/upgrade.sql"));
  m_admin->Exec(QStringLiteral("USE ") + Setup);
  testdb::ApplyFile(*m_admin, QStringLiteral("db/setup.sql"));
  m_admin->Exec(QStringLiteral("USE ") + Main);
  m_admin->Exec(QStringLiteral("INSERT INTO Users (ID, LOGIN, NAME) VALUES (1, 'admin', 'Administrator')"));

  RegistryFile = QDir::tempPath() + QStringLiteral("/wh_registry_") + tag + QStringLiteral(".reg");
  qputenv("WAREHOUSE_REGISTRY", RegistryFile.toLocal8Bit());
  TRegistry::Reload();

  delete DATA;
  DATA = new TDATA;
  ViewMode = 0;
  TConnection &c = DATA->DB_Storage;
  c.HostName = testdb::Host();
  c.Port = testdb::Port();
  c.User = testdb::User();
  c.Password = testdb::Password();
  c.Database = Main;
  DATA->MainDatabase = Main;
  DATA->SetupDatabase = Setup;
  c.Connect();
  RegistryRoot = RegistryBase + QStringLiteral("Test");
  CurrentUser = TUserRec();
  CurrentUser.ID = 1;
  CurrentUser.NAME = QStringLiteral("Administrator");
}

TTestDatabase::~TTestDatabase() {
  delete DATA;
  DATA = nullptr;
  try {
    m_admin->Exec(QStringLiteral("DROP DATABASE IF EXISTS ") + Main);
    m_admin->Exec(QStringLiteral("DROP DATABASE IF EXISTS ") + Setup);
  } catch (...) {
  }
  QFile::remove(RegistryFile);
  TRegistry::Reload();
}

void TTestDatabase::Exec(const QString &sql) {
  m_admin->Exec(QStringLiteral("USE ") + Main);
  m_admin->Exec(sql);
}

void TTestDatabase::ExecSetup(const QString &sql) {
  m_admin->Exec(QStringLiteral("USE ") + Setup);
  m_admin->Exec(sql);
  m_admin->Exec(QStringLiteral("USE ") + Main);
}

void TTestDatabase::LoadDemo(int scale) {
  const whdemo::TDemoSql sql = whdemo::DemoSql(scale, Clock::Today());
  m_admin->Exec(QStringLiteral("USE ") + Setup);
  for (const QString &s : sql.Setup) m_admin->Exec(s);
  // The demo brings its own users, the user with ID 1 among them.
  m_admin->Exec(QStringLiteral("USE ") + Main);
  m_admin->Exec(QStringLiteral("DELETE FROM Users"));
  for (const QString &s : sql.Main) m_admin->Exec(s);
}

void DbTest::SetUp() {
  Script().Clear();
  ForgetCleanUpsPending();
  Clock::SetFixed(QDateTime());
  Db = std::make_unique<TTestDatabase>(Schema);
}

void DbTest::TearDown() {
  if (CheckLedger && DATA && !HasFatalFailure()) ExpectLedgerConsistent();
  Db.reset();
  Clock::SetFixed(QDateTime());
}

TStartupResult TTestDatabase::StartProgram(const QString &folder, const QString &subkey) {
  QFile key(QDir(folder).filePath(KeyFileName));
  if (!key.open(QIODevice::WriteOnly)) {
    ADD_FAILURE() << "cannot write the key file in " << folder.toStdString();
    return {};
  }
  key.write((subkey + QStringLiteral("|test\r\n")).toUtf8());
  key.close();
  {
    TRegistry reg;
    EXPECT_TRUE(reg.OpenKey(RegistryBase + subkey, true));
    reg.WriteString(QStringLiteral("SERVER HOST"), testdb::Host());
    reg.WriteString(QStringLiteral("SERVER PORT"), testdb::Port());
    reg.WriteString(QStringLiteral("DATABASE NAME"), Main);
    reg.WriteString(QStringLiteral("DATABASE NAME (SETUP)"), Setup);
  }
  return RunStartup(folder);
}
