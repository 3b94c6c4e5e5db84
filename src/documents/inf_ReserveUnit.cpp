#include "documents/inf_ReserveUnit.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/CommonFunctions.h"
#include "core/DataUnit.h"
#include "core/DocNumbers.h"
#include "core/Ledger.h"
#include "core/inf_MatNotEnoughUnit.h"
#include "core/MyMsgUnit.h"
#include "platform/Application.h"
#include "platform/Clock.h"
#include "platform/SysUtils.h"

namespace {

const int kObjectRole = Qt::UserRole + 1;

// Draws an item's date, number and order code in their columns; the check box is the list's.
class TReserveDelegate : public QStyledItemDelegate {
 public:
  explicit TReserveDelegate(Tinf_Reserve *owner) : QStyledItemDelegate(owner), m_owner(owner) {}
  void paint(QPainter *painter, const QStyleOptionViewItem &option,
             const QModelIndex &index) const override {
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    opt.text.clear();
    QStyledItemDelegate::paint(painter, opt, index);
    const TTmpDrawObj *o = m_owner->ItemObject(index.row());
    if (!o) return;
    const QRect r = option.rect.adjusted(22, 0, 0, 0);
    painter->save();
    painter->setPen(option.state & QStyle::State_Selected
                        ? option.palette.color(QPalette::HighlightedText)
                        : option.palette.color(QPalette::Text));
    const int y = r.top() + 1;
    const int h = r.height() - 1;
    painter->drawText(QRect(r.left() + 2, y, 83, h), Qt::AlignLeft | Qt::AlignVCenter, o->DateText);
    painter->drawText(QRect(r.left() + 85, y, 115, h), Qt::AlignLeft | Qt::AlignVCenter, o->NUM);
    painter->drawText(QRect(r.left() + 200, y, r.width() - 200, h), Qt::AlignLeft | Qt::AlignVCenter,
                      QLatin1Char(' ') + o->ORDLINK);
    painter->restore();
  }

 private:
  Tinf_Reserve *m_owner;
};

}  // namespace

Tinf_Reserve::Tinf_Reserve(QWidget *owner) : TForm(owner) {
  setObjectName(QStringLiteral("inf_Reserve"));
  setWindowTitle(QStringLiteral("UZMANIBU!!! Reservesanas termina beigsana"));
  setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowCloseButtonHint);
  resize(394, 305);
  auto *top = new QVBoxLayout(this);
  auto *heads = new QHBoxLayout;
  heads->setContentsMargins(44, 0, 0, 0);
  Label1 = new QLabel(QStringLiteral("Datums"), this);
  Label1->setObjectName(QStringLiteral("Label1"));
  Label2 = new QLabel(QStringLiteral("Pavadzīmes Nr."), this);
  Label2->setObjectName(QStringLiteral("Label2"));
  Label3 = new QLabel(QStringLiteral("Pasūtījuma Nr."), this);
  Label3->setObjectName(QStringLiteral("Label3"));
  Label1->setFixedWidth(85);
  Label2->setFixedWidth(115);
  heads->addWidget(Label1);
  heads->addWidget(Label2);
  heads->addWidget(Label3, 1);
  top->addLayout(heads);
  ChkLB1 = new QListWidget(this);
  ChkLB1->setObjectName(QStringLiteral("ChkLB1"));
  ChkLB1->setItemDelegate(new TReserveDelegate(this));
  QFont f(QStringLiteral("Tahoma"));
  f.setPixelSize(12);
  ChkLB1->setFont(f);
  ChkLB1->setMinimumSize(337, 221);
  top->addWidget(ChkLB1, 1);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch(1);
  BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setDefault(true);
  BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  buttons->addWidget(BitBtn1);
  buttons->addWidget(BitBtn2);
  buttons->addStretch(1);
  top->addLayout(buttons);
  connect(BitBtn1, &QPushButton::clicked, this, [this] { Guarded([this] { BitBtn1Click(); }); });
  BindModalResult(BitBtn2, mrCancel);
}

Tinf_Reserve::~Tinf_Reserve() {
  for (TTmpDrawObj *o : m_objects) delete o;
}

TTmpDrawObj *Tinf_Reserve::ItemObject(int index) const {
  if (index < 0 || index >= static_cast<int>(m_objects.size())) return nullptr;
  return m_objects[index];
}

void Tinf_Reserve::showEvent(QShowEvent *event) {
  TForm::showEvent(event);
  if (m_shown) return;
  m_shown = true;
  Guarded([this] { FormShow(); });
}

void Tinf_Reserve::FormShow() {
  const QDate today = Clock::Today();
  TQuery &q = DATA->Qtmp;
  q.SQL = Format(QStringLiteral("select ID, BDATE, NUM, ORDLINK from Waybill where ISOUT=%d and BDATE<=%s "
                                "order by BDATE, ID"),
                 {DocKindReservation, QuoteSQL(FormatServerDate(today))});
  q.Open();
  for (q.First(); !q.Eof(); q.Next()) {
    const QDate due = q.FieldByName(QStringLiteral("BDATE")).AsDate();
    m_objects.push_back(new TTmpDrawObj(q.FieldByName(QStringLiteral("ID")).AsInteger(),
                                        DateToStr(due),
                                        q.FieldByName(QStringLiteral("NUM")).AsString(),
                                        q.FieldByName(QStringLiteral("ORDLINK")).AsString()));
    auto *item = new QListWidgetItem(QString(), ChkLB1);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(due < today ? Qt::Checked : Qt::Unchecked);
    item->setSizeHint(QSize(0, 16));
    item->setData(kObjectRole, static_cast<int>(m_objects.size()) - 1);
  }
  q.Close();
}

void Tinf_Reserve::BitBtn1Click() {
  std::vector<const TTmpDrawObj *> chosen;
  for (int i = 0; i < ChkLB1->count(); ++i)
    if (ItemObject(i) && ChkLB1->item(i)->checkState() == Qt::Checked) chosen.push_back(ItemObject(i));
  // All checked reservations go in one transaction: an error keeps every one of them.
  QStringList skipped;
  try {
    RunInTransaction([&] {
      skipped.clear();
      for (const TTmpDrawObj *o : chosen)
        if (!DeleteReservation(o->ID)) skipped << o->NUM;
    });
  } catch (const ERefused &e) {
    ShowMessage(e.Text);
    return;
  } catch (const std::exception &e) {
    ShowMessage(FailureText(e, QStringLiteral("Rezervēšanas neizdevās dzēst.")));
    return;
  }
  if (!skipped.isEmpty())
    ShowMessage(QStringLiteral("Šie dokumenti vairs nav rezervēšanas un netika dzēsti: %1")
                    .arg(skipped.join(QStringLiteral(", "))));
  SetModalResult(mrOk);
}
