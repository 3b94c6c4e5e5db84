#pragma once
// The connection and query objects through which the program reaches the server: a query
// opens its result stored on the client and walks it by row; fields are read by name.
#include <QDateTime>
#include <QElapsedTimer>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <stdexcept>

class QSqlError;

// What the user reads when the server cannot be reached; the driver's own text stays in
// EDatabaseError::Detail.
extern const char *const ConnectionLostText;

class EDatabaseError : public std::runtime_error {
 public:
  EDatabaseError(const QString &message, int nativeCode = 0, const QString &detail = QString())
      : std::runtime_error(message.toStdString()), m_code(nativeCode), m_detail(detail) {}
  int NativeCode() const { return m_code; }
  // The driver's text, when the message shown is the program's own.
  QString Detail() const { return m_detail; }
  // Deadlock or lock-wait timeout: the statement may succeed when retried.
  bool IsRetryable() const { return m_code == 1213 || m_code == 1205; }
  // A statement the server could not parse; among them a table's triggers that a cluster node
  // read wrongly into its open copy of the table ("Trigger ... has an error in its body", which
  // the server answers as a parse error or as one of the two trigger-body errors).
  bool IsUnparsed() const { return m_code == 1064 || m_code == 1710 || m_code == 1711; }
  // The server went away, the connection broke or was killed, or none could be made; or a
  // cluster node answers that it is not ready to serve.
  bool IsConnectionLost() const { return IsConnectionLostCode(m_code); }
  static bool IsConnectionLostCode(int code);

 private:
  int m_code;
  QString m_detail;
};

// The connection broke while COMMIT was under way: the server may have saved the transaction
// or not. Never retried.
class ECommitUnknown : public EDatabaseError {
 public:
  explicit ECommitUnknown(const EDatabaseError &cause);
};

class TConnection {
 public:
  explicit TConnection(const QString &connectionName);
  ~TConnection();
  TConnection(const TConnection &) = delete;
  TConnection &operator=(const TConnection &) = delete;

  QString HostName = QStringLiteral("localhost");
  QString Port = QStringLiteral("3306");
  QString Database = QStringLiteral("ZDP_FULL");
  QString User;
  QString Password;

  // Opens the connection with the settings above; raises EDatabaseError on failure.
  void Connect();
  void Disconnect();
  bool Connected() const;
  QSqlDatabase &Db() { return m_db; }
  QString Name() const { return m_name; }

  // Runs one statement; raises EDatabaseError on failure.
  void Exec(const QString &sql);

  // Lost connections. A statement that finds the connection broken fails with the
  // ConnectionLostText error and closes it; the next statement outside a transaction opens it
  // again (Connect, with the session settings), while every further statement of the broken
  // transaction fails too, since the server has rolled it back. The driver never reconnects
  // by itself.
  bool Lost() const { return m_lost; }
  // Called by the query layer around every statement: BeginStatement reopens a lost
  // connection when no transaction is open and checks one that stood idle; FailStatement
  // turns a driver error into EDatabaseError, marking the connection lost when it is.
  void BeginStatement(const QString &sql);
  [[noreturn]] void FailStatement(const QSqlError &error);
  // After a statement that ran: notes the AUTO_INCREMENT value it generated, if any (the
  // client library has it from the server's answer; no statement is needed to ask for it).
  void EndStatement(const QSqlQuery &q) {
    m_idle.start();
    const QVariant id = q.lastInsertId();
    if (id.isValid() && id.toLongLong() > 0) InsertID = id.toLongLong();
  }
  // Seen before each statement is sent (tests break the connection at a chosen statement).
  std::function<void(const QString &sql)> OnStatement;

  // Transaction depth of the guard (0: none).
  int TransactionDepth = 0;
  // The materials whose lock rows the open transaction has written (MaterialPosting.h).
  QSet<int> LockedMaterials;
  // The AUTO_INCREMENT value of the first row of the last INSERT on this session that stored
  // one (0: none since the session opened): right after an INSERT that generated IDs, what
  // LAST_INSERT_ID() answers.
  qint64 InsertID = 0;
  // The step between the AUTO_INCREMENT values that one multi-row INSERT gets when the server
  // hands them out consecutively (its lock mode 0 or 1), 0 when it may interleave them with
  // other sessions' (mode 2, as on a cluster): then the new rows' IDs must be read back.
  qint64 ConsecutiveIDStep = 0;
  // Statements sent since the connection opened (statement-count budgets).
  qint64 StatementCount = 0;
  qint64 CommitCount = 0;

 private:
  [[noreturn]] void ThrowLost(const QString &detail, int code);
  QString m_name;
  QSqlDatabase m_db;
  bool m_lost = false;
  QElapsedTimer m_idle;  // since the last statement ended
};

// Runs read, which only reads; when it meets a lost connection (or a cluster node that is not
// ready) outside a transaction, runs it once more: that opens a fresh connection, which
// through a cluster's proxy reaches another node. A second failure is raised.
template <class F>
auto ReadOnceMore(TConnection &connection, F read) -> decltype(read()) {
  try {
    return read();
  } catch (const EDatabaseError &e) {
    if (!e.IsConnectionLost() || connection.TransactionDepth > 0) throw;
  }
  return read();
}

class TField {
 public:
  TField() = default;
  TField(const QString &name, const QVariant &value) : m_name(name), m_value(value) {}
  QString FieldName() const { return m_name; }
  bool IsNull() const { return m_value.isNull(); }
  QVariant Value() const { return m_value; }
  int AsInteger() const;
  qint64 AsLargeInt() const;
  double AsFloat() const;
  QString AsString() const;
  QDateTime AsDateTime() const;
  QDate AsDate() const { return AsDateTime().date(); }

 private:
  QString m_name;
  QVariant m_value;
};

class TQuery {
 public:
  explicit TQuery(TConnection *connection = nullptr);
  QString SQL;
  // Called now and then while Open takes the rows of a large result over (each FetchStep
  // rows); an error it raises ends the opening with the query closed.
  std::function<void()> OnFetch;
  static constexpr int FetchStep = 1024;

  void Open();           // runs SQL and stores its rows
  void Close();
  void ExecSQL();        // runs SQL as a statement
  bool Active() const { return m_active; }

  int RecordCount() const { return m_rows.size(); }
  bool IsEmpty() const { return m_rows.isEmpty(); }
  bool Eof() const { return m_rows.isEmpty() || m_pos >= m_rows.size(); }
  bool Bof() const { return m_bof; }
  void First();
  void Next();
  void Prior();
  void Last();
  int RecNo() const { return m_pos + 1; }  // 1-based
  void SetRecNo(int recNo);

  int FieldCount() const { return m_fields.size(); }
  QString FieldName(int index) const { return m_fields.value(index); }
  int FieldIndex(const QString &name) const;  // -1 when missing (case-insensitive)
  TField FieldByName(const QString &name) const;  // raises EDatabaseError when missing
  TField Fields(int index) const;
  const QStringList &FieldNames() const { return m_fields; }
  const QVector<QVector<QVariant>> &Rows() const { return m_rows; }

  TConnection *Connection() const;

 private:
  void KeepHeldRows();
  TConnection *m_connection;
  bool m_active = false;
  bool m_bof = true;
  int m_pos = 0;
  QStringList m_fields;
  QVector<QVector<QVariant>> m_rows;
  // The rows of the last Close: a reopening that cannot reach the server keeps them, so that
  // the grids showing them stay filled until the server is back.
  bool m_heldActive = false;
  int m_heldPos = 0;
  QStringList m_heldFields;
  QVector<QVector<QVariant>> m_heldRows;
};
