// Reading commands of the emulated drive: READ TOC, READ CD, READ DISC
// INFORMATION, READ DVD STRUCTURE.
#include "platform/aspi/emulated_drive.h"

#include <algorithm>

#include "platform/aspi/disc_address.h"

namespace quandor::aspi {

namespace {

constexpr int32_t kDvdFirstPhysicalSector = 0x30000;

void putAddress(std::vector<uint8_t>& out, int32_t lba, bool msf)
{
    if (msf) {
        const Msf at = Msf::fromLba(lba);
        out.insert(out.end(), {0, uint8_t(at.minute), uint8_t(at.second), uint8_t(at.frame)});
    } else {
        out.insert(
            out.end(),
            {uint8_t(uint32_t(lba) >> 24), uint8_t(uint32_t(lba) >> 16), uint8_t(uint32_t(lba) >> 8), uint8_t(lba)});
    }
}

void putTocEntry(std::vector<uint8_t>& out, int number, const DiscTrack& track, int32_t lba, bool msf)
{
    const uint8_t control = (track.data ? 0x04 : 0x00) | (track.preEmphasis ? 0x01 : 0x00)
        | (track.copyPermitted ? 0x02 : 0x00) | (track.fourChannel ? 0x08 : 0x00);
    out.insert(out.end(), {0, uint8_t(0x10 | control), uint8_t(number), 0});
    putAddress(out, lba, msf);
}

void setLength(std::vector<uint8_t>& answer)
{
    writeBe16(answer, 0, uint32_t(answer.size() - 2));
}

} // namespace

ScsiOutcome EmulatedDrive::readToc(std::span<const uint8_t> cdb, std::span<uint8_t> data)
{
    if (auto reason = notReadyReason())
        return fail(*reason);
    const bool msf = cdb[1] & 0x02;
    int format = cdb[2] & 0x0F;
    if (format == 0)
        format = cdb[9] >> 6; // the older place of the format field
    const size_t allocation = readBe16(cdb, 7);
    const DiscLayout& layout = disc_.layout;
    if (disc_.blank || layout.tracks.empty())
        return fail(kSenseInvalidFieldInCdb);

    std::vector<uint8_t> answer{0, 0, uint8_t(layout.firstTrack()), uint8_t(layout.lastTrack())};
    if (format == 0) {
        const int from = cdb[6];
        if (from > layout.lastTrack() && from != 0xAA)
            return fail(kSenseInvalidFieldInCdb);
        for (const DiscTrack& track : layout.tracks) {
            if (track.number >= from)
                putTocEntry(answer, track.number, track, track.startLba, msf);
        }
        DiscTrack leadOut;
        leadOut.data = layout.tracks.back().data;
        putTocEntry(answer, 0xAA, leadOut, layout.leadOutLba, msf);
    } else if (format == 1) {
        answer[2] = answer[3] = 1; // one session
        const DiscTrack& first = layout.tracks.front();
        putTocEntry(answer, first.number, first, first.startLba, msf);
    } else {
        return fail(kSenseInvalidFieldInCdb);
    }
    setLength(answer);
    return reply(data, answer, allocation);
}

ScsiOutcome EmulatedDrive::readCd(std::span<const uint8_t> cdb, std::span<uint8_t> data)
{
    if (auto reason = notReadyReason())
        return fail(*reason);
    if (!isCdMedium())
        return fail(kSenseCannotReadMediumFormat);
    const int expected = (cdb[1] >> 2) & 0x07;
    const int32_t lba = int32_t(readBe32(cdb, 2));
    const uint32_t count = readBe24(cdb, 6);
    const uint8_t mainChannel = cdb[9] & 0xF8;
    if (expected > 5 || (cdb[9] & 0x06) || (cdb[10] & 0x07))
        return fail(kSenseInvalidFieldInCdb); // C2 pointers and sub-channel are not emulated
    if (count == 0)
        return ScsiOutcome::good();
    if (disc_.blank || lba < 0 || int64_t(lba) + count > disc_.layout.leadOutLba)
        return fail(kSenseLbaOutOfRange);

    // Every sector of the request must suit the expected type and selection.
    uint32_t bytesPerSector = 0;
    uint32_t offsetInSector = 0;
    for (uint32_t i = 0; i < count; ++i) {
        // The pregap before track 1 reads as part of that track, as on a real drive.
        const DiscTrack* track = disc_.layout.trackAt(lba + int32_t(i));
        if (!track && !disc_.layout.tracks.empty())
            track = &disc_.layout.tracks.front();
        if (!track)
            return fail(kSenseLbaOutOfRange);
        uint32_t size = 0, offset = 0;
        if (!track->data) {
            if (expected != 0 && expected != 1)
                return fail(kSenseIllegalModeForTrack);
            size = mainChannel ? kRawSectorSize : 0;
        } else {
            if (expected != 0 && expected != 2)
                return fail(kSenseIllegalModeForTrack);
            if (mainChannel == 0xF8)
                size = kRawSectorSize;
            else if (mainChannel == 0x10)
                size = 2048, offset = 16;
            else if (mainChannel != 0)
                return fail(kSenseInvalidFieldInCdb);
        }
        if (i > 0 && (size != bytesPerSector || offset != offsetInSector))
            return fail(kSenseIllegalModeForTrack); // mixed sector sizes in one request
        bytesPerSector = size;
        offsetInSector = offset;
    }
    for (uint32_t i = 0; i < count; ++i) {
        if (config_.unreadableLbas.count(lba + int32_t(i)))
            return fail(kSenseUnrecoveredReadError);
    }
    if (bytesPerSector == 0)
        return ScsiOutcome::good();

    // A buffer shorter than the transfer gets what fits, as a bus transfer would.
    const uint32_t fits = std::min<uint32_t>(count, uint32_t(data.size() / bytesPerSector));
    if (bytesPerSector == kRawSectorSize) { // whole sectors: one read straight into the buffer
        if (!disc_.sectors || !disc_.sectors->read(lba, fits, data.data()))
            return fail(kSenseUnrecoveredReadError);
        return ScsiOutcome::good(fits * kRawSectorSize);
    }
    std::vector<uint8_t> raw(kRawSectorSize);
    for (uint32_t i = 0; i < fits; ++i) {
        if (!disc_.sectors || !disc_.sectors->read(lba + int32_t(i), 1, raw.data()))
            return fail(kSenseUnrecoveredReadError);
        std::copy_n(raw.begin() + offsetInSector, bytesPerSector, data.begin() + size_t(i) * bytesPerSector);
    }
    return ScsiOutcome::good(fits * bytesPerSector);
}

ScsiOutcome EmulatedDrive::readDiscInformation(std::span<const uint8_t> cdb, std::span<uint8_t> data)
{
    if (auto reason = notReadyReason())
        return fail(*reason);
    if (cdb[1] & 0x07)
        return fail(kSenseInvalidFieldInCdb); // only standard disc information
    std::vector<uint8_t> answer(34, 0);
    writeBe16(answer, 0, 32);
    const bool erasable = disc_.kind == MediumKind::CdRw;
    const bool recordable = disc_.kind == MediumKind::CdR || erasable;
    if (recordable && disc_.blank) {
        answer[2] = (erasable ? 0x10 : 0) | 0x00; // empty disc, empty last session
        answer[3] = 1;
        answer[4] = 1;
        answer[5] = 1;
        answer[6] = 1;
        const Msf leadIn{97, 26, 66}; // ATIP lead-in start of a typical 80-minute disc
        answer.at(17) = uint8_t(leadIn.minute);
        answer.at(18) = uint8_t(leadIn.second);
        answer.at(19) = uint8_t(leadIn.frame);
    } else {
        answer[2] = (erasable ? 0x10 : 0) | 0x0C | 0x02; // complete session, complete disc
        answer[3] = uint8_t(disc_.layout.firstTrack());
        answer[4] = 1;
        answer[5] = uint8_t(disc_.layout.firstTrack());
        answer[6] = uint8_t(disc_.layout.lastTrack());
        answer[16] = answer[17] = answer[18] = answer[19] = 0xFF; // no further session
    }
    answer[7] = 0x20; // unrestricted use
    answer[8] = 0x00; // CD-DA or CD-ROM
    if (recordable) {
        const Msf lastLeadOut = Msf::fromLba(config_.lastLeadOutFrames - kLbaToMsfOffset);
        answer[21] = uint8_t(lastLeadOut.minute);
        answer[22] = uint8_t(lastLeadOut.second);
        answer[23] = uint8_t(lastLeadOut.frame);
    } else {
        answer[20] = answer[21] = answer[22] = answer[23] = 0xFF;
    }
    return reply(data, answer, readBe16(cdb, 7));
}

ScsiOutcome EmulatedDrive::readDvdStructure(std::span<const uint8_t> cdb, std::span<uint8_t> data)
{
    if (auto reason = notReadyReason())
        return fail(*reason);
    if (disc_.kind != MediumKind::Dvd)
        return fail(kSenseCannotReadMediumFormat);
    const uint8_t format = cdb[7];
    if (cdb[6] != 0 || format != 0)
        return fail(kSenseInvalidFieldInCdb); // physical format of layer 0 only
    std::vector<uint8_t> answer(4 + 2048, 0);
    writeBe16(answer, 0, 2050);
    answer[4] = 0x01; // DVD-ROM, version 1
    answer[5] = 0x02; // 120 mm, 10.08 Mbit/s
    answer[6] = 0x01; // one layer, embossed
    answer[7] = 0x10;
    writeBe32(answer, 8, kDvdFirstPhysicalSector);
    writeBe32(answer, 12, uint32_t(kDvdFirstPhysicalSector + disc_.layout.leadOutLba - 1));
    return reply(data, answer, readBe16(cdb, 8));
}

} // namespace quandor::aspi
