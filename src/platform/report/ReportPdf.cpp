// The PDF writer of laid-out reports. Pages are written by several threads at once, each page
// into a compressed content stream of its own (PdfPage) from the page unpacked; each thread
// shapes a text once while it keeps coming back (captions and most figures repeat on every
// page), and the fonts are embedded
// once, cut down to the glyphs the report uses (PdfFonts). Here the threads are run and the
// document is put together (PdfFile).
#include <QHash>
#include <QPageLayout>
#include <QSaveFile>
#include <QSet>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/report/PdfFile.h"
#include "platform/report/PdfFonts.h"
#include "platform/report/PdfPage.h"
#include "platform/report/ReportModel.h"
#include "platform/report/ReportProgress.h"

namespace {

using namespace pdf;

enum class TOutcome { kWritten, kCancelled, kFailed };

// The report's fonts, each once: the packed pages know them.
const std::vector<QFont> &ReportFonts(const TReportModel &model) { return model.Pages.TextFonts(); }

// The numbers of the document's objects that are known before the pages are written.
struct TFrame {
  int Catalog = 0, Tree = 0, Info = 0;
  std::vector<int> Pages;  // each page's dictionary; its content stream is the number after
};

TFrame StartDocument(TFile &pdf, int pageCount) {
  pdf.Start();
  TFrame frame;
  frame.Catalog = pdf.Reserve();
  frame.Tree = pdf.Reserve();
  frame.Info = pdf.Reserve();
  for (int i = 0; i < pageCount; ++i) {
    frame.Pages.push_back(pdf.Reserve());
    pdf.Reserve();  // its content
  }
  return frame;
}

// The document around the pages' content streams, which are written already: catalogue, page
// tree, pages, fonts and pictures.
bool FinishDocument(TFile &pdf, const TFrame &frame, const QRectF &paper,
                    std::vector<TPageOut> &pages,
                    const std::vector<std::unique_ptr<TPageWriter>> &writers,
                    const TFontRegistry &registry) {
  const int pageCount = int(pages.size());
  const int catalog = frame.Catalog, tree = frame.Tree, info = frame.Info;
  const std::vector<int> &pageObjects = frame.Pages;
  // The glyphs every thread used, by font file; the files numbered in a fixed order.
  std::map<QByteArray, TFont> fonts;
  for (const auto &w : writers)
    for (const auto &[index, glyphs] : w->Used) {
      TFont &font = fonts[registry.At(index).Key];
      font.File = &registry.At(index);
      font.Glyphs.insert(glyphs.begin(), glyphs.end());
    }

  for (auto &entry : fonts) entry.second.Object = pdf.Reserve();
  QHash<qint64, int> images;
  for (const TPageOut &page : pages)
    for (const QImage &image : page.Images)
      if (!images.contains(image.cacheKey())) images.insert(image.cacheKey(), pdf.Reserve());

  QByteArray body("<< /Type /Catalog /Pages ");
  Int(body, tree);
  body += " 0 R >>";
  pdf.Object(catalog, body);
  body = "<< /Type /Pages /Count ";
  Int(body, pageCount);
  body += " /Kids [";
  for (const int p : pageObjects) {
    Int(body, p);
    body += " 0 R ";
  }
  body += "] >>";
  pdf.Object(tree, body);
  body = "<< /Creator " + TextString(u"Warehouse") + " /Producer " + TextString(u"Warehouse") +
         " >>";
  pdf.Object(info, body);

  QByteArray mediaBox("[0 0 ");
  Num(mediaBox, paper.width());
  Num(mediaBox, paper.height());
  mediaBox += ']';
  for (int i = 0; i < pageCount; ++i) {
    TPageOut &page = pages[size_t(i)];
    body = "<< /Type /Page /Parent ";
    Int(body, tree);
    body += " 0 R /MediaBox " + mediaBox + " /Contents ";
    Int(body, pageObjects[size_t(i)] + 1);
    body += " 0 R /Resources << /ProcSet [/PDF /Text /ImageB /ImageC] /Font <<";
    for (size_t f = 0; f < page.Fonts.size(); ++f) {
      body += " /F";
      Int(body, qint64(f));
      body += ' ';
      Int(body, fonts[registry.At(page.Fonts[f]).Key].Object);
      body += " 0 R";
    }
    body += " >> /XObject <<";
    for (size_t m = 0; m < page.Images.size(); ++m) {
      body += " /Im";
      Int(body, qint64(m));
      body += ' ';
      Int(body, images.value(page.Images[m].cacheKey()));
      body += " 0 R";
    }
    body += " >> >> >>";
    pdf.Object(pageObjects[size_t(i)], body);
  }
  for (const auto &entry : fonts) WriteFont(pdf, entry.second);
  QSet<qint64> written;
  for (const TPageOut &page : pages)
    for (const QImage &image : page.Images)
      if (!written.contains(image.cacheKey())) {
        written.insert(image.cacheKey());
        WriteImage(pdf, images.value(image.cacheKey()), image);
      }
  return pdf.Finish(catalog, info);
}

TOutcome Write(const TReportModel &model, QSaveFile &file, TReportProgress *progress) {
  TFile pdf(file);
  const QRectF paper = ReportPageLayout(model).fullRectPoints();
  const int pageCount = model.PageCount();
  const std::vector<QFont> reportFonts = ReportFonts(model);

  // The pages are shared out among threads as they become free. A thread that fails (for
  // want of memory) stops the others; a thread that cannot start leaves its pages to them.
  const int threads = int(std::clamp<unsigned>(std::thread::hardware_concurrency(), 1, 8));
  const int used = std::max(1, std::min(threads, pageCount / 4));
  TFontRegistry registry;
  std::vector<std::unique_ptr<TPageWriter>> writers;
  for (int t = 0; t < used; ++t) writers.push_back(std::make_unique<TPageWriter>(reportFonts, registry));
  std::vector<TPageOut> pages(static_cast<size_t>(pageCount));
  // A page's content goes into the file as soon as it and the pages before it are ready, so
  // that the contents of a long report are not all held at once.
  const TFrame frame = StartDocument(pdf, pageCount);
  std::unique_ptr<std::atomic<bool>[]> ready(new std::atomic<bool>[size_t(pageCount) + 1]);
  for (int i = 0; i < pageCount; ++i) ready[size_t(i)] = false;
  std::atomic<int> next{0}, done{0}, stopped{0};
  std::atomic<bool> cancelled{false}, failed{false};
  int flushed = 0;
  const auto flush = [&] {
    try {
      for (; flushed < pageCount && ready[size_t(flushed)].load(std::memory_order_acquire); ++flushed) {
        TPageOut &page = pages[size_t(flushed)];
        pdf.Stream(frame.Pages[size_t(flushed)] + 1, " /Filter /FlateDecode", page.Content);
        page.Content = QByteArray();
      }
    } catch (...) {  // out of memory: the threads stop, as when one of them fails
      failed = true;
      cancelled = true;
    }
  };
  std::mutex mutex;
  std::condition_variable wake;
  const auto tell = [&] {
    std::lock_guard<std::mutex> lock(mutex);
    wake.notify_all();
  };
  // Qt's own threads: the fonts a thread loads are let go of properly when it ends. All of
  // them are made before any starts, so that none is left running when making one fails.
  std::vector<std::unique_ptr<QThread>> workers;
  for (int t = 0; t < used; ++t)
    workers.emplace_back(QThread::create([&, t] {
      TPageWriter &writer = *writers[size_t(t)];
      try {
        TReportPage page;  // each page unpacked in turn
        for (int i; !cancelled && (i = next++) < pageCount;) {
          model.Pages.Read(size_t(i), page);
          writer.Write(page, paper.height(), pages[size_t(i)]);
          ready[size_t(i)].store(true, std::memory_order_release);
          if (++done == pageCount) tell();
        }
      } catch (...) {
        failed = true;
        cancelled = true;
      }
      writer.ReleaseFonts();
      ++stopped;
      tell();
    }));
  for (auto &w : workers) {
    w->start();
    if (!w->isRunning() && !w->isFinished()) ++stopped;  // no thread could be made for it
  }
  bool userCancelled = false;
  for (int last = -1;;) {
    const int now = done;
    if (progress && pageCount > 0 && !cancelled) {
      const int step = std::min(now, pageCount - 1);
      if (step > last && !progress->Step(step)) {
        cancelled = userCancelled = true;
        break;
      }
      last = std::max(last, step);
    }
    flush();
    if (now == pageCount || stopped == used) break;
    std::unique_lock<std::mutex> lock(mutex);
    wake.wait_for(lock, std::chrono::milliseconds(50),
                  [&] { return done == pageCount || stopped == used; });
  }
  for (auto &w : workers) w->wait();
  if (userCancelled) return TOutcome::kCancelled;
  if (failed || done != pageCount) return TOutcome::kFailed;
  flush();
  return FinishDocument(pdf, frame, paper, pages, writers, registry) ? TOutcome::kWritten
                                                                     : TOutcome::kFailed;
}

}  // namespace

bool WriteReportPdf(const TReportModel &model, const QString &fileName, QString *error,
                    TReportProgress *progress) {
  QSaveFile file(fileName);
  TOutcome outcome = TOutcome::kFailed;
  if (file.open(QIODevice::WriteOnly)) {
    try {
      outcome = Write(model, file, progress);
    } catch (const std::exception &) {
      outcome = TOutcome::kFailed;  // out of memory while the document was put together
    }
  }
  if (outcome == TOutcome::kWritten && file.commit()) return true;
  file.cancelWriting();
  if (error) {
    if (outcome == TOutcome::kCancelled)
      error->clear();
    else
      *error = QStringLiteral("Cannot write the file %1.").arg(fileName);
  }
  return false;
}
