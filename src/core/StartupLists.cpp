#include "core/ColorList.h"
#include "core/CommonVariables.h"
#include "core/DataLists.h"
#include "core/DataUnit.h"
#include "core/SetupObject.h"
#include "core/Startup.h"

void StartupLoadSetup() {
  TSetupObject &setup = *DATA->Setup;
  setup.Clear();
  setup.SetupQuery = QStringList{QStringLiteral("select * from Setup where NodeID like \"0%\" order by NodeID")};
  setup.SourceDataSet = &DATA->Qtmp;
  setup.Load();
}

void StartupLoadLists() {
  // Text arrays, groups, suppliers, colours: in this order.
  CurrencyNames.LoadFromSQL(QStringLiteral("select ID, NAME from Currencies order by ID"));
  DiscountValues.LoadFromSQL(QStringLiteral("select ID, DVALUE from DiscountGroups order by ID"));
  MeasureNames.LoadFromSQL(QStringLiteral("select ID, NAME from Measures order by ID"));

  TQuery &q = DATA->Qtmp;
  q.SQL = QStringLiteral("select * from CatGroups order by ID, SUBID");
  try {
    q.Open();
    delete Groups;
    Groups = new TGroups(q);
  } catch (...) {
    q.Close();
    throw;
  }
  q.Close();

  delete SupplierList;
  SupplierList = new TIDObj;
  SupplierList->LoadFromSQL(QStringLiteral("select ID, NAME from Suppliers order by NAME"));

  FreeColors();
  Colors = new TColorList(DATA->Setup.get());
}

void StartupClearDefaults() { DefValues.Clear(PriceCount); }

void StartupFreeLists() {
  delete Groups;
  Groups = nullptr;
  delete SupplierList;
  SupplierList = nullptr;
  CurrencyNames.clear();
  DiscountValues.clear();
  MeasureNames.clear();
  DefValues = TDefValues();
}
