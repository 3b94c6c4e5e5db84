#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <random>

#include "platform/Registry.h"

namespace {

// Every test works on a registry file of its own in a temporary folder.
class RegistryFile : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    m_saved = qgetenv("WAREHOUSE_REGISTRY");
    m_file = m_dir.filePath("sub/registry.reg");
    qputenv("WAREHOUSE_REGISTRY", m_file.toLocal8Bit());
    TRegistry::Reload();
  }
  void TearDown() override {
    qputenv("WAREHOUSE_REGISTRY", m_saved);
    TRegistry::Reload();
  }
  void WriteFile(const QByteArray &text) {
    QDir().mkpath(QFileInfo(m_file).absolutePath());
    QFile f(m_file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
  }
  QByteArray ReadFile() {
    QFile f(m_file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }

  QTemporaryDir m_dir;
  QByteArray m_saved;
  QString m_file;
};

TEST_F(RegistryFile, KeysAreCreatedOnlyWhenAskedAndFoundWhateverTheirCase) {
  {
    TRegistry reg;
    EXPECT_FALSE(reg.KeyExists("SOFTWARE\\Maker\\Prog"));
    EXPECT_FALSE(reg.OpenKey("SOFTWARE\\Maker\\Prog", false));
    EXPECT_FALSE(QFile::exists(m_file));  // looking creates nothing
    ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\Maker\\Prog\\", true));
    EXPECT_EQ(reg.CurrentPath(), "SOFTWARE\\Maker\\Prog");
  }
  EXPECT_TRUE(QFile::exists(m_file));
  TRegistry reg;
  EXPECT_TRUE(reg.KeyExists("software\\maker\\PROG"));
  EXPECT_TRUE(reg.KeyExists("SOFTWARE\\Maker"));  // every key along the path exists
  ASSERT_TRUE(reg.OpenKey("Software\\MAKER", false));
  // A relative key opens below the open one.
  EXPECT_TRUE(reg.KeyExists("prog"));
  ASSERT_TRUE(reg.OpenKey("Prog\\Forms", true));
  EXPECT_EQ(reg.CurrentPath(), "SOFTWARE\\Maker\\Prog\\Forms");
}

TEST_F(RegistryFile, TypedValuesSurviveAReloadFromTheFile) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("SOFTWARE\\Maker\\Prog", true));
    reg.WriteString("SERVER HOST", "db.example \"main\" C:\\path");
    reg.WriteString("Empty", QString());
    reg.WriteString("Name", "Rīga – Москва");
    reg.WriteInteger("Left", 42);
    reg.WriteInteger("Negative", -5);
  }
  const QByteArray text = ReadFile();
  EXPECT_TRUE(text.startsWith("Windows Registry Editor Version 5.00\r\n"));
  EXPECT_TRUE(text.contains("[HKEY_CURRENT_USER\\SOFTWARE\\Maker\\Prog]\r\n"));
  EXPECT_TRUE(text.contains("\"Left\"=dword:0000002a\r\n"));
  EXPECT_TRUE(text.contains("\"SERVER HOST\"=\"db.example \\\"main\\\" C:\\\\path\"\r\n"));

  TRegistry::Reload();  // as a new run of the program would find it
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("software\\maker\\prog", false));
  EXPECT_EQ(reg.ReadString("server host"), "db.example \"main\" C:\\path");
  EXPECT_EQ(reg.ReadString("Name"), "Rīga – Москва");
  EXPECT_TRUE(reg.ValueExists("empty"));
  EXPECT_EQ(reg.ReadString("Empty"), "");
  EXPECT_EQ(reg.ReadInteger("LEFT"), 42);
  EXPECT_EQ(reg.ReadInteger("Negative"), -5);
  // A missing string reads as empty; a missing or mistyped integer is an error.
  EXPECT_FALSE(reg.ValueExists("Missing"));
  EXPECT_EQ(reg.ReadString("Missing"), "");
  EXPECT_THROW(reg.ReadInteger("Missing"), ERegistryException);
  EXPECT_THROW(reg.ReadInteger("Name"), ERegistryException);
  EXPECT_THROW(reg.ReadString("Left"), ERegistryException);
  // Rewriting keeps one value under the first spelling of its name.
  reg.WriteInteger("left", 7);
  EXPECT_EQ(reg.GetValueNames().count("Left"), 1);
  EXPECT_EQ(reg.ReadInteger("Left"), 7);
  EXPECT_TRUE(reg.DeleteValue("LEFT"));
  EXPECT_FALSE(reg.ValueExists("Left"));
}

