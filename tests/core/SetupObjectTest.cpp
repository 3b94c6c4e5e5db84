#include <gtest/gtest.h>

#include "core/DataUnit.h"
#include "core/SetupObject.h"
#include "support/TestDatabase.h"

namespace {

class SetupTree : public DbTest {
 protected:
  // Adds a node; the key is given as bytes.
  void Node(const QByteArray &key, const QString &caption) {
    Db->ExecSetup(QStringLiteral("insert into Setup (NODEID, CAPTION) values (0x%1, \"%2\")")
                      .arg(QString::fromLatin1(key.toHex()), caption));
  }
  void Load(const QString &order = QStringLiteral("NODEID")) {
    tree.SetupQuery = QStringList{QStringLiteral("select * from %1.Setup order by %2").arg(Db->Setup, order)};
    tree.Load();
  }
  TSetupObject tree;
};

TEST(KeyChars, CoverTheFiveRangesAndRefuseIndexesBeyond) {
  EXPECT_EQ(KeyChar(0), '0');
  EXPECT_EQ(KeyChar(9), '9');
  EXPECT_EQ(KeyChar(10), 'A');
  EXPECT_EQ(KeyChar(35), 'Z');
  EXPECT_EQ(KeyChar(36), 'a');
  EXPECT_EQ(KeyChar(61), 'z');
  EXPECT_EQ(static_cast<unsigned char>(KeyChar(62)), 192);
  EXPECT_EQ(static_cast<unsigned char>(KeyChar(125)), 255);
  EXPECT_EQ(static_cast<unsigned char>(KeyChar(126)), 123);
  EXPECT_EQ(static_cast<unsigned char>(KeyChar(194)), 191);
  // every index gives its own character
  QByteArray all;
  for (int i = 0; i < MaxSetupChildren; ++i) all += KeyChar(i);
  for (int i = 0; i < all.size(); ++i) EXPECT_EQ(all.count(all[i]), 1) << i;
  try {
    KeyChar(195);
    FAIL() << "no error at 195";
  } catch (const std::runtime_error &e) {
    EXPECT_STREQ(e.what(), "Key char generator! (195) FATAL ERROR!\r\rIndex overflow!");
  }
  EXPECT_THROW(KeyChar(-1), std::runtime_error);
}

TEST_F(SetupTree, KeysAreSearchedInByteOrderAndChildrenStopAtTheFirstGap) {
  const QByteArray high = QByteArray("0") + KeyChar(62);   // byte 192
  const QByteArray brace = QByteArray("0") + KeyChar(126); // byte 123, '{'
  for (const QByteArray &k : {QByteArray("0a"), high, QByteArray("0"), brace, QByteArray("0A"),
                              QByteArray("01"), QByteArray("00")})
    Node(k, QString::fromLatin1(k.toHex()));
  Load();
  ASSERT_EQ(tree.Count(), 7);
  // byte order: '0' < "00" < "01" < "0A" < "0a" < "0{" < "0\xC0"
  EXPECT_EQ(tree.Node(3).NodeID, QByteArray("0A"));
  EXPECT_EQ(tree.Node(5).NodeID, brace);
  EXPECT_EQ(tree.Node(6).NodeID, high);
  for (int i = 0; i < tree.Count(); ++i) {
    const TSNodeInfo *n = tree.FindNode(tree.Node(i).NodeID);
    ASSERT_NE(n, nullptr) << i;
    EXPECT_EQ(n->NodeID, tree.Node(i).NodeID);
    EXPECT_EQ(tree.LastFound(), n);
    EXPECT_EQ(n->Owner, &tree);
  }
  EXPECT_EQ(tree.FindNode("0b"), nullptr);
  EXPECT_EQ(tree.FindNode("000"), nullptr);
  EXPECT_EQ(tree.FindNode(""), nullptr);
  // "0A" is child 10: never reached, since child 2 is missing
  EXPECT_EQ(tree.GetChildCount("0"), 2);
  QStringList captions{"stale"};
  tree.GetChildCaptions("0", captions);
  EXPECT_EQ(captions, (QStringList{"3030", "3031"}));
  tree.GetChildCaptions("01", captions);
  EXPECT_TRUE(captions.isEmpty());
}

TEST_F(SetupTree, AServerOrderOtherThanBytesIsPutRight) {
  // a case-insensitive text order would put "0a" beside "0A"; the search must not care
  for (const char *k : {"0", "0B", "0a", "0A", "0b", "00"}) Node(k, QString::fromLatin1(k));
  Load(QStringLiteral("CAPTION desc"));
  for (const char *k : {"0", "0B", "0a", "0A", "0b", "00"}) {
    const TSNodeInfo *n = tree.FindNode(k);
    ASSERT_NE(n, nullptr) << k;
    EXPECT_EQ(n->Caption, QString::fromLatin1(k));
  }
}

TEST_F(SetupTree, ANodeWithEveryPossibleChildEnumeratesThemAll) {
  Node("0", "root");
  for (int i = 0; i < MaxSetupChildren; ++i) Node(QByteArray("0") + KeyChar(i), QString::number(i));
  Load();
  EXPECT_EQ(tree.GetChildCount("0"), 195);
  QVector<TSNodeInfo> nodes;
  tree.GetChildNodes("0", nodes);
  ASSERT_EQ(nodes.size(), 195);
  EXPECT_EQ(nodes[194].Caption, "194");
  EXPECT_EQ(static_cast<unsigned char>(nodes[194].NodeID[1]), 191);
  // the copies are the caller's
  nodes[0].Caption = "changed";
  EXPECT_EQ(tree.FindNode("00")->Caption, "0");
}

TEST_F(SetupTree, ColumnsAreReadIntoTheNodeAndLoadAppends) {
  Db->ExecSetup(
      "insert into Setup (NODEID, CAPTION, CHECKTYPE, SDATA, IDATA, FDATA, BDATA, ICATNAME, ICATID, "
      "BCATNAME, BCATID, CHECKSTATE) values ('02', 'Сосна 68', 3, 'RAL 9016', -7, 21.5, 2, 'ic', 40000, "
      "'bc', 70012, 1)");
  Load();
  const TSNodeInfo *n = tree.FindNode("02");
  ASSERT_NE(n, nullptr);
  EXPECT_EQ(n->Caption, "Сосна 68");
  EXPECT_EQ(n->CheckType, 3);
  EXPECT_EQ(n->SData, "RAL 9016");
  EXPECT_EQ(n->IData, -7);
  EXPECT_DOUBLE_EQ(n->FData, 21.5);
  EXPECT_EQ(n->BData, 2);
  EXPECT_EQ(n->ICatName, "ic");
  EXPECT_EQ(n->ICatID, 40000);
  EXPECT_EQ(n->BCatName, "bc");
  EXPECT_EQ(n->BCatID, 70012);  // an image ID above 16 bits does not wrap
  EXPECT_EQ(n->CheckState, 1);
  Node("01", "one");
  Load();  // appends to what is there
  EXPECT_EQ(tree.Count(), 3);
  EXPECT_NE(tree.FindNode("01"), nullptr);
  tree.Clear();
  EXPECT_EQ(tree.Count(), 0);
  EXPECT_EQ(tree.FindNode("02"), nullptr);
}

TEST_F(SetupTree, AQueryThatCannotRunSaysTheTreeWasNotLoaded) {
  tree.SetupQuery = QStringList{QStringLiteral("select * from NoSuchSetup order by NODEID")};
  try {
    tree.Load();
    FAIL() << "no error";
  } catch (const EDatabaseError &e) {
    EXPECT_STREQ(e.what(), "ERROR! Setup tree was not loaded!");
  }
  EXPECT_EQ(tree.Count(), 0);
}

}  // namespace
