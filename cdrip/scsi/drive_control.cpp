#include "cdrip/scsi/drive_control.h"

namespace brenlow {
namespace {

ScsiResult refused()
{
    ScsiResult result;
    result.status = 0x80; // invalid request: nothing was sent
    return result;
}

} // namespace

ScsiResult playTrack(ScsiTransport& transport, const DriveAddress& drive, const TrackTable& tracks, int index)
{
    const Track* track = tracks.at(index);
    if (!track || track->lengthFrames <= 0)
        return refused();
    return scsi::playAudio12(transport, drive, track->start, static_cast<std::uint32_t>(track->lengthFrames));
}

ScsiResult playFrom(ScsiTransport& transport, const DriveAddress& drive, const TrackTable& tracks, int index, Lba start)
{
    const Track* track = tracks.at(index);
    const Lba leadOut = tracks.leadOut();
    if (!track || start < Lba{0} || start >= leadOut)
        return refused();
    const int frames = std::min(track->lengthFrames, leadOut - start);
    return scsi::playAudio12(transport, drive, start, static_cast<std::uint32_t>(frames));
}

ScsiResult pauseResume(ScsiTransport& transport, const DriveAddress& drive, bool resume)
{
    return scsi::pauseResume(transport, drive, resume);
}

ScsiResult stopPlay(ScsiTransport& transport, const DriveAddress& drive)
{
    return scsi::stopPlayScan(transport, drive);
}

ScsiResult ejectDisc(ScsiTransport& transport, const DriveAddress& drive)
{
    return scsi::startStopUnitEject(transport, drive);
}

} // namespace brenlow
