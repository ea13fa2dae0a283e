// Command sequences on the emulated drives: whatever CDBs and data a program
// sends (reads, writes, cue sheets, blanks, ejects in any order), each request
// ends with a status of the layer and the drives stay usable.
// Input: records "<device><direction/length><cdb length><cdb...><data...>":
// device bits 0-1 pick the audio reader, the blank CD-R, the CD-RW or no
// drive; direction bits 6-7 none/in/out, bits 0-5 the data length in
// 147-byte units (a sixteenth of a sector).

#include "cdrip/scsi/aspi_layer.h"
#include "fuzz/support/fuzz_support.h"
#include "platform/aspi/emulated_drives.h"

#include <algorithm>
#include <cstring>
#include <vector>

using namespace brenlow;
using namespace quandor;

namespace {

constexpr DriveAddress kDrives[] = {{0, 1, 0}, {0, 2, 0}, {0, 3, 0}, {0, 6, 0}};
constexpr int kMaxCommands = 24;

std::shared_ptr<AspiLayer> freshDrives(const fuzz::ScratchFolder& folder)
{
    folder.write(QStringLiteral("disc.bin"), QByteArray(30 * 2352, '\x5a'));
    folder.write(QStringLiteral("disc.cue"),
                 "FILE \"disc.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
                 "  TRACK 02 AUDIO\r\n    INDEX 01 00:00:20\r\n");
    // Disc files of their own each time: media sharing a Disc file share their state.
    static int run = 0;
    ++run;
    const QString ini = QStringLiteral("[drive 0:1:0]\nMedium=audio\nCue=disc.cue\nWriter=0\nTrayClose=0\n"
                                       "[drive 0:2:0]\nMedium=cdr\nDisc=r%1.bin\nTrayClose=0\n"
                                       "[drive 0:3:0]\nMedium=cdrw\nDisc=rw%1.bin\nBlankSeconds=0\nTrayClose=0\n")
                            .arg(run);
    folder.write(QStringLiteral("drives.ini"), ini.toUtf8());
    std::string error;
    if (!aspi::loadEmulatedDrives(folder.file(QStringLiteral("drives.ini")).toStdString(), &error))
        fuzz::fail("the emulated drives do not load", QString::fromStdString(error));
    static const std::shared_ptr<AspiLayer> layer =
        AspiLayer::load(QStringLiteral(QUANDOR_FUZZ_BRENLOW_DIR), AspiLayer::libraryFileName()).layer;
    fuzz::check(layer != nullptr, "the ASPI layer loads");
    return layer;
}

bool isLayerStatus(std::uint8_t status)
{
    return status == 0x01 || status == 0x02 || status == 0x04 || status == 0x80 || status == 0x81 || status == 0x82;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::ScratchFolder folder;
    folder.clear();
    const std::shared_ptr<AspiLayer> layer = freshDrives(folder);

    std::size_t at = 0;
    for (int n = 0; n < kMaxCommands && at + 3 <= size; ++n) {
        const DriveAddress drive = kDrives[data[at] & 3];
        const std::uint8_t shape = data[at + 1];
        const std::size_t cdbLength = std::clamp<std::size_t>(data[at + 2], 6, 12);
        at += 3;
        ScsiCommand command;
        command.cdbLength = std::uint8_t(cdbLength);
        std::memcpy(command.cdb.data(), data + at, std::min(cdbLength, size - at));
        at = std::min(size, at + cdbLength);
        static constexpr DataDirection kDirections[] = {DataDirection::None, DataDirection::In, DataDirection::Out,
                                                        DataDirection::In};
        command.direction = kDirections[shape >> 6];
        std::vector<std::uint8_t> buffer(command.direction == DataDirection::None ? 0 : (shape & 0x3F) * 147u);
        if (command.direction == DataDirection::Out) {
            const std::size_t given = std::min(buffer.size(), size - at);
            if (given > 0)
                std::memcpy(buffer.data(), data + at, given);
            at += given;
        }
        const ScsiResult result = layer->execute(drive, command, buffer);
        fuzz::check(isLayerStatus(result.status), "every request ends with a layer status",
                    QStringLiteral("status %1").arg(result.status));
    }
    // Whatever came before, the reader still answers TEST UNIT READY or says why not.
    ScsiCommand ready;
    ready.cdbLength = 6;
    fuzz::check(isLayerStatus(layer->execute(kDrives[0], ready, {}).status), "the reader still answers");
    aspi::unloadEmulatedDrives();
    return 0;
}
