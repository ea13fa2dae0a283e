#pragma once
// APE link files (.apl): a small text file naming an APE image and a range
// of blocks in it, so one track of a whole-disc image plays as a file.
//
//   [Monkey's Audio Image Link File]
//   Image File=disc.ape
//   Start Block=0
//   Finish Block=441000

#include <QString>

#include <optional>

namespace quandor::mac {

struct ApeLink {
    QString imagePath; ///< made absolute against the link file's folder
    qint64 startBlock = 0;
    qint64 finishBlock = 0; ///< one past the last block
};

/// The link at `path`; empty when the file is not a link file or lacks a field.
std::optional<ApeLink> readApeLink(const QString& path);

} // namespace quandor::mac
