#pragma once
// The ID3v1 tag an MP3 file ends with, rendered from our own fields (no file
// is read), so that the encoder can write it behind the audio and state the
// file's whole length in the LAME header.

#include "platform/audio/tag_fields.h"

#include <QByteArray>

namespace quandor::audio {

/// The 128-byte ID3v1 tag holding `fields` as the tag save renders it; empty
/// when no field it keeps has a text.
QByteArray renderId3v1Tail(const TagFieldList& fields);

} // namespace quandor::audio
