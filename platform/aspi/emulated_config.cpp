#include "platform/aspi/emulated_config.h"
#include "platform/aspi/cue_time.h"
#include "platform/aspi/disc_address.h"

#include "platform/files/regular_file.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>
#include <utility>

namespace quandor::aspi {

namespace fs = std::filesystem;

namespace {

std::string trim(const std::string& text)
{
    const size_t begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return {};
    const size_t end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

// Decimal, or hexadecimal with 0x; optional leading minus.
std::optional<long long> parseNumber(std::string text)
{
    text = trim(text);
    bool negative = false;
    if (!text.empty() && text[0] == '-') {
        negative = true;
        text.erase(0, 1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.erase(0, 2);
    }
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return negative ? -value : value;
}

// A list range of at most a million values, each one a T. The span is taken
// unsigned: last - first of two far-apart values overflows a signed number.
template <typename T>
bool fitsRange(long long first, long long last)
{
    constexpr unsigned long long kMostValues = 1000000;
    return first <= last && std::in_range<T>(first) && std::in_range<T>(last)
        && static_cast<unsigned long long>(last) - static_cast<unsigned long long>(first) <= kMostValues;
}

// "100,200-210" -> {100, 200, ..., 210}
template <typename T>
bool parseList(const std::string& text, std::set<T>& out)
{
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = text.find(',', start);
        const std::string item =
            trim(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
        if (!item.empty()) {
            const size_t dash = item.find('-', 1);
            const auto first = parseNumber(item.substr(0, dash));
            const auto last = dash == std::string::npos ? first : parseNumber(item.substr(dash + 1));
            if (!first || !last || !fitsRange<T>(*first, *last))
                return false;
            for (long long v = *first; v <= *last; ++v)
                out.insert(T(v));
        }
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return true;
}

std::optional<DeviceAddress> parseAddress(const std::string& text)
{
    DeviceAddress address;
    int* parts[] = {&address.adapter, &address.target, &address.lun};
    size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const size_t colon = text.find(':', start);
        if ((i < 2) == (colon == std::string::npos))
            return std::nullopt;
        const auto value = parseNumber(text.substr(start, colon - start));
        if (!value || *value < 0 || *value > (i == 0 ? 255 : 7))
            return std::nullopt;
        *parts[i] = int(*value);
        start = colon + 1;
    }
    return address;
}

std::optional<MediumKind> parseMedium(const std::string& text)
{
    const std::string value = lower(text);
    if (value == "none" || value.empty())
        return MediumKind::None;
    if (value == "audio")
        return MediumKind::AudioDisc;
    if (value == "cdr")
        return MediumKind::CdR;
    if (value == "cdrw")
        return MediumKind::CdRw;
    if (value == "dvd")
        return MediumKind::Dvd;
    return std::nullopt;
}

struct Parser {
    fs::path folder;
    EmulatedLayerConfig config;
    std::string error;

    bool fail(int line, const std::string& why)
    {
        error = "line " + std::to_string(line) + ": " + why;
        return false;
    }

    std::string pathOf(const std::string& value) const
    {
        const fs::path path(value);
        return (path.is_absolute() ? path : folder / path).string();
    }

    bool layerKey(int line, const std::string& key, const std::string& value)
    {
        if (key == "supportstatus") {
            const auto status = parseNumber(value);
            if (!status || *status < 0 || *status > 255)
                return fail(line, "bad SupportStatus");
            config.supportStatus = uint8_t(*status);
        } else if (key == "adapters") {
            const auto count = parseNumber(value);
            if (!count || *count < 0 || *count > 255)
                return fail(line, "bad Adapters");
            config.adapterCount = int(*count);
        } else if (key == "failadapterinquiry") {
            if (!parseList(value, config.failingAdapterInquiries))
                return fail(line, "bad FailAdapterInquiry");
        } else if (key == "realdrives") {
            config.realDrives = value == "1";
        }
        return true;
    }

    /// An integer value within [low, high], or nothing.
    static std::optional<long long> bounded(const std::string& value, long long low, long long high)
    {
        const auto n = parseNumber(value);
        if (!n || *n < low || *n > high)
            return std::nullopt;
        return n;
    }

    /// What the drive is and holds: identity, medium and write abilities.
    bool driveKey(int line, const std::string& key, const std::string& value)
    {
        EmulatedDriveConfig& drive = config.drives.back();
        std::optional<long long> n;
        if (key == "type") {
            if (!(n = bounded(value, 0, 31)))
                return fail(line, "bad Type");
            drive.deviceType = uint8_t(*n);
        } else if (key == "vendor") {
            drive.vendor = value;
        } else if (key == "product") {
            drive.product = value;
        } else if (key == "revision") {
            drive.revision = value;
        } else if (key == "medium") {
            const auto medium = parseMedium(value);
            if (!medium)
                return fail(line, "bad Medium " + value);
            drive.medium = *medium;
        } else if (key == "cue" || key == "disc") {
            // An empty name would stand for the configuration's own folder.
            if (value.empty())
                return fail(line,
                            driveSectionName(drive.address) + (key == "cue" ? " Cue=" : " Disc=") + " names no file");
            (key == "cue" ? drive.cuePath : drive.discPath) = pathOf(value);
        } else if (key == "blank") {
            drive.startBlank = value == "1";
        } else if (key == "writer") {
            drive.writer = value != "0";
        } else if (key == "maxwritespeed") {
            if (!(n = bounded(value, 0, 65535)))
                return fail(line, "bad MaxWriteSpeed");
            drive.maxWriteSpeedKbs = uint16_t(*n);
        } else if (key == "lastleadout") {
            // The room of a blank, as its ATIP gives it; 00:02:00 would hold nothing.
            const auto frames = parseCueTime(value);
            if (!frames || *frames <= kLbaToMsfOffset)
                return fail(line, "bad LastLeadOut");
            drive.lastLeadOutFrames = *frames;
        } else {
            return faultKey(line, key, value);
        }
        return true;
    }

    /// The faults and timings the tests inject.
    bool faultKey(int line, const std::string& key, const std::string& value)
    {
        EmulatedDriveConfig& drive = config.drives.back();
        std::optional<long long> n;
        if (key == "unreadablelbas") {
            if (!parseList(value, drive.unreadableLbas))
                return fail(line, "bad UnreadableLbas");
        } else if (key == "transientfailures") {
            if (!(n = bounded(value, 0, 1000000)))
                return fail(line, "bad TransientFailures");
            drive.transientFailures = int(*n);
        } else if (key == "failcommands" || key == "hangcommands") {
            std::set<int> opcodes;
            if (!parseList(value, opcodes)
                || std::any_of(opcodes.begin(), opcodes.end(), [](int v) { return v < 0 || v > 255; }))
                return fail(line, "bad opcode list");
            auto& target = key == "failcommands" ? drive.failingCommands : drive.hangingCommands;
            for (int opcode : opcodes)
                target.insert(uint8_t(opcode));
        } else if (key == "delayms") {
            if (!(n = bounded(value, 0, 600000)))
                return fail(line, "bad DelayMs");
            drive.delayMs = int(*n);
        } else if (key == "timeoutms") {
            if (!(n = bounded(value, 1, 3600000)))
                return fail(line, "bad TimeoutMs");
            drive.timeoutMs = int(*n);
        } else if (key.size() == 7 && key.rfind("reply", 0) == 0) {
            return cannedReply(line, key, value);
        } else if (key == "blankingsense") {
            // "asc/ascq" in hexadecimal, under NOT READY.
            const size_t slash = value.find('/');
            const auto asc = parseNumber("0x" + value.substr(0, slash));
            const auto ascq = slash == std::string::npos ? std::nullopt : parseNumber("0x" + value.substr(slash + 1));
            if (!asc || !ascq || *asc > 255 || *ascq > 255)
                return fail(line, "bad BlankingSense");
            drive.blankingSense = SenseData{sense_key::NotReady, uint8_t(*asc), uint8_t(*ascq)};
        } else if (key == "blankseconds" || key == "trayclose") {
            char* end = nullptr;
            const double seconds = std::strtod(value.c_str(), &end);
            if (end == value.c_str() || *end != '\0' || seconds < 0 || seconds > 3600)
                return fail(line, "bad " + key);
            (key == "blankseconds" ? drive.blankSeconds : drive.trayCloseSeconds) = seconds;
        }
        return true;
    }

    /// ReplyNN: the bytes the drive answers to opcode NN, in hexadecimal.
    bool cannedReply(int line, const std::string& key, const std::string& value)
    {
        const auto opcode = parseNumber("0x" + key.substr(5));
        std::vector<uint8_t> bytes;
        std::istringstream hex(value);
        std::string item;
        while (hex >> item) {
            const auto byte = parseNumber("0x" + item);
            if (!byte || *byte > 255 || item.size() > 2)
                return fail(line, "bad byte " + item);
            bytes.push_back(uint8_t(*byte));
        }
        if (!opcode)
            return fail(line, "bad opcode in " + key);
        config.drives.back().cannedReplies[uint8_t(*opcode)] = bytes;
        return true;
    }
};

} // namespace

std::string driveSectionName(const DeviceAddress& address)
{
    return "[drive " + std::to_string(address.adapter) + ':' + std::to_string(address.target) + ':'
        + std::to_string(address.lun) + ']';
}

std::optional<EmulatedLayerConfig> parseEmulatedConfig(const std::string& iniPath, std::string* error)
{
    // Only a regular file: a FIFO named by the environment would hold the
    // start in open() for good.
    std::string why;
    const quandor::files::FileDescriptor file = quandor::files::openRegularFile(iniPath, &why);
    std::string content;
    for (char buffer[16384];;) {
        const ssize_t got = file ? ::read(file.get(), buffer, sizeof buffer) : -1;
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            if (got < 0 && file)
                why = std::strerror(errno);
            break;
        }
        content.append(buffer, size_t(got));
    }
    if (!file || !why.empty()) {
        if (error)
            *error = "cannot open " + iniPath + ": " + why;
        return std::nullopt;
    }
    std::istringstream in(content);
    Parser parser;
    parser.folder = fs::absolute(fs::path(iniPath)).parent_path();
    enum class Section { None, Layer, Drive, Other } section = Section::None;
    std::string text;
    int line = 0;
    bool ok = true;
    while (ok && std::getline(in, text)) {
        ++line;
        text = trim(text);
        if (text.empty() || text[0] == ';' || text[0] == '#')
            continue;
        if (text.front() == '[') {
            if (text.back() != ']') {
                ok = parser.fail(line, "bad section line");
                break;
            }
            const std::string name = trim(text.substr(1, text.size() - 2));
            if (lower(name) == "layer") {
                section = Section::Layer;
            } else if (lower(name).rfind("drive", 0) == 0) {
                const auto address = parseAddress(trim(name.substr(5)));
                if (!address) {
                    ok = parser.fail(line, "bad drive address in [" + name + "]");
                    break;
                }
                for (const auto& drive : parser.config.drives) {
                    if (drive.address == *address)
                        ok = parser.fail(line, "drive [" + name + "] appears twice");
                }
                EmulatedDriveConfig drive;
                drive.address = *address;
                parser.config.drives.push_back(drive);
                section = Section::Drive;
            } else {
                section = Section::Other;
            }
            continue;
        }
        const size_t equals = text.find('=');
        if (equals == std::string::npos) {
            ok = parser.fail(line, "expected key=value");
            break;
        }
        const std::string key = lower(trim(text.substr(0, equals)));
        std::string value = trim(text.substr(equals + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (section == Section::Layer)
            ok = parser.layerKey(line, key, value);
        else if (section == Section::Drive)
            ok = parser.driveKey(line, key, value);
    }
    if (ok) {
        for (const auto& drive : parser.config.drives) {
            if (drive.medium == MediumKind::AudioDisc && drive.cuePath.empty())
                ok = parser.fail(line, driveSectionName(drive.address) + ": an audio medium needs Cue=");
        }
    }
    if (!ok) {
        if (error)
            *error = iniPath + ": " + parser.error;
        return std::nullopt;
    }
    return parser.config;
}

} // namespace quandor::aspi
