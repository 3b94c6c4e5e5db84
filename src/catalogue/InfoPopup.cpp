#include "catalogue/InfoPopup.h"

#include <QEvent>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>

namespace {
constexpr int RowHeight = 20;
}

TInfoPopup::TInfoPopup(QWidget *owner, int columns, int designHeight)
    : TForm(owner), FDesignHeight(designHeight) {
  setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
  SetPosition(poScreenCenter);
  QPalette pal = palette();
  pal.setColor(QPalette::Window, pal.color(QPalette::ToolTipBase));
  pal.setColor(QPalette::WindowText, pal.color(QPalette::ToolTipText));
  setPalette(pal);
  setAutoFillBackground(true);

  FLayout = new QGridLayout(this);
  FLayout->setContentsMargins(16, 8, 16, 8);
  FLayout->setHorizontalSpacing(24);
  FLayout->setVerticalSpacing(0);

  lblName = new QLabel(this);
  lblName->setObjectName(QStringLiteral("lblName"));
  QFont f = lblName->font();
  f.setBold(true);
  f.setUnderline(true);
  f.setPixelSize(16);
  lblName->setFont(f);
  lblName->setAlignment(Qt::AlignCenter);
  QPalette lp = lblName->palette();
  lp.setColor(QPalette::WindowText, QColor(0, 0, 128));
  lblName->setPalette(lp);
  lblName->setMinimumHeight(30);
  FLayout->addWidget(lblName, 0, 0, 1, columns);
}

QLabel *TInfoPopup::AddTitle(int column, const QString &name, const QString &text) {
  auto *lbl = new QLabel(text, this);
  lbl->setObjectName(name);
  QFont f = lbl->font();
  f.setBold(true);
  lbl->setFont(f);
  lbl->setFixedHeight(RowHeight);
  FLayout->addWidget(lbl, 1, column);
  return lbl;
}

void TInfoPopup::AddRow(const QStringList &texts, bool red) {
  QVector<QLabel *> row;
  const int layoutRow = Rows.size() + 2;
  for (int c = 0; c < texts.size(); ++c) {
    auto *lbl = new QLabel(texts[c], this);
    lbl->setFixedHeight(RowHeight);
    if (red) {
      QPalette p = lbl->palette();
      p.setColor(QPalette::WindowText, Qt::red);
      lbl->setPalette(p);
    }
    lbl->hide();
    FLayout->addWidget(lbl, layoutRow, c);
    row << lbl;
  }
  Rows << row;
}

void TInfoPopup::showEvent(QShowEvent *event) {
  TForm::showEvent(event);
  FormShow();
}

void TInfoPopup::FormShow() {
  if (!Rows.isEmpty()) {
    for (const auto &row : Rows)
      for (QLabel *lbl : row) lbl->show();
    setFixedHeight(RowHeight * Rows.size() + 70);
  } else {
    setFixedHeight(FDesignHeight);
  }
  // a click anywhere closes the window
  for (QLabel *lbl : findChildren<QLabel *>()) lbl->installEventFilter(this);
}

void TInfoPopup::paintEvent(QPaintEvent *event) {
  TForm::paintEvent(event);
  QPainter p(this);
  p.setPen(QPen(palette().color(QPalette::WindowText), 3));
  p.setBrush(Qt::NoBrush);
  p.drawRect(rect().adjusted(1, 1, -2, -2));
}

void TInfoPopup::mousePressEvent(QMouseEvent *) { SetModalResult(mrCancel); }

void TInfoPopup::keyPressEvent(QKeyEvent *) { SetModalResult(mrCancel); }

bool TInfoPopup::eventFilter(QObject *watched, QEvent *event) {
  if (event->type() == QEvent::MouseButtonPress && qobject_cast<QLabel *>(watched)) {
    SetModalResult(mrCancel);
    return true;
  }
  return TForm::eventFilter(watched, event);
}
