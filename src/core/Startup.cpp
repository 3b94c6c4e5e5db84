#include "core/Startup.h"

#include <QDir>
#include <QFile>
#include <cstdio>

#include "core/CommonFunctions.h"
#include "core/CommonVariables.h"
#include "core/DataUnit.h"
#include "core/MyMsgUnit.h"
#include "core/SchemaCheck.h"
#include "platform/Dialogs.h"
#include "platform/Registry.h"

const QString KeyFileName = QStringLiteral("PX11key.sys");
const QString AppTitle = QStringLiteral("Warehouse for Velmo");

namespace {

const char *kDbUser = WAREHOUSE_DB_USER;
const char *kDbPassword = WAREHOUSE_DB_PASSWORD;

TStartupResult Fail(TStartupOutcome outcome, const QString &message) {
  std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
  std::fflush(stderr);
  Dialogs().MessageBox(nullptr, ApplicationTitle(), message, TMsgDlgType::mtError, mbOK);
  return {outcome, message};
}

void OpenOn(const QString &database) {
  TConnection &c = DATA->DB_Storage;
  if (c.Connected()) c.Disconnect();
  c.Database = database;
  c.Connect();
}

}  // namespace

TStartupResult RunStartup(const QString &workingFolder) {
  // 1. The key file names the program's registry key.
  RegistryRoot = RegistryBase;
  {
    QFile key(QDir(workingFolder).filePath(KeyFileName));
    if (!key.open(QIODevice::ReadOnly))
      return Fail(TStartupOutcome::KeyFileError,
                  QStringLiteral("I/O error: cannot read the key file %1 (%2)")
                      .arg(KeyFileName, key.errorString()));
    QString line = QString::fromUtf8(key.readLine());
    if (line.startsWith(QChar(0xFEFF))) line.remove(0, 1);  // saved by an editor that marks UTF-8
    while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r'))) line.chop(1);
    const int bar = line.indexOf(QLatin1Char('|'));
    if (bar >= 0) RegistryRoot += line.left(bar);
  }

  // 2. Title, message-box settings, the data module.
  SetApplicationTitle(AppTitle);
  InitMessageBoxSettings();
  delete DATA;
  DATA = new TDATA;
  ViewMode = 0;

  // 3. Connection settings from the program key.
  try {
    TRegistry reg;
    if (!reg.KeyExists(RegistryRoot) || !reg.OpenKey(RegistryRoot, false))
      return Fail(TStartupOutcome::RegistryKeyMissing,
                  QStringLiteral("The registry key do not exists. Please create one!"));
    TConnection &c = DATA->DB_Storage;
    c.User = QString::fromLatin1(kDbUser);
    c.Password = QString::fromLatin1(kDbPassword);
    c.HostName = reg.ReadString(QStringLiteral("SERVER HOST"));
    c.Port = reg.ReadString(QStringLiteral("SERVER PORT"));
    DATA->MainDatabase = reg.ReadString(QStringLiteral("DATABASE NAME"));
    c.Database = DATA->MainDatabase;
    DATA->SetupDatabase = reg.ReadString(QStringLiteral("DATABASE NAME (SETUP)"));
    reg.CloseKey();
  } catch (const ERegistryException &e) {
    return Fail(TStartupOutcome::RegistryKeyMissing, QString::fromUtf8(e.what()));
  }

  // 4. The main database.
  try {
    OpenOn(DATA->MainDatabase);
  } catch (const std::exception &) {
    return Fail(TStartupOutcome::ConnectFailed,
                QStringLiteral("Can not connect to database. Application terminated."));
  }

  try {
    // A database of an existing installation that was not upgraded would fail the first save
    // of most documents: it is refused before anything else reads it.
    const QStringList missing = MissingProgramSchema(DATA->DB_Storage);
    if (!missing.isEmpty())
      return Fail(TStartupOutcome::SchemaMissing, MissingSchemaMessage(DATA->MainDatabase, missing));

    // 5. Users; the current user is the one with ID 1.
    LoadUserTables(&DATA->DB_Storage, QString());
    CurrentUser = UserList[1];

    // 6. The setup database, its tree and the VAT rate, as one guarded step.
    DATA->DB_Storage.Disconnect();
    DATA->DB_Storage.Database = DATA->SetupDatabase;
    try {
      DATA->DB_Storage.Connect();
      StartupLoadSetup();
      VATPercent = SQLFloat(QStringLiteral("select fDATA from Setup where NODEID=\"321\""));
    } catch (const std::exception &) {
      return Fail(TStartupOutcome::SetupFailed,
                  QStringLiteral("SetupTree was not load seccesfully. Application terminated."));
    }

    // 7. Back to the main database.
    OpenOn(DATA->MainDatabase);

    // 8.-13. The shared lists and the price columns.
    StartupLoadLists();
    {
      TQuery &q = DATA->Qtmp;
      q.SQL = QStringLiteral("select * from Catalog limit 1");
      int count = 0;
      try {
        q.Open();
        for (const QString &name : q.FieldNames())
          if (name.left(5).compare(QLatin1String("PRICE"), Qt::CaseInsensitive) == 0) ++count;
      } catch (...) {
        q.Close();
        throw;
      }
      q.Close();
      PriceCount = static_cast<int16_t>(count);
    }
    StartupClearDefaults();
  } catch (const std::exception &e) {
    return Fail(TStartupOutcome::Failed, QString::fromUtf8(e.what()));
  }
  // 14. The decimal separator is '.' in every conversion of this program by construction.
  return {TStartupOutcome::Ready, QString()};
}

void ShutdownData() {
  StartupFreeLists();
  delete DATA;
  DATA = nullptr;
}
