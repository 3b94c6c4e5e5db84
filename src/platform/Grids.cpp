#include "platform/Grids.h"

#include <QHeaderView>
#include <QPushButton>
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

int JournalRowHeight(const QWidget *grid) { return grid->fontMetrics().height() + 4; }

void FitButtonText(QPushButton *button) {
  const int margin = 2 * button->fontMetrics().averageCharWidth();
  button->setMinimumWidth(
      std::max(button->minimumWidth(),
               button->fontMetrics().horizontalAdvance(button->text()) + 2 * margin));
}
