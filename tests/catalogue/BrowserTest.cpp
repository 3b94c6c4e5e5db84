#include <gtest/gtest.h>

#include <QBuffer>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>

#include "CatalogueFixture.h"
#include "catalogue/DivazUnit.h"
#include "catalogue/StorageModel.h"
#include "core/ColorList.h"
#include "core/CommonVariables.h"
#include "core/DataLists.h"
#include "core/DataUnit.h"
#include "core/IDComboBox.h"
#include "platform/Registry.h"
#include "support/Fixtures.h"
#include "support/ScriptedDialogs.h"

namespace {

void Choose(TIDComboBox *combo, const QString &text) {
  const int i = combo->findText(text);
  ASSERT_GE(i, 0) << text.toStdString();
  combo->setCurrentIndex(i);
  emit combo->activated(i);
}

void PressEnter(QWidget *w) {
  QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
  QApplication::sendEvent(w, &press);
}

QStringList ComboTexts(const TIDComboBox *c) {
  QStringList out;
  for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
  return out;
}

class Browser : public CatalogueTest {
 protected:
  void SetUp() override {
    CatalogueTest::SetUp();
    // Pine (minimum 5): one material with 4.7 in stock, one without stock (system 1).
    pine68 = fx::Material(QStringLiteral("Pine 68x78"), Sup1, 0, 1, 1, 0, 12.5);
    pine78 = fx::Material(QStringLiteral("Pine 78x78"), Sup1, 0, 1, 1, 1);
    oak = fx::Material(QStringLiteral("Oak 68"), Sup2, 0, 1, 2, 0);
    glass = fx::Material(QStringLiteral("Float 4mm"), Sup2, 0, 2, 0, 0);
    // Seals (minimum 10): a coloured material, White 20 and Brown 4.
    seal = fx::Material(QStringLiteral("Seal \"Pro\" 5\\8"), Sup1, 1, 3, 1, 0);
    Db->Exec(QStringLiteral("update Catalog set MEASURE=2, CURRENCY=1, DISCOUNTGROUP=1, "
                            "COMMENTS='for sashes' where ID=%1").arg(oak));
    const int r1 = fx::Receipt(QDate(2024, 1, 5), QStringLiteral("R-1"), Sup1);
    fx::Lot(r1, pine68, -1, 4.7, 2.0);
    fx::Lot(r1, oak, -1, 2, 3.0);
    fx::Lot(r1, seal, white, 12, 1.5);
    const int r2 = fx::Receipt(QDate(2024, 2, 5), QStringLiteral("R-2"), Sup1);
    fx::Lot(r2, seal, white, 8, 1.75);
    fx::Lot(r2, seal, brown, 4, 3.0);
  }
  int pine68 = 0, pine78 = 0, oak = 0, glass = 0, seal = 0;
  const int white = MakeColorCode(0, 0, 0, 0), brown = MakeColorCode(0, 0, 1, 0);
};

TEST_F(Browser, CatalogueModeNarrowsByGroupSubgroupAndSearch) {
  TDivazForm form;
  form.show();
  EXPECT_EQ(form.windowTitle(),
            "DI Vidududiz 1.1 / КАТАЛОГ + ПРОИЗВОДСТВЕННЫЕ ОСТАТКИ [Пользователь: Administrator]");
  EXPECT_EQ(GridColumn(form, "NAME"),
            QStringList({"Pine 68x78", "Pine 78x78", "Oak 68", "Float 4mm", "Seal \"Pro\" 5\\8"}));
  // sums over colours, an empty quantity without stock rows; names of the value lists
  EXPECT_EQ(GridColumn(form, "QUANTITY"), QStringList({"4.7", "", "2", "", "24"}));
  EXPECT_EQ(GridColumn(form, "PRICE0"), QStringList({"12.5000", "0.0000", "0.0000", "0.0000", "0.0000"}));
  EXPECT_EQ(GridColumn(form, "CURRENCY")[2], "USD");
  EXPECT_EQ(GridColumn(form, "MEASURE")[2], "m");
  EXPECT_EQ(GridColumn(form, "DISCOUNTGROUP")[2], "15%");
  EXPECT_EQ(GridColumn(form, "SUPPLIER"), QStringList({"Timber Ltd", "Timber Ltd", "Glass & Co", "Glass & Co", "Timber Ltd"}));
  // red: no stock under a minimum of 5, one colour below 10 although the total is 24;
  // not red: 4.7 against 5 (rounds to 0), no minimum
  EXPECT_FALSE(GridRed(form, 0));
  EXPECT_TRUE(GridRed(form, 1));
  EXPECT_FALSE(GridRed(form, 2));
  EXPECT_FALSE(GridRed(form, 3));
  EXPECT_TRUE(GridRed(form, 4));
  EXPECT_TRUE(form.AddBitBtn->isEnabled());
  EXPECT_FALSE(form.InfoBtn->isEnabled());
  EXPECT_FALSE(form.SpeedButton2->isEnabled());
  EXPECT_FALSE(form.IDcb_SubGrp->isEnabled());
  EXPECT_EQ(form.IDcb_SubGrp->count(), 0);

  Choose(form.IDcb_Grp, "Profiles");
  EXPECT_EQ(form.GetFilter(), "c.CATGROUP=1 ");
  EXPECT_TRUE(form.IDcb_SubGrp->isEnabled());
  EXPECT_EQ(ComboTexts(form.IDcb_SubGrp), QStringList({"[Все подруппы]", "Pine", "Oak"}));
  EXPECT_EQ(form.IDcb_SubGrp->currentIndex(), 0);
  EXPECT_EQ(GridColumn(form, "NAME"), QStringList({"Pine 68x78", "Pine 78x78", "Oak 68"}));

  Choose(form.IDcb_SubGrp, "Pine");
  EXPECT_EQ(GridColumn(form, "NAME"), QStringList({"Pine 68x78", "Pine 78x78"}));
  Choose(form.IDcb_SubGrp, "[Все подруппы]");
  EXPECT_EQ(form.GetFilter(), "c.CATGROUP=1 ");

  // a group without subgroups still offers the all-subgroups item
  Choose(form.IDcb_Grp, "Glass");
  EXPECT_EQ(ComboTexts(form.IDcb_SubGrp), QStringList({"[Все подруппы]"}));
  EXPECT_EQ(GridColumn(form, "NAME"), QStringList({"Float 4mm"}));

  // a search runs over all groups and resets the group choice
  form.Edit1->setText("68");
  form.FindBtn->click();
  EXPECT_EQ(form.IDcb_Grp->currentIndex(), 0);
  EXPECT_FALSE(form.IDcb_SubGrp->isEnabled());
  EXPECT_EQ(form.IDcb_SubGrp->count(), 0);
  EXPECT_EQ(GridColumn(form, "NAME"), QStringList({"Pine 68x78", "Oak 68"}));
  // the comments are searched too, and the unit narrows the search
  form.Edit1->setText("sash");
  emit form.Edit1->returnPressed();
  EXPECT_EQ(GridColumn(form, "NAME"), QStringList({"Oak 68"}));
  form.Edit1->setText("");
  Choose(form.IDcb_Measure, "m");
  EXPECT_EQ(GridColumn(form, "NAME"), QStringList({"Oak 68"}));
  Choose(form.IDcb_Measure, "");
  EXPECT_EQ(GridColumn(form, "NAME").size(), 5);
}

TEST_F(Browser, SearchTextsAreMatchedAsTypedWithWildcards) {
  TDivazForm form;
  form.show();
  const auto search = [&](const QString &text) {
    form.Edit1->setText(text);
    form.FindBtn->click();
    return GridColumn(form, "NAME");
  };
  EXPECT_EQ(search("Pine%78"), QStringList({"Pine 68x78", "Pine 78x78"}));
  EXPECT_EQ(search("_ak"), QStringList({"Oak 68"}));
  EXPECT_EQ(search("\"Pro\" 5\\8"), QStringList({"Seal \"Pro\" 5\\8"}));
  EXPECT_EQ(search("x\"); delete from Catalog; --"), QStringList());
  EXPECT_EQ(search("back\\"), QStringList());
  // no text, or nothing but '%', lists every material, also one without comments
  Db->Exec(QStringLiteral("update Catalog set COMMENTS=NULL where ID=%1").arg(glass));
  const QStringList all = search("");
  EXPECT_EQ(all.size(), 5);
  EXPECT_EQ(search("%%"), all);
  EXPECT_TRUE(Script().Messages().isEmpty());
  EXPECT_EQ(fx::Count("Catalog"), 5);
}

TEST_F(Browser, SystemButtonsNarrowToPressedSystems) {
  TDivazForm form;
  form.show();
  ASSERT_EQ(form.FSystemButtons.size(), 3);
  QToolButton *all = form.FSystemButtons[0], *sys0 = form.FSystemButtons[1], *sys1 = form.FSystemButtons[2];
  EXPECT_TRUE(all->isChecked());
  EXPECT_EQ(sys0->toolTip(), "Pine line");
  EXPECT_EQ(all->toolTip(), "Все");
  // no glyph rows in Images: the buttons simply have no image
  EXPECT_TRUE(all->icon().isNull());
  EXPECT_EQ(form.SystemsClause(), "");

  sys1->click();
  EXPECT_FALSE(all->isChecked());
  EXPECT_EQ(form.SystemsClause(), " c.SYSTEMID in (1)");
  EXPECT_EQ(GridColumn(form, "NAME"), QStringList({"Pine 78x78"}));
  sys0->click();
  EXPECT_EQ(form.SystemsClause(), " c.SYSTEMID in (0,1)");
  EXPECT_EQ(form.ReportSystemsClause(), " and c.SYSTEMID in (0,1)");
  // with a group the conditions combine
  Choose(form.IDcb_Grp, "Profiles");
  Choose(form.IDcb_SubGrp, "Pine");
  EXPECT_EQ(GridColumn(form, "NAME"), QStringList({"Pine 68x78", "Pine 78x78"}));
  sys1->click();
  EXPECT_EQ(GridColumn(form, "NAME"), QStringList({"Pine 68x78"}));
  // releasing the last system brings All back
  sys0->click();
  EXPECT_TRUE(all->isChecked());
  EXPECT_EQ(GridColumn(form, "NAME"), QStringList({"Pine 68x78", "Pine 78x78"}));
  sys0->click();
  sys1->click();
  all->click();
  EXPECT_TRUE(all->isChecked());
  EXPECT_FALSE(sys0->isChecked());
  EXPECT_FALSE(sys1->isChecked());
  EXPECT_EQ(form.SystemsClause(), "");
}

TEST_F(Browser, GlyphsComeFromImagesAndASetupWithoutSystemsHasNoButtons) {
  QImage image(16, 16, QImage::Format_RGB32);
  image.fill(Qt::darkGreen);
  QByteArray bmp;
  QBuffer buffer(&bmp);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "BMP");
  ExecSQL("insert into Images (ID, BITMAP) values (2, unhex(\"" + QString::fromLatin1(bmp.toHex()) + "\"))");
  ExecSQL("insert into Images (ID, BITMAP) values (1, \"not a bitmap\")");
  {
    TDivazForm form;
    form.show();
    ASSERT_EQ(form.FSystemButtons.size(), 3);
    EXPECT_TRUE(form.FSystemButtons[0]->icon().isNull());
    EXPECT_FALSE(form.FSystemButtons[1]->icon().isNull());
    EXPECT_EQ(GridColumn(form, "NAME").size(), 5);
  }
  Db->ExecSetup("delete from Setup where NODEID like \"0%\"");
  LoadLists();
  TDivazForm form;
  form.show();
  EXPECT_TRUE(form.FSystemButtons.isEmpty());
  EXPECT_EQ(form.SystemsClause(), "");
  EXPECT_EQ(GridColumn(form, "NAME").size(), 5);
}

