#include "cdrip/scsi/scsi_commands.h"

namespace brenlow::scsi {
namespace {

constexpr std::uint8_t kInvalidRequestStatus = 0x80;

ScsiCommand command(std::uint8_t cdbLength, DataDirection direction = DataDirection::None)
{
    ScsiCommand c;
    c.cdbLength = cdbLength;
    c.direction = direction;
    return c;
}

void putBigEndian32(ScsiCommand& c, int offset, std::uint32_t value)
{
    const auto at = static_cast<std::size_t>(offset);
    c.cdb[at] = static_cast<std::uint8_t>(value >> 24);
    c.cdb[at + 1] = static_cast<std::uint8_t>(value >> 16);
    c.cdb[at + 2] = static_cast<std::uint8_t>(value >> 8);
    c.cdb[at + 3] = static_cast<std::uint8_t>(value);
}

} // namespace

ScsiResult inquiry(ScsiTransport& transport, const DriveAddress& drive, std::span<std::uint8_t, kInquiryLength> answer)
{
    ScsiCommand c = command(6, DataDirection::In);
    c.postEvent = false;
    c.cdb[0] = op::Inquiry;
    c.cdb[4] = kInquiryLength;
    return transport.execute(drive, c, answer);
}

ScsiResult readTocMsf(ScsiTransport& transport, const DriveAddress& drive,
                      std::span<std::uint8_t, kTocAllocation> answer)
{
    ScsiCommand c = command(10, DataDirection::In);
    c.cdb[0] = op::ReadToc;
    c.cdb[1] = 0x02; // MSF addresses
    c.cdb[6] = 0;    // from the first track
    c.cdb[7] = static_cast<std::uint8_t>(kTocAllocation >> 8);
    c.cdb[8] = static_cast<std::uint8_t>(kTocAllocation & 0xFF);
    return transport.execute(drive, c, answer);
}

ScsiResult playAudio12(ScsiTransport& transport, const DriveAddress& drive, Lba start, std::uint32_t frames)
{
    ScsiCommand c = command(12);
    c.cdb[0] = op::PlayAudio12;
    putBigEndian32(c, 2, static_cast<std::uint32_t>(start.value));
    putBigEndian32(c, 6, frames);
    return transport.execute(drive, c, {});
}

ScsiResult pauseResume(ScsiTransport& transport, const DriveAddress& drive, bool resume)
{
    ScsiCommand c = command(10);
    c.cdb[0] = op::PauseResume;
    c.cdb[8] = resume ? 1 : 0;
    return transport.execute(drive, c, {});
}

ScsiResult stopPlayScan(ScsiTransport& transport, const DriveAddress& drive)
{
    ScsiCommand c = command(10);
    c.cdb[0] = op::StopPlayScan;
    return transport.execute(drive, c, {});
}

ScsiResult startStopUnitEject(ScsiTransport& transport, const DriveAddress& drive)
{
    ScsiCommand c = command(6, DataDirection::Out);
    c.postEvent = false;
    c.cdb[0] = op::StartStopUnit;
    c.cdb[4] = 0x02; // LoEj, Start = 0: eject
    return transport.execute(drive, c, {});
}

ScsiResult testUnitReady(ScsiTransport& transport, const DriveAddress& drive)
{
    ScsiCommand c = command(6);
    c.cdb[0] = op::TestUnitReady;
    return transport.execute(drive, c, {});
}

ScsiResult readCd(ScsiTransport& transport, const DriveAddress& drive, Lba start, std::uint32_t count,
                  std::span<std::uint8_t> buffer, SectorType type)
{
    if (buffer.size() < static_cast<std::size_t>(count) * kSectorBytes) {
        ScsiResult refused; // never sent, and never taken for a success
        refused.status = kInvalidRequestStatus;
        return refused;
    }
    ScsiCommand c = command(12, DataDirection::In);
    c.cdb[0] = op::ReadCd;
    c.cdb[1] = static_cast<std::uint8_t>(static_cast<std::uint8_t>(type) << 2);
    putBigEndian32(c, 2, static_cast<std::uint32_t>(start.value));
    c.cdb[6] = static_cast<std::uint8_t>(count >> 16);
    c.cdb[7] = static_cast<std::uint8_t>(count >> 8);
    c.cdb[8] = static_cast<std::uint8_t>(count);
    c.cdb[9] = 0xF8;
    return transport.execute(drive, c, buffer.first(static_cast<std::size_t>(count) * kSectorBytes));
}

} // namespace brenlow::scsi