TEST_F(RegistryFile, EveryStringWrittenReadsBackEqual) {
  const QString lone = QString(QChar(0xD83D)) + "x";  // half of a surrogate pair
  const QStringList values{
      "C:\\exports\\",      "say \"hi\"\\\"",   "/home/anna/Eksports\nmarts/",
      "two\r\nlines\r",     "tab\there",        "  blanks kept  ",
      "Rīga, Ļoti žēl",     "Москва 😀 𝄞",      lone,
      "\\",                 "\"",               QString(QChar(0x7F)) + "del"};
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("SOFTWARE\\Maker\\Prog", true));
    for (int i = 0; i < values.size(); ++i) reg.WriteString(QString("v%1").arg(i), values[i]);
    reg.WriteInteger("After", 9);
  }
  TRegistry::Reload();
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("SOFTWARE\\Maker\\Prog", false));
    for (int i = 0; i < values.size(); ++i)
      EXPECT_EQ(reg.ReadString(QString("v%1").arg(i)), values[i]) << i;
    EXPECT_EQ(reg.ReadInteger("After"), 9);  // nothing after a line break was lost
    reg.WriteString("v0", "changed");  // and the file can be written again
  }
  TRegistry::Reload();
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("SOFTWARE\\Maker\\Prog", false));
  EXPECT_EQ(reg.ReadString("v0"), "changed");
  EXPECT_EQ(reg.ReadString("v2"), values[2]);
  // Every line of the file is one line of text.
  const QByteArray text = ReadFile();
  EXPECT_FALSE(text.contains("Eksports\n")) << text.constData();
}

TEST_F(RegistryFile, WhatCannotBeStoredIsRefusedAndTheFileStaysReadable) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("SOFTWARE\\Maker\\Prog", true));
  reg.WriteString("Kept", "yes");
  const QByteArray before = ReadFile();
  EXPECT_THROW(reg.WriteString("Zero", QString("a") + QChar(0) + "b"), ERegistryException);
  EXPECT_THROW(reg.WriteString("Two\nlines", "x"), ERegistryException);
  EXPECT_THROW(reg.WriteInteger("Tab\tname", 1), ERegistryException);
  EXPECT_THROW(reg.OpenKey("SOFTWARE\\Maker\\Bad\nkey", true), ERegistryException);
  EXPECT_EQ(ReadFile(), before);
  TRegistry::Reload();
  TRegistry again;
  ASSERT_TRUE(again.OpenKey("SOFTWARE\\Maker\\Prog", false));
  EXPECT_EQ(again.ReadString("Kept"), "yes");
  EXPECT_FALSE(again.ValueExists("Zero"));

  // A file that cannot be written: what was refused is not kept in memory either, to be
  // read back or saved with the next change.
  QFile blocker(m_dir.filePath("blocker"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  qputenv("WAREHOUSE_REGISTRY", m_dir.filePath("blocker/registry.reg").toLocal8Bit());
  TRegistry::Reload();
  TRegistry unwritable;
  EXPECT_THROW(unwritable.OpenKey("SOFTWARE\\Maker", true), ERegistryException);
  EXPECT_FALSE(unwritable.KeyExists("SOFTWARE\\Maker"));
}

TEST_F(RegistryFile, StringBytesOverSeveralLinesAreRead) {
  WriteFile("Windows Registry Editor Version 5.00\r\n\r\n"
            "[HKEY_CURRENT_USER\\SOFTWARE\\Maker]\r\n"
            "\"Path\"=hex(1):41,00,0a,00,\\\r\n"
            "  42,00,00,00\r\n"
            "\"Next\"=\"n\"\r\n");
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("SOFTWARE\\Maker", false));
  EXPECT_EQ(reg.ReadString("Path"), "A\nB");
  EXPECT_EQ(reg.ReadString("Next"), "n");
}

TEST_F(RegistryFile, AFileWrittenByHandIsRead) {
  WriteFile(
      "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n"
      "\r\n"
      "; a comment\r\n"
      "[HKEY_CURRENT_USER\\SOFTWARE\\ORMAK Software\\Divaz]\r\n"
      "\"SERVER HOST\"=\"127.0.0.1\"\r\n"
      "\"SERVER PORT\"=\"3307\"\r\n"
      "\"Charset\"=dword:000000FF\r\n");
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("SOFTWARE\\ORMAK Software\\Divaz", false));
  EXPECT_EQ(reg.ReadString("SERVER PORT"), "3307");
  EXPECT_EQ(reg.ReadInteger("Charset"), 255);
}

