#include "core/Query.h"

#include <QDebug>
#include <algorithm>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include "core/DataUnit.h"
#include "platform/SysUtils.h"

const char *const ConnectionLostText =
    "The connection to the database server was lost. Try again when the server is back.";

namespace {
// A connection that stood idle this long is checked before it is used: a server restarted
// meanwhile has closed it.
constexpr qint64 kIdleCheckMs = 250;

EDatabaseError ErrorOf(const QSqlError &e) {
  QString text = e.databaseText();
  if (text.isEmpty()) text = e.text();
  bool ok = false;
  const int code = e.nativeErrorCode().toInt(&ok);
  if (ok && EDatabaseError::IsConnectionLostCode(code))
    return EDatabaseError(QString::fromLatin1(ConnectionLostText), code, text);
  return EDatabaseError(text, ok ? code : 0);
}
}  // namespace

bool EDatabaseError::IsConnectionLostCode(int code) {
  switch (code) {
    case 2002:  // cannot connect (socket or TCP refused)
    case 2003:  // cannot connect to the host
    case 2005:  // unknown host
    case 2006:  // server has gone away
    case 2013:  // lost connection during a statement
    case 2055:  // lost connection, system error
    case 1053:  // server shutdown in progress
    case 1927:  // connection was killed
    case 4031:  // disconnected by the server for inactivity
    // A cluster node that is not a synced member of the cluster (joining, left alone after a
    // network split, rejecting queries) serves nothing: the action fails as if the server
    // were gone, and the next one connects anew, through a proxy to another node.
    case 1047:  // WSREP has not yet prepared node for application use
    // The node left the cluster while a COMMIT was being replicated: the others may have
    // committed it or not.
    case 1180:  // got an error during COMMIT
      return true;
    default:
      return false;
  }
}

ECommitUnknown::ECommitUnknown(const EDatabaseError &cause)
    : EDatabaseError(QStringLiteral("The connection to the database server was lost while the changes were "
                                    "being saved: not known whether saved."),
                     cause.NativeCode(), cause.Detail()) {}

TConnection::TConnection(const QString &connectionName) : m_name(connectionName) {
  m_db = QSqlDatabase::addDatabase(QStringLiteral("QMYSQL"), connectionName);
}

TConnection::~TConnection() {
  Disconnect();
  m_db = QSqlDatabase();
  QSqlDatabase::removeDatabase(m_name);
}

void TConnection::Connect() {
  if (m_db.isOpen()) m_db.close();
  InsertID = 0;
  m_db.setHostName(HostName);
  // No port means the client's default; anything else must be a port number, or the client
  // would quietly use its default and may reach another server.
  const QString portText = Port.trimmed();
  int port = -1;
  if (!portText.isEmpty()) {
    bool ok = false;
    port = portText.toInt(&ok, 10);
    if (!ok || port < 1 || port > 65535)
      throw EDatabaseError(QStringLiteral("Invalid server port '%1'").arg(Port));
  }
  m_db.setPort(port);
  m_db.setDatabaseName(Database);
  m_db.setUserName(User);
  m_db.setPassword(Password);
  // The driver must never reconnect by itself: it would run the rest of a broken
  // transaction in autocommit.
  m_db.setConnectOptions(QStringLiteral("MYSQL_OPT_CONNECT_TIMEOUT=5;MYSQL_OPT_RECONNECT=0"));
  TransactionDepth = 0;
  if (!m_db.open()) {
    const EDatabaseError e = ErrorOf(m_db.lastError());
    m_db.close();
    throw e;
  }
  m_lost = false;
  m_idle.start();
  // Every session: utf8mb4 and the lenient SQL mode the statements are written for.
  Exec(QStringLiteral("SET NAMES utf8mb4 COLLATE utf8mb4_general_ci"));
  Exec(QStringLiteral("SET SESSION sql_mode='NO_ENGINE_SUBSTITUTION'"));
  ConsecutiveIDStep = 0;
  TQuery ids(this);
  ids.SQL = QStringLiteral("select @@innodb_autoinc_lock_mode, @@auto_increment_increment");
  ids.Open();
  if (!ids.IsEmpty() && ids.Fields(0).AsInteger() < 2) ConsecutiveIDStep = std::max<qint64>(1, ids.Fields(1).AsLargeInt());
}

