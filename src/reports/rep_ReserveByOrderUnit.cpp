#include "reports/rep_ReserveByOrderUnit.h"

#include "core/DocNumbers.h"
#include "core/DataUnit.h"
#include "platform/SysUtils.h"

TPrintReserveByOrder::TPrintReserveByOrder(QWidget *owner) : TWarehouseReport(owner) {
  SetLandscape(*this);
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
  header->AddLabel(QStringLiteral("QRLabel2"), 0, 3, QStringLiteral("Pasūtījuma Nr."))->Font =
      ReportFont(13, true);

  // The columns of the lines: group, name, colour, quantity (centred), document, date.
  const double cols[] = {0, 230, 560, 750, 860, 960};
  TQRBand *detail = AddBand(rbDetail, QStringLiteral("DetailBand1"), 42);
  detail->KeepWithNext = true;  // the order's heading stays with its first reservation
  detail->AddDBText(QStringLiteral("QRDBText1"), 0, 3, 0, MainQ, QStringLiteral("ORDLINK"))->Font =
      ReportFont(13, true);
  const char *captions[] = {"Materiālu grupa", "Nosaukums", "Krāsa", "Daudzums", "Pavadzīmes Nr.",
                            "Datums"};
  for (int i = 0; i < 6; ++i) {
    TQRLabel *l = detail->AddLabel(QStringLiteral("QRLabel%1").arg(i + 3), cols[i], 22,
                                   QString::fromUtf8(captions[i]));
    l->Font = ReportFont(12, false, false, true);
    if (i == 3) {
      l->Width = 90;
      l->Alignment = taCenter;
    }
  }
  detail->BeforePrint = [this](TQRBand *b, bool &p) { DetailBandBeforePrint(b, p); };

  TQRSubDetail *lines = AddSubDetail(QStringLiteral("QRSubDetail1"), 18, SubQ);
  // Long group and material names break into lines within their columns.
  lines->AddDBText(QStringLiteral("QRDBText2"), cols[0], 2, 225, SubQ, QStringLiteral("GROUPNAME"))
      ->WordWrap = true;
  lines->AddDBText(QStringLiteral("QRDBText3"), cols[1], 2, 325, SubQ, QStringLiteral("NAME"))
      ->WordWrap = true;
  lines->AddLabel(QStringLiteral("ColorLabel"), cols[2], 2, QString())->Width = cols[3] - cols[2] - 4;
  lines->AddDBText(QStringLiteral("QRDBText4"), cols[3], 2, 90, SubQ, QStringLiteral("QUANTITY"))
      ->Alignment = taCenter;
  lines->AddDBText(QStringLiteral("QRDBText5"), cols[4], 2, 0, SubQ, QStringLiteral("NUM"));
  lines->AddDBText(QStringLiteral("QRDBText6"), cols[5], 2, 0, SubQ, QStringLiteral("BDATE"));
  lines->BeforePrint = [this](TQRBand *b, bool &p) { SubDetailBeforePrint(b, p); };
  lines->FooterBand = AddBand(rbGroupFooter, QStringLiteral("GroupFooterBand1"), 10);

  AddPageFooter(false);
}

void TPrintReserveByOrder::QuickRepBeforePrint(TQuickRep *, bool &) {
  // One row per order code, by the date of its first reservation.
  const QString orders = Format(
      "select ORDLINK from Waybill where ISOUT=%d and ORDLINK<>\"\" group by ORDLINK", {DocKindReservation});
  MainQ->Reopen(orders + QStringLiteral(" order by min(BDATE), ORDLINK"));
  // Every reservation line at once, under the order code of its block as the server compares
  // order codes (so that codes differing in case only stay one block).
  SubQ->OpenGroups(
      QStringLiteral("select o.ORDLINK as ORDERCODE, w1.NUM, w1.BDATE, w.COLOR, w.QUANTITY, c.NAME, "
                     "c.SYSTEMID, g.NAME as GROUPNAME from (") +
          orders +
          Format(") o join Waybill w1 on (w1.ISOUT=%d and w1.ORDLINK=o.ORDLINK) join "
                 "WaybillCont w on w.WAYBILLID=w1.ID left join Catalog c on w.CATID=c.ID "
                 "left join CatGroups g on (c.CATGROUP=g.ID and g.SUBID=0) order by "
                 "w1.BDATE, w1.ID, w.ID",
                 {DocKindReservation}),
      {QStringLiteral("ORDERCODE")});
}

void TPrintReserveByOrder::DetailBandBeforePrint(TQRBand *, bool &) {
  SubQ->SelectGroup({MainQ->FieldByName(QStringLiteral("ORDLINK")).Value()});
}

void TPrintReserveByOrder::SubDetailBeforePrint(TQRBand *band, bool &) {
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("ColorLabel")))->Caption =
      ColorCaption(SubQ->FieldByName(QStringLiteral("COLOR")).AsInteger(),
                   SubQ->FieldByName(QStringLiteral("SYSTEMID")).AsInteger());
}
