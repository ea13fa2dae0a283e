#include "cdrip/scsi/cue_sheet.h"

#include "platform/aspi/cue_time.h"
#include "platform/files/regular_file.h"
#include "platform/profile/windows1252.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <optional>

namespace brenlow {

namespace {

constexpr int kMaxTracks = 99;

QString twoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

/// The words of one cue sheet line: split at spaces and tabs, a double-quoted
/// word kept whole (quotes removed).
QStringList tokens(const QString& line)
{
    QStringList words;
    QString word;
    bool quoted = false, inWord = false;
    for (const QChar c : line) {
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            inWord = true;
        } else if (!quoted && (c == QLatin1Char(' ') || c == QLatin1Char('\t'))) {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
        } else {
            word.append(c);
            inWord = true;
        }
    }
    if (inWord)
        words.append(word);
    return words;
}

std::optional<int> parseCueTime(const QString& text)
{
    return quandor::aspi::parseCueTime(text.toStdString());
}

CueSheetLoad failure(CueLoadError error, CueFault fault, const QString& reason = {})
{
    CueSheetLoad load;
    load.error = error;
    load.fault = fault;
    load.reason = reason;
    return load;
}

/// A line the sheet was refused at.
CueSheetLoad lineFailure(CueFault fault, int line, const QString& reason, CueLoadError error = CueLoadError::Unreadable)
{
    CueSheetLoad load = failure(error, fault, QStringLiteral("line %1: ").arg(line) + reason);
    load.place.line = line;
    return load;
}

struct ParsedTrack {
    int line = 0;               // of its TRACK
    int index01Line = 0;        // of its INDEX 01
    std::optional<int> index01; // frame offset in the image
    std::uint8_t control = 0;
};

// The CTL bit of a FLAGS word; 0 for SCMS and words we do not know.
std::uint8_t controlOf(const QString& flag)
{
    if (flag == QLatin1String("PRE"))
        return kControlPreEmphasis;
    if (flag == QLatin1String("DCP"))
        return kControlCopyPermitted;
    if (flag == QLatin1String("4CH"))
        return kControlFourChannel;
    return 0;
}

} // namespace

QString cueTimeText(int frames)
{
    const Msf msf = Msf::fromFrames(frames);
    return twoDigits(msf.minute) + QLatin1Char(':') + twoDigits(msf.second) + QLatin1Char(':') + twoDigits(msf.frame);
}

QByteArray cueSheetText(const TrackTable& tracks, const QString& binName)
{
    QByteArray text;
    auto line = [&text](const QString& s) { text += s.toUtf8() + "\r\n"; };
    line(QStringLiteral("FILE \"%1\" BINARY").arg(binName));
    std::optional<int> previousStart;
    for (const Track& track : tracks.tracks()) {
        const int start = std::max(track.start.imageSector(), 0);
        line(QStringLiteral("  TRACK %1 AUDIO").arg(track.number));
        if (track.preEmphasis())
            line(QStringLiteral("    FLAGS PRE"));
        const int pregap = start - kPregapFrames;
        // Audio before a late track 1 is its pregap: other readers place the
        // track at its INDEX 01 only when an INDEX 00 says where the pregap starts.
        if (!previousStart && start > 0)
            line(QStringLiteral("    INDEX 00 ") + cueTimeText(0));
        else if (previousStart && pregap > *previousStart)
            line(QStringLiteral("    INDEX 00 ") + cueTimeText(pregap));
        line(QStringLiteral("    INDEX 01 ") + cueTimeText(start));
        previousStart = start;
    }
    return text;
}

ImagePaths imagePathsFor(const QString& chosenPath)
{
    const QFileInfo info(chosenPath);
    QString stem = info.fileName();
    const int dot = stem.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        stem.truncate(dot);
    const QDir folder = info.dir();
    ImagePaths paths;
    paths.binName = stem + QStringLiteral(".bin");
    paths.binPath = folder.filePath(paths.binName);
    paths.cuePath = folder.filePath(stem + QStringLiteral(".cue"));
    return paths;
}

