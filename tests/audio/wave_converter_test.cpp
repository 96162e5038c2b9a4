#include "audio/wave_converter.h"

#include "audio/acs_wave.h"
#include "tests/support/acs_test_components.h"
#include "tests/support/audio_fixtures.h"
#include "tests/support/wav_image.h"

#include <QBuffer>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

// The converter's run on a file image: its result and the PCM image it saves (empty on failure).
QByteArray ConvertImage(const QByteArray& file)
{
    QBuffer source;
    source.setData(file);
    source.open(QIODevice::ReadOnly);
    TWaveConverter converter;
    converter.LoadFromStream(source);
    converter.DestFormat.SetFormatTag(1);
    if (converter.SuggestFormat() != 0 || converter.Convert() != 0)
        return {};
    QBuffer image;
    image.open(QIODevice::ReadWrite);
    converter.SaveToStream(image);
    return image.data();
}

} // namespace

TEST(WaveConverter, DecodesLayer3ToPcmThatFollowsTheSourceAndRefusesTheRest)
{
    const QByteArray file = ReadFixture("wav-mp3.wav");
    const QByteArray converted = ConvertImage(file);
    ASSERT_FALSE(converted.isEmpty());
    EXPECT_EQ(converted.left(44),
              MakeWavImage(44100, 1, 16, QByteArray(converted.size() - 44, '\0')).left(44));
    const QByteArray source = ReadFixture("wav-mp3-source.wav");
    const auto reference = Samples16(source.mid(source.indexOf("data") + 8));
    const auto decoded = Samples16(converted.mid(44));
    // The decoder's delay comes first; the length is the source's plus that delay, no trailing silence.
    EXPECT_GT(BestMatch(reference, decoded, 0, reference.size(), 3000).Correlation, 0.95);
    EXPECT_GE(decoded.size(), reference.size());
    EXPECT_LT(decoded.size(), reference.size() + 3000);

    // An odd-sized chunk with its pad byte ahead of "fmt " changes nothing; a cut file gives less.
    const int formatAt = file.indexOf("fmt ");
    EXPECT_EQ(ConvertImage(file.left(formatAt) + QByteArray("junk\x03\0\0\0abc\0", 12) + file.mid(formatAt)),
              converted);
    EXPECT_LT(ConvertImage(file.left(file.size() / 2)).size(), converted.size());

    QByteArray tooFast = file;
    qToLittleEndian<quint32>(MaxWaveSampleRate + 1, tooFast.data() + formatAt + 12);
    for (const QByteArray& refused :
         {file.left(file.indexOf("data") + 8) + QByteArray(4000, '\x5a'), ReadFixture("wav-pcm16-mono.wav"),
          QByteArray("RIFX\0\0\0\0WAVE", 12), tooFast})
        EXPECT_TRUE(ConvertImage(refused).isEmpty());
}
