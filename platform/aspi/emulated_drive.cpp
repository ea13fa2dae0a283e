#include "platform/aspi/emulated_drive.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <thread>

#include "platform/aspi/disc_address.h"
#include "platform/aspi/scsi_opcodes.h"

namespace quandor::aspi {

namespace {

// A DVD-ROM as the emulation shows it: one data track of a single-layer disc.
constexpr int32_t kDvdSectors = 2295104;

std::string padded(const std::string& text, size_t width)
{
    std::string out = text.substr(0, width);
    out.resize(width, ' ');
    return out;
}

} // namespace

EmulatedDrive::EmulatedDrive(EmulatedDriveConfig config)
    : config_(std::move(config)),
      timeoutMs_(config_.timeoutMs),
      delayMs_(config_.delayMs)
{
    // Mode page 05 as a drive reports it after power-on: track-at-once, mode 1.
    writeParameters_.assign(52, 0);
    writeParameters_[0] = 0x05;
    writeParameters_[1] = 0x32;
    writeParameters_[2] = 0x01; // write type 1 (TAO)
    writeParameters_[3] = 0x04; // track mode 4 (data, uninterrupted)
    writeParameters_[4] = 0x08; // data block type 8 (mode 1, 2048 bytes)
    writeParameters_[15] = 150; // audio pause length
}

std::unique_ptr<EmulatedDrive> EmulatedDrive::create(const EmulatedDriveConfig& config, std::string* error)
{
    std::unique_ptr<EmulatedDrive> drive(new EmulatedDrive(config));
    if (!drive->loadMedium(error))
        return nullptr;
    return drive;
}

bool EmulatedDrive::loadMedium(std::string* error)
{
    disc_ = Disc{};
    disc_.kind = config_.medium;
    switch (config_.medium) {
    case MediumKind::None:
        return true;
    case MediumKind::Dvd:
        disc_.layout.tracks.push_back({1, 0, true, false});
        disc_.layout.leadOutLba = kDvdSectors;
        return true;
    case MediumKind::AudioDisc: {
        auto image = loadCueImage(config_.cuePath, error);
        if (!image)
            return false;
        disc_.layout = image->layout;
        disc_.sectors = std::move(image->sectors);
        return true;
    }
    case MediumKind::CdR:
    case MediumKind::CdRw: {
        disc_.blank = true;
        std::error_code missing; // a folder that cannot be searched holds no written disc
        const bool written = !config_.discPath.empty() && std::filesystem::exists(cuePathFor(config_.discPath), missing)
            && !config_.startBlank;
        if (!written)
            return true;
        auto image = loadCueImage(cuePathFor(config_.discPath), error);
        if (!image)
            return false;
        disc_.blank = false;
        disc_.layout = image->layout;
        disc_.sectors = std::move(image->sectors);
        return true;
    }
    }
    return true;
}

int EmulatedDrive::timeoutMs(uint8_t) const
{
    // Read without the drive's lock: a command that holds it (a blank without
    // the immediate bit) must not hold up the sending of the next request.
    return timeoutMs_.load();
}

bool EmulatedDrive::answersAtOnce(uint8_t opcode) const
{
    // The sector transfers of a drive without an injected delay; a blank
    // (without the immediate bit) takes its time and stays with the worker.
    const bool transfer = opcode == op::ReadCd || opcode == op::Write10;
    return transfer && delayMs_.load() == 0;
}

void EmulatedDrive::setUnreadableLbas(std::set<int32_t> lbas)
{
    std::lock_guard lock(mutex_);
    config_.unreadableLbas = std::move(lbas);
}
void EmulatedDrive::setTransientFailures(int count)
{
    std::lock_guard lock(mutex_);
    config_.transientFailures = count;
}
void EmulatedDrive::setDelayMs(int delayMs)
{
    std::lock_guard lock(mutex_);
    config_.delayMs = delayMs;
    delayMs_ = delayMs;
}
void EmulatedDrive::setTimeoutMs(int timeoutMs)
{
    timeoutMs_ = timeoutMs;
}
void EmulatedDrive::setHangingCommands(std::set<uint8_t> opcodes)
{
    std::lock_guard lock(mutex_);
    config_.hangingCommands = std::move(opcodes);
}
void EmulatedDrive::setFailingCommands(std::set<uint8_t> opcodes)
{
    std::lock_guard lock(mutex_);
    config_.failingCommands = std::move(opcodes);
}
void EmulatedDrive::setCannedReply(uint8_t opcode, std::optional<std::vector<uint8_t>> bytes)
{
    std::lock_guard lock(mutex_);
    if (bytes)
        config_.cannedReplies[opcode] = std::move(*bytes);
    else
        config_.cannedReplies.erase(opcode);
}

std::vector<uint8_t> EmulatedDrive::discBytes() const
{
    std::lock_guard lock(mutex_);
    if (disc_.blank || !disc_.sectors || disc_.kind == MediumKind::Dvd)
        return {};
    std::vector<uint8_t> bytes(size_t(disc_.layout.leadOutLba) * kRawSectorSize);
    if (!disc_.sectors->read(0, uint32_t(disc_.layout.leadOutLba), bytes.data()))
        return {};
    return bytes;
}

ScsiOutcome EmulatedDrive::execute(const ScsiCommand& command)
{
    if (command.cdb.empty() || command.cdb.size() > 16)
        return ScsiOutcome::checkCondition(kSenseInvalidOpcode);
    // Handlers read fields by their place in the command; bytes beyond the
    // length the caller gave are 0, as in the request record.
    std::array<uint8_t, 16> cdb{};
    std::copy(command.cdb.begin(), command.cdb.end(), cdb.begin());
    const uint8_t opcode = cdb[0];
    int delayMs = 0;
    {
        std::lock_guard lock(mutex_);
        if (config_.hangingCommands.count(opcode))
            return {ScsiOutcome::Kind::NeverCompletes, 0, {}, 0};
        delayMs = config_.delayMs;
    }
    if (delayMs > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));

