#include "reports/rep_RequisitionsUnit.h"

#include "core/DocNumbers.h"
#include "core/DataUnit.h"
#include "core/MyMsgUnit.h"
#include "platform/SysUtils.h"
#include "platform/report/ReportProgress.h"

TPrintRequisitions::TPrintRequisitions(QWidget *owner) : TWarehouseReport(owner) {
  ReportTitle = QStringLiteral("Pasūtītie materiāli (pieprasījumi)");
  Font = ReportFont(13);
  MainQ = AddQuery(QStringLiteral("MainQ"));
  SubQ = AddQuery(QStringLiteral("SubQ"));
  DataSet = MainQ;
  // Requests changed at the same moment come in the order they were made.
  MainQ->SQL = Format("select * from Waybill where ISOUT=%d order by LASTUPDATE, ID", {DocKindRequest});
  // The lines of every request at once, each request's in the order they were entered.
  BeforePrint = [this](TQuickRep *, bool &) {
    SubQ->OpenGroups(Format("select w.WAYBILLID, w.COLOR, w.QUANTITY, c.NAME, c.SYSTEMID, g.NAME as "
                            "GROUPNAME from WaybillCont w join Waybill b on b.ID=w.WAYBILLID left join "
                            "Catalog c on w.CATID=c.ID left join CatGroups g on (c.CATGROUP=g.ID and "
                            "g.SUBID=0) where b.ISOUT=%d order by w.ID",
                            {DocKindRequest}),
                     {QStringLiteral("WAYBILLID")});
  };

  TQRBand *title = AddBand(rbTitle, QStringLiteral("TitleBand1"), 44);
  TQRLabel *caption =
      AddTitleLabel(title, 0, 8, QStringLiteral("Pasūtītie materiāli (pieprasījumi)"));
  caption->AlignToBand = true;
  caption->Alignment = taCenter;

  const double cols[] = {0, 170, 340, 500};
  TQRBand *header = AddBand(rbColumnHeader, QStringLiteral("ColumnHeaderBand1"), 22);
  const char *headings[] = {"Pieprasījuma Nr.", "Pieprasījuma datums", "Piegādes datums",
                            "Piegādātājs"};
  for (int i = 0; i < 4; ++i)
    header->AddLabel(QStringLiteral("QRLabel%1").arg(i + 2), cols[i], 3,
                     QString::fromUtf8(headings[i]))
        ->Font = ReportFont(13, true);

  TQRBand *detail = AddBand(rbDetail, QStringLiteral("DetailBand1"), 46);
  detail->KeepWithNext = true;  // the request's heading stays with its first line
  const QFont bold = ReportFont(13, true);
  detail->AddDBText(QStringLiteral("QRDBText1"), cols[0], 3, 165, MainQ, QStringLiteral("NUM"))
      ->Font = bold;
  detail->AddDBText(QStringLiteral("QRDBText2"), cols[1], 3, 165, MainQ,
                    QStringLiteral("LASTUPDATE"), QStringLiteral("dd/mm/yyyy"))
      ->Font = bold;
  detail->AddDBText(QStringLiteral("QRDBText3"), cols[2], 3, 155, MainQ, QStringLiteral("BDATE"),
                    QStringLiteral("dd/mm/yyyy"))
      ->Font = bold;
  TQRLabel *supplier = detail->AddLabel(QStringLiteral("SupplierLabel"), cols[3], 3, QString());
  supplier->Font = bold;
  supplier->Width = BandWidth() - cols[3];
  detail->AddShape(QStringLiteral("QRShape1"), qrsHorLine, 0, 20, BandWidth(), 4);
  const struct {
    const char *name, *text;
    double left, width;
  } captions[] = {{"QRLabel6", "Materiālu grupa", 0, 0},
                  {"QRLabel7", "Nosaukums", 170, 0},
                  {"QRLabel8", "Krāsa", 440, 0},
                  {"QRLabel9", "Daudzums", 600, 118}};
  for (const auto &c : captions) {
    TQRLabel *l = detail->AddLabel(QLatin1String(c.name), c.left, 27, QString::fromUtf8(c.text));
    l->Font = ReportFont(11, false, false, true);
    if (c.width > 0) {
      l->Width = c.width;
      l->Alignment = taRightJustify;
    }
  }
  detail->BeforePrint = [this](TQRBand *b, bool &p) { DetailBandBeforePrint(b, p); };

  TQRSubDetail *lines = AddSubDetail(QStringLiteral("QRSubDetail1"), 18, SubQ);
  // Long group and material names break into lines within their columns.
  lines->AddDBText(QStringLiteral("QRDBText4"), 0, 2, 165, SubQ, QStringLiteral("GROUPNAME"))
      ->WordWrap = true;
  lines->AddDBText(QStringLiteral("QRDBText5"), 170, 2, 265, SubQ, QStringLiteral("NAME"))
      ->WordWrap = true;
  lines->AddLabel(QStringLiteral("ColorLabel"), 440, 2, QString())->Width = 600 - 440 - 4;
  lines->AddDBText(QStringLiteral("QRDBText6"), 600, 2, 118, SubQ, QStringLiteral("QUANTITY"))
      ->Alignment = taRightJustify;
  lines->BeforePrint = [this](TQRBand *b, bool &p) { SubDetailBeforePrint(b, p); };

  TQRBand *footer = AddBand(rbGroupFooter, QStringLiteral("GroupFooterBand1"), 28);
  footer->KeepWithPrevious = true;  // a total never opens a page without its last line
  footer->AddShape(QStringLiteral("QRShape2"), qrsHorLine, 560, 0, 158, 2);
  footer->AddLabel(QStringLiteral("QRLabel10"), 520, 5, QStringLiteral("Summa:"));
  TQRLabel *total = footer->AddLabel(QStringLiteral("TotalLabel"), 600, 5, QString());
  total->Width = 118;
  total->Alignment = taRightJustify;
  footer->BeforePrint = [this](TQRBand *b, bool &p) { GroupFooterBeforePrint(b, p); };
  lines->FooterBand = footer;

  AddPageFooter(false);

  MainQ->Open();
}

void TPrintRequisitions::DetailBandBeforePrint(TQRBand *band, bool &) {
  const int supplierId = MainQ->FieldByName(QStringLiteral("SUPPLIERID")).AsInteger();
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("SupplierLabel")))->Caption =
      supplierId >= 1 ? SupplierName(supplierId) : QString();
  SubQ->SelectGroup({MainQ->FieldByName(QStringLiteral("ID")).Value()});
  QuantityTotal = 0;
}

void TPrintRequisitions::SubDetailBeforePrint(TQRBand *band, bool &) {
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("ColorLabel")))->Caption =
      ColorCaption(SubQ->FieldByName(QStringLiteral("COLOR")).AsInteger(),
                   SubQ->FieldByName(QStringLiteral("SYSTEMID")).AsInteger());
  QuantityTotal += SubQ->FieldByName(QStringLiteral("QUANTITY")).AsFloat();
}

void TPrintRequisitions::GroupFooterBeforePrint(TQRBand *band, bool &) {
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("TotalLabel")))->Caption =
      FormatFloat(QStringLiteral("0.##"), QuantityTotal);
}

void PrintRequisitions(QWidget *owner) {
  if (SQLInt(Format("select count(*) from Waybill where ISOUT=%d", {DocKindRequest})) < 1) {
    ShowMessage(QStringLiteral("В настоящий момент нет ни одной заявки в базе данных."));
    return;
  }
  TReportRun run(owner);
  TPrintRequisitions report(owner);
  report.Preview();
}
