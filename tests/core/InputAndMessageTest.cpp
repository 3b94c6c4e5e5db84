#include <gtest/gtest.h>

#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "core/InputFormUnit.h"
#include "core/MyMsgUnit.h"
#include "platform/CalcEdit.h"
#include "platform/Clock.h"
#include "platform/Registry.h"
#include "support/ScriptedDialogs.h"

namespace {

class InputDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    Script().Clear();
    Clock::SetFixed(QDateTime(QDate(2026, 3, 10), QTime(9, 30)));
  }
  void TearDown() override {
    Clock::SetFixed(QDateTime());
    Script().Clear();
  }
  // Types a number into the dialog and presses OK; returns whether the dialog closed.
  static bool TypeAndOk(QDialog *d, const QString &text) {
    d->findChild<TCalcEdit *>("Rx1")->setText(text);
    d->findChild<QPushButton *>("BitBtn1")->click();
    return !d->isVisible();
  }
  static bool PickAndOk(QDialog *d, const QDate &date) {
    d->findChild<QDateEdit *>("DTPicker1")->setDate(date);
    d->findChild<QPushButton *>("BitBtn1")->click();
    return !d->isVisible();
  }
};

TEST_F(InputDialogs, NumberMustBeAboveZeroAndCancelGivesTheDefault) {
  Script().OnModal("InputForm", [](QDialog *d) {
    EXPECT_EQ(d->windowTitle(), "Quantity");
    EXPECT_EQ(d->findChild<QLabel *>("Lbl1")->text(), "How many?");
    EXPECT_TRUE(d->findChild<TCalcEdit *>("Rx1")->isVisibleTo(d));
    EXPECT_FALSE(d->findChild<QDateEdit *>("DTPicker1")->isVisibleTo(d));
    EXPECT_EQ(d->findChild<TCalcEdit *>("Rx1")->text(), "1.5000");  // the default, 4 decimals
    EXPECT_FALSE(TypeAndOk(d, "0"));
    EXPECT_FALSE(TypeAndOk(d, "-3"));
    EXPECT_FALSE(TypeAndOk(d, ""));
    EXPECT_TRUE(TypeAndOk(d, "2.75"));
    return mrNone;
  });
  EXPECT_DOUBLE_EQ(InputNumber(nullptr, "Quantity", "How many?", 1.5), 2.75);
  EXPECT_EQ(Script().Messages(), QStringList(3, "Число должно быть больше нуля!"));

  Script().Clear();
  Script().OnModal("InputForm", [](QDialog *d) {
    d->findChild<TCalcEdit *>("Rx1")->setText("8");
    d->findChild<QPushButton *>("BitBtn2")->click();  // Cancel after typing
    return mrNone;
  });
  EXPECT_DOUBLE_EQ(InputNumber(nullptr, "Quantity", "How many?", 1.5), 1.5);
  // Cancel is never checked, even with a value that OK would refuse.
  Script().OnModal("InputForm", [](QDialog *d) {
    d->findChild<TCalcEdit *>("Rx1")->setText("-1");
    d->findChild<QPushButton *>("BitBtn2")->click();
    return mrNone;
  });
  EXPECT_DOUBLE_EQ(InputNumber(nullptr, "Quantity", "How many?", 4), 4);
  EXPECT_TRUE(Script().Messages().isEmpty());
  // a preset with more than four decimals confirmed unchanged comes back whole
  Script().OnModal("InputForm", [](QDialog *d) {
    EXPECT_EQ(d->findChild<TCalcEdit *>("Rx1")->text(), "1.234567");
    d->findChild<QPushButton *>("BitBtn1")->click();
    return mrNone;
  });
  EXPECT_DOUBLE_EQ(InputNumber(nullptr, "Quantity", "How many?", 1.234567), 1.234567);
}

TEST_F(InputDialogs, DateMustLieADayAfterTodayAndAfterTheMinimum) {
  const QDate today = Clock::Today();
  // A minimum in the past: tomorrow at the earliest.
  Script().OnModal("InputForm", [today](QDialog *d) {
    EXPECT_TRUE(d->findChild<QDateEdit *>("DTPicker1")->isVisibleTo(d));
    EXPECT_FALSE(d->findChild<TCalcEdit *>("Rx1")->isVisibleTo(d));
    EXPECT_FALSE(PickAndOk(d, today));
    EXPECT_TRUE(PickAndOk(d, today.addDays(1)));
    return mrNone;
  });
  EXPECT_EQ(InputDate(nullptr, "Due", "New date", QDateTime(QDate(2026, 1, 5), QTime(0, 0))),
            QDateTime(today.addDays(1), QTime(0, 0)));
  EXPECT_EQ(Script().Messages(), QStringList({"Дата должна быть больше чем 10/03/2026"}));

  // A minimum in the future: the day after the minimum.
  Script().Clear();
  const QDateTime future(QDate(2026, 4, 20), QTime(0, 0));
  Script().OnModal("InputForm", [](QDialog *d) {
    EXPECT_EQ(d->findChild<QDateEdit *>("DTPicker1")->date(), QDate(2026, 4, 20));
    EXPECT_FALSE(PickAndOk(d, QDate(2026, 4, 20)));
    EXPECT_TRUE(PickAndOk(d, QDate(2026, 4, 21)));
    return mrNone;
  });
  EXPECT_EQ(InputDate(nullptr, "Due", "New date", future).date(), QDate(2026, 4, 21));
  EXPECT_EQ(Script().Messages(), QStringList({"Дата должна быть больше чем 20/04/2026"}));

  // Cancel: the minimum less one day.
  Script().OnModal("InputForm", [](QDialog *d) {
    d->findChild<QPushButton *>("BitBtn2")->click();
    return mrNone;
  });
  EXPECT_EQ(InputDate(nullptr, "Due", "New date", future), future.addDays(-1));
}

