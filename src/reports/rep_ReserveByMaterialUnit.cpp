#include "reports/rep_ReserveByMaterialUnit.h"

#include "core/DocNumbers.h"
#include "platform/SysUtils.h"

TPrintReserveByMaterial::TPrintReserveByMaterial(QWidget *owner) : TWarehouseReport(owner) {
  ReportTitle = QStringLiteral("Rezervētie materiāli");
  MainQ = AddQuery(QStringLiteral("MainQ"));
  SubQ = AddQuery(QStringLiteral("SubQ"));
  DataSet = MainQ;
  BeforePrint = [this](TQuickRep *r, bool &p) { QuickRepBeforePrint(r, p); };

  TQRBand *title = AddBand(rbTitle, QStringLiteral("TitleBand1"), 44);
  TQRLabel *caption = AddTitleLabel(title, 0, 8, QStringLiteral("Rezervētie materiāli"));
  caption->AlignToBand = true;
  caption->Alignment = taCenter;

  TQRBand *header = AddBand(rbColumnHeader, QStringLiteral("ColumnHeaderBand1"), 22);
  header->AddLabel(QStringLiteral("QRLabel2"), 0, 3, QStringLiteral("Materiālu grupa"))->Font =
      ReportFont(13, true);
  header->AddLabel(QStringLiteral("QRLabel3"), 200, 3, QStringLiteral("Nosaukums"))->Font =
      ReportFont(13, true);
  header->AddLabel(QStringLiteral("QRLabel4"), 520, 3, QStringLiteral("Krāsa"))->Font =
      ReportFont(13, true);

  TQRBand *detail = AddBand(rbDetail, QStringLiteral("DetailBand1"), 42);
  detail->KeepWithNext = true;  // the material's heading stays with its first reservation
  // Long group and material names break into lines within their columns.
  detail->AddDBText(QStringLiteral("QRDBText1"), 0, 3, 195, MainQ, QStringLiteral("GROUPNAME"))
      ->WordWrap = true;
  detail->AddDBText(QStringLiteral("QRDBText2"), 200, 3, 315, MainQ, QStringLiteral("NAME"))
      ->WordWrap = true;
  detail->AddLabel(QStringLiteral("ColorLabel"), 520, 3, QString())->Width = BandWidth() - 520;
  const struct {
    const char *name, *text;
    double left;
  } captions[] = {{"QRLabel5", "Daudzums", 0},
                  {"QRLabel6", "Pavadzīmes Nr.", 150},
                  {"QRLabel7", "Uz datumu", 300},
                  {"QRLabel8", "Pasūtījuma Nr.", 450}};
  for (const auto &c : captions) {
    TQRLabel *l = detail->AddLabel(QLatin1String(c.name), c.left, 22, QString::fromUtf8(c.text));
    l->Font = ReportFont(12, false, false, true);
    if (c.left == 0) {
      l->Width = 100;
      l->Alignment = taCenter;
    }
  }
  detail->AddShape(QStringLiteral("QRShape1"), qrsHorLine, 0, 38, BandWidth(), 4);
  detail->BeforePrint = [this](TQRBand *b, bool &p) { DetailBandBeforePrint(b, p); };

  TQRSubDetail *lines = AddSubDetail(QStringLiteral("QRSubDetail1"), 18, SubQ);
  lines->AddDBText(QStringLiteral("QRDBText3"), 0, 2, 100, SubQ, QStringLiteral("QUANTITY"))
      ->Alignment = taCenter;
  lines->AddDBText(QStringLiteral("QRDBText4"), 150, 2, 0, SubQ, QStringLiteral("NUM"));
  lines->AddDBText(QStringLiteral("QRDBText5"), 300, 2, 0, SubQ, QStringLiteral("BDATE"));
  lines->AddDBText(QStringLiteral("QRDBText6"), 450, 2, 0, SubQ, QStringLiteral("ORDLINK"));

  TQRBand *footer = AddBand(rbGroupFooter, QStringLiteral("GroupFooterBand1"), 24);
  footer->KeepWithPrevious = true;  // a total never opens a page without its last line
  TQRLabel *total = footer->AddLabel(QStringLiteral("TotalLabel"), 0, 4, QString());
  total->Width = 100;
  total->Alignment = taCenter;
  total->Font = ReportFont(13, true);
  footer->AddShape(QStringLiteral("QRShape2"), qrsHorLine, 0, 0, 100, 2);
  footer->BeforePrint = [this](TQRBand *b, bool &p) { GroupFooterBeforePrint(b, p); };
  lines->FooterBand = footer;

  AddPageFooter(false);
}

void TPrintReserveByMaterial::QuickRepBeforePrint(TQuickRep *, bool &) {
  MainQ->Reopen(Format(QStringLiteral(
      "select w.CATID, w.COLOR, sum(w.QUANTITY) as SUMQTY, c.NAME, c.SYSTEMID, g.NAME as "
      "GROUPNAME from WaybillCont w left join Waybill w1 on w.WAYBILLID=w1.ID left join Catalog "
      "c on w.CATID=c.ID left join CatGroups g on (w.CATID=c.ID and c.CATGROUP=g.ID and "
      "g.SUBID=0) where w1.ISOUT=%d group by w.CATID, w.COLOR order by w.CATID, w.COLOR"), {DocKindReservation}));
  // Every reservation line at once; reservations of one date in the order they were entered.
  SubQ->OpenGroups(Format("select w.CATID, w.COLOR, w.QUANTITY, w1.BDATE, w1.NUM, w1.ORDLINK from "
                          "WaybillCont w left join Waybill w1 on w.WAYBILLID=w1.ID where w1.ISOUT=%d "
                          "order by w1.BDATE, w1.ID, w.ID",
                          {DocKindReservation}),
                   {QStringLiteral("CATID"), QStringLiteral("COLOR")});
}

void TPrintReserveByMaterial::DetailBandBeforePrint(TQRBand *band, bool &) {
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("ColorLabel")))->Caption =
      ColorCaption(MainQ->FieldByName(QStringLiteral("COLOR")).AsInteger(),
                   MainQ->FieldByName(QStringLiteral("SYSTEMID")).AsInteger());
  ReservedTotal = MainQ->FieldByName(QStringLiteral("SUMQTY")).AsFloat();
  SubQ->SelectGroup({MainQ->FieldByName(QStringLiteral("CATID")).Value(),
                     MainQ->FieldByName(QStringLiteral("COLOR")).Value()});
}

void TPrintReserveByMaterial::GroupFooterBeforePrint(TQRBand *band, bool &) {
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("TotalLabel")))->Caption =
      FormatFloat(QStringLiteral("0.##"), ReservedTotal);
}
