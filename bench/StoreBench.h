#pragma once
// What the benches over the demo data set share: loading it at a scale, the program's start-up
// on it, and timing a window until it has painted.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWidget>
#include <algorithm>
#include <cstdio>

#include "core/DataUnit.h"
#include "core/Startup.h"
#include "support/TestDatabase.h"

inline double Ms(const QElapsedTimer &t) { return t.nsecsElapsed() / 1e6; }

// Shows the window and waits until it has painted once.
inline void ShowAndPaint(QWidget &w) {
  w.resize(1000, 700);
  w.show();
  QApplication::processEvents();
  w.repaint();
  QApplication::processEvents();
}

// Waits until a shown window has painted what the last action changed.
inline void Paint(QWidget &w) {
  QApplication::processEvents();
  w.repaint();
  QApplication::processEvents();
}

class StoreBench : public DbTest {
 protected:
  // Fills the databases with the demo data set at the scale; prints its size.
  void Load(int scale) {
    CheckLedger = false;
    QElapsedTimer t;
    t.start();
    Db->LoadDemo(scale);
    std::printf("demo data, scale %d: %d materials, %d stock rows, %d documents (loaded in %.0f s)\n", scale,
                SQLInt("select count(*) from Catalog"), SQLInt("select count(*) from CatalogQty"),
                SQLInt("select count(*) from Waybill"), Ms(t) / 1000);
    std::fflush(stdout);
  }
  // Start-up as the program runs it: key file, registry, connection and every list.
  void StartUp() {
    const TStartupResult result = Db->StartProgram(m_folder.path(), "Demo");
    ASSERT_EQ(result.Outcome, TStartupOutcome::Ready) << result.Message.toStdString();
  }
  void TearDown() override {
    StartupFreeLists();
    DbTest::TearDown();
  }

  QTemporaryDir m_folder;
};
