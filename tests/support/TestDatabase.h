#pragma once
// Databases of the private test server: each test creates its own main and setup database
// from db/ and drops them at the end.
#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <memory>

#include "core/Startup.h"

class TConnection;

namespace testdb {
// Address of the private server started for the test run.
QString Host();
QString Port();
QString User();
QString Password();
// A fresh connection to the server (no database chosen).
std::unique_ptr<TConnection> Connect(const QString &database = QString());
// Runs the statements of a file of db/ (split at ';' line ends, or at those a DELIMITER line
// names) on a connection.
void ApplyFile(TConnection &c, const QString &relativePath);
// Statements of a text, split at ';' line ends (or at those a DELIMITER line names).
QStringList SplitStatements(const QString &sql);
// In a client process of a multi-process test: the registry file given, a fresh data module
// connected to the database, the program key "Test" and the user with ID 1.
void StartClient(const QString &registryFile, const QString &database);
}  // namespace testdb

// What a test's main database is made of: the tables of an existing installation
// (db/main.sql) with this program's additions (db/upgrade.sql), as every script makes it, or
// without them, as a workshop's own database is before its upgrade.
enum class TSchema { Program, Described };

// Creates a main and a setup database with the schema, points DATA at the main one, adds
// the user with ID 1 and the registry file of the test; drops them at the end.
class TTestDatabase {
 public:
  explicit TTestDatabase(TSchema schema = TSchema::Program);
  ~TTestDatabase();
  QString Main, Setup;
  // Runs one statement on the main database through an independent connection.
  void Exec(const QString &sql);
  void ExecSetup(const QString &sql);
  // The registry file of this test.
  QString RegistryFile;
  // Fills both databases with the demo data set.
  void LoadDemo(int scale = 1);
  // Runs the program's start-up on these databases as a user's installation would: a key
  // file in folder naming the registry sub-key, and the connection values under it.
  TStartupResult StartProgram(const QString &folder, const QString &subkey);

 private:
  std::unique_ptr<TConnection> m_admin;
};

// Base of tests that need the data module on a fresh database. TearDown runs the ledger
// invariant checker when the test wrote stock or documents.
class DbTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::unique_ptr<TTestDatabase> Db;
  // Set false for a test that leaves the ledger inconsistent on purpose.
  bool CheckLedger = true;
  // Set in a fixture's constructor for a database without the program's additions.
  TSchema Schema = TSchema::Program;
};
