#pragma once
// List-box items that carry one of the shared row objects.
#include <QListWidgetItem>
#include <memory>

#include "platform/GridObject.h"

class QListWidget;

// A list-box item that owns an attached object (the list widget frees the item and with it
// the object).
class TObjListItem : public QListWidgetItem {
 public:
  TObjListItem(const QString &text, TGridObject *object, QListWidget *list = nullptr)
      : QListWidgetItem(text, list), Object(object) {}
  std::unique_ptr<TGridObject> Object;
};
// The object attached to a list item made by the fillers below (nullptr for other items).
TGridObject *ListItemObject(const QListWidgetItem *item);
template <class T>
T *ListItemObjectAs(const QListWidgetItem *item) {
  return dynamic_cast<T *>(ListItemObject(item));
}
