#include "platform/Forms.h"

#include <QAbstractButton>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QScreen>
#include <QWindow>
#include <algorithm>

#include "platform/Application.h"

namespace {

const char *const kStoredPlace = "StoredPlace";
const char *const kPlaced = "Placed";

// The frame around the client area: known once a window has been on the screen (its own, or
// its owner's on the same desktop); before that an allowance for a title bar and borders.
QMargins FrameMargins(const QWidget *window, const QWidget *owner) {
  for (const QWidget *w : {window, owner}) {
    if (w && w->windowHandle()) {
      const QMargins m = w->windowHandle()->frameMargins();
      if (!m.isNull()) return m;
    }
  }
  const int border = 4;
  return {border, window->fontMetrics().height() + 12, border, border};
}

QScreen *ScreenFor(const QWidget *window, const QWidget *owner, bool stored) {
  QScreen *screen = nullptr;
  if (stored) screen = QGuiApplication::screenAt(window->geometry().center());
  if (!screen && owner && owner->isVisible()) screen = owner->screen();
  if (!screen) screen = window->screen();
  if (!screen) screen = QGuiApplication::primaryScreen();
  return screen;
}

void Place(QWidget *window, TPosition position, bool keepPlace) {
  if (window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized))
    return;
  // Controls that the window built while being shown count in its size.
  if (QLayout *layout = window->layout()) layout->activate();
  if (!window->testAttribute(Qt::WA_Resized)) {
    window->adjustSize();
    window->setAttribute(Qt::WA_Resized, false);
  }
  QWidget *owner = window->parentWidget() ? window->parentWidget()->window() : nullptr;
  const bool stored = keepPlace || window->property(kStoredPlace).toBool();
  QScreen *screen = ScreenFor(window, owner, stored);
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  const QMargins margins = FrameMargins(window, owner);
  QRect frame;
  if (stored) {
    frame = FitIntoArea(QRect(window->pos(), window->size().grownBy(margins)), area);
  } else {
    const bool overOwner = position == poOwnerFormCenter && owner && owner->isVisible();
    frame = CentredFrame(window->size(), margins, overOwner ? owner->frameGeometry() : area, area);
  }
  const QSize client = frame.size().shrunkBy(margins);
  // A designed minimum larger than the screen gives way: the whole window stays reachable.
  if (window->minimumWidth() > client.width()) window->setMinimumWidth(client.width());
  if (window->minimumHeight() > client.height()) window->setMinimumHeight(client.height());
  window->move(frame.topLeft());
  window->resize(client);
}

class TWindowPlacer : public QObject {
 public:
  TWindowPlacer(QWidget *window, TPosition position) : QObject(window), Position(position) {}
  TPosition Position;

  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() != QEvent::Show || watched != parent()) return false;
    auto *window = static_cast<QWidget *>(watched);
    window->removeEventFilter(this);
    // The window's own show handling runs first (it may build controls); the show event
    // comes before the window reaches the screen, so it appears at its place at once.
    // A window that sets its own place meanwhile keeps it; the dialog's own centring over
    // the parent is left to the placement below.
    const QPoint before = window->pos();
    window->setAttribute(Qt::WA_Moved, true);
    static_cast<QObject *>(window)->event(event);
    Place(window, Position, window->pos() != before);
    window->setProperty(kPlaced, true);
    deleteLater();
    return true;
  }
};

}  // namespace

QRect FitIntoArea(const QRect &frame, const QRect &area) {
  QRect r = frame;
  r.setWidth(std::min(r.width(), area.width()));
  r.setHeight(std::min(r.height(), area.height()));
  if (r.right() > area.right()) r.moveRight(area.right());
  if (r.bottom() > area.bottom()) r.moveBottom(area.bottom());
  if (r.left() < area.left()) r.moveLeft(area.left());
  if (r.top() < area.top()) r.moveTop(area.top());
  return r;
}

QRect CentredFrame(const QSize &client, const QMargins &margins, const QRect &over,
                   const QRect &area) {
  QRect r(QPoint(0, 0), client.grownBy(margins));
  r.moveCenter(over.center());
  return FitIntoArea(r, area);
}

void PlaceOnFirstShow(QWidget *window, TPosition position) {
  if (!window || window->property(kPlaced).toBool()) return;
  for (QObject *child : window->children()) {
    if (auto *placer = dynamic_cast<TWindowPlacer *>(child)) {
      placer->Position = position;
      return;
    }
  }
  window->installEventFilter(new TWindowPlacer(window, position));
}

void MarkStoredPlace(QWidget *window) { window->setProperty(kStoredPlace, true); }

bool HasPlace(const QWidget *window) {
  return window->isVisible() || window->property(kPlaced).toBool() ||
         window->property(kStoredPlace).toBool();
}

TForm::TForm(QWidget *owner) : QDialog(owner) { PlaceOnFirstShow(this); }

int TForm::ShowModal() {
  m_modalResult = mrNone;
  const int result = Dialogs().ExecModal(this);
  return m_modalResult != mrNone ? m_modalResult : result;
}

void TForm::SetModalResult(int result) {
  if (result == mrNone) {
    m_modalResult = mrNone;
    return;
  }
  done(result);
}

void TForm::BindModalResult(QAbstractButton *button, int result) {
  connect(button, &QAbstractButton::clicked, this, [this, result] { SetModalResult(result); });
}

void TForm::done(int result) {
  if (!CloseQuery(result)) {
    m_modalResult = mrNone;
    return;
  }
  m_modalResult = result;
  FormClose();
  QDialog::done(result);
}

namespace {
class TEnterKeyFilter : public QObject {
 public:
  TEnterKeyFilter(QObject *parent, std::function<void()> action)
      : QObject(parent), m_action(std::move(action)) {}
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent *>(event)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        Guarded(m_action);
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  std::function<void()> m_action;
};
}  // namespace

void OnEnterKey(QWidget *widget, std::function<void()> action) {
  widget->installEventFilter(new TEnterKeyFilter(widget, std::move(action)));
}
