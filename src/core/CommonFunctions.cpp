#include "core/CommonFunctions.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "core/CommonVariables.h"
#include "core/Query.h"
#include "platform/Forms.h"
#include "platform/Registry.h"
#include "platform/SysUtils.h"

namespace {

QString FormsKey(QWidget *form) {
  return RegistryRoot + (RegistryRoot.endsWith(QLatin1Char('\\')) ? QString() : QStringLiteral("\\")) +
         QStringLiteral("Forms\\") + form->objectName();
}

// Whether enough of the rectangle lies on one of the screens to take hold of the window.
bool OnSomeScreen(const QRect &rect) {
  const QList<QScreen *> screens = QGuiApplication::screens();
  if (screens.isEmpty()) return true;
  for (const QScreen *screen : screens) {
    const QRect common = screen->availableGeometry().intersected(rect);
    if (common.width() >= 40 && common.height() >= 20) return true;
  }
  return false;
}

int StateOf(QWidget *form) {
  if (form->isMaximized()) return 2;
  if (form->isMinimized()) return 1;
  return 0;
}

}  // namespace

void LoadFormPosition(QWidget *form, bool withSize) {
  try {
    TRegistry reg;
    if (!reg.OpenKey(FormsKey(form), true)) return;
    // Values that are missing are not written here: before its first showing a window has no
    // place yet (it reads 0, 0). It then opens at its designed place, and closing it stores
    // where the user left it. Each value is read on its own: one of the wrong type counts as
    // missing and hides no other.
    auto read = [&reg](const QString &name, int &value) {
      try {
        if (!reg.ValueExists(name)) return false;
        value = reg.ReadInteger(name);
        return true;
      } catch (const ERegistryException &) {
        return false;
      }
    };
    const QRect g = form->geometry();
    int left = 0, top = 0, width = g.width(), height = g.height(), state = 0;
    // Earlier versions stored 0, 0 for every window before it was first shown and kept it on
    // close, so that place stands for "never placed" rather than for the user's choice.
    const bool hasPlace = (read(QStringLiteral("Left"), left) & read(QStringLiteral("Top"), top)) &&
                          (left != 0 || top != 0);
    bool hasSize = false, hasState = false;
    if (withSize) {
      hasSize = read(QStringLiteral("Width"), width) & read(QStringLiteral("Height"), height);
      hasSize = hasSize && width > 0 && height > 0;
      hasState = read(QStringLiteral("State"), state);
    }
    if (hasSize) form->resize(width, height);
    // A place stored on a screen that is gone (a monitor unplugged) would open the window
    // where nobody can see it: it then keeps its designed place.
    if (hasPlace && OnSomeScreen(QRect(left, top, form->width(), form->height()))) {
      form->move(left, top);
      MarkStoredPlace(form);
    }
    if (hasState && state == 2) form->setWindowState(form->windowState() | Qt::WindowMaximized);
    else if (hasState && state == 1) form->setWindowState(form->windowState() | Qt::WindowMinimized);
  } catch (const std::exception &) {
    // placement is a convenience: an unreadable registry leaves the window where it is
  }
}

void SaveFormPosition(QWidget *form, bool withSize) {
  // A window that never reached the screen has no place of its own to keep.
  if (!HasPlace(form) && !form->testAttribute(Qt::WA_Moved)) return;
  try {
    TRegistry reg;
    if (!reg.OpenKey(FormsKey(form), true)) return;
    const int state = StateOf(form);
    const QRect normal = state == 0 ? form->geometry() : form->normalGeometry();
    const QPoint pos = state == 0 ? form->pos() : normal.topLeft();
    reg.WriteInteger(QStringLiteral("Left"), pos.x());
    reg.WriteInteger(QStringLiteral("Top"), pos.y());
    if (withSize) {
      reg.WriteInteger(QStringLiteral("Width"), normal.width());
      reg.WriteInteger(QStringLiteral("Height"), normal.height());
      reg.WriteInteger(QStringLiteral("State"), state);
    }
  } catch (const std::exception &) {
  }
}

void LoadUserTables(TConnection *connection, const QString &prefix) {
  TQuery q(connection);
  UserList.clear();
  LocationList.clear();
  AccGroupList.clear();
  auto flag = [&q](const char *name) { return q.FieldByName(QLatin1String(name)).AsInteger() == 1; };
  auto text = [&q](const char *name) { return q.FieldByName(QLatin1String(name)).AsString(); };
  auto num = [&q](const char *name) { return q.FieldByName(QLatin1String(name)).AsInteger(); };
  auto real = [&q](const char *name) { return q.FieldByName(QLatin1String(name)).AsFloat(); };

  q.SQL = QStringLiteral("select * from ") + prefix + QStringLiteral("Users order by ID");
  q.Open();
  for (q.First(); !q.Eof(); q.Next()) {
    const int id = num("ID");
    TUserRec &u = UserList.Add(id);
    u.ID = id;
    u.LOGIN = text("LOGIN");
    u.NAME = text("NAME");
    u.MOBILE = text("MOBILE");
    u.EMAIL = text("EMAIL");
    u.WPREFIX = text("WPREFIX").left(5);
    u.WMETHOD = static_cast<uint8_t>(num("WMETHOD"));
    u.LOCATION = num("LOCATION");
    u.DIVISION = num("DIVISION");
    u.ISLOCATIONADMIN = flag("ISLOCATIONADMIN");
    u.ISDIVISIONADMIN = flag("ISDIVISIONADMIN");
    u.ISLOCATIONVIEW = flag("ISLOCATIONVIEW");
    u.ISDIVISIONVIEW = flag("ISDIVISIONVIEW");
  }
  q.Close();

  q.SQL = QStringLiteral("select * from ") + prefix + QStringLiteral("UserLocations order by ID");
  q.Open();
  for (q.First(); !q.Eof(); q.Next()) {
    const int id = num("ID");
    TLocationRec &l = LocationList.Add(id);
    l.ID = id;
    l.NAME = text("NAME");
    l.ADDRESS = text("ADDRESS");
    l.PHONE = QStringLiteral("Tel.: ") + text("PHONE");
    l.FAX = QStringLiteral("Fax: ") + text("FAX");
    l.APREFIX = text("APREFIX").left(8);
    l.WPREFIX = text("WPREFIX").left(8);
    l.AMETHOD = static_cast<uint8_t>(num("AMETHOD"));
    l.WMETHOD = static_cast<uint8_t>(num("WMETHOD"));
    l.ISDEALER = flag("ISDEALER");
    l.CUSTOMERLINK = num("CUSTOMERLINK");
    l.DEFCITY = num("DEFCITY");
    l.DISTANCEKM = num("DISTANCEKM");
    l.SHIPPINGPLACE = num("SHIPPINGPLACE");
    l.SHIPPINGCOST = real("SHIPPINGCOST");
    l.OWNWIN = real("OWNWIN");
    l.OWNADD = real("OWNADD");
    l.OWNSILLS = real("OWNSILLS");
    l.CLIENTWIN = real("CLIENTWIN");
    l.CLIENTADD = real("CLIENTADD");
    l.CLIENTSILLS = real("CLIENTSILLS");
  }
  q.Close();

  q.SQL = QStringLiteral("select * from ") + prefix + QStringLiteral("UserAccGroups order by ID");
  q.Open();
  for (q.First(); !q.Eof(); q.Next()) {
    const int id = num("ID");
    TGroupRec &g = AccGroupList.Add(id);
    g.ID = id;
    g.NAME = text("NAME");
    g.ACC = text("ACC");
  }
  q.Close();
}
