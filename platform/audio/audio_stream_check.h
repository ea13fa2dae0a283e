#pragma once
// What FFmpeg, a reader independent of the tag writer, finds in a file: the
// format its content really is, and whether two files carry the same audio.

#include <QString>

namespace quandor::audio {

/// The kinds of file the tag object writes tags into.
enum class TaggedFormat { None, Mpeg, Wav, Aiff, Asf, Mp4, Ape, Flac, OggVorbis, OggOpus, OggSpeex, OggFlac };

/// The format of `path` judged by its content (never by its name); None when
/// FFmpeg finds no audio stream in it or it is no format that holds tags.
TaggedFormat taggedFormatOf(const QString& path);

/// Empty when `copy`, read as the same format as `original`, carries the same
/// audio streams packet for packet and byte for byte; otherwise the reason.
QString audioDifference(const QString& original, const QString& copy);

} // namespace quandor::audio
