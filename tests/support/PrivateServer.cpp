#include "support/PrivateServer.h"

#include <QProcess>
#include <stdexcept>

TPrivateServer::TPrivateServer() : m_dir(QStringLiteral("/tmp/whsrv-XXXXXX")) {
  if (!m_dir.isValid()) throw std::runtime_error("no temporary folder for a private server");
  QString out, err;
  if (Script({QStringLiteral("start"), Dir()}, &out, &err) != 0)
    throw std::runtime_error("the private server did not start: " + err.toStdString());
  m_port = out.trimmed().section(QLatin1Char('\n'), -1);
}

TPrivateServer::~TPrivateServer() { Stop(); }

void TPrivateServer::Stop() { Script({QStringLiteral("stop"), Dir()}); }

void TPrivateServer::Start() {
  QString out, err;
  if (Script({QStringLiteral("start"), Dir(), m_port}, &out, &err) != 0)
    throw std::runtime_error("the private server did not start again: " + err.toStdString());
  if (out.trimmed().section(QLatin1Char('\n'), -1) != m_port)
    throw std::runtime_error("the private server came back on another port");
}

int TPrivateServer::Script(const QStringList &args, QString *out, QString *err) {
  QProcess p;
  p.start(QStringLiteral("bash"), QStringList{QStringLiteral(WAREHOUSE_SOURCE_DIR "/scripts/db.sh")} + args);
  if (!p.waitForFinished(180000)) {
    p.kill();
    p.waitForFinished();
    return -1;
  }
  if (out) *out = QString::fromLocal8Bit(p.readAllStandardOutput());
  if (err) *err = QString::fromLocal8Bit(p.readAllStandardError());
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

TUsePrivateServer::TUsePrivateServer(const TPrivateServer &server)
    : m_before(qgetenv("WAREHOUSE_TEST_DB_PORT")), m_had(qEnvironmentVariableIsSet("WAREHOUSE_TEST_DB_PORT")) {
  qputenv("WAREHOUSE_TEST_DB_PORT", server.Port().toLatin1());
}

TUsePrivateServer::~TUsePrivateServer() {
  if (m_had) qputenv("WAREHOUSE_TEST_DB_PORT", m_before);
  else qunsetenv("WAREHOUSE_TEST_DB_PORT");
}
