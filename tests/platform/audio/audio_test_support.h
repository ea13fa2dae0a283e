#pragma once
// Helpers shared by the audio component tests: a scratch folder with
// generated WAV sources, the reader-to-writer copy the converter performs,
// and ffprobe look-ups.

#include "platform/audio/audio_file_reader.h"
#include "platform/audio/audio_file_writer.h"

#include "tests/support/tools.h"
#include "tests/support/wav_fixture.h"

#include <QJsonObject>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quandor::audio::test {

class AudioTest : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir_.filePath(name); }
    /// A generated WAV of `seconds` in `format`, written once per test.
    QString wav(const QString& name, double seconds, quandor::test::PcmFormat format = {}, unsigned seed = 1) const;

    QTemporaryDir dir_;
};

struct CopyResult {
    bool ok = false;
    QString error;
    qint64 bytes = 0;
    int chunks = 0;
};

/// Reads `source` through a reader and writes it through `writer` (already
/// holding its format) to `target`, chunk by chunk as the converter does.
CopyResult transcode(const QString& source, AudioFileWriter& writer, const QString& target);

struct Probed {
    QString codec;
    int sampleRate = 0;
    int channels = 0;
    double duration = -1;
    QJsonObject tags;   ///< the container's tags
    QJsonObject stream; ///< the first audio stream
};

/// ffprobe's view of `file`; codec empty when ffprobe cannot read it.
Probed probe(const QString& file);

/// Number of PCM frames ffmpeg decodes from `file` (independent of our reader).
qint64 ffmpegFrameCount(const QString& file, int channels);

} // namespace quandor::audio::test
