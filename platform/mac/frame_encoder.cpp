#include "platform/mac/frame_encoder.h"

#include "platform/mac/nn_filter.h"
#include "platform/mac/predictor.h"
#include "platform/mac/range_encoder.h"

extern "C" {
#include <libavutil/crc.h>
}


namespace quandor::mac {

namespace {

struct FilterStage {
    int order;
    int fractionBits;
};

/// The adaptive filter stages of each level, applied by the decoder first to last.
std::vector<FilterStage> stagesOf(int level)
{
    switch (level) {
    case 2000: return {{16, 11}};
    case 3000: return {{64, 11}};
    case 4000: return {{32, 10}, {256, 13}};
    default: return {};
    }
}

std::uint32_t frameCrc(const QByteArray& pcm)
{
    const AVCRC* table = av_crc_get_table(AV_CRC_32_IEEE_LE);
    const std::uint32_t crc = ~av_crc(table, 0xFFFFFFFFu, reinterpret_cast<const std::uint8_t*>(pcm.constData()),
                                      std::size_t(pcm.size()));
    // The top bit would announce frame flags, which this encoder never writes.
    return crc >> 1;
}

inline std::int32_t sampleAt(const unsigned char* p, int bits)
{
    switch (bits) {
    case 8: return std::int32_t(p[0]) - 128;
    case 16: return std::int16_t(std::uint16_t(p[0] | (p[1] << 8)));
    default: {
        const std::uint32_t raw = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
        return std::int32_t(raw << 8) >> 8;
    }
    }
}

void runFilters(const std::vector<FilterStage>& stages, std::int32_t* values, int count)
{
    // The decoder runs the first stage first, so the encoder undoes the last first.
    for (auto stage = stages.rbegin(); stage != stages.rend(); ++stage) {
        NNFilter filter(stage->order, stage->fractionBits);
        filter.compress(values, count);
    }
}

void appendBigEndian(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    out.push_back(std::uint8_t(value >> 24));
    out.push_back(std::uint8_t(value >> 16));
    out.push_back(std::uint8_t(value >> 8));
    out.push_back(std::uint8_t(value));
}

} // namespace

bool isSupportedLevel(int level)
{
    return level == 1000 || level == 2000 || level == 3000 || level == 4000;
}

FrameEncoder::FrameEncoder(const PcmLayout& layout, int level) : layout_(layout), level_(level) {}

void FrameEncoder::unpack(const QByteArray& pcm, int blocks)
{
    const auto* p = reinterpret_cast<const unsigned char*>(pcm.constData());
    const int bytes = layout_.bitsPerSample / 8;
    first_.resize(std::size_t(blocks));
    if (layout_.channels == 1) {
        for (int i = 0; i < blocks; ++i)
            first_[std::size_t(i)] = sampleAt(p + std::size_t(i) * bytes, layout_.bitsPerSample);
        return;
    }
    second_.resize(std::size_t(blocks));
    for (int i = 0; i < blocks; ++i) {
        const unsigned char* block = p + std::size_t(i) * 2 * bytes;
        const std::int32_t left = sampleAt(block, layout_.bitsPerSample);
        const std::int32_t right = sampleAt(block + bytes, layout_.bitsPerSample);
        const std::int32_t side = right - left;
        first_[std::size_t(i)] = side;
        second_[std::size_t(i)] = left + side / 2;
    }
}

QByteArray FrameEncoder::encode(const QByteArray& pcm)
{
    const int blocks = int(pcm.size() / layout_.blockAlign());
    unpack(pcm, blocks);
    const auto stages = stagesOf(level_);

    if (layout_.channels == 1) {
        MonoPredictor predictor;
        for (auto& value : first_)
            value = predictor.compress(value);
        runFilters(stages, first_.data(), blocks);
    } else {
        StereoPredictor predictor;
        for (int i = 0; i < blocks; ++i)
            predictor.compress(first_[std::size_t(i)], second_[std::size_t(i)]);
        runFilters(stages, first_.data(), blocks);
        runFilters(stages, second_.data(), blocks);
    }

    stream_.clear();
    stream_.reserve(std::size_t(blocks) * std::size_t(layout_.channels) * 3 + 64);
    appendBigEndian(stream_, frameCrc(pcm));
    RangeEncoder coder(stream_);
    ValueModel firstModel;
    ValueModel secondModel;
    if (layout_.channels == 1) {
        for (int i = 0; i < blocks; ++i)
            encodeValue(coder, firstModel, first_[std::size_t(i)]);
    } else {
        for (int i = 0; i < blocks; ++i) {
            encodeValue(coder, firstModel, first_[std::size_t(i)]);
            encodeValue(coder, secondModel, second_[std::size_t(i)]);
        }
    }
    coder.finish();
    while (stream_.size() % 4)
        stream_.push_back(0);

    // The stream is read as little-endian 32-bit words, most significant byte first.
    QByteArray stored(qsizetype(stream_.size()), Qt::Uninitialized);
    for (std::size_t i = 0; i < stream_.size(); i += 4) {
        stored[qsizetype(i)] = char(stream_[i + 3]);
        stored[qsizetype(i + 1)] = char(stream_[i + 2]);
        stored[qsizetype(i + 2)] = char(stream_[i + 1]);
        stored[qsizetype(i + 3)] = char(stream_[i]);
    }
    return stored;
}

} // namespace quandor::mac
