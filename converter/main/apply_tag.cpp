#include "converter/main/apply_tag.h"

#include "converter/common/conversion_numbers.h"
#include "platform/audio/audio_tag_info.h"

#include <QDir>

#include <optional>

namespace tavrel {

QString tagErrorMessage()
{
    return QStringLiteral("Error on SetTag function");
}

QString tagFailureMessage(const QString& target, const QString& reason)
{
    QString text = tagErrorMessage() + QLatin1Char('\n') + QDir::toNativeSeparators(target);
    if (!reason.isEmpty())
        text += QLatin1Char('\n') + reason;
    return text;
}

namespace {

bool fail(QString* error, const QString& reason)
{
    if (error)
        *error = reason;
    return false;
}

std::nullopt_t refuse(QString* error, const QString& reason)
{
    fail(error, reason);
    return std::nullopt;
}

using quandor::audio::AudioTagInfo;

/// The tag to write for `values`, after the changes to year and track.
std::optional<AudioTagInfo> tagFor(TagValues& values, int currentYear, QString* error)
{
    const std::optional<double> yearNumber = parseNumber(values.year);
    if (!yearNumber)
        return refuse(error, QStringLiteral("the year \"%1\" is not a number").arg(values.year));
    if (*yearNumber == 0.0)
        values.year = QString::number(currentYear);
    const std::optional<std::int32_t> year = toInt32(values.year);
    if (!year)
        return refuse(error, QStringLiteral("the year \"%1\" is out of range").arg(values.year));
    if (values.track == 0 || values.track == 103)
        values.track = 1;

    AudioTagInfo tag;
    tag.TagVersion = 2;
    tag.Title = values.title;
    tag.Artist = values.artist;
    tag.Album = values.album;
    tag.Genre = values.genre >= 0 && values.genre < AudioTagInfo::GenreCount ? values.genre : AudioTagInfo::NoGenre;
    tag.Comment = values.comment;
    tag.Year = *year;
    tag.Track = values.track;
    tag.EncodedBy = QStringLiteral("Tavrel");
    return tag;
}

} // namespace

bool applyTag(TagValues& values, const QString& target, int currentYear, QString* error)
{
    std::optional<AudioTagInfo> tag = tagFor(values, currentYear, error);
    if (!tag)
        return false;
    if (!tag->SaveTags(target))
        return fail(error, tag->LastError());
    return true;
}

bool applyTagToOwnFile(TagValues& values, const QString& workingPath, const QString& target, int currentYear,
                       QString* error, bool* damaged)
{
    if (damaged)
        *damaged = false;
    std::optional<AudioTagInfo> tag = tagFor(values, currentYear, error);
    if (!tag)
        return false;
    if (!tag->SaveTagsToOwnFile(workingPath, target)) {
        if (damaged)
            *damaged = tag->LastSaveDamagedFile();
        return fail(error, tag->LastError());
    }
    return true;
}

quandor::audio::TagFieldList tagFieldsFor(TagValues values, int currentYear)
{
    const std::optional<AudioTagInfo> tag = tagFor(values, currentYear, nullptr);
    return tag ? tag->TextFields() : quandor::audio::TagFieldList{};
}

} // namespace tavrel
