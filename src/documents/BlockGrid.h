#pragma once
// The grid through which a window shows the rows of a block query: one row per record, the
// columns chosen by field name, the grid's current row being the query's current record. Its
// cells are drawn from the query's rows as they are shown, so that a list over the whole store
// costs no more to show than a short one (the receipt editor's picker, the receipt journal and
// the count editor's open lots).
#include <QString>
#include <QVector>
#include <functional>

#include "platform/RowGrid.h"

class TBlockQuery;
class TField;

struct TGridColumn {
  QString Field;
  QString Title;
  int Width = 64;              // in characters of the grid's font, as the lists are laid out
  QString Mask;                // FormatFloat mask for numbers; empty: the general form
  Qt::Alignment Alignment = Qt::AlignLeft | Qt::AlignVCenter;
};

// The text a column shows for a field: nothing for a null, numbers under the column's mask or
// in the general form, dates as dates.
QString ColumnText(const TGridColumn &column, const TField &field);
// Sets the widths of a grid's columns, given in characters of its font.
void ShowColumnWidths(QTableView *grid, const QVector<TGridColumn> &columns);

class TBlockGrid : public TRowGrid {
  Q_OBJECT
 public:
  explicit TBlockGrid(QWidget *parent = nullptr);

  void SetColumns(const QVector<TGridColumn> &columns);
  const QVector<TGridColumn> &Columns() const { return m_columns; }
  // Shows the rows of a query (nullptr: none). The query must stay alive while shown.
  void SetDataSet(TBlockQuery *query);
  TBlockQuery *DataSet() const { return m_query; }
  // Shows the query's rows as they are now and moves to its first record.
  void Refill();
  // Current record (0-based; -1 when the list is empty).
  int Record() const;
  void SetRecord(int record);
  // Moves to the first record whose field shows the text; false when none.
  bool Locate(const QString &field, const QString &text,
              Qt::CaseSensitivity cs = Qt::CaseInsensitive);

  // Draws a cell of a column differently: the cell holds the field's text as the column shows
  // it (empty for a null) and the column's alignment; it may change them and set a colour.
  // Runs when the cell is drawn or read; the query's current record does not move.
  std::function<void(const TGridColumn &column, int record, TRowGridCell &cell)> OnDrawColumnCell;
  // After every move to another record (and after each refill with rows).
  std::function<void()> AfterScroll;
  std::function<void()> OnDblClick;

 protected:
  void mouseDoubleClickEvent(QMouseEvent *event) override;

 private:
  TRowGridCell CellAt(int record, int column) const;
  void CurrentChanged(int row);
  QVector<TGridColumn> m_columns;
  TBlockQuery *m_query = nullptr;
  bool m_filling = false;
};
