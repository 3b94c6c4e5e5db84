#pragma once
// Base of the small borderless information windows: tip-coloured, framed, a title line, and
// rows of labels built when the window is created; any click or key closes the window.
#include <QVector>

#include "platform/Forms.h"

class QLabel;
class QGridLayout;

class TInfoPopup : public TForm {
  Q_OBJECT
 public:
  QLabel *lblName;
  // The labels of each row, left to right.
  QVector<QVector<QLabel *>> Rows;

 protected:
  TInfoPopup(QWidget *owner, int columns, int designHeight);
  // Adds the column titles (row 1 of the layout).
  QLabel *AddTitle(int column, const QString &name, const QString &text);
  // Adds a row of labels under the titles.
  void AddRow(const QStringList &texts, bool red = false);
  void showEvent(QShowEvent *event) override;
  void paintEvent(QPaintEvent *event) override;
  void mousePressEvent(QMouseEvent *event) override;
  void keyPressEvent(QKeyEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;
  virtual void FormShow();
  QGridLayout *FLayout;

 private:
  int FDesignHeight;
};
