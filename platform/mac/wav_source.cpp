#include "platform/mac/wav_source.h"

#include "platform/mac/ape_format.h"
#include "platform/riff/wave_chunks.h"

#include <optional>

namespace quandor::mac {

namespace {

Result checkFormat(const riff::WaveFormat& format)
{
    const bool pcm = format.tag == riff::kFormatPcm
        || (format.tag == riff::kFormatExtensible && format.subFormat == riff::kFormatPcm);
    if (!pcm || format.channels == 0 || format.sampleRate == 0 || format.bitsPerSample == 0)
        return Result::InvalidInput;
    if (format.blockAlign != format.channels * ((format.bitsPerSample + 7) / 8))
        return Result::InvalidInput;
    if (!isSupportedLayout(format.channels, format.bitsPerSample, format.sampleRate))
        return Result::Unsupported;
    return Result::Success;
}

} // namespace

Result readWavSource(QFile& file, WavSource& source)
{
    source = WavSource{};
    source.fileSize = file.size();
    std::optional<riff::WaveFormat> format;
    bool formatSeen = false;
    bool haveData = false;
    qint64 declaredData = 0;
    const riff::WalkResult walked = riff::walkWaveChunks(file, [&](const riff::Chunk& chunk) {
        if (chunk.id == "fmt " && !formatSeen) {
            formatSeen = true;
            format = riff::parseWaveFormat(file.read(qMin<qint64>(chunk.size, 64)));
            return format.has_value(); // an unreadable format chunk ends the walk
        }
        if (chunk.id == "data" && !haveData) {
            haveData = true;
            source.dataOffset = chunk.body;
            declaredData = qMin(chunk.size, source.fileSize - chunk.body);
        }
        return true;
    });
    if (walked == riff::WalkResult::ReadFailed)
        return Result::ReadFailed;
    if (walked == riff::WalkResult::NotWave || !format || !haveData)
        return Result::InvalidInput;
    if (const Result formatResult = checkFormat(*format); formatResult != Result::Success)
        return formatResult;

    source.layout.channels = format->channels;
    source.layout.bitsPerSample = format->bitsPerSample;
    source.sampleRate = int(format->sampleRate);
    source.dataLength = declaredData - declaredData % source.layout.blockAlign();
    return Result::Success;
}

} // namespace quandor::mac
