#include "tests/cdrip/scsi/image_test_support.h"
#include "tests/platform/aspi/sg_driver_standin.h"

#include "cdrip/scsi/cue_sheet.h"
#include "cdrip/scsi/msf.h"
#include "tests/support/tools.h"

#include <QFile>
#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>

namespace brenlow::test {

namespace {

quandor::aspi::DeviceAddress deviceOf(const DriveAddress& drive)
{
    return {drive.adapter, drive.target, drive.lun};
}

} // namespace

EmulatedDiscs::EmulatedDiscs(const std::vector<SourceTrack>& tracks, const std::string& extraIni)
{
    using quandor::aspi::test::imageByte;
    std::string cue = "FILE \"source.bin\" BINARY\r\n";
    {
        std::ofstream bin(folder_.file("source.bin"), std::ios::binary | std::ios::trunc);
        std::vector<char> sector(kSectorBytes);
        int lba = 0, number = 1;
        for (const SourceTrack& track : tracks) {
            const auto time = [](int frames) { return cueTimeText(frames).toStdString(); };
            cue += QStringLiteral("  TRACK %1 %2\r\n")
                       .arg(number++, 2, 10, QLatin1Char('0'))
                       .arg(QLatin1String(track.data ? "MODE1/2352" : "AUDIO"))
                       .toStdString();
            if (track.preEmphasis)
                cue += "    FLAGS PRE\r\n";
            if (track.indexOneOffset > 0)
                cue += "    INDEX 00 " + time(lba) + "\r\n";
            cue += "    INDEX 01 " + time(lba + track.indexOneOffset) + "\r\n";
            for (int s = 0; s < track.sectors; ++s, ++lba) {
                for (std::size_t i = 0; i < sector.size(); ++i)
                    sector[i] = char(imageByte(lba, i));
                bin.write(sector.data(), std::streamsize(sector.size()));
            }
        }
    }
    quandor::aspi::test::writeText(folder_.file("source.cue"), cue);
    // The CD-RW starts written: an image of its own.
    quandor::aspi::test::writeImage(folder_, "rw", {{100}});
    quandor::aspi::test::loadDrives(folder_,
                                    "[drive 0:1:0]\nMedium=audio\nCue=source.cue\nWriter=0\n"
                                    "[drive 0:2:0]\nMedium=cdr\nDisc=burnt.bin\n"
                                    "[drive 0:3:0]\nMedium=cdrw\nDisc=rw.bin\nBlankSeconds=0.3\n"
                                        + extraIni);
    quandor::aspi::clearCommandLog();
    AspiLayer::LoadResult loaded = AspiLayer::load(quandor::test::brenlowFolder(), AspiLayer::libraryFileName());
    EXPECT_NE(loaded.layer, nullptr);
    layer_ = loaded.layer;
}

EmulatedDiscs::~EmulatedDiscs()
{
    EXPECT_EQ(quandor::aspi::test::unloadTestDrives(), 0) << "descriptors left open";
}

std::vector<std::vector<std::uint8_t>> EmulatedDiscs::cdbs(const DriveAddress& drive, std::uint8_t opcode) const
{
    std::vector<std::vector<std::uint8_t>> found;
    for (const quandor::aspi::CommandLogEntry& entry : quandor::aspi::commandLog(deviceOf(drive)))
        if (!entry.cdb.empty() && entry.cdb[0] == opcode)
            found.push_back(entry.cdb);
    return found;
}

std::vector<std::uint8_t> fileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    return {bytes.begin(), bytes.end()};
}

} // namespace brenlow::test
