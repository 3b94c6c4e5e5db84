#pragma once
// Signs of life while a report is prepared or written to a file: a progress dialog with a
// Cancel button and a busy cursor from the start. The dialog shows once the work has taken half
// a second, or at once for a report the user has just asked for (TReportRun). Tests replace the
// dialog with a handler that decides when to cancel.
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
  // Lets the dialog answer (repaint, take a click on Cancel) without a step: for work that
  // has no steps to count, such as taking over the rows of a query; false once cancelled.
  bool Poll();
  // Shows the dialog now, whatever the time, and waits until it is on the screen.
  void ShowNow();
  void SetTotal(int total);
  // The work is over: the dialog closes and the cursor is given back; later steps show nothing.
  void Finish();
  bool Cancelled() const { return m_cancelled; }

 private:
  void Show();
  void Refresh(int done);
  QString m_label;
  int m_total;
  int m_done = 0;
  QWidget *m_owner;
  QElapsedTimer m_clock;
  qint64 m_lastUpdate = -1;
  bool m_cancelled = false;
  bool m_cursor = false;
  bool m_finished = false;
  std::unique_ptr<QProgressDialog> m_dialog;
};

// A report from the moment the user asked for it (OK in its filter, a click on its command) to
// its preview. The caller starts the run before it creates the report: the dialog shows at
// once, before the report's queries, however long the first of them takes; the report's
// Preview carries on with the same dialog, and a Cancel pressed meanwhile shows nothing.
class TReportRun {
 public:
  explicit TReportRun(QWidget *owner, bool showAtOnce = true);
  ~TReportRun();
  TReportRun(const TReportRun &) = delete;
  TReportRun &operator=(const TReportRun &) = delete;

  // The run under way (the innermost one); nullptr when none.
  static TReportRun *Current();
  // Keeps the current run's dialog answering while a report query takes its rows over; while
  // the report is laid out, a cancel raises EReportCancelled.
  static void Poll();

  TReportProgress &Progress() { return m_progress; }
  bool Cancelled() const { return m_progress.Cancelled(); }
  // While set, a cancel seen by Poll raises EReportCancelled (the report is being laid out).
  bool Preparing = false;

 private:
  TReportProgress m_progress;
  TReportRun *m_outer;
};

// Replaces the dialog (an empty handler restores it): called at every step with the label,
// the steps done and the total; returning false cancels. Returns the handler in force.
using TReportProgressHandler = std::function<bool(const QString &label, int done, int total)>;
TReportProgressHandler SetReportProgressHandler(TReportProgressHandler handler);
