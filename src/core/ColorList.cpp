#include "core/ColorList.h"

#include <stdexcept>

#include "core/DataUnit.h"
#include "core/SetupObject.h"

TColorList *Colors = nullptr;

void FreeColors() {
  delete Colors;
  Colors = nullptr;
}

char TColorList::KeyChar(int index) {
  if (index < 0 || index >= MaxSetupChildren)
    throw std::runtime_error("Key char generator!  FATAL ERROR!\r\rIndex overflow!");
  return ::KeyChar(index);
}

TColorList::TColorList(const TSetupObject *setup) {
  if (!setup) setup = DATA ? DATA->Setup.get() : nullptr;
  if (!setup) return;
  QStringList systems;
  setup->GetChildCaptions(QByteArrayLiteral("0"), systems);
  for (int s = 0; s < systems.size(); ++s) {
    const QByteArray systemKey = QByteArrayLiteral("0") + KeyChar(s) + QByteArrayLiteral("00");
    QVector<TSNodeInfo> groups;
    setup->GetChildNodes(systemKey, groups);
    for (int g = 0; g < groups.size(); ++g) {
      const TSNodeInfo &gn = groups[g];
      TColorRec gr;
      gr.SystemID = s;
      gr.GroupID = g;
      gr.GroupData = gn.SData.left(7);
      gr.Caption = gn.Caption.left(50);
      gr.Kind = gn.BData;
      m_groups << gr;
      QVector<TSNodeInfo> colors;
      setup->GetChildNodes(systemKey + KeyChar(g), colors);
      for (int c = 0; c < colors.size(); ++c) {
        const TSNodeInfo &cn = colors[c];
        TColorRec cr;
        cr.SystemID = s;
        cr.GroupID = g;
        cr.GroupData = gn.SData.left(7);
        cr.ColorID = c;
        cr.Caption = cn.Caption.left(50);
        cr.ColorData = cn.SData.left(70);
        cr.IData = cn.IData;
        cr.Kind = cn.BData;
        m_colors << cr;
      }
    }
  }
}

void TColorList::GetSecondColor(int system, int mainGroup, int group, int color,
                                TColorRec &rec) const {
  rec = TColorRec();
  for (const TColorRec &c : m_colors)
    if (c.SystemID == system && c.MainGroup == mainGroup && c.GroupID == group &&
        c.ColorID == color) {
      rec = c;
      return;
    }
}

void TColorList::GetColorRec(int code, int system, TColorRec &rec) const {
  rec = TColorRec();
  const int group = ColorCodeGroup(code);
  const int color = ColorCodeInner(code);
  const int second = ColorCodeOuter(code);
  for (const TColorRec &c : m_colors)
    if (c.SystemID == system && c.MainGroup == 0 && c.GroupID == group && c.ColorID == color)
      rec = c;  // the last match
  if (rec.Kind < 1 || rec.Kind > 3) return;
  TColorRec s;
  GetSecondColor(system, 0, group, second, s);
  switch (rec.Kind) {
    case 1:
      rec.ColorData = s.ColorData;
      rec.Caption = s.Caption + QStringLiteral("/белый");
      break;
    case 2:
      rec.ColorData = QStringLiteral("[") + s.ColorData + QStringLiteral(" / ") + rec.ColorData +
                      QStringLiteral("]");
      rec.Caption = s.Caption + QStringLiteral("/") + rec.Caption;
      break;
    case 3:
      rec.ColorData = s.ColorData;
      rec.Caption = QStringLiteral("белый/") + s.Caption;
      break;
  }
  rec.ColorData = rec.ColorData.left(70);
  rec.Caption = rec.Caption.left(50);
}

int TColorList::GetGroupCode(int system, int group) const {
  for (const TColorRec &g : m_groups)
    if (g.SystemID == system && g.GroupID == group)
      return ColorGroupItemID(system, group, g.Kind);
  return -1;
}
