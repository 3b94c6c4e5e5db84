#include "support/ReportChecks.h"

#include <QFontMetricsF>

#include "platform/report/ReportModel.h"

QStringList AmountsRunningIntoOthers(const TReportPage &page) {
  struct TInk {
    QRectF Rect;  // where the text's lines lie, as the painter places them
    const TReportItem *Item;
  };
  std::vector<TInk> inks;
  for (const TReportItem &item : page.Items)
    if (item.Kind == TReportItem::kText && !item.Text.isEmpty())
      inks.push_back({QFontMetricsF(item.Font).boundingRect(item.Box, item.Flags, item.Text), &item});
  QStringList found;
  const auto describe = [](const TReportItem &i) {
    return QStringLiteral("%1 \"%2\"").arg(i.Name, i.Text);
  };
  for (const TInk &a : inks) {
    const int flags = a.Item->Flags;
    if (!(flags & (Qt::AlignRight | Qt::AlignHCenter)) ||
        (flags & (Qt::TextWordWrap | Qt::TextWrapAnywhere)))
      continue;
    if (a.Rect.left() < a.Item->Clip.left() - 0.01 || a.Rect.right() > a.Item->Clip.right() + 0.01)
      found << describe(*a.Item) + QStringLiteral(" reaches out of its band");
    const double blank = QFontMetricsF(a.Item->Font).horizontalAdvance(QLatin1Char(' '));
    for (const TInk &b : inks) {
      if (&b == &a ||
          std::min(a.Rect.bottom(), b.Rect.bottom()) - std::max(a.Rect.top(), b.Rect.top()) < 2)
        continue;
      const bool onTheLeft = b.Rect.center().x() < a.Rect.center().x();
      if (!onTheLeft && !(flags & Qt::AlignHCenter)) continue;
      const double gap = onTheLeft ? a.Rect.left() - b.Rect.right() : b.Rect.left() - a.Rect.right();
      if (gap < blank - 0.01)
        found << QStringLiteral("%1 is %2 px from %3")
                     .arg(describe(*a.Item), QString::number(gap, 'f', 1), describe(*b.Item));
    }
  }
  return found;
}
