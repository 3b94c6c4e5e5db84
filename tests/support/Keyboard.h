#pragma once
// Working a window from the keyboard in tests.
#include <QString>

class QWidget;

// The named control that holds the focus (the inner line edit of a box counts as the box).
QString FocusName();
// Shows the window, puts the focus on the first control and presses Tab steps times: the
// names of the controls reached, the first one included, separated by blanks.
QString TabWalk(QWidget *window, QWidget *first, int steps);
