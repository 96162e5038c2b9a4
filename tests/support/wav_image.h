#pragma once

#include <QByteArray>

// A PCM WAV image with the 44-byte header and the given samples.
QByteArray MakeWavImage(int rate, int channels, int bitsPerSample, const QByteArray& samples);
// count little-endian 16-bit samples that count up from first, so every position is recognizable.
QByteArray RampSamples(int count, int first = 0);
