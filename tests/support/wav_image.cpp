#include "tests/support/wav_image.h"

#include <QtEndian>

namespace {

void appendLe32(QByteArray& to, quint32 value)
{
    char bytes[4];
    qToLittleEndian(value, bytes);
    to.append(bytes, 4);
}

void appendLe16(QByteArray& to, quint16 value)
{
    char bytes[2];
    qToLittleEndian(value, bytes);
    to.append(bytes, 2);
}

} // namespace

QByteArray MakeWavImage(int rate, int channels, int bitsPerSample, const QByteArray& samples)
{
    const int blockAlign = channels * bitsPerSample / 8;
    QByteArray image("RIFF");
    appendLe32(image, 36 + samples.size());
    image.append("WAVEfmt ");
    appendLe32(image, 16);
    appendLe16(image, 1);
    appendLe16(image, channels);
    appendLe32(image, rate);
    appendLe32(image, rate * blockAlign);
    appendLe16(image, blockAlign);
    appendLe16(image, bitsPerSample);
    image.append("data");
    appendLe32(image, samples.size());
    return image + samples;
}

QByteArray RampSamples(int count, int first)
{
    QByteArray samples;
    for (int i = 0; i < count; ++i)
        appendLe16(samples, static_cast<quint16>(first + i));
    return samples;
}
