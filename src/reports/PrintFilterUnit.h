#pragma once
// The report filter: which groups and subgroups, which period and whether reservations count.
// The dialog turns the choices into SQL conditions that the reports splice into their queries
// and into the two-line title that they print. It reads no table: the groups come from the
// shared group list.
#include <QString>

#include "platform/Forms.h"

class QButtonGroup;
class QCheckBox;
class QDateEdit;
class QGroupBox;
class QListWidget;
class QListWidgetItem;
class QPushButton;
class QRadioButton;
class TSelObj;

class TPrintFilter : public TForm {
  Q_OBJECT
 public:
  // The three flags enable the reservation, group and period choices; a disabled choice
  // keeps its default (no reservations, all groups, all dates).
  TPrintFilter(QWidget *owner, bool enableReserve, bool enableGroups, bool enablePeriod);

  QGroupBox *GrpMode;           // "Режим": item 0 "Все", item 1 "За период"
  QRadioButton *GrpModeAll;     // item 0
  QRadioButton *GrpModePeriod;  // item 1
  QGroupBox *PeriodGrpBox;
  QDateEdit *FromDate;
  QDateEdit *ToDate;
  QCheckBox *ResChkBox;   // "+ Резерв"
  QCheckBox *isGroups;    // "Группы / подгруппы"
  QGroupBox *GroupBox2;
  QListWidget *GrpChkLB;     // groups, each with a TSelObj
  QListWidget *SubGrpChkLB;  // subgroups of the selected group, each with a TIntObj (SUBID)
  QPushButton *BitBtn2;      // "Ok"
  QPushButton *BitBtn1;      // "Cancel"

  int GrpModeIndex() const;

  // The outputs, set by the Ok button: "1" or "0" for reservations followed by the group
  // condition; the period condition; the title.
  QString GroupResult() const { return m_groupResult; }
  QString PeriodResult() const { return m_periodResult; }
  QString Title() const { return m_title; }

  // Handlers, as the controls call them.
  void isGroupsClick();
  void GrpModeClick();
  void GrpChkLBClick();
  void GrpChkLBClickCheck(QListWidgetItem *item);
  void SubGrpChkLBClickCheck(QListWidgetItem *item);
  void BitBtn2Click();

 protected:
  void showEvent(QShowEvent *event) override;

 private:
  void FormShow();
  void ApplyPeriodMode();
  // Ticks the subgroup items that the selected group's selection holds.
  void MarkSubgroups();
  TSelObj *SelectedGroup() const;

  QButtonGroup *m_modeButtons;
  QString m_groupResult;
  QString m_periodResult;
  QString m_title;
  bool m_shown = false;
};

// Runs the filter dialog. The outputs are cleared (Title excepted) and, when the user
// confirms, filled from the dialog: the group condition ("" for all groups), the period
// condition ("" for all dates, else 'between "from" and "to"'), the title (group names, a
// line break, the period line) and whether reservations count. False when cancelled.
bool RunPrintFilter(bool &WithReserve, QString &GroupFilter, QString &PeriodCondition,
                    QString &Title, QWidget *AOwner, bool EnableReserve, bool EnableGroups,
                    bool EnablePeriod);
