#pragma once
// A database server of one test's own, in a temporary folder: unlike the shared server of the
// test run, the test may stop it and start it again (scripts/db.sh).
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class TPrivateServer {
 public:
  // Installs and starts the server on a free port.
  TPrivateServer();
  // Stops it; the folder goes with the object.
  ~TPrivateServer();
  void Stop();
  // Starts it again on the same port.
  void Start();
  QString Port() const { return m_port; }
  QString Dir() const { return m_dir.path(); }

  // Runs scripts/db.sh with the arguments; returns its exit code and, when asked, its
  // standard output and error output.
  static int Script(const QStringList &args, QString *out = nullptr, QString *err = nullptr);

 private:
  QTemporaryDir m_dir;
  QString m_port;
};

// Points the databases that tests create (TTestDatabase) at a private server while it lives.
class TUsePrivateServer {
 public:
  explicit TUsePrivateServer(const TPrivateServer &server);
  ~TUsePrivateServer();

 private:
  QByteArray m_before;
  bool m_had;
};
