#pragma once
// The materials a posting touches, locked before anything of them is read or written.
//
// Every posting and reversal, the material deletion and the colour-flag changes first write the
// lock row of each material they touch (table CatalogLock, one row per material, in the order of
// the material IDs), then re-read the materials under that lock. Two of them that touch one
// material wait for each other on one server, and on a cluster, where a lock taken on one node is
// not seen by the others, the second write of the row aborts at commit and the transaction is
// retried. So whatever a posting decides about a material (that it still exists, that a line's
// colour code fits it, that its stock row is missing and must be created) holds until it commits.
//
// The one lock order of every writer: document numbers (DocNumbers.h), materials, lots, stock rows.
#include <QHash>
#include <QString>
#include <QVector>

#include "core/Ledger.h"

// A material as read under its lock.
struct TMaterialInfo {
  int ID = 0;
  QString Name;
  int SystemID = 0;
  bool Colored = false;  // ISCOLOR: kept per colour
};
using TMaterials = QHash<int, TMaterialInfo>;

// A material and the colour code a line gives it.
struct TMaterialUse {
  int CATID = 0;
  int COLOR = 0;
};

// A save refused because a line's colour code no longer fits its material's colour flag: the
// flag was changed by another user after the line was prepared.
class EColourChanged : public ERefused {
 public:
  using ERefused::ERefused;
};

// Takes the locks of the materials and reads them. Raises EMaterialGone when one of them is no
// longer in the catalogue.
TMaterials LockMaterials(const QVector<int> &catIds);

// The same, and checks each line's colour code against its material's colour flag: a code that
// disagrees with the flag (a colour on a material kept without colour, -1 on a coloured one)
// is a line prepared before the flag changed and raises EColourChanged, unless the material
// still keeps stock rows under that code (the user kept the old codes when changing the flag)
// or, for -1 on a coloured material, the material has no stock row at all yet (a coloured
// material whose profile system offers no colours is received without one).
TMaterials LockMaterials(const QVector<TMaterialUse> &uses);

// The text that names a material in messages: its name and, for a coloured material, the
// colour's caption in brackets ("Oak (White)"; "Oak ()" when the caption is unknown).
QString MaterialCaption(int catId, int color);

// Deletes a material and its stock rows unless lines, count rows or a stock row with quantity or
// reserve still name it; returns whether it is gone (also when it was gone already). Runs in a
// transaction of its own under the material's lock.
bool DeleteMaterial(int catId);

// Colour-flag changes of the material card. Inside the caller's transaction: takes the
// material's lock and tells whether the material has stock rows (whose colour codes the change
// would rewrite); the read keeps new stock rows of the material out until the transaction ends.
bool LockMaterialForColourFlag(int catId);
// Inside that transaction: the colour codes of the material's stock rows, document lines and
// count rows become the code of its new flag: 0 (coloured, colour not set) or -1 (no colour).
// Stock rows that come to share a code are not merged (RemoveColourInfo does that).
void RewriteMaterialColours(int catId, bool coloured);

// The main window's colour clean-up, in a transaction of its own under the material's lock: every
// line and count row of the material is without colour, and its stock rows are merged into one
// row with colour -1 that holds their quantities and reserves.
void RemoveColourInfo(int catId);
