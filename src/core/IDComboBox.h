#pragma once
// The combo box through which every window offers a choice of a record by ID. Each item
// carries an item object with the record's ID, name and value.
#include <QComboBox>
#include <QPointer>
#include <QVariant>
#include <functional>
#include <memory>
#include <vector>

#include <QCheckBox>

class TcbIntObj {
 public:
  TcbIntObj(int id, const QString &name, double value);
  int ID;
  QString Name;     // at most 255 characters
  double Value;
  QString IDStr;
  QString ValueStr;
};

class TIDComboBox : public QComboBox {
  Q_OBJECT
 public:
  explicit TIDComboBox(QWidget *owner = nullptr);
  ~TIDComboBox() override;

  void AddItem(const QString &caption, int id, const QString &name, double value);
  void Clear();
  TcbIntObj *ObjAt(int index) const;
  TcbIntObj *SelectedObj() const;
  // The index of the last item whose ID (any integer type), Value (float or double) or Name
  // (text, case-sensitive) matches; -1 for any other type of value.
  int IndexOfValue(const QVariant &v) const;
  void SetValue(const QVariant &v);
  int ItemIndex() const { return currentIndex(); }
  void SetItemIndex(int index);

  // The box enables the combo box while checked; OnCheckBoxClick follows every change of the
  // box, by the user or by code (sender: the box; nullptr for the run on assignment).
  QCheckBox *StateCheckBox() const { return m_box; }
  void SetStateCheckBox(QCheckBox *box);
  std::function<void(QObject *sender)> OnCheckBoxClick;

 private:
  void CheckBoxClick(QObject *sender);
  std::vector<std::unique_ptr<TcbIntObj>> m_objects;
  QPointer<QCheckBox> m_box;
  QMetaObject::Connection m_boxConnection;
};
