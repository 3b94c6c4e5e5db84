#include "core/ColorList.h"

void FreeColors() {}
