#include "documents/BlockGrid.h"

#include <QHeaderView>
#include <QStringList>
#include <algorithm>
#include <exception>

#include "core/Query.h"
#include "documents/BlockQuery.h"
#include "platform/Application.h"
#include "platform/SysUtils.h"

QString ColumnText(const TGridColumn &column, const TField &field) {
  const int type = field.Value().typeId();
  if (field.IsNull()) return QString();
  if (!column.Mask.isEmpty()) return FormatFloat(column.Mask, field.AsFloat());
  if (type == QMetaType::Double || type == QMetaType::Float) return FloatToStr(field.AsFloat());
  if (type == QMetaType::QDate || type == QMetaType::QDateTime) return DateToStr(field.AsDate());
  return field.AsString();
}

void ShowColumnWidths(QTableView *grid, const QVector<TGridColumn> &columns) {
  const int ch = grid->fontMetrics().averageCharWidth();
  for (int c = 0; c < columns.size(); ++c) grid->setColumnWidth(c, columns[c].Width * ch + 8);
}

TBlockGrid::TBlockGrid(QWidget *parent) : TRowGrid(parent) {
  verticalHeader()->setVisible(false);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  connect(this, &TRowGrid::currentCellChanged, this, [this](int row, int, int previous, int) {
    if (row != previous) CurrentChanged(row);
  });
}

void TBlockGrid::SetColumns(const QVector<TGridColumn> &columns) {
  m_columns = columns;
  SetRows(0, {});
  QStringList titles;
  for (const TGridColumn &c : columns) titles << c.Title;
  setColumnCount(columns.size());
  setHorizontalHeaderLabels(titles);
  ShowColumnWidths(this, columns);
}

void TBlockGrid::SetDataSet(TBlockQuery *query) {
  m_query = query;
  Refill();
}

TRowGridCell TBlockGrid::CellAt(int record, int column) const {
  TRowGridCell cell;
  if (!m_query || column < 0 || column >= m_columns.size()) return cell;
  const TGridColumn &col = m_columns[column];
  cell.Alignment = col.Alignment;
  try {
    const int f = m_query->FieldIndex(col.Field);
    if (f >= 0) cell.Text = ColumnText(col, TField(col.Field, m_query->Value(record, f)));
    if (OnDrawColumnCell) OnDrawColumnCell(col, record, cell);
  } catch (const std::exception &) {
    // A block that cannot be read now shows nothing; the next drawing reads it again.
    cell.Text.clear();
    cell.Colour = QColor();
  }
  return cell;
}

void TBlockGrid::Refill() {
  m_filling = true;
  const int n = (m_query && m_query->Active()) ? m_query->RecordCount() : 0;
  SetRows(n, [this](int r, int c) { return CellAt(r, c); });
  if (n > 0) {
    m_query->First();
    setCurrentCell(0, 0);
  }
  m_filling = false;
  if (n > 0 && AfterScroll) AfterScroll();
}

int TBlockGrid::Record() const {
  if (!m_query || !m_query->Active() || m_query->IsEmpty()) return -1;
  return m_query->RecNo() - 1;
}

void TBlockGrid::SetRecord(int record) {
  if (!m_query || record < 0 || record >= rowCount()) return;
  if (record == currentRow()) {
    m_query->SetRecNo(record + 1);
    return;
  }
  setCurrentCell(record, std::max(0, currentColumn()));
}

bool TBlockGrid::Locate(const QString &field, const QString &text, Qt::CaseSensitivity cs) {
  if (!m_query || !m_query->Active()) return false;
  const int r = m_query->Find(field, text, cs);
  if (r < 0) return false;
  SetRecord(r);
  return true;
}

void TBlockGrid::CurrentChanged(int row) {
  if (m_filling || !m_query || row < 0 || row >= m_query->RecordCount()) return;
  m_query->SetRecNo(row + 1);
  if (AfterScroll) AfterScroll();
}

void TBlockGrid::mouseDoubleClickEvent(QMouseEvent *event) {
  TRowGrid::mouseDoubleClickEvent(event);
  if (OnDblClick) Guarded([this] { OnDblClick(); });
}

