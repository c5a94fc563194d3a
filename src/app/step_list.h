// The lists that choose the volume and seek keys' steps: the player's own
// step first, then steps in their unit. Each item carries its step, so
// that a stored step the usual choices lack is shown among them as it is.
#pragma once

#include <windows.h>

enum class TStepUnit { Percent, Seconds };

// Fills the list in the current language and selects Selected.
void FillStepList(HWND Combo, TStepUnit Unit, int Selected);
// The step of the selected item; 0, the player's own, when none is.
int SelectedStep(HWND Combo);
