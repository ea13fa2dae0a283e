#include "platform/aspi/disc_image.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <unistd.h>
#include <utility>

#include "platform/aspi/cue_time.h"
#include "platform/aspi/disc_address.h"
#include "platform/files/file_descriptor.h"
#include "platform/files/file_door.h"
#include "platform/files/regular_file.h"
#include "platform/profile/windows1252.h"

namespace quandor::aspi {

namespace fs = std::filesystem;

const DiscTrack* DiscLayout::trackAt(int32_t lba) const
{
    if (lba < 0 || lba >= leadOutLba)
        return nullptr;
    const DiscTrack* found = nullptr;
    for (const DiscTrack& track : tracks) {
        if (track.startLba <= lba)
            found = &track;
    }
    return found;
}

bool MemorySectors::read(int32_t lba, uint32_t count, uint8_t* out)
{
    const uint64_t begin = uint64_t(lba) * kRawSectorSize;
    const uint64_t size = uint64_t(count) * kRawSectorSize;
    if (lba < 0 || begin + size > bytes_.size())
        return false;
    std::memcpy(out, bytes_.data() + begin, size);
    return true;
}

namespace {

// One .bin file of an image, covering a run of LBAs.
struct BinPart {
    std::string path;
    int32_t firstLba = 0;
    int32_t sectors = 0;
};

// One .bin file, open for reads at any offset; its descriptor is closed with it.
class FileHandle {
public:
    FileHandle() = default;
    // A .bin swapped for a FIFO after the sheet was read must not hold the drive's worker.
    explicit FileHandle(const std::string& path) : fd_(files::openRegularFile(path)) {}

    bool valid() const { return bool(fd_); }
    /// Reads exactly `size` bytes at `offset`; false on an error or a short file.
    bool readAt(uint8_t* out, size_t size, off_t offset) const
    {
        while (size > 0) {
            const ssize_t got = ::pread(fd_.get(), out, size, offset);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            out += got;
            size -= size_t(got);
            offset += got;
        }
        return true;
    }

private:
    files::FileDescriptor fd_;
};

class BinFileSectors final : public SectorSource {
public:
    explicit BinFileSectors(std::vector<BinPart> parts) : parts_(std::move(parts)) {}

    bool read(int32_t lba, uint32_t count, uint8_t* out) override
    {
        while (count > 0) {
            const BinPart* part = partAt(lba);
            if (!part)
                return false;
            const uint32_t here = std::min<uint32_t>(count, uint32_t(part->firstLba + part->sectors - lba));
            if (!readFromPart(*part, lba, here, out))
                return false;
            out += size_t(here) * kRawSectorSize;
            lba += int32_t(here);
            count -= here;
        }
        return true;
    }

private:
    // Like a drive's own cache: a small read is served from a window read
    // ahead in one call, so reading a disc in runs of a few sectors costs one
    // system call per window instead of one per run.
    static constexpr uint32_t kWindowSectors = 160;

    bool readFromPart(const BinPart& part, int32_t lba, uint32_t count, uint8_t* out)
    {
        const FileHandle& file = fileOf(part);
        if (!file.valid())
            return false;
        const auto offsetOf = [&part](int32_t at) { return off_t(at - part.firstLba) * kRawSectorSize; };
        const bool inWindow =
            windowPart_ == &part && lba >= windowLba_ && int64_t(lba) + count <= int64_t(windowLba_) + windowSectors_;
        if (!inWindow && count < kWindowSectors / 2) {
            // Read ahead to the window's size or the end of the file part.
            const uint32_t ahead = std::min<uint32_t>(kWindowSectors, uint32_t(part.firstLba + part.sectors - lba));
            window_.resize(size_t(kWindowSectors) * kRawSectorSize);
            windowPart_ = nullptr;
            if (!file.readAt(window_.data(), size_t(ahead) * kRawSectorSize, offsetOf(lba)))
                return file.readAt(out, size_t(count) * kRawSectorSize, offsetOf(lba));
            windowPart_ = &part;
            windowLba_ = lba;
            windowSectors_ = ahead;
        } else if (!inWindow) {
            return file.readAt(out, size_t(count) * kRawSectorSize, offsetOf(lba));
        }
        std::memcpy(out, window_.data() + size_t(lba - windowLba_) * kRawSectorSize, size_t(count) * kRawSectorSize);
        return true;
    }

