#pragma once
// What FFmpeg and TagLib say about the files they read goes through the
// program's own log, whose default is quiet: only errors that end the
// program's work are shown. Their notes on ordinary files ("Estimating
// duration from bitrate", "Incorrect BOM value" for a damaged tag frame that
// is skipped) would otherwise fill the terminal of a user who started the
// program there; a file that cannot be converted is reported by the program
// itself, with its reason.
//
// The messages go to the logging categories "quandor.audio.ffmpeg" and
// "quandor.audio.taglib"; QT_LOGGING_RULES="quandor.audio.*=true" shows them all.

namespace quandor::audio {

/// Installs the quiet default for both libraries. Safe to call again.
void quietLibraryLogging();

} // namespace quandor::audio
