#pragma once
// The MM:SS:FF times of cue sheets, read alike by the emulated drives' image
// reader and the burner's cue sheet reader, so a sheet one accepts the other
// accepts too.

#include <optional>
#include <string_view>

namespace quandor::aspi {

/// The frame count (75 a second) of "MM:SS:FF": three fields of decimal
/// digits only, minutes up to 99, seconds below 60, frames below 75. Nothing
/// for any other text (signs, spaces, missing or extra fields).
std::optional<int> parseCueTime(std::string_view text);

} // namespace quandor::aspi
