#include "cdrip/scsi/burn_job.h"

#include "cdrip/scsi/sao_cue_sheet.h"
#include "cdrip/scsi/scsi_commands.h"
#include "cdrip/scsi/writer_commands.h"

#include "platform/files/regular_file.h"

#include <QFile>
#include <thread>

namespace brenlow {

namespace {

constexpr int kSectorsPerWrite = 10;
constexpr std::uint8_t kTrackAtOnce = 0x01;
constexpr std::uint8_t kSessionAtOnce = 0x02;
constexpr std::uint8_t kTestWrite = 0x10;
constexpr std::uint8_t kBufferUnderrunProtection = 0x40;

// Log rows, by language line.
enum Line {
    DiscBlank = 101,
    DiscNotBlank = 102,
    ParametersSet = 103,
    ParametersRefused = 104,
    SpeedSet = 105,
    SpeedRefused = 106,
    CueSheetSent = 107,
    CueSheetRefused = 108,
    Writing = 109,
    ImageWritten = 111,
    CacheFlushed = 112,
    Cancelled = 113,
    WriteFailed = 114,
    Written = 115,
    ImageEmpty = 118,
    ImageMissing = 119,
    CannotLoad = 125,
};

// Rows added after the original lines, with their English text. A test
// write goes through every step but the drive writes nothing: its log must
// not read like a burn.
constexpr BurnLogLine TestWritten{153, "Test write: nothing was written to the disc."};
constexpr BurnLogLine TestCompleted{154, "Test write completed. The disc is still blank."};
constexpr BurnLogLine CacheNotFlushed{155, "The drive cache could not be written (%1)."};
constexpr BurnLogLine SessionClosed{156, "Session closed."};
constexpr BurnLogLine SessionNotClosed{157, "The session could not be closed (%1)."};
// What the drive said when it refused a step, so a refusal can be told apart
// (an open tray, a disc that is not blank, a sheet the drive does not take).
constexpr BurnLogLine DriveAnswered{206, "The drive answered: %1."};

bool longWriteInProgress(const ScsiResult& result)
{
    return result.sense.key == sense_key::NotReady && result.sense.asc == 0x04 && result.sense.ascq == 0x08;
}

} // namespace

std::uint8_t burnOptions(bool burnProof, bool testWrite)
{
    return static_cast<std::uint8_t>(kSessionAtOnce | (burnProof ? kBufferUnderrunProtection : 0)
                                     | (testWrite ? kTestWrite : 0));
}

BurnJob::BurnJob(BurnSnapshot snapshot) : snapshot_(std::move(snapshot)) {}

void BurnJob::addRow(int line, BurnIcon icon, const QString& prefix)
{
    emit row(BurnRow{line, icon, prefix, {}, {}});
}

void BurnJob::addRow(const BurnLogLine& line, BurnIcon icon, const QString& argument)
{
    emit row(BurnRow{line.line, icon, {}, QString::fromUtf8(line.english), argument});
}

BurnOutcome BurnJob::run(const std::atomic<bool>& stop)
{
    const BurnOutcome outcome = work(stop);
    emit finished(outcome);
    return outcome;
}

bool BurnJob::prepare()
{
    ScsiTransport& transport = *snapshot_.transport;
    const DriveAddress& drive = snapshot_.drive;
    if (!scsi::isBlank(scsi::readDiscState(transport, drive))) {
        addRow(DiscNotBlank, BurnIcon::Error);
        return false;
    }
    addRow(DiscBlank, BurnIcon::Done);

    const auto setParameters = [&](std::uint8_t options) {
        return snapshot_.setWriteParameters && snapshot_.setWriteParameters(drive, options) == 1;
    };
    if (!setParameters(kTrackAtOnce | kBufferUnderrunProtection)
        || !setParameters(burnOptions(snapshot_.burnProof, snapshot_.testWrite))) {
        addRow(ParametersRefused, BurnIcon::Error);
        return false;
    }
    addRow(ParametersSet, BurnIcon::Done);

    if (const ScsiResult speed = scsi::setCdSpeed(transport, drive, snapshot_.speedKbs); !speed.ok()) {
        addRow(SpeedRefused, BurnIcon::Error);
        addRow(DriveAnswered, BurnIcon::Error, speed.text());
        return false;
    }
    addRow(SpeedSet, BurnIcon::Done);

    const std::vector<std::uint8_t> sheet = buildSaoCueSheet(snapshot_.tracks, snapshot_.imageSize);
    if (const ScsiResult sent = scsi::sendCueSheet(transport, drive, sheet); !sent.ok()) {
        addRow(CueSheetRefused, BurnIcon::Error);
        addRow(DriveAnswered, BurnIcon::Error, sent.text());
        return false;
    }
    addRow(CueSheetSent, BurnIcon::Done);
    return true;
}

bool BurnJob::writeSectors(Lba address, std::uint8_t count, std::span<const std::uint8_t> data)
{
    // A drive whose buffer is full answers "long write in progress": the
    // same WRITE goes again, for a bounded time.
    const auto deadline = std::chrono::steady_clock::now() + snapshot_.busyWriteLimit;
    for (;;) {
        const ScsiResult result = scsi::write10(*snapshot_.transport, snapshot_.drive, address, count, data);
        if (result.ok())
            return true;
        if (!longWriteInProgress(result) || std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

bool BurnJob::closeSession()
{
    // Once writing began the session is always closed, after Cancel or an error too.
    const ScsiResult flushed = scsi::synchronizeCache(*snapshot_.transport, snapshot_.drive);
    if (!flushed.ok())
        addRow(CacheNotFlushed, BurnIcon::Error, flushed.text());
    else if (!snapshot_.testWrite) // a test write leaves nothing in the cache to speak of
        addRow(CacheFlushed, BurnIcon::Done);
    const ScsiResult closed = scsi::closeSession(*snapshot_.transport, snapshot_.drive);
    if (!closed.ok())
        addRow(SessionNotClosed, BurnIcon::Error, closed.text());
    return closed.ok();
}

BurnOutcome BurnJob::work(const std::atomic<bool>& stop)
{
    // The image is checked before the disc is touched.
    QFile image;
    if (!quandor::files::openRegularFile(image, snapshot_.imagePath)) {
        addRow(ImageMissing, BurnIcon::Error, snapshot_.imagePath);
        return BurnOutcome::PreparationFailed;
    }
    const std::int64_t size = image.size();
    const int total = static_cast<int>(size / kSectorBytes);
    if (total == 0) {
        addRow(ImageEmpty, BurnIcon::Error);
        return BurnOutcome::PreparationFailed;
    }
    if (size != snapshot_.imageSize || snapshot_.tracks.empty()) {
        addRow(CannotLoad, BurnIcon::Error); // the image changed since its cue sheet was read
        return BurnOutcome::PreparationFailed;
    }
    if (!prepare())
        return BurnOutcome::PreparationFailed;

    // The start of the first track's pregap, before the image: silence.
    std::vector<std::uint8_t> buffer(std::size_t(kSectorsPerWrite) * kSectorBytes, 0);
    bool writeError = false;
    const Lba imageStart = Lba::ofImageSector(0);
    for (Lba lba = Lba::discStart(); lba < imageStart && !writeError; lba = lba + kSectorsPerWrite)
        writeError = !writeSectors(lba, kSectorsPerWrite, buffer);
    addRow(Writing, BurnIcon::Done);

    int sector = 0;
    emit progress(0, total);
    while (!writeError && sector < total && !stop.load()) {
        const int count = sector + kSectorsPerWrite > total ? 1 : kSectorsPerWrite;
        const qint64 bytes = qint64(count) * kSectorBytes;
        if (image.read(reinterpret_cast<char*>(buffer.data()), bytes) != bytes
            || !writeSectors(Lba::ofImageSector(sector), static_cast<std::uint8_t>(count), buffer)) {
            writeError = true;
            break;
        }
        sector += count;
        emit progress(sector, total);
    }

    // What the data phase did comes first; the cache and session rows that
    // follow say what the drive answered, after Cancel or an error too.
    BurnOutcome outcome = BurnOutcome::Written;
    if (writeError) {
        outcome = BurnOutcome::WriteFailed;
        addRow(WriteFailed, BurnIcon::Stopped);
    } else if (sector < total) {
        outcome = BurnOutcome::Cancelled;
        addRow(Cancelled, BurnIcon::Stopped);
    } else if (snapshot_.testWrite) {
        addRow(TestWritten, BurnIcon::Done, QString());
    } else {
        addRow(ImageWritten, BurnIcon::Done);
    }
    image.close();
    const bool closed = closeSession();
    if (outcome == BurnOutcome::Written && closed && snapshot_.testWrite)
        addRow(TestCompleted, BurnIcon::Done, QString());
    else if (outcome == BurnOutcome::Written && closed)
        addRow(Written, BurnIcon::Done);
    else if (outcome == BurnOutcome::Written)
        outcome = BurnOutcome::WriteFailed; // the data is on the disc, but not a finished session
    else if (closed)
        addRow(SessionClosed, BurnIcon::Done, QString());
    scsi::startStopUnitEject(*snapshot_.transport, snapshot_.drive);
    return outcome;
}

} // namespace brenlow
