#pragma once
// What each preset of the extended configuration form does to the encoder.

#include <lame/lame.h>

namespace lame_enc {

/// Applies `preset` (a BE_PRESET_* value) over the settings already made;
/// `bitrateKbps` is the record's bit rate (the ABR/CBR presets use it).
/// False for a value that is no preset.
bool applyPreset(lame_t lame, int preset, int bitrateKbps);

} // namespace lame_enc
