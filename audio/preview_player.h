#pragma once

#include "foundation/exceptions.h"

#include <QString>
#include <QtGlobal>

#include <array>
#include <functional>
#include <memory>

namespace plat {
class AudioOutput;
}

// The preview of one source file at a time: play, pause, stop, volume, seek, and the levels of a small
// spectrum display. A 25 ms timer, running while something plays, drives the display through the tick
// handler the page installs. Main thread only; a QApplication must exist.

// The player's own failures while starting a file.
class EMyBassException : public EKorvaneError {
public:
    using EKorvaneError::EKorvaneError;
};

constexpr int PlayerBandCount = 25;
// One level per band, low frequencies first; a full-scale tone reads about 80 in the lowest band.
using TPlayerSpectrum = std::array<quint16, PlayerBandCount>;

// Stops what plays, then starts the local file. A failure is shown in an error box and logged, and
// gives false. The state callback runs afterwards either way.
bool PlayerPlayFile(const QString& fileName);
// Pauses what plays, resumes what is paused; nothing otherwise.
void PlayerTogglePause();
void PlayerPause();
void PlayerResume();
// Stops and releases the file; the tick handler runs once so the display shows the stopped state.
void PlayerStop();
// 0 to 100 (values outside are clamped); kept for the files played later too. Initially 100.
void PlayerSetVolume(int volume);

// Length and position of the current file; 0 without one.
qint64 PlayerGetLengthMs();
int PlayerGetLength();
int PlayerGetPosition();
// Moves to the given second when it lies within the file; nothing otherwise.
void PlayerSetPosition(int seconds);
// True when nothing plays and nothing is paused, including after the file's end.
bool PlayerIsStopped();

bool PlayerIsTimerEnabled();
// Stops the timer and makes handler its tick handler (an empty one clears it).
void PlayerSetTimerHandler(std::function<void()> handler);
// Called after every change of the play state made through these procedures.
void PlayerSetStateCallback(std::function<void()> callback);

// The band levels for the display, from what is being heard: a bar jumps up to a louder level at once,
// holds a steady one, and falls by 2 per call when the band gets quieter; all 0 when nothing plays.
// Call it from the tick handler.
void PlayerGetSpectrum(TPlayerSpectrum& levels);

// Where a played file is heard; an empty factory goes back to the program's audio output.
using PlayerOutputFactory = std::function<std::unique_ptr<plat::AudioOutput>()>;
void PlayerSetOutputFactory(PlayerOutputFactory factory);
