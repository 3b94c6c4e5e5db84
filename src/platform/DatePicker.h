#pragma once
// The date box of every window. Tab and Shift+Tab move the focus to the next or previous
// control at once, as in every other box; the day, month and year are reached with the
// arrow keys (Left and Right pick the part, Up and Down change it).
#include <QDateEdit>

class TDatePicker : public QDateEdit {
  Q_OBJECT
 public:
  explicit TDatePicker(QWidget *parent = nullptr);

 protected:
  bool focusNextPrevChild(bool next) override;
};
