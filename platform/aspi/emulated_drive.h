#pragma once
// An emulated CD/DVD drive: answers MMC commands from a disc image (or a blank
// recordable disc) with the sense data a real drive gives, and takes injected
// faults. Thread-safe: the layer runs its commands on one worker while tests
// change faults or read the written disc from their own thread.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/aspi/disc_image.h"
#include "platform/aspi/scsi_device.h"
#include "platform/aspi/sense.h"

namespace quandor::aspi {

enum class MediumKind { None, AudioDisc, CdR, CdRw, Dvd };

struct EmulatedDriveConfig {
    DeviceAddress address;
    uint8_t deviceType = 5;
    std::string vendor = "QUANDOR";
    std::string product = "EMULATED CD-RW";
    std::string revision = "1.00";
    MediumKind medium = MediumKind::None;
    std::string cuePath;  // AudioDisc
    std::string discPath; // CdR / CdRw: where the written disc is kept
    bool startBlank = false;
    bool writer = true;
    uint16_t maxWriteSpeedKbs = 7056;
    int32_t lastLeadOutFrames = 359999; // the room of a blank: 79:59:74, an 80-minute disc
    std::set<int32_t> unreadableLbas;
    int transientFailures = 0;
    std::set<uint8_t> failingCommands;
    std::set<uint8_t> hangingCommands;
    int delayMs = 0;
    int timeoutMs = 10000;
    double blankSeconds = 1.0;
    SenseData blankingSense = kSenseOperationInProgress;   // what the unit answers while it blanks
    double trayCloseSeconds = -1;                          // after an eject the tray closes by itself; < 0: never
    std::map<uint8_t, std::vector<uint8_t>> cannedReplies; // opcode -> data-in answer
};

class EmulatedDrive final : public ScsiDevice {
public:
    /// Builds the drive and loads its medium; nullptr with the reason on failure.
    static std::unique_ptr<EmulatedDrive> create(const EmulatedDriveConfig& config, std::string* error);

    uint8_t deviceType() const override { return config_.deviceType; }
    int timeoutMs(uint8_t opcode) const override;
    bool logsCommands() const override { return true; }
    bool answersAtOnce(uint8_t opcode) const override;
    ScsiOutcome execute(const ScsiCommand& command) override;

    const DeviceAddress& address() const { return config_.address; }
    void setUnreadableLbas(std::set<int32_t> lbas);
    void setTransientFailures(int count);
    void setDelayMs(int delayMs);
    void setTimeoutMs(int timeoutMs);
    void setHangingCommands(std::set<uint8_t> opcodes);
    void setFailingCommands(std::set<uint8_t> opcodes);
    void setCannedReply(uint8_t opcode, std::optional<std::vector<uint8_t>> bytes);
    std::vector<uint8_t> discBytes() const;

private:
    using Clock = std::chrono::steady_clock;
    enum class PlayState { Stopped, Playing, Paused };

    struct Disc {
        MediumKind kind = MediumKind::None;
        bool blank = false;
        DiscLayout layout;
        std::unique_ptr<SectorSource> sectors;
    };

    // A session-at-once write: set up by SEND CUE SHEET, filled by WRITE(10).
    struct WriteSession {
        DiscLayout layout;      // tracks and lead-out from the cue sheet
        int32_t nextLba = -150; // the only address the next WRITE may use
        bool testWrite = false;
        std::vector<uint8_t> bytes; // sectors from LBA 0 on
    };

    explicit EmulatedDrive(EmulatedDriveConfig config);
    bool loadMedium(std::string* error);

    ScsiOutcome dispatch(std::span<const uint8_t> cdb, std::span<uint8_t> data);
    std::optional<SenseData> notReadyReason();
    bool isCdMedium() const;
    void refreshPlayState();
    bool finishSession(); // false when the disc file could not be kept
    ScsiOutcome reply(std::span<uint8_t> data, const std::vector<uint8_t>& answer, size_t allocation);
    ScsiOutcome fail(const SenseData& sense);

    ScsiOutcome testUnitReady();
    ScsiOutcome requestSense(std::span<const uint8_t> cdb, std::span<uint8_t> data);
    ScsiOutcome inquiry(std::span<const uint8_t> cdb, std::span<uint8_t> data);
    ScsiOutcome startStopUnit(std::span<const uint8_t> cdb);
    ScsiOutcome readToc(std::span<const uint8_t> cdb, std::span<uint8_t> data);
    ScsiOutcome readCd(std::span<const uint8_t> cdb, std::span<uint8_t> data);
    ScsiOutcome readDiscInformation(std::span<const uint8_t> cdb, std::span<uint8_t> data);
    ScsiOutcome readDvdStructure(std::span<const uint8_t> cdb, std::span<uint8_t> data);
    ScsiOutcome playAudio(int32_t startLba, int64_t length);
    ScsiOutcome pauseResume(std::span<const uint8_t> cdb);
    ScsiOutcome stopPlayScan();
    ScsiOutcome modeSense(std::span<const uint8_t> cdb, std::span<uint8_t> data, bool tenByte);
    ScsiOutcome modeSelect(std::span<const uint8_t> cdb, std::span<uint8_t> data, bool tenByte);
    ScsiOutcome setCdSpeed(std::span<const uint8_t> cdb);
    ScsiOutcome sendCueSheet(std::span<const uint8_t> cdb, std::span<uint8_t> data);
    // Fills `session` from the cue sheet's 8-byte entries; false when one is invalid.
    static bool readCueSheetEntries(std::span<const uint8_t> entries, WriteSession& session);
    ScsiOutcome write10(std::span<const uint8_t> cdb, std::span<uint8_t> data);
    ScsiOutcome synchronizeCache();
    ScsiOutcome closeTrackSession(std::span<const uint8_t> cdb);
    ScsiOutcome blank(std::span<const uint8_t> cdb);

    std::vector<uint8_t> capabilitiesPage() const;
    std::optional<std::vector<uint8_t>> modePage(uint8_t code, uint8_t control) const;

    mutable std::mutex mutex_;
    EmulatedDriveConfig config_;
    std::atomic<int> timeoutMs_;
    std::atomic<int> delayMs_; // config_.delayMs, readable without the lock
    Disc disc_;
    bool trayOpen_ = false;
    std::optional<Clock::time_point> trayClosesAt_;
    PlayState play_ = PlayState::Stopped;
    int32_t playPosition_ = 0; // where play (re)started or where it paused
    int32_t playEnd_ = 0;
    Clock::time_point playStartedAt_;
    std::optional<Clock::time_point> blankingUntil_;
    std::optional<WriteSession> session_;
    std::vector<uint8_t> writeParameters_; // mode page 05, 52 bytes
    uint16_t readSpeedKbs_ = 0xFFFF;
    uint16_t writeSpeedKbs_ = 0xFFFF;
    SenseData lastSense_;
};

} // namespace quandor::aspi
