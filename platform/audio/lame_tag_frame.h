#pragma once
// The LAME/Xing tag frame at the head of an MP3 stream: the byte count it
// states for the stream, kept true when a tag follows the audio.

#include <QByteArray>

namespace quandor::audio {

/// Adds `trailing` bytes (a tag written behind the last audio frame) to the
/// stream size that `frame` states, and renews the tag's CRC so that readers
/// still trust its delay and padding. A decoder compares that size with the
/// bytes from the frame to the end of the file, ID3v1 tag included, and
/// ignores the header where the file is much longer. False, `frame`
/// untouched, when it is no Xing/Info frame stating a size.
bool countTrailingBytes(QByteArray& frame, quint32 trailing);

} // namespace quandor::audio
