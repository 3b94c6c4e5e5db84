#include "core/MaterialPosting.h"

#include <QSet>
#include <algorithm>
#include <stdexcept>

#include "core/ColorList.h"
#include "core/DataUnit.h"
#include "platform/SysUtils.h"

namespace {

constexpr int kBatch = 1000;

QString IdList(const QVector<int> &ids, int from, int count) {
  QStringList parts;
  for (int i = from; i < std::min<int>(ids.size(), from + count); ++i) parts << QString::number(ids[i]);
  return parts.join(QLatin1Char(','));
}

const QString kMaterialGone =
    QStringLiteral("Материал удалён из каталога другим пользователем: документ не сохранён.");

}  // namespace

TMaterials LockMaterials(const QVector<int> &catIds) {
  TConnection &c = DATA->DB_Storage;
  if (c.TransactionDepth < 1) throw std::logic_error("materials are locked only inside a transaction");
  QVector<int> ids = catIds;
  std::sort(ids.begin(), ids.end());
  ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
  if (ids.isEmpty()) return {};
  // The lock rows first, in the order of the IDs; a material locked earlier in the transaction
  // keeps its lock and is not written again.
  QVector<int> fresh;
  for (int id : ids)
    if (!c.LockedMaterials.contains(id)) fresh << id;
  for (int from = 0; from < fresh.size(); from += kBatch) {
    QStringList rows;
    for (int i = from; i < std::min<int>(fresh.size(), from + kBatch); ++i) rows << Format(QStringLiteral("(%d,1)"), {fresh[i]});
    ExecSQL(QStringLiteral("insert into CatalogLock (CATID,SAVES) values") + rows.join(QLatin1Char(',')) +
            QStringLiteral(" on duplicate key update SAVES=SAVES+1"));
  }
  for (int id : fresh) c.LockedMaterials.insert(id);
  // Then the materials as they are now (a locking read sees what is committed, whatever the
  // transaction read before).
  TMaterials found;
  TQuery q;
  for (int from = 0; from < ids.size(); from += kBatch) {
    q.SQL = Format(QStringLiteral("select ID, NAME, SYSTEMID, ISCOLOR from Catalog where ID in (%s) lock in share mode"),
                   {IdList(ids, from, kBatch)});
    q.Open();
    for (const auto &row : q.Rows()) {
      TMaterialInfo m;
      m.ID = row[0].toInt();
      m.Name = row[1].toString();
      m.SystemID = row[2].toInt();
      m.Colored = row[3].toInt() > 0;
      found.insert(m.ID, m);
    }
    q.Close();
  }
  if (found.size() != ids.size()) throw EMaterialGone(kMaterialGone);
  return found;
}

TMaterials LockMaterials(const QVector<TMaterialUse> &uses) {
  QVector<int> ids;
  for (const TMaterialUse &u : uses) ids << u.CATID;
  const TMaterials materials = LockMaterials(ids);
  // The uses whose code disagrees with the flag, checked against the stock rows they have.
  QSet<QPair<int, int>> disagree;
  for (const TMaterialUse &u : uses)
    if (materials.value(u.CATID).Colored == (u.COLOR == ColorNone)) disagree.insert({u.CATID, u.COLOR});
  if (disagree.isEmpty()) return materials;
  QSet<int> asked;
  for (const auto &p : disagree) asked.insert(p.first);
  QHash<int, QSet<int>> codes;  // the colour codes of each material's stock rows
  TQuery q;
  const QVector<int> askedIds(asked.begin(), asked.end());
  q.SQL = Format(QStringLiteral("select CATID, COLOR from CatalogQty where CATID in (%s) lock in share mode"),
                 {IdList(askedIds, 0, askedIds.size())});
  q.Open();
  for (const auto &row : q.Rows()) codes[row[0].toInt()].insert(row[1].toInt());
  q.Close();
  for (const auto &p : disagree) {
    const QSet<int> held = codes.value(p.first);
    if (held.contains(p.second)) continue;
    if (p.second == ColorNone && held.isEmpty()) continue;
    throw EColourChanged(Format(QStringLiteral("Признак цвета материала \"%s\" изменён другим пользователем: "
                                               "документ не сохранён."),
                                {materials.value(p.first).Name}));
  }
  return materials;
}

