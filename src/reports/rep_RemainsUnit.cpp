#include "reports/rep_RemainsUnit.h"

#include "core/DocNumbers.h"
#include "core/DataUnit.h"
#include "core/Ledger.h"
#include "platform/SysUtils.h"

namespace {
const char *const StockRowsSQL =
    "select c.NAME, c.SYSTEMID, concat(g.NAME,\" – \",gs.NAME) as GROUPNAME, cq.CATID, cq.COLOR, "
    "cq.RESERVE, concat(\"[\",m.NAME,\"]\") as MEASURE from CatalogQty cq left join Catalog c on "
    "cq.CATID=c.ID left join CatGroups g on (c.CATGROUP=g.ID and g.SUBID=0) left join CatGroups gs "
    "on (c.CATGROUP=gs.ID and gs.SUBID=c.SUBGROUP) left join Measures m on (c.MEASURE=m.ID)";
// The colours of one material come in the order of their codes.
const char *const StockRowsOrder = " order by c.NAME, cq.CATID, cq.COLOR, cq.ID";
}  // namespace

TPrintRemains::TPrintRemains(QWidget *owner, uint8_t option, const QString &groupFilter)
    : TWarehouseReport(owner) {
  ReportTitle = QStringLiteral("Остатки материалов на складе");
  MainQ = AddQuery(QStringLiteral("MainQ"));
  SubQ = AddQuery(QStringLiteral("SubQ"));
  DataSet = MainQ;
  BeforePrint = [this](TQuickRep *r, bool &p) { QuickRepBeforePrint(r, p); };

  TQRBand *title = AddBand(rbTitle, QStringLiteral("TitleBand1"), 78);
  AddLogo(title, 0, 0, 160, 70);
  TQRLabel *caption = AddTitleLabel(title, 0, 6, QStringLiteral("Остатки материалов на складе"));
  caption->AlignToBand = true;
  caption->Alignment = taRightJustify;
  AddInfoLabel(title, 38)->Height = 36;
  AddInfo->Font = ReportFont(13);

  TQRBand *header = AddBand(rbColumnHeader, QStringLiteral("ColumnHeaderBand1"), 24);
  const struct {
    const char *name, *text;
    double left;
  } headings[] = {{"QRLabel2", "Группа материалов", 0}, {"QRLabel3", "Артикул", 260},
                  {"QRLabel4", "Цвет", 560}};
  for (const auto &h : headings)
    header->AddLabel(QLatin1String(h.name), h.left, 3, QString::fromUtf8(h.text))->Font =
        ReportFont(13, true, false, true);

  TQRBand *detail = AddBand(rbDetail, QStringLiteral("DetailBand1"), 44);
  detail->KeepWithNext = true;  // the stock row stays with its first lot
  TQRDBText *group =
      detail->AddDBText(QStringLiteral("QRDBText1"), 0, 3, 255, MainQ, QStringLiteral("GROUPNAME"));
  group->Font = ReportFont(13, true);
  TQRDBText *name =
      detail->AddDBText(QStringLiteral("QRDBText2"), 260, 3, 230, MainQ, QStringLiteral("NAME"));
  name->Font = ReportFont(13, true);
  // Long group and material names break into lines within their columns.
  group->WordWrap = true;
  name->WordWrap = true;
  detail->AddDBText(QStringLiteral("QRDBText3"), 495, 3, 60, MainQ, QStringLiteral("MEASURE"));
  TQRLabel *color = detail->AddLabel(QStringLiteral("ColorLabel"), 560, 3, QString());
  color->Font = ReportFont(13, true);
  color->Width = BandWidth() - 560;
  const struct {
    const char *name, *text;
    double left, width;
    TAlignment align;
  } captions[] = {{"QRLabel5", "Артикул:", 0, 100, taRightJustify},
                  {"QRLabel6", "Цена", 120, 110, taRightJustify},
                  {"QRLabel7", "Сумма", 250, 120, taRightJustify},
                  {"QRLabel8", "Накладная №", 400, 0, taLeftJustify},
                  {"QRLabel9", "Дата", 560, 0, taLeftJustify}};
  for (const auto &c : captions) {
    TQRLabel *l = detail->AddLabel(QLatin1String(c.name), c.left, 22, QString::fromUtf8(c.text));
    l->Width = c.width;
    l->Alignment = c.align;
    l->Font = ReportFont(12, false, false, true);
  }
  detail->AddShape(QStringLiteral("QRShape1"), qrsHorLine, 0, 39, BandWidth(), 4);
  detail->BeforePrint = [this](TQRBand *b, bool &p) { DetailBandBeforePrint(b, p); };

  TQRSubDetail *lots = AddSubDetail(QStringLiteral("QRSubDetail1"), 18, SubQ);
  lots->AddDBText(QStringLiteral("QRDBText4"), 0, 2, 100, SubQ, QStringLiteral("QUANTITY"))
      ->Alignment = taRightJustify;
  lots->AddDBText(QStringLiteral("QRDBText5"), 120, 2, 110, SubQ, QStringLiteral("PRICE"),
                  QStringLiteral("0.0000 Ls"))
      ->Alignment = taRightJustify;
  lots->AddDBText(QStringLiteral("QRDBText6"), 250, 2, 120, SubQ, QStringLiteral("ASUM"),
                  QStringLiteral("0.00 Ls"))
      ->Alignment = taRightJustify;
  lots->AddDBText(QStringLiteral("QRDBText7"), 400, 2, 150, SubQ, QStringLiteral("NUM"));
  lots->AddDBText(QStringLiteral("QRDBText8"), 560, 2, 0, SubQ, QStringLiteral("BDATE"));
  lots->BeforePrint = [this](TQRBand *b, bool &p) { SubDetailBeforePrint(b, p); };

  TQRBand *footer = AddBand(rbGroupFooter, QStringLiteral("GroupFooterBand1"), 26);
  footer->KeepWithPrevious = true;  // a total never opens a page without its last line
  footer->AddLabel(QStringLiteral("TotalLabel"), 0, 4, QString())->Font = ReportFont(13, true);
  footer->BeforePrint = [this](TQRBand *b, bool &p) { GroupFooterBeforePrint(b, p); };
  lots->FooterBand = footer;

  AddPageFooter(true);

  TQRBand *summary = AddBand(rbSummary, QStringLiteral("SummaryBand1"), 30);
  summary->AddShape(QStringLiteral("QRShape2"), qrsHorLine, 0, 0, BandWidth(), 3)->PenWidth = 2;
  summary->AddLabel(QStringLiteral("QRLabel10"), 0, 8, QStringLiteral("Всего:"))->Font =
      ReportFont(15, true);
  summary->AddLabel(QStringLiteral("GrandTotalLabel"), 250, 8, QString())->Font = ReportFont(15, true);
  summary->BeforePrint = [this](TQRBand *b, bool &p) { SummaryBandBeforePrint(b, p); };

  WithReserve = option != 0;
  MainQ->SQL = QString::fromUtf8(StockRowsSQL) +
               (FilterGiven(groupFilter) ? Format(" where %s", {groupFilter}) : QString()) +
               QString::fromUtf8(StockRowsOrder);
  MainQ->Open();
  GroupFilter = groupFilter;
  GrandTotal = 0;
}

