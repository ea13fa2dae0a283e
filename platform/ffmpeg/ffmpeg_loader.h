#pragma once
// FFmpeg is opened on first use rather than with the program: its libraries
// and everything they pull in take longer to load than the window takes to
// come up, and ripping never needs it; converting WAV to MP3, Ogg or APE
// needs it only at the end, when the tag save checks the written audio.
// The programs call FFmpeg's functions as usual; the functions they call are
// defined here and go to the library's own on their first call.

#include <functional>

namespace quandor::ffmpeg {

/// The address of FFmpeg's function `name`, loading the libraries the first
/// time. Ends the program with a message naming the library when FFmpeg or
/// the function cannot be found: the installation is broken.
void* function(const char* name);

/// Runs `setup` once the libraries are loaded: at once when they are, else
/// right after they load and before any other call reaches them.
void whenLoaded(std::function<void()> setup);

/// Whether the libraries have been loaded in this process.
bool loaded();

} // namespace quandor::ffmpeg
