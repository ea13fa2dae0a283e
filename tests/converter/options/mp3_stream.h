#pragma once
// Reads the facts an MP3 file states about itself: the header bits of its
// audio frames and the Xing/Info frame with its LAME tag.

#include <QByteArray>

#include <optional>

namespace tavrel::test {

struct Mp3FrameHeader {
    bool crc = false; ///< protection bit cleared
    int mode = 0;     ///< 0 stereo, 1 joint stereo, 2 dual channel, 3 mono
    int emphasis = 0;
    int sampleRate = 0;
    int kbps = 0;
};

struct Mp3Stream {
    std::optional<Mp3FrameHeader> audioFrame; ///< an audio frame well after the start
    bool hasInfoFrame = false;                ///< "Xing" or "Info" in the first frame
    bool hasLameTag = false;
    int vbrMethod = -1; ///< LAME tag: 1 CBR, 2 ABR, 3.. VBR
    int lowpassHz = -1;
    int abrKbps = -1;
};

Mp3Stream readMp3Stream(const QByteArray& file);

} // namespace tavrel::test
