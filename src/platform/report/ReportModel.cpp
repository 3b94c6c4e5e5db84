#include "platform/report/ReportModel.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>


QStringList TReportPage::Texts() const {
  QStringList out;
  for (const TReportItem &item : Items)
    if (item.Kind == TReportItem::kText) out << item.Text;
  return out;
}

const TReportItem *TReportPage::Find(const QString &name) const {
  for (const TReportItem &item : Items)
    if (item.Kind == TReportItem::kText && item.Name == name) return &item;
  return nullptr;
}

std::vector<const TReportItem *> TReportPage::FindAll(const QString &name) const {
  std::vector<const TReportItem *> out;
  for (const TReportItem &item : Items)
    if (item.Kind == TReportItem::kText && item.Name == name) out.push_back(&item);
  return out;
}

QStringList TReportModel::Texts() const {
  QStringList out;
  for (const TReportPage &page : Pages) out << page.Texts();
  return out;
}

QString TReportModel::Dump() const {
  QString out;
  for (int i = 0; i < PageCount(); ++i) {
    out += QStringLiteral("--- page %1 ---\n").arg(i + 1);
    for (const QString &t : Pages[i].Texts()) out += t + QLatin1Char('\n');
  }
  return out;
}

void PaintReportPage(QPainter &painter, const TReportPage &page) {
  painter.save();
  // The font and the black pen of the texts are set only when they change: most texts of a
  // page share them, and each setting costs the PDF writer its own state change.
  const QFont *font = nullptr;  // the painter's font, when a text set it
  bool blackPen = false;
  for (const TReportItem &item : page.Items) {
    if (item.Clipped) {
      painter.save();
      painter.setClipRect(item.Clip, Qt::IntersectClip);
    }
    switch (item.Kind) {
      case TReportItem::kText:
        if (!font || *font != item.Font) {
          painter.setFont(item.Font);
          font = &item.Font;
        }
        if (!blackPen) {
          painter.setPen(Qt::black);
          blackPen = true;
        }
        painter.drawText(item.Box, item.Flags | Qt::TextDontClip, item.Text);
        break;
      case TReportItem::kLine:
        painter.setPen(QPen(item.Pen, item.PenWidth, Qt::SolidLine, Qt::FlatCap));
        blackPen = false;
        painter.drawLine(item.Box.topLeft(), item.Box.bottomRight());
        break;
      case TReportItem::kRect:
        if (item.PenWidth > 0)
          painter.setPen(QPen(item.Pen, item.PenWidth));
        else
          painter.setPen(Qt::NoPen);
        blackPen = false;
        painter.setBrush(item.Brush.isValid() ? QBrush(item.Brush) : QBrush(Qt::NoBrush));
        painter.drawRect(item.Box);
        painter.setBrush(Qt::NoBrush);
        break;
      case TReportItem::kImage:
        if (!item.Picture.isNull()) painter.drawImage(item.Box, item.Picture);
        break;
    }
    if (item.Clipped) {
      painter.restore();  // takes back the font and pen set inside
      font = nullptr;
      blackPen = false;
    }
  }
  painter.restore();
}

QPageLayout ReportPageLayout(const TReportModel &model) {
  QSizeF mm(model.PaperSize.width() / ReportPixelsPerMM,
            model.PaperSize.height() / ReportPixelsPerMM);
  const bool landscape = mm.width() > mm.height();
  if (landscape) mm.transpose();
  QPageSize size(mm, QPageSize::Millimeter, QString(), QPageSize::FuzzyOrientationMatch);
  return QPageLayout(size, landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                     QMarginsF(0, 0, 0, 0));
}