void TConnection::Disconnect() {
  if (m_db.isOpen()) m_db.close();
  TransactionDepth = 0;
  m_lost = false;
}

bool TConnection::Connected() const { return m_db.isOpen(); }

void TConnection::ThrowLost(const QString &detail, int code) {
  if (!m_lost) qWarning().noquote() << "database connection" << m_name << "lost:" << detail;
  m_lost = true;
  if (m_db.isOpen()) m_db.close();
  throw EDatabaseError(QString::fromLatin1(ConnectionLostText), code, detail);
}

void TConnection::BeginStatement(const QString &sql) {
  if (OnStatement) OnStatement(sql);
  if (m_lost) {
    // Inside a transaction the broken connection stays broken: the server has rolled the
    // transaction back, and its remaining statements must not run in autocommit.
    if (TransactionDepth > 0) ThrowLost(QStringLiteral("the transaction's connection is gone"), 2006);
    Connect();
    return;
  }
  if (TransactionDepth == 0 && m_db.isOpen() && m_idle.isValid() && m_idle.elapsed() >= kIdleCheckMs) {
    // Nothing is under way: a connection that the server closed meanwhile is opened again
    // before the statement goes out.
    QSqlQuery ping(m_db);
    if (!ping.exec(QStringLiteral("DO 0"))) {
      const EDatabaseError e = ErrorOf(ping.lastError());
      if (!e.IsConnectionLost()) throw e;
      qWarning().noquote() << "database connection" << m_name << "was closed by the server:" << e.Detail();
      m_lost = true;
      m_db.close();
      Connect();
    }
    m_idle.start();
  }
}

void TConnection::FailStatement(const QSqlError &error) {
  m_idle.start();
  const EDatabaseError e = ErrorOf(error);
  if (e.IsConnectionLost()) ThrowLost(e.Detail(), e.NativeCode());
  throw e;
}

void TConnection::Exec(const QString &sql) {
  BeginStatement(sql);
  QSqlQuery q(m_db);
  ++StatementCount;
  if (!q.exec(sql)) FailStatement(q.lastError());
  EndStatement(q);
}

int TField::AsInteger() const { return static_cast<int>(AsLargeInt()); }

qint64 TField::AsLargeInt() const {
  if (m_value.isNull()) return 0;
  bool ok = false;
  qint64 v = m_value.toLongLong(&ok);
  if (ok) return v;
  const double d = m_value.toDouble(&ok);
  if (ok) return static_cast<qint64>(d);
  return 0;
}

double TField::AsFloat() const {
  if (m_value.isNull()) return 0.0;
  bool ok = false;
  const double d = m_value.toDouble(&ok);
  return ok ? d : 0.0;
}

QString TField::AsString() const {
  if (m_value.isNull()) return QString();
  switch (m_value.typeId()) {
    case QMetaType::Double:
    case QMetaType::Float:
      return FloatToStr(m_value.toDouble());
    case QMetaType::QByteArray:
      return QString::fromUtf8(m_value.toByteArray());
    default:
      return m_value.toString();
  }
}

QDateTime TField::AsDateTime() const {
  if (m_value.isNull()) return QDateTime();
  if (m_value.typeId() == QMetaType::QDate) return QDateTime(m_value.toDate(), QTime(0, 0));
  if (m_value.typeId() == QMetaType::QDateTime) return m_value.toDateTime();
  const QString s = m_value.toString();
  QDateTime dt = QDateTime::fromString(s, Qt::ISODate);
  if (!dt.isValid()) dt = QDateTime(QDate::fromString(s, Qt::ISODate), QTime(0, 0));
  return dt;
}

