// INI files: one write into any file, then the properties the settings of both
// programs rely on. Input: "section\0key\0value\0<file bytes>".
//
// - a write that fails leaves the file byte for byte;
// - a written value reads back (spaces around a value and one pair of quotes
//   are not part of it, as the layer documents);
// - every other key of the file keeps its value;
// - writing the same value again changes nothing.

#include "fuzz/support/fuzz_support.h"
#include "platform/profile/profile_file.h"
#include "platform/profile/windows1252.h"

#include <utility>
#include <vector>

using namespace quandor;

namespace {

struct Name {
    QString section;
    QString key;
};

// The section and key names of the file, in the order they stand.
std::vector<Name> namesIn(const QByteArray& bytes)
{
    std::vector<Name> names;
    QString section;
    for (const QByteArray& line : bytes.split('\n')) {
        const QByteArrayView text = QByteArrayView(line).trimmed();
        if (text.startsWith('[')) {
            const qsizetype close = text.indexOf(']');
            section = profile::fromStoredText(close < 0 ? text.sliced(1) : text.sliced(1, close - 1));
            continue;
        }
        const qsizetype eq = line.indexOf('=');
        if (eq > 0 && !text.startsWith(';') && names.size() < 64)
            names.push_back({section, profile::fromStoredText(QByteArrayView(line).first(eq))});
    }
    return names;
}

bool sameName(const QString& a, const QString& b)
{
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

bool isAsciiSpace(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\v') || c == QLatin1Char('\f');
}

// The value the layer gives back for `value`: spaces around it and one pair
// of surrounding quotes are not part of a stored value.
bool readsBackAsIs(const QString& value)
{
    if (value.isEmpty())
        return true;
    if (isAsciiSpace(value.front()) || isAsciiSpace(value.back()))
        return false;
    const bool quoted = value.size() >= 2 && value.front() == value.back()
        && (value.front() == QLatin1Char('"') || value.front() == QLatin1Char('\''));
    return !quoted;
}

const QString kAbsent = QStringLiteral("(absent)\u0001");

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::ScratchFolder folder;
    fuzz::Fields fields(data, size);
    const QString section = QString::fromUtf8(fields.next());
    const QString key = QString::fromUtf8(fields.next());
    const QString value = QString::fromUtf8(fields.next());
    const QByteArray original = fields.rest().toByteArray();

    const QString file = folder.file(QStringLiteral("Config.ini"));
    folder.clear();
    if (!original.isEmpty())
        folder.write(QStringLiteral("Config.ini"), original);

    std::vector<std::pair<Name, QString>> others;
    for (const Name& name : namesIn(original)) {
        if (!(sameName(name.section, section) && sameName(name.key, key)))
            others.push_back({name, profile::readString(file, name.section, name.key, kAbsent)});
    }

    if (!profile::writeString(file, section, key, value)) {
        fuzz::check(fuzz::readFile(file) == original, "a failed write changed the file");
        return 0;
    }
    const QByteArray written = fuzz::readFile(file);
    const QString readBack = profile::readString(file, section, key, kAbsent);
    if (readsBackAsIs(value))
        fuzz::check(readBack == value, "a written value reads back",
                    QStringLiteral("wrote \"%1\", read \"%2\"").arg(value, readBack));
    else
        fuzz::check(readBack != kAbsent, "a written key is found");

    for (const auto& [name, before] : others) {
        const QString after = profile::readString(file, name.section, name.key, kAbsent);
        fuzz::check(after == before, "other keys keep their values",
                    QStringLiteral("[%1] %2: \"%3\" became \"%4\"\nfile now: %5")
                        .arg(name.section, name.key, before, after, fuzz::shown(written)));
    }

    fuzz::check(profile::writeString(file, section, key, value), "a rewrite succeeds");
    fuzz::check(fuzz::readFile(file) == written, "a rewrite of the same value is idempotent",
                fuzz::shown(fuzz::readFile(file)));
    return 0;
}
