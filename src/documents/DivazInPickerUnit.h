#pragma once
// The grid through which a window shows the rows of a query with a table item per cell (the
// export window's short lists; the lists that may run over the whole store are block grids,
// documents/BlockGrid.h), and the look-ups of the receipt windows.
#include <QTableWidget>
#include <QVector>
#include <functional>

#include "documents/BlockGrid.h"

class TQuery;

class TQueryGrid : public QTableWidget {
  Q_OBJECT
 public:
  explicit TQueryGrid(QWidget *parent = nullptr);

  void SetColumns(const QVector<TGridColumn> &columns);
  const QVector<TGridColumn> &Columns() const { return m_columns; }
  // Shows the rows of a query (nullptr: none). The query must stay alive while shown.
  void SetDataSet(TQuery *query);
  TQuery *DataSet() const { return m_query; }
  // Rebuilds the rows from the query and moves to its current record.
  void Refill();
  // Current record (0-based; -1 when the list is empty).
  int Record() const;
  void SetRecord(int record);
  // Moves to the first record whose field equals the text; false when none.
  bool Locate(const QString &field, const QString &text,
              Qt::CaseSensitivity cs = Qt::CaseInsensitive);

  // Draws a cell of a column differently: sets the item's text and colours. Runs for every
  // cell when the rows are built; the query is positioned on the cell's record.
  std::function<void(const TGridColumn &column, QTableWidgetItem *item)> OnDrawColumnCell;
  // After every move to another record (and after each rebuild with rows).
  std::function<void()> AfterScroll;
  std::function<void()> OnDblClick;

 protected:
  void mouseDoubleClickEvent(QMouseEvent *event) override;

 private:
  void CurrentChanged(int row);
  QVector<TGridColumn> m_columns;
  TQuery *m_query = nullptr;
  bool m_filling = false;
};

// Look-ups in the shared lists for the receipt windows; an unknown ID gives an empty text.
namespace ReceiptLookup {
QString ColorCaption(int colorCode, int systemID);
QString CurrencyNameOf(int currencyID);
QString DiscountTextOf(int discountGroup);
QString MeasureNameOf(int measureID);
}  // namespace ReceiptLookup