TEST_F(Browser, StockModeListsOpenLotsPerColourAndFiltersCritical) {
  TDivazForm form;
  form.show();
  Choose(form.IDcb_Grp, "Seals");
  form.SpeedButton2->click();  // disabled in catalogue mode: nothing happens
  EXPECT_FALSE(form.SpeedButton2->isChecked());
  form.SpeedButton1->click();
  EXPECT_EQ(ViewMode, 1);
  EXPECT_EQ(form.windowTitle(), "DI Vidududiz 1.1 / ОСТАТКИ МАТЕРИАЛОВ [Пользователь: Administrator]");
  EXPECT_FALSE(form.AddBitBtn->isEnabled());
  EXPECT_FALSE(form.ChangeBitBtn->isEnabled());
  EXPECT_TRUE(form.InfoBtn->isEnabled());
  EXPECT_TRUE(form.SpeedButton2->isEnabled());
  // the group filter carries over: one row per colour, the highest open lot price (the two
  // rows of one material come in no particular order)
  QStringList rows;
  for (int r = 0; r < form.Model->rowCount(); ++r)
    rows << QStringList({GridColumn(form, "COLOR")[r], GridColumn(form, "QUANTITY")[r], GridColumn(form, "PRICE")[r],
                         GridColumn(form, "MEASURE")[r], GridRed(form, r) ? "red" : "black"})
                .join(' ');
  rows.sort();
  EXPECT_EQ(rows, QStringList({"Brown 4 3.00 EUR pcs red", "White 20 1.75 EUR pcs black"}));

  Choose(form.IDcb_Grp, "[Все группы]");
  EXPECT_EQ(GridColumn(form, "NAME"),
            QStringList({"Pine 68x78", "Oak 68", "Seal \"Pro\" 5\\8", "Seal \"Pro\" 5\\8"}));
  // a material without colour has an empty colour cell
  EXPECT_EQ(GridColumn(form, "COLOR")[0], "");
  // critical: the exact difference counts (4.7 against 5), red only when it rounds below 0
  form.SpeedButton2->click();
  EXPECT_EQ(GridColumn(form, "NAME"), QStringList({"Pine 68x78", "Seal \"Pro\" 5\\8"}));
  EXPECT_FALSE(GridRed(form, 0));
  EXPECT_TRUE(GridRed(form, 1));

  // back to the catalogue: the critical button keeps its state while disabled
  form.SpeedButton1->click();
  EXPECT_EQ(ViewMode, 0);
  EXPECT_EQ(form.windowTitle(), "DI Vidududiz 1.1 / КАТАЛОГ МАТЕРИАЛОВ [Пользователь: Administrator]");
  EXPECT_FALSE(form.SpeedButton2->isEnabled());
  EXPECT_TRUE(form.SpeedButton2->isChecked());
  EXPECT_EQ(GridColumn(form, "NAME").size(), 5);
  form.SpeedButton1->click();
  EXPECT_EQ(GridColumn(form, "NAME").size(), 2);

  // a stock row whose lots are used up is no longer listed
  CheckLedger = false;
  Db->Exec(QStringLiteral("update WaybillCont set QTYOUT=QUANTITY where CATID=%1 and COLOR=%2").arg(seal).arg(brown));
  form.SpeedButton2->click();
  EXPECT_EQ(GridColumn(form, "NAME"), QStringList({"Pine 68x78", "Oak 68", "Seal \"Pro\" 5\\8"}));

  // two stock rows of one material and colour (a colour-flag change leaves them until the
  // clean-up) are one row: the first of them, or under the critical filter the one below the
  // minimum
  fx::StockRow(seal, white, 3);
  form.RefreshCatalog();
  EXPECT_EQ(GridColumn(form, "NAME"), QStringList({"Pine 68x78", "Oak 68", "Seal \"Pro\" 5\\8"}));
  EXPECT_EQ(GridColumn(form, "QUANTITY")[2], "20");
  form.SpeedButton2->click();
  EXPECT_EQ(GridColumn(form, "NAME"), QStringList({"Pine 68x78", "Seal \"Pro\" 5\\8"}));
  EXPECT_EQ(GridColumn(form, "QUANTITY")[1], "3");
  EXPECT_EQ(GridColumn(form, "PRICE")[1], "1.75 EUR");
}

