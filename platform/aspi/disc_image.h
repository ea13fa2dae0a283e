#pragma once
// The content of an emulated disc: its track layout and its 2352-byte sectors,
// read from a .bin/.cue image or kept in memory after a burn.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quandor::aspi {

struct DiscTrack {
    int number = 1;
    int32_t startLba = 0; // INDEX 01
    bool data = false;    // MODE1/MODE2 track; audio otherwise
    bool preEmphasis = false;
    bool copyPermitted = false; // DCP
    bool fourChannel = false;   // 4CH
};

struct DiscLayout {
    std::vector<DiscTrack> tracks; // in order, numbers rising
    int32_t leadOutLba = 0;        // first LBA past the last track

    int firstTrack() const { return tracks.empty() ? 0 : tracks.front().number; }
    int lastTrack() const { return tracks.empty() ? 0 : tracks.back().number; }
    /// The track holding lba, or nullptr (lead-out, before track 1).
    const DiscTrack* trackAt(int32_t lba) const;
};

/// Reads whole sectors by LBA (0 .. leadOut-1).
class SectorSource {
public:
    virtual ~SectorSource() = default;
    virtual bool read(int32_t lba, uint32_t count, uint8_t* out) = 0;
};

/// Sectors held in memory, as a burn leaves them.
class MemorySectors final : public SectorSource {
public:
    explicit MemorySectors(std::vector<uint8_t> bytes) : bytes_(std::move(bytes)) {}
    bool read(int32_t lba, uint32_t count, uint8_t* out) override;
    const std::vector<uint8_t>& bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

struct LoadedImage {
    DiscLayout layout;
    std::unique_ptr<SectorSource> sectors;
};

/// Reads a .cue sheet and opens the .bin files it names (relative to the sheet).
/// The text is UTF-8 when valid, else Windows-1252 (as saved on Windows).
/// Accepts FILE ... BINARY, TRACK n AUDIO|MODE1/2352|MODE2/2352, INDEX, FLAGS;
/// refuses PREGAP (a gap absent from the files); ignores titles, performers, REM, CATALOG, ISRC. On failure returns
/// nothing and puts the reason in *error.
std::optional<LoadedImage> loadCueImage(const std::string& cuePath, std::string* error);

/// Writes bytes as binPath and a cue sheet beside it (same stem, ".cue") that
/// describes layout, with each track's FLAGS. False when either file cannot be written.
bool saveCueImage(const std::string& binPath, const DiscLayout& layout, const std::vector<uint8_t>& bytes);

/// The cue sheet path that belongs beside a .bin path.
std::string cuePathFor(const std::string& binPath);

} // namespace quandor::aspi
