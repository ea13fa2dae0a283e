#pragma once
// The demo that lets Brenlow be tried on a machine without a drive: an audio
// disc of synthesized music, a blank CD-R and a written CD-RW, described in a
// drives.ini for the emulated drives.

#include <string>

namespace quandor::aspi::demo {

struct DemoTrack {
    const char* title;
    int seconds;
};

/// The tracks of the demo disc, in order.
const DemoTrack* demoTracks(int* count);

/// Writes demo.bin/demo.cue and drives.ini into folder (created if needed).
/// The CD-R starts blank on every call; the CD-RW disc is created written
/// (track 1 of the demo) when absent and kept otherwise. False with the
/// reason when a file cannot be written.
bool writeDemo(const std::string& folder, std::string* error);

} // namespace quandor::aspi::demo
