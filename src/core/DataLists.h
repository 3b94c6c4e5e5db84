#pragma once
// Shared in-memory lists that start-up loads once and every window reads, and the small row
// objects that windows attach to list items and grid rows (widget-free: the posting code reads
// these lists too).
#include <QString>
#include <QStringList>
#include <QVector>
#include <cstdint>
#include <memory>

#include "platform/GridObject.h"

class QListWidget;
class QTableWidget;
class TIDComboBox;
class TQuery;

// Adds one item per row of the SQL text (first column the name, second the ID), after an empty
// item when addEmpty.
void FillIDComboSQL(TIDComboBox *combo, const QString &sql, bool addEmpty);
// Looks through rows 1.. of the grid for a row object with the material and colour; the row
// index ends one past the row examined last (a hit in row 3 leaves 4).
bool FindGridRow(int &row, QTableWidget *grid, int catId, int color);

// A list of texts loaded "order by ID" from a value table. Positional access is that of a
// QStringList; look-ups by record ID go through ByID, which stays right when the IDs have a
// gap (a deleted discount group) or do not start at 0 (measures start at 1).
class TStrArray : public QStringList {
 public:
  using QList<QString>::QList;
  TStrArray() = default;
  // Record IDs, one per text, when the array was loaded with them (LoadFromSQL).
  QVector<int> IDs;

  // Runs an SQL text whose first column is the ID and second the text; a float column is
  // written as FloatToStr writes it ("15", "12.5"). Database errors pass to the caller.
  void LoadFromSQL(const QString &sql);
  // The text of the record with that ID; an empty text when there is none. An array loaded
  // without IDs (LoadStrArray) is indexed by position.
  QString ByID(int id) const;
  // The position of the record with that ID, or -1.
  int IndexOfID(int id) const;
  void clear() {
    QStringList::clear();
    IDs.clear();
  }
};

extern TStrArray CurrencyNames;   // Currencies NAME by ID
extern TStrArray DiscountValues;  // DiscountGroups DVALUE (as text) by ID
extern TStrArray MeasureNames;    // Measures NAME by ID

// Main window mode: 0 catalogue, 1 stock by colour.
extern uint8_t ViewMode;

// A whole number attached to a list item.
class TIntObj : public TGridObject {
 public:
  explicit TIntObj(int value) : Value(value) {}
  int Value;
};

// Six whole numbers attached to a grid row; the second is the material ID and the third the
// colour code wherever a grid is searched by material and colour.
class TAddObj : public TGridObject {
 public:
  TAddObj(int n1, int n2, int n3, int n4, int n5, int n6)
      : N1(n1), N2(n2), N3(n3), N4(n4), N5(n5), N6(n6) {}
  int N1, N2, N3, N4, N5, N6;
};

class TGroups;

// What the report filter keeps chosen of one group: the whole group, or some subgroups.
// Flags are indexed by subgroup number (SUBID) from 0 to the group's highest one; flag 0 is
// never set by SetAll; a group without subgroups has no flags and is chosen through All
// alone. Subgroup numbers run from 1 to 255.
class TSelObj : public TGridObject {
 public:
  // Sizes the flags by the group's subgroups (nullptr: the global Groups), nothing chosen.
  explicit TSelObj(int groupId, const TGroups *groups = nullptr);
  int GroupID;

  bool GetAll() const { return m_all; }
  void SetAll(bool value);
  bool GetSub(int index) const;
  void SetSub(int index, bool value);
  int High() const { return m_flags.size() - 1; }
  int CountSelected() const;
  QString SelectedCSV() const;  // "1,3,4"
  QVector<int> SelectedArray() const;

 private:
  bool m_all = false;
  QVector<bool> m_flags;
};

// Marker ID of an absent group.
constexpr int NoGroupID = 65535;

struct TCatSubgroupRec {
  int SUBID = 0;
  QString Name;  // at most 255 characters
  int MINVALUE = 0;
  double WASTE = 0;
};

struct TCatGroupRec {
  int ID = 0;
  QString Name;  // at most 255 characters
  QVector<TCatSubgroupRec> Subgroups;  // in SUBID order
};

// Groups and subgroups of table CatGroups.
class TGroups {
 public:
  TGroups() = default;
  // Builds the groups from an open data set of CatGroups rows ordered by ID, SUBID: a row
  // with SUBID 0 is a group; any other row is a subgroup of the group with its ID, or is
  // dropped when that group has no row of its own. A closed data set shows
  // "Groups dataset is not activated!" and leaves the list empty.
  explicit TGroups(TQuery &dataset);

  // Whether the group exists, and its position (the first match).
  bool FindGroup(int groupId, int &position) const;
  // A copy of the group; when absent only ID is set, to NoGroupID.
  void GetGroup(int groupId, TCatGroupRec &group) const;
  void GetGroupAt(int position, TCatGroupRec &group) const;
  int Count() const { return m_groups.size(); }

  // Clears the combo; optionally "[Все группы]" with ID -1; then one item per group.
  void FillGroupCombo(TIDComboBox *combo, bool addAll) const;
  // Clears the list; one item per group with a new TSelObj attached.
  void FillGroupList(QListWidget *list) const;
  // Clears the combo; for an existing group optionally "[Все подруппы]" with ID -1, then one
  // item per subgroup with its SUBID.
  void FillSubgroupCombo(int groupId, TIDComboBox *combo, bool addAll) const;
  // Clears the list; for an existing group one item per subgroup with a TIntObj of its SUBID.
  void FillSubgroupList(int groupId, QListWidget *list) const;
  // The names of the group's subgroups with the given SUBIDs, in the given order, joined by
  // ", "; a SUBID the group lacks adds nothing.
  QString SubgroupNames(int groupId, const QVector<int> &subIds) const;
  // Flags 0 .. highest SUBID of the group, all false; empty for an absent group and for a
  // group without subgroups.
  void SubgroupFlags(int groupId, QVector<bool> &flags) const;
  // Keeps the minimum value and waste just stored for a subgroup.
  void SetSubgroupValues(int groupId, int subId, int minValue, double waste);

 private:
  QVector<TCatGroupRec> m_groups;
};

struct TIDRec {
  int ID = 0;
  QString Name;  // at most 255 characters
};

// ID and name pairs (the supplier list).
class TIDObj {
 public:
  // Empties the list and loads it from an SQL text with the columns ID and NAME, in row
  // order. Database errors pass to the caller.
  void LoadFromSQL(const QString &sql);
  // The first record with that ID; an unknown ID gives an empty name (and ID untouched).
  void GetByID(int id, TIDRec &rec) const;
  // Clears the combo; one item per record.
  void FillCombo(TIDComboBox *combo) const;
  int Count() const { return m_items.size(); }
  const TIDRec &Item(int index) const { return m_items.at(index); }

 private:
  QVector<TIDRec> m_items;
};

extern TGroups *Groups;
extern TIDObj *SupplierList;

// The values last entered in the material card, offered for the next new material.
struct TDefValues {
  int16_t IDcb_System = 0, IDcb_Supplier = 0, IDcb_Grp = 0, IDcb_SubGrp = 0, IDcb_Discount = 0,
          IDcb_Measure = 0, IDcb_Currency = 0;
  QVector<double> Price;        // one per price column
  QVector<int32_t> Delivery;    // one per price column
  bool IsColored = false;
  int16_t IDcb_MnGrp = 0;

  // The seven choice positions 0, and priceCount zero prices and deliveries.
  void Clear(int priceCount);
};

extern TDefValues DefValues;
