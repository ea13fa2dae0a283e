#include "tests/converter/options/mp3_stream.h"

namespace tavrel::test {

namespace {

std::optional<Mp3FrameHeader> parseHeader(const QByteArray& file, qsizetype at, int& length)
{
    if (at + 4 > file.size())
        return std::nullopt;
    const auto b = [&](qsizetype i) { return static_cast<unsigned char>(file[at + i]); };
    if (b(0) != 0xFF || (b(1) & 0xE0) != 0xE0 || ((b(1) >> 1) & 3) != 1)
        return std::nullopt;             // not a layer III frame
    const int version = (b(1) >> 3) & 3; // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
    const int bitrateIndex = b(2) >> 4;
    const int rateIndex = (b(2) >> 2) & 3;
    if (version == 1 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return std::nullopt;
    static const int mpeg1[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    static const int mpeg2[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
    static const int rates1[] = {44100, 48000, 32000};
    Mp3FrameHeader h;
    h.kbps = version == 3 ? mpeg1[bitrateIndex] : mpeg2[bitrateIndex];
    h.sampleRate = rates1[rateIndex] / (version == 3 ? 1 : version == 2 ? 2 : 4);
    h.crc = (b(1) & 1) == 0;
    h.mode = b(3) >> 6;
    h.emphasis = b(3) & 3;
    const int padding = (b(2) >> 1) & 1;
    length = (version == 3 ? 144000 : 72000) * h.kbps / h.sampleRate + padding;
    return h;
}

} // namespace

Mp3Stream readMp3Stream(const QByteArray& file)
{
    Mp3Stream stream;
    qsizetype at = 0;
    if (file.startsWith("ID3") && file.size() > 10) {
        const auto s = [&](int i) { return static_cast<qsizetype>(static_cast<unsigned char>(file[i]) & 0x7F); };
        at = 10 + ((s(6) << 21) | (s(7) << 14) | (s(8) << 7) | s(9));
    }
    int length = 0;
    while (at < file.size() && !parseHeader(file, at, length))
        ++at;
    const QByteArray first = file.mid(at, length);
    const qsizetype tag = qMax(first.indexOf("Xing"), first.indexOf("Info"));
    int frame = 0;
    if (tag >= 0) {
        stream.hasInfoFrame = true;
        const qsizetype lame = first.indexOf("LAME", tag);
        if (lame >= 0 && lame + 21 <= first.size()) {
            stream.hasLameTag = true;
            stream.vbrMethod = static_cast<unsigned char>(first[lame + 9]) & 0x0F;
            stream.lowpassHz = static_cast<unsigned char>(first[lame + 10]) * 100;
            stream.abrKbps = static_cast<unsigned char>(first[lame + 20]);
        }
    }
    // Walk a few frames in so that the header read is an ordinary audio frame.
    while (at < file.size()) {
        const auto header = parseHeader(file, at, length);
        if (!header)
            break;
        if (++frame == 5) {
            stream.audioFrame = header;
            break;
        }
        at += length;
    }
    return stream;
}

} // namespace tavrel::test
