#pragma once
// The file an encoder writes. Every write goes straight to the system and
// is repeated until all of it is written, so a failure (a full disk, a size
// limit) is reported in the system's own words ("No space left on device")
// rather than as a buffered or short write with no reason.

#include <QFile>
#include <QString>

namespace quandor::audio {

class EncodedFile {
public:
    /// Creates `path`, replacing a file of that name.
    bool create(const QString& path, QString& error);
    bool write(const char* data, qint64 size, QString& error);
    bool write(const QByteArray& bytes, QString& error) { return write(bytes.constData(), bytes.size(), error); }
    /// Writes `size` bytes at `position` (a header filled in at the end).
    bool writeAt(qint64 position, const char* data, qint64 size, QString& error);
    /// Closes the completed file.
    void close() { file_.close(); }
    QString fileName() const { return file_.fileName(); }

private:
    bool fail(const QString& what, QString& error) const;

    QFile file_;
};

} // namespace quandor::audio
