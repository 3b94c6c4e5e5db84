#include "reports/rep_OrdMaterialsUnit.h"

#include "core/DocNumbers.h"
#include "core/DataUnit.h"
#include "platform/SysUtils.h"

namespace {
// The columns of one material line. A material without comments keeps its bare name.
const char *const MaterialsSQL =
    "select concat(c.NAME, if((c.COMMENTS is NULL) or (c.COMMENTS=\"\"), \"\", "
    "concat(\" – \",c.COMMENTS))) as CATNAME, w1.COLOR, w1.QUANTITY as QTY, w1.PRICE, "
    "w1.QUANTITY*w1.PRICE as SUM, m.NAME as M2, s1.NAME as SUPPLIER, c.SUPPLIER as SUPPID, "
    "c.SYSTEMID from Waybill w left join WaybillCont w1 on w.ID=w1.WAYBILLID left join Catalog "
    "c on c.ID=w1.CATID left join Measures m on c.MEASURE=m.ID left join Suppliers s1 on "
    "s1.ID=c.SUPPLIER";
}  // namespace

TOrdMaterialsReport::TOrdMaterialsReport(QWidget *owner, uint8_t mode, int waybillId,
                                         const QString &orderCode, uint8_t docType)
    : TWarehouseReport(owner), Mode(mode), DocType(docType) {
  Page.SetValues({120, 2970, 70, 2100, 130, 70, 0});
  ReportTitle = QStringLiteral("Materiāli");
  Materials = AddQuery(QStringLiteral("Materials"));
  SUPP = AddQuery(QStringLiteral("SUPP"));
  DataSet = Materials;

  // Title: logo, date and time, company lines, the supplier block and the title.
  TQRBand *title = AddBand(rbTitle, QStringLiteral("TitleBand1"), 163);
  AddLogo(title, 0, 0, 136, 60);
  TQRSysData *now = title->AddSysData(QStringLiteral("QRSysData1"), 0, 0, qrsDateTime, QString());
  now->Font = ReportFont(13, true);
  now->AlignToBand = true;
  now->Alignment = taRightJustify;
  title->AddLabel(QStringLiteral("QRLabel2"), 0, 64, QStringLiteral("Logu darbnīca"));
  title->AddLabel(QStringLiteral("QRLabel3"), 0, 80, QStringLiteral("Darbnīcas adrese"));
  TQRDBText *suppName =
      title->AddDBText(QStringLiteral("QRDBText1"), 0, 36, 0, SUPP, QStringLiteral("NAME"));
  suppName->Font = ReportFont(16, true);
  TQRDBText *suppAddress =
      title->AddDBText(QStringLiteral("QRDBText2"), 0, 58, 0, SUPP, QStringLiteral("FADDRESS"));
  TQRDBText *suppPhones =
      title->AddDBText(QStringLiteral("QRDBText3"), 0, 76, 0, SUPP, QStringLiteral("PHONES"));
  for (TQRDBText *t : {suppName, suppAddress, suppPhones}) {
    t->AlignToBand = true;
    t->Alignment = taRightJustify;
  }
  QRLabel1 = AddTitleLabel(title, 0, 124, QStringLiteral("Noliktavas materialu saraksts"));
  QRLabel1->AlignToBand = true;
  QRLabel1->Alignment = taCenter;
  title->BeforePrint = [this](TQRBand *b, bool &p) { TitleBandBeforePrint(b, p); };

  // Column header: headings and the page number.
  TQRBand *header = AddBand(rbColumnHeader, QStringLiteral("ColumnHeaderBand1"), 30);
  TQRSysData *pageNo =
      header->AddSysData(QStringLiteral("QRSysData2"), 0, 0, qrsPageNumber, QStringLiteral("Lpp. "));
  pageNo->Font = ReportFont(11);
  pageNo->AlignToBand = true;
  pageNo->Alignment = taRightJustify;
  struct Heading {
    const char *name, *text;
    double left, width;
    TAlignment align;
  };
  const Heading headings[] = {
      {"QRLabel7", "Название товара (цвет)", 30, 0, taLeftJustify},
      {"QRLabel8", "Поставщик", 312, 0, taLeftJustify},
      {"QRLabel9", "Ед.изм.", 424, 0, taLeftJustify},
      {"QRLabel10", "Кол-во", 473, 54, taRightJustify},
      {"QRLabel11", "Цена", 531, 95, taRightJustify},
      {"QRLabel12", "Сумма", 630, 88, taRightJustify}};
  for (const Heading &h : headings) {
    TQRLabel *l = header->AddLabel(QLatin1String(h.name), h.left, 16, QString::fromUtf8(h.text));
    l->Width = h.width;
    l->Alignment = h.align;
    l->Font = ReportFont(9, true);
  }
  header->BeforePrint = [this](TQRBand *b, bool &p) { ColumnHeaderBeforePrint(b, p); };

  // One line per material.
  TQRBand *detail = AddBand(rbDetail, QStringLiteral("DetailBand1"), 20);
  detail->AddShape(QStringLiteral("QRShape1"), qrsHorLine, 0, 0, BandWidth(), 1);
  TQRSysData *no = detail->AddSysData(QStringLiteral("QRSysData3"), 0, 4, qrsDetailNo, QString());
  no->Width = 24;
  no->Alignment = taRightJustify;
  // Long names break into lines before the next column shown (supplier or unit).
  TQRLabel *nameLabel = detail->AddLabel(QStringLiteral("NameLabel"), 30, 4, QString());
  nameLabel->WordWrap = true;
  // The name leaves the supplier and the unit room for "SIA Kokmateriāli" and "компл." before
  // the quantity column. The amounts keep a blank between them up to a price of 999.9999 and
  // a value of 9999.99, and a quantity of 999.999 after most units (the room beside them).
  detail->AddDBText(QStringLiteral("QRDBText4"), 312, 4, 108, Materials, QStringLiteral("SUPPLIER"));
  detail->AddDBText(QStringLiteral("QRDBText5"), 424, 4, 473 - 424 - 2, Materials, QStringLiteral("M2"));
  detail->AddDBText(QStringLiteral("QRDBText6"), 473, 4, 54, Materials, QStringLiteral("QTY"),
                    QStringLiteral("0.000"))->Alignment = taRightJustify;
  detail->AddDBText(QStringLiteral("QRDBText7"), 531, 4, 95, Materials, QStringLiteral("PRICE"),
                    QStringLiteral("0.0000 EUR"))->Alignment = taRightJustify;
  detail->AddDBText(QStringLiteral("QRDBText8"), 630, 4, 88, Materials, QStringLiteral("SUM"),
                    QStringLiteral("0.00 EUR"))->Alignment = taRightJustify;
  detail->BeforePrint = [this](TQRBand *b, bool &p) { DetailBandBeforePrint(b, p); };

  // Summary: the total, and the payment and signature block of an order form.
  TQRBand *summary = AddBand(rbSummary, QStringLiteral("SummaryBand1"), 143);
  TQRShape *thick = summary->AddShape(QStringLiteral("QRShape2"), qrsHorLine, 0, 0, BandWidth(), 3);
  thick->PenWidth = 2;
  TQRExpr *total = summary->AddExpr(QStringLiteral("QRExpr1"), 518, 4, 200,
                                    QStringLiteral("sum(Materials.SUM)"), QStringLiteral("0.00 EUR"));
  total->Font = ReportFont(13, true);
  total->Alignment = taRightJustify;
  TQRLabel *guarantee = summary->AddLabel(QStringLiteral("QRLabel4"), 0, 44,
                                          QStringLiteral("Оплату гарантируем"));
  guarantee->Enabled = false;
  summary->AddLabel(QStringLiteral("QRLabel5"), 0, 100, QStringLiteral("Ответственный кладовщик"));
  summary->AddLabel(QStringLiteral("QRLabel6"), 260, 100, QStringLiteral("Vārds Uzvārds"));
  summary->AddShape(QStringLiteral("QRShape3"), qrsHorLine, 250, 112, 200, 8);
  summary->BeforePrint = [this](TQRBand *b, bool &p) { SummaryBandBeforePrint(b, p); };

  if (Mode == 0) {
    Materials->SQL = QString::fromUtf8(MaterialsSQL) +
                     // Documents of the order without lines add no row, so the line
                     // numbers run on without gaps.
                     Format(" where w.ORDLINK=\"%s\" and w.ISOUT=%d and w1.ID is not null "
                            "order by w.BDATE, w.ID, w1.ID",
                            {EscapeSQL(orderCode), int(DocType)});
    QRLabel1->Top = 82;
    QRLabel1->Alignment = taRightJustify;
    for (TQRDBText *t : {suppName, suppAddress, suppPhones}) t->Enabled = false;
    title->Height = 107;
    summary->Height = 23;
  } else {
    Materials->SQL = QString::fromUtf8(MaterialsSQL) +
                     Format(" where w.ID=%d order by w1.CATID, w1.ID", {waybillId});
    if (DocType == DocKindRequest)
      guarantee->Enabled = true;
    else
      summary->Height = 23;
  }
  ShowPrices = DocType != DocKindRequest || Mode == 0;
  nameLabel->Width = ShowPrices && Mode == 0 ? 278 : 390;
  Materials->Open();

  QString firstSupplier;
  int firstSupplierId = 0;
  Materials->First();
  if (!Materials->Eof()) {
    firstSupplier = Materials->FieldByName(QStringLiteral("SUPPLIER")).AsString();
    firstSupplierId = Materials->FieldByName(QStringLiteral("SUPPID")).AsInteger();
  }
  if (Mode == 0)
    QRLabel1->Caption = Format("Материалы для заказа Nr.%s", {orderCode});
  else if (DocType == DocKindReceipt)
    QRLabel1->Caption = Format("Принятые материалы по заказу Nr.%s", {orderCode});
  else if (DocType == DocKindIssue)
    QRLabel1->Caption = Format("Материалы к заказу Nr.%s от %s", {orderCode, firstSupplier});
  else if (DocType == DocKindRequest)
    QRLabel1->Caption = Format("Заказ материалов Nr.%s", {orderCode});

  // The supplier block shows the catalogue supplier of the first line's material; without
  // one the block stays blank.
  if (firstSupplierId > 0)
    SUPP->Reopen(Format("select * from Suppliers where ID=%d", {firstSupplierId}));
}