    std::lock_guard lock(mutex_);
    if (config_.failingCommands.count(opcode))
        return fail(kSenseHardwareFailure);
    // Identification answers even while the unit is becoming ready.
    const bool answersAlways = opcode == op::Inquiry || opcode == op::RequestSense;
    if (!answersAlways && config_.transientFailures > 0) {
        --config_.transientFailures;
        return fail(kSenseBecomingReady);
    }
    if (const auto canned = config_.cannedReplies.find(opcode); canned != config_.cannedReplies.end())
        return reply(command.data, canned->second, command.data.size());
    ScsiOutcome outcome = dispatch(cdb, command.data);
    if (outcome.succeeded() && opcode != op::RequestSense)
        lastSense_ = {};
    return outcome;
}

ScsiOutcome EmulatedDrive::fail(const SenseData& sense)
{
    lastSense_ = sense;
    return ScsiOutcome::checkCondition(sense);
}

ScsiOutcome EmulatedDrive::reply(std::span<uint8_t> data, const std::vector<uint8_t>& answer, size_t allocation)
{
    const size_t bytes = std::min({answer.size(), allocation, data.size()});
    std::copy_n(answer.begin(), bytes, data.begin());
    return ScsiOutcome::good(uint32_t(bytes));
}

ScsiOutcome EmulatedDrive::dispatch(std::span<const uint8_t> cdb, std::span<uint8_t> data)
{
    const uint8_t opcode = cdb[0];
    switch (opcode) {
    case op::Inquiry:
        return inquiry(cdb, data);
    case op::RequestSense:
        return requestSense(cdb, data);
    case op::TestUnitReady:
        return testUnitReady();
    default:
        break;
    }
    if (config_.deviceType != 5)
        return fail(kSenseInvalidOpcode);
    switch (opcode) {
    case op::StartStopUnit:
        return startStopUnit(cdb);
    case op::ReadToc:
        return readToc(cdb, data);
    case op::ReadCd:
        return readCd(cdb, data);
    case op::ReadDiscInformation:
        return readDiscInformation(cdb, data);
    case op::ReadDvdStructure:
        return readDvdStructure(cdb, data);
    case op::PlayAudio10:
        return playAudio(int32_t(readBe32(cdb, 2)), readBe16(cdb, 7));
    case op::PlayAudio12:
        return playAudio(int32_t(readBe32(cdb, 2)), readBe32(cdb, 6));
    case op::PlayAudioMsf: {
        const Msf start{cdb[3], cdb[4], cdb[5]};
        const Msf end{cdb[6], cdb[7], cdb[8]};
        if (end.frames() < start.frames())
            return fail(kSenseInvalidFieldInCdb);
        return playAudio(start.lba(), end.frames() - start.frames());
    }
    case op::PauseResume:
        return pauseResume(cdb);
    case op::StopPlayScan:
        return stopPlayScan();
    case op::ModeSense6:
        return modeSense(cdb, data, false);
    case op::ModeSense10:
        return modeSense(cdb, data, true);
    case op::ModeSelect6:
        return modeSelect(cdb, data, false);
    case op::ModeSelect10:
        return modeSelect(cdb, data, true);
    case op::SetCdSpeed:
        return setCdSpeed(cdb);
    case op::SendCueSheet:
        return sendCueSheet(cdb, data);
    case op::Write10:
        return write10(cdb, data);
    case op::SynchronizeCache:
        return synchronizeCache();
    case op::CloseTrackSession:
        return closeTrackSession(cdb);
    case op::Blank:
        return blank(cdb);
    default:
        return fail(kSenseInvalidOpcode);
    }
}

std::optional<SenseData> EmulatedDrive::notReadyReason()
{
    if (blankingUntil_) {
        if (Clock::now() < *blankingUntil_)
            return config_.blankingSense;
        blankingUntil_.reset();
    }
    if (trayOpen_ && trayClosesAt_ && Clock::now() >= *trayClosesAt_) {
        trayOpen_ = false; // someone pushed the tray back in
        trayClosesAt_.reset();
    }
    if (trayOpen_)
        return kSenseTrayOpen;
    if (disc_.kind == MediumKind::None)
        return SenseData{sense_key::NotReady, 0x3A, 0x01};
    return std::nullopt;
}

