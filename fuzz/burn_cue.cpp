// Cue sheets for the burner: any sheet is read without harm, and a sheet the
// burner accepts burns on an emulated blank CD-R as 150 silent pregap sectors
// followed by exactly the image's whole sectors, and the burnt disc's tracks
// start where the sheet's INDEX 01 lines put them, track 1 included.
// Input: "<image size byte>\0<cue sheet>"; the image "image.bin" beside the
// sheet has 3 sectors per unit of the size byte (bit 0 adds a partial sector).

#include "cdrip/scsi/aspi_layer.h"
#include "cdrip/scsi/burn_job.h"
#include "cdrip/scsi/toc.h"
#include "cdrip/scsi/writer_commands.h"
#include "fuzz/support/fuzz_support.h"
#include "platform/aspi/emulated_drives.h"
#include "platform/isoburn/isoburn.h"

#include <QFileInfo>
#include <string>
#include <vector>

using namespace brenlow;
using namespace quandor;

namespace {

constexpr DriveAddress kCdR{0, 2, 0};
constexpr int kPregapSectors = 150;

// Passes commands on and keeps what each WRITE (10) sent.
class WriteRecorder final : public ScsiTransport {
public:
    explicit WriteRecorder(std::shared_ptr<ScsiTransport> inner) : inner_(std::move(inner)) {}

    struct Write {
        std::int32_t address;
        QByteArray data;
    };
    std::vector<Write> writes;

