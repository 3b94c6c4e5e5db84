#pragma once
// The colour groups and colours per profile system, from the setup tree.

// Frees the colour list (the data module's destroy handler).
void FreeColors();
