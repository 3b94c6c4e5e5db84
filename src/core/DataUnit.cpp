#include "core/DataUnit.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QThread>
#include <algorithm>

#include "core/ColorList.h"
#include "core/CommonVariables.h"
#include "core/SetupObject.h"
#include "platform/Clock.h"
#include "platform/SysUtils.h"

TDATA *DATA = nullptr;

const char *const ConcurrentChangeText =
    "Other users were changing the same stock at the same time. Please try again.";

TDATA::TDATA() : DB_Storage(QStringLiteral("DB_Storage")), Setup(std::make_unique<TSetupObject>()) {}

TDATA::~TDATA() {
  if (Setup) Setup->Clear();
  FreeColors();
}

int ExecSQL(const QString &sql) {
  DATA->Qtmp1.SQL = sql;
  DATA->Qtmp1.ExecSQL();
  return 1;
}

int SQLInt(const QString &sql) {
  TQuery &q = DATA->Qtmp1;
  q.SQL = sql;
  q.Open();
  int result = -1;
  if (!q.IsEmpty()) {
    const TField f = q.Fields(0);
    if (!f.IsNull() && !f.AsString().isEmpty()) result = f.AsInteger();
  }
  q.Close();
  return result;
}

double SQLFloat(const QString &sql) {
  TQuery &q = DATA->Qtmp1;
  q.SQL = sql;
  q.Open();
  double result = -1.0;
  if (!q.IsEmpty()) result = q.Fields(0).AsFloat();
  q.Close();
  return result;
}

QDateTime SQLDate(const QString &sql) {
  TQuery &q = DATA->Qtmp1;
  q.SQL = sql;
  q.Open();
  QDateTime result(Clock::Today(), QTime(0, 0));
  if (!q.IsEmpty() && !q.Fields(0).IsNull()) {
    const QDateTime v = q.Fields(0).AsDateTime();
    if (v.isValid()) result = v;
  }
  q.Close();
  return result;
}

QString SQLText(const QString &sql) {
  TQuery &q = DATA->Qtmp1;
  q.SQL = sql;
  q.Open();
  const QString result = q.IsEmpty() ? QString() : q.Fields(0).AsString();
  q.Close();
  return result;
}

qint64 LastInsertID() {
  if (DATA->DB_Storage.InsertID > 0) return DATA->DB_Storage.InsertID;
  TQuery &q = DATA->Qtmp1;
  q.SQL = QStringLiteral("select LAST_INSERT_ID()");
  q.Open();
  const qint64 id = q.IsEmpty() ? -1 : q.Fields(0).AsLargeInt();
  q.Close();
  return id;
}

QString DateTimeToSQL(const QDateTime &value) {
  return QuoteSQL(FormatDateTime(QStringLiteral("yyyy-mm-dd hh:nn:ss"), value));
}

QString EscapeSQL(const QString &text) {
  QString out;
  out.reserve(text.size() + 8);
  for (QChar c : text) {
    switch (c.unicode()) {
      case '\\': out += QStringLiteral("\\\\"); break;
      case '"': out += QStringLiteral("\\\""); break;
      case '\'': out += QStringLiteral("\\'"); break;
      case 0: out += QStringLiteral("\\0"); break;
      case 26: out += QStringLiteral("\\Z"); break;
      default: out += c;
    }
  }
  return out;
}

QString EscapeLike(const QString &text) {
  // In a like pattern the backslash is the escape character: a typed backslash must reach
  // the pattern as two, so that it matches itself; '%' and '_' stay wildcards.
  QString out;
  out.reserve(text.size() + 8);
  for (QChar c : text) {
    if (c == QLatin1Char('\\')) out += QStringLiteral("\\\\\\\\");
    else out += EscapeSQL(QString(c));
  }
  return out;
}

QString QuoteSQL(const QString &text) { return QLatin1Char('"') + EscapeSQL(text) + QLatin1Char('"'); }
QString QuoteLike(const QString &text) { return QLatin1Char('"') + EscapeLike(text) + QLatin1Char('"'); }

void LoadStrArray(TStrArray &array, const QString &sql) {
  array.clear();
  TQuery &q = DATA->Qtmp;
  q.SQL = sql;
  q.Open();
  for (q.First(); !q.Eof(); q.Next()) array << q.Fields(0).AsString();
  q.Close();
}

TBusyHook &TransactionBusyHook() {
  static TBusyHook hook = nullptr;
  return hook;
}

TTransaction::TTransaction(TConnection *connection)
    : m_connection(connection ? connection : &DATA->DB_Storage) {
  m_level = m_connection->TransactionDepth + 1;
  // The outermost guard is where an action meets the connection first: a connection lost
  // earlier is opened again here.
  if (m_level == 1) {
    m_connection->LockedMaterials.clear();
    m_connection->Exec(QStringLiteral("START TRANSACTION"));
  }
  else m_connection->Exec(QStringLiteral("SAVEPOINT wh_sp%1").arg(m_level));
  m_connection->TransactionDepth = m_level;
  // A posting is not cancellable: the windows show that the program works on it.
  if (m_level == 1 && TransactionBusyHook()) m_busy = TransactionBusyHook()();
}

