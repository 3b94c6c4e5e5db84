// Reports as a storekeeper runs them from the menus, over the demo data set of a large workshop
// (scale 144) and of ten times one (scale 1000): how long after OK in the report filter the
// progress dialog appears, how soon its Cancel ends the work, and the whole-store stock list
// with its preview open: the peak memory of the program and the time to write its PDF.
#include <gtest/gtest.h>
#include <malloc.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressDialog>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

#include "catalogue/DivazUnit.h"
#include "platform/report/QuickRpt.h"
#include "platform/report/ReportModel.h"
#include "platform/report/ReportPreview.h"
#include "platform/report/ReportProgress.h"
#include "reports/PrintFilterUnit.h"
#include "support/ScriptedDialogs.h"
#include "StoreBench.h"

namespace {

// A figure of /proc/self/status in megabytes (VmHWM: the peak resident memory).
double StatusMB(const char *key) {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray &line : status.readAll().split('\n'))
    if (line.startsWith(key)) return line.mid(int(qstrlen(key)) + 1).trimmed().split(' ')[0].toDouble() / 1024;
  return -1;
}

// Gives back what the data loading left in the allocator and starts the peak afresh.
void ResetPeak() {
  malloc_trim(0);
  QFile clear(QStringLiteral("/proc/self/clear_refs"));
  if (clear.open(QIODevice::WriteOnly)) clear.write("5");
}

// Notes when the progress dialog first paints and, when asked, presses its Cancel a while
// after (less than 0: never). A click is taken when the program next looks at its events,
// as the timer's.
class TDialogWatch : public QObject {
 public:
  explicit TDialogWatch(int cancelAfterMs) : m_cancelAfter(cancelAfterMs) {
    m_clock.start();
    qApp->installEventFilter(this);
  }
  ~TDialogWatch() override { qApp->removeEventFilter(this); }
  double ShownAt = -1;  // ms after the start
  double CancelledAt = -1;  // when Cancel was pressed

  bool eventFilter(QObject *o, QEvent *e) override {
    if (e->type() != QEvent::Paint || ShownAt >= 0) return false;
    for (QObject *w = o; w; w = w->parent())
      if (auto *dialog = qobject_cast<QProgressDialog *>(w)) {
        ShownAt = Ms(m_clock);
        if (m_cancelAfter >= 0) {
          CancelledAt = ShownAt + m_cancelAfter;
          QTimer::singleShot(m_cancelAfter, dialog, &QProgressDialog::cancel);
        }
        break;
      }
    return false;
  }
  double Elapsed() const { return Ms(m_clock); }

 private:
  int m_cancelAfter;
  QElapsedTimer m_clock;
};

// A print entry of the main window; with a filter, its OK is pressed at once.
struct TReportRun {
  const char *Name;
  QAction *TDivazForm::*Entry;
  bool Filter;
};

const TReportRun Reports[] = {
    {"stock list", &TDivazForm::N19, true},
    {"critical stock", &TDivazForm::N9, true},
    {"movements", &TDivazForm::N18, true},
    {"materials list", &TDivazForm::Catalogs1, true},
    {"receipt journal", &TDivazForm::N16, true},
    {"issue journal", &TDivazForm::N17, true},
    {"reservations by material", &TDivazForm::N14, false},
    {"reservations by order", &TDivazForm::N15, false},
    {"purchase requests", &TDivazForm::N8, false},
};

class ReportRunBench : public StoreBench {
 protected:
  void SetUp() override {
    StoreBench::SetUp();
    m_oldPreview = SetPreviewHandler([this](TQuickRep &r) {
      m_previewAt = m_watch ? m_watch->Elapsed() : -1;
      m_pages = r.Model().PageCount();
      if (m_onPreview) m_onPreview(r);
    });
  }
  void TearDown() override {
    SetPreviewHandler(m_oldPreview);
    StoreBench::TearDown();
  }

  // Runs the report from the main window's menu; presses Cancel a while after the dialog
  // shows (less than 0: never). Prints when the dialog showed after OK in the filter (or the
  // click on the entry) and when the work ended (the preview shown, or the cancel taken).
  void Time(TDivazForm &form, const TReportRun &report, int cancelAfterMs) {
    m_previewAt = -1;
    m_pages = 0;
    std::unique_ptr<TDialogWatch> watch;
    if (report.Filter)
      Script().OnModal(QStringLiteral("PrintFilter"), [&](QDialog *d) {
        static_cast<TPrintFilter *>(d)->BitBtn2->click();
        watch = std::make_unique<TDialogWatch>(cancelAfterMs);
        m_watch = watch.get();
        return mrNone;
      });
    else
      m_watch = (watch = std::make_unique<TDialogWatch>(cancelAfterMs)).get();
    (form.*report.Entry)->trigger();
    const double ended = watch->Elapsed();
    m_watch = nullptr;
    std::printf("%s: progress dialog after %s, ", report.Name,
                watch->ShownAt < 0 ? "(never shown)" : qPrintable(QStringLiteral("%1 ms").arg(watch->ShownAt, 0, 'f', 0)));
    if (m_previewAt >= 0)
      std::printf("preview after %.0f ms (%d pages)\n", m_previewAt, m_pages);
    else
      std::printf("Cancel pressed %d ms later, work ended %.0f ms after it\n", cancelAfterMs,
                  ended - watch->CancelledAt);
    std::fflush(stdout);
  }

  TPreviewHandler m_oldPreview;
  std::function<void(TQuickRep &)> m_onPreview;
  TDialogWatch *m_watch = nullptr;
  double m_previewAt = -1;
  int m_pages = 0;
};

TEST_F(ReportRunBench, MaterialsListOfALargeWorkshop) {
  Load(144);
  StartUp();
  TDivazForm form;
  ShowAndPaint(form);
  for (const TReportRun &r : Reports)
    if (QByteArray(r.Name) == "materials list") Time(form, r, -1);
}

TEST_F(ReportRunBench, TenTimesALargeWorkshop) {
  Load(1000);
  StartUp();
  TDivazForm form;
  ShowAndPaint(form);
  // Each report until its dialog shows, then cancelled a second later.
  for (const TReportRun &r : Reports) Time(form, r, 1000);

  // The whole-store stock list with its preview open on the first and the last page, then
  // written to PDF from the preview's model, as its Save button does.
  ResetPeak();
  const double before = StatusMB("VmRSS:");
  double pdf = 0, preview = 0, packed = 0, previewPeak = 0;
  m_onPreview = [&](TQuickRep &r) {
    packed = r.Model().Pages.PackedBytes() / 1048576.0;
    QElapsedTimer t;
    t.start();
    TQRPreview window(r.Model(), r.ReportTitle);
    window.show();
    Paint(window);
    window.LastBtnClick();
    Paint(window);
    preview = Ms(t);
    previewPeak = StatusMB("VmHWM:");
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("stock.pdf"));
    t.restart();
    QString error;
    EXPECT_TRUE(WriteReportPdf(r.Model(), file, &error)) << error.toStdString();
    pdf = Ms(t);
  };
  Time(form, Reports[0], -1);
  m_onPreview = nullptr;
  std::printf("stock list, whole store: preview open on the first and last page in %.0f ms; PDF written "
              "in %.0f ms; memory before %.0f MB, peak with the preview open %.0f MB (pages %.0f MB), "
              "peak after the PDF %.0f MB\n",
              preview, pdf, before, previewPeak, packed, StatusMB("VmHWM:"));
  std::fflush(stdout);
}

}  // namespace