QString MaterialCaption(int catId, int color) {
  TQuery m;
  m.SQL = Format(QStringLiteral("select NAME, SYSTEMID from Catalog where ID=%d"), {catId});
  m.Open();
  const QString name = m.IsEmpty() ? QString() : m.Fields(0).AsString();
  TColorRec rec;
  if (Colors && !m.IsEmpty()) Colors->GetColorRec(color, m.Fields(1).AsInteger(), rec);
  return Format(QStringLiteral("%s (%s)"), {name, rec.Caption});
}

bool DeleteMaterial(int catId) {
  bool deleted = false;
  RunInTransaction([&] {
    deleted = false;
    try {
      LockMaterials(QVector<int>{catId});
    } catch (const EMaterialGone &) {
      deleted = true;  // deleted by another client: nothing is left to delete
      return;
    }
    const bool inUse =
        SQLInt(Format(QStringLiteral("select count(*) from WaybillCont where CATID=%d lock in share mode"), {catId})) > 0 ||
        SQLInt(Format(QStringLiteral("select count(*) from WaybillInventory where CATID=%d lock in share mode"),
                      {catId})) > 0 ||
        SQLInt(Format(QStringLiteral("select count(*) from CatalogQty where CATID=%d and "
                                     "(abs(QUANTITY)>=0.0000005 or abs(RESERVE)>=0.0000005) lock in share mode"),
                      {catId})) > 0;
    if (inUse) return;
    ExecSQL(Format(QStringLiteral("delete from CatalogQty where CATID=%d"), {catId}));
    ExecSQL(Format(QStringLiteral("delete from Catalog where ID=%d"), {catId}));
    deleted = true;
  });
  return deleted;
}

bool LockMaterialForColourFlag(int catId) {
  LockMaterials(QVector<int>{catId});
  return SQLInt(Format(QStringLiteral("select count(CATID) from CatalogQty where CATID=%d lock in share mode"),
                       {catId})) > 0;
}

void RewriteMaterialColours(int catId, bool coloured) {
  LockMaterials(QVector<int>{catId});
  const int code = coloured ? ColorUnset : ColorNone;
  ExecSQL(Format(QStringLiteral("update CatalogQty set COLOR=%d where CATID=%d"), {code, catId}));
  ExecSQL(Format(QStringLiteral("update WaybillCont set COLOR=%d where CATID=%d"), {code, catId}));
  ExecSQL(Format(QStringLiteral("update WaybillInventory set COLOR=%d where CATID=%d"), {code, catId}));
}

void RemoveColourInfo(int catId) {
  const QString m = QString::number(catId);
  RunInTransaction([&] {
    LockMaterials(QVector<int>{catId});
    ExecSQL(QStringLiteral("update WaybillCont set COLOR=-1 where CATID=") + m);
    ExecSQL(QStringLiteral("update WaybillInventory set COLOR=-1 where CATID=") + m);
    ExecSQL(QStringLiteral("update CatalogQty set COLOR=-1 where CATID=") + m);
    if (SQLInt(QStringLiteral("select count(*) from CatalogQty where CATID=") + m) < 1) return;
    const double q = RoundQty(SQLFloat(QStringLiteral("select sum(QUANTITY) from CatalogQty where CATID=") + m));
    const double r = RoundQty(SQLFloat(QStringLiteral("select sum(RESERVE) from CatalogQty where CATID=") + m));
    const int w = SQLInt(QStringLiteral("select max(LASTWBID) from CatalogQty where CATID=") + m);
    ExecSQL(QStringLiteral("delete from CatalogQty where CATID=") + m);
    ExecSQL(Format(QStringLiteral("insert into CatalogQty (CATID,COLOR,QUANTITY,RESERVE,LASTWBID) "
                                  "values (%d,-1,%g,%g,%d)"),
                   {catId, q, r, w}));
  });
}
