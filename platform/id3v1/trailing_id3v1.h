#pragma once
// Finds the ID3v1 record an audio file ends in: the one lookup behind every
// reader and writer of that record, so that all agree on which files have one.

#include <QByteArray>
#include <QIODevice>
#include <optional>

namespace quandor::id3v1 {

/// The record at the end of a file and where it starts.
struct TrailingId3v1 {
    qint64 offset = 0;
    QByteArray record; ///< kId3v1Bytes long, beginning with "TAG"
};

/// The last 128 bytes of the open, seekable `file` when they begin with
/// "TAG". Nothing when the file is shorter, ends otherwise, or does not
/// hold all 128 bytes its size promises (it shrank, or lies about its
/// size). Moves the file's position.
std::optional<TrailingId3v1> findTrailingId3v1(QIODevice& file);

} // namespace quandor::id3v1
