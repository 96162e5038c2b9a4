#pragma once

#include <QString>

// The sound events callers name by number.
enum TSoundEvent {
    SndNone = 0,
    SndBatchConversionEnded = 1,
    SndPleaseConfirm = 2,
    SndNewVersion = 3,
    SndNoNewVersion = 4,
    SndFailure = 5,
    SndSuccess = 6,
};

// Plays the event's sound, if it is on; the caller never waits. Numbers outside the table play nothing.
void PlaySoundEvent(int number);
void StopSoundEvent();
// "NoSnd" for 0 and for any number outside the table.
QString GetSoundEventName(int number);

// Registers the six event sounds, in use, with their files in the sound folder but no data yet (the
// first reload reads them). Called once at start; calling it again replaces them with fresh ones.
void InitSoundEvents();
// The program's folder followed by "Sounds/", as taken by InitSoundEvents.
QString GetSoundFolder();
