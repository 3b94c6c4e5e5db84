#pragma once
// The setup tree of the window-calculation program.
#include <QByteArray>
#include <QVector>

class TSetupObject {
 public:
  void Clear() { m_nodes.clear(); }

 private:
  QVector<QByteArray> m_nodes;
};
