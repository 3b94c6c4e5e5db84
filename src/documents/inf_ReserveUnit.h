#pragma once
// The list of reservations due today or earlier; the checked ones are cancelled in one step.
#include <QString>
#include <QStyledItemDelegate>

#include "platform/Forms.h"

class QLabel;
class QListWidget;
class QPushButton;

// One listed reservation.
class TTmpDrawObj {
 public:
  TTmpDrawObj(int id, const QString &dateText, const QString &num, const QString &ordLink)
      : ID(id), DateText(dateText), NUM(num), ORDLINK(ordLink) {}
  int ID;
  QString DateText;
  QString NUM;
  QString ORDLINK;
};

class Tinf_Reserve : public TForm {
  Q_OBJECT
 public:
  explicit Tinf_Reserve(QWidget *owner);
  ~Tinf_Reserve() override;

  QLabel *Label1;
  QLabel *Label2;
  QLabel *Label3;
  QListWidget *ChkLB1;
  QPushButton *BitBtn1;  // OK
  QPushButton *BitBtn2;  // cancel

  // The object of item index (nullptr when none).
  TTmpDrawObj *ItemObject(int index) const;

  void FormShow();
  void BitBtn1Click();

 protected:
  void showEvent(QShowEvent *event) override;

 private:
  std::vector<TTmpDrawObj *> m_objects;
  bool m_shown = false;
};
