#pragma once
// The window that lists the materials whose stock does not cover a reservation: name, colour
// and missing quantity per line, with one Ok button.
#include <QList>
#include <QString>
#include <QVector>

#include "core/Ledger.h"
#include "platform/Forms.h"

class QGridLayout;
class QLabel;
class QPushButton;

class Tinf_MatNotEnough : public TForm {
  Q_OBJECT
 public:
  // Finds the short lines of the reservation itself.
  Tinf_MatNotEnough(QWidget *owner, int waybillId);
  // Lists the given short lines.
  Tinf_MatNotEnough(QWidget *owner, int waybillId, const QVector<TShortLine> &lines);

  QLabel *Label1;
  QLabel *Image1;
  QPushButton *Button1;

  QString ReservationNum() const { return m_num; }
  // The labels of the rows, three per short line: name, colour, missing quantity.
  const QList<QLabel *> &RowLabels() const { return m_rows; }

 protected:
  void showEvent(QShowEvent *event) override;
  void FormClose() override;

 private:
  void Build(int waybillId, const QVector<TShortLine> &lines);
  void FormShow();
  QString m_num;
  QGridLayout *m_grid = nullptr;
  QList<QLabel *> m_rows;
};
