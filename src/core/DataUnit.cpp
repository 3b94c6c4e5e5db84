#include "core/DataUnit.h"

#include <QThread>

#include "core/ColorList.h"
#include "core/CommonVariables.h"
#include "core/DataLists.h"
#include "core/IDComboBox.h"
#include "core/SetupObject.h"
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
  if (m_level == 1) m_connection->Exec(QStringLiteral("START TRANSACTION"));
  else m_connection->Exec(QStringLiteral("SAVEPOINT wh_sp%1").arg(m_level));
  m_connection->TransactionDepth = m_level;
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
  m_done = true;
  m_connection->TransactionDepth = m_level - 1;
  if (m_level == 1) {
    m_connection->Exec(QStringLiteral("COMMIT"));
    ++m_connection->CommitCount;
  } else {
    m_connection->Exec(QStringLiteral("RELEASE SAVEPOINT wh_sp%1").arg(m_level));
  }
}

void TTransaction::Rollback() {
  if (m_done) return;
  m_done = true;
  m_connection->TransactionDepth = m_level - 1;
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
      // Only the outermost transaction may retry: an inner one is rolled back with it.
      if (!e.IsRetryable() || attempt >= attempts || DATA->DB_Storage.TransactionDepth > 0) throw;
      QThread::msleep(20 * attempt);
    }
  }
}
