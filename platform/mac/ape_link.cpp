#include "platform/mac/ape_link.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quandor::mac {

namespace {
constexpr qint64 kMaxLinkBytes = 64 * 1024;
const QByteArray kSignature = "[Monkey's Audio Image Link File]";
} // namespace

std::optional<ApeLink> readApeLink(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    QByteArray text = file.read(kMaxLinkBytes);
    if (text.startsWith("\xEF\xBB\xBF"))
        text.remove(0, 3);
    if (!text.startsWith(kSignature))
        return std::nullopt;

    ApeLink link;
    bool haveImage = false, haveStart = false, haveFinish = false;
    for (const QByteArray& rawLine : text.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        const QByteArray key = line.left(equals).trimmed().toLower();
        const QByteArray value = line.mid(equals + 1).trimmed();
        bool ok = true;
        if (key == "image file" && !haveImage) {
            link.imagePath = QString::fromUtf8(value);
            haveImage = !link.imagePath.isEmpty();
        } else if (key == "start block" && !haveStart) {
            link.startBlock = value.toLongLong(&ok);
            haveStart = ok;
        } else if (key == "finish block" && !haveFinish) {
            link.finishBlock = value.toLongLong(&ok);
            haveFinish = ok;
        }
    }
    if (!haveImage || !haveStart || !haveFinish || link.startBlock < 0 || link.finishBlock < link.startBlock)
        return std::nullopt;
    link.imagePath = QDir::cleanPath(QFileInfo(path).absoluteDir().absoluteFilePath(
        QString(link.imagePath).replace(QLatin1Char('\\'), QLatin1Char('/'))));
    return link;
}

} // namespace quandor::mac
