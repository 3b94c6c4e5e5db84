#include "reports/PrintFilterUnit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "core/CommonFunctions.h"
#include "core/DataLists.h"
#include "core/ObjListItem.h"
#include "core/DataUnit.h"
#include "platform/DatePicker.h"
#include "platform/Application.h"
#include "platform/Clock.h"
#include "platform/SysUtils.h"

namespace {

QDateEdit *DatePicker(QWidget *parent, const QString &name) {
  auto *d = new TDatePicker(parent);
  d->setObjectName(name);
  d->setCalendarPopup(true);
  d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
  return d;
}

}  // namespace

TPrintFilter::TPrintFilter(QWidget *owner, bool enableReserve, bool enableGroups, bool enablePeriod)
    : TForm(owner) {
  setObjectName(QStringLiteral("PrintFilter"));
  SetPosition(poScreenCenter);
  setWindowTitle(QStringLiteral("Печать отчёта"));

  GrpMode = new QGroupBox(QStringLiteral("Режим"), this);
  GrpMode->setObjectName(QStringLiteral("GrpMode"));
  GrpModeAll = new QRadioButton(QStringLiteral("Все"), GrpMode);
  GrpModeAll->setObjectName(QStringLiteral("GrpModeAll"));
  GrpModePeriod = new QRadioButton(QStringLiteral("За период"), GrpMode);
  GrpModePeriod->setObjectName(QStringLiteral("GrpModePeriod"));
  GrpModeAll->setChecked(true);
  m_modeButtons = new QButtonGroup(this);
  m_modeButtons->addButton(GrpModeAll, 0);
  m_modeButtons->addButton(GrpModePeriod, 1);
  auto *modeLayout = new QVBoxLayout(GrpMode);
  modeLayout->addWidget(GrpModeAll);
  modeLayout->addWidget(GrpModePeriod);

  PeriodGrpBox = new QGroupBox(this);
  PeriodGrpBox->setObjectName(QStringLiteral("PeriodGrpBox"));
  FromDate = DatePicker(PeriodGrpBox, QStringLiteral("FromDate"));
  ToDate = DatePicker(PeriodGrpBox, QStringLiteral("ToDate"));
  auto *periodLayout = new QGridLayout(PeriodGrpBox);
  periodLayout->addWidget(new QLabel(QStringLiteral("От"), PeriodGrpBox), 0, 0);
  periodLayout->addWidget(FromDate, 0, 1);
  periodLayout->addWidget(new QLabel(QStringLiteral("До"), PeriodGrpBox), 1, 0);
  periodLayout->addWidget(ToDate, 1, 1);

  ResChkBox = new QCheckBox(QStringLiteral("+ Резерв"), this);
  ResChkBox->setObjectName(QStringLiteral("ResChkBox"));
  isGroups = new QCheckBox(QStringLiteral("Группы / подгруппы"), this);
  isGroups->setObjectName(QStringLiteral("isGroups"));

  GroupBox2 = new QGroupBox(this);
  GroupBox2->setObjectName(QStringLiteral("GroupBox2"));
  GrpChkLB = new QListWidget(GroupBox2);
  GrpChkLB->setObjectName(QStringLiteral("GrpChkLB"));
  SubGrpChkLB = new QListWidget(GroupBox2);
  SubGrpChkLB->setObjectName(QStringLiteral("SubGrpChkLB"));
  for (QListWidget *list : {GrpChkLB, SubGrpChkLB}) list->setMinimumSize(220, 260);
  auto *listsLayout = new QHBoxLayout(GroupBox2);
  listsLayout->addWidget(GrpChkLB);
  listsLayout->addWidget(SubGrpChkLB);
  GroupBox2->setVisible(false);

  BitBtn2 = new QPushButton(QStringLiteral("Ok"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn2->setDefault(true);
  BitBtn1 = new QPushButton(QStringLiteral("Cancel"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));

  auto *top = new QHBoxLayout;
  top->addWidget(GrpMode);
  top->addWidget(PeriodGrpBox);
  top->addStretch();
  auto *checks = new QVBoxLayout;
  checks->addWidget(ResChkBox);
  checks->addWidget(isGroups);
  top->addLayout(checks);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BitBtn2);
  buttons->addWidget(BitBtn1);
  auto *main = new QVBoxLayout(this);
  main->addLayout(top);
  main->addWidget(GroupBox2, 1);
  main->addLayout(buttons);
  main->setSizeConstraint(QLayout::SetFixedSize);

  // User actions only: the programmatic ticks below run with the lists' signals blocked.
  connect(isGroups, &QCheckBox::clicked, this, [this] { Guarded([this] { isGroupsClick(); }); });
  connect(m_modeButtons, &QButtonGroup::idClicked, this, [this] { Guarded([this] { GrpModeClick(); }); });
  connect(GrpChkLB, &QListWidget::currentRowChanged, this,
          [this] { Guarded([this] { GrpChkLBClick(); }); });
  connect(GrpChkLB, &QListWidget::itemChanged, this,
          [this](QListWidgetItem *item) { Guarded([&] { GrpChkLBClickCheck(item); }); });
  connect(SubGrpChkLB, &QListWidget::itemChanged, this,
          [this](QListWidgetItem *item) { Guarded([&] { SubGrpChkLBClickCheck(item); }); });
  connect(BitBtn2, &QPushButton::clicked, this, [this] { Guarded([this] { BitBtn2Click(); }); });
  BindModalResult(BitBtn2, mrOk);
  BindModalResult(BitBtn1, mrCancel);

  ResChkBox->setEnabled(enableReserve);
  isGroups->setEnabled(enableGroups);
  GrpMode->setEnabled(enablePeriod);
  ApplyPeriodMode();
}

int TPrintFilter::GrpModeIndex() const { return GrpModePeriod->isChecked() ? 1 : 0; }

void TPrintFilter::showEvent(QShowEvent *event) {
  TForm::showEvent(event);
  if (m_shown) return;
  m_shown = true;
  Guarded([this] { FormShow(); });
}

void TPrintFilter::FormShow() {
  m_groupResult.clear();
  m_periodResult.clear();
  const QDate today = Clock::Today();
  FromDate->setDate(today.addDays(-30));
  ToDate->setDate(today);
  const QSignalBlocker block(GrpChkLB);
  if (Groups) Groups->FillGroupList(GrpChkLB);
  for (int i = 0; i < GrpChkLB->count(); ++i) {
    QListWidgetItem *item = GrpChkLB->item(i);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
}

void TPrintFilter::ApplyPeriodMode() { PeriodGrpBox->setVisible(GrpModeIndex() == 1); }

void TPrintFilter::isGroupsClick() { GroupBox2->setVisible(isGroups->isChecked()); }

void TPrintFilter::GrpModeClick() { ApplyPeriodMode(); }

TSelObj *TPrintFilter::SelectedGroup() const {
  QListWidgetItem *item = GrpChkLB->currentItem();
  return item ? ListItemObjectAs<TSelObj>(item) : nullptr;
}

void TPrintFilter::GrpChkLBClick() {
  TSelObj *sel = SelectedGroup();
  const QSignalBlocker block(SubGrpChkLB);
  SubGrpChkLB->clear();
  if (!sel || !Groups) return;
  Groups->FillSubgroupList(sel->GroupID, SubGrpChkLB);
  for (int i = 0; i < SubGrpChkLB->count(); ++i) {
    QListWidgetItem *item = SubGrpChkLB->item(i);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
  MarkSubgroups();
}

void TPrintFilter::GrpChkLBClickCheck(QListWidgetItem *item) {
  auto *sel = ListItemObjectAs<TSelObj>(item);
  if (!sel) return;
  // The item whose tick changed is the selected one, whether clicked or toggled by keyboard.
  if (GrpChkLB->currentItem() != item) GrpChkLB->setCurrentItem(item);
  sel->SetAll(item->checkState() == Qt::Checked);
  MarkSubgroups();
}

void TPrintFilter::SubGrpChkLBClickCheck(QListWidgetItem *item) {
  QListWidgetItem *groupItem = GrpChkLB->currentItem();
  TSelObj *sel = SelectedGroup();
  auto *sub = ListItemObjectAs<TIntObj>(item);
  if (!groupItem || !sel || !sub) return;
  sel->SetSub(sub->Value, item->checkState() == Qt::Checked);
  const QSignalBlocker block(GrpChkLB);
  groupItem->setCheckState(sel->CountSelected() > 0 ? Qt::Checked : Qt::Unchecked);
}

void TPrintFilter::MarkSubgroups() {
  TSelObj *sel = SelectedGroup();
  if (!sel) return;
  const QSignalBlocker block(SubGrpChkLB);
  if (sel->CountSelected() == 0) {
    for (int i = 0; i < SubGrpChkLB->count(); ++i) SubGrpChkLB->item(i)->setCheckState(Qt::Unchecked);
    return;
  }
  for (int n = 1; n <= sel->High(); ++n) {
    if (!sel->GetSub(n)) continue;
    for (int i = 0; i < SubGrpChkLB->count(); ++i) {
      auto *sub = ListItemObjectAs<TIntObj>(SubGrpChkLB->item(i));
      if (sub && sub->Value == n) SubGrpChkLB->item(i)->setCheckState(Qt::Checked);
    }
  }
}

void TPrintFilter::BitBtn2Click() {
  m_groupResult = ResChkBox->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
  QString names;
  if (isGroups->isChecked() && Groups) {
    QVector<TSelObj *> objects;
    for (int i = 0; i < GrpChkLB->count(); ++i)
      if (auto *sel = ListItemObjectAs<TSelObj>(GrpChkLB->item(i))) objects << sel;
    bool everything = true, anything = false;
    for (TSelObj *sel : objects) {
      if (!sel->GetAll()) everything = false;
      // A ticked group without subgroups is chosen all the same: its selection shows it
      // through All alone.
      if (sel->GetAll() || sel->CountSelected() > 0) anything = true;
    }
    if (!everything && anything) {
      QString condition;
      for (TSelObj *sel : objects) {
        TCatGroupRec group;
        Groups->GetGroup(sel->GroupID, group);
        if (sel->GetAll()) {
          condition = Format("%s or (c.CATGROUP=%d)", {condition, sel->GroupID});
          names = Format("%s, %s", {names, group.Name});
        } else if (sel->CountSelected() > 0) {
          condition = Format("%s or (c.CATGROUP=%d and c.SUBGROUP in (%s))",
                             {condition, sel->GroupID, sel->SelectedCSV()});
          names = Format("%s, %s [%s]", {names, group.Name,
                                         Groups->SubgroupNames(sel->GroupID, sel->SelectedArray())});
        }
      }
      m_groupResult = Format("%s(%s)", {m_groupResult, condition.mid(4)});
    }
  }

  QString period;
  if (GrpModeIndex() == 0) {
    period = QStringLiteral("Periods: visi");
    m_periodResult.clear();
  } else {
    m_periodResult = Format("between \"%s\" and \"%s\"",
                            {EscapeSQL(FormatServerDate(FromDate->date())),
                             EscapeSQL(FormatServerDate(ToDate->date()))});
    period = Format("Periods: %s līdz %s", {DateToStr(FromDate->date()), DateToStr(ToDate->date())});
  }
  if (ResChkBox->isChecked()) period += QStringLiteral(" + rezervēti materiāli");
  m_title = names.mid(2) + QStringLiteral("\r\n") + period;
}

bool RunPrintFilter(bool &WithReserve, QString &GroupFilter, QString &PeriodCondition,
                    QString &Title, QWidget *AOwner, bool EnableReserve, bool EnableGroups,
                    bool EnablePeriod) {
  GroupFilter.clear();
  PeriodCondition.clear();
  WithReserve = false;
  TPrintFilter form(AOwner, EnableReserve, EnableGroups, EnablePeriod);
  if (form.ShowModal() != mrOk) return false;
  const QString result = form.GroupResult();
  WithReserve = result.startsWith(QLatin1Char('1'));
  GroupFilter = result.mid(1);
  PeriodCondition = form.PeriodResult();
  Title = form.Title();
  return true;
}
