#include "platform/aspi/demo/demo_disc.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <vector>

#include "platform/aspi/disc_address.h"
#include "platform/aspi/disc_image.h"

namespace quandor::aspi::demo {

namespace fs = std::filesystem;

namespace {

constexpr int kSampleRate = 44100;

constexpr DemoTrack kTracks[] = {
    {"Morning Arpeggio", 14},
    {"Walking Bass", 11},
    {"Slow Chords", 9},
};

// A note: frequency of a MIDI key, start and length in beats.
struct Note {
    int key;
    double start;
    double beats;
};

double frequencyOf(int key)
{
    return 440.0 * std::pow(2.0, (key - 69) / 12.0);
}

// Adds a plucked tone (a few harmonics under a decaying envelope) to the mix.
void addNote(std::vector<float>& left, std::vector<float>& right, const Note& note, double secondsPerBeat, double gain,
             double pan)
{
    const double f = frequencyOf(note.key);
    const size_t begin = size_t(note.start * secondsPerBeat * kSampleRate);
    const size_t length = size_t(note.beats * secondsPerBeat * kSampleRate);
    for (size_t i = 0; i < length && begin + i < left.size(); ++i) {
        const double t = double(i) / kSampleRate;
        const double attack = std::min(1.0, t * 200.0);
        const double release = std::min(1.0, double(length - i) / (0.02 * kSampleRate));
        const double envelope = attack * release * std::exp(-2.5 * t);
        const double w = 2.0 * std::numbers::pi * f * t;
        const double tone = std::sin(w) + 0.4 * std::sin(2 * w) + 0.15 * std::sin(3 * w);
        const double sample = gain * envelope * tone;
        left[begin + i] += float(sample * (1.0 - pan));
        right[begin + i] += float(sample * (1.0 + pan));
    }
}

std::vector<Note> melodyOf(int track, int beats)
{
    static const int scale[] = {60, 62, 64, 65, 67, 69, 71, 72};
    std::vector<Note> notes;
    for (int beat = 0; beat < beats; ++beat) {
        switch (track) {
        case 0: // rising and falling arpeggios of C, F, G and C
            for (int step = 0; step < 2; ++step) {
                static const int chord[4][3] = {{60, 64, 67}, {65, 69, 72}, {67, 71, 74}, {60, 64, 67}};
                const int* c = chord[(beat / 4) % 4];
                notes.push_back({c[(beat * 2 + step) % 3] + 12 * (step % 2), beat + step * 0.5, 0.5});
            }
            break;
        case 1: // a walking bass under a sparse melody
            notes.push_back({36 + scale[(beat * 3) % 8] - 60, double(beat), 1.0});
            if (beat % 2 == 0)
                notes.push_back({scale[(beat * 5) % 8] + 12, beat + 0.5, 1.5});
            break;
        default: // slow triads
            if (beat % 4 == 0) {
                const int root = scale[(beat / 4 * 3) % 8];
                for (int interval : {0, 4, 7, 12})
                    notes.push_back({root + interval, double(beat), 4.0});
            }
            break;
        }
    }
    return notes;
}

// One track as 16-bit little-endian stereo samples, a whole number of sectors.
std::vector<uint8_t> renderTrack(int track, int seconds)
{
    const size_t samples = size_t(seconds) * kSampleRate;
    std::vector<float> left(samples), right(samples);
    const double secondsPerBeat = track == 2 ? 0.75 : 0.45;
    const int beats = int(seconds / secondsPerBeat);
    for (const Note& note : melodyOf(track, beats)) {
        const double pan = note.key < 55 ? -0.3 : (note.key % 2 ? 0.25 : -0.1);
        addNote(left, right, note, secondsPerBeat, 0.14, pan);
    }
    std::vector<uint8_t> bytes;
    bytes.reserve(samples * 4 + kRawSectorSize);
    auto put = [&bytes](float value) {
        const auto sample = int16_t(std::lround(std::clamp(value, -1.0f, 1.0f) * 32767.0f));
        bytes.push_back(uint8_t(uint16_t(sample)));
        bytes.push_back(uint8_t(uint16_t(sample) >> 8));
    };
    for (size_t i = 0; i < samples; ++i) {
        put(left[i]);
        put(right[i]);
    }
    bytes.resize((bytes.size() + kRawSectorSize - 1) / kRawSectorSize * kRawSectorSize, 0);
    return bytes;
}

bool writeFile(const fs::path& path, const std::string& text, std::string* error)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out && error)
        *error = "cannot write " + path.string();
    return bool(out);
}

} // namespace

const DemoTrack* demoTracks(int* count)
{
    *count = int(std::size(kTracks));
    return kTracks;
}

bool writeDemo(const std::string& folderName, std::string* error)
{
    const fs::path folder(folderName);
    std::error_code ec;
    fs::create_directories(folder, ec);

    DiscLayout layout;
    std::vector<uint8_t> disc;
    for (int i = 0; i < int(std::size(kTracks)); ++i) {
        layout.tracks.push_back({i + 1, int32_t(disc.size() / kRawSectorSize), false, false});
        const std::vector<uint8_t> track = renderTrack(i, kTracks[i].seconds);
        disc.insert(disc.end(), track.begin(), track.end());
    }
    layout.leadOutLba = int32_t(disc.size() / kRawSectorSize);
    if (!saveCueImage((folder / "demo.bin").string(), layout, disc)) {
        if (error)
            *error = "cannot write " + (folder / "demo.bin").string();
        return false;
    }

    fs::remove(folder / "cdr-disc.bin", ec);
    fs::remove(folder / "cdr-disc.cue", ec);
    if (!fs::exists(folder / "cdrw-disc.cue")) {
        DiscLayout first;
        first.tracks.push_back(layout.tracks.front());
        first.leadOutLba = layout.tracks[1].startLba;
        disc.resize(size_t(first.leadOutLba) * kRawSectorSize);
        if (!saveCueImage((folder / "cdrw-disc.bin").string(), first, disc)) {
            if (error)
                *error = "cannot write " + (folder / "cdrw-disc.bin").string();
            return false;
        }
    }

    return writeFile(folder / "drives.ini",
                     "; Emulated drives of the Brenlow demo (QUANDOR_EMULATED_DRIVES).\n"
                     "[drive 1:0:0]\nVendor=QUANDOR\nProduct=DEMO CD-ROM\nRevision=1.00\n"
                     "Medium=audio\nCue=demo.cue\nWriter=0\nTrayClose=3\n\n"
                     "[drive 1:1:0]\nVendor=QUANDOR\nProduct=DEMO CD-R\nRevision=1.00\n"
                     "Medium=cdr\nDisc=cdr-disc.bin\nMaxWriteSpeed=7056\nTrayClose=3\n\n"
                     "[drive 1:2:0]\nVendor=QUANDOR\nProduct=DEMO CD-RW\nRevision=1.00\n"
                     "Medium=cdrw\nDisc=cdrw-disc.bin\nMaxWriteSpeed=4234\nBlankSeconds=3\nTrayClose=3\n",
                     error);
}

} // namespace quandor::aspi::demo
