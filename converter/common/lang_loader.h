#pragma once
// Settings file access, shell helpers and the caption table of the converter.
// Every Config.ini value is read and written one at a time at the moment it
// is needed; there is no settings cache.

#include "converter/common/config_keys.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace tavrel::Lang_Loader {

/// The value of [section] key in `file`, at most 254 characters; empty when
/// the file, the section or the key is absent. Never creates the file.
QString ReadIni(const QString& file, const QString& section, const QString& key);

/// Stores [section] key = value, creating the file or the section as needed.
/// False when it could not be stored; the file is unchanged then.
[[nodiscard]] bool WriteIni(const QString& file, const QString& section, const QString& key, const QString& value);

/// ReadIni of a named key.
inline QString ReadIni(const QString& file, const ConfigKey& key)
{
    return ReadIni(file, key.sectionName(), key.keyName());
}

/// One value of a save action.
struct IniValue {
    QString section;
    QString key;
    QString value;

    IniValue(QString sectionName, QString keyName, QString text)
        : section(std::move(sectionName)),
          key(std::move(keyName)),
          value(std::move(text))
    {}
    IniValue(const ConfigKey& named, QString text)
        : section(named.sectionName()),
          key(named.keyName()),
          value(std::move(text))
    {}
};

/// The text that tells the user the settings could not be saved to `file`.
QString SaveFailedText(const QString& file);

/// Stores the values of one save action in `file`. When any of them could not
/// be stored, says so once in a message box naming the file; false then.
bool SaveIni(QWidget* owner, const QString& file, const QList<IniValue>& values);

/// Opens a web address, a "mailto: " link or a file with its own program and
/// does not wait for it. Returns 33 when the request was handed on, else 2.
int ShellOpen(const QString& target, const QString& folder = QString(), const QString& unused = QString());

/// The folder browser; an empty string when cancelled.
QString BrowseForFolder(QWidget* owner, const QString& title, const QString& startFolder = QString());

/// Number of lines the language file in use really has.
int LanguageLineCount();

/// Line n of the language file in use, or `builtIn` when the file has no
/// such line (a short file keeps the built-in captions of the lines it lacks;
/// an empty line after line 55, one added later, counts as lacking too).
QString Caption(int line, const QString& builtIn);

/// Splits language-file bytes (Windows-1252) into lines: a line ends at CR or
/// at CR LF; a lone LF is part of the line. At most 32767 lines are kept.
QStringList SplitLanguageText(const QByteArray& bytes);

/// Replaces the caption table with the lines of `path`. When the file does
/// not exist, shows "Can't find the Language file" and returns false; the
/// caption table in use is then left as it was.
bool LoadLanguageFile(const QString& path, QWidget* owner = nullptr);

/// The language files of `langFolder`: the files (not folders) whose names
/// end in "lng", in a fixed order (by name without regard to case), so that
/// a stored language number keeps pointing at the same file.
QStringList LanguageFileNames(const QString& langFolder);

/// The language name shown for a file name: the name without its last four
/// characters ("English.lng" gives "English").
QString DisplayName(const QString& fileName);

} // namespace tavrel::Lang_Loader
