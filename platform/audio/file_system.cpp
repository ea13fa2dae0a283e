#include "platform/audio/file_system.h"

#include <QFileInfo>

namespace quandor::audio {

bool FileExists(const QString& path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

} // namespace quandor::audio
