#include "platform/WindowRules.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QBrush>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QProxyStyle>
#include <QRadioButton>
#include <QStyleOptionViewItem>
#include <QTableView>

#include "platform/Grids.h"

namespace {

const char *const kFitted = "ColumnsFitted";
const char *const kRulesInstalled = "WindowRulesInstalled";

// The style of the program: the platform's own, except that the text of a selected cell keeps
// the colour its row gives it instead of the highlight's text colour.
class TProgramStyle : public QProxyStyle {
 public:
  using QProxyStyle::QProxyStyle;

  void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                   const QWidget *widget) const override {
    if (element == CE_ItemViewItem && (option->state & State_Selected)) {
      if (const auto *item = qstyleoption_cast<const QStyleOptionViewItem *>(option)) {
        const QVariant colour = item->index.data(Qt::ForegroundRole);
        if (colour.isValid() && colour.canConvert<QBrush>()) {
          QStyleOptionViewItem kept(*item);
          kept.palette.setBrush(QPalette::HighlightedText, qvariant_cast<QBrush>(colour));
          QProxyStyle::drawControl(element, &kept, painter, widget);
          return;
        }
      }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
  }
};

// Keeps the columns of one list fitted (FitColumnsToRoom) after it is shown, resized or
// refilled; once the user drags a column's border the list keeps the user's widths.
class TColumnFitter : public QObject {
 public:
  explicit TColumnFitter(QTableView *grid) : QObject(grid), m_grid(grid) {
    grid->installEventFilter(this);
    grid->viewport()->installEventFilter(this);
    QHeaderView *columns = grid->horizontalHeader();
    connect(columns, &QHeaderView::sectionCountChanged, this, [this] { Schedule(); });
    connect(grid->verticalHeader(), &QHeaderView::sectionCountChanged, this, [this] { Schedule(); });
    connect(columns, &QHeaderView::sectionResized, this, [this] {
      if (!m_fitting && QGuiApplication::mouseButtons() != Qt::NoButton) m_userSized = true;
    });
  }

  bool eventFilter(QObject *watched, QEvent *event) override {
    if ((watched == m_grid && event->type() == QEvent::Show) ||
        (watched == m_grid->viewport() && event->type() == QEvent::Resize))
      Schedule();
    return false;
  }

 private:
  // After the window's own handling of the change (a window sets its widths and fills its
  // rows as it is shown): once, however many changes came meanwhile.
  void Schedule() {
    if (m_pending || m_userSized) return;
    m_pending = true;
    QMetaObject::invokeMethod(this, [this] { Fit(); }, Qt::QueuedConnection);
  }

  void Fit() {
    m_pending = false;
    if (m_userSized || !m_grid->isVisible()) return;
    m_fitting = true;
    FitColumnsToRoom(m_grid);
    m_fitting = false;
  }

  QTableView *m_grid;
  bool m_pending = false;
  bool m_fitting = false;
  bool m_userSized = false;
};

// A list of a window, not the list of a drop-down box or a calendar, which keep their own keys
// and sizes.
bool IsList(const QAbstractItemView *view) {
  if (view->window()->windowType() == Qt::Popup) return false;
  for (const QWidget *w = view->parentWidget(); w; w = w->parentWidget())
    if (qobject_cast<const QComboBox *>(w) || qobject_cast<const QCalendarWidget *>(w)) return false;
  return true;
}

bool IsPushButton(const QObject *o) {
  return qobject_cast<const QAbstractButton *>(o) && !qobject_cast<const QCheckBox *>(o) &&
         !qobject_cast<const QRadioButton *>(o);
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
          auto *grid = qobject_cast<QTableView *>(view);
          if (grid && !grid->property(kFitted).toBool()) {
            grid->setProperty(kFitted, true);
            new TColumnFitter(grid);
          }
        }
        return false;
      case QEvent::KeyPress:
        return EnterOnButton(watched, static_cast<QKeyEvent *>(event));
      default:
        return false;
    }
  }

 private:
  // Before the button's own key handling and before a dialog's default button can take the
  // key; Enter elsewhere in the window keeps its meaning there.
  static bool EnterOnButton(QObject *watched, QKeyEvent *key) {
    if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) return false;
    if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) return false;
    if (!IsPushButton(watched)) return false;
    auto *button = static_cast<QAbstractButton *>(watched);
    if (!button->hasFocus() || !button->isEnabled() || !button->isVisible()) return false;
    if (!key->isAutoRepeat()) button->click();  // a key held down presses once
    return true;
  }
};

}  // namespace

void InstallWindowRules() {
  auto *app = qobject_cast<QApplication *>(QCoreApplication::instance());
  if (!app || app->property(kRulesInstalled).toBool()) return;
  app->setProperty(kRulesInstalled, true);
  app->installEventFilter(new TWindowRules(app));
  QApplication::setStyle(new TProgramStyle(QApplication::style()->name()));
}
