#include "platform/profile/profile_file.h"

#include "platform/files/file_door.h"
#include "platform/profile/windows1252.h"

#include <optional>
#include <vector>

namespace quandor::profile {
namespace {

// One line of the file: its text [begin, end) and where its line end stops.
struct Line {
    qsizetype begin = 0;
    qsizetype end = 0;  // before CR LF / LF
    qsizetype next = 0; // after the line end
};

std::vector<Line> splitLines(const QByteArray& bytes)
{
    std::vector<Line> lines;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        const qsizetype lf = bytes.indexOf('\n', pos);
        Line line;
        line.begin = pos;
        line.next = lf < 0 ? bytes.size() : lf + 1;
        line.end = lf < 0 ? bytes.size() : lf;
        if (line.end > line.begin && bytes[line.end - 1] == '\r')
            --line.end;
        lines.push_back(line);
        pos = line.next;
    }
    return lines;
}

QByteArrayView textOf(const QByteArray& bytes, const Line& line)
{
    return QByteArrayView(bytes).sliced(line.begin, line.end - line.begin);
}

bool sameName(QByteArrayView stored, const QString& wanted)
{
    return fromStoredText(stored.trimmed()).compare(wanted.trimmed(), Qt::CaseInsensitive) == 0;
}

// The section name of a "[name]" line, or nothing for any other line.
std::optional<QByteArrayView> sectionName(QByteArrayView text)
{
    text = text.trimmed();
    if (!text.startsWith('['))
        return std::nullopt;
    text = text.sliced(1);
    const qsizetype close = text.indexOf(']');
    return close < 0 ? text : text.first(close);
}

struct KeyLine {
    QByteArrayView key;
    QByteArrayView value;
};

std::optional<KeyLine> keyLine(QByteArrayView text)
{
    const QByteArrayView trimmed = text.trimmed();
    if (trimmed.startsWith(';'))
        return std::nullopt;
    const qsizetype eq = text.indexOf('=');
    if (eq < 0)
        return std::nullopt;
    return KeyLine{text.first(eq), text.sliced(eq + 1)};
}

QByteArrayView unquoted(QByteArrayView value)
{
    value = value.trimmed();
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.sliced(1, value.size() - 2);
    return value;
}

// Where [section] key stands in the file.
struct Place {
    std::optional<size_t> sectionLine; // the header of the first matching section
    std::optional<size_t> lastLine;    // its last non-blank line
    std::optional<size_t> keyLine;     // the first matching key in it
};

Place locate(const QByteArray& bytes, const std::vector<Line>& lines, const QString& section, const QString& key)
{
    Place place;
    for (size_t i = 0; i < lines.size(); ++i) {
        const QByteArrayView text = textOf(bytes, lines[i]);
        if (const auto name = sectionName(text)) {
            if (place.sectionLine)
                break;
            if (sameName(*name, section)) {
                place.sectionLine = i;
                place.lastLine = i;
            }
            continue;
        }
        if (!place.sectionLine)
            continue;
        if (!text.trimmed().isEmpty())
            place.lastLine = i;
        const auto pair = keyLine(text);
        if (pair && sameName(pair->key, key)) {
            place.keyLine = i;
            break;
        }
    }
    return place;
}

// What ends the line that stops at pos, so a new line can follow it: nothing
// after a LF, a LF after a lone CR, CR LF after text (or nothing at the start).
QByteArray completingLineEnd(const QByteArray& bytes, qsizetype pos)
{
    if (pos == 0 || bytes[pos - 1] == '\n')
        return {};
    if (bytes[pos - 1] == '\r')
        return "\n";
    return "\r\n";
}

bool validName(const QString& name)
{
    const QString t = name.trimmed();
    return !t.isEmpty() && !t.contains(QLatin1Char('\r')) && !t.contains(QLatin1Char('\n'));
}

// Settings files are small; anything larger is not one of ours.
constexpr qint64 kMaxProfileBytes = 16 * 1024 * 1024;

QByteArray readFile(const QString& file)
{
    // Only a regular file is read: a FIFO under the name would hold the
    // program in open() for good, and a link is never read through.
    return files::readRegularFile(file, kMaxProfileBytes).value_or(QByteArray());
}

} // namespace

QString readString(const QString& file, const QString& section, const QString& key, const QString& fallback)
{
    const QByteArray bytes = readFile(file);
    const std::vector<Line> lines = splitLines(bytes);
    const Place place = locate(bytes, lines, section, key);
    if (!place.keyLine)
        return fallback;
    const auto pair = keyLine(textOf(bytes, lines[*place.keyLine]));
    return fromStoredText(unquoted(pair->value));
}

std::optional<QByteArray> withString(QByteArray bytes, const QString& section, const QString& key, const QString& value)
{
    if (!validName(section) || !validName(key) || section.contains(QLatin1Char(']')) || key.contains(QLatin1Char('='))
        || key.trimmed().startsWith(QLatin1Char('[')) || key.trimmed().startsWith(QLatin1Char(';'))
        || value.contains(QLatin1Char('\r')) || value.contains(QLatin1Char('\n')))
        return std::nullopt;

    const std::vector<Line> lines = splitLines(bytes);
    const Place place = locate(bytes, lines, section, key);
    const QByteArray storedValue = toStoredText(value);

    if (place.keyLine) {
        const Line& line = lines[*place.keyLine];
        const QByteArray storedKey = keyLine(textOf(bytes, line))->key.trimmed().toByteArray();
        bytes.replace(line.begin, line.end - line.begin, storedKey + '=' + storedValue);
    } else if (place.sectionLine) {
        const Line& after = lines[*place.lastLine];
        QByteArray insert = toStoredText(key.trimmed()) + '=' + storedValue + "\r\n";
        insert.prepend(completingLineEnd(bytes, after.next));
        bytes.insert(after.next, insert);
    } else {
        bytes.append(completingLineEnd(bytes, bytes.size()));
        bytes.append('[' + toStoredText(section.trimmed()) + "]\r\n");
        bytes.append(toStoredText(key.trimmed()) + '=' + storedValue + "\r\n");
    }
    return bytes;
}

bool writeString(const QString& file, const QString& section, const QString& key, const QString& value)
{
    // Under the folder's lock, so that another program changing the same
    // file meanwhile keeps its change; a file there that cannot be read is
    // never replaced, and a link is replaced by the file, never written through.
    return files::updateFile(
        file, [&](const QByteArray& bytes) { return withString(bytes, section, key, value); }, nullptr,
        kMaxProfileBytes);
}

void writeDefault(const QString& file, const QString& section, const QString& key, const QString& value)
{
    (void)writeString(file, section, key, value);
}

} // namespace quandor::profile
