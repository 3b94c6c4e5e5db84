#include "platform/report/ReportProgress.h"

#include <QApplication>
#include <QProgressDialog>
#include <QThread>

namespace {
TReportProgressHandler &Handler() {
  static TReportProgressHandler handler;
  return handler;
}
// The dialog shows once the work has taken this long, and is refreshed this often.
constexpr qint64 ShowAfterMs = 500, RefreshMs = 50;
// How long a dialog shown at once is waited for to reach the screen.
constexpr int ExposeWaitMs = 250;

TReportRun *&CurrentRun() {
  static TReportRun *run = nullptr;
  return run;
}

// Notes when a window or any of its widgets has painted.
class TPaintSeen : public QObject {
 public:
  explicit TPaintSeen(QWidget *window) {
    window->installEventFilter(this);
    for (QWidget *w : window->findChildren<QWidget *>()) w->installEventFilter(this);
  }
  bool Seen = false;

 protected:
  bool eventFilter(QObject *, QEvent *e) override {
    if (e->type() == QEvent::Paint) Seen = true;
    return false;
  }
};
}  // namespace

TReportProgressHandler SetReportProgressHandler(TReportProgressHandler handler) {
  TReportProgressHandler old = std::move(Handler());
  Handler() = std::move(handler);
  return old;
}

TReportProgress::TReportProgress(const QString &label, int total, QWidget *owner)
    : m_label(label), m_total(total), m_owner(owner) {
  m_clock.start();
  if (!Handler() && qobject_cast<QApplication *>(QCoreApplication::instance())) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_cursor = true;
  }
}

TReportProgress::~TReportProgress() { Finish(); }

void TReportProgress::Finish() {
  m_finished = true;
  m_dialog.reset();
  if (m_cursor) QApplication::restoreOverrideCursor();
  m_cursor = false;
}

void TReportProgress::SetTotal(int total) {
  m_total = total;
  if (m_dialog) m_dialog->setMaximum(std::max(0, total));
}

void TReportProgress::Show() {
  if (m_dialog) return;
  m_dialog = std::make_unique<QProgressDialog>(m_label, QStringLiteral("Cancel"), 0,
                                               std::max(0, m_total), m_owner);
  m_dialog->setObjectName(QStringLiteral("ReportProgress"));
  m_dialog->setWindowTitle(QStringLiteral("Please wait"));
  m_dialog->setWindowModality(Qt::ApplicationModal);
  m_dialog->setMinimumDuration(0);
  m_dialog->setAutoClose(false);
  m_dialog->setAutoReset(false);
  // The dialog's own arrow: the user can reach Cancel while the work goes on.
  m_dialog->setCursor(Qt::ArrowCursor);
  m_dialog->show();
}

void TReportProgress::Refresh(int done) {
  m_lastUpdate = m_clock.elapsed();
  if (m_total > 0) m_dialog->setValue(std::min(done, m_total));
  QCoreApplication::processEvents();
  m_cancelled = m_dialog->wasCanceled();
}

bool TReportProgress::Step(int done) {
  if (m_cancelled) return false;
  m_done = done;
  if (m_finished) return true;
  if (Handler()) {
    m_cancelled = !Handler()(m_label, done, m_total);
    return !m_cancelled;
  }
  if (!m_cursor) return true;  // no windows: nothing to show
  const qint64 now = m_clock.elapsed();
  if ((!m_dialog && now < ShowAfterMs) || (m_lastUpdate >= 0 && now - m_lastUpdate < RefreshMs))
    return true;
  Show();
  Refresh(done);
  return !m_cancelled;
}

bool TReportProgress::Poll() {
  if (m_cancelled) return false;
  if (m_finished) return true;
  if (Handler()) {
    m_cancelled = !Handler()(m_label, m_done, m_total);
    return !m_cancelled;
  }
  // Only a dialog on the screen needs to answer; one not shown yet waits for the next step.
  if (!m_dialog || m_clock.elapsed() - m_lastUpdate < RefreshMs) return true;
  Refresh(m_done);
  return !m_cancelled;
}

void TReportProgress::ShowNow() {
  if (m_cancelled || m_finished) return;
  if (Handler()) {
    m_cancelled = !Handler()(m_label, m_done, m_total);
    return;
  }
  if (!m_cursor) return;
  const bool shown = m_dialog != nullptr;
  Show();
  if (!shown) {
    // The window paints once the window system has mapped it: until then it is not on the
    // screen, and what comes next may keep the program busy for a while.
    TPaintSeen painted(m_dialog.get());
    QElapsedTimer waited;
    waited.start();
    for (;;) {
      QCoreApplication::processEvents();
      if (painted.Seen || m_dialog->wasCanceled() || waited.elapsed() >= ExposeWaitMs) break;
      QThread::msleep(2);
    }
  }
  Refresh(m_done);
}

TReportRun::TReportRun(QWidget *owner, bool showAtOnce)
    : m_progress(QStringLiteral("Preparing the report..."), -1, owner), m_outer(CurrentRun()) {
  CurrentRun() = this;
  if (showAtOnce) m_progress.ShowNow();
}

TReportRun::~TReportRun() { CurrentRun() = m_outer; }

TReportRun *TReportRun::Current() { return CurrentRun(); }

void TReportRun::Poll() {
  TReportRun *run = CurrentRun();
  if (run && !run->m_progress.Poll() && run->Preparing) throw EReportCancelled();
}
