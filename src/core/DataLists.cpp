#include "core/DataLists.h"

#include <QApplication>
#include <QListWidget>

#include "core/DataUnit.h"
#include "core/IDComboBox.h"
#include "core/MyMsgUnit.h"
#include "core/ObjListItem.h"
#include "core/Query.h"
#include "platform/Grids.h"
#include "platform/SysUtils.h"

uint8_t ViewMode = 0;
TStrArray CurrencyNames;
TStrArray DiscountValues;
TStrArray MeasureNames;
TGroups *Groups = nullptr;
TIDObj *SupplierList = nullptr;
TDefValues DefValues;

// ---------------------------------------------------------------------------------------------

void TStrArray::LoadFromSQL(const QString &sql) {
  clear();
  TQuery q;
  q.SQL = sql;
  q.Open();
  for (const QVector<QVariant> &row : q.Rows()) {
    IDs << row.value(0).toInt();
    const QVariant v = row.value(1);
    const bool isFloat = v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Float;
    append(isFloat ? FloatToStr(v.toDouble()) : v.toString());
  }
  q.Close();
}

int TStrArray::IndexOfID(int id) const {
  if (IDs.size() != size()) return id >= 0 && id < size() ? id : -1;
  return IDs.indexOf(id);
}

QString TStrArray::ByID(int id) const {
  const int i = IndexOfID(id);
  return i < 0 ? QString() : at(i);
}

// ---------------------------------------------------------------------------------------------

TGridObject *ListItemObject(const QListWidgetItem *item) {
  auto *owned = dynamic_cast<const TObjListItem *>(item);
  return owned ? owned->Object.get() : nullptr;
}

// ---------------------------------------------------------------------------------------------

TSelObj::TSelObj(int groupId, const TGroups *groups) : GroupID(groupId) {
  if (!groups) groups = Groups;
  if (groups) groups->SubgroupFlags(groupId, m_flags);
  SetAll(false);
}

void TSelObj::SetAll(bool value) {
  m_all = value;
  for (int i = 1; i < m_flags.size() && i <= 255; ++i) m_flags[i] = value;
  if (!m_flags.isEmpty()) m_flags[0] = false;
}

bool TSelObj::GetSub(int index) const { return index >= 0 && index < m_flags.size() && m_flags[index]; }

void TSelObj::SetSub(int index, bool value) {
  if (index < 0 || index >= m_flags.size()) return;
  m_flags[index] = value;
  bool all = true;
  for (int i = 1; i < m_flags.size() && i <= 255; ++i)
    if (!m_flags[i]) all = false;
  m_all = all;
}

int TSelObj::CountSelected() const {
  int n = 0;
  for (int i = 0; i < m_flags.size() && i <= 255; ++i)
    if (m_flags[i]) ++n;
  return n;
}

QVector<int> TSelObj::SelectedArray() const {
  QVector<int> out;
  for (int i = 0; i < m_flags.size() && i <= 255; ++i)
    if (m_flags[i]) out << i;
  return out;
}

QString TSelObj::SelectedCSV() const {
  QStringList parts;
  for (int i : SelectedArray()) parts << QString::number(i);
  return parts.join(QLatin1Char(','));
}

// ---------------------------------------------------------------------------------------------

TGroups::TGroups(TQuery &dataset) {
  if (!dataset.Active()) {
    ShowMessage(QStringLiteral("Groups dataset is not activated!"));
    return;
  }
  const bool gui = qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr;
  if (gui) QApplication::setOverrideCursor(Qt::WaitCursor);
  const int cID = dataset.FieldIndex(QStringLiteral("ID"));
  const int cSub = dataset.FieldIndex(QStringLiteral("SUBID"));
  const int cName = dataset.FieldIndex(QStringLiteral("NAME"));
  const int cMin = dataset.FieldIndex(QStringLiteral("MINVALUE"));
  const int cWaste = dataset.FieldIndex(QStringLiteral("WASTE"));
  for (const QVector<QVariant> &row : dataset.Rows()) {
    const int id = row.value(cID).toInt();
    const int sub = row.value(cSub).toInt();
    const QString name = row.value(cName).toString().left(255);
    if (sub == 0) {
      TCatGroupRec g;
      g.ID = id;
      g.Name = name;
      m_groups << g;
      continue;
    }
    int pos;
    if (!FindGroup(id, pos)) continue;  // a subgroup without its group row
    TCatSubgroupRec s;
    s.SUBID = sub;
    s.Name = name;
    s.MINVALUE = cMin < 0 ? 0 : row.value(cMin).toInt();
    s.WASTE = cWaste < 0 ? 0.0 : row.value(cWaste).toDouble();
    m_groups[pos].Subgroups << s;
  }
  if (gui) QApplication::restoreOverrideCursor();
}

bool TGroups::FindGroup(int groupId, int &position) const {
  for (int i = 0; i < m_groups.size(); ++i)
    if (m_groups[i].ID == groupId) {
      position = i;
      return true;
    }
  position = -1;
  return false;
}

void TGroups::GetGroup(int groupId, TCatGroupRec &group) const {
  int pos;
  if (FindGroup(groupId, pos)) group = m_groups[pos];
  else group.ID = NoGroupID;
}

