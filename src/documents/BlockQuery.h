#pragma once
// The rows of a list read in two steps. One query gives the rows in the list's order with
// their keys (and whatever every row must hold from the start); the other columns of a row are
// read together with its block of neighbouring rows, by their keys, the first time the row is
// drawn or used. A list over the whole store thus opens with little more than its keys. Without
// a block text the first query gives every column, as a plain query does.
//
// The calls follow the query's: a current record (1-based RecNo) that the windows move, and
// fields read by name from it.
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <vector>

#include "core/Query.h"

class TBlockQuery {
 public:
  using TRows = QVector<QVector<QVariant>>;
  explicit TBlockQuery(TConnection *connection = nullptr);

  // The rows in the list's order; its first column is the row's key, a whole number.
  QString SQL;
  // The further columns of the rows whose keys, separated by commas, stand for "%s"; its first
  // column is the key again. Empty: SQL gives every column.
  QString BlockSQL;
  // Works what SQL gave into the list's rows (their fields and order), for a list whose rows
  // the program works out from what it fetched; empty: the rows as SQL gave them.
  std::function<void(QStringList &fields, TRows &rows)> Arrange;

  // Runs SQL; the blocks are read as they are needed. A reopening that finds the connection
  // lost keeps the rows (and what was read of them) of the last opening.
  void Open();
  void Close();
  bool Active() const { return m_state.Active; }
  int RecordCount() const { return m_state.Rows.size(); }
  bool IsEmpty() const { return m_state.Rows.isEmpty(); }
  bool Eof() const { return m_state.Rows.isEmpty() || m_state.Pos >= m_state.Rows.size(); }
  void First() { m_state.Pos = 0; }
  int RecNo() const { return m_state.Pos + 1; }
  void SetRecNo(int recNo);

  // Fields: those of SQL first, then those of the block text (known once a block was read:
  // asking for a field reads the current row's block when none was). -1 when the list has none
  // of that name.
  int FieldIndex(const QString &name) const;
  // The value of a field of a row (null beyond the list, and for a row whose block held no row
  // for its key). Reading a block that fails raises EDatabaseError.
  QVariant Value(int row, int field) const;
  // A field of a row, of the current row; raises EDatabaseError for a field the list lacks. On
  // an empty list every field is null.
  TField Field(int row, const QString &name) const;
  TField FieldByName(const QString &name) const;
  // The first row (from 0) whose field shows the text; -1 when none. A field of SQL is searched
  // in what was fetched; any other reads every block.
  int Find(const QString &field, const QString &text, Qt::CaseSensitivity cs) const;

 private:
  // Reads the block of the row unless it was read.
  void ReadBlock(int row) const;
  int CurrentRow() const;

  // What a list holds: its rows and what was read of their blocks.
  struct TState {
    bool Active = false;
    QStringList Fields;
    TRows Rows;
    int Pos = 0;
    QString BlockSQL;         // the block text of these rows; empty: none
    QStringList BlockFields;  // its columns, once a block was read
    TRows BlockRows;          // per row: its block columns, once read
    std::vector<bool> Read;   // per block: read
  };
  static constexpr int kBlockSize = 200;
  TConnection *m_connection;
  mutable TState m_state;
  // The state of the last opening, kept while a reopening may fail.
  TState m_held;
};