void TPrintRemains::QuickRepBeforePrint(TQuickRep *, bool &) {
  // The open lots of every stock row at once: one row per material and colour with the
  // remaining quantity, the mean price, the value and the first lot's receipt.
  SubQ->OpenGroups(
      QStringLiteral(
          "select t.CATID, t.COLOR, t.QUANTITY, t.PRICE, t.ASUM, w1.NUM, w1.BDATE from (select "
          "w.CATID, w.COLOR, sum(w.QUANTITY-w.QTYOUT) as QUANTITY, avg(w.PRICE) as PRICE, "
          "sum((w.QUANTITY-w.QTYOUT)*w.PRICE) as ASUM, min(w.ID) as FIRSTLOT from WaybillCont w "
          "join Waybill b on w.WAYBILLID=b.ID ") +
          (FilterGiven(GroupFilter) ? Format("join Catalog c on w.CATID=c.ID where (%s) and ", {GroupFilter})
                                    : QStringLiteral("where ")) +
          Format("%s and b.ISOUT=%d group by w.CATID, w.COLOR) t join "
                 "WaybillCont f on f.ID=t.FIRSTLOT left join Waybill w1 on f.WAYBILLID=w1.ID",
                 {OpenLotSQL(), DocKindReceipt}),
      {QStringLiteral("CATID"), QStringLiteral("COLOR")});
  GrandTotal = 0;
}

void TPrintRemains::DetailBandBeforePrint(TQRBand *band, bool &) {
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("ColorLabel")))->Caption =
      ColorCaption(MainQ->Field(QStringLiteral("COLOR")).AsInteger(),
                   MainQ->Field(QStringLiteral("SYSTEMID")).AsInteger());
  RowReserve = MainQ->Field(QStringLiteral("RESERVE")).AsFloat();
  SubQ->SelectGroup({MainQ->Field(QStringLiteral("CATID")).Value(),
                     MainQ->Field(QStringLiteral("COLOR")).Value()});
  RowQuantity = 0;
  RowSum = 0;
}

void TPrintRemains::SubDetailBeforePrint(TQRBand *, bool &) {
  const double sum = SubQ->Field(QStringLiteral("ASUM")).AsFloat();
  GrandTotal += sum;
  RowSum += sum;
  RowQuantity += SubQ->Field(QStringLiteral("QUANTITY")).AsFloat();
}

void TPrintRemains::GroupFooterBeforePrint(TQRBand *band, bool &) {
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("TotalLabel")))->Caption =
      WithReserve ? Format("Rezervā: %10.2f       Atlikums: %10.2f       Summa: %10.2f Ls",
                           {RowReserve, RowQuantity, RowSum})
                  : Format("Atlikums: %10.2f       Summa: %10.2f Ls", {RowQuantity, RowSum});
}

void TPrintRemains::SummaryBandBeforePrint(TQRBand *band, bool &) {
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("GrandTotalLabel")))->Caption =
      Format("Summa: %10.2f Ls", {GrandTotal});
}
