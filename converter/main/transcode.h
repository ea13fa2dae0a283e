#pragma once
// The transcoding pump: copies one source file, chunk by chunk, from the
// reader into the writer (in whatever output format the writer holds),
// showing progress and letting the event loop run once a chunk, then closes
// both files and tags the target.

#include "converter/main/progress.h"
#include "platform/audio/before_naming.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace quandor::audio {
class AudioFileReader;
class AudioFileWriter;
} // namespace quandor::audio

namespace tavrel {

/// The reader as the pump uses it.
class PumpReader {
public:
    virtual ~PumpReader() = default;
    virtual bool open(const QString& path) = 0;
    virtual void close() = 0;
    virtual int readStatus() const = 0;
    virtual int formatNumberA() const = 0; ///< bytes per sample frame
    virtual int formatNumberB() const = 0; ///< sample frames per second
    virtual int byteRate() const = 0;
    virtual int sourceLength() const = 0; ///< in the unit bytes ÷ byteRate adds up to
    virtual QByteArray readChunk(int count) = 0;
    virtual QString lastError() const = 0;
};

/// The writer as the pump uses it.
class PumpWriter {
public:
    virtual ~PumpWriter() = default;
    virtual bool open(const QString& path) = 0;
    virtual bool setSourceFormat(int formatNumberB, int formatNumberA) = 0;
    virtual bool writeChunk(const QByteArray& chunk) = 0;
    /// Completes the file; `beforeNaming` (when set) gets the path that opens
    /// the finished file before it has its name, and may refuse it (the file
    /// is dropped then, and close fails).
    virtual bool close(const quandor::audio::BeforeNaming& beforeNaming) = 0;
    virtual void abort() = 0; ///< discards the file
    virtual QString lastError() const = 0;
    /// After close: the name the file took (the next free one when a file
    /// appeared under its own meanwhile); empty: the name it was opened with.
    virtual QString writtenPath() const { return {}; }
};

/// Adapters over the audio components.
class AudioReaderAdapter final : public PumpReader {
public:
    explicit AudioReaderAdapter(quandor::audio::AudioFileReader& reader) : reader_(reader) {}
    bool open(const QString& path) override;
    void close() override;
    int readStatus() const override;
    int formatNumberA() const override;
    int formatNumberB() const override;
    int byteRate() const override;
    int sourceLength() const override;
    QByteArray readChunk(int count) override;
    QString lastError() const override;

private:
    quandor::audio::AudioFileReader& reader_;
};

class AudioWriterAdapter final : public PumpWriter {
public:
    explicit AudioWriterAdapter(quandor::audio::AudioFileWriter& writer) : writer_(writer) {}
    bool open(const QString& path) override;
    bool setSourceFormat(int formatNumberB, int formatNumberA) override;
    bool writeChunk(const QByteArray& chunk) override;
    bool close(const quandor::audio::BeforeNaming& beforeNaming) override;
    void abort() override;
    QString lastError() const override;
    QString writtenPath() const override;

private:
    quandor::audio::AudioFileWriter& writer_;
};

/// The window state the pump reads and sets.
struct PumpFlags {
    bool& transcoding;      ///< True exactly while the pump runs
    bool& cancelRequested;  ///< reset at the start; Cancel sets it during a yield
    const bool& converting; ///< the copy goes on only while a run is active
};

struct PumpResult {
    bool ok = true;
    QString error; ///< why the copy failed (the target is removed then)
};

/// Copies `source` into `target`. On success `tag` is called with the path
/// that opens the finished target before it has its name (the program's own
/// file until then, tagged in place; a tag write that damaged it refuses it,
/// and the copy fails with the reason), then both files are closed. When
/// Cancel stops the copy the unfinished
/// target is removed, untagged, and the result is still a success (nothing
/// to report). On failure the partial target is removed, both files are
/// closed and the reason returned. Either way `transcoding` ends False and
/// the display shows "0 %".
/// The reason an entry fails when its target cannot be made (followed by the system's reason).
QString targetCreationFailure();
/// The reason an entry fails when its target cannot be written (followed by the file and the system's reason).
QString targetWriteFailure();

PumpResult transcodeFile(PumpReader& reader, PumpWriter& writer, const QString& source, const QString& target,
                         const PumpFlags& flags, ProgressSurface& surface, int position,
                         const quandor::audio::BeforeNaming& tag);

} // namespace tavrel
