// The tag save on hostile files of every tagged format: a save that fails
// leaves the file byte for byte as it was, a save that succeeds leaves the
// audio as the reader decodes it and reads its tags back, and neither leaves
// a copy beside the file, also when a file-size limit stops the writes as a
// full disk would.
// The audio is compared as the reader decodes it, independent of the check
// the save makes on the audio packets.
// Input: "<name byte>\0<limit byte>\0<title byte>\0<file bytes>". The name
// byte picks the file's extension (which must not matter: the content
// decides); a limit byte L > 0 limits the size of written files to L/64 of
// the file's size; the title is 40 times the title byte characters long.

#include "fuzz/support/fuzz_support.h"
#include "platform/audio/audio_file_reader.h"
#include "platform/audio/audio_stream_check.h"
#include "platform/audio/audio_tag_info.h"
#include "tests/support/file_size_limit.h"

#include <QDir>

#include <algorithm>
#include <cstdlib>
#include <optional>

using namespace quandor;

namespace {

struct Decoded {
    bool opened = false;
    bool clean = false; ///< decoded to the end without an error
    int channels = 0;
    int sampleRate = 0;
    QByteArray pcm;

    bool operator==(const Decoded&) const = default;
};

/// What the reader decodes from `path`, up to the end or its first error.
Decoded decoded(const QString& path)
{
    Decoded result;
    audio::AudioFileReader reader;
    result.opened = reader.Open(path);
    if (!result.opened)
        return result;
    result.channels = reader.Channels();
    result.sampleRate = reader.SampleRate();
    for (;;) {
        const QByteArray chunk = reader.ReadChunk(1 << 16);
        if (chunk.isEmpty())
            break;
        result.pcm += chunk;
    }
    result.clean = reader.ReadStatus() >= 0;
    return result;
}

/// The same audio. MP3 alone may differ by up to a frame at its ends: FFmpeg
/// stops trusting the length and encoder delay the LAME frame gives once the
/// file is a sixteenth larger or smaller than that frame says, which a tag of
/// another size makes it; on a damaged stream the frames it then drops or
/// keeps at the start differ too. The save itself checks that every audio
/// packet stays byte for byte; this property guards against lost audio.
bool sameAudio(const Decoded& before, const Decoded& after, bool mp3)
{
    if (before == after)
        return true;
    if (!mp3)
        return false;
    // A stream of less than a frame may then decode to nothing, which the
    // reader refuses to open.
    constexpr qsizetype kFrameSamples = 1152;
    const int channels = std::max({before.channels, after.channels, 1});
    return std::abs(before.pcm.size() - after.pcm.size()) <= kFrameSamples * 2 * channels;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::ScratchFolder folder;
    static const char* const kExtensions[] = {"mp3", "wav", "ogg", "wma", "m4a", "ape", "flac", "bin"};
    folder.clear();
    fuzz::Fields fields(data, size);
    const QString name = QStringLiteral("song.") + QLatin1String(kExtensions[fields.nextByte() % 8]);
    const int limit = fields.nextByte();
    const int titleLength = 40 * fields.nextByte();
    const QByteArray original = fields.rest().toByteArray();
    if (!folder.write(name, original))
        return 0;
    const QString file = folder.file(name);
    const Decoded audioBefore = decoded(file);

    audio::AudioTagInfo tag;
    tag.Title = QString(titleLength, QLatin1Char('T')) + QStringLiteral("itle");
    tag.Artist = QStringLiteral("Fuzzed Artist");
    tag.Year = 1999;
    tag.Track = 4;
    bool saved = false;
    {
        const rlim_t bound = rlim_t(std::max<qsizetype>(1, original.size() * limit / 64));
        std::optional<test::FileSizeLimit> full;
        if (limit > 0)
            full.emplace(bound);
        saved = tag.SaveTags(file);
    }

    const QStringList left = QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System);
    fuzz::check(left == QStringList{name}, "the save left another file beside the file", left.join(u' '));
    if (!saved) {
        fuzz::check(!tag.LastError().isEmpty(), "a failed save gave no reason");
        fuzz::check(fuzz::readFile(file) == original, "a failed save changed the file", tag.LastError());
        return 0;
    }
    const Decoded audioAfter = decoded(file);
    fuzz::check(sameAudio(audioBefore, audioAfter, audio::taggedFormatOf(file) == audio::TaggedFormat::Mpeg),
                "the save changed the decoded audio",
                QStringLiteral("%1 bytes before (opened %2, clean %3), %4 after (opened %5, clean %6)")
                    .arg(audioBefore.pcm.size())
                    .arg(audioBefore.opened)
                    .arg(audioBefore.clean)
                    .arg(audioAfter.pcm.size())
                    .arg(audioAfter.opened)
                    .arg(audioAfter.clean));
    audio::AudioTagInfo back;
    fuzz::check(back.LoadTags(file), "the saved tags cannot be read", back.LastError());
    fuzz::check(back.Title == tag.Title && back.Artist == tag.Artist, "the saved tags do not read back",
                back.Title.left(40) + QStringLiteral(" / ") + back.Artist);
    return 0;
}
