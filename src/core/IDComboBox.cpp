#include "core/IDComboBox.h"

#include <QCheckBox>
#include <QSignalBlocker>

#include "platform/SysUtils.h"

TcbIntObj::TcbIntObj(int id, const QString &name, double value)
    : ID(id), Name(name.left(255)), Value(value) {
  IDStr = QString::number(ID);
  ValueStr = FloatToStr(Value);
}

TIDComboBox::TIDComboBox(QWidget *owner) : QComboBox(owner) { setEditable(false); }

TIDComboBox::~TIDComboBox() = default;

void TIDComboBox::AddItem(const QString &caption, int id, const QString &name, double value) {
  m_objects.push_back(std::make_unique<TcbIntObj>(id, name, value));
  const QSignalBlocker block(this);
  // The item carries its object, so that items stay matched with their objects whatever
  // QComboBox call inserts or removes items.
  addItem(caption, QVariant::fromValue(static_cast<void *>(m_objects.back().get())));
  // a list with nothing chosen, as the original starts
  if (count() == 1) setCurrentIndex(-1);
}

void TIDComboBox::Clear() {
  const QSignalBlocker block(this);
  clear();
  m_objects.clear();
}

TcbIntObj *TIDComboBox::ObjAt(int index) const {
  if (index < 0 || index >= count()) return nullptr;
  return static_cast<TcbIntObj *>(itemData(index).value<void *>());
}

TcbIntObj *TIDComboBox::SelectedObj() const { return ObjAt(currentIndex()); }

int TIDComboBox::IndexOfValue(const QVariant &v) const {
  int result = -1;
  const int type = v.typeId();
  for (int i = 0; i < count(); ++i) {
    const TcbIntObj *obj = ObjAt(i);
    if (!obj) continue;
    const TcbIntObj &o = *obj;
    switch (type) {
      // Every integer type compares IDs: an ID read as a 64-bit or unsigned number from the
      // database is still an ID.
      case QMetaType::UChar:
      case QMetaType::Short:
      case QMetaType::Int:
      case QMetaType::UShort:
      case QMetaType::UInt:
      case QMetaType::Long:
      case QMetaType::ULong:
      case QMetaType::LongLong:
      case QMetaType::ULongLong:
        if (v.toLongLong() == o.ID) result = i;
        break;
      case QMetaType::Float:
      case QMetaType::Double:
        if (o.Value == v.toDouble()) result = i;
        break;
      case QMetaType::QString:
        if (o.Name == v.toString()) result = i;
        break;
      default:
        return -1;
    }
  }
  return result;
}

void TIDComboBox::SetValue(const QVariant &v) { SetItemIndex(IndexOfValue(v)); }

void TIDComboBox::SetItemIndex(int index) {
  const QSignalBlocker block(this);
  setCurrentIndex(index);
}

void TIDComboBox::SetStateCheckBox(QCheckBox *box) {
  if (m_box) {
    disconnect(m_boxConnection);
    m_box = nullptr;
    setEnabled(true);
  }
  if (!box) return;
  m_box = box;
  // The box's click event also fires when its state is set by code, as the original's does:
  // the combo box always follows the box.
  m_boxConnection = connect(box, &QCheckBox::toggled, this, [this] { CheckBoxClick(m_box); });
  box->setText(QString());
  box->setFixedWidth(17);
  if (box->parentWidget() == parentWidget() && parentWidget() && !parentWidget()->layout())
    box->move(x() - 16, y() + 2);
  CheckBoxClick(nullptr);
}

void TIDComboBox::CheckBoxClick(QObject *sender) {
  if (m_box) setEnabled(m_box->isChecked());
  if (OnCheckBoxClick) OnCheckBoxClick(sender);
}