TEST_F(Browser, PopupsOpenForTheRowsThatHaveStock) {
  TDivazForm form;
  form.show();
  QStringList titles;
  const auto record = [&](QDialog *d) {
    titles << d->findChild<QLabel *>("lblName")->text();
    return mrCancel;
  };
  // catalogue mode: the material without stock rows opens nothing
  form.DBGrid1->setCurrentIndex(form.Model->index(1, 0));
  PressEnter(form.DBGrid1);
  EXPECT_TRUE(Script().ModalShown.isEmpty());
  EXPECT_TRUE(Script().Messages().isEmpty());
  form.DBGrid1->setCurrentIndex(form.Model->index(4, 0));
  Script().OnModal("inf_MatInfo", record);
  PressEnter(form.DBGrid1);
  EXPECT_EQ(Script().ModalShown, QStringList({"inf_MatInfo"}));

  // stock mode: the lot window of the row's material and colour; a double click does nothing
  form.SpeedButton1->click();
  Choose(form.IDcb_Grp, "Seals");
  const int whiteRow = GridColumn(form, "COLOR").indexOf("White");
  ASSERT_GE(whiteRow, 0);
  form.DBGrid1->setCurrentIndex(form.Model->index(whiteRow, 0));
  emit form.DBGrid1->doubleClicked(form.Model->index(whiteRow, 0));
  EXPECT_EQ(Script().ModalShown.size(), 1);
  Script().OnModal("inf_MatSupplyInfo", record);
  form.InfoBtn->click();
  EXPECT_EQ(Script().ModalShown.last(), "inf_MatSupplyInfo");
  EXPECT_EQ(titles.last(), "Seal \"Pro\" 5\\8 (White)");
}

