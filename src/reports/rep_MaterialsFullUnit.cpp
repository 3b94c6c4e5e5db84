#include "reports/rep_MaterialsFullUnit.h"

#include "core/DocNumbers.h"
#include "core/DataUnit.h"
#include "platform/SysUtils.h"

namespace {
// Columns of the line bands: quantity, price, value, document number, date, order code.
const double QtyCol = 10, QtyWidth = 100, PriceCol = 120, PriceWidth = 120, SumCol = 250,
             SumWidth = 120, NumCol = 400, DateCol = 530, OrderCol = 620;

const char *const StockRowsSQL =
    "select cq.CATID, cq.COLOR, c.NAME, c.SYSTEMID, concat(g.NAME,\" – \",gs.NAME) as GROUPNAME, "
    "concat(\"[\",m.NAME,\"]\") as MEASURE from CatalogQty cq left join Catalog c on "
    "cq.CATID=c.ID left join CatGroups g on (cq.CATID=c.ID and c.CATGROUP=g.ID and g.SUBID=0) "
    "left join CatGroups gs on (c.CATGROUP=gs.ID and gs.SUBID=c.SUBGROUP) left join Measures m "
    "on (c.MEASURE=m.ID)";
// A material and colour kept in two stock rows (until the colour clean-up merges them) is
// reported once, so that its lines are not counted twice in the totals.
const char *const StockRowsOrder = " group by cq.CATID, cq.COLOR order by cq.CATID, cq.COLOR";
}  // namespace

