#include "platform/audio/hidden_copy.h"

#include "platform/files/unnamed_file.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quandor::audio {

namespace {

constexpr char kCopyPrefix[] = ".tavrel-edit-";
constexpr int kCopyDigits = 16; ///< a 64-bit random number in hexadecimal, zero-padded

QByteArray freshName()
{
    return QByteArray(kCopyPrefix)
        + QByteArray::number(QRandomGenerator::global()->generate64(), 16).rightJustified(kCopyDigits, '0');
}

/// True for a name of the form freshName gives, and for no other: a user's
/// ".tavrel-edit-notes.txt" is not ours to remove.
bool isCopyName(const char* name)
{
    const QByteArray text(name);
    if (!text.startsWith(kCopyPrefix) || text.size() != qsizetype(sizeof kCopyPrefix - 1) + kCopyDigits)
        return false;
    for (const char digit : text.mid(sizeof kCopyPrefix - 1)) {
        if (!((digit >= '0' && digit <= '9') || (digit >= 'a' && digit <= 'f')))
            return false;
    }
    return true;
}

} // namespace

HiddenCopy::HiddenCopy(const QString& folder) : folderPath_(folder)
{
    folder_.reset(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder_.get() < 0) {
        error_ = errno;
        return;
    }
    file_ = files::openUnnamed(folder_.get(), O_RDWR, 0600);
    if (file_.get() < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        for (int attempt = 0; attempt < 16 && file_.get() < 0; ++attempt) {
            name_ = freshName();
            file_.reset(::openat(folder_.get(), name_.constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
        }
    }
    if (file_.get() < 0) {
        error_ = errno;
        name_.clear();
        return;
    }
    // Held as long as this process (or its child) lives: a copy whose lock
    // can be taken is one a killed save left.
    ::flock(file_.get(), LOCK_EX);
}

HiddenCopy::~HiddenCopy()
{
    if (!name_.isEmpty())
        ::unlinkat(folder_.get(), name_.constData(), 0);
}

QString HiddenCopy::path() const
{
    return QString::fromLatin1(files::descriptorPath(file_.get()));
}

int HiddenCopy::replace(const QString& name)
{
    const QByteArray target = QFile::encodeName(name);
    if (name_.isEmpty()) {
        // Named under the lock already held, so that no other save takes it
        // for a stale copy in the instant before the rename.
        const QByteArray linked = freshName();
        if (const int error = files::linkUnnamed(file_.get(), folder_.get(), linked.constData()))
            return error;
        name_ = linked;
    }
    if (::renameat(folder_.get(), name_.constData(), folder_.get(), target.constData()) != 0)
        return errno;
    name_.clear();
    ::fsync(folder_.get());
    return 0;
}

QString HiddenCopy::keep(const QString& name)
{
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString wanted = attempt == 0 ? name : name + QLatin1Char('-') + QString::number(attempt);
        const QByteArray encoded = QFile::encodeName(wanted);
        const int error = name_.isEmpty()
            ? files::linkUnnamed(file_.get(), folder_.get(), encoded.constData())
            : (::linkat(folder_.get(), name_.constData(), folder_.get(), encoded.constData(), 0) == 0 ? 0 : errno);
        if (error == EEXIST)
            continue;
        if (error != 0)
            return {};
        if (!name_.isEmpty())
            ::unlinkat(folder_.get(), name_.constData(), 0);
        name_.clear();
        ::fsync(folder_.get());
        return folderPath_ + QLatin1Char('/') + wanted;
    }
    return {};
}

void removeStaleCopies(const QString& folder)
{
    const files::FileDescriptor at(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (at.get() < 0)
        return;
    DIR* listing = ::fdopendir(::dup(at.get()));
    if (!listing)
        return;
    while (const dirent* entry = ::readdir(listing)) {
        if (!isCopyName(entry->d_name))
            continue;
        const files::FileDescriptor copy(
            ::openat(at.get(), entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat opened {};
        struct stat named {};
        if (copy.get() < 0 || ::fstat(copy.get(), &opened) != 0 || !S_ISREG(opened.st_mode)
            || ::flock(copy.get(), LOCK_EX | LOCK_NB) != 0)
            continue;
        // Still the file that was locked, not one put under that name since.
        if (::fstatat(at.get(), entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 && named.st_dev == opened.st_dev
            && named.st_ino == opened.st_ino)
            ::unlinkat(at.get(), entry->d_name, 0);
    }
    ::closedir(listing);
}

} // namespace quandor::audio
