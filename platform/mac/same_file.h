#pragma once

#include <QFileInfo>
#include <QString>

namespace quandor::mac {

/// True when both paths name one existing file: writing the output would
/// replace the input it is made from.
inline bool isSameFile(const QString& input, const QString& output)
{
    const QString target = QFileInfo(output).canonicalFilePath();
    return !target.isEmpty() && target == QFileInfo(input).canonicalFilePath();
}

} // namespace quandor::mac
