#include "platform/RowGrid.h"

#include <QBrush>
#include <QHeaderView>
#include <QItemSelectionModel>

void TRowGridModel::SetTitles(const QStringList &titles) {
  m_titles = titles;
  emit headerDataChanged(Qt::Horizontal, 0, std::max(0, m_columns - 1));
}

void TRowGridModel::SetColumnCount(int count) {
  beginResetModel();
  m_columns = std::max(0, count);
  endResetModel();
}

void TRowGridModel::SetRows(int rows, TCellFunction cell) {
  beginResetModel();
  m_rows = cell ? std::max(0, rows) : 0;
  m_cell = std::move(cell);
  endResetModel();
}

TRowGridCell TRowGridModel::Cell(int row, int column) const {
  if (row < 0 || row >= m_rows || column < 0 || column >= m_columns || !m_cell) return {};
  return m_cell(row, column);
}

int TRowGridModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_rows; }

int TRowGridModel::columnCount(const QModelIndex &parent) const {
  return parent.isValid() ? 0 : m_columns;
}

QVariant TRowGridModel::data(const QModelIndex &index, int role) const {
  if (!index.isValid()) return {};
  switch (role) {
    case Qt::DisplayRole:
      return Cell(index.row(), index.column()).Text;
    case Qt::TextAlignmentRole:
      return int(Cell(index.row(), index.column()).Alignment);
    case Qt::ForegroundRole: {
      const QColor c = Cell(index.row(), index.column()).Colour;
      return c.isValid() ? QVariant(QBrush(c)) : QVariant();
    }
    default:
      return {};
  }
}

QVariant TRowGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  return m_titles.value(section);
}

TRowGrid::TRowGrid(QWidget *parent) : QTableView(parent), m_model(this) {
  setModel(&m_model);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Rows of one height: the view needs not measure a hundred thousand of them.
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex &now, const QModelIndex &before) {
            emit currentCellChanged(now.isValid() ? now.row() : -1, now.isValid() ? now.column() : -1,
                                    before.isValid() ? before.row() : -1,
                                    before.isValid() ? before.column() : -1);
          });
  connect(this, &QAbstractItemView::doubleClicked, this,
          [this](const QModelIndex &index) { emit cellDoubleClicked(index.row(), index.column()); });
}

void TRowGrid::setColumnCount(int count) { m_model.SetColumnCount(count); }

void TRowGrid::setHorizontalHeaderLabels(const QStringList &titles) {
  if (titles.size() > m_model.columnCount()) m_model.SetColumnCount(int(titles.size()));
  m_model.SetTitles(titles);
}

void TRowGrid::SetRows(int rows, TRowGridModel::TCellFunction cell) { m_model.SetRows(rows, std::move(cell)); }

int TRowGrid::currentRow() const {
  const QModelIndex i = currentIndex();
  return i.isValid() ? i.row() : -1;
}

int TRowGrid::currentColumn() const {
  const QModelIndex i = currentIndex();
  return i.isValid() ? i.column() : -1;
}

void TRowGrid::setCurrentCell(int row, int column) {
  const QModelIndex i = m_model.index(row, column);
  if (!i.isValid()) {
    setCurrentIndex(QModelIndex());
    return;
  }
  setCurrentIndex(i);
}

TRowGridItem TRowGrid::item(int row, int column) const {
  const bool exists = row >= 0 && row < rowCount() && column >= 0 && column < columnCount();
  return TRowGridItem(exists, exists ? m_model.Cell(row, column).Text : QString());
}
