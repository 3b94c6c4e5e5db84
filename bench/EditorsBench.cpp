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

// What one run measured: the time until the window had painted, and what it showed.
struct TRun {
  double Ms;
  QString Shown;
};

// Chooses the supplier in the receipt editor as a user does, and waits for the paint.
void ChooseSupplier(TDivazIn &editor, int supplier) {
  const int index = editor.IDcb_Supplier->IndexOfValue(QVariant(supplier));
  editor.IDcb_Supplier->setCurrentIndex(index);
  emit editor.IDcb_Supplier->activated(index);
  Paint(editor);
}

class EditorsBench : public StoreBench {
 protected:
  // Runs the action kRuns times; prints every figure, the least and the middle one.
  void Measure(const char *what, const std::function<TRun()> &run) {
    QVector<double> ms;
    QString shown;
    for (int i = 0; i < kRuns; ++i) {
      const TRun r = run();
      ms << r.Ms;
      shown = r.Shown;
    }
    QStringList each;
    for (double m : ms) each << QString::number(m, 'f', 0);
    std::sort(ms.begin(), ms.end());
    std::printf("%s: min %.0f ms, median %.0f ms (%s ms; %s)\n", what, ms.front(), ms[ms.size() / 2],
                qPrintable(each.join(QStringLiteral(", "))), qPrintable(shown));
    std::fflush(stdout);
  }
};

TEST_F(EditorsBench, TenTimesALargeWorkshop) {
  Load(1000);
  StartUp();
  const int largest = SQLInt("select SUPPLIER from Catalog group by SUPPLIER order by count(*) desc, SUPPLIER limit 1");

  Measure("count editor opening", [] {
    QElapsedTimer t;
    t.start();
    TDivazInventory editor(nullptr, -1);
    ShowAndPaint(editor);
    return TRun{Ms(t), QStringLiteral("%1 source rows").arg(editor.QSource.RecordCount())};
  });
  Measure("receipt editor opening", [] {
    QElapsedTimer t;
    t.start();
    std::unique_ptr<TDivazIn> editor(TDivazIn::CreateDoc(nullptr, -1, 0));
    ShowAndPaint(*editor);
    return TRun{Ms(t), QStringLiteral("%1 materials of the first supplier").arg(editor->q1.RecordCount())};
  });
  Measure("receipt editor: choosing the largest supplier", [largest] {
    std::unique_ptr<TDivazIn> editor(TDivazIn::CreateDoc(nullptr, -1, 0));
    ShowAndPaint(*editor);
    QElapsedTimer t;
    t.start();
    ChooseSupplier(*editor, largest);
    return TRun{Ms(t), QStringLiteral("%1 materials").arg(editor->q1.RecordCount())};
  });
  Measure("receipt editor: stock of the largest supplier", [largest] {
    std::unique_ptr<TDivazIn> editor(TDivazIn::CreateDoc(nullptr, -1, 0));
    ShowAndPaint(*editor);
    ChooseSupplier(*editor, largest);
    QElapsedTimer t;
    t.start();
    editor->SpeedButton1->click();
    Paint(*editor);
    return TRun{Ms(t), QStringLiteral("%1 stock rows").arg(editor->q2.RecordCount())};
  });
  Measure("receipt journal: ticking \"Накладные\"", [] {
    TWBIn journal(nullptr);
    ShowAndPaint(journal);
    QElapsedTimer t;
    t.start();
    journal.Chk1->click();
    Paint(journal);
    return TRun{Ms(t), QStringLiteral("%1 documents").arg(journal.WBInSource.RecordCount())};
  });
}

}  // namespace
