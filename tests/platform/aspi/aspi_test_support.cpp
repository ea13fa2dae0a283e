#include "tests/platform/aspi/aspi_test_support.h"

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "tests/platform/aspi/sg_driver_standin.h"

namespace quandor::aspi::test {

namespace fs = std::filesystem;

TempFolder::TempFolder()
{
    std::string pattern = (fs::temp_directory_path() / "aspi-test-XXXXXX").string();
    const char* made = mkdtemp(pattern.data());
    if (!made)
        throw std::runtime_error("mkdtemp failed");
    path_ = made;
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    fs::remove_all(path_, ignored);
}

void writeText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

std::string writeImage(const TempFolder& folder, const std::string& name, const std::vector<ImageTrack>& tracks,
                       int firstTrack, bool filled)
{
    int32_t total = 0;
    for (const ImageTrack& track : tracks)
        total += track.sectors;
    {
        std::ofstream bin(folder.file(name + ".bin"), std::ios::binary | std::ios::trunc);
        std::vector<char> sector(2352);
        for (int32_t lba = 0; filled && lba < total; ++lba) {
            for (size_t i = 0; i < sector.size(); ++i)
                sector[i] = char(imageByte(lba, i));
            bin.write(sector.data(), std::streamsize(sector.size()));
        }
    }
    if (!filled)
        fs::resize_file(folder.file(name + ".bin"), uint64_t(total) * 2352);
    std::string cue = "FILE \"" + name + ".bin\" BINARY\r\n";
    int32_t start = 0;
    int number = firstTrack;
    for (const ImageTrack& track : tracks) {
        char line[96];
        std::snprintf(line, sizeof line, "  TRACK %02d %s\r\n    INDEX 01 %02d:%02d:%02d\r\n", number++,
                      track.data ? "MODE1/2352" : "AUDIO", start / 4500, (start / 75) % 60, start % 75);
        cue += line;
        start += track.sectors;
    }
    const std::string cuePath = folder.file(name + ".cue");
    writeText(cuePath, cue);
    return cuePath;
}

void loadDrives(const TempFolder& folder, const std::string& ini)
{
    const std::string path = folder.file("drives.ini");
    writeText(path, ini);
    std::string error;
    ASSERT_TRUE(loadTestDrives(path, folder.path(), &error)) << error;
    clearCommandLog();
}

Reply execute(const DeviceAddress& device, std::vector<uint8_t> cdb, uint8_t flags, std::vector<uint8_t> data,
              int waitLimitMs)
{
    AspiExecuteScsi request{};
    request.header.command = AspiCommandExecuteScsi;
    request.header.adapter = uint8_t(device.adapter);
    request.header.flags = flags;
    request.target = uint8_t(device.target);
    request.lun = uint8_t(device.lun);
    request.dataLength = uint32_t(data.size());
    request.data = data.empty() ? nullptr : data.data();
    request.senseLength = AspiSenseLength;
    request.cdbLength = uint8_t(cdb.size());
    std::copy(cdb.begin(), cdb.end(), request.cdb);
    int event = -1;
    if (flags & AspiFlagPostEvent) {
        event = eventfd(0, EFD_CLOEXEC);
        request.completionEvent = event;
    }
    SendASPI32Command(&request);
    const auto limit = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitLimitMs);
    while (aspiRequestStatus(request.header) == AspiStatusPending && std::chrono::steady_clock::now() < limit) {
        if (event >= 0) {
            pollfd wait{event, POLLIN, 0};
            poll(&wait, 1, 1);
        } else {
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    }
    if (event >= 0)
        close(event);
    Reply reply;
    reply.status = aspiRequestStatus(request.header);
    EXPECT_NE(reply.status, AspiStatusPending) << "request never completed";
    reply.adapterStatus = request.adapterStatus;
    reply.targetStatus = request.targetStatus;
    reply.sense = decodeSense(std::span<const uint8_t>(request.sense, AspiSenseLength));
    reply.data = std::move(data);
    return reply;
}

Reply readCommand(const DeviceAddress& device, std::vector<uint8_t> cdb, size_t length)
{
    return execute(device, std::move(cdb), AspiFlagDataIn | AspiFlagPostEvent, std::vector<uint8_t>(length, 0));
}

Reply writeCommand(const DeviceAddress& device, std::vector<uint8_t> cdb, std::vector<uint8_t> data)
{
    return execute(device, std::move(cdb), AspiFlagDataOut | AspiFlagPostEvent, std::move(data));
}

Reply noDataCommand(const DeviceAddress& device, std::vector<uint8_t> cdb)
{
    return execute(device, std::move(cdb), AspiFlagPostEvent);
}

std::vector<uint8_t> readCdCdb(int32_t lba, uint32_t count, uint8_t expectedType, uint8_t selection)
{
    return {0xBE,
            uint8_t(expectedType << 2),
            uint8_t(uint32_t(lba) >> 24),
            uint8_t(uint32_t(lba) >> 16),
            uint8_t(uint32_t(lba) >> 8),
            uint8_t(lba),
            uint8_t(count >> 16),
            uint8_t(count >> 8),
            uint8_t(count),
            selection,
            0,
            0};
}

std::vector<uint8_t> readTocCdb(bool msf, uint8_t format, uint8_t fromTrack, uint16_t allocation)
{
    return {0x43, uint8_t(msf ? 0x02 : 0), format, 0, 0, 0, fromTrack, uint8_t(allocation >> 8), uint8_t(allocation),
            0};
}

} // namespace quandor::aspi::test
