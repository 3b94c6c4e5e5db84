// The colour list filling the colour choices of the windows.
#include "core/ColorList.h"
#include "core/IDComboBox.h"

void TColorList::FillGroupCombo(QObject *control, int system, int mainGroup) const {
  auto *combo = qobject_cast<TIDComboBox *>(control);
  if (!combo) return;
  for (const TColorRec &g : m_groups)
    if (g.SystemID == system && g.MainGroup == mainGroup)
      combo->AddItem(g.Caption, ColorGroupItemID(g.SystemID, g.GroupID, g.Kind), g.Caption, 0);
}

void TColorList::FillColorCombo(TIDComboBox *combo, int system, int mainGroup, int group) const {
  if (!combo) return;
  for (const TColorRec &c : m_colors)
    if (c.SystemID == system && c.MainGroup == mainGroup && c.GroupID == group)
      combo->AddItem(c.Caption, c.ColorID, c.Caption, 0);
}
