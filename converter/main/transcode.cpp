#include "converter/main/transcode.h"

#include "platform/audio/audio_file_reader.h"
#include "platform/audio/audio_file_writer.h"

#include <algorithm>
#include <limits>

namespace tavrel {

// ---- adapters ----------------------------------------------------------------

bool AudioReaderAdapter::open(const QString& path)
{
    return reader_.Open(path, 0, 1);
}
void AudioReaderAdapter::close()
{
    reader_.Close();
}
int AudioReaderAdapter::readStatus() const
{
    return reader_.ReadStatus();
}
int AudioReaderAdapter::formatNumberA() const
{
    return reader_.FormatNumberA();
}
int AudioReaderAdapter::formatNumberB() const
{
    return reader_.FormatNumberB();
}
int AudioReaderAdapter::byteRate() const
{
    return reader_.ByteRate();
}
int AudioReaderAdapter::sourceLength() const
{
    return reader_.SourceLength();
}
QByteArray AudioReaderAdapter::readChunk(int count)
{
    return reader_.ReadChunk(count);
}
QString AudioReaderAdapter::lastError() const
{
    return reader_.LastError();
}

bool AudioWriterAdapter::open(const QString& path)
{
    return writer_.Open(path, 0);
}
bool AudioWriterAdapter::setSourceFormat(int formatNumberB, int formatNumberA)
{
    return writer_.SetSourceFormat(formatNumberB, formatNumberA);
}
bool AudioWriterAdapter::writeChunk(const QByteArray& chunk)
{
    return writer_.WriteChunk(chunk);
}
bool AudioWriterAdapter::close(const quandor::audio::BeforeNaming& beforeNaming)
{
    return writer_.Close(beforeNaming);
}
void AudioWriterAdapter::abort()
{
    writer_.Abort();
}
QString AudioWriterAdapter::writtenPath() const
{
    return writer_.WrittenPath();
}

QString AudioWriterAdapter::lastError() const
{
    return writer_.LastError();
}

// ---- the pump ----------------------------------------------------------------

namespace {

// Sets the flag for the pump's lifetime and restores the display on every way out.
class TranscodingScope {
public:
    TranscodingScope(bool& transcoding, ProgressSurface& surface) : transcoding_(transcoding), surface_(surface)
    {
        transcoding_ = true;
        resetProgress(surface_);
    }
    ~TranscodingScope()
    {
        transcoding_ = false;
        resetProgress(surface_);
    }
    TranscodingScope(const TranscodingScope&) = delete;
    TranscodingScope& operator=(const TranscodingScope&) = delete;

private:
    bool& transcoding_;
    ProgressSurface& surface_;
};

QString withReason(const QString& what, const QString& reason)
{
    return reason.isEmpty() ? what : what + QStringLiteral(": ") + reason;
}

} // namespace

QString targetCreationFailure()
{
    return QStringLiteral("cannot create the target");
}

QString targetWriteFailure()
{
    return QStringLiteral("cannot write the target");
}

PumpResult transcodeFile(PumpReader& reader, PumpWriter& writer, const QString& source, const QString& target,
                         const PumpFlags& flags, ProgressSurface& surface, int position,
                         const quandor::audio::BeforeNaming& tag)
{
    TranscodingScope scope(flags.transcoding, surface);
    flags.cancelRequested = false;

    if (!reader.open(source))
        return {false, withReason(QStringLiteral("cannot read the source"), reader.lastError())};
    const auto failWith = [&](const QString& what, const QString& reason) {
        writer.abort();
        reader.close();
        return PumpResult{false, withReason(what, reason)};
    };
    if (!writer.open(target))
        return failWith(targetCreationFailure(), writer.lastError());
    if (!writer.setSourceFormat(reader.formatNumberB(), reader.formatNumberA()))
        return failWith(QStringLiteral("the target refuses the source's format"), writer.lastError());

    const qint64 chunkSize = qint64{reader.formatNumberA()} * reader.formatNumberB();
    if (chunkSize <= 0 || chunkSize > std::numeric_limits<int>::max())
        return failWith(QStringLiteral("the source reports an unusable format"), QString());

    const double length = reader.sourceLength();
    const double byteRate = reader.byteRate();
    double done = 0.0;
    while (!flags.cancelRequested) {
        const QByteArray chunk = reader.readChunk(static_cast<int>(chunkSize));
        if (chunk.isEmpty()) {
            if (reader.readStatus() < 0)
                return failWith(QStringLiteral("the source cannot be decoded to its end"), reader.lastError());
            break;
        }
        if (!writer.writeChunk(chunk))
            return failWith(targetWriteFailure(), writer.lastError());

        if (byteRate > 0.0)
            done = std::min(done + chunk.size() / byteRate, std::max(length, 0.0));
        const int percent = pumpPercent(done, length);
        surface.setRowProgress(position, percent);
        surface.setBarFraction(length > 0.0 ? done / length : 0.0);
        surface.setPercentLabel(percentText(percent));
        surface.yield();
        if (!flags.converting)
            break;
    }
    if (flags.cancelRequested) {
        // A cut file under the finished name would pass for a whole one, and
        // take the name from the next attempt: Cancel leaves nothing behind.
        writer.abort();
        reader.close();
        return {};
    }
    surface.setRowProgress(position, 100);

    const bool closed = writer.close(tag);
    reader.close();
    if (!closed)
        return {false, withReason(QStringLiteral("cannot complete the target"), writer.lastError())};
    return {};
}

} // namespace tavrel