void TGroups::GetGroupAt(int position, TCatGroupRec &group) const {
  if (position >= 0 && position < m_groups.size()) group = m_groups[position];
  else group.ID = NoGroupID;
}

void TGroups::FillGroupCombo(TIDComboBox *combo, bool addAll) const {
  if (!combo) return;
  combo->Clear();
  if (addAll) combo->AddItem(QStringLiteral("[Все группы]"), -1, QStringLiteral("[Все группы]"), 0);
  for (const TCatGroupRec &g : m_groups) combo->AddItem(g.Name, g.ID, g.Name, 0);
}

void TGroups::FillGroupList(QListWidget *list) const {
  if (!list) return;
  list->clear();
  for (const TCatGroupRec &g : m_groups) new TObjListItem(g.Name, new TSelObj(g.ID, this), list);
}

void TGroups::FillSubgroupCombo(int groupId, TIDComboBox *combo, bool addAll) const {
  if (!combo) return;
  combo->Clear();
  int pos;
  if (!FindGroup(groupId, pos)) return;
  if (addAll)
    combo->AddItem(QStringLiteral("[Все подруппы]"), -1, QStringLiteral("[Все подруппы]"), 0);
  for (const TCatSubgroupRec &s : m_groups[pos].Subgroups) combo->AddItem(s.Name, s.SUBID, s.Name, 0);
}

void TGroups::FillSubgroupList(int groupId, QListWidget *list) const {
  if (!list) return;
  list->clear();
  int pos;
  if (!FindGroup(groupId, pos)) return;
  for (const TCatSubgroupRec &s : m_groups[pos].Subgroups)
    new TObjListItem(s.Name, new TIntObj(s.SUBID), list);
}

QString TGroups::SubgroupNames(int groupId, const QVector<int> &subIds) const {
  int pos;
  if (!FindGroup(groupId, pos)) return QString();
  QStringList names;
  for (int subId : subIds)
    for (const TCatSubgroupRec &s : m_groups[pos].Subgroups)
      if (s.SUBID == subId) {
        names << s.Name;
        break;
      }
  return names.join(QStringLiteral(", "));
}

void TGroups::SubgroupFlags(int groupId, QVector<bool> &flags) const {
  flags.clear();
  int pos;
  if (!FindGroup(groupId, pos) || m_groups[pos].Subgroups.isEmpty()) return;
  int highest = 0;
  for (const TCatSubgroupRec &s : m_groups[pos].Subgroups) highest = qMax(highest, s.SUBID);
  flags.fill(false, highest + 1);
}

void TGroups::SetSubgroupValues(int groupId, int subId, int minValue, double waste) {
  int pos;
  if (!FindGroup(groupId, pos)) return;
  for (TCatSubgroupRec &s : m_groups[pos].Subgroups)
    if (s.SUBID == subId) {
      s.MINVALUE = minValue;
      s.WASTE = waste;
    }
}

// ---------------------------------------------------------------------------------------------

void TIDObj::LoadFromSQL(const QString &sql) {
  m_items.clear();
  TQuery q;
  q.SQL = sql;
  q.Open();
  const int cID = q.FieldIndex(QStringLiteral("ID"));
  const int cName = q.FieldIndex(QStringLiteral("NAME"));
  for (const QVector<QVariant> &row : q.Rows()) {
    TIDRec r;
    r.ID = row.value(cID < 0 ? 0 : cID).toInt();
    r.Name = row.value(cName < 0 ? 1 : cName).toString().left(255);
    m_items << r;
  }
  q.Close();
}

void TIDObj::GetByID(int id, TIDRec &rec) const {
  rec.Name.clear();
  for (const TIDRec &r : m_items)
    if (r.ID == id) {
      rec = r;
      return;
    }
}

void TIDObj::FillCombo(TIDComboBox *combo) const {
  if (!combo) return;
  combo->Clear();
  for (const TIDRec &r : m_items) combo->AddItem(r.Name, r.ID, r.Name, 0);
}

// ---------------------------------------------------------------------------------------------

void TDefValues::Clear(int priceCount) {
  IDcb_System = IDcb_Supplier = IDcb_Grp = IDcb_SubGrp = IDcb_Discount = IDcb_Measure =
      IDcb_Currency = 0;
  Price.fill(0.0, qMax(priceCount, 0));
  Delivery.fill(0, qMax(priceCount, 0));
}

void FillIDComboSQL(TIDComboBox *combo, const QString &sql, bool addEmpty) {
  if (addEmpty) combo->AddItem(QString(), -1, QString(), 0);
  TQuery &q = DATA->Qtmp;
  q.SQL = sql;
  q.Open();
  for (q.First(); !q.Eof(); q.Next())
    combo->AddItem(q.Fields(0).AsString(), q.Fields(1).AsInteger(), q.Fields(0).AsString(), 0);
  q.Close();
}

bool FindGridRow(int &row, QTableWidget *widget, int catId, int color) {
  auto *grid = qobject_cast<TStringGrid *>(widget);
  row = 1;
  if (!grid) return false;
  while (row < grid->RowCount()) {
    auto *obj = grid->ObjectAs<TAddObj>(0, row);
    ++row;
    if (obj && obj->N2 == catId && obj->N3 == color) return true;
  }
  return false;
}
