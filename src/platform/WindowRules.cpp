#include "platform/WindowRules.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QEvent>

namespace {

const char *const kRulesInstalled = "WindowRulesInstalled";

// A list of a window, not the list of a drop-down box or a calendar, which keep their own keys
// and sizes.
bool IsList(const QAbstractItemView *view) {
  if (view->window()->windowType() == Qt::Popup) return false;
  for (const QWidget *w = view->parentWidget(); w; w = w->parentWidget())
    if (qobject_cast<const QComboBox *>(w) || qobject_cast<const QCalendarWidget *>(w)) return false;
  return true;
}

class TWindowRules : public QObject {
 public:
  using QObject::QObject;

  bool eventFilter(QObject *watched, QEvent *event) override {
    switch (event->type()) {
      case QEvent::Polish:
        if (auto *view = qobject_cast<QAbstractItemView *>(watched); view && IsList(view)) {
          // Tab is the key that goes from control to control, in a list as anywhere else
          view->setTabKeyNavigation(false);
        }
        return false;
      default:
        return false;
    }
  }
};

}  // namespace

void InstallWindowRules() {
  auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
  if (!app || app->property(kRulesInstalled).toBool()) return;
  app->setProperty(kRulesInstalled, true);
  app->installEventFilter(new TWindowRules(app));
}
