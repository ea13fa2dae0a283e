#include "converter/common/message_lines.h"

#include "converter/common/lang_loader.h"

#include <QRegularExpression>
#include <QStringList>

namespace tavrel {

namespace {

struct MessageLine {
    int line;
    const char* english; ///< %1, %2 stand for the values the message carries
};

// Lines 56 and on of the language files (77-79 and 81-84 are other texts').
constexpr MessageLine kMessageLines[] = {
    {56, "Could not convert %1"},
    {57, "the file cannot be found any more"},
    {58, "cannot create the target"},
    {59, "cannot read the source"},
    {60, "cannot write the target"},
    {61, "cannot complete the target"},
    {62, "No valid output format is set"},
    {63, "Bad value for %1: %2"},
    {64, "Unknown LAME option: %1"},
    {65, "The option %1 needs a value"},
    {66, "The tags could not be saved in %1"},
    {67, "No space left on device"},
    {68, "Permission denied"},
    {69, "No such file or directory"},
    {70, "File too large"},
    {71, "Read-only file system"},
    {72, "Cannot create %1"},
    {73, "Cannot write %1"},
    {74, "the source cannot be decoded to its end"},
    {75, "the target refuses the source's format"},
    {76, "Input/output error"},
    {85, "The settings could not be saved to %1."},
};

/// The pattern a phrase with values matches, each value captured.
QRegularExpression patternOf(const QString& english)
{
    static const QRegularExpression value(QStringLiteral("%\\d"));
    QStringList pieces;
    for (const QString& piece : english.split(value))
        pieces.append(QRegularExpression::escape(piece));
    return QRegularExpression(QLatin1Char('^') + pieces.join(QStringLiteral("(.+)")) + QLatin1Char('$'),
                              QRegularExpression::DotMatchesEverythingOption);
}

/// True when a value took in a ": " as well: the text is then one phrase
/// followed by others ("Cannot write /a.aac: File too large"), each with a
/// line of its own, not one phrase with a long value.
bool holdsPartSeparator(const QRegularExpressionMatch& match)
{
    for (int value = 1; value <= match.lastCapturedIndex(); ++value) {
        if (match.captured(value).contains(QStringLiteral(": ")))
            return true;
    }
    return false;
}

/// `text` in the language in use when it is one of the phrases, else unchanged.
QString localizedPhrase(const QString& text)
{
    for (const MessageLine& row : kMessageLines) {
        const QString english = QString::fromLatin1(row.english);
        if (!english.contains(QLatin1Char('%'))) {
            if (text == english)
                return Lang_Loader::Caption(row.line, english);
            continue;
        }
        const QRegularExpressionMatch match = patternOf(english).match(text);
        if (!match.hasMatch() || holdsPartSeparator(match))
            continue;
        QString shown = Lang_Loader::Caption(row.line, english);
        for (int value = match.lastCapturedIndex(); value >= 1; --value)
            shown.replace(QLatin1Char('%') + QString::number(value), match.captured(value));
        return shown;
    }
    return text;
}

QString localizedLine(const QString& line)
{
    const QString whole = localizedPhrase(line);
    if (whole != line)
        return whole;
    QStringList parts = line.split(QStringLiteral(": "));
    if (parts.size() < 2)
        return line;
    for (QString& part : parts)
        part = localizedPhrase(part);
    return parts.join(QStringLiteral(": "));
}

} // namespace

QString localizedMessage(const QString& english)
{
    QStringList lines = english.split(QLatin1Char('\n'));
    for (QString& line : lines)
        line = localizedLine(line);
    return lines.join(QLatin1Char('\n'));
}

} // namespace tavrel