TEST_F(Browser, CardCommandsFollowTheModeAndTheList) {
  TDivazForm form;
  form.show();
  Choose(form.IDcb_Grp, "Profiles");
  Choose(form.IDcb_SubGrp, "Oak");
  // a saved card re-reads the subgroup and moves to the saved name
  Script().OnModal("inf_Material", [](QDialog *d) {
    d->findChild<QLineEdit *>("eName")->setText("OAK 78");
    d->findChild<QPushButton *>("BitBtn1")->click();
    return mrNone;
  });
  form.ChangeBitBtn->click();
  EXPECT_EQ(GridColumn(form, "NAME"), QStringList({"OAK 78"}));
  // a new card opens empty even on an empty list; the card button then does nothing
  Choose(form.IDcb_Grp, "Seals");
  form.Edit1->setText("nothing like this");
  form.FindBtn->click();
  ASSERT_EQ(form.Model->rowCount(), 0);
  form.ChangeBitBtn->click();
  EXPECT_EQ(Script().ModalShown.size(), 1);
  QString shownName = "?";
  Script().OnModal("inf_Material", [&](QDialog *d) {
    shownName = d->findChild<QLineEdit *>("eName")->text();
    return mrCancel;
  });
  form.AddBitBtn->click();
  EXPECT_EQ(Script().ModalShown.size(), 2);
  EXPECT_EQ(shownName, "");
  // no card in stock mode
  form.SpeedButton1->click();
  form.AddBitBtnClick(0);
  EXPECT_EQ(Script().ModalShown.size(), 2);
}

