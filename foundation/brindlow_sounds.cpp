#include "foundation/brindlow_sounds.h"

// No sound is registered yet, so nothing plays.
void PlaySoundEvent(int) {}
void StopSoundEvent() {}
