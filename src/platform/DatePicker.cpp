#include "platform/DatePicker.h"

TDatePicker::TDatePicker(QWidget *parent) : QDateEdit(parent) {}

// QDateTimeEdit walks its sections on Tab before it lets the focus go; here Tab leaves.
bool TDatePicker::focusNextPrevChild(bool next) { return QWidget::focusNextPrevChild(next); }
