#pragma once
// The setup tree of the window-calculation program: the rows of its table Setup, held in one
// array sorted by node key and searched by bisection.
//
// A node key is the path from the root: a child's key is its parent's key followed by one key
// character for the child index (see KeyChar). Keys are byte strings; the characters of the
// indexes 62..194 are the bytes 192..255 and 123..191, so keys are QByteArray throughout and
// compare byte by byte (unsigned).
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <cstdint>

class TQuery;
class TSetupObject;

// Highest number of children a node can have: the key characters run out after index 194.
constexpr int MaxSetupChildren = 195;

// The key character of child index 0..194: '0'-'9', 'A'-'Z', 'a'-'z', then the bytes
// 192-255 and 123-191. Any other index raises std::runtime_error with the text
// "Key char generator! (<index>) FATAL ERROR!\r\rIndex overflow!".
char KeyChar(int index);

// A name and a value of any type.
struct TCatRec {
  TCatRec() = default;
  TCatRec(const QString &name, const QVariant &value) : Name(name), Value(value) {}
  QString Name;
  QVariant Value;
};

// One node of the tree. Copies are independent (value semantics).
class TSNodeInfo {
 public:
  uint8_t CheckState = 0;
  QVector<TCatRec> CatList1, CatList2;  // never loaded; copied along
  const TSetupObject *Owner = nullptr;
  QByteArray NodeID;  // at most 25 bytes
  QString Caption;    // at most 40 characters
  uint8_t CheckType = 0;
  QString SData;      // at most 128
  int32_t IData = 0;
  double FData = 0;
  uint8_t BData = 0;
  QString ICatName;   // at most 30
  int32_t ICatID = 0;
  QString BCatName;   // at most 30
  int32_t BCatID = 0;

  void Assign(const TSNodeInfo &source) { *this = source; }
};

class TSetupObject {
 public:
  TSetupObject();

  // The statement that Load runs; start-up narrows it to the subtree of "0".
  QStringList SetupQuery;
  // The query object that runs it; nullptr means the data module's Qtmp.
  TQuery *SourceDataSet = nullptr;

  // Runs SetupQuery and appends one node per row. The array is kept in byte order of the keys
  // (the server's "order by NODEID" on a binary column gives it; a server that orders
  // otherwise is corrected here). Raises "ERROR! Setup tree was not loaded!" when the query
  // cannot be run.
  void Load();
  // The node with exactly that key, or nullptr. A hit is remembered as LastFound().
  const TSNodeInfo *FindNode(const QByteArray &key) const;
  // The number of consecutive children 0, 1, 2 ... that exist (at most 195).
  int GetChildCount(const QByteArray &key) const;
  // Clears the list, then adds the captions of the consecutive children.
  void GetChildCaptions(const QByteArray &key, QStringList &captions) const;
  // Clears the list, then adds a copy of each consecutive child (its Caption is the item's
  // text). The copies belong to the caller.
  void GetChildNodes(const QByteArray &key, QVector<TSNodeInfo> &nodes) const;
  // Frees every node.
  void Clear();

  int Count() const { return m_nodes.size(); }
  const TSNodeInfo &Node(int index) const { return m_nodes.at(index); }
  const TSNodeInfo *LastFound() const { return m_lastFound; }

 private:
  QVector<TSNodeInfo> m_nodes;
  mutable const TSNodeInfo *m_lastFound = nullptr;
};
