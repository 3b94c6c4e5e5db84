// The main window over the demo data set shows the rows of its golden file, in the same order,
// with the same texts, figures and red quantities, in stock mode (all groups, critical only, a
// group, a search, a profile system) and back in catalogue mode. Each row also carries the
// hidden fields that the window's commands read. Rows that the lists' order leaves tied (one
// material's colours, materials of one name in one subgroup) come by material and colour.
// WAREHOUSE_UPDATE_GOLDEN=1 rewrites the file from the current lists.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>

#include "catalogue/DivazUnit.h"
#include "catalogue/StorageModel.h"
#include "core/CommonVariables.h"
#include "core/IDComboBox.h"
#include "core/Startup.h"
#include "platform/Clock.h"
#include "platform/SysUtils.h"
#include "support/TestDatabase.h"

namespace {

QString GoldenFile() { return QStringLiteral(WAREHOUSE_SOURCE_DIR "/tests/catalogue/golden/demo_lists.txt"); }

// The list as the grid shows it: a heading, then per row the shown texts, "red" for a red
// quantity, and the hidden fields.
QStringList Listed(const TDivazForm &form, const QString &heading) {
  const TStorageModel &m = *form.Model;
  const QStringList hidden = m.Mode() == 1
                                 ? QStringList{"ID", "COLOR", "SYSTEMID", "CATGROUP", "SUBGROUP", "DIFF"}
                                 : QStringList{"ID", "SYSTEMID", "CATGROUP", "SUBGROUP", "DIFF", "ISCOLOR"};
  QStringList out{QStringLiteral("== %1: %2 rows").arg(heading).arg(m.rowCount())};
  for (int r = 0; r < m.rowCount(); ++r) {
    QStringList cells;
    bool red = false;
    for (int c = 0; c < m.columnCount(); ++c) {
      cells << m.DisplayText(r, c);
      red = red || m.data(m.index(r, c), Qt::ForegroundRole).isValid();
    }
    QStringList fields;
    for (const QString &f : hidden) {
      const QVariant v = m.Value(r, f);
      fields << f + QLatin1Char('=') + (v.typeId() == QMetaType::Double ? FloatToStr(v.toDouble()) : v.toString());
    }
    out << cells.join(QStringLiteral(" | ")) + (red ? QStringLiteral(" | red") : QString()) + QStringLiteral(" | ") +
               fields.join(QLatin1Char(' '));
  }
  return out;
}

void Choose(TIDComboBox *combo, const QString &text) {
  const int i = combo->findText(text);
  ASSERT_GE(i, 0) << text.toStdString();
  combo->setCurrentIndex(i);
  emit combo->activated(i);
}

class DemoLists : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    CheckLedger = false;  // the lists only read
    Clock::SetFixed(QDateTime(QDate(2024, 3, 5), QTime(14, 7, 9)));
    Db->LoadDemo(1);
    QTemporaryDir folder;
    const TStartupResult result = Db->StartProgram(folder.path(), "Demo");
    ASSERT_EQ(result.Outcome, TStartupOutcome::Ready) << result.Message.toStdString();
  }
  void TearDown() override {
    StartupFreeLists();
    DbTest::TearDown();
  }
};

TEST_F(DemoLists, StockModeAndTheCatalogueShowTheirGoldenRows) {
  TDivazForm form;
  form.show();
  QStringList listed;
  form.SpeedButton1->click();
  const QStringList all = Listed(form, "stock mode, all groups");
  listed << all;
  form.SpeedButton2->click();
  listed << Listed(form, "stock mode, critical only");
  form.SpeedButton2->click();
  EXPECT_EQ(Listed(form, "stock mode, all groups"), all);
  Choose(form.IDcb_Grp, QStringLiteral("Профили"));
  listed << Listed(form, "stock mode, group Профили");
  form.SpeedButton2->click();
  listed << Listed(form, "stock mode, group Профили, critical only");
  form.SpeedButton2->click();
  Choose(form.IDcb_SubGrp, QStringLiteral("Профили сосна"));
  listed << Listed(form, "stock mode, subgroup Профили сосна");
  form.Edit1->setText(QStringLiteral("IV-92"));
  form.FindBtn->click();
  listed << Listed(form, "stock mode, search IV-92");
  form.Edit1->clear();
  form.FindBtn->click();
  EXPECT_EQ(Listed(form, "stock mode, all groups"), all);
  ASSERT_GE(form.FSystemButtons.size(), 3);
  form.FSystemButtons[2]->click();
  listed << Listed(form, "stock mode, profile system 1");
  form.SpeedButton1->click();
  listed << Listed(form, "catalogue mode, profile system 1");
  form.FSystemButtons[0]->click();
  listed << Listed(form, "catalogue mode, all groups");

  QFile file(GoldenFile());
  if (qEnvironmentVariableIntValue("WAREHOUSE_UPDATE_GOLDEN") == 1) {
    QDir().mkpath(QFileInfo(file).path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(listed.join(QLatin1Char('\n')).toUtf8() + '\n');
    return;
  }
  ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << file.fileName().toStdString();
  QStringList golden = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
  if (!golden.isEmpty() && golden.back().isEmpty()) golden.removeLast();
  // The first difference says where the lists part; the counts say how much.
  const qsizetype n = std::min(golden.size(), listed.size());
  for (qsizetype i = 0; i < n; ++i)
    if (golden[i] != listed[i]) {
      ADD_FAILURE() << "line " << i + 1 << ": listed \"" << listed[i].toStdString() << "\", golden \""
                    << golden[i].toStdString() << "\"";
      break;
    }
  EXPECT_EQ(listed.size(), golden.size());
}

}  // namespace
