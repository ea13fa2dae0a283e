#include "cdrip/scsi/writer_commands.h"

#include <array>
#include <vector>

namespace brenlow::scsi {

namespace {

ScsiCommand command(std::uint8_t opcode, std::uint8_t length, DataDirection direction)
{
    ScsiCommand cmd;
    cmd.cdb[0] = opcode;
    cmd.cdbLength = length;
    cmd.direction = direction;
    return cmd;
}

void putBe16(ScsiCommand& cmd, std::size_t at, std::uint32_t value)
{
    cmd.cdb[at] = static_cast<std::uint8_t>(value >> 8);
    cmd.cdb[at + 1] = static_cast<std::uint8_t>(value);
}

void putBe32(ScsiCommand& cmd, std::size_t at, std::uint32_t value)
{
    putBe16(cmd, at, value >> 16);
    putBe16(cmd, at + 2, value & 0xFFFF);
}

std::span<std::uint8_t> writable(std::span<const std::uint8_t> bytes)
{
    // The transport takes one buffer type for both directions; data-out
    // buffers are only read.
    return {const_cast<std::uint8_t*>(bytes.data()), bytes.size()};
}

} // namespace

ScsiResult blank(ScsiTransport& transport, const DriveAddress& drive, BlankType type)
{
    ScsiCommand cmd = command(op::Blank, 12, DataDirection::None);
    cmd.cdb[1] = static_cast<std::uint8_t>(0x10 | static_cast<std::uint8_t>(type));
    return transport.execute(drive, cmd, {});
}

ScsiResult readDvdStructure(ScsiTransport& transport, const DriveAddress& drive)
{
    ScsiCommand cmd = command(op::ReadDvdStructure, 12, DataDirection::In);
    cmd.cdb[9] = 0x7F;
    std::vector<std::uint8_t> answer(2048);
    return transport.execute(drive, cmd, std::span(answer).first(0x7F));
}

DiscInformation readDiscInformation(ScsiTransport& transport, const DriveAddress& drive)
{
    ScsiCommand cmd = command(op::ReadDiscInformation, 10, DataDirection::In);
    cmd.cdb[8] = 34;
    std::array<std::uint8_t, 34> answer{};
    DiscInformation info;
    if (!transport.execute(drive, cmd, answer).ok())
        return info;
    const bool empty = (answer[2] & 0x03) == 0;
    const bool erasable = answer[2] & 0x10;
    if (!empty) {
        info.state = erasable ? DiscState::WrittenCdRw : DiscState::WrittenCdR;
        return info;
    }
    info.state = erasable ? DiscState::BlankCdRw : DiscState::BlankCdR;
    // Bytes 21-23: the last possible lead-out start as M, S, F; FFh where the
    // drive does not know it.
    const Msf leadOut{answer[21], answer[22], answer[23]};
    if (leadOut.valid() && leadOut.frames() > kLeadInFrames)
        info.capacitySectors = Lba::fromMsf(leadOut).value;
    return info;
}

DiscState readDiscState(ScsiTransport& transport, const DriveAddress& drive)
{
    return readDiscInformation(transport, drive).state;
}

std::optional<std::uint16_t> readMaxWriteSpeed(ScsiTransport& transport, const DriveAddress& drive)
{
    constexpr std::size_t kAllocation = 36;
    constexpr std::size_t kHeader = 4;
    constexpr std::size_t kSpeedOffset = 18; // in the page
    ScsiCommand cmd = command(op::ModeSense6, 6, DataDirection::In);
    cmd.cdb[2] = 0x2A;
    cmd.cdb[4] = kAllocation;
    std::array<std::uint8_t, kAllocation> answer{};
    if (!transport.execute(drive, cmd, answer).ok())
        return std::nullopt;
    // The page follows the header and any block descriptors; it must be the
    // capabilities page and reach the speed field, inside what the drive sent.
    const std::size_t sent = std::size_t(answer[0]) + 1;
    const std::size_t page = kHeader + answer[3];
    if (page + kSpeedOffset + 2 > std::min(sent, kAllocation) || (answer[page] & 0x3F) != 0x2A
        || answer[page + 1] + 2u < kSpeedOffset + 2)
        return std::nullopt;
    return static_cast<std::uint16_t>((answer[page + kSpeedOffset] << 8) | answer[page + kSpeedOffset + 1]);
}

ScsiResult setCdSpeed(ScsiTransport& transport, const DriveAddress& drive, std::uint16_t writeKbs)
{
    ScsiCommand cmd = command(op::SetCdSpeed, 12, DataDirection::None);
    putBe16(cmd, 2, 0xFFFF);
    putBe16(cmd, 4, writeKbs);
    return transport.execute(drive, cmd, {});
}

ScsiResult sendCueSheet(ScsiTransport& transport, const DriveAddress& drive, std::span<const std::uint8_t> sheet)
{
    ScsiCommand cmd = command(op::SendCueSheet, 10, DataDirection::Out);
    const auto length = static_cast<std::uint32_t>(sheet.size());
    cmd.cdb[6] = static_cast<std::uint8_t>(length >> 16);
    putBe16(cmd, 7, length & 0xFFFF);
    return transport.execute(drive, cmd, writable(sheet));
}

ScsiResult write10(ScsiTransport& transport, const DriveAddress& drive, Lba address, std::uint8_t count,
                   std::span<const std::uint8_t> sectors)
{
    ScsiCommand cmd = command(op::Write10, 10, DataDirection::Out);
    cmd.cdb[1] = 0x01;
    putBe32(cmd, 2, static_cast<std::uint32_t>(address.value));
    cmd.cdb[8] = count;
    return transport.execute(drive, cmd, writable(sectors.first(std::size_t(count) * kSectorBytes)));
}

ScsiResult synchronizeCache(ScsiTransport& transport, const DriveAddress& drive)
{
    return transport.execute(drive, command(op::SynchronizeCache, 10, DataDirection::None), {});
}

ScsiResult closeSession(ScsiTransport& transport, const DriveAddress& drive)
{
    ScsiCommand cmd = command(op::CloseTrackSession, 10, DataDirection::None);
    cmd.cdb[2] = 0x02;
    return transport.execute(drive, cmd, {});
}

} // namespace brenlow::scsi
