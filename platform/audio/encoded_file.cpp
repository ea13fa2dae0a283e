#include "platform/audio/encoded_file.h"

namespace quandor::audio {

bool EncodedFile::fail(const QString& what, QString& error) const
{
    error = QStringLiteral("%1 %2: %3").arg(what, file_.fileName(), file_.errorString());
    return false;
}

bool EncodedFile::create(const QString& path, QString& error)
{
    file_.setFileName(path);
    // Unbuffered: a write that fails says so at once, with the system's reason.
    if (!file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        return fail(QStringLiteral("Cannot create"), error);
    return true;
}

bool EncodedFile::write(const char* data, qint64 size, QString& error)
{
    // A short write carries no reason; the write of the rest that follows
    // fails with it (or completes the data where the short one was a signal).
    while (size > 0) {
        const qint64 written = file_.write(data, size);
        if (written <= 0)
            return fail(QStringLiteral("Cannot write"), error);
        data += written;
        size -= written;
    }
    return true;
}

bool EncodedFile::writeAt(qint64 position, const char* data, qint64 size, QString& error)
{
    if (!file_.seek(position))
        return fail(QStringLiteral("Cannot write"), error);
    return write(data, size, error);
}

} // namespace quandor::audio
