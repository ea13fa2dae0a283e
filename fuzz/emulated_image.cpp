// Disc images of the emulated drives: any cue sheet over the .bin files beside
// it loads or is refused with a reason, and a loaded layout is one a drive can
// serve: tracks rising inside the disc, every sector before the lead-out readable.
// Input: the cue sheet; "a.bin" (40 sectors) and "b.bin" (3 sectors and a
// partial one) lie beside it.

#include "fuzz/support/fuzz_support.h"
#include "platform/aspi/disc_image.h"

#include <vector>

using namespace quandor;

namespace {

constexpr int kSectorBytes = 2352;

void writeBin(const fuzz::ScratchFolder& folder, const QString& name, int bytes)
{
    QByteArray data(bytes, '\0');
    for (int i = 0; i < bytes; ++i)
        data[i] = char((i * 7 + i / kSectorBytes) & 0xFF);
    folder.write(name, data);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::ScratchFolder folder;
    folder.clear();
    writeBin(folder, QStringLiteral("a.bin"), 40 * kSectorBytes);
    writeBin(folder, QStringLiteral("b.bin"), 3 * kSectorBytes + 1000);
    folder.write(QStringLiteral("disc.cue"), QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));

    std::string error;
    const auto image = aspi::loadCueImage(folder.file(QStringLiteral("disc.cue")).toStdString(), &error);
    if (!image) {
        fuzz::check(!error.empty(), "a refused image says why");
        return 0;
    }
    const aspi::DiscLayout& layout = image->layout;
    fuzz::check(!layout.tracks.empty() && layout.tracks.size() <= 99, "1 to 99 tracks");
    for (std::size_t i = 0; i < layout.tracks.size(); ++i) {
        const aspi::DiscTrack& track = layout.tracks[i];
        fuzz::check(track.number >= 1 && track.number <= 99, "track numbers 1..99");
        fuzz::check(
            track.startLba >= 0 && track.startLba < layout.leadOutLba, "tracks start on the disc",
            QStringLiteral("track %1 at %2, lead-out %3").arg(track.number).arg(track.startLba).arg(layout.leadOutLba));
        if (i > 0) {
            fuzz::check(track.number == layout.tracks[i - 1].number + 1, "track numbers follow each other");
            fuzz::check(track.startLba > layout.tracks[i - 1].startLba, "tracks rise");
        }
        fuzz::check(layout.trackAt(track.startLba) == &track, "a track's start lies in that track");
    }
    fuzz::check(layout.trackAt(layout.leadOutLba) == nullptr, "the lead-out is no track");

    // The layout never points past the files: every sector before the
    // lead-out reads, none after it.
    std::vector<std::uint8_t> sector(kSectorBytes);
    const std::int32_t readable = std::min<std::int32_t>(layout.leadOutLba, 200);
    for (std::int32_t lba = 0; lba < readable; ++lba)
        fuzz::check(image->sectors->read(lba, 1, sector.data()), "sectors before the lead-out read",
                    QStringLiteral("LBA %1 of %2").arg(lba).arg(layout.leadOutLba));
    fuzz::check(!image->sectors->read(layout.leadOutLba, 1, sector.data()), "the lead-out does not read");
    return 0;
}
