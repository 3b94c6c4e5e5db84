#include "catalogue/inf_MatInfoUnit.h"

#include <QLabel>

#include "core/ColorList.h"
#include "core/DataUnit.h"
#include "platform/SysUtils.h"

Tinf_MatInfo::Tinf_MatInfo(QWidget *owner, int catId, const QString &name, int catGroup, int subGroup)
    : TInfoPopup(owner, 2, 79) {
  setObjectName(QStringLiteral("inf_MatInfo"));
  setWindowTitle(QStringLiteral("Информация о материале"));
  lblName->setText(name);
  Label3 = AddTitle(0, QStringLiteral("Label3"), QStringLiteral("Цвет"));
  Label4 = AddTitle(1, QStringLiteral("Label4"), QStringLiteral("Остаток"));
  Label3->hide();
  Label4->hide();

  const int minimum =
      SQLInt(QStringLiteral("select MINVALUE from CatGroups where ID=%1 and SUBID=%2").arg(catGroup).arg(subGroup));
  TQuery &q = DATA->Qtmp;
  q.SQL = QStringLiteral(
              "select q.*,c.ISCOLOR, c.SYSTEMID from CatalogQty q left join Catalog c on c.ID=q.CATID "
              "where q.CATID=%1 order by q.COLOR")
              .arg(catId);
  q.Open();
  for (q.First(); !q.Eof(); q.Next()) {
    QString colour = QStringLiteral("нет");
    if (q.FieldByName(QStringLiteral("ISCOLOR")).AsInteger() >= 1) {
      TColorRec rec;
      Colors->GetColorRec(q.FieldByName(QStringLiteral("COLOR")).AsInteger(),
                          q.FieldByName(QStringLiteral("SYSTEMID")).AsInteger(), rec);
      colour = rec.Caption;
    }
    const double quantity = q.FieldByName(QStringLiteral("QUANTITY")).AsFloat();
    AddRow({colour, FormatFloat(QStringLiteral("0.00##"), quantity)}, quantity < minimum);
  }
  q.Close();
}

void Tinf_MatInfo::FormShow() {
  if (!Rows.isEmpty()) {
    Label3->show();
    Label4->show();
  }
  TInfoPopup::FormShow();
}
