#pragma once
// The grid through which a window shows the rows of a query: one row per record, the columns
// chosen by field name, the grid's current row being the query's current record. The receipt
// editor's picker and the receipt journal show their lists in it.
#include <QTableWidget>
#include <QVector>
#include <functional>

class TQuery;

struct TGridColumn {
  QString Field;
  QString Title;
  int Width = 64;              // in characters of the grid's font, as the lists are laid out
  QString Mask;                // FormatFloat mask for numbers; empty: the general form
  Qt::Alignment Alignment = Qt::AlignLeft | Qt::AlignVCenter;
};

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
