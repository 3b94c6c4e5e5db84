#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <cstdlib>

#include "core/CommonFunctions.h"
#include "core/CommonVariables.h"
#include "core/DataUnit.h"
#include "platform/Forms.h"
#include "platform/Registry.h"
#include "support/TestDatabase.h"

namespace {

class CommonFunctions : public DbTest {
 protected:
  QString FormsKey(const QString &form) { return RegistryRoot + "\\Forms\\" + form; }
};

TEST_F(CommonFunctions, AFirstRunOpensAtTheDesignedPlaceAndLaterRunsWhereTheUserLeftIt) {
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  {
    QWidget form;
    form.setObjectName("WBIn");
    PlaceOnFirstShow(&form, poScreenCenter);
    form.resize(500, 300);
    LoadFormPosition(&form, true);
    // nothing is read back from a window that has not been shown yet
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(FormsKey("WBIn"), false));
    EXPECT_TRUE(reg.GetValueNames().isEmpty());
    form.show();
    EXPECT_LE(std::abs(form.frameGeometry().center().x() - area.center().x()), 8);
    EXPECT_LE(std::abs(form.frameGeometry().center().y() - area.center().y()), 40);
    EXPECT_EQ(form.size(), QSize(500, 300));

    form.move(60, 70);
    form.resize(640, 480);
    SaveFormPosition(&form, true);
  }
  {
    QWidget again;
    again.setObjectName("WBIn");
    PlaceOnFirstShow(&again, poScreenCenter);
    again.resize(100, 100);
    LoadFormPosition(&again, true);
    again.show();
    EXPECT_EQ(again.pos(), QPoint(60, 70));
    EXPECT_EQ(again.size(), QSize(640, 480));
  }
  // A stored size larger than the screen is reduced to fit it, the whole frame on the screen.
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(FormsKey("WBIn"), false));
    reg.WriteInteger("Width", area.width() + 600);
    reg.WriteInteger("Height", area.height() + 400);
  }
  {
    QWidget big;
    big.setObjectName("WBIn");
    PlaceOnFirstShow(&big, poScreenCenter);
    LoadFormPosition(&big, true);
    big.show();
    EXPECT_TRUE(area.contains(big.frameGeometry())) << big.frameGeometry().width();
    EXPECT_LT(big.height(), area.height());
  }
  // Earlier versions stored 0,0 for every window before it was shown and kept it on close:
  // that place is taken as no place, so those windows open at their designed place too.
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(FormsKey("WBIn"), false));
    reg.WriteInteger("Left", 0);
    reg.WriteInteger("Top", 0);
    reg.WriteInteger("Width", 500);
    reg.WriteInteger("Height", 300);
  }
  {
    QWidget upgraded;
    upgraded.setObjectName("WBIn");
    PlaceOnFirstShow(&upgraded, poScreenCenter);
    LoadFormPosition(&upgraded, true);
    upgraded.show();
    EXPECT_LE(std::abs(upgraded.frameGeometry().center().x() - area.center().x()), 8);
    EXPECT_EQ(upgraded.size(), QSize(500, 300));
  }
  // A window that never reached the screen stores nothing.
  {
    QWidget unseen;
    unseen.setObjectName("inf_Material");
    LoadFormPosition(&unseen, false);
    SaveFormPosition(&unseen, false);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(FormsKey("inf_Material"), false));
    EXPECT_TRUE(reg.GetValueNames().isEmpty());
  }

  // A stored maximised state comes back as maximised.
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(FormsKey("WBIn"), false));
    reg.WriteInteger("State", 2);
  }
  QWidget maximised;
  maximised.setObjectName("WBIn");
  LoadFormPosition(&maximised, true);
  EXPECT_TRUE(maximised.windowState() & Qt::WindowMaximized);
}

TEST_F(CommonFunctions, APlaceOnAScreenThatIsGoneKeepsTheDesignedPlace) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(FormsKey("DivazForm"), true));
    reg.WriteInteger("Left", 30000);
    reg.WriteInteger("Top", -30000);
    reg.WriteInteger("Width", 700);
    reg.WriteInteger("Height", 500);
    reg.WriteInteger("State", 0);
  }
  QWidget form;
  form.setObjectName("DivazForm");
  form.move(20, 30);
  form.resize(400, 300);
  LoadFormPosition(&form, true);
  EXPECT_EQ(form.pos(), QPoint(20, 30));
  EXPECT_EQ(form.size(), QSize(700, 500));
}

TEST_F(CommonFunctions, APlacementValueOfTheWrongTypeHidesNoOtherValue) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(FormsKey("WBOut"), true));
    reg.WriteString("Left", "wide");
    reg.WriteInteger("Top", 70);
    reg.WriteInteger("Width", 640);
    reg.WriteInteger("Height", 480);
    reg.WriteInteger("State", 0);
  }
  QWidget form;
  form.setObjectName("WBOut");
  form.move(20, 30);
  form.resize(400, 300);
  LoadFormPosition(&form, true);
  // A place is a pair: without a readable Left the window keeps its designed place, while
  // the size is still read.
  EXPECT_EQ(form.pos(), QPoint(20, 30));
  EXPECT_EQ(form.size(), QSize(640, 480));
}