TPrintMeterialsFull::TPrintMeterialsFull(QWidget *owner, bool option, const QString &groupFilter,
                                         const QString &periodCondition)
    : TWarehouseReport(owner), Option(option), PeriodCondition(periodCondition) {
  ReportTitle = QStringLiteral("Полный отчёт по материалам");
  Font = ReportFont(13);
  MainQ = AddQuery(QStringLiteral("MainQ"));
  SubQ1 = AddQuery(QStringLiteral("SubQ1"));
  SubQ2 = AddQuery(QStringLiteral("SubQ2"));
  SubQ3 = AddQuery(QStringLiteral("SubQ3"));
  DataSet = MainQ;
  BeforePrint = [this](TQuickRep *r, bool &p) { QuickRepBeforePrint(r, p); };

  TQRBand *title = AddBand(rbTitle, QStringLiteral("TitleBand1"), 84);
  AddLogo(title, 0, 0, 160, 70);
  QRLabel1 = AddTitleLabel(title, 0, 6, QStringLiteral("Полный отчёт по материалам"));
  QRLabel1->AlignToBand = true;
  QRLabel1->Alignment = taRightJustify;
  AddInfoLabel(title, 40);
  AddInfo->Height = 36;  // the groups line and the period line
  AddInfo->Font = ReportFont(13);

  TQRBand *header = AddBand(rbColumnHeader, QStringLiteral("ColumnHeaderBand1"), 24);
  const QFont headFont = ReportFont(13, true, false, true);
  header->AddLabel(QStringLiteral("QRLabel2"), 0, 3, QStringLiteral("Группа материалов"))->Font = headFont;
  header->AddLabel(QStringLiteral("QRLabel3"), 250, 3, QStringLiteral("Артикул"))->Font = headFont;
  header->AddLabel(QStringLiteral("QRLabel4"), 560, 3, QStringLiteral("Цвет"))->Font = headFont;

  TQRBand *detail = AddBand(rbDetail, QStringLiteral("DetailBand1"), 22);
  // The stock row's heading and the heading of each kind of lines stay with the first line
  // under them.
  detail->KeepWithNext = true;
  const QFont bold = ReportFont(13, true);
  detail->AddShape(QStringLiteral("QRShape1"), qrsHorLine, 0, 0, BandWidth(), 2);
  // Long group and material names break into lines within their columns.
  for (TQRDBText *t :
       {detail->AddDBText(QStringLiteral("QRDBText1"), 0, 3, 245, MainQ, QStringLiteral("GROUPNAME")),
        detail->AddDBText(QStringLiteral("QRDBText2"), 250, 3, 305, MainQ, QStringLiteral("NAME"))}) {
    t->Font = bold;
    t->WordWrap = true;
  }
  TQRLabel *color = detail->AddLabel(QStringLiteral("ColorLabel"), 560, 3, QString());
  color->Width = BandWidth() - 560;
  color->Font = bold;
  detail->BeforePrint = [this](TQRBand *b, bool &p) { DetailBandBeforePrint(b, p); };

  // The heading of one kind of lines: its name, then the column captions, the first of them
  // followed by the stock row's unit.
  int labelNo = 5, measureNo = 1;
  auto kindHeader = [&](const QString &name, const QString &caption,
                        const std::vector<std::pair<QString, double>> &columns) {
    TQRBand *h = AddBand(rbGroupHeader, name, 38);
    h->KeepWithNext = true;
    h->AddLabel(QStringLiteral("QRLabel%1").arg(labelNo++), 0, 2, caption)->Font =
        ReportFont(13, true, true);
    const QFont underlined = ReportFont(11, false, false, true);
    for (const auto &[text, left] : columns) {
      TQRLabel *l = h->AddLabel(QStringLiteral("QRLabel%1").arg(labelNo++), left, 20, text);
      l->Font = underlined;
      if (left == PriceCol || left == SumCol) {
        l->Width = left == PriceCol ? PriceWidth : SumWidth;
        l->Alignment = taRightJustify;
      }
    }
    h->AddDBText(QStringLiteral("MeasureText%1").arg(measureNo++), QtyCol + 56, 20, 0, MainQ,
                 QStringLiteral("MEASURE"))->Font = underlined;
    return h;
  };
  int textNo = 3;
  auto text = [&](TQRBand *band, double left, double width, TReportDataSet *ds, const char *field,
                  const QString &mask = QString()) {
    return band->AddDBText(QStringLiteral("QRDBText%1").arg(textNo++), left, 2, width, ds,
                           QLatin1String(field), mask);
  };

  TQRBand *inHeader = kindHeader(QStringLiteral("GroupHeaderBand1"), QStringLiteral("Приход"),
                                 {{QStringLiteral("Кол-во"), QtyCol + 10},
                                  {QStringLiteral("Цена"), PriceCol},
                                  {QStringLiteral("Сумма"), SumCol},
                                  {QStringLiteral("Накладная №"), NumCol},
                                  {QStringLiteral("Дата"), DateCol}});
  inHeader->BeforePrint = [this](TQRBand *, bool &p) { p = HasIn; };
  TQRSubDetail *in = AddSubDetail(QStringLiteral("QRSubDetail1"), 18, SubQ1);
  text(in, QtyCol, QtyWidth, SubQ1, "QUANTITY")->Alignment = taRightJustify;
  text(in, PriceCol, PriceWidth, SubQ1, "PRICE", QStringLiteral("0.0000 EUR"))->Alignment = taRightJustify;
  text(in, SumCol, SumWidth, SubQ1, "SUMPRICE", QStringLiteral("0.00 EUR"))->Alignment = taRightJustify;
  text(in, NumCol, DateCol - NumCol - 4, SubQ1, "NUM");
  text(in, DateCol, OrderCol - DateCol - 4, SubQ1, "BDATE");
  in->HeaderBand = inHeader;
  in->BeforePrint = [this](TQRBand *b, bool &p) { ReceiptLineBeforePrint(b, p); };

  TQRBand *outHeader = kindHeader(QStringLiteral("GroupHeaderBand2"), QStringLiteral("Расход"),
                                  {{QStringLiteral("Кол-во"), QtyCol + 10},
                                   {QStringLiteral("Цена"), PriceCol},
                                   {QStringLiteral("Summa"), SumCol},
                                   {QStringLiteral("Накладная №"), NumCol},
                                   {QStringLiteral("Дата"), DateCol},
                                   {QStringLiteral("Заказ №"), OrderCol}});
  outHeader->BeforePrint = [this](TQRBand *, bool &p) { p = HasOut; };
  TQRSubDetail *out = AddSubDetail(QStringLiteral("QRSubDetail2"), 18, SubQ2);
  text(out, QtyCol, QtyWidth, SubQ2, "QUANTITY")->Alignment = taRightJustify;
  text(out, PriceCol, PriceWidth, SubQ2, "PRICE", QStringLiteral("0.0000 EUR"))->Alignment = taRightJustify;
  text(out, SumCol, SumWidth, SubQ2, "SUMPRICE", QStringLiteral("0.00 EUR"))->Alignment = taRightJustify;
  text(out, NumCol, DateCol - NumCol - 4, SubQ2, "NUM");
  text(out, DateCol, OrderCol - DateCol - 4, SubQ2, "BDATE");
  text(out, OrderCol, BandWidth() - OrderCol, SubQ2, "ORDLINK");
  out->HeaderBand = outHeader;
  out->BeforePrint = [this](TQRBand *b, bool &p) { IssueLineBeforePrint(b, p); };

  TQRBand *resHeader = kindHeader(QStringLiteral("GroupHeaderBand3"), QStringLiteral("Резерв"),
                                  {{QStringLiteral("Кол-во"), QtyCol + 10},
                                   {QStringLiteral("Накладная №"), NumCol},
                                   {QStringLiteral("Дата"), DateCol},
                                   {QStringLiteral("На заказ №"), OrderCol}});
  resHeader->BeforePrint = [this](TQRBand *, bool &p) { p = HasRes; };
  TQRSubDetail *res = AddSubDetail(QStringLiteral("QRSubDetail3"), 18, SubQ3);
  text(res, QtyCol, QtyWidth, SubQ3, "QUANTITY")->Alignment = taCenter;
  text(res, NumCol, DateCol - NumCol - 4, SubQ3, "NUM");
  text(res, DateCol, OrderCol - DateCol - 4, SubQ3, "BDATE");
  text(res, OrderCol, BandWidth() - OrderCol, SubQ3, "ORDLINK");
  res->HeaderBand = resHeader;
  res->BeforePrint = [this](TQRBand *b, bool &p) { ReserveLineBeforePrint(b, p); };

  // The summary line of the stock row closes its block.
  TQRBand *footer = AddBand(rbGroupFooter, QStringLiteral("GroupFooterBand1"), 26);
  footer->KeepWithPrevious = true;  // a total never opens a page without its last line
  TQRLabel *rowTotal = footer->AddLabel(QStringLiteral("TotalLabel"), 0, 4, QString());
  // Right-aligned across the band; a line with all three parts breaks rather than run past
  // the left margin.
  rowTotal->Width = BandWidth();
  rowTotal->WordWrap = true;
  rowTotal->Alignment = taRightJustify;
  rowTotal->Font = ReportFont(12, true);
  footer->BeforePrint = [this](TQRBand *b, bool &p) { GroupFooterBeforePrint(b, p); };
  res->FooterBand = footer;

  AddPageFooter(false);

  TQRBand *summary = AddBand(rbSummary, QStringLiteral("SummaryBand1"), 40);
  TQRShape *frame = summary->AddShape(QStringLiteral("QRShape2"), qrsRectangle, 0, 6, BandWidth(), 30);
  frame->PenWidth = 3;
  TQRLabel *grand = summary->AddLabel(QStringLiteral("GrandTotalLabel"), 8, 12, QString());
  grand->Font = ReportFont(14, true);
  summary->BeforePrint = [this](TQRBand *b, bool &p) { SummaryBandBeforePrint(b, p); };

  MainQ->SQL = QString::fromUtf8(StockRowsSQL) +
               (FilterGiven(groupFilter) ? Format(" where %s", {groupFilter}) : QString()) +
               QString::fromUtf8(StockRowsOrder);
  MainQ->Open();
  GroupFilter = groupFilter;
  TotalInSum = 0;
  TotalOutSum = 0;
}

