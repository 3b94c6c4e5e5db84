#include "catalogue/inf_SupplierUnit.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/DataUnit.h"
#include "core/MyMsgUnit.h"

namespace {

QLineEdit *AddBox(QGridLayout *grid, int row, const QString &objectName, const QString &label,
                  int maxLength) {
  auto *box = new QLineEdit;
  box->setObjectName(objectName);
  box->setMaxLength(maxLength);
  auto *lbl = new QLabel(label);
  lbl->setBuddy(box);
  grid->addWidget(lbl, row, 0);
  grid->addWidget(box, row, 1);
  return box;
}

}  // namespace

Tinf_Supplier::Tinf_Supplier(QWidget *owner, int id) : TForm(owner), FSupplierID(id) {
  setObjectName(QStringLiteral("inf_Supplier"));
  SetPosition(poScreenCenter);
  setWindowTitle(QStringLiteral("Информация о поставщике"));

  auto *grid = new QGridLayout;
  eName = AddBox(grid, 0, QStringLiteral("eName"), QStringLiteral("Название"), 50);
  ePhones = AddBox(grid, 1, QStringLiteral("ePhones"), QStringLiteral("Телефоны"), 50);
  eJAddr = AddBox(grid, 2, QStringLiteral("eJAddr"), QStringLiteral("Юридический адрес"), 50);
  eFAddr = AddBox(grid, 3, QStringLiteral("eFAddr"), QStringLiteral("Физический адрес"), 50);
  eRegNum = AddBox(grid, 4, QStringLiteral("eRegNum"), QStringLiteral("Рег. номер"), 25);
  eBankCode = AddBox(grid, 5, QStringLiteral("eBankCode"), QStringLiteral("Код банка"), 25);
  eBankName = AddBox(grid, 6, QStringLiteral("eBankName"), QStringLiteral("Название банка"), 50);
  eAccount = AddBox(grid, 7, QStringLiteral("eAccount"), QStringLiteral("Номер счёта"), 25);
  eNotes = AddBox(grid, 8, QStringLiteral("eNotes"), QStringLiteral("Примечания"), 80);
  eLastNum = AddBox(grid, 9, QStringLiteral("eLastNum"), QStringLiteral("Последняя заявка"), 11);
  grid->setColumnMinimumWidth(1, 280);

  BitBtn2 = new QPushButton(QStringLiteral("Отмена"));
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  BitBtn1 = new QPushButton(QStringLiteral("Сохранить"));
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setDefault(true);
  BindModalResult(BitBtn2, mrCancel);
  BindModalResult(BitBtn1, mrOk);
  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(BitBtn2);
  buttons->addWidget(BitBtn1);

  auto *top = new QVBoxLayout(this);
  top->addLayout(grid);
  top->addLayout(buttons);

  if (FSupplierID >= 0) {
    TQuery &q = DATA->Qtmp;
    q.SQL = QStringLiteral("select * from Suppliers where ID=%1").arg(FSupplierID);
    q.Open();
    if (!q.IsEmpty()) {
      eName->setText(q.FieldByName(QStringLiteral("NAME")).AsString());
      ePhones->setText(q.FieldByName(QStringLiteral("PHONES")).AsString());
      eJAddr->setText(q.FieldByName(QStringLiteral("JADDRESS")).AsString());
      eFAddr->setText(q.FieldByName(QStringLiteral("FADDRESS")).AsString());
      eRegNum->setText(q.FieldByName(QStringLiteral("REGNUM")).AsString());
      eBankCode->setText(q.FieldByName(QStringLiteral("BANKCODE")).AsString());
      eBankName->setText(q.FieldByName(QStringLiteral("BANKNAME")).AsString());
      eAccount->setText(q.FieldByName(QStringLiteral("ACCOUNT")).AsString());
      eNotes->setText(q.FieldByName(QStringLiteral("NOTES")).AsString());
      eLastNum->setText(q.FieldByName(QStringLiteral("LASTNUM")).AsString());
    }
    q.Close();
  }
}

bool Tinf_Supplier::CloseQuery(int result) {
  if (result != mrOk) return true;
  if (eName->text().trimmed().isEmpty()) {
    MessageDlg(QStringLiteral("Введите название поставщика!"), TMsgDlgType::mtError, mbOK, this);
    eName->setFocus();
    return false;
  }
  // The last request number is a whole number: an empty box means none yet.
  qint64 lastNum = 0;
  const QString lastText = eLastNum->text().trimmed();
  if (!lastText.isEmpty()) {
    bool ok = false;
    lastNum = lastText.toLongLong(&ok);
    if (!ok || lastNum < INT32_MIN || lastNum > INT32_MAX) {
      ShowMessage(QStringLiteral("Номер последней заявки должен быть целым числом!"));
      eLastNum->setFocus();
      return false;
    }
  }
  // Typed texts go through the literal builder and are stored exactly as typed.
  const QString name = QuoteSQL(eName->text()), jaddr = QuoteSQL(eJAddr->text()),
                faddr = QuoteSQL(eFAddr->text()), phones = QuoteSQL(ePhones->text()),
                regnum = QuoteSQL(eRegNum->text()), bankname = QuoteSQL(eBankName->text()),
                bankcode = QuoteSQL(eBankCode->text()), account = QuoteSQL(eAccount->text()),
                notes = QuoteSQL(eNotes->text()), last = QString::number(lastNum);
  QString sql;
  if (FSupplierID < 0) {
    sql = QStringLiteral(
              "insert into Suppliers (NAME,JADDRESS,FADDRESS,PHONES,REGNUM,BANKNAME,BANKCODE,"
              "ACCOUNT,NOTES,LASTNUM) values(") +
          QStringList{name, jaddr, faddr, phones, regnum, bankname, bankcode, account, notes, last}
              .join(QLatin1Char(',')) +
          QLatin1Char(')');
  } else {
    sql = QStringLiteral("update Suppliers set NAME=") + name + QStringLiteral(",JADDRESS=") +
          jaddr + QStringLiteral(",FADDRESS=") + faddr + QStringLiteral(",PHONES=") + phones +
          QStringLiteral(",REGNUM=") + regnum + QStringLiteral(",BANKNAME=") + bankname +
          QStringLiteral(",BANKCODE=") + bankcode + QStringLiteral(",ACCOUNT=") + account +
          QStringLiteral(",NOTES=") + notes + QStringLiteral(",LASTNUM=") + last +
          QStringLiteral(" where ID=") + QString::number(FSupplierID);
  }
  try {
    ExecSQL(sql);
    SavedID = FSupplierID < 0 ? static_cast<int>(LastInsertID()) : FSupplierID;
  } catch (const EDatabaseError &e) {
    SavedName.clear();
    SavedAddress.clear();
    SavedPhones.clear();
    ShowMessage(FailureText(e, QStringLiteral("Error executing query !!!")));
    return false;
  }
  SavedName = eName->text();
  SavedAddress = eFAddr->text();
  SavedPhones = ePhones->text();
  return true;
}
