#include "support/Keyboard.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QBrush>
#include <QImage>
#include <QSignalSpy>
#include <QStringList>
#include <QTest>
#include <QWidget>
#include <cstdlib>
#include <memory>
#include <vector>

namespace {
void ShowActive(QWidget *window) {
  window->show();
  QApplication::setActiveWindow(window);
  window->activateWindow();
  QCoreApplication::processEvents();
}

void FocusFirstCell(QAbstractItemView *grid) {
  grid->setFocus(Qt::TabFocusReason);
  grid->setCurrentIndex(grid->model()->index(0, 0));
  QCoreApplication::processEvents();
}
}  // namespace

QString FocusName() {
  for (QWidget *w = QApplication::focusWidget(); w; w = w->parentWidget())
    if (!w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")))
      return w->objectName();
  return QStringLiteral("(none)");
}

QString TabWalk(QWidget *window, QWidget *first, int steps) {
  ShowActive(window);
  first->setFocus(Qt::TabFocusReason);
  QCoreApplication::processEvents();
  QStringList reached{FocusName()};
  for (int i = 0; i < steps; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    reached << FocusName();
  }
  return reached.join(QLatin1Char(' '));
}

QString GridKeys(QAbstractItemView *grid) {
  ShowActive(grid->window());
  QStringList out;
  for (const auto &[key, name] : {std::pair{Qt::Key_Tab, "Tab"}, std::pair{Qt::Key_Backtab, "Backtab"}}) {
    FocusFirstCell(grid);
    QTest::keyClick(QApplication::focusWidget(), key);
    out << QStringLiteral("%1>%2%3").arg(QLatin1String(name), FocusName(),
                                         grid->currentIndex().row() > 0 ? QStringLiteral("!") : QString());
  }
  FocusFirstCell(grid);
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
  out << QStringLiteral("Down>%1@%2").arg(FocusName()).arg(grid->currentIndex().row());
  return out.join(QLatin1Char(' '));
}

QString EnterOn(QAbstractButton *button) {
  QWidget *window = button->window();
  ShowActive(window);
  std::vector<std::pair<QAbstractButton *, std::unique_ptr<QSignalSpy>>> spies;
  for (QAbstractButton *b : window->findChildren<QAbstractButton *>())
    spies.emplace_back(b, std::make_unique<QSignalSpy>(b, &QAbstractButton::clicked));
  button->setFocus(Qt::TabFocusReason);
  QCoreApplication::processEvents();
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  QStringList pressed;
  for (const auto &[b, spy] : spies)
    if (!spy->isEmpty()) pressed << b->objectName();
  return pressed.join(QLatin1Char(' '));
}

QString SelectedCellColour(QAbstractItemView *list) {
  ShowActive(list->window());
  const QAbstractItemModel *model = list->model();
  for (int r = 0; r < model->rowCount(); ++r) {
    for (int c = 0; c < model->columnCount(); ++c) {
      const QModelIndex index = model->index(r, c);
      const QVariant brush = index.data(Qt::ForegroundRole);
      if (!brush.canConvert<QBrush>() || index.data().toString().trimmed().isEmpty()) continue;
      const QColor colour = qvariant_cast<QBrush>(brush).color();
      list->setFocus(Qt::TabFocusReason);
      list->setCurrentIndex(index);
      list->scrollTo(index);
      QCoreApplication::processEvents();
      const QImage shown = list->viewport()->grab(list->visualRect(index)).toImage();
      for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) {
          const QColor p = shown.pixelColor(x, y);
          if (std::abs(p.red() - colour.red()) < 40 && std::abs(p.green() - colour.green()) < 40 &&
              std::abs(p.blue() - colour.blue()) < 40)
            return QStringLiteral("kept");
        }
      return QStringLiteral("lost");
    }
  }
  return QStringLiteral("none");
}
