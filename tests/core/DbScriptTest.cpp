// The private server script (scripts/db.sh) on data folders that an install left behind.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/Query.h"
#include "support/PrivateServer.h"
#include "support/TestDatabase.h"

namespace {

// Starts the server of the folder; returns its port ("" when it did not start).
QString Start(const QString &dir, QString *err) {
  QString out;
  const int rc = TPrivateServer::Script({QStringLiteral("start"), dir}, &out, err);
  return rc == 0 ? out.trimmed().section(QLatin1Char('\n'), -1) : QString();
}
void Stop(const QString &dir) { TPrivateServer::Script({QStringLiteral("stop"), dir}); }

// A connection of the program's user to the server on the port.
std::unique_ptr<TConnection> Login(const QString &port) {
  auto c = std::make_unique<TConnection>(QStringLiteral("db_script_%1").arg(port));
  c->HostName = testdb::Host();
  c->Port = port;
  c->User = testdb::User();
  c->Password = testdb::Password();
  c->Database = QString();
  c->Connect();
  return c;
}

int DatabaseExists(TConnection &c, const QString &name) {
  TQuery q(&c);
  q.SQL = QStringLiteral("select count(*) from information_schema.SCHEMATA where SCHEMA_NAME='%1'").arg(name);
  q.Open();
  return q.Fields(0).AsInteger();
}

TEST(DbScript, AnInstallThatBrokeOffIsReplacedAndACompleteOneKept) {
  QTemporaryDir tmp(QStringLiteral("/tmp/whdb-XXXXXX"));
  ASSERT_TRUE(tmp.isValid());
  const QString dir = tmp.path();
  const QString marker = dir + QStringLiteral("/data/.install-complete");
  QString err;

  // The install broke off right after making the system folder.
  ASSERT_TRUE(QDir().mkpath(dir + QStringLiteral("/data/mysql")));
  QString port = Start(dir, &err);
  ASSERT_FALSE(port.isEmpty()) << err.toStdString();
  EXPECT_TRUE(err.contains(QStringLiteral("did not finish"))) << err.toStdString();
  EXPECT_TRUE(QFile::exists(marker));
  EXPECT_TRUE(QFile::exists(dir + QStringLiteral("/data.incomplete/mysql")));
  {
    auto c = Login(port);
    // The system tables are there, but root is gone: what an install that fails before its
    // accounts are made leaves behind (every start then ended with "Access denied").
    c->Exec(QStringLiteral("CREATE DATABASE half_made"));
    c->Exec(QStringLiteral("DROP USER 'root'@'localhost'"));
  }
  Stop(dir);  // root cannot shut it down any more: the script ends its process
  ASSERT_TRUE(QFile::remove(marker));
  err.clear();
  port = Start(dir, &err);
  ASSERT_FALSE(port.isEmpty()) << err.toStdString();
  EXPECT_TRUE(err.contains(QStringLiteral("did not finish"))) << err.toStdString();
  {
    auto c = Login(port);
    EXPECT_EQ(DatabaseExists(*c, QStringLiteral("half_made")), 0);
    c->Exec(QStringLiteral("CREATE DATABASE kept"));
  }
  Stop(dir);
  // The half-made folder is kept aside, not deleted.
  EXPECT_TRUE(QDir(dir + QStringLiteral("/data.incomplete/half_made")).exists());

  // A complete folder made before the marker existed is kept as it is.
  ASSERT_TRUE(QFile::remove(marker));
  err.clear();
  port = Start(dir, &err);
  ASSERT_FALSE(port.isEmpty()) << err.toStdString();
  EXPECT_FALSE(err.contains(QStringLiteral("did not finish"))) << err.toStdString();
  EXPECT_TRUE(QFile::exists(marker));
  {
    auto c = Login(port);
    EXPECT_EQ(DatabaseExists(*c, QStringLiteral("kept")), 1);
  }
  Stop(dir);
}

}  // namespace
