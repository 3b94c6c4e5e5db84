#include "reports/rep_InventoryUnit.h"

#include "platform/SysUtils.h"

TPrintInventory::TPrintInventory(QWidget *owner, int countId, const QString &heading, double total)
    : TWarehouseReport(owner) {
  ReportTitle = QStringLiteral("Inventarizācija");
  Font = ReportFont(13);
  Q = AddQuery(QStringLiteral("Q"));
  DataSet = Q;

  TQRBand *title = AddBand(rbTitle, QStringLiteral("QRBand1"), 76);
  AddLogo(title, 0, 0, 160, 70);
  TQRLabel *caption = AddTitleLabel(title, 0, 6, QStringLiteral("Inventarizācija"));
  caption->AlignToBand = true;
  caption->Alignment = taRightJustify;
  AddInfoLabel(title, 40)->Caption = QStringLiteral("Datums");
  AddInfo->Font = ReportFont(13, true);

  TQRBand *header = AddBand(rbColumnHeader, QStringLiteral("QRBand3"), 24);
  const struct {
    const char *text;
    double left;
  } titles[] = {{"Nosaukums", 0}, {"Krāsa", 312}, {"Mērv.", 420}, {"Atlikums", 500},
                {"Summa", 564},   {"Starpība", 624}, {"Summa", 676}};
  int n = 2;
  // The titles of the narrow number columns take a smaller font, so that they do not run
  // into each other; the last one ends at the band's right edge, over its values.
  for (const auto &t : titles) {
    TQRLabel *l = header->AddLabel(QStringLiteral("QRLabel%1").arg(n++), t.left, 3, QString::fromUtf8(t.text));
    l->Font = ReportFont(t.left >= 500 ? 10 : 13, true);
    if (t.left >= 500) l->Top = 6;
  }
  TQRLabel *lastTitle = static_cast<TQRLabel *>(header->FindItem(QStringLiteral("QRLabel8")));
  lastTitle->Left = 664;
  lastTitle->Width = BandWidth() - 664;
  lastTitle->Alignment = taRightJustify;
  header->AddShape(QStringLiteral("QRShape1"), qrsHorLine, 0, 21, BandWidth(), 2)->PenWidth = 2;

  TQRBand *detail = AddBand(rbDetail, QStringLiteral("QRBand2"), 20);
  TQRDBText *name = detail->AddDBText(QStringLiteral("QRDBText1"), 0, 2, 308, Q, QStringLiteral("NAME"));
  // Wraps before the colour column rather than under it.
  name->WordWrap = true;
  // The colour breaks into lines before the unit column, which holds "[компл.]" between the
  // name and the rule of the quantities.
  detail->AddLabel(QStringLiteral("QRLabel6"), 312, 2, QString())->Width = 420 - 312 - 4;
  TQRDBText *measure = detail->AddDBText(QStringLiteral("QRDBText2"), 420, 2, 62, Q, QStringLiteral("M2"));
  measure->Alignment = taCenter;
  detail->AddDBText(QStringLiteral("QRDBText3"), 500, 2, 0, Q, QStringLiteral("QTYAFTER"));
  detail->AddDBText(QStringLiteral("QRDBText4"), 560, 2, 50, Q, QStringLiteral("REMAIN"), QStringLiteral("0.00"))
      ->Alignment = taRightJustify;
  detail->AddLabel(QStringLiteral("QRLabel7"), 624, 2, QString());
  detail->AddDBText(QStringLiteral("QRDBText5"), 664, 2, 54, Q, QStringLiteral("SUM"), QStringLiteral("0.00"))
      ->Alignment = taRightJustify;
  detail->AddShape(QStringLiteral("QRShape2"), qrsVertLine, 484, 0, 1, 20);
  detail->AddShape(QStringLiteral("QRShape3"), qrsVertLine, 612, 0, 1, 20);
  TQRShape *bar = detail->AddShape(QStringLiteral("QRShape4"), qrsRectangle, 0, 18, BandWidth(), 2);
  bar->PenWidth = 0;
  bar->BrushColor = QColor(0xE0, 0xE0, 0xE0);
  detail->BeforePrint = [this](TQRBand *b, bool &p) { QRBand2BeforePrint(b, p); };

  TQRBand *summary = AddBand(rbSummary, QStringLiteral("QRBand4"), 46);
  summary->AddShape(QStringLiteral("QRShape5"), qrsHorLine, 0, 0, BandWidth(), 2);
  summary->AddExpr(QStringLiteral("QRExpr2"), 512, 4, 98, QStringLiteral("sum(Q.REMAIN)"), QStringLiteral("0.00"))
      ->Alignment = taRightJustify;
  summary->AddExpr(QStringLiteral("QRExpr1"), 641, 4, 77, QStringLiteral("sum(Q.SUM)"), QStringLiteral("0.00"))
      ->Alignment = taRightJustify;
  TQRLabel *totalLabel = summary->AddLabel(QStringLiteral("QRLabel10"), 0, 24, QStringLiteral("Summa:"));
  totalLabel->Font = ReportFont(13, true);
  totalLabel->AlignToBand = true;
  totalLabel->Alignment = taRightJustify;
  summary->BeforePrint = [this](TQRBand *b, bool &p) { QRBand4BeforePrint(b, p); };

  AddPageFooter(false);

  AddInfo->Caption = heading;
  InventoryTotal = total;
  // A material without comments keeps its name.
  Q->SQL = Format(QStringLiteral(
                      "select concat(c.NAME, if((c.COMMENTS is NULL) or (c.COMMENTS=\"\"), \"\", "
                      "concat(\"  (\",c.COMMENTS,\")\"))) as NAME, c.SYSTEMID, i.COLOR, i.QTYAFTER, "
                      "i.QTYAFTER-i.QTYBEFORE as DIFFERENCE, if(i.QTYAFTER-i.QTYBEFORE<0, 0-i.SUM, i.SUM) as SUM, "
                      "i.REMAIN, concat(\"[\",m.NAME,\"]\") as M2  from WaybillInventory i   left join Catalog c on "
                      "i.CATID=c.ID   left join Measures m on (c.MEASURE=m.ID) where i.WAYBILLID=%d order by "
                      "i.CATID, i.ID"),
                  {countId});
  Q->Open();
}

void TPrintInventory::QRBand2BeforePrint(TQRBand *band, bool &) {
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("QRLabel6")))->Caption =
      ColorCaption(Q->FieldByName(QStringLiteral("COLOR")).AsInteger(),
                   Q->FieldByName(QStringLiteral("SYSTEMID")).AsInteger());
  const double d = Q->FieldByName(QStringLiteral("DIFFERENCE")).AsFloat();
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("QRLabel7")))->Caption =
      d < 0 ? QStringLiteral("- ") + FormatFloat(QStringLiteral("0.##"), -d)
            : QStringLiteral("+ ") + FormatFloat(QStringLiteral("0.##"), d);
}

void TPrintInventory::QRBand4BeforePrint(TQRBand *band, bool &) {
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("QRLabel10")))->Caption =
      QStringLiteral("Galējā noliktavas atlikumu summa: ") + FormatFloat(QStringLiteral("0.00 Ls"), InventoryTotal);
}
