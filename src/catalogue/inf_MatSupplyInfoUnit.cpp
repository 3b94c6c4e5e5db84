#include "catalogue/inf_MatSupplyInfoUnit.h"

#include <QLabel>

#include "core/DocNumbers.h"
#include "core/DataLists.h"
#include "core/DataUnit.h"
#include "core/Ledger.h"
#include "platform/SysUtils.h"

Tinf_MatSupplyInfo::Tinf_MatSupplyInfo(QWidget *owner, int catId, int color, const QString &caption)
    : TInfoPopup(owner, 4, 116) {
  setObjectName(QStringLiteral("inf_MatSupplyInfo"));
  setWindowTitle(QStringLiteral("Информация о поставках"));
  lblName->setText(caption);
  Label2 = AddTitle(0, QStringLiteral("Label2"), QStringLiteral("Накладная №"));
  Label3 = AddTitle(1, QStringLiteral("Label3"), QStringLiteral("Дата"));
  Label4 = AddTitle(2, QStringLiteral("Label4"), QStringLiteral("Остаток"));
  Label5 = AddTitle(3, QStringLiteral("Label5"), QStringLiteral("Цена"));

  TQuery &q = DATA->Qtmp;
  q.SQL = Format(QStringLiteral(
                     "select w1.BDATE, w1.NUM, w.QUANTITY-w.QTYOUT as QUANTITY, w.PRICE, w1.CURRENCY, "
                     "m.NAME as MEASURE from WaybillCont w left join Waybill w1 on w1.ID=w.WAYBILLID "
                     "left join Catalog c on c.ID=w.CATID left join Measures m on m.ID=c.MEASURE where "
                     "%s and w1.ISOUT=%d and w.CATID=%d and w.COLOR=%d order by w1.BDATE"),
                 {OpenLotSQL(), DocKindReceipt, catId, color});
  q.Open();
  for (q.First(); !q.Eof(); q.Next()) {
    const TField currency = q.FieldByName(QStringLiteral("CURRENCY"));
    AddRow({q.FieldByName(QStringLiteral("NUM")).AsString(),
            DateToStr(q.FieldByName(QStringLiteral("BDATE")).AsDate()),
            FormatFloat(QStringLiteral("0.00##"), q.FieldByName(QStringLiteral("QUANTITY")).AsFloat()) +
                QLatin1Char(' ') + q.FieldByName(QStringLiteral("MEASURE")).AsString(),
            FormatFloat(QStringLiteral("0.00##"), q.FieldByName(QStringLiteral("PRICE")).AsFloat()) +
                QLatin1Char(' ') + (currency.IsNull() ? QString() : CurrencyNames.ByID(currency.AsInteger()))});
  }
  q.Close();
}
