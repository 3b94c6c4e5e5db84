// The export window for the accounting system, worked through its controls against a real
// database: the exact bytes of the files, the export marks, the write-off log, and nothing
// left behind when an export fails.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <tuple>

#include "core/CommonVariables.h"
#include "core/DataUnit.h"
#include "documents/DivazInPickerUnit.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "reports/ReportFixture.h"
#include "reports/SCALAExportUnit.h"
#include "support/Fixtures.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"

namespace {

const QString kSure = QStringLiteral("\r\n\r\nVai esāt parliecināti?");

// Invoice lines of receipts PV-101, Nr.ē5Я and PV-103 (no lines) of the scenario below.
const QByteArray kInvoiceGolden =
    "1      PV-101              2024-03-01 2610       20.0000002        0.700000       14.000000       24.200000       16.940000        3.471074        2.429752 9610\r\n"
    "2      Nr.\xE7" "5?              2024-03-02           100.0000000        1.000000      100.000000      121.000000      121.000000       17.355372       17.355372     \r\n"
    "2      Nr.\xE7" "5?              2024-03-02 2610       14.5000000        1.000000       14.500000       17.545000       17.545000        2.516529        2.516529 9610\r\n"
    "2      Nr.\xE7" "5?              2024-03-02 2620        4.5000000        1.000000        4.500000        5.445000        5.445000        0.780992        0.780992 9620\r\n";

QByteArray WriteOffGolden(const char *start, const char *end, const QList<std::pair<const char *, const char *>> &rows) {
  QByteArray out;
  for (const auto &[accounts, sum] : rows) out += QByteArray(start) + end + accounts + sum + "\r\n";
  return out;
}

class ScalaExportTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    Clock::SetFixed(QDateTime(QDate(2024, 3, 15), QTime(14, 5, 9)));
    m_vat = VATPercent;
    VATPercent = 21;
    ASSERT_TRUE(m_dir.isValid());
    // Group 2 belongs to both accounts; group 4 to none.
    Db->Exec(QStringLiteral("insert into SCALA_MaterAccounts (ACODE, CATGROUPS) values "
                            "(\"610\", \"1,2\"), (\"620\", \"2,3\")"));
  }
  void TearDown() override {
    VATPercent = m_vat;
    DbTest::TearDown();
  }

  struct L {
    int Cat;
    double Qty, Price;
  };
  int Receipt(const QDate &date, const QString &num, int supplier, int currency, double rate,
              const QVector<L> &lines) {
    const int id = fx::Receipt(date, num, supplier);
    for (const L &l : lines) fx::Lot(id, l.Cat, -1, l.Qty, l.Price);
    Db->Exec(QStringLiteral("update Waybill set CURRENCY=%1, CURRENCYRATE=%2 where ID=%3")
                 .arg(currency)
                 .arg(rate)
                 .arg(id));
    return id;
  }
  // A document of a kind that moves no stock (request, count header); rate NULL.
  int Other(int kind, const QDate &date, const QString &num, const QVector<L> &lines) {
    Db->Exec(QStringLiteral("insert into Waybill (BDATE, NUM, ISOUT) values (\"%1\", \"%2\", %3)")
                 .arg(date.toString(Qt::ISODate), num)
                 .arg(kind));
    const int id = SQLInt(QStringLiteral("select ID from Waybill where NUM=%1").arg(QuoteSQL(num)));
    for (const L &l : lines)
      Db->Exec(QStringLiteral("insert into WaybillCont (WAYBILLID, CATID, QUANTITY, PRICE) values (%1, %2, %3, %4)")
                   .arg(id)
                   .arg(l.Cat)
                   .arg(l.Qty)
                   .arg(l.Price));
    return id;
  }

  // Suppliers 1 and 2; materials of group 1 (A), 2 (B) and 4 (C); the documents from February
  // to the day after today.
  void Scenario() {
    ASSERT_EQ(fx::Supplier(QStringLiteral("Kokmateriāli")), 1);
    ASSERT_EQ(fx::Supplier(QStringLiteral("Stikls")), 2);
    A = fx::Material(QStringLiteral("Priede 68x78"), 1, 0, 1);
    B = fx::Material(QStringLiteral("Blīve"), 1, 0, 2);
    C = fx::Material(QStringLiteral("Stikls 4mm"), 2, 0, 4);
    Feb = Receipt(QDate(2024, 2, 20), QStringLiteral("PV-090"), 1, 0, 1, {{B, 2, 5}});
    R1 = Receipt(QDate(2024, 3, 1), QStringLiteral("PV-101"), 1, 2, 0.7, {{A, 2, 10}});
    R2 = Receipt(QDate(2024, 3, 2), QStringLiteral("Nr.ē5Я"), 2, 0, 1,
                 {{A, 4, 2.5}, {B, 3, 1.5}, {C, 1, 100}});
    R3 = Receipt(QDate(2024, 3, 3), QStringLiteral("PV-103"), 1, 0, 1, {});
    Other(4, QDate(2024, 3, 5), QStringLiteral("INV-1"), {});
    Other(2, QDate(2024, 3, 10), QStringLiteral("REQ-1"), {{A, 1, 50}});
    Late = Receipt(QDate(2024, 3, 16), QStringLiteral("PV-120"), 2, 0, 1, {{C, 1, 999}});
  }
  void LogPeriod(const QString &start, const QString &end, double sum = 0) {
    Db->Exec(QStringLiteral("insert into WriteOffLog (STARTDATE, ENDDATE, INSUM, WRITTEN, WRITTENBY) "
                            "values (\"%1\", \"%2\", %3, \"2024-01-01 10:00:00\", 1)")
                 .arg(start, end)
                 .arg(sum));
  }

  // Shows the window as the main window does and works it while it is shown.
  int Run(uint8_t mode, const std::function<void(TSCALAExpForm &)> &work) {
    TSCALAExpForm form(nullptr, mode);
    Script().OnModal(QStringLiteral("SCALAExpForm"), [&](QDialog *) {
      work(form);
      return mrNone;
    });
    return form.ShowModal();
  }
  static void CtrlClick(TQueryGrid *grid, int row) {
    const QRect r = grid->visualRect(grid->model()->index(row, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier, r.center());
  }
  static QStringList Column(TQueryGrid *grid, int col) {
    QStringList out;
    for (int r = 0; r < grid->rowCount(); ++r) out << grid->item(r, col)->text();
    return out;
  }
  QString File(const QString &name) const { return m_dir.filePath(name); }
  static QByteArray Bytes(const QString &path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
  static QString RememberedFolder() {
    TRegistry::Reload();
    TRegistry reg;
    if (!reg.OpenKey(ExportRegistryKey, false)) return QStringLiteral("<none>");
    return reg.ValueExists(ExportPathValue) ? reg.ReadString(ExportPathValue) : QStringLiteral("<none>");
  }
  static QString Marks(int id) {
    return QStringLiteral("%1/%2/%3")
        .arg(SQLInt(QStringLiteral("select ISEXPORTED from Waybill where ID=%1").arg(id)))
        .arg(SQLInt(QStringLiteral("select EXPORTBY from Waybill where ID=%1").arg(id)))
        .arg(SQLDate(QStringLiteral("select EXPORTDATE from Waybill where ID=%1").arg(id))
                 .toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
  }

  int A = 0, B = 0, C = 0, Feb = 0, R1 = 0, R2 = 0, R3 = 0, Late = 0;
  QTemporaryDir m_dir;

 private:
  double m_vat = 0;
};

// ---------------------------------------------------------------------------------------
// Receipts

TEST_F(ScalaExportTest, ChosenReceiptsAreWrittenPerSupplierAccountAndNumberAndMarked) {
  Scenario();
  Script().Files.push_back(File(QStringLiteral("receipts.txt")));
  const int result = Run(0, [&](TSCALAExpForm &f) {
    EXPECT_EQ(f.PC1->currentWidget(), f.TabSheet1);
    EXPECT_EQ(Column(f.DB1, 1), QStringList({"PV-090", "PV-101", "Nr.ē5Я", "PV-103", "PV-120"}));
    EXPECT_EQ(Column(f.DB1, 3).at(1), QStringLiteral("20.00 Ls"));
    CtrlClick(f.DB1, 3);
    CtrlClick(f.DB1, 1);
    CtrlClick(f.DB1, 2);
    f.DoButt->click();
  });
  EXPECT_EQ(result, mrOk);

  // in the grid's order, whatever the order of the clicks
  EXPECT_EQ(Script().Messages(),
            QStringList({QStringLiteral("Exportēt pavadzīmes: PV-101,Nr.ē5Я,PV-103?") + kSure,
                         QStringLiteral("Invoices were successfully exported!")}));
  ASSERT_EQ(Script().FileAsks.size(), 1u);
  EXPECT_EQ(Script().FileAsks[0].Caption, QStringLiteral("Saglabāt exportētu failu"));
  EXPECT_EQ(Script().FileAsks[0].Dir, QStringLiteral("WHInv_20240315-140509.txt"));
  EXPECT_EQ(Script().FileAsks[0].Filter, QStringLiteral("VM Export files (*.txt)"));

  EXPECT_EQ(Bytes(File(QStringLiteral("receipts.txt"))), kInvoiceGolden);
  // the receipt without lines is marked with the others
  for (int id : {R1, R2, R3}) EXPECT_EQ(Marks(id), QStringLiteral("1/1/2024-03-15 14:05:09"));
  for (int id : {Feb, Late}) EXPECT_EQ(SQLInt(QStringLiteral("select ISEXPORTED from Waybill where ID=%1").arg(id)), 0);
  EXPECT_EQ(RememberedFolder(), QDir::toNativeSeparators(m_dir.path()) + QLatin1Char('/'));

  // The next export lists only what is left and starts in the remembered folder.
  Script().Clear();
  Run(0, [&](TSCALAExpForm &f) {
    EXPECT_EQ(Column(f.DB1, 1), QStringList({"PV-090", "PV-120"}));
    CtrlClick(f.DB1, 0);
    f.DoButt->click();
  });
  ASSERT_EQ(Script().FileAsks.size(), 1u);
  EXPECT_EQ(Script().FileAsks[0].Dir, RememberedFolder() + QStringLiteral("WHInv_20240315-140509.txt"));
}

TEST_F(ScalaExportTest, ReceiptExportRefusalsWriteNothing) {
  Scenario();
  auto nothingExported = [&] {
    EXPECT_EQ(fx::Count(QStringLiteral("Waybill"), QStringLiteral("ISEXPORTED<>0")), 0);
    EXPECT_TRUE(QDir(m_dir.path()).isEmpty());
  };

  // No row chosen: the current row alone is not a choice.
  EXPECT_EQ(Run(0, [](TSCALAExpForm &f) { f.DoButt->click(); }), mrOk);
  EXPECT_EQ(Script().Messages(),
            QStringList{QStringLiteral("Lūdzu atzīmēt vēlamas pavadzīmes ar nospiestu [Ctrl]!")});
  nothingExported();

  // Only receipts without lines.
  Script().Clear();
  Run(0, [](TSCALAExpForm &f) {
    CtrlClick(f.DB1, 3);
    f.DoButt->click();
  });
  EXPECT_EQ(Script().LastMessage(), QStringLiteral("Pavadzīmes ievadīti nepareizi!"));
  EXPECT_TRUE(Script().FileAsks.empty());
  nothingExported();

  // Not confirmed.
  Script().Clear();
  Script().Answers = {mrNo};
  Run(0, [](TSCALAExpForm &f) {
    CtrlClick(f.DB1, 1);
    f.DoButt->click();
  });
  EXPECT_EQ(Script().Boxes.size(), 1u);
  EXPECT_TRUE(Script().FileAsks.empty());
  nothingExported();

  // The save dialog cancelled.
  Script().Clear();
  Run(0, [](TSCALAExpForm &f) {
    CtrlClick(f.DB1, 1);
    f.DoButt->click();
  });
  EXPECT_EQ(Script().FileAsks.size(), 1u);
  EXPECT_EQ(Script().Boxes.size(), 1u);
  EXPECT_EQ(RememberedFolder(), QStringLiteral("<none>"));
  nothingExported();

  // Cancel closes the window with its own result.
  EXPECT_EQ(Run(0, [](TSCALAExpForm &f) { f.BitBtn2->click(); }), mrCancel);
}

TEST_F(ScalaExportTest, ExportedReceiptsAreExportedAgainOnlyAfterTheWarning) {
  Scenario();
  const int wide = Receipt(QDate(2024, 3, 4), QStringLiteral("PV-104"), 1, 12, 2.5, {{A, 1, 10}});
  Db->Exec(QStringLiteral("update Waybill set ISEXPORTED=1, EXPORTBY=7, EXPORTDATE=\"2024-03-04 08:00:00\" where ID=%1").arg(wide));
  const QString warning = QStringLiteral("Kaut kāda no pavadzīmem jau eksportēta! Turpināt?");

  auto exportAll = [&](int row) {
    return [&, row](TSCALAExpForm &f) {
      EXPECT_EQ(f.DB1->rowCount(), 5);  // the exported one is not listed
      f.CheckBox1->click();
      ASSERT_EQ(f.DB1->rowCount(), 6);
      // exported ones come last, marked in red
      EXPECT_EQ(f.DB1->item(row, 1)->text(), QStringLiteral("PV-104"));
      EXPECT_EQ(f.DB1->item(row, 0)->background().color(), QColor(255, 200, 200));
      EXPECT_NE(f.DB1->item(0, 0)->background().color(), QColor(255, 200, 200));
      CtrlClick(f.DB1, row);
      f.DoButt->click();
    };
  };
  Script().Answers = {mrYes, mrNo};
  Run(0, exportAll(5));
  EXPECT_EQ(Script().LastMessage(), warning);
  EXPECT_EQ(Script().Boxes[Script().Boxes.size() - 1].Type, TMsgDlgType::mtWarning);
  EXPECT_TRUE(Script().FileAsks.empty());
  EXPECT_EQ(Marks(wide), QStringLiteral("1/7/2024-03-04 08:00:00"));

  Script().Clear();
  Script().Files.push_back(File(QStringLiteral("again")));
  Run(0, exportAll(5));
  EXPECT_EQ(Script().Boxes.size(), 3u);
  EXPECT_EQ(Script().Boxes[1].Text, warning);
  EXPECT_EQ(Marks(wide), QStringLiteral("1/1/2024-03-15 14:05:09"));
  // the default extension is added; a two-digit currency widens the line to 161 characters
  EXPECT_EQ(Bytes(File(QStringLiteral("again.txt"))),
            QByteArray("1      PV-104              2024-03-04 2610       10.00000012        2.500000       25.000000       12.100000       30.250000        1.735537        4.338843 9610\r\n"));
}

TEST_F(ScalaExportTest, ReceiptExportThatFailsLeavesTheMarksAndNoFile) {
  Scenario();
  auto exportR1 = [](TSCALAExpForm &f) {
    CtrlClick(f.DB1, 1);
    f.DoButt->click();
  };

  // The file cannot be written after the marks were: the marks are rolled back, and the window
  // stays open so that another folder can be chosen.
  Script().Files.push_back(File(QStringLiteral("missing/receipts.txt")));
  Script().Files.push_back(File(QStringLiteral("receipts.txt")));
  EXPECT_EQ(Run(0,
                [&](TSCALAExpForm &f) {
                  exportR1(f);
                  ASSERT_EQ(Script().Boxes.size(), 2u);
                  EXPECT_TRUE(Script().LastMessage().startsWith(QStringLiteral("Pavadzīmes netika eksportētas!")));
                  EXPECT_EQ(Script().Boxes.back().Type, TMsgDlgType::mtError);
                  EXPECT_EQ(fx::Count(QStringLiteral("Waybill"),
                                      QStringLiteral("ISEXPORTED<>0 or EXPORTBY is not null")),
                            0);
                  EXPECT_EQ(RememberedFolder(), QStringLiteral("<none>"));
                  EXPECT_TRUE(f.isVisible());
                  // the choice is kept: the second attempt exports it
                  f.DoButt->click();
                  EXPECT_FALSE(f.isVisible());
                }),
            mrOk);
  EXPECT_EQ(Script().LastMessage(), QStringLiteral("Invoices were successfully exported!"));
  EXPECT_EQ(Bytes(File(QStringLiteral("receipts.txt"))), kInvoiceGolden.left(kInvoiceGolden.indexOf('\n') + 1));
  EXPECT_EQ(Marks(R1), QStringLiteral("1/1/2024-03-15 14:05:09"));
  EXPECT_EQ(RememberedFolder(), QDir::toNativeSeparators(m_dir.path()) + QLatin1Char('/'));
  QFile::remove(File(QStringLiteral("receipts.txt")));
  Db->Exec(QStringLiteral("update Waybill set ISEXPORTED=0, EXPORTBY=NULL, EXPORTDATE=NULL"));

  // The marks cannot be written: no file is left behind.
  Db->Exec(QStringLiteral("create trigger NoMarks before update on Waybill for each row "
                          "signal sqlstate '45000' set message_text = 'marks refused'"));
  Script().Clear();
  Script().Files.push_back(File(QStringLiteral("receipts.txt")));
  Run(0, exportR1);
  EXPECT_TRUE(Script().LastMessage().contains(QStringLiteral("marks refused")));
  EXPECT_FALSE(Script().Messages().contains(QStringLiteral("Invoices were successfully exported!")));
  EXPECT_FALSE(QFile::exists(File(QStringLiteral("receipts.txt"))));
  EXPECT_EQ(fx::Count(QStringLiteral("Waybill"), QStringLiteral("ISEXPORTED<>0")), 0);
}

TEST_F(ScalaExportTest, ReceiptExportWithoutTheVatRateWritesAndMarksNothing) {
  Scenario();
  VATPercent = -1;  // the setup has no VAT node
  Script().Files.push_back(File(QStringLiteral("receipts.txt")));
  Run(0, [](TSCALAExpForm &f) {
    CtrlClick(f.DB1, 1);
    f.DoButt->click();
  });
  EXPECT_EQ(Script().Messages(),
            QStringList{QStringLiteral("Iestatījumos nav norādīta PVN likme! Pavadzīmes netika eksportētas.")});
  EXPECT_TRUE(Script().FileAsks.empty());
  EXPECT_TRUE(QDir(m_dir.path()).isEmpty());
  EXPECT_EQ(fx::Count(QStringLiteral("Waybill"), QStringLiteral("ISEXPORTED<>0")), 0);
}

TEST_F(ScalaExportTest, EveryLineKeepsItsColumnsWhateverCharactersItsTextsHold) {
  Scenario();
  // An account code and a receipt number with Latvian letters, one typed as a base letter and
  // its accent, characters beyond U+FFFF and a line break.
  Db->Exec(QStringLiteral("insert into SCALA_MaterAccounts (ACODE, CATGROUPS) values (\"ņ😀\", \"4\")"));
  const int wide = Receipt(QDate(2024, 3, 4), QStringLiteral("Ā😀\nže\u0304𝄞"), 1, 0, 1, {{C, 2, 5}});
  Script().Files.push_back(File(QStringLiteral("receipts.txt")));
  Run(0, [&](TSCALAExpForm &f) {
    ASSERT_EQ(f.DB1->item(4, 1)->text(), QStringLiteral("Ā😀\nže\u0304𝄞"));
    CtrlClick(f.DB1, 4);
    f.DoButt->click();
  });
  EXPECT_EQ(Script().LastMessage(), QStringLiteral("Invoices were successfully exported!"));
  const QByteArray invoice =
      "1      \xC2??\xFE\xE7?              2024-03-04  2\xF2?       10.0000000        1.000000       10.000000       12.100000       12.100000        1.735537        1.735537  9\xF2?\r\n";
  EXPECT_EQ(invoice.size(), 162);
  EXPECT_EQ(Bytes(File(QStringLiteral("receipts.txt"))), invoice);
  EXPECT_EQ(Marks(wide), QStringLiteral("1/1/2024-03-15 14:05:09"));

  LogPeriod(QStringLiteral("2024-02-01"), QStringLiteral("2024-02-29"));
  Script().Clear();
  Script().Files.push_back(File(QStringLiteral("woff.txt")));
  Run(1, [](TSCALAExpForm &f) { f.DoButt->click(); });
  EXPECT_EQ(Script().LastMessage(), QStringLiteral("Materials write off was successfully exported!"));
  const QByteArray woff = Bytes(File(QStringLiteral("woff.txt")));
  EXPECT_EQ(woff, WriteOffGolden("2024-03-01", "2024-03-15",
                                 {{"     ", "        0.000000             0.000000"},
                                  {" 2610", "       28.500000 7610       28.500000"},
                                  {" 2620", "        4.500000 7620        4.500000"},
                                  {"  2\xF2?", "      110.000000  7\xF2?      110.000000"}}));
  for (const QByteArray &line : woff.split('\n'))
    if (!line.isEmpty()) EXPECT_EQ(line.size(), 63) << line.constData();  // 62 and the CR
}

// ---------------------------------------------------------------------------------------
// Write-off

TEST_F(ScalaExportTest, NewWriteOffPeriodIsWrittenPerAccountAndLogged) {
  Scenario();
  LogPeriod(QStringLiteral("2024-02-01"), QStringLiteral("2024-02-29"), 20);
  Script().Files.push_back(File(QStringLiteral("woff.txt")));
  Run(1, [&](TSCALAExpForm &f) {
    EXPECT_EQ(f.PC1->currentWidget(), f.TabSheet2);
    EXPECT_EQ(f.DB2->rowCount(), 1);
    EXPECT_EQ(f.DB2->item(0, 2)->text(), QStringLiteral("20.00 Ls"));
    EXPECT_EQ(f.DB2->item(0, 3)->text(), QStringLiteral("01.01.2024 10:00:00"));
    EXPECT_EQ(f.DB2->item(0, 4)->text(), QStringLiteral("Administrator"));
    // the period continues the chain
    EXPECT_EQ(f.DT1->date(), QDate(2024, 3, 1));
    EXPECT_FALSE(f.DT1->isEnabled());
    EXPECT_EQ(f.DT2->date(), QDate(2024, 3, 15));
    EXPECT_TRUE(f.DoButt->isEnabled());
    f.DoButt->click();
  });
  EXPECT_EQ(Script().Messages(),
            QStringList({QStringLiteral("Exportēt materiālu norakstīšanu uz periodu: 01.03.2024 - 15.03.2024?") + kSure,
                         QStringLiteral("Materials write off was successfully exported!")}));
  ASSERT_EQ(Script().FileAsks.size(), 1u);
  EXPECT_EQ(Script().FileAsks[0].Dir, QStringLiteral("WHWoff_20240315-140509.txt"));
  // Every document of the period whatever its kind; the count header without lines joins the
  // lines without an account; the request without a rate adds nothing.
  EXPECT_EQ(Bytes(File(QStringLiteral("woff.txt"))),
            WriteOffGolden("2024-03-01", "2024-03-15",
                           {{"     ", "      100.000000           100.000000"},
                            {" 2610", "       28.500000 7610       28.500000"},
                            {" 2620", "        4.500000 7620        4.500000"}}));
  EXPECT_EQ(fx::Count(QStringLiteral("WriteOffLog")), 2);
  EXPECT_EQ(fx::Count(QStringLiteral("WriteOffLog"),
                      QStringLiteral("STARTDATE=\"2024-03-01\" and ENDDATE=\"2024-03-15\" and INSUM=133 "
                                     "and WRITTEN=\"2024-03-15 14:05:09\" and WRITTENBY=1")),
            1);
  EXPECT_EQ(RememberedFolder(), QDir::toNativeSeparators(m_dir.path()) + QLatin1Char('/'));
}

TEST_F(ScalaExportTest, WriteOffPeriodsFollowEachOther) {
  // No period logged yet: the first starts on the earliest document, and the user may move it.
  Scenario();
  Run(1, [](TSCALAExpForm &f) {
    EXPECT_TRUE(f.DT1->isEnabled());
    EXPECT_EQ(f.DT1->date(), QDate(2024, 2, 20));
    EXPECT_EQ(f.DT1->maximumDate(), QDate(2024, 3, 15));
    EXPECT_TRUE(f.DoButt->isEnabled());
  });

  // A period without any document.
  LogPeriod(QStringLiteral("2024-02-01"), QStringLiteral("2024-03-10"));
  Script().Files.push_back(File(QStringLiteral("empty.txt")));
  Run(1, [](TSCALAExpForm &f) {
    EXPECT_EQ(f.DT1->date(), QDate(2024, 3, 11));
    EXPECT_FALSE(f.DT1->isEnabled());
    f.DoButt->click();
  });
  EXPECT_EQ(Script().LastMessage(), QStringLiteral("Nav datu eksportām!"));
  EXPECT_TRUE(Script().FileAsks.empty());
  EXPECT_EQ(fx::Count(QStringLiteral("WriteOffLog")), 1);

  // The last period ends today: nothing new to export, and no end before today.
  Db->Exec(QStringLiteral("update WriteOffLog set ENDDATE=\"2024-03-15\""));
  Run(1, [](TSCALAExpForm &f) {
    EXPECT_EQ(f.DT1->date(), QDate(2024, 3, 16));
    EXPECT_FALSE(f.DoButt->isEnabled());
    f.DT2->setDate(QDate(2024, 3, 1));
    EXPECT_EQ(f.DT2->date(), QDate(2024, 3, 15));
  });
}

TEST_F(ScalaExportTest, WriteOffThatFailsLeavesTheLogAndNoFile) {
  Scenario();
  LogPeriod(QStringLiteral("2024-02-01"), QStringLiteral("2024-02-29"));
  auto exportPeriod = [](TSCALAExpForm &f) { f.DoButt->click(); };

  Script().Files.push_back(File(QStringLiteral("missing/woff.txt")));
  EXPECT_EQ(Run(1,
                [](TSCALAExpForm &f) {
                  f.DoButt->click();
                  EXPECT_TRUE(f.isVisible());  // open for another folder
                  f.BitBtn2->click();
                }),
            mrCancel);
  EXPECT_TRUE(Script().LastMessage().startsWith(QStringLiteral("Materiālu norakstīšana netika eksportēta!")));
  EXPECT_EQ(fx::Count(QStringLiteral("WriteOffLog")), 1);

  Db->Exec(QStringLiteral("create trigger NoLog before insert on WriteOffLog for each row "
                          "signal sqlstate '45000' set message_text = 'log refused'"));
  Script().Clear();
  Script().Files.push_back(File(QStringLiteral("woff.txt")));
  Run(1, exportPeriod);
  EXPECT_TRUE(Script().LastMessage().contains(QStringLiteral("log refused")));
  EXPECT_FALSE(QFile::exists(File(QStringLiteral("woff.txt"))));
  EXPECT_EQ(fx::Count(QStringLiteral("WriteOffLog")), 1);
  EXPECT_EQ(RememberedFolder(), QStringLiteral("<none>"));
}

TEST_F(ScalaExportTest, ArchiveExportRecomputesTheChosenPeriods) {
  Scenario();
  LogPeriod(QStringLiteral("2024-02-01"), QStringLiteral("2024-02-29"), 1);
  LogPeriod(QStringLiteral("2024-03-01"), QStringLiteral("2024-03-10"), 2);

  Run(1, [](TSCALAExpForm &f) { f.ArchExport->click(); });
  EXPECT_EQ(Script().LastMessage(), QStringLiteral("Lūdzu atzīmēt vēlamas pavadzīmes ar nospiestu [Ctrl]!"));

  Script().Clear();
  Script().Files.push_back(File(QStringLiteral("archive.txt")));
  EXPECT_EQ(Run(1, [](TSCALAExpForm &f) {
              CtrlClick(f.DB2, 1);
              CtrlClick(f.DB2, 0);
              f.ArchExport->click();
            }),
            mrOk);
  EXPECT_EQ(Script().Messages(),
            QStringList({QStringLiteral("Exportēt izvēlēto materiālu norakstīšanu?") + kSure,
                         QStringLiteral("Materials write off archive was successfully exported!")}));
  ASSERT_EQ(Script().FileAsks.size(), 1u);
  EXPECT_EQ(Script().FileAsks[0].Dir, QStringLiteral("WHWoff_archive_20240315-140509.txt"));
  EXPECT_EQ(Bytes(File(QStringLiteral("archive.txt"))),
            WriteOffGolden("2024-02-01", "2024-02-29",
                           {{" 2610", "       10.000000 7610       10.000000"},
                            {" 2620", "       10.000000 7620       10.000000"}}) +
                WriteOffGolden("2024-03-01", "2024-03-10",
                               {{"     ", "      100.000000           100.000000"},
                                {" 2610", "       28.500000 7610       28.500000"},
                                {" 2620", "        4.500000 7620        4.500000"}}));
  // the log is only read
  EXPECT_EQ(fx::Count(QStringLiteral("WriteOffLog")), 2);
  EXPECT_EQ(fx::Count(QStringLiteral("WriteOffLog"), QStringLiteral("INSUM=1 or INSUM=2")), 2);
}

}  // namespace