QString TPrintMeterialsFull::LinesSQL(int kind, bool withPeriod, const QString &groupFilter) const {
  QString sql = Format("select w.CATID, w.COLOR, w.QUANTITY, w.PRICE, w.QUANTITY*w.PRICE as "
                       "SUMPRICE, w1.NUM, w1.BDATE, w1.ORDLINK from WaybillCont w left join "
                       "Waybill w1 on (w.WAYBILLID=w1.ID)%s where w1.ISOUT=%d",
                       {FilterGiven(groupFilter) ? QStringLiteral(" join Catalog c on w.CATID=c.ID")
                                                 : QString(),
                        kind});
  if (FilterGiven(groupFilter)) sql += Format(" and (%s)", {groupFilter});
  if (withPeriod && FilterGiven(PeriodCondition))
    sql += Format(" and w1.BDATE %s", {PeriodCondition});
  // Documents of one date in the order they were entered, their lines likewise.
  return sql + QStringLiteral(" order by w1.BDATE, w1.ID, w.ID");
}

void TPrintMeterialsFull::QuickRepBeforePrint(TQuickRep *, bool &) {
  // The receipt, issue and reservation lines of every material and colour at once.
  const QStringList key = {QStringLiteral("CATID"), QStringLiteral("COLOR")};
  SubQ1->OpenGroups(LinesSQL(DocKindReceipt, true, GroupFilter), key);
  SubQ2->OpenGroups(LinesSQL(DocKindIssue, true, GroupFilter), key);
  if (Option) SubQ3->OpenGroups(LinesSQL(DocKindReservation, false, GroupFilter), key);
  TotalInSum = 0;
  TotalOutSum = 0;
}

