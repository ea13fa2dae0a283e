// Reading a disc through the request layer (READ CD of 10 sectors, completion
// by event, as the rip and image jobs do) against reading the same .bin file
// directly, and the round trip of a request that carries no data.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <string>
#include <sys/eventfd.h>
#include <unistd.h>
#include <vector>

#include "platform/aspi/aspi.h"
#include "platform/aspi/emulated_drives.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSectors = 20000; // 4:26 of audio, 47 MB
constexpr uint32_t kSector = 2352;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

bool send(std::vector<uint8_t> cdb, uint8_t flags, std::vector<uint8_t>& data)
{
    AspiExecuteScsi request{};
    request.header.command = AspiCommandExecuteScsi;
    request.header.adapter = 1;
    request.header.flags = flags;
    request.dataLength = uint32_t(data.size());
    request.data = data.empty() ? nullptr : data.data();
    request.senseLength = AspiSenseLength;
    request.cdbLength = uint8_t(cdb.size());
    std::memcpy(request.cdb, cdb.data(), cdb.size());
    const int event = eventfd(0, EFD_CLOEXEC);
    request.completionEvent = event;
    SendASPI32Command(&request);
    while (quandor::aspi::aspiRequestStatus(request.header) == AspiStatusPending) {
        pollfd wait{event, POLLIN, 0};
        poll(&wait, 1, 1);
    }
    close(event);
    return request.header.status == AspiStatusDone;
}

} // namespace

int main()
{
    const auto folder = std::filesystem::temp_directory_path() / ("bench-aspi-" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    {
        std::ofstream bin(folder / "disc.bin", std::ios::binary);
        std::vector<char> sector(kSector);
        for (int lba = 0; lba < kSectors; ++lba) {
            for (uint32_t i = 0; i < kSector; ++i)
                sector[i] = char(lba + i);
            bin.write(sector.data(), kSector);
        }
        std::ofstream(folder / "disc.cue") << "FILE \"disc.bin\" BINARY\n  TRACK 01 AUDIO\n    INDEX 01 00:00:00\n";
        std::ofstream(folder / "drives.ini") << "[drive 1:0:0]\nMedium=audio\nCue=disc.cue\n";
    }
    std::string error;
    if (!quandor::aspi::loadEmulatedDrives((folder / "drives.ini").string(), &error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }

    std::vector<uint8_t> buffer(10 * kSector);
    auto start = Clock::now();
    for (int lba = 0; lba < kSectors; lba += 10) {
        const auto a = uint32_t(lba);
        if (!send({0xBE, 0, uint8_t(a >> 24), uint8_t(a >> 16), uint8_t(a >> 8), uint8_t(a), 0, 0, 10, 0xF8, 0, 0},
                  AspiFlagDataIn | AspiFlagPostEvent, buffer))
            return 1;
    }
    const double layer = secondsSince(start);

    start = Clock::now();
    {
        std::ifstream bin(folder / "disc.bin", std::ios::binary);
        for (int lba = 0; lba < kSectors; lba += 10)
            bin.read(reinterpret_cast<char*>(buffer.data()), std::streamsize(buffer.size()));
    }
    const double direct = secondsSince(start);

    std::vector<uint8_t> none;
    constexpr int kRoundTrips = 2000;
    start = Clock::now();
    for (int i = 0; i < kRoundTrips; ++i)
        send({0, 0, 0, 0, 0, 0}, AspiFlagPostEvent, none);
    const double roundTrip = secondsSince(start) / kRoundTrips;

    const double megabytes = double(kSectors) * kSector / 1e6;
    std::printf("READ CD through the layer: %.1f MB/s (%.1fx real time)\n", megabytes / layer, kSectors / 75.0 / layer);
    std::printf("direct file read:          %.1f MB/s\n", megabytes / direct);
    std::printf("layer / direct time ratio: %.2f\n", layer / direct);
    std::printf("request round trip:        %.1f us\n", roundTrip * 1e6);
    std::filesystem::remove_all(folder);
    return 0;
}
