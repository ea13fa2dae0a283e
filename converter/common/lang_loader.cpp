#include "converter/common/lang_loader.h"

#include "converter/common/message_lines.h"

#include "platform/profile/profile_file.h"
#include "platform/profile/windows1252.h"
#include "platform/shell/services.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace tavrel::Lang_Loader {

namespace {

constexpr int maxIniValueLength = 254;
constexpr int maxLanguageLines = 32767;
// Lines after this one were added to the language files later: an empty one
// is a line a translator has not written yet, so its built-in text shows.
constexpr int lastOriginalLine = 55;

QStringList& captionTable()
{
    static QStringList table{QString()};
    return table;
}

} // namespace

QString ReadIni(const QString& file, const QString& section, const QString& key)
{
    return quandor::profile::readString(file, section, key).left(maxIniValueLength);
}

bool WriteIni(const QString& file, const QString& section, const QString& key, const QString& value)
{
    return quandor::profile::writeString(file, section, key, value);
}

QString SaveFailedText(const QString& file)
{
    return localizedMessage(
        QStringLiteral("The settings could not be saved to %1.").arg(QDir::toNativeSeparators(file)));
}

bool SaveIni(QWidget* owner, const QString& file, const QList<IniValue>& values)
{
    bool stored = true;
    for (const IniValue& value : values)
        stored = WriteIni(file, value.section, value.key, value.value) && stored;
    if (!stored)
        quandor::shell::messageBox(owner, SaveFailedText(file), QStringLiteral("Tavrel"),
                                   quandor::shell::MessageButtons::Ok, quandor::shell::MessageIcon::Warning);
    return stored;
}

int ShellOpen(const QString& target, const QString&, const QString&)
{
    return quandor::shell::services().openUrl(target) ? 33 : 2;
}

QString BrowseForFolder(QWidget* owner, const QString& title, const QString& startFolder)
{
    return quandor::shell::services().browseForFolder(owner, title, startFolder);
}

int LanguageLineCount()
{
    return int(captionTable().size()) - 1;
}

QString Caption(int line, const QString& builtIn)
{
    if (line < 0 || line >= LanguageLineCount())
        return builtIn;
    const QString& caption = captionTable().at(line);
    return caption.isEmpty() && line > lastOriginalLine ? builtIn : caption;
}

QStringList SplitLanguageText(const QByteArray& bytes)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype size = bytes.size();
    while (start < size && lines.size() < maxLanguageLines) {
        qsizetype end = bytes.indexOf('\r', start);
        if (end < 0) {
            lines.append(quandor::profile::fromWindows1252(bytes.mid(start)));
            break;
        }
        lines.append(quandor::profile::fromWindows1252(bytes.mid(start, end - start)));
        start = end + 1;
        if (start < size && bytes.at(start) == '\n')
            ++start;
    }
    return lines;
}

bool LoadLanguageFile(const QString& path, QWidget* owner)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly)) {
        quandor::shell::messageBox(owner, QStringLiteral("Can't find the Language file"), QStringLiteral("Tavrel"),
                                   quandor::shell::MessageButtons::Ok, quandor::shell::MessageIcon::Critical);
        return false;
    }
    QStringList lines = SplitLanguageText(file.readAll());
    lines.append(QString());
    captionTable() = std::move(lines);
    return true;
}

QStringList LanguageFileNames(const QString& langFolder)
{
    const QDir folder(langFolder);
    QStringList names;
    const auto entries =
        folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    for (const QFileInfo& entry : entries) {
        if (entry.isDir())
            continue;
        if (entry.fileName().endsWith(QStringLiteral("lng"), Qt::CaseSensitive))
            names.append(entry.fileName());
    }
    std::sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int folded = QString::compare(a, b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    return names;
}

QString DisplayName(const QString& fileName)
{
    return fileName.left(std::max<qsizetype>(0, fileName.size() - 4));
}

} // namespace tavrel::Lang_Loader
