#include "platform/audio/output_encoder.h"

namespace quandor::audio {

std::unique_ptr<OutputEncoder> makeEncoder(const OutputFormat& format)
{
    switch (format.kind) {
    case OutputFormat::Kind::Pcm:
        return makeWavEncoder(format.pcm);
    case OutputFormat::Kind::Mp3:
        return makeMp3Encoder(format.mp3);
    case OutputFormat::Kind::Vorbis:
        return makeVorbisEncoder(format.vorbis);
    case OutputFormat::Kind::Wma:
        return makeWmaEncoder(format.wma);
    }
    return nullptr;
}

} // namespace quandor::audio
