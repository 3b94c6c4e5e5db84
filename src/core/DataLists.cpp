#include "core/DataLists.h"

uint8_t ViewMode = 0;
