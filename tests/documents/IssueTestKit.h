#pragma once
// Working the issue editor and journal through their controls in tests.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QThread>
#include <memory>

#include "core/DataUnit.h"
#include "documents/DivazOutUnit.h"
#include "platform/CalcEdit.h"
#include "platform/Grids.h"
#include "support/Fixtures.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"

namespace issuekit {

// The editor for a new issue (1), a new reservation (3, -1) or a reservation's write-off.
class TEditor {
 public:
  TEditor(int waybillId, int docType) : W(new TDivazOut(nullptr, waybillId, static_cast<uint8_t>(docType))) {
    W->show();
    QCoreApplication::processEvents();
  }
  std::unique_ptr<TDivazOut> W;

  void Next() { W->BitBtn2->click(); }
  // Selects the source row of a material by name; false when it is not listed.
  bool Pick(const QString &name) {
    for (int r = 0; r < W->DBGrid1->rowCount(); ++r)
      if (W->DBGrid1->item(r, 0) && W->DBGrid1->item(r, 0)->text() == name) {
        W->DBGrid1->setCurrentCell(r, 0);
        return true;
      }
    return false;
  }
  void Add(const QString &name, const QString &qty) {
    ASSERT_TRUE(Pick(name)) << name.toStdString() << " is not in the source list";
    W->Qty->setText(qty);
    W->AddBtn->click();
  }
  void Save() { W->SaveWB->click(); }
  bool Saved() const { return W->ModalResult() == mrOk; }
  // Data rows that carry a line.
  int Lines() const {
    int n = 0;
    for (int r = 1; r < W->CntGrd->RowCount(); ++r)
      if (W->CntGrd->Objects(0, r)) ++n;
    return n;
  }
  QString Cell(int col, int row) const { return W->CntGrd->Cells(col, row); }
};

// Everything the ledger keeps, as text, to compare before and after a failed action.
inline QString Snapshot() { return fx::Snapshot(); }

inline double Value(const QString &sql) { return SQLFloat(sql); }

// The files through which the multi-process tests hand work to their client processes.
inline bool WaitForFile(const QString &path, int ms) {
  for (int waited = 0; waited < ms; waited += 2) {
    if (QFile::exists(path)) return true;
    QThread::msleep(2);
  }
  return false;
}

// Writes a file whole under its name (a reader never sees it half-written).
inline void WriteFile(const QString &path, const QString &text) {
  QFile f(path + QStringLiteral(".tmp"));
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(text.toUtf8());
  f.close();
  ASSERT_TRUE(QFile::rename(path + QStringLiteral(".tmp"), path));
}

inline QString ReadFile(const QString &path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly)) return QString();
  return QString::fromUtf8(f.readAll());
}

}  // namespace issuekit
