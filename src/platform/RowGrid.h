#pragma once
// A read-only list grid whose cells are produced on demand from the rows a window fetched,
// instead of one widget item per cell: filling it costs the same for ten rows or a hundred
// thousand. It keeps the calls of a table widget that the windows use (rows, current cell,
// the text of a cell, the current-cell and double-click signals).
#include <QAbstractTableModel>
#include <QColor>
#include <QStringList>
#include <QTableView>
#include <functional>

// The text of one cell, as item(row, column)->text() reads it.
class TRowGridItem {
 public:
  TRowGridItem(bool exists, const QString &text) : m_exists(exists), m_text(text) {}
  QString text() const { return m_text; }
  const TRowGridItem *operator->() const { return this; }
  // False outside the grid's rows and columns, as a missing item.
  explicit operator bool() const { return m_exists; }

 private:
  bool m_exists;
  QString m_text;
};

// What a cell shows.
struct TRowGridCell {
  QString Text;
  Qt::Alignment Alignment = Qt::AlignLeft | Qt::AlignVCenter;
  QColor Colour;  // invalid: the grid's text colour
};

class TRowGridModel : public QAbstractTableModel {
 public:
  using TCellFunction = std::function<TRowGridCell(int row, int column)>;
  using QAbstractTableModel::QAbstractTableModel;

  void SetTitles(const QStringList &titles);
  void SetColumnCount(int count);
  void SetRows(int rows, TCellFunction cell);
  TRowGridCell Cell(int row, int column) const;

  int rowCount(const QModelIndex &parent = QModelIndex()) const override;
  int columnCount(const QModelIndex &parent = QModelIndex()) const override;
  QVariant data(const QModelIndex &index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  QStringList m_titles;
  int m_columns = 0;
  int m_rows = 0;
  TCellFunction m_cell;
};

class TRowGrid : public QTableView {
  Q_OBJECT
 public:
  explicit TRowGrid(QWidget *parent = nullptr);

  void setColumnCount(int count);
  void setHorizontalHeaderLabels(const QStringList &titles);
  // Shows `rows` rows whose cells the function gives when they are drawn or read; the
  // function must answer for every row below `rows` until the next call. No current cell.
  void SetRows(int rows, TRowGridModel::TCellFunction cell);
  void clearContents() { SetRows(0, {}); }

  int rowCount() const { return m_model.rowCount(); }
  int columnCount() const { return m_model.columnCount(); }
  int currentRow() const;
  int currentColumn() const;
  void setCurrentCell(int row, int column);
  // The text of a cell (none outside the rows).
  TRowGridItem item(int row, int column) const;
  TRowGridModel *Model() { return &m_model; }

 signals:
  void currentCellChanged(int row, int column, int previousRow, int previousColumn);
  void cellDoubleClicked(int row, int column);

 private:
  TRowGridModel m_model;
};
