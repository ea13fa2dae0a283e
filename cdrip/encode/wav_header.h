#pragma once
// The 44-byte header of a ripped WAV file: 44.1 kHz, 16-bit stereo PCM.

#include "cdrip/scsi/msf.h"

#include <QString>
#include <array>
#include <cstdint>

class QFileDevice;

namespace brenlow {

constexpr int kWavHeaderBytes = 44;
/// Bytes of one sample frame (16-bit stereo): the WAV block alignment.
constexpr int kWavBlockAlign = 4;

/// The header for `dataBytes` bytes of audio (RIFF size = data size + 36).
std::array<uint8_t, kWavHeaderBytes> makeWavHeader(uint32_t dataBytes);

/// Rewrites the RIFF and data sizes of an open WAV file to `dataBytes`, so a
/// file cut short still describes exactly the audio it holds.
bool patchWavSizes(QFileDevice& file, uint32_t dataBytes);

} // namespace brenlow
