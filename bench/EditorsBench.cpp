// The document editors and the receipt journal over ten times a large workshop (scale 1000 of
// the demo data set): the count editor's opening on every open lot, the receipt editor's
// opening and its change to the supplier with the most materials, and the receipt journal's
// "Накладные" tick. Each action runs three times on the loaded data; each figure is the time
// until the window has painted, with the least and the middle of the three.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QToolButton>
#include <memory>

#include "core/IDComboBox.h"
#include "documents/DivazInPickerUnit.h"
#include "documents/DivazInUnit.h"
#include "documents/DivazInventoryUnit.h"
#include "documents/WBInUnit.h"
#include "StoreBench.h"

namespace {

constexpr int kRuns = 3;

class EditorsBench : public StoreBench {
 protected:
  // Runs the timed action kRuns times; prints every figure, the least and the middle one.
  // The action starts the timer and reads it when the window has painted.
  void Measure(const char *what, const std::function<QString(QElapsedTimer &, double &)> &run) {
    QVector<double> ms;
    QString detail;
    for (int i = 0; i < kRuns; ++i) {
      QElapsedTimer t;
      double elapsed = 0;
      detail = run(t, elapsed);
      ms << elapsed;
    }
    QStringList each;
    for (double m : ms) each << QString::number(m, 'f', 0);
    std::sort(ms.begin(), ms.end());
    std::printf("%s: min %.0f ms, median %.0f ms (%s ms; %s)\n", what, ms.front(), ms[ms.size() / 2],
                qPrintable(each.join(QStringLiteral(", "))), qPrintable(detail));
    std::fflush(stdout);
  }
};

TEST_F(EditorsBench, TenTimesALargeWorkshop) {
  Load(1000);
  StartUp();
  const int largest = SQLInt("select SUPPLIER from Catalog group by SUPPLIER order by count(*) desc, SUPPLIER limit 1");

  Measure("count editor opening", [](QElapsedTimer &t, double &ms) {
    t.start();
    TDivazInventory editor(nullptr, -1);
    ShowAndPaint(editor);
    ms = Ms(t);
    return QStringLiteral("%1 source rows").arg(editor.QSource.RecordCount());
  });
  Measure("receipt editor opening", [](QElapsedTimer &t, double &ms) {
    t.start();
    std::unique_ptr<TDivazIn> editor(TDivazIn::CreateDoc(nullptr, -1, 0));
    ShowAndPaint(*editor);
    ms = Ms(t);
    return QStringLiteral("%1 materials of the first supplier").arg(editor->q1.RecordCount());
  });
  Measure("receipt editor: choosing the largest supplier", [largest](QElapsedTimer &t, double &ms) {
    std::unique_ptr<TDivazIn> editor(TDivazIn::CreateDoc(nullptr, -1, 0));
    ShowAndPaint(*editor);
    t.start();
    const int index = editor->IDcb_Supplier->IndexOfValue(QVariant(largest));
    editor->IDcb_Supplier->setCurrentIndex(index);
    emit editor->IDcb_Supplier->activated(index);
    Paint(*editor);
    ms = Ms(t);
    return QStringLiteral("%1 materials").arg(editor->q1.RecordCount());
  });
  Measure("receipt editor: stock of the largest supplier", [largest](QElapsedTimer &t, double &ms) {
    std::unique_ptr<TDivazIn> editor(TDivazIn::CreateDoc(nullptr, -1, 0));
    ShowAndPaint(*editor);
    const int index = editor->IDcb_Supplier->IndexOfValue(QVariant(largest));
    editor->IDcb_Supplier->setCurrentIndex(index);
    emit editor->IDcb_Supplier->activated(index);
    Paint(*editor);
    t.start();
    editor->SpeedButton1->click();
    Paint(*editor);
    ms = Ms(t);
    return QStringLiteral("%1 stock rows").arg(editor->q2.RecordCount());
  });
  Measure("receipt journal: ticking \"Накладные\"", [](QElapsedTimer &t, double &ms) {
    TWBIn journal(nullptr);
    ShowAndPaint(journal);
    t.start();
    journal.Chk1->click();
    Paint(journal);
    ms = Ms(t);
    return QStringLiteral("%1 documents").arg(journal.WBInSource.RecordCount());
  });
}

}  // namespace
