#pragma once
// The MP3 encoder library, loaded by name at run time from the program folder,
// and the configuration record made from the MP3 settings.

#include "cdrip/encode/encoder_settings.h"
#include "platform/lame_enc/lame_enc.h"

#include <QString>
#include <memory>

namespace brenlow {

class LameLibrary {
public:
    enum class LoadError { None, NotLoaded, EntryMissing };

    /// Loads the library at `path` and resolves its five entry points.
    static std::unique_ptr<LameLibrary> load(const QString& path, LoadError& error);
    ~LameLibrary();
    LameLibrary(const LameLibrary&) = delete;
    LameLibrary& operator=(const LameLibrary&) = delete;

    BeInitStreamFn initStream = nullptr;
    BeEncodeChunkFn encodeChunk = nullptr;
    BeDeinitStreamFn deinitStream = nullptr;
    BeCloseStreamFn closeStream = nullptr;
    BeVersionFn version = nullptr;
    /// Optional: the completed VBR/Info frame (absent in older builds).
    BeInfoTagFrameFn infoTagFrame = nullptr;

private:
    explicit LameLibrary(void* handle) : handle_(handle) {}
    void* handle_;
};

/// The library's path in the program folder `folder`.
QString lameLibraryPath(const QString& folder);

/// The configuration record for `settings`: the basic CBR form when the VBR
/// switch is off, else the extended form. The record is cleared first in both
/// forms, and the channel text compares without regard to case.
BeConfig makeLameConfig(const Mp3Settings& settings);

/// The preset value of a Present text (exact comparison); 0 for an unknown text.
int lamePresetValue(const QString& text);

} // namespace brenlow
