#pragma once
// The connection and query objects through which the program reaches the server: a query
// opens its result stored on the client and walks it by row; fields are read by name.
#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <stdexcept>

class EDatabaseError : public std::runtime_error {
 public:
  EDatabaseError(const QString &message, int nativeCode = 0)
      : std::runtime_error(message.toStdString()), m_code(nativeCode) {}
  int NativeCode() const { return m_code; }
  // Deadlock or lock-wait timeout: the statement may succeed when retried.
  bool IsRetryable() const { return m_code == 1213 || m_code == 1205; }

 private:
  int m_code;
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

  // Transaction depth of the guard (0: none).
  int TransactionDepth = 0;
  // Statements sent since the connection opened (statement-count budgets).
  qint64 StatementCount = 0;
  qint64 CommitCount = 0;

 private:
  QString m_name;
  QSqlDatabase m_db;
};

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
  TConnection *m_connection;
  bool m_active = false;
  bool m_bof = true;
  int m_pos = 0;
  QStringList m_fields;
  QVector<QVector<QVariant>> m_rows;
};
