#pragma once
// Fixtures of the APE library tests: hard signals as PCM, WAV files around
// them, and FFmpeg as the independent decoder.

#include "tests/support/wav_fixture.h"

#include <QByteArray>
#include <QString>

namespace quandor::mac::test {

using quandor::test::PcmFormat;

/// `frames` blocks cycling through a tone with a little noise, silence, a
/// full-scale square wave and full-scale white noise: the cases a lossless
/// coder gets wrong first.
QByteArray hardSignal(const PcmFormat& format, qint64 frames);

/// Writes a WAV of `pcm` with `afterData` appended after the data chunk.
bool writeWav(const QString& path, const PcmFormat& format, const QByteArray& pcm, const QByteArray& afterData = {});

/// The bytes of the first data chunk of the WAV at `path`.
QByteArray wavData(const QString& path);

/// FFmpeg's decoding of `path` as raw PCM of `bits` (u8, s16le, s24le), with
/// frame CRCs checked; empty with `ok` false when FFmpeg reports anything.
QByteArray ffmpegDecode(const QString& path, int bits, bool* ok);

/// The compression level stored in an APE file's header, -1 when unreadable.
int storedLevel(const QString& path);

} // namespace quandor::mac::test
