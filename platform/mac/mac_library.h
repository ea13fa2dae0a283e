#pragma once
// The APE library: ID3v1 lookup, duration, decoding to WAV and our own APE
// encoder. Every call is synchronous; progress reaches the caller through
// `callback` while the call runs, and the caller may set `*stopFlag` to 1
// (from inside the callback, or from another thread) to end the work early.

#include <QByteArray>
#include <QString>

#include <atomic>
#include <functional>

namespace quandor::mac {

/// Why a call failed; `Result::Success` when it did not.
enum class Result {
    Success = 0,
    ReadFailed,     ///< the input cannot be opened or read
    WriteFailed,    ///< the output cannot be created or written, or is the input itself
    InvalidInput,   ///< the input is not of the expected kind (not APE, not PCM WAV, corrupt)
    Unsupported,    ///< a valid input this library does not handle (bit depth, channels, level, output past 4 GiB)
    Stopped,        ///< the stop flag was set; no output is left behind
    NotImplemented, ///< kept for callers written before the encoder existed; no call returns it now
};

/// A short English description of `result`, for logs and messages.
QString describe(Result result);

/// Compression levels of `CompressFile`.
enum CompressionLevel : int {
    COMPRESSION_LEVEL_FAST = 1000,
    COMPRESSION_LEVEL_NORMAL = 2000,
    COMPRESSION_LEVEL_HIGH = 3000,
    COMPRESSION_LEVEL_EXTRA_HIGH = 4000,
};

/// Progress in thousandths of a percent (0 .. 100000).
using ProgressCallback = std::function<void(int thousandthsOfPercent)>;

/// Fills `buffer` with the file's last 128 bytes when they start with "TAG",
/// otherwise with 128 zero bytes. `buffer` always holds 128 bytes afterwards.
Result GetID3Tag(const QString& path, QByteArray& buffer);

/// The playing time of an APE file, or of the range an APE link file (.apl)
/// names, in whole seconds (rounded down); -1 when the file cannot be read as audio.
int GetDurationTrack(const QString& path);

/// Decodes an APE file, or the range of an image an APE link file names, to a
/// PCM WAV file at `outputPath`. A whole file made from a WAV comes back as
/// that WAV, byte for byte (its extra chunks included); otherwise the WAV gets
/// a plain 44-byte header.
/// `percent` (may be null) follows the progress in whole percent; `callback`
/// (may be empty) gets thousandths of a percent at the start, at the end and
/// as the work advances, in steps of at least a tenth of a percent; `stopFlag`
/// (may be null) is read as the work advances: 0 go on, 1 stop. A failed or stopped call
/// leaves no output file. The WAV is written through the one door, replacing
/// a file of its name only when complete; the path of a working file
/// (platform/files/working_file.h) is written into instead. On
/// `Result::WriteFailed`, `writeError` (may be null) receives the file and the
/// system's reason.
Result DecompressFile(const QString& inputPath, const QString& outputPath, std::atomic<int>* percent,
                      const ProgressCallback& callback, const std::atomic<int>* stopFlag,
                      QString* writeError = nullptr);

/// True when `CompressFile` takes the file as it is: a WAV file of 8, 16 or
/// 24-bit integer PCM in 1 or 2 channels (float and multichannel WAV files
/// need a converted copy first).
bool IsCompressibleWav(const QString& path);

/// Encodes a PCM WAV file (8/16/24-bit, 1 or 2 channels) to an APE file at
/// `level` (1000, 2000, 3000 or 4000). Progress and stop flag as for
/// `DecompressFile`: both are seen at least once per frame (after every eighth
/// of one). Only the data chunk's declared length is encoded; the bytes before
/// and after the samples are stored, up to 16 MiB each. A failed or stopped
/// call leaves no output file. On `Result::WriteFailed`, `writeError` (may be
/// null) receives the file and the system's reason ("Cannot write /a/song.ape: No space left on device").
Result CompressFile(const QString& inputPath, const QString& outputPath, int level, std::atomic<int>* percent,
                    const ProgressCallback& callback, const std::atomic<int>* stopFlag, QString* writeError = nullptr);

} // namespace quandor::mac
