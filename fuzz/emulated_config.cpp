// Configurations of the emulated drives: any INI loads or is refused with a
// reason, in bounded time and memory, and a loaded configuration holds what
// the layer can serve. Input: the INI; "disc.cue"/"disc.bin" (a two-track
// audio disc) lie beside it for Cue=.

#include "platform/aspi/emulated_config.h"
#include "fuzz/support/fuzz_support.h"
#include "platform/aspi/emulated_drives.h"

#include <set>

using namespace quandor;

namespace {

void writeDisc(const fuzz::ScratchFolder& folder)
{
    folder.write(QStringLiteral("disc.bin"), QByteArray(20 * 2352, '\x11'));
    folder.write(QStringLiteral("disc.cue"),
                 "FILE \"disc.bin\" BINARY\r\n  TRACK 01 AUDIO\r\n    INDEX 01 00:00:00\r\n"
                 "  TRACK 02 AUDIO\r\n    INDEX 01 00:00:10\r\n");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::ScratchFolder folder;
    folder.clear();
    writeDisc(folder);
    const QByteArrayView ini(reinterpret_cast<const char*>(data), qsizetype(size));
    folder.write(QStringLiteral("drives.ini"), ini);
    const std::string path = folder.file(QStringLiteral("drives.ini")).toStdString();

    std::string error;
    const auto config = aspi::parseEmulatedConfig(path, &error);
    if (!config) {
        fuzz::check(!error.empty(), "a refused configuration says why");
        return 0;
    }
    // Each UnreadableLbas item is bounded, so the sets stay as small as the text allows.
    std::set<std::tuple<int, int, int>> addresses;
    for (const aspi::EmulatedDriveConfig& drive : config->drives) {
        fuzz::check(drive.address.target <= 7 && drive.address.lun <= 7, "targets and LUNs 0..7");
        fuzz::check(addresses.insert({drive.address.adapter, drive.address.target, drive.address.lun}).second,
                    "one drive per address");
        fuzz::check(drive.unreadableLbas.size() <= (std::size_t(size) + 1) * 1000001, "unreadable LBAs bounded");
    }
    // Loading builds the drives and their media (images, written discs).
    error.clear();
    if (!aspi::loadEmulatedDrives(path, &error))
        fuzz::check(!error.empty(), "a configuration that does not load says why");
    aspi::unloadEmulatedDrives();
    return 0;
}
