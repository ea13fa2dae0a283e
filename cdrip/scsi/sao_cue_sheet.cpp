#include "cdrip/scsi/sao_cue_sheet.h"

namespace brenlow {

namespace {

constexpr std::uint8_t kAudioAdr1 = 0x01;
constexpr std::uint8_t kCopyPermitted = 0x80;
constexpr std::uint8_t kLeadOutTrack = 0xAA;

// CTL in the high four bits, ADR 1 (a position) in the low four.
void addEntry(std::vector<std::uint8_t>& sheet, std::uint8_t control, std::uint8_t track, std::uint8_t index,
              std::uint8_t scms, const Msf& time)
{
    const auto ctlAdr = static_cast<std::uint8_t>((control & 0x0F) << 4 | kAudioAdr1);
    sheet.insert(sheet.end(),
                 {ctlAdr, track, index, 0x00, scms, static_cast<std::uint8_t>(time.minute),
                  static_cast<std::uint8_t>(time.second), static_cast<std::uint8_t>(time.frame)});
}

} // namespace

std::vector<std::uint8_t> buildSaoCueSheet(const std::vector<BurnTrack>& tracks, std::int64_t imageSize)
{
    std::vector<std::uint8_t> sheet;
    sheet.reserve(16 + 16 * tracks.size());
    addEntry(sheet, 0, 0, 0, 0, Msf{});
    for (const BurnTrack& track : tracks) {
        const auto number = static_cast<std::uint8_t>(track.number);
        addEntry(sheet, track.control, number, 0, kCopyPermitted, track.pregap);
        addEntry(sheet, track.control, number, 1, kCopyPermitted, track.start);
    }
    const Lba leadOut = Lba::ofImageSector(static_cast<int>(imageSize / kSectorBytes));
    addEntry(sheet, 0, kLeadOutTrack, 1, 0, leadOut.msf());
    return sheet;
}

} // namespace brenlow