void TPrintMeterialsFull::DetailBandBeforePrint(TQRBand *band, bool &print) {
  InQty = InSum = OutQty = OutSum = ResQty = 0;
  const QVariantList key = {MainQ->Field(QStringLiteral("CATID")).Value(),
                            MainQ->Field(QStringLiteral("COLOR")).Value()};
  SubQ1->SelectGroup(key);
  SubQ2->SelectGroup(key);
  SubQ3->SelectGroup(key);
  HasIn = SubQ1->GroupSize() > 0;
  HasOut = SubQ2->GroupSize() > 0;
  HasRes = Option && SubQ3->GroupSize() > 0;
  print = HasIn || HasOut || HasRes;
  if (!print) return;
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("ColorLabel")))->Caption =
      ColorCaption(MainQ->Field(QStringLiteral("COLOR")).AsInteger(),
                   MainQ->Field(QStringLiteral("SYSTEMID")).AsInteger());
}

void TPrintMeterialsFull::ReceiptLineBeforePrint(TQRBand *, bool &print) {
  print = HasIn;
  if (!print) return;
  InQty += SubQ1->Field(QStringLiteral("QUANTITY")).AsFloat();
  InSum += SubQ1->Field(QStringLiteral("SUMPRICE")).AsFloat();
}

void TPrintMeterialsFull::IssueLineBeforePrint(TQRBand *, bool &print) {
  print = HasOut;
  if (!print) return;
  OutQty += SubQ2->Field(QStringLiteral("QUANTITY")).AsFloat();
  OutSum += SubQ2->Field(QStringLiteral("SUMPRICE")).AsFloat();
}

void TPrintMeterialsFull::ReserveLineBeforePrint(TQRBand *, bool &print) {
  print = HasRes;
  if (!print) return;
  ResQty += SubQ3->Field(QStringLiteral("QUANTITY")).AsFloat();
}

void TPrintMeterialsFull::GroupFooterBeforePrint(TQRBand *band, bool &print) {
  print = HasIn || HasOut || HasRes;
  QString label = QStringLiteral("Всего: ");
  TotalInSum += InSum;
  TotalOutSum += OutSum;
  const QString measure = MainQ->Field(QStringLiteral("MEASURE")).AsString();
  if (HasIn)
    label = Format("Приход %s%s  на сумму %s EUR",
                   {FormatFloat(QStringLiteral("0.##"), InQty), measure,
                    FormatFloat(QStringLiteral("0.00"), InSum)});
  QString separator;
  if (label.length() > 10) separator = QStringLiteral("     ");
  if (HasOut)
    label += Format("%sРасход %s%s на сумму %s EUR",
                    {separator, FormatFloat(QStringLiteral("0.##"), OutQty), measure,
                     FormatFloat(QStringLiteral("0.00"), OutSum)});
  if (label.length() > 10) separator = QStringLiteral("     ");
  if (HasRes)
    label += Format("%sЗарезервировано %s%s",
                    {separator, FormatFloat(QStringLiteral("0.##"), ResQty), measure});
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("TotalLabel")))->Caption = label;
}

void TPrintMeterialsFull::SummaryBandBeforePrint(TQRBand *band, bool &) {
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("GrandTotalLabel")))->Caption =
      Format("Всего:  Приход на сумму %s EUR;  Расход на сумму %s EUR",
             {FormatFloat(QStringLiteral("0.00"), TotalInSum),
              FormatFloat(QStringLiteral("0.00"), TotalOutSum)});
}
