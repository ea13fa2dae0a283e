#include "platform/audio/ffmpeg_util.h"

#include <QFile>

namespace quandor::audio::ff {

QString errorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return QString::fromUtf8(text);
}

QByteArray fileUrl(const QString& path)
{
    return QByteArrayLiteral("file:") + QFile::encodeName(path);
}

} // namespace quandor::audio::ff