TEST_F(RegistryFile, AChangeByAnotherProgramIsSeenAndNotOverwritten) {
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("SOFTWARE\\Maker", true));
  reg.WriteInteger("Mine", 1);
  // Another copy of the program adds a value while this one is running.
  QThread::msleep(20);
  QByteArray text = ReadFile();
  text += "\"Theirs\"=\"x\"\r\n";
  WriteFile(text);
  EXPECT_EQ(reg.ReadString("Theirs"), "x");
  reg.WriteInteger("Mine", 2);
  TRegistry::Reload();
  TRegistry again;
  ASSERT_TRUE(again.OpenKey("SOFTWARE\\Maker", false));
  EXPECT_EQ(again.ReadString("Theirs"), "x");
  EXPECT_EQ(again.ReadInteger("Mine"), 2);
  // The other program takes the key away: a value written to it still goes into it.
  QThread::msleep(20);
  WriteFile("Windows Registry Editor Version 5.00\r\n");
  reg.WriteInteger("Mine", 3);
  TRegistry::Reload();
  ASSERT_TRUE(again.OpenKey("\\SOFTWARE\\Maker", false));
  EXPECT_EQ(again.ReadInteger("Mine"), 3);
  EXPECT_FALSE(ReadFile().contains("[HKEY_CURRENT_USER]")) << ReadFile().constData();
}

TEST_F(RegistryFile, AMalformedFileIsAClearErrorAndIsNeverOverwritten) {
  // Each fault after a good key: nothing of the half-read file may be used or saved.
  const QByteArray header = "Windows Registry Editor Version 5.00\r\n";
  const QByteArray good = "[HKEY_CURRENT_USER\\Good]\r\n\"V\"=\"1\"\r\n";
  const QList<QByteArray> broken = {
      "not a registry file\r\n" + good,
      header + "\"Value\"=\"outside a key\"\r\n" + good,
      header + good + "[HKEY_CURRENT_USER\\A\r\n",
      header + good + "[HKEY_LOCAL_MACHINE\\A]\r\n",
      header + good + "\"X\"=\"unterminated\r\n",
      header + good + "\"X\"=dword:12\r\n",
      header + good + "\"X\"=hex:01,02\r\n",
      header + good + "X=\"no quotes\"\r\n",
      header + good + "[HKEY_CURRENT_USERS\\A]\r\n",
      header + good + QByteArray("\"X\"=\"a\0b\"\r\n", 11),  // a string ends at a zero
  };
  for (const QByteArray &content : broken) {
    SCOPED_TRACE(content.toStdString());
    WriteFile(content);
    TRegistry::Reload();
    TRegistry reg;
    try {
      reg.OpenKey("Good", false);
      FAIL() << "no error";
    } catch (const ERegistryException &e) {
      EXPECT_TRUE(QString::fromUtf8(e.what()).contains(m_file)) << e.what();
    }
    EXPECT_THROW(reg.KeyExists("Good"), ERegistryException);  // every later access as well
    EXPECT_THROW(reg.OpenKey("Other", true), ERegistryException);
    EXPECT_EQ(ReadFile(), content);
  }
}

