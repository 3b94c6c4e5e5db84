#pragma once
// A one-value input dialog: a number greater than zero, a date after a minimum, or a text.
#include <QDateTime>
#include <QVariant>

#include "platform/Forms.h"

class QLabel;
class QLineEdit;
class QDateEdit;
class QPushButton;
class TCalcEdit;

class TInputForm : public TForm {
  Q_OBJECT
 public:
  // Kinds: 0 number, 1 date (the value is also the lower bound), 2 text, 3 masked text.
  TInputForm(QWidget *owner, uint8_t kind, const QString &caption, const QString &text,
             const QVariant &value);

  QLabel *Lbl1;
  TCalcEdit *Rx1;
  QLineEdit *Edit1;
  QDateEdit *DTPicker1;
  QPushButton *BitBtn1;
  QPushButton *BitBtn2;

 protected:
  void showEvent(QShowEvent *event) override;
  bool CloseQuery(int result) override;

 private:
  QString FCaption;
  QString FText;
  uint8_t FKind;
  QVariant FValue;
};

// The number entered (greater than zero), or the default when cancelled.
double InputNumber(QWidget *owner, const QString &caption, const QString &prompt, double def);
// The date entered (at least a day after today and after the minimum), or the minimum less a
// day when cancelled.
QDateTime InputDate(QWidget *owner, const QString &caption, const QString &prompt,
                    const QDateTime &minDate);
