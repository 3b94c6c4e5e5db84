#include "documents/BlockQuery.h"

#include <QMultiHash>
#include <algorithm>

TBlockQuery::TBlockQuery(TConnection *connection) : m_connection(connection) {}

void TBlockQuery::Open() {
  Close();
  TQuery q(m_connection);
  q.SQL = SQL;
  try {
    q.Open();
  } catch (const EDatabaseError &e) {
    // As a query does: a lost connection keeps the rows of the last opening on show.
    if (e.IsConnectionLost()) m_state = std::move(m_held);
    m_held = TState();
    throw;
  }
  m_held = TState();
  TState s;
  s.Fields = q.FieldNames();
  s.Rows = q.Rows();
  q.Close();
  if (Arrange) Arrange(s.Fields, s.Rows);
  s.Active = true;
  s.BlockSQL = BlockSQL;
  if (!s.BlockSQL.isEmpty()) {
    s.BlockRows.resize(s.Rows.size());
    s.Read.assign((s.Rows.size() + kBlockSize - 1) / kBlockSize, false);
  }
  m_state = std::move(s);
}

void TBlockQuery::Close() {
  if (m_state.Active) m_held = std::move(m_state);
  m_state = TState();
}

void TBlockQuery::SetRecNo(int recNo) {
  m_state.Pos = std::clamp(recNo - 1, 0, std::max(0, RecordCount() - 1));
}

void TBlockQuery::ReadBlock(int row) const {
  if (m_state.BlockSQL.isEmpty() || row < 0 || row >= RecordCount()) return;
  const int block = row / kBlockSize;
  if (m_state.Read[block]) return;
  const int from = block * kBlockSize, to = std::min(from + kBlockSize, RecordCount());
  QStringList keys;
  QMultiHash<qint64, int> rowsOf;
  for (int r = from; r < to; ++r) {
    const QVariant &key = m_state.Rows[r].value(0);
    if (key.isNull()) continue;
    const qint64 k = key.toLongLong();
    if (!rowsOf.contains(k)) keys << QString::number(k);
    rowsOf.insert(k, r);
  }
  if (!keys.isEmpty()) {
    TQuery q(m_connection);
    q.SQL = QString(m_state.BlockSQL).replace(QStringLiteral("%s"), keys.join(QLatin1Char(',')));
    q.Open();
    if (m_state.BlockFields.isEmpty()) m_state.BlockFields = q.FieldNames();
    for (const QVector<QVariant> &values : q.Rows())
      for (int r : rowsOf.values(values.value(0).toLongLong())) m_state.BlockRows[r] = values;
  }
  m_state.Read[block] = true;
}

int TBlockQuery::FieldIndex(const QString &name) const {
  for (int f = 0; f < m_state.Fields.size(); ++f)
    if (m_state.Fields[f].compare(name, Qt::CaseInsensitive) == 0) return f;
  if (m_state.BlockSQL.isEmpty()) return -1;
  if (m_state.BlockFields.isEmpty() && !IsEmpty()) ReadBlock(CurrentRow());
  for (int f = 0; f < m_state.BlockFields.size(); ++f)
    if (m_state.BlockFields[f].compare(name, Qt::CaseInsensitive) == 0) return m_state.Fields.size() + f;
  return -1;
}

QVariant TBlockQuery::Value(int row, int field) const {
  if (row < 0 || row >= RecordCount() || field < 0) return QVariant();
  if (field < m_state.Fields.size()) return m_state.Rows[row].value(field);
  ReadBlock(row);
  return m_state.BlockRows.value(row).value(field - m_state.Fields.size());
}

int TBlockQuery::CurrentRow() const {
  // Past the end the cursor stays on the last row, as the query's does.
  return std::min(m_state.Pos, RecordCount() - 1);
}

TField TBlockQuery::Field(int row, const QString &name) const {
  if (IsEmpty()) return TField(name, QVariant());
  const int f = FieldIndex(name);
  if (f < 0) throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(name));
  return TField(name, Value(row, f));
}

TField TBlockQuery::FieldByName(const QString &name) const { return Field(CurrentRow(), name); }

int TBlockQuery::Find(const QString &field, const QString &text, Qt::CaseSensitivity cs) const {
  if (IsEmpty()) return -1;
  const int f = FieldIndex(field);
  if (f < 0) return -1;
  for (int r = 0; r < RecordCount(); ++r)
    if (TField(field, Value(r, f)).AsString().compare(text, cs) == 0) return r;
  return -1;
}
