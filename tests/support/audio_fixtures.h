#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

// The committed fixtures of tests/data/ and the measures the audio tests take of samples.
QString FixturePath(const QString& name);
QByteArray ReadFixture(const QString& name);

// Signal-to-noise ratio of decoded against reference, in dB, over their common length.
double SignalToNoise(const std::vector<std::int16_t>& reference, const std::vector<std::int16_t>& decoded);

struct Match {
    double Correlation = -1;
    int Lag = 0;
};
// The best normalised correlation of reference[from, from + length) with decoded, shifted by
// -maxLag..maxLag samples (a codec's delay).
Match BestMatch(const std::vector<std::int16_t>& reference, const std::vector<std::int16_t>& decoded,
                std::size_t from = 4096, std::size_t length = 8192, int maxLag = 2048);
