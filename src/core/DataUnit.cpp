#include "core/DataUnit.h"

#include <QThread>

#include "core/ColorList.h"
#include "core/CommonVariables.h"
#include "core/DataLists.h"
#include "core/IDComboBox.h"
#include "core/SetupObject.h"
#include "platform/Application.h"
#include "platform/Clock.h"
#include "platform/Grids.h"
#include "platform/SysUtils.h"

TDATA *DATA = nullptr;

TDATA::TDATA() : DB_Storage(QStringLiteral("DB_Storage")), Setup(std::make_unique<TSetupObject>()) {
  ViewMode = 0;
}

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

qint64 LastInsertID() {
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

void FillIDComboSQL(TIDComboBox *combo, const QString &sql, bool addEmpty) {
  if (addEmpty) combo->AddItem(QString(), -1, QString(), 0);
  TQuery &q = DATA->Qtmp;
  q.SQL = sql;
  q.Open();
  for (q.First(); !q.Eof(); q.Next())
    combo->AddItem(q.Fields(0).AsString(), q.Fields(1).AsInteger(), q.Fields(0).AsString(), 0);
  q.Close();
}

void LoadStrArray(TStrArray &array, const QString &sql) {
  array.clear();
  TQuery &q = DATA->Qtmp;
  q.SQL = sql;
  q.Open();
  for (q.First(); !q.Eof(); q.Next()) array << q.Fields(0).AsString();
  q.Close();
}

bool FindGridRow(int &row, QTableWidget *widget, int catId, int color) {
  auto *grid = qobject_cast<TStringGrid *>(widget);
  row = 1;
  if (!grid) return false;
  while (row < grid->RowCount()) {
    auto *obj = grid->ObjectAs<TAddObj>(0, row);
    ++row;
    if (obj && obj->N2 == catId && obj->N3 == color) return true;
  }
  return false;
}

TTransaction::TTransaction(TConnection *connection)
    : m_connection(connection ? connection : &DATA->DB_Storage) {
  m_level = m_connection->TransactionDepth + 1;
  // The outermost guard is where an action meets the connection first: a connection lost
  // earlier is opened again here.
  if (m_level == 1) m_connection->Exec(QStringLiteral("START TRANSACTION"));
  else m_connection->Exec(QStringLiteral("SAVEPOINT wh_sp%1").arg(m_level));
  m_connection->TransactionDepth = m_level;
  // A posting is not cancellable: the busy cursor says the program works on it.
  if (m_level == 1) m_busy = std::make_unique<TBusyCursor>();
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

void RunInTransaction(const std::function<void()> &action, int attempts) {
  for (int attempt = 1;; ++attempt) {
    try {
      TTransaction tr;
      action();
      tr.Commit();
      return;
    } catch (const EDatabaseError &e) {
      // Only the outermost transaction may retry: an inner one is rolled back with it. A lost
      // connection is never retried: a COMMIT whose answer was lost may have saved everything.
      if (!e.IsRetryable() || e.IsConnectionLost() || attempt >= attempts ||
          DATA->DB_Storage.TransactionDepth > 0)
        throw;
      QThread::msleep(20 * attempt);
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
  if (!lost) return actionText;
  if (actionText.isEmpty()) return QString::fromLatin1(ConnectionLostText);
  return actionText + QLatin1Char('\n') + QString::fromLatin1(ConnectionLostText);
}