TQuery::TQuery(TConnection *connection) : m_connection(connection) {}

TConnection *TQuery::Connection() const {
  return m_connection ? m_connection : &DATA->DB_Storage;
}

void TQuery::Open() {
  Close();
  TConnection *c = Connection();
  try {
    c->BeginStatement(SQL);
  } catch (const EDatabaseError &e) {
    if (e.IsConnectionLost()) KeepHeldRows();
    throw;
  }
  QSqlQuery q(c->Db());
  q.setForwardOnly(true);
  ++c->StatementCount;
  if (!q.exec(SQL)) {
    try {
      c->FailStatement(q.lastError());
    } catch (const EDatabaseError &e) {
      if (e.IsConnectionLost()) KeepHeldRows();
      throw;
    }
  }
  c->EndStatement(q);
  m_heldFields.clear();
  m_heldRows.clear();
  m_heldActive = false;
  const QSqlRecord rec = q.record();
  for (int i = 0; i < rec.count(); ++i) m_fields << rec.fieldName(i);
  const int n = rec.count();
  try {
    while (q.next()) {
      QVector<QVariant> row(n);
      for (int i = 0; i < n; ++i) row[i] = q.value(i);
      m_rows.push_back(std::move(row));
      if (OnFetch && m_rows.size() % FetchStep == 0) OnFetch();
    }
  } catch (...) {
    m_fields.clear();
    m_rows.clear();
    throw;
  }
  m_active = true;
  m_pos = 0;
  m_bof = true;
}

void TQuery::Close() {
  if (m_active) {
    m_heldActive = true;
    m_heldPos = m_pos;
    m_heldFields = std::move(m_fields);
    m_heldRows = std::move(m_rows);
  }
  m_active = false;
  m_fields.clear();
  m_rows.clear();
  m_pos = 0;
  m_bof = true;
}

void TQuery::KeepHeldRows() {
  if (!m_heldActive) return;
  m_active = true;
  m_pos = m_heldPos;
  m_bof = m_pos == 0;
  m_fields = std::move(m_heldFields);
  m_rows = std::move(m_heldRows);
  m_heldFields.clear();
  m_heldRows.clear();
  m_heldActive = false;
}

void TQuery::ExecSQL() {
  Close();
  Connection()->Exec(SQL);
}

void TQuery::First() {
  m_pos = 0;
  m_bof = true;
}

void TQuery::Next() {
  if (m_pos < m_rows.size()) ++m_pos;
  m_bof = false;
}

void TQuery::Prior() {
  if (m_pos > 0) --m_pos;
  else m_bof = true;
}

void TQuery::Last() {
  m_pos = m_rows.isEmpty() ? 0 : m_rows.size() - 1;
  m_bof = m_rows.isEmpty();
}

void TQuery::SetRecNo(int recNo) {
  m_pos = std::clamp(recNo - 1, 0, std::max(0, static_cast<int>(m_rows.size()) - 1));
  m_bof = false;
}

int TQuery::FieldIndex(const QString &name) const {
  for (int i = 0; i < m_fields.size(); ++i)
    if (m_fields[i].compare(name, Qt::CaseInsensitive) == 0) return i;
  return -1;
}

TField TQuery::FieldByName(const QString &name) const {
  const int i = FieldIndex(name);
  if (i < 0) throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(name));
  return Fields(i);
}

TField TQuery::Fields(int index) const {
  if (index < 0 || index >= m_fields.size())
    throw EDatabaseError(QStringLiteral("Field index out of range"));
  if (m_rows.isEmpty()) return TField(m_fields[index], QVariant());
  // Past the end the cursor stays on the last row, as the original data sets do.
  const int row = std::min(m_pos, static_cast<int>(m_rows.size()) - 1);
  return TField(m_fields[index], m_rows[row][index]);
}
