#pragma once
// The data module: the program's one database connection, the shared work queries, the
// setup tree, and the free routines through which everything sends SQL.
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "core/DataLists.h"
#include "core/Query.h"

class TSetupObject;

class TDATA {
 public:
  TDATA();
  ~TDATA();

  TConnection DB_Storage;
  TQuery Qtmp;        // row sets: list loading, setup tree source, ledger row loops
  TQuery Qtmp1;       // statements and single values
  TQuery Q_Storage;   // main window, catalogue mode
  TQuery Q_Storage1;  // main window, stock-by-colour mode
  std::unique_ptr<TSetupObject> Setup;

  // Database names kept by start-up for the switches of the connection.
  QString MainDatabase;
  QString SetupDatabase;
};

// The data module, created by start-up and alive for the whole run.
extern TDATA *DATA;

// SQL routines. None of them catches an error: a failing statement raises EDatabaseError.
int ExecSQL(const QString &sql);
int SQLInt(const QString &sql);          // -1: no row or NULL
double SQLFloat(const QString &sql);     // -1.0: no row; 0.0: NULL
QDateTime SQLDate(const QString &sql);   // today (midnight): no row or NULL
QString SQLText(const QString &sql);     // empty: no row or NULL
qint64 LastInsertID();                   // ID of the row this connection inserted last
QString DateTimeToSQL(const QDateTime &value);

// Text literals. Every text that reaches SQL goes through one of these: the text between
// double quotes with quotes and backslashes escaped by the server's rules.
QString QuoteSQL(const QString &text);
// Inside a like pattern: as QuoteSQL, but '%' and '_' stay wildcards and a backslash stays
// a backslash.
QString QuoteLike(const QString &text);
// The same, for the inside of a literal whose quotes the template writes itself ('"%s"').
QString EscapeSQL(const QString &text);
QString EscapeLike(const QString &text);

void LoadStrArray(TStrArray &array, const QString &sql);

// Transactions. A guard begins a transaction, or a savepoint inside an open one; Commit ends
// it; leaving the scope without Commit rolls it back.

// What the windows show while an outermost transaction runs (a busy cursor): the hook makes an
// object that shows it for as long as it lives. Unset: nothing is shown.
class TBusyIndicator {
 public:
  virtual ~TBusyIndicator() = default;
};
using TBusyHook = std::unique_ptr<TBusyIndicator> (*)();
TBusyHook &TransactionBusyHook();

class TTransaction {
 public:
  explicit TTransaction(TConnection *connection = nullptr);
  ~TTransaction();
  TTransaction(const TTransaction &) = delete;
  TTransaction &operator=(const TTransaction &) = delete;
  void Commit();
  void Rollback();
  bool Outermost() const { return m_level == 1; }

 private:
  TConnection *m_connection;
  int m_level;
  bool m_done = false;
  std::unique_ptr<TBusyIndicator> m_busy;  // the outermost transaction's
};

// Runs an action in one transaction. A deadlock or lock-wait timeout (on a cluster also a
// write that lost to another node's at commit) is retried after a randomised, growing pause,
// for about kRetryMilliseconds in all, before it is passed on. A lost connection is passed on
// at once; when it was lost during the COMMIT, as ECommitUnknown.
constexpr int kRetryMilliseconds = 2000;
void RunInTransaction(const std::function<void()> &action);

// The second line of a failure that other clients caused: the action was retried until it
// made no sense to go on.
extern const char *const ConcurrentChangeText;

// What a window shows when its action failed: the action's own text (never the server's),
// followed by the reason when the connection to the server was lost or other users kept
// changing the same stock; for a COMMIT whose answer was lost, that it is not known whether
// the document (its number when given) was saved.
QString FailureText(const std::exception &e, const QString &actionText, const QString &document = QString());
