#pragma once
// The ID3v1 genre names of the ripper; index = genre number. Every genre list
// of the program is filled from this one table.

#include <QString>
#include <array>

namespace brenlow {

constexpr int kGenreCount = 148;

extern const std::array<const char*, kGenreCount> GenreNames;

/// The number of the first name equal to `name` (exact comparison), or -1.
int genreNumber(const QString& name);

} // namespace brenlow
