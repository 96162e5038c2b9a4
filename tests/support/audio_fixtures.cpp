#include "tests/support/audio_fixtures.h"

#include <QFile>

#include <algorithm>
#include <cmath>

QString FixturePath(const QString& name)
{
    return QStringLiteral(KORVANE_SOURCE_DIR "/tests/data/") + name;
}

QByteArray ReadFixture(const QString& name)
{
    QFile file(FixturePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

double SignalToNoise(const std::vector<std::int16_t>& reference, const std::vector<std::int16_t>& decoded)
{
    const size_t n = std::min(reference.size(), decoded.size());
    double signal = 0, noise = 0;
    for (size_t i = 0; i < n; ++i) {
        signal += double(reference[i]) * reference[i];
        noise += (double(decoded[i]) - reference[i]) * (double(decoded[i]) - reference[i]);
    }
    return noise == 0 ? 200.0 : 10 * std::log10(signal / noise);
}

Match BestMatch(const std::vector<std::int16_t>& reference, const std::vector<std::int16_t>& decoded,
                std::size_t from, std::size_t length, int maxLag)
{
    Match best;
    for (int lag = -maxLag; lag <= maxLag; ++lag) {
        double product = 0, referenceEnergy = 0, decodedEnergy = 0;
        for (std::size_t i = from; i < from + length && i < reference.size(); ++i) {
            const std::int64_t j = static_cast<std::int64_t>(i) + lag;
            const double d = j >= 0 && j < static_cast<std::int64_t>(decoded.size()) ? decoded[j] : 0.0;
            product += reference[i] * d;
            referenceEnergy += double(reference[i]) * reference[i];
            decodedEnergy += d * d;
        }
        const double correlation =
            decodedEnergy > 0 ? product / std::sqrt(referenceEnergy * decodedEnergy) : 0;
        if (correlation > best.Correlation)
            best = {correlation, lag};
    }
    return best;
}
