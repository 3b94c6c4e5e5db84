#include "core/Startup.h"

void StartupLoadSetup() {}
void StartupLoadLists() {}
void StartupClearDefaults() {}
void StartupFreeLists() {}