bool EmulatedDrive::isCdMedium() const
{
    return disc_.kind == MediumKind::AudioDisc || disc_.kind == MediumKind::CdR || disc_.kind == MediumKind::CdRw;
}

ScsiOutcome EmulatedDrive::testUnitReady()
{
    if (config_.deviceType != 5)
        return ScsiOutcome::good();
    if (auto reason = notReadyReason())
        return fail(*reason);
    return ScsiOutcome::good();
}

ScsiOutcome EmulatedDrive::requestSense(std::span<const uint8_t> cdb, std::span<uint8_t> data)
{
    SenseData sense = lastSense_;
    if (config_.deviceType == 5 && blankingUntil_ && Clock::now() < *blankingUntil_)
        sense = config_.blankingSense;
    std::vector<uint8_t> answer(18);
    encodeSense(sense, answer);
    lastSense_ = {};
    return reply(data, answer, cdb[4]);
}

ScsiOutcome EmulatedDrive::inquiry(std::span<const uint8_t> cdb, std::span<uint8_t> data)
{
    if (cdb[1] & 0x01) // vital product data pages are not emulated
        return fail(kSenseInvalidFieldInCdb);
    std::vector<uint8_t> answer(36, 0);
    answer[0] = config_.deviceType & 0x1F;
    answer[1] = config_.deviceType == 5 ? 0x80 : 0x00; // removable medium
    answer[2] = 0x05;                                  // SPC-3
    answer[3] = 0x02;                                  // response data format
    answer[4] = 31;                                    // additional length
    const std::string id = padded(config_.vendor, 8) + padded(config_.product, 16) + padded(config_.revision, 4);
    std::copy(id.begin(), id.end(), answer.begin() + 8);
    return reply(data, answer, readBe16(cdb, 3));
}

ScsiOutcome EmulatedDrive::startStopUnit(std::span<const uint8_t> cdb)
{
    const bool loadEject = cdb[4] & 0x02;
    const bool start = cdb[4] & 0x01;
    if (blankingUntil_ && Clock::now() < *blankingUntil_)
        return fail(config_.blankingSense);
    if (!loadEject)
        return ScsiOutcome::good();
    if (start) {
        trayOpen_ = false;
        trayClosesAt_.reset();
        return ScsiOutcome::good();
    }
    play_ = PlayState::Stopped;
    session_.reset(); // an unfinished write is lost with the disc
    trayOpen_ = true;
    if (config_.trayCloseSeconds >= 0)
        trayClosesAt_ = Clock::now() + std::chrono::milliseconds(int64_t(config_.trayCloseSeconds * 1000));
    return ScsiOutcome::good();
}

void EmulatedDrive::refreshPlayState()
{
    if (play_ != PlayState::Playing)
        return;
    const auto elapsedFrames =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - playStartedAt_).count() * kFramesPerSecond
        / 1000;
    if (playPosition_ + elapsedFrames >= playEnd_)
        play_ = PlayState::Stopped;
}

ScsiOutcome EmulatedDrive::playAudio(int32_t startLba, int64_t length)
{
    if (auto reason = notReadyReason())
        return fail(*reason);
    if (!isCdMedium() || disc_.blank)
        return fail(kSenseIncompatibleMedium);
    if (length == 0)
        return ScsiOutcome::good();
    if (startLba < 0 || startLba + length > disc_.layout.leadOutLba)
        return fail(kSenseLbaOutOfRange);
    const DiscTrack* track = disc_.layout.trackAt(startLba);
    if (!track || track->data)
        return fail(kSenseIllegalModeForTrack);
    play_ = PlayState::Playing;
    playPosition_ = startLba;
    playEnd_ = int32_t(startLba + length);
    playStartedAt_ = Clock::now();
    return ScsiOutcome::good();
}

ScsiOutcome EmulatedDrive::pauseResume(std::span<const uint8_t> cdb)
{
    if (auto reason = notReadyReason())
        return fail(*reason);
    refreshPlayState();
    const bool resume = cdb[8] & 0x01;
    if (play_ == PlayState::Stopped)
        return fail(kSenseCommandSequenceError);
    if (resume && play_ == PlayState::Paused) {
        play_ = PlayState::Playing;
        playStartedAt_ = Clock::now();
    } else if (!resume && play_ == PlayState::Playing) {
        const auto elapsed =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - playStartedAt_).count();
        playPosition_ += int32_t(elapsed * kFramesPerSecond / 1000);
        play_ = PlayState::Paused;
    }
    return ScsiOutcome::good();
}

ScsiOutcome EmulatedDrive::stopPlayScan()
{
    if (auto reason = notReadyReason())
        return fail(*reason);
    play_ = PlayState::Stopped;
    return ScsiOutcome::good();
}

} // namespace quandor::aspi