    ScsiResult execute(const DriveAddress& address, const ScsiCommand& command, std::span<std::uint8_t> data) override
    {
        if (command.cdb[0] == scsi::op::Write10) {
            const auto& c = command.cdb;
            const auto lba = static_cast<std::int32_t>((std::uint32_t(c[2]) << 24) | (std::uint32_t(c[3]) << 16)
                                                       | (std::uint32_t(c[4]) << 8) | std::uint32_t(c[5]));
            writes.push_back({lba, QByteArray(reinterpret_cast<const char*>(data.data()), qsizetype(data.size()))});
        }
        return inner_->execute(address, command, data);
    }

private:
    std::shared_ptr<ScsiTransport> inner_;
};

QByteArray imageBytes(int size)
{
    QByteArray bytes(size, '\0');
    for (int i = 0; i < size; ++i)
        bytes[i] = char((i * 13 + i / 2352 * 7 + 1) & 0xFF);
    return bytes;
}

std::shared_ptr<AspiLayer> blankCdR(const fuzz::ScratchFolder& folder)
{
    // A Disc file of its own each time: media sharing a Disc file share their state.
    static int burns = 0;
    const QString ini = QStringLiteral("[drive 0:2:0]\nMedium=cdr\nDisc=burnt%1.bin\n").arg(++burns);
    folder.write(QStringLiteral("drives.ini"), ini.toUtf8());
    std::string error;
    if (!aspi::loadEmulatedDrives(folder.file(QStringLiteral("drives.ini")).toStdString(), &error))
        fuzz::fail("the emulated CD-R does not load", QString::fromStdString(error));
    static const std::shared_ptr<AspiLayer> layer =
        AspiLayer::load(QStringLiteral(QUANDOR_FUZZ_BRENLOW_DIR), AspiLayer::libraryFileName()).layer;
    fuzz::check(layer != nullptr, "the ASPI layer loads");
    return layer;
}

// The burn ejects the disc; this loads it again (START STOP UNIT, LoEj and Start).
void loadTray(ScsiTransport& transport, const DriveAddress& drive)
{
    ScsiCommand load;
    load.cdbLength = 6;
    load.cdb[0] = 0x1B;
    load.cdb[4] = 0x03;
    transport.execute(drive, load, {});
}

void checkBurn(const CueSheetLoad& load, const QByteArray& image, const fuzz::ScratchFolder& folder)
{
    auto recorder = std::make_shared<WriteRecorder>(blankCdR(folder));
    BurnSnapshot snapshot;
    snapshot.transport = recorder;
    snapshot.drive = kCdR;
    snapshot.imagePath = load.imagePath;
    snapshot.imageSize = load.imageSize;
    snapshot.tracks = load.tracks;
    snapshot.speedKbs = 1411;
    snapshot.setWriteParameters = [](const DriveAddress& d, std::uint8_t options) {
        return SetParameter(d.adapter, d.target, d.lun, options, 8, 8);
    };
    const BurnOutcome outcome = BurnJob(std::move(snapshot)).run();
    fuzz::check(outcome == BurnOutcome::Written, "an accepted cue sheet burns",
                QStringLiteral("outcome %1").arg(int(outcome)));

    QByteArray sent;
    std::int32_t expected = -kPregapSectors;
    for (const auto& write : recorder->writes) {
        fuzz::check(write.address == expected, "sectors are written in order from the pregap",
                    QStringLiteral("WRITE at %1, expected %2").arg(write.address).arg(expected));
        fuzz::check(write.data.size() % kSectorBytes == 0, "writes are whole sectors");
        expected += std::int32_t(write.data.size() / kSectorBytes);
        sent += write.data;
    }
    const qsizetype pregapBytes = qsizetype(kPregapSectors) * kSectorBytes;
    const QByteArray wholeSectors = image.first(load.sectorCount() * kSectorBytes);
    fuzz::check(sent.size() == pregapBytes + wholeSectors.size(), "150 pregap sectors and the image are written",
                QStringLiteral("%1 bytes").arg(sent.size()));
    fuzz::check(sent.first(pregapBytes).count('\0') == pregapBytes, "the pregap is silent");
    fuzz::check(sent.sliced(pregapBytes) == wholeSectors, "the image is written byte for byte");
    const std::vector<std::uint8_t> disc = aspi::writtenDiscBytes({kCdR.adapter, kCdR.target, kCdR.lun});
    fuzz::check(QByteArrayView(disc.data(), qsizetype(disc.size())) == wholeSectors, "the disc holds the image");

    loadTray(*recorder, kCdR);
    const TocResult toc = readTableOfContents(*recorder, kCdR, QStringLiteral("Track"));
    fuzz::check(toc.ok() && toc.table.count() == int(load.tracks.size()), "the burnt disc has the sheet's tracks");
    for (std::size_t i = 0; i < load.tracks.size(); ++i)
        fuzz::check(toc.table.tracks()[i].start == Lba::fromMsf(load.tracks[i].start),
                    "each track starts where the sheet put it", QStringLiteral("track %1").arg(i + 1));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::ScratchFolder folder;
    folder.clear();
    fuzz::Fields fields(data, size);
    const std::uint8_t units = fields.nextByte();
    const QByteArray image = imageBytes(units * 3 * kSectorBytes + (units & 1) * 1000);
    folder.write(QStringLiteral("image.bin"), image);
    folder.write(QStringLiteral("image.cue"), fields.rest());

    const CueSheetLoad load = readCueSheet(folder.file(QStringLiteral("image.cue")));
    if (!load.ok())
        return 0;
    fuzz::check(!load.tracks.empty() && load.tracks.size() <= 99, "1 to 99 tracks");
    for (std::size_t i = 0; i < load.tracks.size(); ++i) {
        const BurnTrack& track = load.tracks[i];
        fuzz::check(track.number == int(i) + 1, "tracks are numbered from 1");
        if (i == 0)
            fuzz::check(Lba::fromMsf(track.pregap) == Lba::discStart(), "track 1's pregap starts the disc");
        else
            fuzz::check(track.start.frames() - track.pregap.frames() == kPregapFrames,
                        "each later pregap is two seconds");
        const int startSector = Lba::fromMsf(track.start).imageSector();
        fuzz::check(startSector >= 0 && startSector < load.sectorCount(), "tracks start inside the image");
        if (i > 0)
            fuzz::check(track.pregap.frames() > load.tracks[i - 1].start.frames(), "tracks rise");
    }
    // Only the image made here is burnt: a sheet may name any file.
    if (QFileInfo(load.imagePath).canonicalFilePath()
        == QFileInfo(folder.file(QStringLiteral("image.bin"))).canonicalFilePath())
        checkBurn(load, image, folder);
    return 0;
}
