// Writes the program's event sounds: short chimes made of decaying sine partials, 16-bit PCM mono.
// Usage: make_sounds <output folder>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

const int sampleRate = 44100;
// Sounds are meant to be noticed, not to startle: the loudest sample is about half of full scale.
const double peakLevel = 0.45 * 32767;
const double attackSeconds = 0.004;
const double fadeOutSeconds = 0.02;

struct Note {
    double start;     // seconds
    double frequency; // Hz
    double decay;     // seconds for the level to fall to 1/e
};

struct Sound {
    const char* fileName;
    double seconds;
    std::vector<double> partials; // levels of the 1st, 2nd, 3rd... harmonic
    std::vector<Note> notes;
};

const Sound sounds[] = {
    {"done.wav", 0.65, {1.0, 0.25, 0.08}, {{0.0, 659.26, 0.18}, {0.16, 1046.5, 0.22}}},
    {"question.wav", 0.4, {1.0, 0.15}, {{0.0, 440.0, 0.10}, {0.11, 659.26, 0.12}}},
    {"new version.wav",
     0.7,
     {1.0, 0.2, 0.06},
     {{0.0, 523.25, 0.15}, {0.08, 659.26, 0.15}, {0.16, 783.99, 0.15}, {0.24, 1046.5, 0.2}}},
    {"no new version.wav", 0.35, {1.0, 0.1}, {{0.0, 392.0, 0.12}}},
    {"failure.wav", 0.5, {1.0, 0.0, 0.3, 0.0, 0.12}, {{0.0, 329.63, 0.12}, {0.15, 261.63, 0.16}}},
    {"success.wav", 0.55, {1.0, 0.3, 0.1}, {{0.0, 523.25, 0.14}, {0.06, 659.26, 0.14}, {0.12, 783.99, 0.2}}},
};

std::vector<double> render(const Sound& sound)
{
    const int count = static_cast<int>(sound.seconds * sampleRate);
    std::vector<double> signal(count, 0.0);
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / sampleRate;
        for (const Note& note : sound.notes) {
            const double age = t - note.start;
            if (age < 0)
                continue;
            const double envelope = std::min(1.0, age / attackSeconds) * std::exp(-age / note.decay);
            for (std::size_t k = 0; k < sound.partials.size(); ++k)
                signal[i] += envelope * sound.partials[k] *
                             std::sin(2 * std::numbers::pi * note.frequency * double(k + 1) * age);
        }
    }
    // Every sound ends at silence, so stopping at its end never clicks.
    const int fade = static_cast<int>(fadeOutSeconds * sampleRate);
    for (int i = 0; i < fade && i < count; ++i)
        signal[count - 1 - i] *= static_cast<double>(i) / fade;
    return signal;
}

std::vector<std::int16_t> toSamples(const std::vector<double>& signal)
{
    double peak = 0;
    for (double value : signal)
        peak = std::max(peak, std::abs(value));
    std::vector<std::int16_t> samples;
    samples.reserve(signal.size());
    for (double value : signal)
        samples.push_back(static_cast<std::int16_t>(std::lrint(peak > 0 ? value / peak * peakLevel : 0)));
    return samples;
}

void putLe(std::ofstream& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.put(static_cast<char>((value >> (8 * i)) & 0xFF));
}

bool writeWav(const std::filesystem::path& fileName, const std::vector<std::int16_t>& samples)
{
    std::ofstream out(fileName, std::ios::binary | std::ios::trunc);
    const auto dataSize = static_cast<std::uint32_t>(samples.size() * 2);
    out.write("RIFF", 4);
    putLe(out, 36 + dataSize, 4);
    out.write("WAVEfmt ", 8);
    putLe(out, 16, 4);
    putLe(out, 1, 2); // PCM
    putLe(out, 1, 2); // mono
    putLe(out, sampleRate, 4);
    putLe(out, sampleRate * 2, 4);
    putLe(out, 2, 2);
    putLe(out, 16, 2);
    out.write("data", 4);
    putLe(out, dataSize, 4);
    for (std::int16_t sample : samples)
        putLe(out, static_cast<std::uint16_t>(sample), 2);
    return static_cast<bool>(out.flush());
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_sounds <output folder>\n");
        return 2;
    }
    const std::filesystem::path folder(argv[1]);
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    for (const Sound& sound : sounds) {
        if (!writeWav(folder / sound.fileName, toSamples(render(sound)))) {
            std::fprintf(stderr, "make_sounds: cannot write %s\n", (folder / sound.fileName).c_str());
            return 1;
        }
    }
    return 0;
}
