#include "platform/audio/guarded_file_edit.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QThread>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quandor::audio {

namespace {

/// A new file beside the one to edit, removed again unless kept.
class CopyBeside {
public:
    explicit CopyBeside(const QFileInfo& target)
    {
        const QString suffix = target.suffix().isEmpty() ? QString() : QLatin1Char('.') + target.suffix();
        for (int attempt = 0; attempt < 16 && !file_.isOpen(); ++attempt) {
            const QString tag = QString::number(QRandomGenerator::global()->generate64(), 36);
            file_.setFileName(target.absolutePath() + QStringLiteral("/.tavrel-edit-") + tag + suffix);
            file_.open(QIODevice::WriteOnly | QIODevice::NewOnly);
        }
    }
    ~CopyBeside()
    {
        file_.close();
        if (!kept_ && !file_.fileName().isEmpty())
            QFile::remove(file_.fileName());
    }
    CopyBeside(const CopyBeside&) = delete;
    CopyBeside& operator=(const CopyBeside&) = delete;

    QFile& file() { return file_; }
    void keep() { kept_ = true; }

private:
    QFile file_;
    bool kept_ = false;
};

bool copyInto(QFile& from, QFile& to)
{
    constexpr qint64 kChunk = 1 << 20;
    while (!from.atEnd()) {
        const QByteArray chunk = from.read(kChunk);
        if (chunk.isEmpty() || to.write(chunk) != chunk.size())
            return false;
    }
    return to.flush();
}

/// In the child: limits, the edit, and an exit status that says how it went.
[[noreturn]] void runChild(const QString& copyPath, qint64 maxBytes, const std::function<bool(const QString&)>& edit)
{
    // Passing the bound kills the child at once (SIGXFSZ), mid-write.
    signal(SIGXFSZ, SIG_DFL);
    rlimit size{rlim_t(maxBytes), rlim_t(maxBytes)};
    setrlimit(RLIMIT_FSIZE, &size);
    rlimit noCore{0, 0}; // a crash here is expected now and then; it leaves no core file
    setrlimit(RLIMIT_CORE, &noCore);
    _exit(edit(copyPath) ? 0 : 1);
}

/// Waits for the child; kills it when the time is up. True when it exited with 0.
bool childSucceeded(pid_t child, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child)
            return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0)
            return false;
        if (deadline.hasExpired()) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return false;
        }
        QThread::msleep(5);
    }
}

} // namespace

bool editCopyGuarded(const QString& path, const GuardedEditLimits& limits,
                     const std::function<bool(const QString& copyPath)>& edit)
{
    // A link is followed: the file it names is edited, the link stays.
    const QFileInfo target(QFileInfo(path).canonicalFilePath());
    QFile original(target.filePath());
    if (target.filePath().isEmpty() || !target.isFile() || !original.open(QIODevice::ReadOnly))
        return false;
    CopyBeside copy(target);
    if (!copy.file().isOpen() || !copyInto(original, copy.file()))
        return false;
    copy.file().setPermissions(original.permissions());
    copy.file().close();
    const QString copyPath = copy.file().fileName();
    const qint64 maxBytes = original.size() + limits.maxGrowthBytes;

    std::fflush(nullptr); // nothing buffered is written twice by the child
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0)
        runChild(copyPath, maxBytes, edit);
    if (!childSucceeded(child, limits.timeoutMs))
        return false;
    const qint64 written = QFileInfo(copyPath).size();
    if (written <= 0 || written > maxBytes)
        return false;
    if (std::rename(QFile::encodeName(copyPath).constData(), QFile::encodeName(target.filePath()).constData()) != 0)
        return false;
    copy.keep();
    return true;
}

} // namespace quandor::audio
