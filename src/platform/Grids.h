#pragma once
// A string grid with the indexing of the original desktop library: row 0 is the fixed title
// row (shown as the column headers), data rows are 1 .. RowCount()-1, and every cell can
// carry an object that the grid owns.
#include <QTableWidget>
#include <memory>

#include "platform/GridObject.h"

class QPushButton;
class QTableView;

// Widens every column of a list whose title would not show whole at its designed width.
void FitColumnTitles(QTableView *grid);
// Shows the titles whole (FitColumnTitles), then gives the width that the list has to spare
// to the columns whose texts on the rows in sight are cut, from the left. Columns are only
// ever widened.
void FitColumnsToRoom(QTableView *grid);
// The rows of the document journals: one line of the grid's font and a small margin.
int JournalRowHeight(const QWidget *grid);
// Gives a button with a long caption the margin the style gives short ones, so that the text
// does not touch its border.
void FitButtonText(QPushButton *button);

class TStringGrid : public QTableWidget {
  Q_OBJECT
 public:
  explicit TStringGrid(QWidget *parent = nullptr);
  ~TStringGrid() override;

  int RowCount() const { return rowCount() + 1; }
  // At least two rows (the title row and one data row), as the original keeps them.
  void SetRowCount(int count);
  int ColCount() const { return columnCount(); }
  void SetColCount(int count);

  QString Cells(int col, int row) const;
  void SetCells(int col, int row, const QString &text);
  // The grid owns the object; setting another one frees the previous one.
  TGridObject *Objects(int col, int row) const;
  void SetObjects(int col, int row, TGridObject *object);
  template <class T>
  T *ObjectAs(int col, int row) const {
    return dynamic_cast<T *>(Objects(col, row));
  }

  // Selected data row (1-based as in the original; 0 when none).
  int Row() const;
  void SetRow(int row);
  // Removes a data row, freeing its objects.
  void DeleteRow(int row);
  // Empties every data row and frees all objects; leaves one empty data row.
  void ClearRows();
  void SetColWidths(int col, int width) { setColumnWidth(col, width); }

 private:
  QTableWidgetItem *ItemAt(int col, int row, bool create) const;
  void FreeObjectsOfRow(int row);
};