// A random registry file: lines of every kind, with random characters where names and
// texts go (quotes, backslashes, control characters, zeros, invalid UTF-8, line separators of
// other kinds). Half of the files also have malformed lines and changed bytes.
QByteArray RandomRegistryFile(std::mt19937 &rnd) {
  const auto pick = [&rnd](int n) { return int(rnd() % unsigned(n)); };
  const bool wild = pick(2);
  const auto slip = [&](int oneIn) { return wild && !pick(oneIn); };
  static const QList<QByteArray> pieces = {
      "a", "Z", "7", " ", "\\", "\"", "[", "]", "=", ";", ",", "/", ":", "\t", "\r",
      QByteArray(1, '\0'), "\x01", "\x7f", "hex(1):", "dword:", "HKEY_CURRENT_USER",
      "\xc4\x81", "\xd0\x96", "\xf0\x9f\x98\x80", "\xc2\x85", "\xe2\x80\xa8", "\xef\xbb\xbf",
      "\xff", "\xed\xa0\x80", "\xc3", "\xc4\xb0"};
  const auto text = [&] {
    QByteArray t;
    for (int i = pick(7); i > 0; --i) t += pieces[pick(int(pieces.size()))];
    return t;
  };
  const auto quoted = [&] {
    QByteArray t = "\"";
    for (int i = pick(7); i > 0; --i) {
      const QByteArray &p = pieces[pick(int(pieces.size()))];
      if ((p == "\"" || p == "\\") && !slip(3)) t += '\\';
      t += p;
    }
    return t + "\"";
  };
  const auto hexDigits = [&](int n) {
    QByteArray d;
    for (int i = 0; i < n; ++i) d += "0123456789abcdefABCDEF g-"[pick(slip(4) ? 25 : 22)];
    return d;
  };
  QByteArray out = slip(6) ? text() + "\r\n"
                           : QByteArray(pick(5) ? "Windows Registry Editor Version 5.00\r\n" : "REGEDIT4\n");
  for (int lines = 1 + pick(12); lines > 0; --lines) {
    switch (out.contains('[') ? pick(8) : 0) {
      case 0:
      case 1:
        out += "[" + QByteArray(slip(8) ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER") +
               (slip(6) ? "" : "\\") + text() + (slip(8) ? "" : "]");
        break;
      case 2:
      case 3: out += quoted() + "=" + quoted(); break;
      case 4: out += quoted() + "=dword:" + hexDigits(slip(4) ? pick(10) : 8); break;
      case 5: {
        // Characters of two bytes each, mostly Latin ones, now and then cut short.
        out += quoted() + "=hex(" + (pick(2) ? "1" : "2") + "):";
        for (int c = pick(6); c > 0; --c) {
          out += hexDigits(slip(6) ? pick(4) : 2) + "," + (pick(3) ? "00" : hexDigits(2));
          if (c > 1 || !slip(4)) out += ",";
          if (!pick(5)) out += "\\\r\n  ";
        }
        if (pick(3)) out += "00,00";
        break;
      }
      case 6: out += ";" + text(); break;
      default: out += slip(2) ? text() : QByteArray(); break;
    }
    out += pick(3) ? "\r\n" : "\n";
  }
  for (int changes = slip(4) ? 1 + pick(3) : 0; changes > 0 && !out.isEmpty(); --changes) {
    const int at = pick(int(out.size()));
    switch (pick(3)) {
      case 0: out[at] = char(pick(256)); break;
      case 1: out.insert(at, char(pick(256))); break;
      default: out.remove(at, 1);
    }
  }
  return out;
}

// Whatever file the reader accepts, a write of any setting stores every value of it so that
// the file reads again, as it was read; what the reader refuses is left alone.
TEST_F(RegistryFile, RandomFilesAreReadAgainAsTheyWereReadAfterAWriteOrRefused) {
  // Thousands of files are written: in memory where the machine offers it.
  QTemporaryDir shm(QDir("/dev/shm").exists() ? QStringLiteral("/dev/shm/registry-XXXXXX") : QString());
  if (shm.isValid()) {
    m_file = shm.filePath("registry.reg");
    qputenv("WAREHOUSE_REGISTRY", m_file.toLocal8Bit());
  }
  QElapsedTimer clock;
  clock.start();
  int accepted = 0, tried = 0;
  for (const unsigned seed : {20240601u, 7u, 4242u}) {
    std::mt19937 rnd(seed);
    for (int i = 0; i < 1000 && clock.elapsed() < 3000; ++i, ++tried) {
      const QByteArray content = RandomRegistryFile(rnd);
      SCOPED_TRACE(QString::fromLatin1(content.toPercentEncoding(" =[]\"\\;,:")).toStdString());
      WriteFile(content);
      TRegistry::Reload();
      {
        TRegistry reg;
        try {
          reg.KeyExists("SOFTWARE");
        } catch (const ERegistryException &) {
          ASSERT_EQ(ReadFile(), content);
          continue;
        }
        ++accepted;
        ASSERT_TRUE(reg.OpenKey("SOFTWARE\\Fuzz", true));
        reg.WriteInteger("Run", i + 1);
      }
      const QByteArray written = ReadFile();
      TRegistry::Reload();
      TRegistry reg;
      ASSERT_NO_THROW(reg.KeyExists("SOFTWARE")) << written.toPercentEncoding().constData();
      // Written again from what was read back, the file comes out the same.
      ASSERT_TRUE(reg.OpenKey("SOFTWARE\\Fuzz", false));
      reg.WriteString("Again", "x");
      ASSERT_TRUE(reg.DeleteValue("Again"));
      ASSERT_EQ(ReadFile(), written);
    }
  }
  // Most files are read: the comparison has something to compare.
  EXPECT_GT(accepted, tried / 5) << accepted << " of " << tried;
}

}  // namespace
