#include "core/InputFormUnit.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/MyMsgUnit.h"
#include "platform/DatePicker.h"
#include "platform/CalcEdit.h"
#include "platform/Clock.h"
#include "platform/SysUtils.h"

TInputForm::TInputForm(QWidget *owner, uint8_t kind, const QString &caption, const QString &text,
                       const QVariant &value)
    : TForm(owner), FCaption(caption), FText(text), FKind(kind), FValue(value) {
  setObjectName(QStringLiteral("InputForm"));
  auto *layout = new QVBoxLayout(this);
  layout->setContentsMargins(24, 12, 24, 12);
  Lbl1 = new QLabel(this);
  Lbl1->setObjectName(QStringLiteral("Lbl1"));
  Rx1 = new TCalcEdit(this);
  Rx1->setObjectName(QStringLiteral("Rx1"));
  Rx1->DecimalPlaces = 4;
  Edit1 = new QLineEdit(this);
  Edit1->setObjectName(QStringLiteral("Edit1"));
  DTPicker1 = new TDatePicker(this);
  DTPicker1->setObjectName(QStringLiteral("DTPicker1"));
  DTPicker1->setCalendarPopup(true);
  DTPicker1->setDisplayFormat(QStringLiteral("d MMMM yyyy"));
  for (QWidget *w : {static_cast<QWidget *>(Rx1), static_cast<QWidget *>(Edit1),
                     static_cast<QWidget *>(DTPicker1)})
    w->setMinimumWidth(221);
  layout->addWidget(Lbl1);
  layout->addWidget(Rx1);
  layout->addWidget(Edit1);
  layout->addWidget(DTPicker1);
  auto *buttons = new QHBoxLayout;
  BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setDefault(true);
  BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  buttons->addStretch();
  buttons->addWidget(BitBtn1);
  buttons->addWidget(BitBtn2);
  layout->addLayout(buttons);
  BindModalResult(BitBtn1, mrOk);
  BindModalResult(BitBtn2, mrCancel);
  setMinimumSize(270, 105);

  // What FormShow puts in place: the caption, the prompt and the control of the kind.
  setWindowTitle(FCaption);
  Lbl1->setText(FText);
  Rx1->setVisible(FKind == 0);
  DTPicker1->setVisible(FKind == 1);
  Edit1->setVisible(FKind == 2 || FKind == 3);
  if (FKind == 0) {
    // Four decimals, unless the value has more: a preset confirmed unchanged must come back
    // as it was, not cut to four decimals.
    const double v = FValue.toDouble();
    Rx1->SetValue(v);
    if (Rx1->Value() != v) Rx1->setText(FloatToStr(v));
  }
  if (FKind == 1) DTPicker1->setDate(FValue.toDateTime().date());
  if (FKind == 2) Edit1->setText(FValue.toString());
  if (FKind == 3) Edit1->setEchoMode(QLineEdit::Password);
}

void TInputForm::showEvent(QShowEvent *event) {
  TForm::showEvent(event);
  if (FKind == 0) Rx1->setFocus();
  else if (FKind == 1) DTPicker1->setFocus();
  else Edit1->setFocus();
}

bool TInputForm::CloseQuery(int result) {
  if (result != mrOk) return true;
  if (FKind == 0) {
    if (!Rx1->IsValid() || Rx1->Value() <= 0) {
      ShowMessage(QStringLiteral("Число должно быть больше нуля!"));
      Rx1->setFocus();
      return false;
    }
  } else if (FKind == 1) {
    QDate base = Clock::Today();
    const QDate min = FValue.toDateTime().date();
    if (min.isValid() && min > base) base = min;
    if (DTPicker1->date() < base.addDays(1)) {
      ShowMessage(QStringLiteral("Дата должна быть больше чем %1")
                      .arg(FormatDateTime(QStringLiteral("dd/mm/yyyy"), base)));
      DTPicker1->setFocus();
      return false;
    }
  }
  return true;
}

double InputNumber(QWidget *owner, const QString &caption, const QString &prompt, double def) {
  TInputForm form(owner, 0, caption, prompt.left(255), def);
  if (form.ShowModal() == mrOk) return form.Rx1->Value();
  return def;
}

QDateTime InputDate(QWidget *owner, const QString &caption, const QString &prompt,
                    const QDateTime &minDate) {
  const QDateTime result = minDate.addDays(-1);
  TInputForm form(owner, 1, caption, prompt.left(255), minDate);
  if (form.ShowModal() == mrOk) return QDateTime(form.DTPicker1->date(), QTime(0, 0));
  return result;
}
