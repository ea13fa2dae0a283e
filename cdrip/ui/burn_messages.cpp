#include "cdrip/ui/burn_messages.h"

#include "cdrip/scsi/msf.h"

namespace brenlow {

namespace {

// Language lines of the burner's reasons.
enum Line {
    CannotReadLine = 190,
    NotACueSheetLine = 191,
    BadFileLine = 192,
    NoFileLine = 193,
    BadTrackLine = 194,
    BadIndexLine = 195,
    GapLine = 196,
    NoTrackLine = 197,
    NoIndex01Line = 198,
    OutOfOrderLine = 199,
    BeyondImageLine = 200,
    ImageTooLongLine = 201,
};

QString reasonText(const CueSheetLoad& load, const LanguageTable& language)
{
    const CuePlace& place = load.place;
    switch (load.fault) {
    case CueFault::None:
    case CueFault::NotAudio:
        return {};
    case CueFault::CannotRead:
        return language.text(CannotReadLine, QStringLiteral("the cue sheet cannot be read."));
    case CueFault::NotACueSheet:
        return language.text(NotACueSheetLine, QStringLiteral("this is not a cue sheet."));
    case CueFault::BadFileLine:
        return language
            .text(BadFileLine, QStringLiteral("line %1: the image must be named once, as FILE \"name\" BINARY."))
            .arg(place.line);
    case CueFault::NoFile:
        return language.text(NoFileLine, QStringLiteral("the cue sheet names no image (FILE \"name\" BINARY)."));
    case CueFault::BadTrackLine:
        return language
            .text(BadTrackLine, QStringLiteral("line %1: a track must read TRACK n AUDIO, 99 tracks at most."))
            .arg(place.line);
    case CueFault::BadIndexLine:
        return language
            .text(BadIndexLine,
                  QStringLiteral("line %1: an index must read INDEX nn MM:SS:FF, one INDEX 01 per track."))
            .arg(place.line);
    case CueFault::GapLine:
        return language
            .text(GapLine, QStringLiteral("line %1: PREGAP and POSTGAP are not in the image and cannot be burned."))
            .arg(place.line);
    case CueFault::NoTrack:
        return language.text(NoTrackLine, QStringLiteral("the cue sheet names no track."));
    case CueFault::NoIndex01:
        return language.text(NoIndex01Line, QStringLiteral("line %1: this track has no INDEX 01.")).arg(place.line);
    case CueFault::OutOfOrder:
        return language
            .text(OutOfOrderLine,
                  QStringLiteral("line %1: the track starts at %2, not after the previous track (%3) "
                                 "and its two-second pregap: the tracks are out of order."))
            .arg(place.line)
            .arg(cueTimeText(place.at))
            .arg(cueTimeText(place.limit));
    case CueFault::BeyondImage:
        return language
            .text(BeyondImageLine, QStringLiteral("line %1: the track starts at %2, beyond the end of the image (%3)."))
            .arg(place.line)
            .arg(cueTimeText(place.at))
            .arg(cueTimeText(place.limit));
    }
    return {};
}

} // namespace

QString cueRefusalText(const CueSheetLoad& load, const QString& cuePath, const LanguageTable& language)
{
    const QString reason = reasonText(load, language);
    return reason.isEmpty() ? QString() : cuePath + QStringLiteral(" : ") + reason;
}

QString imageTooLongText(std::int64_t imageSectors, int discSectors, const LanguageTable& language)
{
    const auto length = [](std::int64_t sectors) {
        return Msf::fromFrames(int(std::min<std::int64_t>(sectors, INT32_MAX))).text();
    };
    return language
        .text(ImageTooLongLine, QStringLiteral("The image (%1, %2 sectors) does not fit on the disc (%3, %4 sectors)."))
        .arg(length(imageSectors))
        .arg(imageSectors)
        .arg(length(discSectors))
        .arg(discSectors);
}

} // namespace brenlow