TEST_F(CommonFunctions, PositionOnlyLeavesTheSizeAlone) {
  QWidget card;
  card.setObjectName("inf_Material");
  card.move(5, 6);
  card.resize(300, 200);
  SaveFormPosition(&card, false);
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(FormsKey("inf_Material"), false));
  EXPECT_EQ(reg.GetValueNames(), QStringList({"Left", "Top"}));
  reg.WriteInteger("Left", 15);
  QWidget other;
  other.setObjectName("inf_Material");
  other.resize(250, 150);
  LoadFormPosition(&other, false);
  EXPECT_EQ(other.pos(), QPoint(15, 6));
  EXPECT_EQ(other.size(), QSize(250, 150));
  EXPECT_FALSE(reg.ValueExists("Width"));
}

TEST_F(CommonFunctions, ServerDatesFollowTheRegistryPattern) {
  const QDate d(2004, 3, 7);
  EXPECT_EQ(FormatServerDate(d), "2004-03-07");  // the program key does not even exist
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey(RegistryRoot, true));
  EXPECT_EQ(FormatServerDate(d), "2004-03-07");
  reg.WriteString("SERVER DATE FORMAT", "dd.mm.yyyy");
  EXPECT_EQ(FormatServerDate(d), "07.03.2004");
  EXPECT_EQ(FormatServerDate(QDateTime(d, QTime(23, 59))), "07.03.2004");
}

TEST_F(CommonFunctions, UserTableIdsKeepAll32BitsWithoutArraysAsLargeAsTheId) {
  Db->Exec("insert into Users (ID, LOGIN, NAME) values (70001, 'w', 'Wide'), (2147483000, 'h', 'High')");
  Db->Exec("insert into UserLocations (ID, NAME) values (65537, 'Valmiera'), (2147483001, 'Far')");
  Db->Exec("insert into UserAccGroups (ID, NAME, ACC) values (2147483002, 'Top', '5710')");
  LoadUserTables(&DATA->DB_Storage, QString());
  EXPECT_EQ(UserList.size(), 3);
  EXPECT_EQ(UserList[70001].ID, 70001);
  EXPECT_EQ(UserList[70001].NAME, "Wide");
  EXPECT_EQ(UserList[70001 - 65536].NAME, "");  // no 16-bit wrap onto another ID
  EXPECT_EQ(UserList[2147483000].NAME, "High");
  EXPECT_EQ(LocationList[65537].ID, 65537);
  EXPECT_EQ(LocationList[1].NAME, "");
  EXPECT_EQ(LocationList[2147483001].NAME, "Far");
  EXPECT_EQ(AccGroupList[2147483002].ID, 2147483002);
  EXPECT_EQ(AccGroupList[2147483002].ACC, "5710");
}

TEST_F(CommonFunctions, UserTablesAreIndexedByIdWithGaps) {
  Db->Exec("insert into Users (ID, LOGIN, NAME, WPREFIX, WMETHOD, ISLOCATIONADMIN, ISDIVISIONVIEW) "
           "values (2, 'b', 'Second', 'ABCDEFG', 3, 1, 2), (5, 'e', 'Fifth', '', 0, 0, 0)");
  Db->Exec("insert into UserLocations (ID, NAME, PHONE, FAX, APREFIX, ISDEALER, SHIPPINGCOST) "
           "values (1, 'Riga', '123', '', '123456789', 1, 12.5), (3, 'Cesis', '', '9', '', 2, 0)");
  LoadUserTables(&DATA->DB_Storage, QString());

  ASSERT_EQ(UserList.size(), 3);  // the rows 1, 2 and 5
  for (int empty : {0, 3, 4, 6}) {
    EXPECT_EQ(UserList[empty].ID, 0);
    EXPECT_EQ(UserList[empty].NAME, "");
  }
  EXPECT_EQ(UserList[1].NAME, "Administrator");
  EXPECT_EQ(UserList[5].NAME, "Fifth");
  EXPECT_EQ(UserList[2].WPREFIX, "ABCDE");  // cut to 5 characters
  EXPECT_EQ(UserList[2].WMETHOD, 3);
  EXPECT_TRUE(UserList[2].ISLOCATIONADMIN);
  EXPECT_FALSE(UserList[2].ISDIVISIONVIEW);  // only 1 is true

  ASSERT_EQ(LocationList.size(), 2);
  EXPECT_EQ(LocationList[1].PHONE, "Tel.: 123");
  EXPECT_EQ(LocationList[1].FAX, "Fax: ");
  EXPECT_EQ(LocationList[1].APREFIX, "12345678");
  EXPECT_TRUE(LocationList[1].ISDEALER);
  EXPECT_DOUBLE_EQ(LocationList[1].SHIPPINGCOST, 12.5);
  EXPECT_EQ(LocationList[3].PHONE, "Tel.: ");
  EXPECT_EQ(LocationList[3].FAX, "Fax: 9");
  EXPECT_FALSE(LocationList[3].ISDEALER);
  EXPECT_EQ(LocationList[2].PHONE, "");  // no row: an empty element

  EXPECT_EQ(AccGroupList.size(), 0);
  EXPECT_EQ(AccGroupList[0].ID, 0);  // an ID without a row reads as the empty element

  // The prefix goes in front of every table name.
  EXPECT_THROW(LoadUserTables(&DATA->DB_Storage, "Old"), EDatabaseError);
}

}  // namespace
