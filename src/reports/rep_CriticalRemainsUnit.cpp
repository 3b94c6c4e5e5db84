#include "reports/rep_CriticalRemainsUnit.h"

#include "platform/SysUtils.h"

namespace {
const char *const CriticalSQL =
    "select cq.COLOR, cq.QUANTITY, cq.RESERVE, cq.QUANTITY+cq.RESERVE as QTYSUM, g1.MINVALUE, "
    "w1.PRICE, c.NAME, c.SYSTEMID, concat(g.NAME,\" – \",g1.NAME) as GROUPNAME, w.NUM, w.BDATE from "
    "CatalogQty cq left join Catalog c on cq.CATID=c.ID left join CatGroups g on (cq.CATID=c.ID and "
    "c.CATGROUP=g.ID and g.SUBID=0) left join CatGroups g1 on (c.CATGROUP=g1.ID and "
    "c.SUBGROUP=g1.SUBID) left join Waybill w on cq.LASTWBID=w.ID left join WaybillCont w1 on "
    "(cq.LASTWBID=w1.WAYBILLID and cq.CATID=w1.CATID and cq.COLOR=w1.COLOR) ";
// Stock rows in the order they were created; a receipt with two lines of the row's material
// and colour lists the row once per line, in line order.
const char *const CriticalOrder = " order by cq.ID, w1.ID";
}  // namespace

TPrintCriticalRemains::TPrintCriticalRemains(QWidget *owner, uint8_t option,
                                             const QString &groupFilter)
    : TWarehouseReport(owner) {
  SetLandscape(*this);
  Font = ReportFont(12);
  ReportTitle = QStringLiteral("Критические остатки материалов");
  q1 = AddQuery(QStringLiteral("q1"));
  DataSet = q1;

  TQRBand *title = AddBand(rbTitle, QStringLiteral("TitleBand1"), 78);
  AddLogo(title, 0, 0, 160, 70);
  QRLabel1 = AddTitleLabel(title, 0, 6, QString());
  QRLabel1->AlignToBand = true;
  QRLabel1->Alignment = taRightJustify;
  AddInfoLabel(title, 38)->Height = 36;
  AddInfo->Font = ReportFont(12);

  struct Column {
    const char *heading, *field;
    double left, width;
    TAlignment align;
  };
  const Column columns[] = {{"Группа материалов", "GROUPNAME", 0, 215, taLeftJustify},
                            {"Артикул", "NAME", 220, 215, taLeftJustify},
                            {"Цвет", nullptr, 440, 100, taLeftJustify},
                            {"Остаток", "QUANTITY", 545, 60, taRightJustify},
                            {"Резерв", "RESERVE", 610, 60, taRightJustify},
                            {"Сумма", "QTYSUM", 675, 60, taRightJustify},
                            {"Крит.ост.", "MINVALUE", 742, 70, taRightJustify},
                            {"Цена", "PRICE", 824, 56, taCenter},
                            {"Накладная №", "NUM", 884, 90, taLeftJustify},
                            {"Дата", "BDATE", 978, 68, taCenter}};
  TQRBand *header = AddBand(rbColumnHeader, QStringLiteral("ColumnHeaderBand1"), 38);
  TQRBand *detail = AddBand(rbDetail, QStringLiteral("DetailBand1"), 18);
  TQRLabel *last = header->AddLabel(QStringLiteral("QRLabel12"), 824, 2,
                                    QStringLiteral("Последнее поступление"));
  last->Font = ReportFont(12, false, false, true);
  int n = 2, f = 1;
  for (const Column &c : columns) {
    TQRLabel *h = header->AddLabel(QStringLiteral("QRLabel%1").arg(n++), c.left, 19,
                                   QString::fromUtf8(c.heading));
    // Left-aligned headings keep their whole text; the values are cut at the column's end.
    h->Width = c.align == taLeftJustify ? 0 : c.width;
    h->Alignment = c.align;
    h->Font = ReportFont(12, true);
    TQRPrintable *value;
    if (c.field)
      value = detail->AddDBText(QStringLiteral("QRDBText%1").arg(f++), c.left, 2, c.width, q1,
                                QLatin1String(c.field));
    else
      value = detail->AddLabel(QStringLiteral("ColorLabel"), c.left, 2, QString());
    value->Width = c.width;
    value->Alignment = c.align;
    value->Font = ReportFont(12);
    // Long group and material names break into lines within their columns.
    value->WordWrap = c.field && (QLatin1String(c.field) == QLatin1String("GROUPNAME") ||
                                  QLatin1String(c.field) == QLatin1String("NAME"));
  }
  header->AddShape(QStringLiteral("QRShape1"), qrsVertLine, 816, 0, 4, 38);
  detail->AddShape(QStringLiteral("QRShape2"), qrsVertLine, 816, 0, 4, 18);
  detail->FindItem(QStringLiteral("QRDBText6"))->Font = ReportFont(12, true);  // MINVALUE
  detail->BeforePrint = [this](TQRBand *b, bool &p) { DetailBandBeforePrint(b, p); };

  AddPageFooter(true);

  QString sql = QString::fromUtf8(CriticalSQL);
  if (option == 0) {
    QRLabel1->Caption = QStringLiteral("Критические остатки материалов");
    sql += QStringLiteral("where cq.QUANTITY<g1.MINVALUE");
    header->FindItem(QStringLiteral("QRLabel5"))->Font = ReportFont(12, true);
    detail->FindItem(QStringLiteral("QRDBText3"))->Font = ReportFont(12, true);
  } else {
    QRLabel1->Caption = QStringLiteral("Остатки материалов (+ резерв)");
    sql += QStringLiteral("where (cq.QUANTITY+cq.RESERVE)<g1.MINVALUE");
    header->FindItem(QStringLiteral("QRLabel7"))->Font = ReportFont(12, true);
    detail->FindItem(QStringLiteral("QRDBText5"))->Font = ReportFont(12, true);
  }
  if (FilterGiven(groupFilter)) sql += Format("\r\n and %s", {groupFilter});
  q1->SQL = sql + QString::fromUtf8(CriticalOrder);
  q1->Open();
}

void TPrintCriticalRemains::DetailBandBeforePrint(TQRBand *band, bool &) {
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("ColorLabel")))->Caption =
      ColorCaption(q1->FieldByName(QStringLiteral("COLOR")).AsInteger(),
                   q1->FieldByName(QStringLiteral("SYSTEMID")).AsInteger());
}
