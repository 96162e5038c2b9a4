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

void PlaySoundEvent(int number);
void StopSoundEvent();