void TOrdMaterialsReport::TitleBandBeforePrint(TQRBand *band, bool &) {
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("QRLabel2")))->Caption.clear();
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("QRLabel3")))->Caption.clear();
}

void TOrdMaterialsReport::ColumnHeaderBeforePrint(TQRBand *band, bool &) {
  const bool supplierColumn = ShowPrices && Mode == 0;
  band->FindItem(QStringLiteral("QRLabel8"))->Enabled = supplierColumn;
  band->FindItem(QStringLiteral("QRLabel11"))->Enabled = ShowPrices;
  band->FindItem(QStringLiteral("QRLabel12"))->Enabled = ShowPrices;
  FindItem(QStringLiteral("QRDBText4"))->Enabled = supplierColumn;
  FindItem(QStringLiteral("QRDBText7"))->Enabled = ShowPrices;
  FindItem(QStringLiteral("QRDBText8"))->Enabled = ShowPrices;
  FindItem(QStringLiteral("QRExpr1"))->Enabled = ShowPrices;
}

void TOrdMaterialsReport::DetailBandBeforePrint(TQRBand *band, bool &print) {
  // A document without lines gives one row without a line: nothing to list.
  if (Materials->FieldByName(QStringLiteral("COLOR")).IsNull()) {
    print = false;
    return;
  }
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("NameLabel")))->Caption =
      Format("%s  (%s)", {Materials->FieldByName(QStringLiteral("CATNAME")).AsString(),
                          ColorCaption(Materials->FieldByName(QStringLiteral("COLOR")).AsInteger(),
                                       Materials->FieldByName(QStringLiteral("SYSTEMID")).AsInteger())});
}

void TOrdMaterialsReport::SummaryBandBeforePrint(TQRBand *band, bool &) {
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("QRLabel6")))->Caption.clear();
}
