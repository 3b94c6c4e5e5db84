#include "platform/Grids.h"

#include <QHeaderView>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <algorithm>

namespace {
// A cell that owns its object: whatever removes the cell (a row deleted, the row count
// lowered, the contents cleared by any QTableWidget call) frees the object with it, so an
// object can never outlive its row or turn up in a cell created later.
class TGridItem : public QTableWidgetItem {
 public:
  TGridItem() : QTableWidgetItem(UserType) {}
  explicit TGridItem(const QTableWidgetItem &other) : QTableWidgetItem(other) {}
  QTableWidgetItem *clone() const override {  // without the object
    return new TGridItem(static_cast<const QTableWidgetItem &>(*this));
  }
  std::unique_ptr<TGridObject> Object;
};
}  // namespace

TStringGrid::TStringGrid(QWidget *parent) : QTableWidget(parent) {
  setRowCount(1);
  setColumnCount(5);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setItemPrototype(new TGridItem);  // cells made by editing own their objects too
  verticalHeader()->setVisible(false);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
}

TStringGrid::~TStringGrid() = default;

void TStringGrid::SetRowCount(int count) {
  count = std::max(count, 2);
  setRowCount(count - 1);  // removed cells free their objects
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
    it = new TGridItem;
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
  auto *it = dynamic_cast<TGridItem *>(ItemAt(col, row, false));
  return it ? it->Object.get() : nullptr;
}

void TStringGrid::SetObjects(int col, int row, TGridObject *object) {
  QTableWidgetItem *plain = ItemAt(col, row, true);
  if (!plain) {
    delete object;
    return;
  }
  auto *it = dynamic_cast<TGridItem *>(plain);
  if (!it) {
    // a cell that was put in place by plain QTableWidget calls: replaced by an owning one
    // with the same text and settings
    it = new TGridItem(*plain);
    if (row == 0) setHorizontalHeaderItem(col, it);
    else setItem(row - 1, col, it);
  }
  if (it->Object.get() == object) return;
  it->Object.reset(object);
}

int TStringGrid::Row() const {
  const int r = currentRow();
  return r < 0 ? 0 : r + 1;
}

void TStringGrid::SetRow(int row) {
  if (row >= 1 && row < RowCount()) setCurrentCell(row - 1, std::max(0, currentColumn()));
}

void TStringGrid::FreeObjectsOfRow(int row) {
  for (int c = 0; c < columnCount(); ++c)
    if (auto *it = dynamic_cast<TGridItem *>(ItemAt(c, row, false))) it->Object.reset();
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
  FreeObjectsOfRow(1);
  setRowCount(1);
  for (int c = 0; c < columnCount(); ++c) {
    if (QTableWidgetItem *it = item(0, c)) it->setText(QString());
  }
}

void FitColumnTitles(QTableView *grid) {
  QHeaderView *header = grid->horizontalHeader();
  for (int c = 0; c < header->count(); ++c)
    if (!header->isSectionHidden(c) && header->sectionSize(c) < header->sectionSizeHint(c))
      header->resizeSection(c, header->sectionSizeHint(c));
}

void FitColumnsToRoom(QTableView *grid) {
  FitColumnTitles(grid);
  QHeaderView *header = grid->horizontalHeader();
  QHeaderView *rows = grid->verticalHeader();
  QAbstractItemModel *model = grid->model();
  if (!model || header->stretchLastSection()) return;  // the last column takes the room there
  int room = grid->viewport()->width() - header->length();
  // a vertical scroll bar that the rows are about to need takes its width off the room
  QScrollBar *bar = grid->verticalScrollBar();
  if (!bar->isVisible() && grid->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff &&
      rows->length() > grid->viewport()->height())
    room -= grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, bar);
  if (room <= 0 || rows->count() == 0) return;
  // the rows in sight: measuring them costs the same for ten rows or a hundred thousand
  const int first = std::max(0, rows->visualIndexAt(0));
  int last = rows->visualIndexAt(grid->viewport()->height() - 1);
  if (last < 0) last = rows->count() - 1;
  const int gridLine = grid->showGrid() ? 1 : 0;
  for (int v = 0; v < header->count() && room > 0; ++v) {
    const int column = header->logicalIndex(v);
    if (header->isSectionHidden(column) || header->sectionResizeMode(column) != QHeaderView::Interactive)
      continue;
    int wanted = 0;
    for (int r = first; r <= last; ++r) {
      const int row = rows->logicalIndex(r);
      if (rows->isSectionHidden(row)) continue;
      wanted = std::max(wanted, grid->sizeHintForIndex(model->index(row, column)).width() + gridLine);
    }
    const int grow = std::min(wanted - header->sectionSize(column), room);
    if (grow <= 0) continue;
    header->resizeSection(column, header->sectionSize(column) + grow);
    room -= grow;
  }
}

int JournalRowHeight(const QWidget *grid) { return grid->fontMetrics().height() + 4; }

void FitButtonText(QPushButton *button) {
  const int margin = 2 * button->fontMetrics().averageCharWidth();
  button->setMinimumWidth(
      std::max(button->minimumWidth(),
               button->fontMetrics().horizontalAdvance(button->text()) + 2 * margin));
}