    // Files stay open between reads; the drive reads from one thread at a time.
    const FileHandle& fileOf(const BinPart& part)
    {
        auto& file = open_[part.path];
        if (!file.valid())
            file = FileHandle(part.path);
        return file;
    }

    const BinPart* partAt(int32_t lba) const
    {
        for (const BinPart& part : parts_) {
            if (lba >= part.firstLba && lba < part.firstLba + part.sectors)
                return &part;
        }
        return nullptr;
    }

    std::vector<BinPart> parts_;
    std::map<std::string, FileHandle> open_;
    std::vector<uint8_t> window_;
    const BinPart* windowPart_ = nullptr;
    int32_t windowLba_ = 0;
    uint32_t windowSectors_ = 0;
};

// A cue sheet is text of a few kilobytes; anything far larger is not one.
constexpr qint64 kMaxCueSheetBytes = 16 * 1024 * 1024;

// The file name of a FILE line: quoted (may hold spaces) or one word.
std::string fileNameOf(const std::string& rest)
{
    const size_t start = rest.find_first_not_of(" \t");
    if (start == std::string::npos)
        return {};
    if (rest[start] == '"') {
        const size_t end = rest.find('"', start + 1);
        return end == std::string::npos ? std::string() : rest.substr(start + 1, end - start - 1);
    }
    const size_t end = rest.find_first_of(" \t", start);
    return rest.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

std::string upper(std::string text)
{
    for (char& c : text)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

struct CueReader {
    fs::path folder;
    std::vector<BinPart> parts;
    DiscLayout layout;
    int32_t fileStartLba = 0; // LBA where the current FILE begins
    bool trackHasStart = true;
    std::string error;

    bool fail(int lineNumber, const std::string& why)
    {
        error = "line " + std::to_string(lineNumber) + ": " + why;
        return false;
    }

    bool closeFile()
    {
        if (parts.empty())
            return true;
        std::error_code ec;
        const auto bytes = fs::file_size(parts.back().path, ec);
        if (ec) {
            error = "cannot read " + parts.back().path;
            return false;
        }
        parts.back().sectors = int32_t(bytes / kRawSectorSize);
        fileStartLba = parts.back().firstLba + parts.back().sectors;
        return true;
    }

    bool line(int number, const std::string& text)
    {
        std::istringstream in(text);
        std::string keyword;
        if (!(in >> keyword))
            return true;
        keyword = upper(keyword);
        if (keyword == "FILE") {
            std::string rest;
            std::getline(in, rest);
            const std::string name = fileNameOf(rest);
            if (name.empty())
                return fail(number, "FILE without a name");
            if (!closeFile())
                return false;
            parts.push_back({(folder / name).string(), fileStartLba, 0});
            return true;
        }
        if (keyword == "TRACK") {
            int trackNumber = 0;
            std::string mode;
            if (!(in >> trackNumber >> mode) || trackNumber < 1 || trackNumber > 99)
                return fail(number, "bad TRACK line");
            if (parts.empty())
                return fail(number, "TRACK before FILE");
            if (!trackHasStart)
                return fail(number, "track without INDEX 01");
            if (!layout.tracks.empty() && trackNumber != layout.tracks.back().number + 1)
                return fail(number, "track numbers must rise by one");
            mode = upper(mode);
            DiscTrack track;
            track.number = trackNumber;
            if (mode == "AUDIO")
                track.data = false;
            else if (mode == "MODE1/2352" || mode == "MODE2/2352")
                track.data = true;
            else
                return fail(number, "unsupported track mode " + mode);
            layout.tracks.push_back(track);
            trackHasStart = false;
            return true;
        }
        if (keyword == "INDEX") {
            int index = -1;
            std::string time;
            if (!(in >> index >> time) || layout.tracks.empty())
                return fail(number, "bad INDEX line");
            const auto frames = parseCueTime(time);
            if (!frames)
                return fail(number, "bad time " + time);
            if (index == 1) {
                const int32_t lba = fileStartLba + *frames;
                if (layout.tracks.size() > 1 && lba <= layout.tracks[layout.tracks.size() - 2].startLba)
                    return fail(number, "track starts do not rise");
                layout.tracks.back().startLba = lba;
                trackHasStart = true;
            }
            return true;
        }
        if (keyword == "PREGAP")
            return fail(number, "PREGAP (a gap missing from the image) is not supported");
        if (keyword == "FLAGS") {
            std::string flag;
            while (in >> flag && !layout.tracks.empty()) {
                DiscTrack& track = layout.tracks.back();
                flag = upper(flag);
                track.preEmphasis |= flag == "PRE";
                track.copyPermitted |= flag == "DCP";
                track.fourChannel |= flag == "4CH";
            }
            return true;
        }
        return true; // TITLE, PERFORMER, REM, CATALOG, ISRC, POSTGAP, SONGWRITER
    }
};

} // namespace

std::optional<LoadedImage> loadCueImage(const std::string& cuePath, std::string* error)
{
    // Read through a descriptor: a stream would throw on a folder, and a FIFO would block.
    std::string reason;
    const files::FileDescriptor file = files::openRegularFile(cuePath, &reason);
    std::string raw;
    if (file) {
        if (const std::optional<QByteArray> bytes = files::readToEnd(file.get(), kMaxCueSheetBytes))
            raw = bytes->toStdString();
        else
            reason = std::strerror(errno);
    }
    if (!file || !reason.empty()) {
        if (error)
            *error = "cannot open " + cuePath + ": " + reason;
        return std::nullopt;
    }
    CueReader reader;
    reader.folder = fs::path(cuePath).parent_path();
    // File names in the text become UTF-8 paths, whatever the sheet was saved in.
    std::istringstream lines(
        quandor::profile::fromStoredText(QByteArrayView(raw.data(), qsizetype(raw.size()))).toStdString());
    std::string text;
    int number = 0;
    bool ok = true;
    while (ok && std::getline(lines, text)) {
        ++number;
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        ok = reader.line(number, text);
    }
    if (ok && reader.layout.tracks.empty())
        ok = reader.fail(number, "no track");
    if (ok && !reader.trackHasStart)
        ok = reader.fail(number, "last track without INDEX 01");
    if (ok)
        ok = reader.closeFile();
    if (ok && reader.fileStartLba <= reader.layout.tracks.back().startLba)
        ok = reader.fail(number, "the image ends before its last track");
    if (!ok) {
        if (error)
            *error = cuePath + ": " + reader.error;
        return std::nullopt;
    }
    LoadedImage image;
    image.layout = reader.layout;
    image.layout.leadOutLba = reader.fileStartLba;
    image.sectors = std::make_unique<BinFileSectors>(std::move(reader.parts));
    return image;
}

std::string cuePathFor(const std::string& binPath)
{
    return fs::path(binPath).replace_extension(".cue").string();
}

bool saveCueImage(const std::string& binPath, const DiscLayout& layout, const std::vector<uint8_t>& bytes)
{
    {
        std::ofstream bin(binPath, std::ios::binary | std::ios::trunc);
        bin.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        if (!bin)
            return false;
    }
    std::ofstream cue(cuePathFor(binPath), std::ios::binary | std::ios::trunc);
    cue << "FILE \"" << fs::path(binPath).filename().string() << "\" BINARY\r\n";
    for (const DiscTrack& track : layout.tracks) {
        const Msf at = Msf::fromLba(track.startLba - kLbaToMsfOffset);
        char line[64];
        std::snprintf(line, sizeof line, "  TRACK %02d %s\r\n", track.number, track.data ? "MODE1/2352" : "AUDIO");
        cue << line;
        std::string flags;
        for (const auto& [set, name] : {std::pair{track.copyPermitted, " DCP"}, std::pair{track.fourChannel, " 4CH"},
                                        std::pair{track.preEmphasis, " PRE"}}) {
            if (set)
                flags += name;
        }
        if (!flags.empty())
            cue << "    FLAGS" << flags << "\r\n";
        std::snprintf(line, sizeof line, "    INDEX 01 %02d:%02d:%02d\r\n", at.minute, at.second, at.frame);
        cue << line;
    }
    return bool(cue);
}

} // namespace quandor::aspi