TEST_F(Browser, WindowPlacementIsKeptInTheRegistry) {
  {
    TDivazForm form;
    form.show();
    form.setGeometry(40, 50, 900, 640);
    form.close();
  }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(RegistryRoot + "\\Forms\\DivazForm", false));
  EXPECT_EQ(reg.ReadInteger("Width"), 900);
  EXPECT_EQ(reg.ReadInteger("Height"), 640);
  TDivazForm again;
  EXPECT_EQ(again.width(), 900);
  EXPECT_EQ(again.height(), 640);
}

}  // namespace

namespace {

// The share of reddish pixels in a cell as the grid paints it.
int RedPixels(TDivazForm &form, int row, const QString &field) {
  int column = -1;
  for (int i = 0; i < form.Model->Columns().size(); ++i)
    if (form.Model->Columns()[i].Field == field) column = i;
  const QRect cell = form.DBGrid1->visualRect(form.Model->index(row, column));
  const QImage image = form.DBGrid1->viewport()->grab(cell).toImage();
  int red = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      if (c.red() > 150 && c.green() < 100 && c.blue() < 100) ++red;
    }
  return red;
}

TEST_F(Browser, ACriticalQuantityStaysRedOnTheSelectedRow) {
  TDivazForm form;
  form.resize(900, 500);
  form.show();
  form.SpeedButton1->click();
  form.SpeedButton2->click();
  ASSERT_EQ(GridColumn(form, "NAME"), QStringList({"Pine 68x78", "Seal \"Pro\" 5\\8"}));
  ASSERT_TRUE(GridRed(form, 1));
  // Unselected and then selected, the critical quantity is drawn red; the other row's is not.
  form.DBGrid1->setCurrentIndex(form.Model->index(0, 0));
  EXPECT_GT(RedPixels(form, 1, "QUANTITY"), 5);
  EXPECT_EQ(RedPixels(form, 0, "QUANTITY"), 0);
  form.DBGrid1->setCurrentIndex(form.Model->index(1, 0));
  ASSERT_TRUE(form.DBGrid1->selectionModel()->isRowSelected(1, QModelIndex()));
  EXPECT_GT(RedPixels(form, 1, "QUANTITY"), 5);
  EXPECT_EQ(RedPixels(form, 1, "NAME"), 0);
  // Every column title shows whole, in both modes.
  for (int mode = 0; mode < 2; ++mode) {
    QHeaderView *header = form.DBGrid1->horizontalHeader();
    for (int c = 0; c < header->count(); ++c)
      if (!header->isSectionHidden(c))
        EXPECT_GE(header->sectionSize(c), header->sectionSizeHint(c))
            << form.Model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString().toStdString();
    form.SpeedButton1->click();
  }
}

