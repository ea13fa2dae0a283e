#include "fuzz/support/fuzz_support.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>

namespace quandor::fuzz {

void fail(const char* what, const QString& detail)
{
    std::fprintf(stderr, "fuzz property broken: %s\n%s\n", what, detail.toUtf8().constData());
    std::fflush(stderr);
    std::abort();
}

QByteArrayView Fields::next()
{
    const QByteArrayView left = rest();
    const qsizetype end = left.indexOf('\0');
    const QByteArrayView field = end < 0 ? left : left.first(end);
    at_ += end < 0 ? left.size() : end + 1;
    return field;
}

std::uint8_t Fields::nextByte()
{
    const QByteArrayView field = next();
    return field.isEmpty() ? 0 : static_cast<std::uint8_t>(field.front());
}

ScratchFolder::ScratchFolder()
{
    if (!dir_.isValid())
        fail("no scratch folder", dir_.errorString());
}

void ScratchFolder::clear()
{
    QDir dir(dir_.path());
    const QFileInfoList entries =
        dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir() && !entry.isSymLink())
            QDir(entry.filePath()).removeRecursively();
        else
            QFile::remove(entry.filePath());
    }
}

bool ScratchFolder::write(const QString& name, QByteArrayView bytes) const
{
    const QString path = file(name);
    QDir().mkpath(QFileInfo(path).path());
    QFile out(path);
    return out.open(QIODevice::WriteOnly | QIODevice::Truncate)
        && out.write(bytes.data(), bytes.size()) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile in(path);
    return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
}

QString shown(QByteArrayView bytes)
{
    QString text;
    for (char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0x20 && b < 0x7F && b != '\\')
            text += QLatin1Char(c);
        else
            text += QStringLiteral("\\x%1").arg(b, 2, 16, QLatin1Char('0'));
    }
    return text;
}

} // namespace quandor::fuzz
