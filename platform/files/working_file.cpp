#include "platform/files/working_file.h"

#include "platform/files/unnamed_file.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>
#include <cerrno>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>

namespace quandor::files {
namespace {

/// The working files alive in this process, by path: only these are written
/// through a descriptor path, so no other path is ever taken for one.
struct Register {
    QMutex lock;
    std::map<QString, QString> shownNames;
};

Register& workingFiles()
{
    static Register files;
    return files;
}

} // namespace

WorkingFile::~WorkingFile()
{
    release();
}

bool WorkingFile::create(const QString& folder, const QString& shownName, QString* error)
{
    release();
    const FileDescriptor place(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    // Readable too: the step after the one that writes it reads it back.
    FileDescriptor made = place ? openUnnamed(place.get(), O_RDWR, 0600) : FileDescriptor();
    if (!made) {
        if (error)
            *error =
                QStringLiteral("Cannot create %1: %2").arg(QDir::toNativeSeparators(shownName), qt_error_string(errno));
        return false;
    }
    fd_ = std::move(made);
    path_ = QFile::decodeName(descriptorPath(fd_.get()));
    shownName_ = shownName;
    const QMutexLocker locked(&workingFiles().lock);
    workingFiles().shownNames[path_] = shownName_;
    return true;
}

void WorkingFile::release()
{
    if (!fd_)
        return;
    {
        const QMutexLocker locked(&workingFiles().lock);
        workingFiles().shownNames.erase(path_);
    }
    fd_.reset();
    path_.clear();
    shownName_.clear();
}

qint64 WorkingFile::size() const
{
    struct stat status {};
    return fd_ && ::fstat(fd_.get(), &status) == 0 ? qint64(status.st_size) : 0;
}

bool isWorkingFile(const QString& path)
{
    const QMutexLocker locked(&workingFiles().lock);
    return workingFiles().shownNames.count(path) != 0;
}

QString shownNameOf(const QString& path)
{
    const QMutexLocker locked(&workingFiles().lock);
    const auto found = workingFiles().shownNames.find(path);
    return found == workingFiles().shownNames.end() ? path : found->second;
}

} // namespace quandor::files
