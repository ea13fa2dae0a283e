#include "cdrip/scsi/toc.h"

#include "cdrip/scsi/writer_commands.h"

#include <array>

namespace brenlow {
namespace {

constexpr std::size_t kHeaderBytes = 4;
constexpr std::size_t kDescriptorBytes = 8;

Msf descriptorAddress(std::span<const std::uint8_t> answer, int index)
{
    const std::size_t at = kHeaderBytes + static_cast<std::size_t>(index) * kDescriptorBytes;
    return Msf{answer[at + 5], answer[at + 6], answer[at + 7]};
}

TocResult failed(TocError error)
{
    TocResult result;
    result.error = error;
    return result;
}

} // namespace

QString defaultTrackTitle(const QString& trackWord, int number)
{
    return QStringLiteral("%1 %2").arg(trackWord).arg(number, 2, 10, QLatin1Char('0'));
}

TocResult parseTocAnswer(std::span<const std::uint8_t> answer, const QString& trackWord)
{
    if (answer.size() < kHeaderBytes)
        return failed(TocError::ShortReply);
    const int first = answer[2];
    const int last = answer[3];
    if (first < 1 || last < first || last > TrackTable::kMaxTracks)
        return failed(TocError::BadTrackNumbers);
    const int count = last - first + 1;

    // The data length counts the bytes after its own two; every track needs a
    // descriptor, and the lead-out one more.
    const std::size_t dataLength = (std::size_t(answer[0]) << 8) | answer[1];
    const std::size_t needed = kHeaderBytes + std::size_t(count + 1) * kDescriptorBytes;
    if (dataLength + 2 < needed || answer.size() < needed)
        return failed(TocError::ShortReply);

    std::vector<Track> tracks;
    tracks.reserve(static_cast<std::size_t>(count));
    Msf previous;
    for (int i = 0; i <= count; ++i) {
        const Msf address = descriptorAddress(answer, i);
        if (!address.valid() || (i > 0 && address.frames() <= previous.frames()))
            return failed(TocError::BadAddress);
        previous = address;
    }
    for (int i = 0; i < count; ++i) {
        Track track;
        track.number = i + 1;
        track.title = defaultTrackTitle(trackWord, track.number);
        track.start = Lba::fromMsf(descriptorAddress(answer, i));
        track.lengthFrames = Lba::fromMsf(descriptorAddress(answer, i + 1)) - track.start;
        track.progress = 1;
        track.selected = 1;
        track.control = answer[kHeaderBytes + std::size_t(i) * kDescriptorBytes + 1] & 0x0F;
        tracks.push_back(std::move(track));
    }
    TocResult result;
    result.table.setTracks(std::move(tracks), Lba::fromMsf(descriptorAddress(answer, count)));
    return result;
}

TocResult readTableOfContents(ScsiTransport& transport, const DriveAddress& drive, const QString& trackWord)
{
    std::array<std::uint8_t, scsi::kTocAllocation> answer{};
    const ScsiResult command = scsi::readTocMsf(transport, drive, answer);
    TocResult result = command.ok() ? parseTocAnswer(answer, trackWord) : failed(TocError::CommandFailed);
    // Drives refuse READ TOC of a blank disc as an invalid request.
    if (!command.ok() && command.sense.key == sense_key::IllegalRequest
        && scsi::isBlank(scsi::readDiscState(transport, drive)))
        result.error = TocError::BlankDisc;
    result.command = command;
    return result;
}

} // namespace brenlow
