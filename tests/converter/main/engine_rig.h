#pragma once
// The conversion engine with component objects of its own, showing itself in
// a recording view: what the converter's tests drive a run through.

#include "converter/main/conversion_engine.h"
#include "platform/audio/aac_components.h"
#include "platform/audio/audio_file_reader.h"
#include "platform/audio/audio_file_writer.h"
#include "tests/converter/main/conversion_test_surface.h"

#include <QString>

namespace tavrel::test {

struct EngineRig {
    quandor::audio::AudioFileReader reader;
    quandor::audio::AudioFileWriter writer;
    quandor::audio::AacDecoder aacDecoder;
    quandor::audio::M4aDecoder m4aDecoder;
    quandor::audio::AacEncoder aacEncoder;
    RecordingView view;
    ConversionEngine engine;

    /// Temporary WAVs go to `tempFolder`.
    explicit EngineRig(const QString& tempFolder)
        : engine(ConversionComponents{reader, writer, aacDecoder, m4aDecoder, aacEncoder}, view, tempFolder)
    {}
    EngineRig(const EngineRig&) = delete;
    EngineRig& operator=(const EngineRig&) = delete;
};

} // namespace tavrel::test
