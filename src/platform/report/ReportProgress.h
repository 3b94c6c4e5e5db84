#pragma once
// Signs of life while a report is laid out or written to a file: a progress dialog with a
// Cancel button that shows once the work has taken half a second, and a busy cursor from the
// start. Tests replace the dialog with a handler that decides when to cancel.
#include <QElapsedTimer>
#include <QString>
#include <exception>
#include <functional>
#include <memory>

class QProgressDialog;
class QWidget;

// Raised by the lay-out when the user cancelled it; the report shows nothing then.
class EReportCancelled : public std::exception {
 public:
  const char *what() const noexcept override { return "The report was cancelled."; }
};

class TReportProgress {
 public:
  // total: the steps the work has (0 or less: unknown).
  TReportProgress(const QString &label, int total, QWidget *owner);
  ~TReportProgress();
  TReportProgress(const TReportProgress &) = delete;
  TReportProgress &operator=(const TReportProgress &) = delete;

  // Reports that `done` steps are done; false once the user has cancelled.
  bool Step(int done);
  bool Cancelled() const { return m_cancelled; }

 private:
  QString m_label;
  int m_total;
  QWidget *m_owner;
  QElapsedTimer m_clock;
  qint64 m_lastUpdate = -1;
  bool m_cancelled = false;
  bool m_cursor = false;
  std::unique_ptr<QProgressDialog> m_dialog;
};

// Replaces the dialog (an empty handler restores it): called at every step with the label,
// the steps done and the total; returning false cancels. Returns the handler in force.
using TReportProgressHandler = std::function<bool(const QString &label, int done, int total)>;
TReportProgressHandler SetReportProgressHandler(TReportProgressHandler handler);
