#include "platform/aspi/scsi_opcodes.h"

namespace quandor::aspi::op {

namespace {

struct Known {
    uint8_t opcode;
    const char* name;
    Flow flow;
};

constexpr Known kKnown[] = {
    {TestUnitReady, "TEST UNIT READY", Flow::None},
    {RequestSense, "REQUEST SENSE", Flow::In},
    {Inquiry, "INQUIRY", Flow::In},
    {ModeSelect6, "MODE SELECT(6)", Flow::Out},
    {ModeSense6, "MODE SENSE(6)", Flow::In},
    {StartStopUnit, "START STOP UNIT", Flow::None},
    {Write10, "WRITE(10)", Flow::Out},
    {SynchronizeCache, "SYNCHRONIZE CACHE", Flow::None},
    {ReadToc, "READ TOC/PMA/ATIP", Flow::In},
    {PlayAudio10, "PLAY AUDIO(10)", Flow::None},
    {PlayAudioMsf, "PLAY AUDIO MSF", Flow::None},
    {PauseResume, "PAUSE/RESUME", Flow::None},
    {StopPlayScan, "STOP PLAY/SCAN", Flow::None},
    {ReadDiscInformation, "READ DISC INFORMATION", Flow::In},
    {ModeSelect10, "MODE SELECT(10)", Flow::Out},
    {ModeSense10, "MODE SENSE(10)", Flow::In},
    {CloseTrackSession, "CLOSE TRACK/SESSION", Flow::None},
    {SendCueSheet, "SEND CUE SHEET", Flow::Out},
    {Blank, "BLANK", Flow::None},
    {PlayAudio12, "PLAY AUDIO(12)", Flow::None},
    {ReadDvdStructure, "READ DVD STRUCTURE", Flow::In},
    {SetCdSpeed, "SET CD SPEED", Flow::None},
    {ReadCd, "READ CD", Flow::In},
};

const Known* find(uint8_t opcode)
{
    for (const Known& known : kKnown) {
        if (known.opcode == opcode)
            return &known;
    }
    return nullptr;
}

} // namespace

const char* name(uint8_t opcode)
{
    const Known* known = find(opcode);
    return known ? known->name : "UNKNOWN";
}

int cdbLengthOf(uint8_t opcode)
{
    switch (opcode >> 5) {
    case 0:
        return 6;
    case 1:
    case 2:
        return 10;
    case 4:
        return 16;
    case 5:
        return 12;
    default:
        return 0; // vendor-specific groups: the caller's length stands
    }
}

Flow dataFlowOf(uint8_t opcode)
{
    const Known* known = find(opcode);
    return known ? known->flow : Flow::None;
}

} // namespace quandor::aspi::op
