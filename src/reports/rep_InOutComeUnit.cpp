#include "reports/rep_InOutComeUnit.h"

#include <stdexcept>

#include "core/DocNumbers.h"
#include "platform/SysUtils.h"

namespace {
const double NumCol = 6, DateCol = 150, SupplierCol = 262, OrderCol = 470, NotesCol = 590;
// Line columns: name, colour, quantity and measure, price, value. The measure holds its eight
// characters (" компл.") on one line; names and colours wrap.
const double NameCol = 0, NameWidth = 290, ColorCol = 294, QtyCol = 404, QtyWidth = 70,
             MeasureCol = 478, PriceCol = 556, PriceWidth = 82, ValueCol = 640, ValueWidth = 78;
}  // namespace

TPrintInOutCome::TPrintInOutCome(QWidget *owner, int kind, const QString &periodCondition,
                                 const QString &title)
    : TWarehouseReport(owner), Kind(kind) {
  if (kind != 0 && kind != 1)
    throw std::invalid_argument("The journal report prints receipts (0) or issues (1).");
  Font = ReportFont(13);
  MainQ = AddQuery(QStringLiteral("MainQ"));
  SubQ = AddQuery(QStringLiteral("SubQ"));
  DataSet = MainQ;
  BeforePrint = [this](TQuickRep *r, bool &p) { QuickRepBeforePrint(r, p); };

  TQRBand *titleBand = AddBand(rbTitle, QStringLiteral("TitleBand1"), 84);
  AddLogo(titleBand, 0, 0, 160, 70);
  QRLabel1 = AddTitleLabel(titleBand, 0, 6, QString());
  QRLabel1->AlignToBand = true;
  QRLabel1->Alignment = taRightJustify;
  AddInfoLabel(titleBand, 40);
  AddInfo->Height = 36;  // the groups line and the period line
  AddInfo->Font = ReportFont(13);

  // One block per document: its header in a frame, then the headings of its lines.
  TQRBand *detail = AddBand(rbDetail, QStringLiteral("DetailBand1"), 76);
  detail->KeepWithNext = true;  // the document's header block stays with its first line
  TQRShape *frame = detail->AddShape(QStringLiteral("QRShape1"), qrsRectangle, 0, 2, BandWidth(), 44);
  frame->PenWidth = 1;
  const struct {
    const char *name, *text;
    double left;
  } heads[] = {{"QRLabel2", "Pavadzīmes Nr.", NumCol},
               {"QRLabel3", "Datums", DateCol},
               {"QRLabel4", "Piegādātājs", SupplierCol},
               {"QRLabel5", "Pasūtījuma Nr.", OrderCol},
               {"QRLabel6", "Piezīmes", NotesCol}};
  for (const auto &h : heads)
    detail->AddLabel(QLatin1String(h.name), h.left, 5, QString::fromUtf8(h.text))->Font =
        ReportFont(11, false, false, true);
  const QFont bold = ReportFont(13, true);
  detail->AddDBText(QStringLiteral("QRDBText1"), NumCol, 23, DateCol - NumCol - 4, MainQ,
                    QStringLiteral("NUM"))->Font = bold;
  detail->AddDBText(QStringLiteral("QRDBText2"), DateCol, 23, SupplierCol - DateCol - 4, MainQ,
                    Kind == DocKindIssue ? QStringLiteral("LASTUPDATE") : QStringLiteral("BDATE"),
                    QStringLiteral("dd/mm/yyyy"))->Font = bold;
  TQRLabel *supplier = detail->AddLabel(QStringLiteral("SupplierLabel"), SupplierCol, 23, QString());
  supplier->Width = OrderCol - SupplierCol - 4;
  supplier->Font = bold;
  detail->AddDBText(QStringLiteral("QRDBText3"), OrderCol, 23, NotesCol - OrderCol - 4, MainQ,
                    QStringLiteral("ORDLINK"))->Font = bold;
  detail->AddDBText(QStringLiteral("QRDBText4"), NotesCol, 23, BandWidth() - NotesCol - 4, MainQ,
                    QStringLiteral("NOTES"))->Font = bold;
  const struct {
    const char *name, *text;
    double left, width;
  } lineHeads[] = {{"QRLabel7", "Nosaukums", NameCol, 0},
                   {"QRLabel8", "Krāsa", ColorCol, 0},
                   {"QRLabel9", "Daudzums", QtyCol, QtyWidth},
                   {"QRLabel10", "Cena", PriceCol, PriceWidth},
                   {"QRLabel11", "Summa", ValueCol, ValueWidth}};
  for (const auto &h : lineHeads) {
    TQRLabel *l = detail->AddLabel(QLatin1String(h.name), h.left, 53, QString::fromUtf8(h.text));
    l->Font = ReportFont(11, false, false, true);
    if (h.width > 0) {
      l->Width = h.width;
      l->Alignment = taRightJustify;
    }
  }
  detail->AddShape(QStringLiteral("QRShape2"), qrsHorLine, 0, 70, BandWidth(), 4);
  detail->BeforePrint = [this](TQRBand *b, bool &p) { DetailBandBeforePrint(b, p); };
  if (Kind == DocKindIssue) {
    // Issues have no supplier of their own.
    detail->FindItem(QStringLiteral("QRLabel4"))->Enabled = false;
    supplier->Enabled = false;
  }

  TQRSubDetail *lines = AddSubDetail(QStringLiteral("QRSubDetail1"), 18, SubQ);
  // Long names and colour captions break into lines within their columns.
  lines->AddDBText(QStringLiteral("QRDBText5"), NameCol, 2, NameWidth, SubQ, QStringLiteral("NAME"))
      ->WordWrap = true;
  TQRLabel *colorLabel = lines->AddLabel(QStringLiteral("ColorLabel"), ColorCol, 2, QString());
  colorLabel->Width = QtyCol - ColorCol - 4;
  colorLabel->WordWrap = true;
  lines->AddDBText(QStringLiteral("QRDBText6"), QtyCol, 2, QtyWidth, SubQ, QStringLiteral("QUANTITY"))
      ->Alignment = taRightJustify;
  lines->AddDBText(QStringLiteral("QRDBText7"), MeasureCol, 2, PriceCol - MeasureCol - 2, SubQ,
                   QStringLiteral("MEASURE"));
  lines->AddDBText(QStringLiteral("QRDBText8"), PriceCol, 2, PriceWidth, SubQ, QStringLiteral("PRICE"),
                   QStringLiteral("0.0000 Ls"))->Alignment = taRightJustify;
  TQRLabel *value = lines->AddLabel(QStringLiteral("ValueLabel"), ValueCol, 2, QString());
  value->Width = ValueWidth;
  value->Alignment = taRightJustify;
  lines->BeforePrint = [this](TQRBand *b, bool &p) { SubDetailBeforePrint(b, p); };

  TQRBand *footer = AddBand(rbGroupFooter, QStringLiteral("GroupFooterBand1"), 30);
  footer->KeepWithPrevious = true;  // a total never opens a page without its last line
  footer->AddShape(QStringLiteral("QRShape3"), qrsHorLine, ValueCol - 80, 0, ValueWidth + 80, 2);
  TQRLabel *docTotal = footer->AddLabel(QStringLiteral("TotalLabel"), 0, 4, QString());
  docTotal->AlignToBand = true;
  docTotal->Alignment = taRightJustify;
  docTotal->Font = ReportFont(13, true);
  footer->BeforePrint = [this](TQRBand *b, bool &p) { GroupFooterBeforePrint(b, p); };
  lines->FooterBand = footer;

  AddPageFooter(false);

  TQRBand *summary = AddBand(rbSummary, QStringLiteral("SummaryBand1"), 34);
  summary->AddShape(QStringLiteral("QRShape4"), qrsHorLine, 0, 2, BandWidth(), 3)->PenWidth = 2;
  summary->AddLabel(QStringLiteral("QRLabel12"), 0, 10, QStringLiteral("Kopā:"))->Font =
      ReportFont(15, true);
  TQRLabel *grand = summary->AddLabel(QStringLiteral("GrandTotalLabel"), 0, 10, QString());
  grand->AlignToBand = true;
  grand->Alignment = taRightJustify;
  grand->Font = ReportFont(15, true);
  summary->BeforePrint = [this](TQRBand *b, bool &p) { SummaryBandBeforePrint(b, p); };

  // Receipts by their document date; issues by the day of their last change, so that the
  // period's last day counts whole (the period has dates only).
  if (Kind == DocKindReceipt) {
    QRLabel1->Caption = QStringLiteral("Ienakošas pavadzīmes");
    DocumentCondition = FilterGiven(periodCondition)
                            ? Format("ISOUT=%d and (BDATE %s)", {DocKindReceipt, periodCondition})
                            : Format("ISOUT=%d", {DocKindReceipt});
    MainQ->SQL = QStringLiteral("select * from Waybill where ") + DocumentCondition +
                 QStringLiteral(" order by BDATE, ID");
  } else {
    QRLabel1->Caption = QStringLiteral("Izejošās pavadzīmes");
    DocumentCondition = FilterGiven(periodCondition)
                            ? Format("ISOUT=%d and (date(LASTUPDATE) %s)", {DocKindIssue, periodCondition})
                            : Format("ISOUT=%d", {DocKindIssue});
    MainQ->SQL = QStringLiteral("select * from Waybill where ") + DocumentCondition +
                 QStringLiteral(" order by LASTUPDATE, ID");
  }
  ReportTitle = QRLabel1->Caption;
  AddInfo->Caption = title;
  MainQ->Open();
  GrandTotal = 0;
}

