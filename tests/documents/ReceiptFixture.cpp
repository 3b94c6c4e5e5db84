#include "ReceiptFixture.h"

#include <QPushButton>
#include <QVariant>

#include "core/ColorList.h"
#include "core/DataLists.h"
#include "core/DataUnit.h"
#include "core/IDComboBox.h"
#include "core/InputFormUnit.h"
#include "core/SetupObject.h"
#include "core/Startup.h"
#include "documents/DivazInPickerUnit.h"
#include "documents/DivazInUnit.h"
#include "platform/CalcEdit.h"
#include "support/Fixtures.h"
#include "support/ScriptedDialogs.h"

void ReceiptTest::SetUp() {
  DbTest::SetUp();
  Db->Exec("insert into Currencies (ID, NAME, RATE) values (0, \"EUR\", 1), (1, \"USD\", 0.8)");
  Db->Exec("insert into DiscountGroups (ID, NAME, DVALUE) values (0, \"none\", 0), (1, \"ten\", 10)");
  Db->Exec("insert into Measures (ID, NAME) values (1, \"шт\"), (2, \"м\")");
  fx::Group(1, "Profiles");
  fx::Subgroup(1, 1, "Pine", 5);
  fx::Subgroup(1, 2, "Oak");
  fx::Group(2, "Glass");
  Timber = fx::Supplier("Timber");
  Glass = fx::Supplier("Glass");
  Paints = fx::Supplier("Paints");
  Db->Exec(QStringLiteral("update Suppliers set LASTNUM=4 where ID=%1").arg(Glass));
  Db->Exec(QStringLiteral("update Suppliers set LASTNUM=NULL where ID=%1").arg(Paints));
  Pine = fx::Material("Pine beam", Timber, 0, 1, 1, 2, 10);
  Db->Exec(QStringLiteral("update Catalog set CURRENCY=1, DISCOUNTGROUP=1, MEASURE=2, PACKUNITSIZE=2, "
                          "SMALLPACK=3, BIGPACK=10 where ID=%1").arg(Pine));
  Oak = fx::Material("Oak frame", Timber, 1, 1, 2, 2, 0);
  Db->Exec(QStringLiteral("update Catalog set PRICE3=20 where ID=%1").arg(Oak));
  Pane = fx::Material("Pane 4mm", Glass, 0, 2, 0, 0, 5);
  Lacquer = fx::Material("Lacquer", Paints, 0, 2, 0, 0, 3);

  // Setup tree: three profile systems; system 2 has colour groups 0-3 (kinds 0, 1, 3, 0),
  // each with colours 0-7.
  QStringList rows = {"(\"0\", \"Systems\", 0)", "(\"00\", \"S0\", 0)", "(\"01\", \"S1\", 0)",
                      "(\"02\", \"S2\", 0)", "(\"020\", \"Main\", 0)", "(\"0200\", \"Groups\", 0)"};
  const int kinds[4] = {0, 1, 3, 0};
  for (int g = 0; g < 4; ++g) {
    rows << QStringLiteral("(\"0200%1\", \"Group %1\", %2)").arg(g).arg(kinds[g]);
    for (int c = 0; c < 8; ++c) rows << QStringLiteral("(\"0200%1%2\", \"C%1.%2\", 0)").arg(g).arg(c);
  }
  Db->ExecSetup("insert into Setup (NODEID, CAPTION, BDATA) values " + rows.join(','));

  DATA->DB_Storage.Exec("use " + Db->Setup);
  StartupLoadSetup();
  DATA->DB_Storage.Exec("use " + Db->Main);
  StartupLoadLists();
  LastDiscount = 0;
}

void ReceiptTest::TearDown() {
  DbTest::TearDown();
  StartupFreeLists();
  FreeColors();
}

void Choose(TIDComboBox *combo, int id) {
  const int index = combo->IndexOfValue(QVariant(id));
  ASSERT_GE(index, 0) << "no item with ID " << id;
  combo->setCurrentIndex(index);
  emit combo->activated(index);
}

void EnterHeader(TDivazIn *e, int supplier, const QString &num, int currency) {
  Choose(e->IDcb_Supplier, supplier);
  Choose(e->IDcb_Currency, currency);
  e->Edit1->setText(num);
  e->BitBtn2->click();
}

bool PickMaterial(TDivazIn *e, const QString &name, int color) {
  const TBlockQuery *q = e->DBGrid1->DataSet();
  for (int r = 0; r < q->RecordCount(); ++r) {
    if (q->Field(r, "NAME").AsString() != name) continue;
    if (color != -2 && q->Field(r, "COLOR").AsInteger() != color) continue;
    e->DBGrid1->SetRecord(r);
    return true;
  }
  return false;
}

void AddLine(TDivazIn *e, const QString &name, double qty, double price) {
  ASSERT_TRUE(PickMaterial(e, name)) << name.toStdString();
  e->Qty->setText(QString::number(qty));
  if (price >= 0) e->Price->setText(QString::number(price));
  e->AddBtn->click();
}

void AnswerNumber(const QString &text) {
  Script().OnModal("InputForm", [text](QDialog *d) {
    auto *f = static_cast<TInputForm *>(d);
    f->Rx1->setText(text);
    f->BitBtn1->click();
    return mrNone;
  });
}
