// Writing commands of the emulated drive: mode pages 2A and 05, SET CD SPEED,
// session-at-once writing (SEND CUE SHEET, WRITE(10), SYNCHRONIZE CACHE,
// CLOSE TRACK/SESSION) and BLANK.
#include "platform/aspi/emulated_drive.h"
#include "platform/aspi/huge_pages.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <thread>

#include "platform/aspi/disc_address.h"

namespace quandor::aspi {

namespace {

constexpr uint8_t kPageWriteParameters = 0x05;
constexpr uint8_t kPageCapabilities = 0x2A;
constexpr uint8_t kPageAll = 0x3F;
constexpr uint16_t kMaxReadSpeedKbs = 7056;

bool validWriteType(uint8_t type)
{
    return type <= 3;
}
bool validDataBlockType(uint8_t type)
{
    return type <= 3 || (type >= 8 && type <= 13);
}

} // namespace

std::vector<uint8_t> EmulatedDrive::capabilitiesPage() const
{
    std::vector<uint8_t> page(22, 0);
    page[0] = kPageCapabilities;
    page[1] = 0x14;
    page[2] = 0x03;                         // reads CD-R and CD-RW
    page[3] = config_.writer ? 0x07 : 0x00; // writes CD-R, CD-RW, test write
    page[4] = 0x01;                         // plays audio
    page[5] = 0x03;                         // CD-DA commands, accurate stream
    page[6] = 0x29;                         // tray loader, ejects, locks
    page[7] = 0x03;                         // separate volume and mute
    writeBe16(page, 8, kMaxReadSpeedKbs);
    writeBe16(page, 10, 256);
    writeBe16(page, 12, 2048);
    writeBe16(page, 14, std::min<uint16_t>(readSpeedKbs_, kMaxReadSpeedKbs));
    const uint16_t maxWrite = config_.writer ? config_.maxWriteSpeedKbs : 0;
    writeBe16(page, 18, maxWrite);
    writeBe16(page, 20, std::min<uint16_t>(writeSpeedKbs_, maxWrite));
    return page;
}

std::optional<std::vector<uint8_t>> EmulatedDrive::modePage(uint8_t code, uint8_t control) const
{
    std::vector<uint8_t> page;
    if (code == kPageCapabilities) {
        page = capabilitiesPage();
        if (control == 1)
            std::fill(page.begin() + 2, page.end(), 0); // nothing changeable
    } else if (code == kPageWriteParameters && config_.writer) {
        page = writeParameters_;
        if (control == 1) {
            std::fill(page.begin() + 2, page.end(), 0);
            page[2] = 0x5F; // buffer-underrun protection, test write, write type
            page[3] = 0xFF;
            page[4] = 0x0F;
            page[8] = 0xFF;
        }
    } else {
        return std::nullopt;
    }
    return page;
}

ScsiOutcome EmulatedDrive::modeSense(std::span<const uint8_t> cdb, std::span<uint8_t> data, bool tenByte)
{
    const uint8_t control = cdb[2] >> 6;
    const uint8_t code = cdb[2] & 0x3F;
    if (control == 3)
        return fail({sense_key::IllegalRequest, 0x39, 0x00}); // saving not supported
    std::vector<uint8_t> pages;
    for (uint8_t want : {kPageWriteParameters, kPageCapabilities}) {
        if (code != want && code != kPageAll)
            continue;
        if (auto page = modePage(want, control))
            pages.insert(pages.end(), page->begin(), page->end());
    }
    if (pages.empty())
        return fail(kSenseInvalidFieldInCdb);
    std::vector<uint8_t> answer(tenByte ? 8 : 4, 0);
    answer.insert(answer.end(), pages.begin(), pages.end());
    if (tenByte)
        writeBe16(answer, 0, uint32_t(answer.size() - 2));
    else
        answer[0] = uint8_t(answer.size() - 1);
    return reply(data, answer, tenByte ? readBe16(cdb, 7) : cdb[4]);
}

ScsiOutcome EmulatedDrive::modeSelect(std::span<const uint8_t> cdb, std::span<uint8_t> data, bool tenByte)
{
    const size_t length = tenByte ? readBe16(cdb, 7) : cdb[4];
    const size_t headerSize = tenByte ? 8 : 4;
    if (length > data.size() || length < headerSize)
        return fail(kSenseParameterListLength);
    std::span<const uint8_t> list = data.first(length);
    const size_t blockDescriptors = tenByte ? readBe16(list, 6) : list[3];
    size_t at = headerSize + blockDescriptors;
    if (at > length)
        return fail(kSenseParameterListLength);
    std::vector<uint8_t> parameters = writeParameters_;
    while (at < length) {
        if (at + 2 > length)
            return fail(kSenseParameterListLength);
        const uint8_t code = list[at] & 0x3F;
        const size_t pageSize = size_t(list[at + 1]) + 2;
        if (at + pageSize > length)
            return fail(kSenseParameterListLength);
        if (code != kPageWriteParameters || !config_.writer || pageSize < 16)
            return fail(kSenseInvalidFieldInParameters);
        std::span<const uint8_t> page = list.subspan(at, pageSize);
        if (!validWriteType(page[2] & 0x0F) || !validDataBlockType(page[4] & 0x0F))
            return fail(kSenseInvalidFieldInParameters);
        const size_t copied = std::min(pageSize, parameters.size()) - 2;
        std::copy_n(page.begin() + 2, copied, parameters.begin() + 2);
        at += pageSize;
    }
    writeParameters_ = parameters;
    return ScsiOutcome::good();
}

ScsiOutcome EmulatedDrive::setCdSpeed(std::span<const uint8_t> cdb)
{
    readSpeedKbs_ = uint16_t(readBe16(cdb, 2));
    writeSpeedKbs_ = uint16_t(readBe16(cdb, 4));
    return ScsiOutcome::good();
}

// Entries: CTL/ADR, TNO, INDEX, DATA FORM, SCMS, MIN, SEC, FRAME.
bool EmulatedDrive::readCueSheetEntries(std::span<const uint8_t> entries, WriteSession& session)
{
    int previousFrames = -1;
    bool leadIn = false, leadOut = false, firstAddressSet = false;
    for (size_t at = 0; at < entries.size(); at += 8) {
        std::span<const uint8_t> entry = entries.subspan(at, 8);
        const uint8_t adr = entry[0] & 0x0F;
        if (adr == 2 || adr == 3)
            continue; // catalogue number and ISRC entries carry no address
        const uint8_t tno = entry[1], index = entry[2], form = entry[3] & 0x3F;
        const Msf time{entry[5], entry[6], entry[7]};
        if (adr != 1 || leadOut || time.second > 59 || time.frame >= kFramesPerSecond || form > 0x01
            || (entry[0] & 0x40))
            return false; // audio sessions only
        if (time.frames() < previousFrames)
            return false;
        if (tno == 0) {
            if (leadIn || at != 0)
                return false;
            leadIn = true;
            continue;
        }
        if (!leadIn || (time.frames() == previousFrames && firstAddressSet))
            return false;
        previousFrames = time.frames();
        if (tno == 0xAA) {
            if (index != 1 || session.layout.tracks.empty())
                return false;
            session.layout.leadOutLba = time.lba();
            leadOut = true;
            continue;
        }
        auto& tracks = session.layout.tracks;
        const bool newTrack = tracks.empty() || tracks.back().number != tno;
        if (tno > 99 || (newTrack && tno != (tracks.empty() ? 1 : tracks.back().number + 1)))
            return false;
        if (newTrack) {
            if (!tracks.empty() && tracks.back().startLba == INT32_MIN)
                return false; // previous track had no INDEX 01
            // CTL: 0x10 pre-emphasis, 0x20 copy permitted, 0x80 four channels.
            tracks.push_back(
                {tno, INT32_MIN, false, bool(entry[0] & 0x10), bool(entry[0] & 0x20), bool(entry[0] & 0x80)});
        }
        if (!firstAddressSet) {
            session.nextLba = time.lba();
            firstAddressSet = true;
        }
        if (index == 1)
            tracks.back().startLba = time.lba();
    }
    if (!leadOut || session.layout.tracks.back().startLba == INT32_MIN
        || session.layout.leadOutLba <= session.layout.tracks.back().startLba)
        return false;
    return true;
}

ScsiOutcome EmulatedDrive::sendCueSheet(std::span<const uint8_t> cdb, std::span<uint8_t> data)
{
    if (!config_.writer)
        return fail(kSenseInvalidOpcode);
    if (auto reason = notReadyReason())
        return fail(*reason);
    if (disc_.kind != MediumKind::CdR && disc_.kind != MediumKind::CdRw)
        return fail(kSenseCannotWriteMediumFormat);
    if (!disc_.blank || (writeParameters_[2] & 0x0F) != 2)
        return fail(kSenseCommandSequenceError); // a written disc, or not session-at-once
    const size_t length = readBe24(cdb, 6);
    if (length > data.size() || length == 0)
        return fail(kSenseParameterListLength);
    if (length % 8 != 0)
        return fail(kSenseInvalidFieldInParameters);

    WriteSession session;
    session.testWrite = writeParameters_[2] & 0x10;
    if (!readCueSheetEntries(data.first(length), session))
        return fail(kSenseInvalidFieldInParameters);
    if (session.layout.leadOutLba > config_.lastLeadOutFrames - kLbaToMsfOffset)
        return fail(kSenseInvalidFieldInParameters); // longer than the disc
    // Room for the whole session at once: growing it sector by sector would
    // copy and re-fault everything written so far, again and again.
    if (!session.testWrite && session.layout.leadOutLba > 0) {
        session.bytes.reserve(size_t(session.layout.leadOutLba) * kRawSectorSize);
        preferHugePages(session.bytes.data(), session.bytes.capacity());
    }
    session_ = std::move(session);
    return ScsiOutcome::good();
}

ScsiOutcome EmulatedDrive::write10(std::span<const uint8_t> cdb, std::span<uint8_t> data)
{
    if (!config_.writer)
        return fail(kSenseInvalidOpcode);
    if (auto reason = notReadyReason())
        return fail(*reason);
    if (!session_)
        return fail(kSenseCommandSequenceError);
    const int32_t lba = int32_t(readBe32(cdb, 2));
    const uint32_t count = readBe16(cdb, 7);
    if (lba != session_->nextLba)
        return fail(kSenseInvalidAddressForWrite);
    if (int64_t(lba) + count > session_->layout.leadOutLba)
        return fail(kSenseLbaOutOfRange);
    if (data.size() < size_t(count) * kRawSectorSize)
        return fail(kSenseInvalidFieldInCdb);
    if (!session_->testWrite) {
        for (uint32_t i = 0; i < count; ++i) {
            if (lba + int32_t(i) < 0)
                continue; // the pregap of track 1 is not readable
            auto sector = data.subspan(size_t(i) * kRawSectorSize, kRawSectorSize);
            session_->bytes.insert(session_->bytes.end(), sector.begin(), sector.end());
        }
    }
    session_->nextLba = lba + int32_t(count);
    // The drive writes the lead-out once the last sector is in.
    if (session_->nextLba == session_->layout.leadOutLba && !finishSession())
        return fail(kSenseWriteError);
    return ScsiOutcome::good(count * kRawSectorSize);
}

bool EmulatedDrive::finishSession()
{
    WriteSession session = std::move(*session_);
    session_.reset();
    if (session.testWrite || session.bytes.empty())
        return true; // a test write, or nothing written: the disc stays blank
    const int32_t end = int32_t(session.bytes.size() / kRawSectorSize);
    DiscLayout layout;
    for (const DiscTrack& track : session.layout.tracks) {
        if (track.startLba < end)
            layout.tracks.push_back(track);
    }
    layout.leadOutLba = end;
    // A disc file that cannot be kept is a failed write, not a burnt disc.
    const bool kept = config_.discPath.empty() || saveCueImage(config_.discPath, layout, session.bytes);
    disc_.blank = false;
    disc_.layout = std::move(layout);
    disc_.sectors = std::make_unique<MemorySectors>(std::move(session.bytes));
    return kept;
}

ScsiOutcome EmulatedDrive::synchronizeCache()
{
    if (auto reason = notReadyReason())
        return fail(*reason);
    return ScsiOutcome::good();
}

ScsiOutcome EmulatedDrive::closeTrackSession(std::span<const uint8_t> cdb)
{
    if (!config_.writer)
        return fail(kSenseInvalidOpcode);
    if (auto reason = notReadyReason())
        return fail(*reason);
    const int function = cdb[2] & 0x07;
    if (function != 1 && function != 2)
        return fail(kSenseInvalidFieldInCdb);
    if (session_ && function == 2 && !finishSession())
        return fail(kSenseWriteError);
    return ScsiOutcome::good();
}

ScsiOutcome EmulatedDrive::blank(std::span<const uint8_t> cdb)
{
    if (!config_.writer)
        return fail(kSenseInvalidOpcode);
    if (auto reason = notReadyReason())
        return fail(*reason);
    if (disc_.kind != MediumKind::CdRw)
        return fail(kSenseCannotWriteMediumFormat);
    const int type = cdb[1] & 0x07;
    const bool immediate = cdb[1] & 0x10;
    if (type != 0 && type != 1)
        return fail(kSenseInvalidFieldInCdb); // whole disc or minimal only
    play_ = PlayState::Stopped;
    session_.reset();
    disc_.blank = true;
    disc_.layout = DiscLayout{};
    disc_.sectors.reset();
    if (!config_.discPath.empty()) {
        std::error_code ignored;
        std::filesystem::remove(config_.discPath, ignored);
        std::filesystem::remove(cuePathFor(config_.discPath), ignored);
    }
    const double seconds = config_.blankSeconds * (type == 0 ? 4 : 1);
    const auto duration = std::chrono::milliseconds(int64_t(seconds * 1000));
    if (immediate) {
        blankingUntil_ = Clock::now() + duration;
    } else {
        std::this_thread::sleep_for(duration);
    }
    return ScsiOutcome::good();
}

} // namespace quandor::aspi