void TPrintInOutCome::QuickRepBeforePrint(TQuickRep *, bool &) {
  // The lines of every document of the report at once; the lines of one document by group
  // and material, a material's lines in the order they were entered.
  SubQ->OpenGroups(
      QStringLiteral(
          "select w.WAYBILLID, w.COLOR, w.QUANTITY, concat(\" \", m.NAME) as MEASURE, w.PRICE, "
          "c.SYSTEMID, concat(c.NAME, if((c.COMMENTS is NULL) or (c.COMMENTS=\"\"), \"\", "
          "concat(\" (\",c.COMMENTS,\")\"))) as NAME, concat(g.NAME,\" – \",gs.NAME) as GROUPNAME "
          "from WaybillCont w left join Catalog c on w.CATID=c.ID left join CatGroups g on "
          "(c.CATGROUP=g.ID and g.SUBID=0) left join CatGroups gs on (gs.ID=c.CATGROUP and "
          "gs.SUBID=c.SUBGROUP) left join Measures m on (m.ID=c.MEASURE) where w.WAYBILLID in "
          "(select ID from Waybill where ") +
          DocumentCondition + QStringLiteral(") order by c.CATGROUP, c.SUBGROUP, c.NAME, w.ID"),
      {QStringLiteral("WAYBILLID")});
  GrandTotal = 0;
}

