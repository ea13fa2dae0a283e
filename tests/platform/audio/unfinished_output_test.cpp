// An output file has no name until it is complete: a process killed in the
// middle of a conversion, or a copy that is abandoned, leaves nothing under
// the target's name, and a file of that name stays as it was until the new
// one is done.
#include "tests/platform/audio/audio_test_support.h"

#include "platform/audio/aac_components.h"

#include <QDir>

#include <csignal>
#include <functional>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quandor::audio::test {
namespace {

struct OutputCase {
    const char* name;
    const char* extension;
    std::function<bool(AudioFileWriter&)> select; // empty: the AAC encoder
};

const OutputCase kCases[] = {
    {"wav", "wav", [](AudioFileWriter& w) { return w.SetFormatPCM(44100, 2, 16); }},
    {"mp3", "mp3", [](AudioFileWriter& w) { return w.SetFormatMP3(44100, 128, 2); }},
    {"ogg", "ogg", [](AudioFileWriter& w) { return w.SetFormatOggVorbis(44100, 2, 128, 0, 0, 400); }},
    {"wma", "wma", [](AudioFileWriter& w) { return w.SelectWmaProfile(35); }},
    {"aac", "aac", {}},
};

void PrintTo(const OutputCase& c, std::ostream* os)
{
    *os << c.name;
}

// One second of a quiet tone, 44.1 kHz stereo 16-bit.
QByteArray secondOfPcm()
{
    return quandor::test::makePcm(quandor::test::PcmFormat{44100, 2, 16}, 44100, 3);
}

// Writes `out` in the child until it is killed; tells the parent through
// `ready` once a few seconds are written ('f' when it could not start).
[[noreturn]] void writeUntilKilled(const OutputCase& c, const QString& source, const QString& out, int ready)
{
    const auto signal = [ready](char what) { (void)!::write(ready, &what, 1); };
    if (!c.select) {
        AacEncoder encoder;
        encoder.InputFile = source;
        encoder.OutputFile = out;
        int reports = 0;
        encoder.Progress = [&](qint64, qint64) {
            if (++reports == 3)
                signal('r');
            if (reports >= 3)
                ::pause(); // killed here, in the middle
        };
        if (!encoder.SetInputFormat(44100, 2) || !encoder.SetEncoding(false, false, 0, 1, 1, 16000, 128, false, 0))
            signal('f');
        encoder.Encode();
        signal('f');
        ::_exit(1);
    }
    AudioFileWriter writer;
    if (!c.select(writer) || !writer.SetSourceFormat(44100, 4) || !writer.Open(out)) {
        signal('f');
        ::_exit(1);
    }
    const QByteArray pcm = secondOfPcm();
    for (int second = 1;; ++second) {
        if (!writer.WriteChunk(pcm)) {
            signal('f');
            ::_exit(1);
        }
        if (second == 3)
            signal('r');
        if (second >= 3)
            ::usleep(10000);
    }
}

class UnfinishedOutput : public AudioTest, public ::testing::WithParamInterface<OutputCase> {
protected:
    QStringList outputs() const
    {
        return QDir(path(QStringLiteral("out")))
            .entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }
};

TEST_P(UnfinishedOutput, KillInTheMiddleLeavesNoFile)
{
    const OutputCase& c = GetParam();
    const QString source = wav(QStringLiteral("source.wav"), 60.0);
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("out"))));
    const QString out = path(QStringLiteral("out/song.")) + QLatin1String(c.extension);
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeEnds[0]);
        writeUntilKilled(c, source, out, pipeEnds[1]);
    }
    ::close(pipeEnds[1]);
    pollfd waiting{pipeEnds[0], POLLIN, 0};
    char what = 0;
    const bool told = ::poll(&waiting, 1, 60000) == 1 && ::read(pipeEnds[0], &what, 1) == 1;
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    ::close(pipeEnds[0]);
    ASSERT_TRUE(told) << "the child never got going";
    ASSERT_EQ(what, 'r') << "the child could not write";
    EXPECT_TRUE(outputs().isEmpty()) << outputs().join(QLatin1Char(' ')).toStdString();
}

// Writes one second into `out` and stops (`complete` false) or completes it.
bool writeSecond(const OutputCase& c, const QString& source, const QString& out, bool complete)
{
    if (!c.select) {
        AacEncoder encoder;
        encoder.InputFile = source;
        encoder.OutputFile = out;
        encoder.Progress = [&](qint64, qint64) {
            if (!complete)
                encoder.Stop(); // the file is started by then
        };
        return encoder.SetInputFormat(44100, 2) && encoder.SetEncoding(false, false, 0, 1, 1, 16000, 128, false, 0)
            && encoder.Encode() == complete;
    }
    AudioFileWriter writer;
    if (!c.select(writer) || !writer.Open(out) || !writer.WriteChunk(secondOfPcm()))
        return false;
    if (!complete) {
        writer.Abort();
        return true;
    }
    return writer.Close();
}

TEST_P(UnfinishedOutput, AFileOfTheNameIsNeverReplacedTheOutputTakesTheNextFreeName)
{
    const OutputCase& c = GetParam();
    const QString source = wav(QStringLiteral("source.wav"), 1.0);
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("out"))));
    const QString out = path(QStringLiteral("out/song.")) + QLatin1String(c.extension);
    ASSERT_TRUE(quandor::test::writeAll(out, "the user's own file"));

    ASSERT_TRUE(writeSecond(c, source, out, false));
    EXPECT_EQ(quandor::test::readAll(out), QByteArray("the user's own file"));
    EXPECT_EQ(outputs(), QStringList{QFileInfo(out).fileName()});

    // Another program's file under the name keeps it: the complete output
    // takes song(1).
    ASSERT_TRUE(writeSecond(c, source, out, true));
    EXPECT_EQ(quandor::test::readAll(out), QByteArray("the user's own file"));
    const QString taken = path(QStringLiteral("out/song(1).")) + QLatin1String(c.extension);
    EXPECT_NEAR(probe(taken).duration, 1.0, 0.1);
    EXPECT_EQ(outputs(), (QStringList{QFileInfo(taken).fileName(), QFileInfo(out).fileName()}));
}

INSTANTIATE_TEST_SUITE_P(EachFormat, UnfinishedOutput, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace quandor::audio::test