namespace {

/// What the lines of a cue sheet say, before the image is looked at.
struct ParsedSheet {
    QString fileName;
    std::vector<ParsedTrack> tracks;
};

/// The failure a line or a check ends the load with; nothing to go on.
using Refusal = std::optional<CueSheetLoad>;

Refusal readFileLine(const QStringList& words, int line, ParsedSheet& sheet)
{
    if (!sheet.fileName.isEmpty())
        return lineFailure(CueFault::BadFileLine, line, QStringLiteral("more than one FILE"));
    if (words.size() != 3 || words[2].toUpper() != QLatin1String("BINARY") || words[1].isEmpty())
        return lineFailure(CueFault::BadFileLine, line, QStringLiteral("FILE is not \"name\" BINARY"));
    sheet.fileName = words[1];
    return std::nullopt;
}

Refusal readTrackLine(const QStringList& words, int line, ParsedSheet& sheet)
{
    if (sheet.fileName.isEmpty())
        return lineFailure(CueFault::BadFileLine, line, QStringLiteral("TRACK before FILE"));
    bool numeric = false;
    const int number = words.size() > 1 ? words[1].toInt(&numeric) : 0;
    if (words.size() != 3 || !numeric || number < 1 || number > kMaxTracks)
        return lineFailure(CueFault::BadTrackLine, line, QStringLiteral("TRACK is not \"n type\""));
    if (words[2].toUpper() != QLatin1String("AUDIO"))
        return lineFailure(CueFault::NotAudio, line, QStringLiteral("track is not AUDIO"), CueLoadError::NotAudio);
    if (sheet.tracks.size() == kMaxTracks)
        return lineFailure(CueFault::BadTrackLine, line, QStringLiteral("more than 99 tracks"));
    sheet.tracks.push_back({});
    sheet.tracks.back().line = line;
    return std::nullopt;
}

Refusal readIndexLine(const QStringList& words, int line, ParsedSheet& sheet)
{
    bool numeric = false;
    const int index = words.size() > 1 ? words[1].toInt(&numeric) : -1;
    const std::optional<int> time = words.size() == 3 ? parseCueTime(words[2]) : std::nullopt;
    if (sheet.tracks.empty() || !numeric || index < 0 || index > 99 || !time)
        return lineFailure(CueFault::BadIndexLine, line, QStringLiteral("INDEX is not \"nn MM:SS:FF\""));
    if (index == 1) {
        if (sheet.tracks.back().index01)
            return lineFailure(CueFault::BadIndexLine, line, QStringLiteral("second INDEX 01"));
        sheet.tracks.back().index01 = *time;
        sheet.tracks.back().index01Line = line;
    }
    return std::nullopt;
}

/// One line (numbered from 1) of the sheet, split into its words.
Refusal readLine(const QStringList& words, int line, ParsedSheet& sheet)
{
    const QString keyword = words[0].toUpper();
    if (keyword == QLatin1String("FILE"))
        return readFileLine(words, line, sheet);
    if (keyword == QLatin1String("TRACK"))
        return readTrackLine(words, line, sheet);
    if (keyword == QLatin1String("INDEX"))
        return readIndexLine(words, line, sheet);
    if (keyword == QLatin1String("FLAGS") && !sheet.tracks.empty()) {
        for (qsizetype w = 1; w < words.size(); ++w)
            sheet.tracks.back().control |= controlOf(words[w].toUpper());
    } else if (keyword == QLatin1String("PREGAP") || keyword == QLatin1String("POSTGAP")) {
        return lineFailure(CueFault::GapLine, line, QStringLiteral("gaps not in the image"));
    }
    // REM, TITLE, PERFORMER, CATALOG, ISRC and others change nothing.
    return std::nullopt;
}

Refusal readLines(const QByteArray& text, ParsedSheet& sheet)
{
    // Cue sheets saved on Windows are often Windows-1252, not UTF-8.
    const QStringList lines = quandor::profile::fromStoredText(text).split(QLatin1Char('\n'));
    for (int n = 0; n < lines.size(); ++n) {
        QString raw = lines[n];
        if (raw.endsWith(QLatin1Char('\r')))
            raw.chop(1);
        const QStringList words = tokens(raw);
        if (words.isEmpty())
            continue;
        if (Refusal refused = readLine(words, n + 1, sheet))
            return refused;
    }
    if (sheet.fileName.isEmpty())
        return failure(CueLoadError::Unreadable, CueFault::NoFile, QStringLiteral("no FILE"));
    if (sheet.tracks.empty())
        return failure(CueLoadError::Unreadable, CueFault::NoTrack, QStringLiteral("no TRACK"));
    return std::nullopt;
}

/// Sets the image's path and size in `load`; false (with the error set) when
/// it is missing or holds no whole sector.
bool findImage(const QString& fileName, const QString& cueFolder, CueSheetLoad& load)
{
    const QString name = QString(fileName).replace(QLatin1Char('\\'), QLatin1Char('/'));
    load.imagePath = QFileInfo(name).isAbsolute() ? name : QDir(cueFolder).filePath(name);
    const QFileInfo image(load.imagePath);
    if (!quandor::files::isRegularFile(load.imagePath)) {
        load.error = CueLoadError::ImageMissing;
        return false;
    }
    load.imageSize = image.size();
    if (load.sectorCount() == 0) {
        load.error = CueLoadError::ImageEmpty;
        return false;
    }
    return true;
}

/// A track the sheet was refused for, with the places that show why.
CueSheetLoad trackFailure(CueFault fault, int track, int line, const QString& reason, int at = 0, int limit = 0)
{
    CueSheetLoad load =
        failure(CueLoadError::Unreadable, fault, QStringLiteral("line %1: track %2 ").arg(line).arg(track) + reason);
    load.place.line = line;
    load.place.track = track;
    load.place.at = at;
    load.place.limit = limit;
    return load;
}

/// What lies in the image before track 1's INDEX 01 is track 1's pregap, from
/// the disc's start on, so a disc whose first track starts late burns back
/// with its track 1 where it was. Every later track must begin after the
/// previous one's start plus its own two-second pregap; all inside the image.
Refusal placeTracks(const std::vector<ParsedTrack>& tracks, CueSheetLoad& load)
{
    int previous = 0;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        const int number = int(i) + 1;
        if (!tracks[i].index01)
            return trackFailure(CueFault::NoIndex01, number, tracks[i].line, QStringLiteral("has no INDEX 01"));
        const int at = *tracks[i].index01;
        if (i > 0 && at <= previous + kPregapFrames)
            return trackFailure(CueFault::OutOfOrder, number, tracks[i].index01Line, QStringLiteral("does not rise"),
                                at, previous);
        const int end = int(std::min<std::int64_t>(load.sectorCount(), INT32_MAX));
        if (at >= end)
            return trackFailure(CueFault::BeyondImage, number, tracks[i].index01Line,
                                QStringLiteral("lies past the image"), at, end);
        const Lba start = Lba::ofImageSector(at);
        BurnTrack track;
        track.number = number;
        track.pregap = i == 0 ? Lba::discStart().msf() : (start - kPregapFrames).msf();
        track.start = start.msf();
        track.control = tracks[i].control;
        load.tracks.push_back(track);
        previous = at;
    }
    return std::nullopt;
}

} // namespace

