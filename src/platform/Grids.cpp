#include "platform/Grids.h"

#include <QHeaderView>

TStringGrid::TStringGrid(QWidget *parent) : QTableWidget(parent) {
  setRowCount(1);
  setColumnCount(5);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  verticalHeader()->setVisible(false);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
}

TStringGrid::~TStringGrid() {
  qDeleteAll(m_objects);
  m_objects.clear();
}

void TStringGrid::SetRowCount(int count) {
  count = std::max(count, 2);
  for (int r = count; r < RowCount(); ++r) FreeObjectsOfRow(r);
  setRowCount(count - 1);
}

void TStringGrid::SetColCount(int count) { setColumnCount(count); }

QTableWidgetItem *TStringGrid::ItemAt(int col, int row, bool create) const {
  auto *self = const_cast<TStringGrid *>(this);
  if (row == 0) {
    QTableWidgetItem *h = horizontalHeaderItem(col);
    if (!h && create) {
      h = new QTableWidgetItem;
      self->setHorizontalHeaderItem(col, h);
    }
    return h;
  }
  if (row < 1 || row >= RowCount() || col < 0 || col >= columnCount()) return nullptr;
  QTableWidgetItem *it = item(row - 1, col);
  if (!it && create) {
    it = new QTableWidgetItem;
    self->setItem(row - 1, col, it);
  }
  return it;
}

QString TStringGrid::Cells(int col, int row) const {
  const QTableWidgetItem *it = ItemAt(col, row, false);
  return it ? it->text() : QString();
}

void TStringGrid::SetCells(int col, int row, const QString &text) {
  if (QTableWidgetItem *it = ItemAt(col, row, true)) it->setText(text);
}

TGridObject *TStringGrid::Objects(int col, int row) const {
  QTableWidgetItem *it = ItemAt(col, row, false);
  return it ? m_objects.value(it, nullptr) : nullptr;
}

void TStringGrid::SetObjects(int col, int row, TGridObject *object) {
  QTableWidgetItem *it = ItemAt(col, row, true);
  if (!it) {
    delete object;
    return;
  }
  TGridObject *old = m_objects.take(it);
  if (old != object) delete old;
  if (object) m_objects.insert(it, object);
}

int TStringGrid::Row() const {
  const int r = currentRow();
  return r < 0 ? 0 : r + 1;
}

void TStringGrid::SetRow(int row) {
  if (row >= 1 && row < RowCount()) setCurrentCell(row - 1, std::max(0, currentColumn()));
}

void TStringGrid::FreeObjectsOfRow(int row) {
  for (int c = 0; c < columnCount(); ++c) {
    QTableWidgetItem *it = ItemAt(c, row, false);
    if (it) delete m_objects.take(it);
  }
}

void TStringGrid::DeleteRow(int row) {
  if (row < 1 || row >= RowCount()) return;
  FreeObjectsOfRow(row);
  if (RowCount() <= 2) {
    // the last data row is emptied, never removed
    for (int c = 0; c < columnCount(); ++c) SetCells(c, 1, QString());
    return;
  }
  removeRow(row - 1);
}

void TStringGrid::ClearRows() {
  for (int r = 1; r < RowCount(); ++r) FreeObjectsOfRow(r);
  setRowCount(1);
  for (int c = 0; c < columnCount(); ++c) {
    if (QTableWidgetItem *it = item(0, c)) it->setText(QString());
  }
}
