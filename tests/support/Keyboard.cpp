#include "support/Keyboard.h"

#include <QApplication>
#include <QStringList>
#include <QTest>
#include <QWidget>

QString FocusName() {
  for (QWidget *w = QApplication::focusWidget(); w; w = w->parentWidget())
    if (!w->objectName().isEmpty() && !w->objectName().startsWith(QLatin1String("qt_")))
      return w->objectName();
  return QStringLiteral("(none)");
}

QString TabWalk(QWidget *window, QWidget *first, int steps) {
  window->show();
  QApplication::setActiveWindow(window);
  window->activateWindow();
  first->setFocus(Qt::TabFocusReason);
  QCoreApplication::processEvents();
  QStringList reached{FocusName()};
  for (int i = 0; i < steps; ++i) {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    reached << FocusName();
  }
  return reached.join(QLatin1Char(' '));
}
