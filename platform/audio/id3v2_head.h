#pragma once
// The ID3v2 tag an MP3 file can start with, rendered from our own fields (no
// file is read), so that the encoder can write it ahead of the audio.

#include "platform/audio/tag_fields.h"

#include <QByteArray>

namespace quandor::audio {

/// An ID3v2.3 tag holding the non-empty `fields`, padded as the tag save pads
/// it; empty when no field has a text.
QByteArray renderId3v2Head(const TagFieldList& fields);

} // namespace quandor::audio
