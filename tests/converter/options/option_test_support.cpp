#include "tests/converter/options/option_test_support.h"

#include "tests/support/wav_fixture.h"

namespace tavrel::test {

bool encodeSample(Audiotool& window, const QString& path, double seconds)
{
    auto& writer = window.FileWenc;
    if (!writer.SetSourceFormat(44100, 4) || !writer.Open(path))
        return false;
    const QByteArray pcm = quandor::test::makePcm({44100, 2, 16}, static_cast<qint64>(44100 * seconds));
    const bool written = writer.WriteChunk(pcm);
    return writer.Close() && written;
}

} // namespace tavrel::test