void TPrintInOutCome::DetailBandBeforePrint(TQRBand *band, bool &) {
  const int supplierId = MainQ->FieldByName(QStringLiteral("SUPPLIERID")).AsInteger();
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("SupplierLabel")))->Caption =
      supplierId >= 1 ? SupplierName(supplierId) : QString();
  // Lines of one material keep the order they were entered in.
  SubQ->SelectGroup({MainQ->FieldByName(QStringLiteral("ID")).Value()});
  DocumentTotal = 0;
}

void TPrintInOutCome::SubDetailBeforePrint(TQRBand *band, bool &) {
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("ColorLabel")))->Caption =
      ColorCaption(SubQ->FieldByName(QStringLiteral("COLOR")).AsInteger(),
                   SubQ->FieldByName(QStringLiteral("SYSTEMID")).AsInteger());
  const double value = SubQ->FieldByName(QStringLiteral("QUANTITY")).AsFloat() *
                       SubQ->FieldByName(QStringLiteral("PRICE")).AsFloat();
  DocumentTotal += value;
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("ValueLabel")))->Caption =
      FormatFloat(QStringLiteral("0.00 Ls"), value);
}

void TPrintInOutCome::GroupFooterBeforePrint(TQRBand *band, bool &) {
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("TotalLabel")))->Caption =
      Format("Summa: %10.2f Ls", {DocumentTotal});
  GrandTotal += DocumentTotal;
}

void TPrintInOutCome::SummaryBandBeforePrint(TQRBand *band, bool &) {
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("GrandTotalLabel")))->Caption =
      Format("Summa: %10.2f Ls", {GrandTotal});
}