CueSheetLoad parseCueSheet(const QByteArray& text, const QString& cueFolder)
{
    ParsedSheet sheet;
    if (Refusal refused = readLines(text, sheet))
        return *refused;
    CueSheetLoad load;
    if (!findImage(sheet.fileName, cueFolder, load))
        return load;
    if (Refusal refused = placeTracks(sheet.tracks, load))
        return *refused;
    return load;
}

CueSheetLoad readCueSheet(const QString& cuePath)
{
    if (cuePath.isEmpty())
        return failure(CueLoadError::NoPath, CueFault::None);
    QFile file;
    if (!quandor::files::openRegularFile(file, cuePath))
        return failure(CueLoadError::Unreadable, CueFault::CannotRead, QStringLiteral("cannot open the cue sheet"));
    if (file.size() == 0 || file.size() > kMaxCueSheetBytes)
        return failure(CueLoadError::Unreadable, CueFault::NotACueSheet,
                       QStringLiteral("cue sheet empty or too large"));
    const QByteArray text = file.read(kMaxCueSheetBytes + 1);
    if (text.size() > kMaxCueSheetBytes || text.contains('\0'))
        return failure(CueLoadError::Unreadable, CueFault::NotACueSheet, QStringLiteral("not a cue sheet"));
    return parseCueSheet(text, QFileInfo(cuePath).absolutePath());
}

} // namespace brenlow
