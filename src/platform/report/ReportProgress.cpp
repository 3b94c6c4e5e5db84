#include "platform/report/ReportProgress.h"

#include <QApplication>
#include <QProgressDialog>

namespace {
TReportProgressHandler &Handler() {
  static TReportProgressHandler handler;
  return handler;
}
// The dialog shows once the work has taken this long, and is refreshed this often.
constexpr qint64 ShowAfterMs = 500, RefreshMs = 50;
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

TReportProgress::~TReportProgress() {
  m_dialog.reset();
  if (m_cursor) QApplication::restoreOverrideCursor();
}

bool TReportProgress::Step(int done) {
  if (m_cancelled) return false;
  if (Handler()) {
    m_cancelled = !Handler()(m_label, done, m_total);
    return !m_cancelled;
  }
  if (!m_cursor) return true;  // no windows: nothing to show
  const qint64 now = m_clock.elapsed();
  if (now < ShowAfterMs || (m_lastUpdate >= 0 && now - m_lastUpdate < RefreshMs)) return true;
  m_lastUpdate = now;
  if (!m_dialog) {
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
  if (m_total > 0) m_dialog->setValue(std::min(done, m_total));
  QCoreApplication::processEvents();
  m_cancelled = m_dialog->wasCanceled();
  return !m_cancelled;
}
