#pragma once
// Working a window from the keyboard in tests, and looking at what its lists show.
#include <QString>

class QAbstractButton;
class QAbstractItemView;
class QWidget;

// The named control that holds the focus (the inner line edit of a box counts as the box).
QString FocusName();
// Shows the window, puts the focus on the first control and presses Tab steps times: the
// names of the controls reached, the first one included, separated by blanks.
QString TabWalk(QWidget *window, QWidget *first, int steps);
// Puts the focus on the first cell of a grid (its window shown) and presses, each time from
// there, Tab, Shift+Tab and Down: "Tab>A Backtab>B Down>C@r", A to C being the controls that
// then hold the focus and r the grid's current row after Down; "!" follows a name when Tab or
// Shift+Tab moved the grid to another row.
QString GridKeys(QAbstractItemView *grid);
// Puts the focus on the button (its window shown) and presses Enter: the names of the buttons
// of the window that were pressed, separated by blanks.
QString EnterOn(QAbstractButton *button);
// Selects the row of the first cell that the list colours (its window shown) and tells whether
// that cell still shows its colour: "kept" or "lost"; "none" when no cell is coloured.
QString SelectedCellColour(QAbstractItemView *list);
