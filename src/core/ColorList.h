#pragma once
// The colour groups and colours of each profile system, copied out of the setup tree once.
//
// Colour code (COLOR of stock rows and document lines, signed 32-bit): the profile system
// from bit 20 up, the colour group in bits 16-19, the inner colour in bits 8-15, the outer
// colour in bits 0-7. -1 marks a material kept without colour, 0 a coloured material whose
// colour is not set.
//
// Setup tree: the colour groups of system s are the children of "0" + s + "00", the colours
// of group g the children of that key + g (key characters as in SetupObject.h).
#include <QString>
#include <QVector>
#include <cstdint>

class QObject;
class TIDComboBox;
class TSetupObject;

// Colour code and colour-group choice item layouts.
constexpr int ColorNone = -1;   // material kept without colour
constexpr int ColorUnset = 0;   // coloured material, colour not set
inline int MakeColorCode(int system, int group, int inner, int outer) {
  return (system << 20) + (group << 16) + (inner << 8) + outer;
}
inline int ColorCodeGroup(int code) { return (code & 0xF0000) >> 16; }
inline int ColorCodeInner(int code) { return (code & 0xFF00) >> 8; }
inline int ColorCodeOuter(int code) { return code & 0xFF; }
// Item ID of a colour group in a colour-group choice.
inline int ColorGroupItemID(int system, int group, int kind) {
  return ((system & 15) << 20) + ((group & 15) << 8) + kind;
}

// One colour group (ColorID 0, ColorData empty, IData 0) or one colour.
struct TColorRec {
  int SystemID = 0;
  int MainGroup = 0;   // always 0: only main group 0 is read
  int GroupID = 0;
  QString GroupData;   // the group node's SData, at most 7 characters
  int ColorID = 0;
  QString Caption;     // at most 50
  QString ColorData;   // at most 70
  int32_t IData = 0;
  int Kind = 0;        // the node's BData
};

class TColorList {
 public:
  // Reads the tree (nullptr: the data module's setup tree). A child index beyond the key
  // characters raises the key-character error.
  explicit TColorList(const TSetupObject *setup = nullptr);

  // The data module's key character routine: as KeyChar of the setup tree, but its error
  // text is "Key char generator!  FATAL ERROR!\r\rIndex overflow!".
  static char KeyChar(int index);

  // Adds (does not clear) one item per colour group of the system and main group; the combo
  // must be a TIDComboBox, anything else gets nothing.
  void FillGroupCombo(QObject *combo, int system, int mainGroup) const;
  // Adds one item per colour of the group: caption, ID = the colour number.
  void FillColorCombo(TIDComboBox *combo, int system, int mainGroup, int group) const;
  // The display record of a colour code for a material of the given system (bits 20 and up
  // of the code are not read). Kinds 1-3 compose caption and code text with the outer colour.
  void GetColorRec(int code, int system, TColorRec &rec) const;
  // The colour with exactly these four values; an empty record when there is none.
  void GetSecondColor(int system, int mainGroup, int group, int color, TColorRec &rec) const;
  // The choice-item ID of a colour group, -1 when there is no such group.
  int GetGroupCode(int system, int group) const;

  const QVector<TColorRec> &ColorItems() const { return m_colors; }
  const QVector<TColorRec> &GroupItems() const { return m_groups; }

 private:
  QVector<TColorRec> m_colors;
  QVector<TColorRec> m_groups;
};

// The colour list, created by start-up after the setup tree is loaded.
extern TColorList *Colors;

// Frees the colour list (the data module's destroy handler).
void FreeColors();
