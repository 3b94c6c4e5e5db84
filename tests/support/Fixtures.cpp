#include "support/Fixtures.h"

#include "core/ColorList.h"
#include "core/DataUnit.h"
#include "core/SetupObject.h"
#include "platform/SysUtils.h"

namespace fx {

namespace {
int Insert(const QString &sql) {
  ExecSQL(sql);
  return static_cast<int>(LastInsertID());
}
QString Num(double v) { return Format(QStringLiteral("%10.6f"), {v}); }
}  // namespace

int Supplier(const QString &name) {
  return Insert(QStringLiteral("insert into Suppliers (NAME) values (%1)").arg(QuoteSQL(name)));
}

int Material(const QString &name, int supplier, int isColor, int catGroup, int subGroup,
             int systemId, double price0) {
  return Insert(QStringLiteral("insert into Catalog (NAME, SUPPLIER, ISCOLOR, CATGROUP, SUBGROUP, "
                               "SYSTEMID, PRICE0) values (%1, %2, %3, %4, %5, %6, %7)")
                    .arg(QuoteSQL(name))
                    .arg(supplier)
                    .arg(isColor)
                    .arg(catGroup)
                    .arg(subGroup)
                    .arg(systemId)
                    .arg(Num(price0)));
}

void Group(int id, const QString &name) {
  ExecSQL(QStringLiteral("insert into CatGroups (ID, SUBID, NAME) values (%1, 0, %2)").arg(id).arg(QuoteSQL(name)));
}

void Subgroup(int id, int subId, const QString &name, int minValue, double waste) {
  ExecSQL(QStringLiteral("insert into CatGroups (ID, SUBID, NAME, MINVALUE, WASTE) values (%1, %2, %3, %4, %5)")
              .arg(id)
              .arg(subId)
              .arg(QuoteSQL(name))
              .arg(minValue)
              .arg(Num(waste)));
}

int Receipt(const QDate &date, const QString &num, int supplier) {
  return Insert(QStringLiteral("insert into Waybill (BDATE, NUM, ISOUT, SUPPLIERID, SUM, CURRENCY, "
                               "CURRENCYRATE, USERID) values (\"%1\", %2, 0, %3, 0, 0, 1, 1)")
                    .arg(date.toString(QStringLiteral("yyyy-MM-dd")), QuoteSQL(num))
                    .arg(supplier));
}

int Lot(int receiptId, int catId, int color, double qty, double price) {
  const int id = Insert(QStringLiteral("insert into WaybillCont (WAYBILLID, CATID, COLOR, QUANTITY, PRICE, "
                                       "QTYOUT) values (%1, %2, %3, %4, %5, 0.0)")
                            .arg(receiptId)
                            .arg(catId)
                            .arg(color)
                            .arg(Num(qty), Num(price)));
  const int row = SQLInt(QStringLiteral("select ID from CatalogQty where CATID=%1 and COLOR=%2 order by ID limit 1")
                             .arg(catId)
                             .arg(color));
  if (row < 1)
    ExecSQL(QStringLiteral("insert into CatalogQty (CATID, COLOR, QUANTITY, LASTWBID) values (%1, %2, %3, %4)")
                .arg(catId)
                .arg(color)
                .arg(Num(qty))
                .arg(receiptId));
  else
    ExecSQL(QStringLiteral("update CatalogQty set QUANTITY=QUANTITY+%1, LASTWBID=%2 where ID=%3")
                .arg(Num(qty))
                .arg(receiptId)
                .arg(row));
  ExecSQL(QStringLiteral("update Waybill set SUM=SUM+%1 where ID=%2").arg(Num(qty * price)).arg(receiptId));
  return id;
}

int Reservation(const QDate &date, const QString &num, int supplier, const QVector<ResLine> &lines) {
  const int id = Insert(QStringLiteral("insert into Waybill (BDATE, NUM, ISOUT, SUPPLIERID, SUM, USERID) "
                                       "values (\"%1\", %2, 3, %3, 0, 1)")
                            .arg(date.toString(QStringLiteral("yyyy-MM-dd")), QuoteSQL(num))
                            .arg(supplier));
  for (const ResLine &l : lines) {
    ExecSQL(QStringLiteral("insert into WaybillCont (WAYBILLID, CATID, COLOR, QUANTITY, PRICE, QTYOUT) "
                           "values (%1, %2, %3, %4, 0, NULL)")
                .arg(id)
                .arg(l.CatId)
                .arg(l.Color)
                .arg(Num(l.Qty)));
    const int row = SQLInt(QStringLiteral("select ID from CatalogQty where CATID=%1 and COLOR=%2 order by ID limit 1")
                               .arg(l.CatId)
                               .arg(l.Color));
    if (row >= 1)
      ExecSQL(QStringLiteral("update CatalogQty set RESERVE=RESERVE-%1 where ID=%2").arg(Num(l.Qty)).arg(row));
  }
  return id;
}

int StockRow(int catId, int color, double quantity, double reserve, int lastWbId) {
  return Insert(QStringLiteral("insert into CatalogQty (CATID, COLOR, QUANTITY, RESERVE, LASTWBID) "
                               "values (%1, %2, %3, %4, %5)")
                    .arg(catId)
                    .arg(color)
                    .arg(Num(quantity), Num(reserve))
                    .arg(lastWbId));
}

void SetupNode(const QByteArray &key, const QString &caption, const QString &sdata, int idata,
               int bdata, double fdata) {
  ExecSQL(QStringLiteral("insert into %1.Setup (NODEID, CAPTION, SDATA, IDATA, BDATA, FDATA) "
                         "values (0x%2, %3, %4, %5, %6, %7)")
              .arg(DATA->SetupDatabase, QString::fromLatin1(key.toHex()), QuoteSQL(caption), QuoteSQL(sdata))
              .arg(idata)
              .arg(bdata)
              .arg(Num(fdata)));
}

void LoadSetup() {
  TSetupObject &setup = *DATA->Setup;
  setup.Clear();
  setup.SetupQuery = QStringList{
      QStringLiteral("select * from %1.Setup where NodeID like \"0%\" order by NodeID").arg(DATA->SetupDatabase)};
  setup.Load();
  FreeColors();
  Colors = new TColorList(&setup);
}

double StockQty(int catId, int color) {
  return SQLFloat(QStringLiteral("select coalesce(sum(QUANTITY), 0) from CatalogQty where CATID=%1 and COLOR=%2")
                      .arg(catId)
                      .arg(color));
}

double Reserve(int catId, int color) {
  return SQLFloat(QStringLiteral("select coalesce(sum(RESERVE), 0) from CatalogQty where CATID=%1 and COLOR=%2")
                      .arg(catId)
                      .arg(color));
}

int LastWbId(int catId, int color) {
  return SQLInt(QStringLiteral("select LASTWBID from CatalogQty where CATID=%1 and COLOR=%2 order by ID limit 1")
                    .arg(catId)
                    .arg(color));
}

int StockRowCount(int catId, int color) {
  return SQLInt(QStringLiteral("select count(*) from CatalogQty where CATID=%1 and COLOR=%2").arg(catId).arg(color));
}

double QtyOut(int lotLineId) {
  return SQLFloat(QStringLiteral("select QTYOUT from WaybillCont where ID=%1").arg(lotLineId));
}

QString Snapshot() {
  QString out;
  for (const char *table : {"Waybill", "WaybillCont", "WBList", "WaybillInventory", "CatalogQty"}) {
    TQuery q;
    q.SQL = QStringLiteral("select * from %1 order by ID").arg(QLatin1String(table));
    q.Open();
    for (const auto &row : q.Rows()) {
      QStringList cells;
      for (const QVariant &v : row) cells << (v.isNull() ? QStringLiteral("NULL") : v.toString());
      out += cells.join(QLatin1Char('|')) + QLatin1Char('\n');
    }
    out += QLatin1String("--\n");
  }
  return out;
}

int Count(const QString &table, const QString &where) {
  return SQLInt(QStringLiteral("select count(*) from ") + table +
                (where.isEmpty() ? QString() : QStringLiteral(" where ") + where));
}

}  // namespace fx
