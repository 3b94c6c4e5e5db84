#include "core/SetupObject.h"

#include <algorithm>
#include <stdexcept>

#include "core/DataUnit.h"
#include "core/Query.h"

char KeyChar(int index) {
  if (index >= 0 && index <= 9) return static_cast<char>('0' + index);
  if (index >= 10 && index <= 35) return static_cast<char>(index + 55);
  if (index >= 36 && index <= 61) return static_cast<char>(index + 61);
  if (index >= 62 && index <= 125) return static_cast<char>(static_cast<unsigned char>(index + 130));
  if (index >= 126 && index <= 194) return static_cast<char>(static_cast<unsigned char>(index - 3));
  throw std::runtime_error(
      QStringLiteral("Key char generator! (%1) FATAL ERROR!\r\rIndex overflow!").arg(index).toStdString());
}

TSetupObject::TSetupObject() { SetupQuery << QStringLiteral("select * from Setup order by NODEID"); }

namespace {

QByteArray KeyBytes(const QVariant &v) {
  // A binary column arrives as bytes; a text column (a setup database of another make) as
  // text whose characters 128-255 stand for those bytes.
  if (v.typeId() == QMetaType::QByteArray) return v.toByteArray();
  return v.toString().toLatin1();
}

}  // namespace

void TSetupObject::Load() {
  TQuery &q = SourceDataSet ? *SourceDataSet : DATA->Qtmp;
  q.SQL = SetupQuery.join(QLatin1Char('\n'));
  try {
    if (!q.Active()) q.Open();
  } catch (const EDatabaseError &e) {
    throw EDatabaseError(QStringLiteral("ERROR! Setup tree was not loaded!"), e.NativeCode());
  }
  const int cNode = q.FieldIndex(QStringLiteral("NODEID"));
  const int cCaption = q.FieldIndex(QStringLiteral("CAPTION"));
  const int cCheckType = q.FieldIndex(QStringLiteral("CHECKTYPE"));
  const int cSData = q.FieldIndex(QStringLiteral("SDATA"));
  const int cIData = q.FieldIndex(QStringLiteral("IDATA"));
  const int cFData = q.FieldIndex(QStringLiteral("FDATA"));
  const int cBData = q.FieldIndex(QStringLiteral("BDATA"));
  const int cICatName = q.FieldIndex(QStringLiteral("ICATNAME"));
  const int cICatID = q.FieldIndex(QStringLiteral("ICATID"));
  const int cBCatName = q.FieldIndex(QStringLiteral("BCATNAME"));
  const int cBCatID = q.FieldIndex(QStringLiteral("BCATID"));
  const int cCheckState = q.FieldIndex(QStringLiteral("CHECKSTATE"));
  if (cNode < 0) {
    q.Close();
    throw EDatabaseError(QStringLiteral("ERROR! Setup tree was not loaded!"));
  }
  auto text = [](const QVector<QVariant> &row, int col, int len) {
    return col < 0 ? QString() : row.at(col).toString().left(len);
  };
  auto number = [](const QVector<QVariant> &row, int col) {
    return col < 0 ? 0LL : row.at(col).toLongLong();
  };
  m_nodes.reserve(m_nodes.size() + q.RecordCount());
  for (const QVector<QVariant> &row : q.Rows()) {
    TSNodeInfo n;
    n.Owner = this;
    n.NodeID = KeyBytes(row.at(cNode)).left(25);
    n.Caption = text(row, cCaption, 40);
    n.CheckType = static_cast<uint8_t>(number(row, cCheckType));
    n.SData = text(row, cSData, 128);
    n.IData = static_cast<int32_t>(number(row, cIData));
    n.FData = cFData < 0 ? 0.0 : row.at(cFData).toDouble();
    n.BData = static_cast<uint8_t>(number(row, cBData));
    n.ICatName = text(row, cICatName, 30);
    n.ICatID = static_cast<int32_t>(number(row, cICatID));
    n.BCatName = text(row, cBCatName, 30);
    n.BCatID = static_cast<int32_t>(number(row, cBCatID));
    n.CheckState = static_cast<uint8_t>(number(row, cCheckState));
    m_nodes.append(n);
  }
  q.Close();
  // The search needs byte order; keep the server's order where it already is.
  std::stable_sort(m_nodes.begin(), m_nodes.end(),
                   [](const TSNodeInfo &a, const TSNodeInfo &b) { return a.NodeID < b.NodeID; });
  m_lastFound = nullptr;
}

const TSNodeInfo *TSetupObject::FindNode(const QByteArray &key) const {
  int low = 0, high = m_nodes.size() - 1;
  while (low <= high) {
    const int mid = low + (high - low) / 2;
    const QByteArray &k = m_nodes[mid].NodeID;
    if (key == k) {
      m_lastFound = &m_nodes[mid];
      return m_lastFound;
    }
    if (k < key) low = mid + 1;
    else high = mid - 1;
  }
  return nullptr;
}

int TSetupObject::GetChildCount(const QByteArray &key) const {
  int i = 0;
  while (i < MaxSetupChildren && FindNode(key + KeyChar(i))) ++i;
  return i;
}

void TSetupObject::GetChildCaptions(const QByteArray &key, QStringList &captions) const {
  captions.clear();
  for (int i = 0; i < MaxSetupChildren; ++i) {
    const TSNodeInfo *n = FindNode(key + KeyChar(i));
    if (!n) break;
    captions << n->Caption;
  }
}

void TSetupObject::GetChildNodes(const QByteArray &key, QVector<TSNodeInfo> &nodes) const {
  nodes.clear();
  for (int i = 0; i < MaxSetupChildren; ++i) {
    const TSNodeInfo *n = FindNode(key + KeyChar(i));
    if (!n) break;
    nodes << *n;
  }
}

void TSetupObject::Clear() {
  m_nodes.clear();
  m_lastFound = nullptr;
}
