#pragma once
// The main window.
#include <QMainWindow>

class TDivazForm : public QMainWindow {
  Q_OBJECT
 public:
  explicit TDivazForm(QWidget *parent = nullptr);
};
