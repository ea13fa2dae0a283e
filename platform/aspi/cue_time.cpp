#include "platform/aspi/cue_time.h"

#include <array>

namespace quandor::aspi {

namespace {

constexpr int kFramesPerSecond = 75;
constexpr int kMaxMinutes = 99;

/// A field of decimal digits only; its value capped above every limit, so a
/// long run of digits cannot overflow.
std::optional<int> field(std::string_view text)
{
    if (text.empty())
        return std::nullopt;
    int value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value > 1000 ? value : value * 10 + (c - '0');
    }
    return value;
}

} // namespace

std::optional<int> parseCueTime(std::string_view text)
{
    std::array<int, 3> fields{};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::size_t colon = text.find(':');
        const bool last = i + 1 == fields.size();
        if (last != (colon == std::string_view::npos))
            return std::nullopt;
        const auto value = field(text.substr(0, colon));
        if (!value)
            return std::nullopt;
        fields[i] = *value;
        text = last ? std::string_view() : text.substr(colon + 1);
    }
    const auto [minutes, seconds, frames] = fields;
    if (minutes > kMaxMinutes || seconds >= 60 || frames >= kFramesPerSecond)
        return std::nullopt;
    return (minutes * 60 + seconds) * kFramesPerSecond + frames;
}

} // namespace quandor::aspi
