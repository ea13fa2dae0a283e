#pragma once
// Shared pieces of the fuzz targets: property checks that stop the run with a
// message, splitting one input into fields, and a scratch folder per process.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QTemporaryDir>
#include <cstddef>
#include <cstdint>

namespace quandor::fuzz {

/// Prints what broke and aborts, so that libFuzzer (or the replay run) keeps
/// the input as a crash.
[[noreturn]] void fail(const char* what, const QString& detail = {});

/// Stops the run when a property of the code under test does not hold.
inline void check(bool holds, const char* what, const QString& detail = {})
{
    if (!holds)
        fail(what, detail);
}

/// An input cut into fields: each `next()` takes the bytes up to the next NUL
/// (or to the end), `rest()` everything not yet taken. Seeds stay readable:
/// "field\0field\0rest".
class Fields {
public:
    Fields(const std::uint8_t* data, std::size_t size)
        : bytes_(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))
    {}

    QByteArrayView next();
    QByteArrayView rest() const { return bytes_.sliced(at_); }
    /// The next field's first byte (0 when it is empty), the field consumed.
    std::uint8_t nextByte();

private:
    QByteArrayView bytes_;
    qsizetype at_ = 0;
};

/// A folder that lives as long as the process; each input starts it empty.
class ScratchFolder {
public:
    ScratchFolder();
    /// Removes everything inside, keeps the folder.
    void clear();
    QString path() const { return dir_.path(); }
    QString file(const QString& name) const { return dir_.filePath(name); }
    /// Writes bytes as `name` (folders created); false when it cannot.
    bool write(const QString& name, QByteArrayView bytes) const;

private:
    QTemporaryDir dir_;
};

/// The whole file, or an empty array when it cannot be read.
QByteArray readFile(const QString& path);

/// Text to show in a failure message: printable ASCII kept, the rest as \xNN.
QString shown(QByteArrayView bytes);

} // namespace quandor::fuzz
