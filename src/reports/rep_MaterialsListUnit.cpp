#include "reports/rep_MaterialsListUnit.h"

#include "platform/SysUtils.h"

namespace {
// Positions on this report are given in millimetres.
constexpr double mm = ReportPixelsPerMM;

QFont Points(int size, bool bold = false) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPointSize(size);
  f.setBold(bold);
  return f;
}

const char *const SubgroupsSQL =
    "select g.ID, g.SUBID, concat(gs.NAME, \" - \", g.NAME) as GROUPNAME from CatGroups g  left "
    "join CatGroups gs on ((g.ID=gs.ID) and (gs.SUBID=0)) where ";
const char *const SubgroupsOrder = " order by g.ID, g.SUBID";

// The group condition of the filter, written on the subgroup table instead of the catalogue.
QString OnSubgroups(QString filter) {
  while (filter.contains(QLatin1String("c.CATGROUP")))
    filter.replace(filter.indexOf(QLatin1String("c.CATGROUP")), 10, QStringLiteral("g.ID"));
  while (filter.contains(QLatin1String("c.SUBGROUP")))
    filter.replace(filter.indexOf(QLatin1String("c.SUBGROUP")), 10, QStringLiteral("g.SUBID"));
  return filter;
}
}  // namespace

Trep_MaterialsList::Trep_MaterialsList(QWidget *owner, const QString &groupFilter,
                                       const QString &systemFilter)
    : TWarehouseReport(owner) {
  SetLandscape(*this);
  ReportTitle = QStringLiteral("Список материалов");
  MainQ = AddQuery(QStringLiteral("MainQ"));
  SubQ = AddQuery(QStringLiteral("SubQ"));
  DataSet = MainQ;

  TQRBand *title = AddBand(rbTitle, QStringLiteral("QRBand1"), 18 * mm);
  AddLogo(title, 0, 0, 36 * mm, 16 * mm);
  TQRLabel *caption = title->AddLabel(QStringLiteral("QRLabel1"), 0, 2 * mm, QStringLiteral("Список материалов"));
  caption->Font = Points(14);
  caption->AlignToBand = true;
  caption->Alignment = taRightJustify;

  TQRBand *section = AddBand(rbDetail, QStringLiteral("QRBand2"), 11 * mm);
  section->KeepWithNext = true;  // the subgroup's heading stays with its first material
  TQRShape *box = section->AddShape(QStringLiteral("Datums"), qrsRectangle, 0, 0, BandWidth(), 5.6 * mm);
  box->BrushColor = QColor(0xE8, 0xE8, 0xE8);
  section->AddDBText(QStringLiteral("QRDBText1"), 1 * mm, 0.8 * mm, 0, MainQ, QStringLiteral("GROUPNAME"))
      ->Font = Points(9);
  const struct {
    const char *name, *text;
    double left;
  } headings[] = {{"QRLabel5", "Артикул", 3},
                  {"QRLabel6", "Описание", 56},
                  {"QRLabel7", "Ед.изм", 114},
                  {"QRLabel3", "Цена, EUR", 130}};
  for (const auto &h : headings)
    section->AddLabel(QLatin1String(h.name), h.left * mm, 6.2 * mm, QString::fromUtf8(h.text))->Font =
        Points(8);
  section->AddShape(QStringLiteral("QRShape2"), qrsHorLine, 0, 10 * mm, BandWidth(), 1 * mm);
  section->BeforePrint = [this](TQRBand *b, bool &p) { QRBand2BeforePrint(b, p); };

  TQRSubDetail *materials = AddSubDetail(QStringLiteral("QRSubDetail1"), 5 * mm, SubQ);
  TQRDBText *name = materials->AddDBText(QStringLiteral("QRDBText4"), 3 * mm, 0.6 * mm, 52 * mm, SubQ,
                                         QStringLiteral("NAME"));
  name->Font = Points(8);
  name->WordWrap = true;  // long names and descriptions break into lines within their columns
  TQRDBText *comments = materials->AddDBText(QStringLiteral("QRDBText6"), 56 * mm, 0.6 * mm, 52 * mm,
                                             SubQ, QStringLiteral("COMMENTS"));
  comments->Font = Points(8);
  comments->WordWrap = true;
  TQRDBText *measure = materials->AddDBText(QStringLiteral("QRDBText5"), 109 * mm, 0.6 * mm, 18 * mm,
                                            SubQ, QStringLiteral("MEASURESTR"));
  measure->Font = Points(8);
  measure->Alignment = taCenter;
  materials->AddLabel(QStringLiteral("QRLabel2"), 130 * mm, 0.4 * mm, QString())->Font = Points(9);
  TQRShape *rule = materials->AddShape(QStringLiteral("QRShape1"), qrsHorLine, 0, 4.6 * mm, BandWidth(), 1);
  rule->PenColor = QColor(0xB0, 0xB0, 0xB0);
  materials->BeforePrint = [this](TQRBand *b, bool &p) { QRSubDetail1BeforePrint(b, p); };
  materials->FooterBand = AddBand(rbGroupFooter, QStringLiteral("GroupFooterBand1"), 2 * mm);
  AddBand(rbSummary, QStringLiteral("SummaryBand1"), 2 * mm);

  TQRBand *footer = AddPageFooter(true);
  static_cast<TQRSysData *>(footer->FindItem(QStringLiteral("QRSysData2")))->Text = QStringLiteral("Стр. ");

  SystemFilter = systemFilter;
  // The materials of every subgroup of the report at once, each subgroup's by article: the
  // columns the report prints, not every column of the catalogue, which over the whole store
  // would take several times the memory of the report itself.
  BeforePrint = [this, groupFilter](TQuickRep *, bool &) {
    SubQ->OpenGroups(
        QStringLiteral("select c.ID, c.NAME, c.COMMENTS, c.CATGROUP, c.SUBGROUP, c.PRICE0, c.PRICE1, "
                       "c.PRICE2, c.PRICE3, c.PRICE4, concat(\"[\",m.NAME,\"]\") as MEASURESTR, r.RATE, "
                       "(1-d.DVALUE/100) as DISCKOEFF from Catalog c left join Measures m on "
                       "(c.MEASURE=m.ID) left join Currencies r on r.ID=c.CURRENCY left join "
                       "DiscountGroups d on d.ID=c.DISCOUNTGROUP where c.SUBGROUP>0") +
            (FilterGiven(groupFilter) ? Format(" and (%s)", {groupFilter}) : QString()) +
            SystemFilter + QStringLiteral(" order by c.ID"),
        {QStringLiteral("CATGROUP"), QStringLiteral("SUBGROUP")});
  };
  MainQ->SQL = QString::fromUtf8(SubgroupsSQL) +
               (FilterGiven(groupFilter) ? Format("(g.SUBID>0) and %s", {OnSubgroups(groupFilter)})
                                         : QStringLiteral("g.SUBID>0")) +
               QString::fromUtf8(SubgroupsOrder);
  MainQ->Open();
}

void Trep_MaterialsList::QRBand2BeforePrint(TQRBand *, bool &) {
  SubQ->SelectGroup({MainQ->FieldByName(QStringLiteral("ID")).Value(),
                     MainQ->FieldByName(QStringLiteral("SUBID")).Value()});
}

void Trep_MaterialsList::QRSubDetail1BeforePrint(TQRBand *band, bool &) {
  // An empty price, rate or discount counts as 0.
  const double rate = SubQ->FieldByName(QStringLiteral("RATE")).AsFloat();
  const double discount = SubQ->FieldByName(QStringLiteral("DISCKOEFF")).AsFloat();
  QString text;
  for (int i = 0; i < 5; ++i) {
    const double price = SubQ->FieldByName(QStringLiteral("PRICE%1").arg(i)).AsFloat();
    text += QStringLiteral("[%1]: ").arg(i) + FormatFloat(QStringLiteral("0.00"), price * rate * discount) +
            QStringLiteral("   ");
  }
  static_cast<TQRLabel *>(band->FindItem(QStringLiteral("QRLabel2")))->Caption = text;
}
