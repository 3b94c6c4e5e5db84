#pragma once
// Start-up: from the key file and the registry to an open connection and loaded lists.
#include <QString>

enum class TStartupOutcome {
  Ready,               // the main window may open
  KeyFileError,        // the key file is missing or unreadable
  RegistryKeyMissing,  // the program key does not exist (or the registry file is unreadable)
  ConnectFailed,       // the main database could not be opened
  SchemaMissing,       // the main database lacks what db/upgrade.sql adds
  SetupFailed,         // the setup database, its tree or node "321" could not be read
  Failed               // an unguarded step failed with the database's own error
};

struct TStartupResult {
  TStartupOutcome Outcome = TStartupOutcome::Failed;
  QString Message;  // the text shown when start-up ends
};

extern const QString KeyFileName;   // "PX11key.sys"
extern const QString AppTitle;      // "Warehouse for Velmo"

// Runs every step before the main window; shows the step's message (and writes it to
// standard error) when start-up ends. The key file is read from the given folder.
TStartupResult RunStartup(const QString &workingFolder);
// Frees what start-up created (the data module and the lists).
void ShutdownData();

// The steps that fill the shared lists (step 6: the setup tree; steps 8-11: text arrays,
// groups, suppliers, colours; step 13: the card defaults), and their release at the end.
void StartupLoadSetup();
void StartupLoadLists();
void StartupClearDefaults();
void StartupFreeLists();