// The message-box settings live in the registry file of the test.
class MessageBoxSettings : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    m_saved = qgetenv("WAREHOUSE_REGISTRY");
    qputenv("WAREHOUSE_REGISTRY", m_dir.filePath("registry.reg").toLocal8Bit());
    TRegistry::Reload();
    Script().Clear();
  }
  void TearDown() override {
    qputenv("WAREHOUSE_REGISTRY", m_saved);
    TRegistry::Reload();
    ReloadMessageBoxSettings();
    Script().Clear();
  }
  QTemporaryDir m_dir;
  QByteArray m_saved;
};

TEST_F(MessageBoxSettings, FirstUseWritesTheDefaultsLaterRunsReadThem) {
  const QString key = "SOFTWARE\\ORMAK Software\\Message box";
  ReloadMessageBoxSettings();
  EXPECT_EQ(MessageBoxCharset(), 255);
  EXPECT_EQ(MessageBoxFontName(), "Tahoma");
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(key, false));
    EXPECT_EQ(reg.ReadInteger("Charset"), 255);
    EXPECT_EQ(reg.ReadString("Font name"), "Tahoma");
    reg.WriteInteger("Charset", 204);
    reg.WriteString("Font name", "DejaVu Sans");
  }
  InitMessageBoxSettings();  // read once per run: nothing changes
  EXPECT_EQ(MessageBoxCharset(), 255);
  ReloadMessageBoxSettings();  // a new run
  EXPECT_EQ(MessageBoxCharset(), 204);
  EXPECT_EQ(MessageBoxFontName(), "DejaVu Sans");
  std::unique_ptr<TMessageForm> form(CreateMessageDialog("text", TMsgDlgType::mtCustom, mbOK));
  EXPECT_EQ(form->font().family(), "DejaVu Sans");
  EXPECT_EQ(form->windowTitle(), ApplicationTitle());
}

TEST_F(MessageBoxSettings, AValueOfTheWrongTypeHidesNoOtherValue) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("SOFTWARE\\ORMAK Software\\Message box", true));
    reg.WriteString("Charset", "cyrillic");
    reg.WriteString("Font name", "DejaVu Serif");
  }
  ReloadMessageBoxSettings();
  EXPECT_EQ(MessageBoxCharset(), 255);  // the default stands for the bad value alone
  EXPECT_EQ(MessageBoxFontName(), "DejaVu Serif");
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("SOFTWARE\\ORMAK Software\\Message box", false));
    reg.WriteInteger("Charset", 186);
    reg.WriteInteger("Font name", 7);
  }
  ReloadMessageBoxSettings();
  EXPECT_EQ(MessageBoxCharset(), 186);
  EXPECT_EQ(MessageBoxFontName(), "Tahoma");
}

TEST_F(MessageBoxSettings, MessagesGoThroughTheDialogsSeam) {
  ShowMessage("Saved.");
  ShowMessagePos("Placed.", -1, 100);
  EXPECT_EQ(MessageDlgPosHelp("Sure?", TMsgDlgType::mtConfirmation, mbYes | mbNo, 0, -1, -1, QString()),
            mrYes);
  ASSERT_EQ(Script().Boxes.size(), 3u);
  EXPECT_EQ(Script().Boxes[0].Type, TMsgDlgType::mtCustom);
  EXPECT_EQ(Script().Boxes[0].Caption, ApplicationTitle());
  EXPECT_EQ(Script().Boxes[0].Buttons, mbOK);
  EXPECT_EQ(Script().Boxes[1].Text, "Placed.");
  EXPECT_EQ(Script().Boxes[2].Caption, "Confirm");
}

TEST(MessageForm, ButtonsInTheirStandardOrderWithTheirResults) {
  std::unique_ptr<TMessageForm> form(
      CreateMessageDialog("Delete?", TMsgDlgType::mtWarning, mbCancel | mbOK | mbHelp));
  const QList<QPushButton *> buttons = form->findChildren<QPushButton *>();
  ASSERT_EQ(buttons.size(), 3);
  EXPECT_EQ(buttons[0]->text(), "OK");
  EXPECT_EQ(buttons[1]->text(), "Cancel");
  EXPECT_EQ(form->windowTitle(), "Warning");
  EXPECT_NE(form->findChild<QLabel *>("Image"), nullptr);
  EXPECT_EQ(form->findChild<QLabel *>("Message")->text(), "Delete?");
  form->show();
  buttons[1]->click();
  EXPECT_EQ(form->result(), mrCancel);
  std::unique_ptr<TMessageForm> custom(CreateMessageDialog("Hi", TMsgDlgType::mtCustom, mbOK));
  EXPECT_EQ(custom->findChild<QLabel *>("Image"), nullptr);
}

TEST(MessageForm, EscapeAnswersWithTheCancellingButton) {
  // Escape on a Yes/No question answers No (callers go on unless No or Cancel); with a Cancel
  // button it answers Cancel; an information box closes with OK.
  const auto escape = [](TMsgDlgButtons buttons) {
    QTimer::singleShot(0, [] {
      if (QWidget *w = QApplication::activeModalWidget()) QTest::keyClick(w, Qt::Key_Escape);
    });
    TProgramDialogs dialogs;
    return dialogs.MessageBox(nullptr, "Confirm", "Delete?", TMsgDlgType::mtConfirmation, buttons);
  };
  EXPECT_EQ(escape(mbYes | mbNo), mrNo);
  EXPECT_EQ(escape(mbYes | mbNo | mbCancel), mrCancel);
  EXPECT_EQ(escape(mbOK), mrOk);
}

}  // namespace
