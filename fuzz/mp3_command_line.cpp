// The MP3 command line typed on the MP3 options window. A line the settings
// object takes gives settings that the writer accepts and that encode a short
// buffer, and the same settings whatever the object held before (a line starts
// from LAME's defaults); a line it refuses says why and changes nothing.
// Input: the line, as UTF-8 text.

#include "fuzz/support/fuzz_support.h"
#include "platform/audio/audio_file_writer.h"
#include "platform/audio/mp3_lame_encoder.h"

#include <QByteArray>
#include <QtEndian>

#include <cmath>
#include <numbers>

using quandor::audio::AudioFileWriter;
using quandor::audio::MP3LameEncoder;
using namespace quandor;

namespace {

/// The 22 properties, each as "name=value", for comparing and for messages.
QString describe(const MP3LameEncoder& s)
{
    QStringList parts;
#define QUANDOR_PROPERTY(name) parts << QStringLiteral(#name "=%1").arg(s.name)
    QUANDOR_PROPERTY(AbrBitrate);
    QUANDOR_PROPERTY(AthControl);
    QUANDOR_PROPERTY(Bitrate);
    QUANDOR_PROPERTY(BitReservoir);
    QUANDOR_PROPERTY(BlockTypesDiffer);
    QUANDOR_PROPERTY(ChannelCount);
    QUANDOR_PROPERTY(Emphasis);
    QUANDOR_PROPERTY(EncoderQuality);
    QUANDOR_PROPERTY(ErrorProtection);
    QUANDOR_PROPERTY(OutputFrequency);
    QUANDOR_PROPERTY(HighpassFrequency);
    QUANDOR_PROPERTY(HighpassWidth);
    QUANDOR_PROPERTY(LowpassFrequency);
    QUANDOR_PROPERTY(LowpassWidth);
    QUANDOR_PROPERTY(ShortBlocks);
    QUANDOR_PROPERTY(StrictIso);
    QUANDOR_PROPERTY(EnforceMinBitrate);
    QUANDOR_PROPERTY(ChannelMode);
    QUANDOR_PROPERTY(MaxVbrBitrate);
    QUANDOR_PROPERTY(VbrMethod);
    QUANDOR_PROPERTY(VbrQuality);
    QUANDOR_PROPERTY(WriteVbrHeader);
#undef QUANDOR_PROPERTY
    return parts.join(u' ');
}

/// An object far from LAME's defaults, as the window's tabs may leave it.
MP3LameEncoder chosenBefore()
{
    MP3LameEncoder s;
    s.ApplyPreset(2); // SW: 11025 Hz mono
    s.ErrorProtection = true;
    s.HighpassFrequency = 120;
    s.LowpassWidth = 760;
    s.AthControl = 3;
    s.EncoderQuality = 8;
    return s;
}

/// A quarter of a second of a tone with some noise, 44.1 kHz stereo, as the
/// converter hands the writer its source.
QByteArray sourcePcm()
{
    constexpr int kFrames = 11025;
    QByteArray pcm(kFrames * 4, Qt::Uninitialized);
    quint32 noise = 12345;
    for (int i = 0; i < kFrames; ++i) {
        noise = noise * 1664525u + 1013904223u;
        const double t = i / 44100.0;
        const double value = 0.4 * std::sin(2 * std::numbers::pi * 440 * t) + 0.1 * ((noise >> 8) / 16777216.0 - 0.5);
        const auto sample = static_cast<qint16>(std::lround(value * 32767));
        qToLittleEndian(sample, pcm.data() + i * 4);
        qToLittleEndian(sample, pcm.data() + i * 4 + 2);
    }
    return pcm;
}

/// Whether `bytes` hold an MPEG audio frame header (an 11-bit sync, layer III).
bool holdsMp3Frame(const QByteArray& bytes)
{
    for (qsizetype at = 0; at + 1 < bytes.size(); ++at)
        if (quint8(bytes[at]) == 0xFF && (quint8(bytes[at + 1]) & 0xE6) == 0xE2)
            return true;
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::ScratchFolder folder;
    static const QByteArray pcm = sourcePcm();
    if (size > 2000) // longer than any line a user types; keeps each run short
        return 0;
    const QString line = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

    MP3LameEncoder settings = chosenBefore();
    const QString before = describe(settings);
    if (!settings.ApplyCommandLine(line)) {
        fuzz::check(!settings.LastError().isEmpty(), "a refused line says why", line);
        fuzz::check(describe(settings) == before, "a refused line changes nothing",
                    line + QStringLiteral("\n") + describe(settings));
        return 0;
    }
    const QString taken = describe(settings);

    MP3LameEncoder fromDefaults;
    fuzz::check(fromDefaults.ApplyCommandLine(line), "a line taken once is taken again", line);
    fuzz::check(describe(fromDefaults) == taken, "a line gives the same settings whatever the object held",
                line + QStringLiteral("\n") + taken + QStringLiteral("\n") + describe(fromDefaults));

    AudioFileWriter writer;
    fuzz::check(writer.SetFormatMP3Ex(settings), "the writer accepts the settings of a line taken",
                line + QStringLiteral("\n") + taken + QStringLiteral("\n") + writer.LastError());
    fuzz::check(!writer.FormatString().isEmpty(), "a format taken is described", line);

    folder.clear();
    const QString out = folder.file(QStringLiteral("out.mp3"));
    fuzz::check(writer.SetSourceFormat(44100, 4) && writer.Open(out), "an MP3 of a line taken is created",
                line + QStringLiteral("\n") + writer.LastError());
    const bool written = writer.WriteChunk(pcm);
    fuzz::check(writer.Close() && written, "a line taken encodes",
                line + QStringLiteral("\n") + taken + QStringLiteral("\n") + writer.LastError());
    const QByteArray mp3 = fuzz::readFile(out);
    fuzz::check(holdsMp3Frame(mp3), "the encoded file holds audio frames",
                line + QStringLiteral(": %1 bytes").arg(mp3.size()));
    return 0;
}
