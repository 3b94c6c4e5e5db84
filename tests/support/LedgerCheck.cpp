#include "support/LedgerCheck.h"

#include <gtest/gtest.h>

#include "core/DataUnit.h"

void ExpectLedgerConsistent() {
  // Each lot: 0 <= QTYOUT <= QUANTITY.
  TQuery q;
  q.SQL = QStringLiteral(
      "select w.ID, w.QUANTITY, w.QTYOUT from WaybillCont w join Waybill b on b.ID=w.WAYBILLID "
      "where b.ISOUT=0 and (w.QTYOUT < -0.0000005 or w.QTYOUT > w.QUANTITY + 0.0000005)");
  q.Open();
  for (q.First(); !q.Eof(); q.Next())
    ADD_FAILURE() << "lot " << q.Fields(0).AsInteger() << " has QTYOUT " << q.Fields(2).AsFloat()
                  << " outside 0.." << q.Fields(1).AsFloat();
}
