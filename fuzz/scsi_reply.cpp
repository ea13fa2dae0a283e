// SCSI replies: whatever a drive answers (status, sense bytes, data), the
// decoders of both programs' sides take it: sense data (both decoders), the
// INQUIRY description, the table of contents, disc state and write speed.
// Input: "<status byte><18 sense bytes><data-in answer>" (short inputs give
// short sense and no answer). The same bytes are also read as the kernel's
// SG_IO answer to the real-drive back end.

#include "cdrip/scsi/drive_scan.h"
#include "cdrip/scsi/scsi_result.h"
#include "cdrip/scsi/toc.h"
#include "cdrip/scsi/writer_commands.h"
#include "fuzz/support/fuzz_support.h"
#include "platform/aspi/sense.h"
#include "platform/aspi/sg_device.h"

#include <algorithm>
#include <cstring>

using namespace brenlow;
using namespace quandor;

namespace {

// Answers every command with the same status, sense and data.
class CannedDrive final : public ScsiTransport {
public:
    std::uint8_t status = ScsiResult::kDone;
    SenseData sense;
    QByteArrayView answer;

    ScsiResult execute(const DriveAddress&, const ScsiCommand& command, std::span<std::uint8_t> data) override
    {
        if (command.direction == DataDirection::In && !data.empty())
            std::memcpy(data.data(), answer.data(), std::min<std::size_t>(data.size(), std::size_t(answer.size())));
        ScsiResult result;
        result.status = status;
        result.sense = sense;
        return result;
    }
};

void checkToc(const TocResult& toc)
{
    if (!toc.ok()) {
        fuzz::check(toc.table.empty(), "a failed TOC read has no tracks");
        return;
    }
    const TrackTable& table = toc.table;
    fuzz::check(table.count() >= 1 && table.count() <= TrackTable::kMaxTracks, "1 to 99 tracks");
    Lba previousEnd = Lba::discStart();
    for (const Track& track : table.tracks()) {
        fuzz::check(track.lengthFrames > 0, "tracks have a length");
        fuzz::check(track.start >= previousEnd, "tracks rise");
        previousEnd = track.end();
    }
    fuzz::check(previousEnd == table.leadOut(), "the last track ends at the lead-out");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
    const std::uint8_t status = size > 0 ? data[0] : 0;
    const QByteArrayView senseBytes = input.sliced(std::min<qsizetype>(1, input.size()))
                                          .first(std::min<qsizetype>(18, std::max<qsizetype>(0, input.size() - 1)));
    const QByteArrayView answer = input.sliced(std::min<qsizetype>(19, input.size()));
    const auto senseSpan =
        std::span(reinterpret_cast<const std::uint8_t*>(senseBytes.data()), std::size_t(senseBytes.size()));
    const auto answerSpan = std::span(reinterpret_cast<const std::uint8_t*>(answer.data()), std::size_t(answer.size()));

    // The one sense decoder, and the ripper's short text of what it decoded.
    const SenseData layerSense = aspi::decodeSense(senseSpan);
    aspi::describeSense(layerSense);
    senseText(layerSense);
    std::uint8_t encoded[18] = {};
    aspi::encodeSense(layerSense, encoded);
    fuzz::check(aspi::decodeSense(encoded) == layerSense, "encoded sense decodes to itself");

    CannedDrive drive;
    drive.status = status;
    drive.sense = layerSense;
    drive.answer = answer;
    const DriveAddress address{0, 1, 0};
    ScsiResult{status, 0, 0, layerSense}.text();

    const QString description = aspiInquiry(drive, address);
    fuzz::check(description.size() <= 27, "an inquiry description is at most 27 characters");
    checkToc(parseTocAnswer(answerSpan, QStringLiteral("Track")));
    checkToc(readTableOfContents(drive, address, QStringLiteral("Track")));
    scsi::readDiscState(drive, address);
    scsi::readMaxWriteSpeed(drive, address);

    // As the kernel's SG_IO answer: host and driver bytes from the answer's
    // first bytes, a residual that may be negative or larger than the request.
    aspi::SgReply sg;
    sg.scsiStatus = status;
    sg.hostStatus = size > 19 ? data[19] : 0;
    sg.driverStatus = size > 20 ? data[20] : 0;
    sg.sense.assign(senseSpan.begin(), senseSpan.end());
    sg.requested = std::uint32_t(answer.size());
    sg.residual = size > 21 ? int(static_cast<std::int8_t>(data[21])) * 97 : 0;
    const aspi::ScsiOutcome outcome = aspi::interpretSgReply(sg);
    fuzz::check(outcome.transferred <= sg.requested, "never more transferred than asked");
    fuzz::check(outcome.succeeded() == ((status & 0x3E) == 0 && sg.hostStatus == 0 && sg.driverStatus == 0),
                "only GOOD without host or driver error succeeds");
    return 0;
}
