#pragma once
// The window that lists the materials whose stock does not cover a reservation: name, colour
// and missing quantity per line, with one Ok button.
#include <QList>
#include <QString>
#include <QVector>

#include "core/IssuePosting.h"
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

// Turns reservation waybillId into an issue (PostReservationWriteOff). When a line is short,
// shows this window (owned by owner) with the short lines and writes nothing. On an error
// everything is rolled back; called outside any transaction it then shows "Ошибка при
// сохранении накладной." and returns false, inside a caller's transaction it raises the error.
// Returns whether the reservation became an issue.
bool WriteOffReservation(QWidget *owner, int waybillId);