// A catalogue far longer than a screen: the grid shows every material's own figures in the
// list's order wherever it is, finds it by name, and shows the figures of the latest refresh.
class LongBrowser : public CatalogueTest {};

TEST_F(LongBrowser, EveryRowShowsItsOwnMaterialAndARefreshShowsNewFigures) {
  CheckLedger = false;  // stock rows without lots: only the grid is under test
  constexpr int count = 650;
  // materials entered in the reverse of their names' order, stock n % 10 against a minimum of 5
  QStringList materials, stock, names, quantities;
  for (int n = count; n >= 1; --n)
    materials << QStringLiteral("(%1, 'Bar %2', 1, 1)").arg(count + 1 - n).arg(n, 4, 10, QLatin1Char('0'));
  for (int n = 1; n <= count; ++n) {
    stock << QStringLiteral("(%1, -1, %2, 0, 0)").arg(count + 1 - n).arg(n % 10);
    names << QStringLiteral("Bar %1").arg(n, 4, 10, QLatin1Char('0'));
    quantities << QString::number(n % 10);
  }
  Db->Exec(QStringLiteral("insert into Catalog (ID, NAME, CATGROUP, SUBGROUP) values ") + materials.join(','));
  Db->Exec(QStringLiteral("insert into CatalogQty (CATID, COLOR, QUANTITY, RESERVE, LASTWBID) values ") +
           stock.join(','));

  TDivazForm form;
  form.show();
  ASSERT_EQ(GridColumn(form, "NAME"), names);
  EXPECT_EQ(GridColumn(form, "QUANTITY"), quantities);
  EXPECT_TRUE(GridRed(form, 603));   // Bar 0604: 4 against 5
  EXPECT_FALSE(GridRed(form, 606));  // Bar 0607: 7

  form.LocateName("bar 0640");
  EXPECT_EQ(form.CurrentRow(), 639);
  EXPECT_EQ(form.CurrentField("ID").toInt(), count + 1 - 640);
  EXPECT_EQ(form.CurrentField("CATGROUP").toInt(), 1);
  EXPECT_EQ(form.CurrentField("QUANTITY").toString(), "0");

  Db->Exec(QStringLiteral("update CatalogQty set QUANTITY=42 where CATID=%1").arg(count + 1 - 640));
  form.RefreshCatalog();
  quantities[639] = "42";
  EXPECT_EQ(GridColumn(form, "QUANTITY"), quantities);
  EXPECT_FALSE(GridRed(form, 639));
}

}  // namespace
