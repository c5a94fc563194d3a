// Volume and seeking by the steps the user chose, counted from where the
// player is. A step of 0 leaves the step to the player: its own command,
// as the keys have always sent.
#pragma once

#include "player/winamp_link.h"

// Percent of full volume, rounded, held between silence and full volume.
void StepVolume(TTarnWinAmpLink& Link, int Percent, bool Up);
// Seconds, held between the start and the end of the track.
void StepPosition(TTarnWinAmpLink& Link, int Seconds, bool Forward);
