#pragma once
// Emulated drives for the image, burn and erase tests: a generated audio disc
// in a reader, blank recordable discs in writers, and the program's SCSI layer
// over them.

#include "cdrip/scsi/aspi_layer.h"
#include "tests/platform/aspi/aspi_test_support.h"

#include <QString>
#include <memory>
#include <string>
#include <vector>

namespace brenlow::test {

inline constexpr DriveAddress kReader{0, 1, 0};
inline constexpr DriveAddress kCdR{0, 2, 0};
inline constexpr DriveAddress kCdRw{0, 3, 0};

struct SourceTrack {
    int sectors = 0;
    bool preEmphasis = false;
    bool data = false;
    int indexOneOffset = 0; ///< INDEX 01 this many sectors into the track (INDEX 00 at its start)
};

using SourceTracks = std::vector<SourceTrack>;

class EmulatedDiscs {
public:
    /// Writes source.bin/.cue with `tracks` (sector bytes from imageByte) and
    /// loads a reader holding it, a blank CD-R and a written CD-RW, plus
    /// `extraIni` sections.
    explicit EmulatedDiscs(const std::vector<SourceTrack>& tracks, const std::string& extraIni = {});
    ~EmulatedDiscs();

    QString file(const std::string& name) const { return QString::fromStdString(folder_.file(name)); }
    QString sourceBin() const { return file("source.bin"); }
    std::shared_ptr<AspiLayer> layer() const { return layer_; }
    /// The CDBs sent to `drive` with opcode `opcode`, in order.
    std::vector<std::vector<std::uint8_t>> cdbs(const DriveAddress& drive, std::uint8_t opcode) const;

private:
    quandor::aspi::test::TempFolder folder_;
    std::shared_ptr<AspiLayer> layer_;
};

/// The whole bytes of a file.
std::vector<std::uint8_t> fileBytes(const QString& path);

} // namespace brenlow::test
