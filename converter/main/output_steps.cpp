// The output steps of the conversion run, one per output format, and the
// pieces they share: the pump, the temporary WAV and the tag.

#include "converter/main/conversion_engine.h"

#include "converter/main/free_name.h"
#include "converter/main/transcode.h"
#include "platform/audio/aac_components.h"
#include "platform/audio/audio_file_reader.h"
#include "platform/audio/audio_file_writer.h"
#include "platform/mac/mac_library.h"

#include <QFile>
#include <QFileInfo>

namespace tavrel {

namespace {

bool isWavPath(const QString& path)
{
    // A temporary WAV has no name: it is what its shown name says.
    return quandor::files::shownNameOf(path).right(3).compare(QLatin1String("wav"), Qt::CaseInsensitive) == 0;
}

} // namespace

StepResult ConversionEngine::runOutputStep(const QString& format)
{
    if (format == formats::Wma)
        return OutputWma();
    if (format == formats::Mp3)
        return OutputMp3();
    if (format == formats::Ogg)
        return OutputOgg();
    if (format == formats::Wav)
        return OutputWav();
    if (format == formats::Aac)
        return OutputAac();
    if (format == formats::Ape)
        return OutputApe();
    return {};
}

StepResult ConversionEngine::TranscodeFile(const QString& source, const QString& target)
{
    AudioReaderAdapter reader(components_.reader);
    AudioWriterAdapter writer(components_.writer);
    // The stream starts with the fields the tag will have, where its format
    // holds them itself: the save after it then rewrites them in place
    // rather than moving the whole file to make room.
    components_.writer.SetStreamTags(tagFieldsFor(state.tag, yearForUndated()));
    // Until the output has its name it is the program's own: its tags go
    // straight into it, and it is written once.
    std::optional<QString> tagFailure;
    const PumpResult result = transcodeFile(
        reader, writer, source, target, PumpFlags{flags.transcoding, flags.cancelRequested, flags.converting}, view_,
        state.currentIndex, [&](const QString& workingPath, QString& refusal) {
            QString reason;
            bool damaged = false;
            if (tavrel::applyTagToOwnFile(state.tag, workingPath, quandor::files::shownNameOf(target), yearForUndated(),
                                          &reason, &damaged))
                return true;
            if (damaged) {
                // Half rewritten: the file must not pass for a whole one under its name.
                refusal = reason;
                return false;
            }
            tagFailure = reason; // the file stays as the pump wrote it
            return true;
        });
    components_.writer.SetStreamTags({});
    if (result.ok && tagFailure) {
        // The name the file took: the next free one when its own was taken meanwhile.
        const QString written = components_.writer.WrittenPath().isEmpty() ? target : components_.writer.WrittenPath();
        view_.showError(tagFailureMessage(quandor::files::shownNameOf(written), *tagFailure), QStringLiteral("Tavrel"));
    }
    return result.ok ? StepResult{} : StepResult::failure(result.error);
}

// ---- the pump steps ---------------------------------------------------------------

StepResult ConversionEngine::OutputWav()
{
    if (!flags.converting)
        return {};
    return TranscodeFile(state.currentFileName, takeFreeName(state.targetBaseName, QStringLiteral(".wav")));
}

StepResult ConversionEngine::OutputMp3()
{
    if (!flags.converting)
        return {};
    return TranscodeFile(state.currentFileName, takeFreeName(state.targetBaseName, QStringLiteral(".mp3")));
}

StepResult ConversionEngine::OutputOgg()
{
    if (!flags.converting)
        return {};
    return TranscodeFile(state.currentFileName, takeFreeName(state.targetBaseName, QStringLiteral(".ogg")));
}

StepResult ConversionEngine::OutputWma()
{
    if (!flags.converting)
        return {};
    const QString target = takeFreeName(state.targetBaseName, QStringLiteral(".wma"));
    auto& reader = components_.reader;
    StepResult result;
    if (!reader.Open(state.currentFileName, 0, 1) || reader.ReadStatus() < 0) {
        result = StepResult::failure(QStringLiteral("cannot read the source: ") + reader.LastError());
        reader.Close();
    } else {
        const bool accepted = components_.writer.SetSourceFormat(reader.FormatNumberB(), reader.FormatNumberA());
        reader.Close();
        result = accepted ? TranscodeFile(state.currentFileName, target)
                          : StepResult::failure(components_.writer.LastError());
    }
    if (!result.ok && !flags.cancelRequested) {
        // The WMA step has always reported its own failures under this title.
        view_.showError(
            view_.caption(46, QStringLiteral("Error during the WMA conversion")) + QLatin1Char('\n')
                + entryFailureMessage(state.decoded ? state.realFileName : state.currentFileName, result.error),
            QStringLiteral("Pelmix"));
    }
    return {};
}

// ---- the temporary WAV of the AAC and APE steps -----------------------------------

bool ConversionEngine::needsPcmCopy(const QString& input, WavInput kind)
{
    if (!isWavPath(input))
        return true;
    if (kind == WavInput::ApeEncodable)
        return !quandor::mac::IsCompressibleWav(input);
    // The encoder is told the configured format; a WAV in another rate or
    // channel count is converted to it first, so it never plays at the wrong speed.
    auto& reader = components_.reader;
    if (!reader.Open(input, 0, 1)) {
        reader.Close();
        return false; // the encoder reports the unreadable file
    }
    const bool differs = reader.SampleRate() != settings.frequency || reader.Channels() != settings.channels;
    reader.Close();
    return differs;
}

StepResult ConversionEngine::makeTemporaryWav(const QString& source, quandor::files::WorkingFile& tempWav,
                                              WavInput kind)
{
    int rate = settings.frequency;
    int channels = settings.channels;
    if (kind == WavInput::ApeEncodable) {
        // APE is lossless: the copy keeps the source's rate and its mono or
        // stereo layout (the reader mixes more channels to stereo); only the
        // samples become 16-bit.
        auto& reader = components_.reader;
        if (reader.Open(source, 0, 1)) {
            rate = reader.SampleRate();
            channels = reader.Channels();
        }
        reader.Close(); // an unreadable source is reported by the pump
    }
    // Named after the entry's source, never after an earlier temporary WAV.
    if (const StepResult made = createTemporaryWav(state.decoded ? state.realFileName : source, tempWav); !made.ok)
        return made;
    const bool formatSet = kind == WavInput::ApeEncodable ? components_.writer.SetFormatPcmCopy(rate, channels)
                                                          : components_.writer.SetFormatPCM(rate, channels, 16);
    if (!formatSet)
        return StepResult::failure(components_.writer.LastError());
    return TranscodeFile(source, tempWav.path());
}

std::optional<StepResult> ConversionEngine::prepareWavInput(QString& input, quandor::files::WorkingFile& tempWav,
                                                            WavInput kind)
{
    if (!needsPcmCopy(input, kind))
        return std::nullopt;
    if (const StepResult made = makeTemporaryWav(input, tempWav, kind); !made.ok)
        return made;
    if (flags.cancelRequested)
        return StepResult{};
    input = tempWav.path();
    return std::nullopt;
}

// ---- the encoder steps (AAC, APE) ------------------------------------------------

StepResult ConversionEngine::encodeFromWav(const QString& extension, WavInput kind, const EncodeStep& encode)
{
    if (!flags.converting)
        return {};
    const QString target = takeFreeName(state.targetBaseName, extension);
    QString input = state.currentFileName;
    quandor::files::WorkingFile tempWav;
    std::optional<StepResult> result = prepareWavInput(input, tempWav, kind);
    if (!result)
        result = encode(input, target);
    tempWav.release();
    resetProgress(view_);
    return *result;
}

StepResult ConversionEngine::OutputAac()
{
    return encodeFromWav(
        QStringLiteral(".aac"), WavInput::ConfiguredFormat, [this](const QString& input, const QString& target) {
            auto& encoder = components_.aacEncoder;
            const AacSettings& aac = settings.aac;
            encoder.InputFile = input;
            encoder.OutputFile = target;
            if (!encoder.SetInputFormat(settings.frequency, settings.channels))
                return StepResult::failure(encoder.LastError());
            if (!encoder.SetEncoding(aac.midSide, aac.lfe, 0, aac.adts == QLatin1String("MPEG-2") ? 1 : 0,
                                     aac.profile == QLatin1String("Main") ? 0 : 1, aac.bandWidth,
                                     aac.quality ? 0 : aacEncoderBitRate(aac.bitRate, settings.channels), aac.tns,
                                     aac.quality ? aac.qualityRate : 0))
                return StepResult::failure(encoder.LastError());
            encoder.Progress = [this](qint64 amount, qint64 total) {
                encoderProgress(static_cast<double>(amount), static_cast<double>(total));
            };
            const bool written = encoder.Encode();
            encoder.Progress = nullptr;
            if (!written && !flags.cancelRequested)
                return StepResult::failure(encoder.LastError());
            return StepResult{};
        });
}

StepResult ConversionEngine::OutputApe()
{
    return encodeFromWav(
        QStringLiteral(".ape"), WavInput::ApeEncodable, [this](const QString& input, const QString& target) {
            flags.apeKillFlag = 0;
            QString writeError;
            const quandor::mac::Result result = quandor::mac::CompressFile(
                input, target, settings.apeLevel, nullptr, [this](int thousandths) { apeProgress(thousandths); },
                &flags.apeKillFlag, &writeError);
            if (result == quandor::mac::Result::Success || result == quandor::mac::Result::Stopped)
                return StepResult{};
            if (result == quandor::mac::Result::NotImplemented)
                return StepResult::failure(QStringLiteral("APE compression is not available in this version"));
            if (result == quandor::mac::Result::WriteFailed && !writeError.isEmpty())
                return StepResult::failure(targetWriteFailure() + QStringLiteral(": ") + writeError);
            return StepResult::failure(quandor::mac::describe(result));
        });
}

// ---- progress reports ---------------------------------------------------------------

void ConversionEngine::decoderProgress(int percent)
{
    showPercent(view_, state.currentIndex, percent);
}

void ConversionEngine::encoderProgress(double done, double total)
{
    showPercent(view_, state.currentIndex, encoderPercent(done, total));
}

void ConversionEngine::apeProgress(int thousandths)
{
    showPercent(view_, state.currentIndex, apeCallbackPercent(thousandths));
}

} // namespace tavrel