TTransaction::~TTransaction() {
  if (m_done) return;
  try {
    Rollback();
  } catch (...) {
    // the connection is gone: the server has rolled back already
  }
}

void TTransaction::Commit() {
  if (m_done) return;
  // A statement of this transaction found the connection broken: the server has rolled it
  // back, so nothing was saved (the destructor only forgets the transaction).
  if (m_connection->Lost())
    throw EDatabaseError(QString::fromLatin1(ConnectionLostText), 2006,
                         QStringLiteral("the transaction's connection is gone"));
  // The statement goes out while the transaction still counts as open, so that a broken
  // connection is never replaced by a fresh one for it.
  if (m_level == 1) {
    try {
      m_connection->Exec(QStringLiteral("COMMIT"));
    } catch (const EDatabaseError &e) {
      if (!e.IsConnectionLost()) throw;
      m_done = true;
      m_connection->TransactionDepth = 0;
      throw ECommitUnknown(e);
    }
    ++m_connection->CommitCount;
  } else {
    m_connection->Exec(QStringLiteral("RELEASE SAVEPOINT wh_sp%1").arg(m_level));
  }
  m_done = true;
  m_connection->TransactionDepth = m_level - 1;
}

void TTransaction::Rollback() {
  if (m_done) return;
  m_done = true;
  struct TLeave {
    TConnection *c;
    int depth;
    ~TLeave() { c->TransactionDepth = depth; }
  } leave{m_connection, m_level - 1};
  // On a lost connection the server has rolled everything back already.
  if (m_connection->Lost()) return;
  if (m_level == 1) m_connection->Exec(QStringLiteral("ROLLBACK"));
  else m_connection->Exec(QStringLiteral("ROLLBACK TO SAVEPOINT wh_sp%1").arg(m_level));
}

void RunInTransaction(const std::function<void()> &action) {
  QElapsedTimer spent;
  spent.start();
  int pause = 10;  // ms: grows with every attempt
  bool reopened = false;
  for (;;) {
    try {
      TTransaction tr;
      action();
      tr.Commit();
      return;
    } catch (const EDatabaseError &e) {
      // Only the outermost transaction may retry: an inner one is rolled back with it. A lost
      // connection is never retried: a COMMIT whose answer was lost may have saved everything.
      if (e.IsConnectionLost() || DATA->DB_Storage.TransactionDepth > 0) throw;
      if (e.IsUnparsed() && !reopened) {
        // A cluster node that has just joined may keep open copies of tables whose triggers
        // it read wrongly, while the stored triggers are sound: the server's tables are
        // closed (on this server alone) and the action runs once more, reading them again.
        // Where that is not allowed, or the statement itself is at fault, it fails as it is.
        reopened = true;
        bool closed = true;
        try {
          DATA->DB_Storage.Exec(QStringLiteral("FLUSH LOCAL TABLES"));
        } catch (const EDatabaseError &) {
          closed = false;
        }
        if (closed) continue;
        throw;
      }
      if (!e.IsRetryable()) throw;
      // A randomised pause, so that the clients that collided do not collide again, for about
      // two seconds in all.
      const int wait = pause / 2 + int(QRandomGenerator::global()->bounded(pause));
      if (spent.elapsed() + wait > kRetryMilliseconds) throw;
      QThread::msleep(wait);
      pause = std::min(pause * 2, 400);
    }
  }
}

QString FailureText(const std::exception &e, const QString &actionText, const QString &document) {
  if (dynamic_cast<const ECommitUnknown *>(&e)) {
    const QString head = document.isEmpty() ? QStringLiteral("Not known whether saved.")
                                            : QStringLiteral("Document %1: not known whether saved.").arg(document);
    return head + QStringLiteral("\nThe connection to the database server was lost while it was being saved. "
                                 "Look for it in the journal before saving it again.");
  }
  const auto *db = dynamic_cast<const EDatabaseError *>(&e);
  const bool lost = (db && db->IsConnectionLost()) || (DATA && DATA->DB_Storage.Lost());
  if (!lost) {
    // Retried for as long as it made sense: other clients held what the action needed.
    if (db && db->IsRetryable()) return actionText + QLatin1Char('\n') + QString::fromLatin1(ConcurrentChangeText);
    return actionText;
  }
  if (actionText.isEmpty()) return QString::fromLatin1(ConnectionLostText);
  return actionText + QLatin1Char('\n') + QString::fromLatin1(ConnectionLostText);
}
