#include "cdrip/encode/wav_header.h"

#include <QFile>
#include <QtEndian>
#include <cstring>

namespace brenlow {
namespace {

void put32(uint8_t* at, uint32_t value)
{
    qToLittleEndian<uint32_t>(value, at);
}
void put16(uint8_t* at, uint16_t value)
{
    qToLittleEndian<uint16_t>(value, at);
}

} // namespace

std::array<uint8_t, kWavHeaderBytes> makeWavHeader(uint32_t dataBytes)
{
    std::array<uint8_t, kWavHeaderBytes> h{};
    std::memcpy(&h[0], "RIFF", 4);
    put32(&h[4], dataBytes + 36);
    std::memcpy(&h[8], "WAVEfmt ", 8);
    put32(&h[16], 16);
    put16(&h[20], 1);
    put16(&h[22], 2);
    put32(&h[24], 44100);
    put32(&h[28], 176400);
    put16(&h[32], kWavBlockAlign);
    put16(&h[34], 16);
    std::memcpy(&h[36], "data", 4);
    put32(&h[40], dataBytes);
    return h;
}

bool patchWavSizes(QFileDevice& file, uint32_t dataBytes)
{
    uint8_t size[4];
    const qint64 end = file.pos();
    put32(size, dataBytes + 36);
    bool ok = file.seek(4) && file.write(reinterpret_cast<const char*>(size), 4) == 4;
    put32(size, dataBytes);
    ok = ok && file.seek(40) && file.write(reinterpret_cast<const char*>(size), 4) == 4;
    return file.seek(end) && ok;
}

} // namespace brenlow
