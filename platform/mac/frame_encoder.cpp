#include "platform/mac/frame_encoder.h"

#include "platform/mac/crc32.h"

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
    case 2000:
        return {{16, 11}};
    case 3000:
        return {{64, 11}};
    case 4000:
        return {{32, 10}, {256, 13}};
    default:
        return {};
    }
}

inline std::int32_t sampleAt(const unsigned char* p, int bits)
{
    switch (bits) {
    case 8:
        return std::int32_t(p[0]) - 128;
    case 16:
        return std::int16_t(std::uint16_t(p[0] | (p[1] << 8)));
    default: {
        const std::uint32_t raw = std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16);
        return std::int32_t(raw << 8) >> 8;
    }
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

void FrameEncoder::begin()
{
    crc_ = 0xFFFFFFFFu;
    if (layout_.channels == 1)
        mono_ = std::make_unique<MonoPredictor>();
    else
        stereo_ = std::make_unique<StereoPredictor>();
    // The decoder runs the first stage first, so the encoder undoes the last first.
    const auto stages = stagesOf(level_);
    firstFilters_.clear();
    secondFilters_.clear();
    for (auto stage = stages.rbegin(); stage != stages.rend(); ++stage) {
        firstFilters_.emplace_back(stage->order, stage->fractionBits);
        secondFilters_.emplace_back(stage->order, stage->fractionBits);
    }
    stream_.clear();
    appendBigEndian(stream_, 0); // the CRC, known at the end
    coder_ = std::make_unique<RangeEncoder>(stream_);
    firstModel_ = ValueModel{};
    secondModel_ = ValueModel{};
}

void FrameEncoder::add(const QByteArray& pcm)
{
    const int blocks = int(pcm.size() / layout_.blockAlign());
    crc_ = updateCrc32(crc_, reinterpret_cast<const std::uint8_t*>(pcm.constData()), std::size_t(pcm.size()));
    unpack(pcm, blocks);
    if (layout_.channels == 1) {
        for (auto& value : first_)
            value = mono_->compress(value);
        for (auto& filter : firstFilters_)
            filter.compress(first_.data(), blocks);
        for (int i = 0; i < blocks; ++i)
            encodeValue(*coder_, firstModel_, first_[std::size_t(i)]);
        return;
    }
    for (int i = 0; i < blocks; ++i)
        stereo_->compress(first_[std::size_t(i)], second_[std::size_t(i)]);
    for (auto& filter : firstFilters_)
        filter.compress(first_.data(), blocks);
    for (auto& filter : secondFilters_)
        filter.compress(second_.data(), blocks);
    for (int i = 0; i < blocks; ++i) {
        encodeValue(*coder_, firstModel_, first_[std::size_t(i)]);
        encodeValue(*coder_, secondModel_, second_[std::size_t(i)]);
    }
}

QByteArray FrameEncoder::finish()
{
    coder_->finish();
    while (stream_.size() % 4)
        stream_.push_back(0);
    // The top bit of the stored CRC would announce frame flags, which this
    // encoder never writes.
    const std::uint32_t crc = ~crc_ >> 1;
    for (int i = 0; i < 4; ++i)
        stream_[std::size_t(i)] = std::uint8_t(crc >> (24 - 8 * i));

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

QByteArray FrameEncoder::encode(const QByteArray& pcm)
{
    begin();
    add(pcm);
    return finish();
}

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

} // namespace quandor::mac
