#include "platform/aspi/sense.h"

#include <array>
#include <cstdio>

namespace quandor::aspi {

SenseData decodeSense(std::span<const uint8_t> bytes)
{
    if (bytes.empty())
        return {};
    const uint8_t responseCode = bytes[0] & 0x7F;
    if (responseCode == 0x70 || responseCode == 0x71) {
        SenseData sense;
        if (bytes.size() > 2)
            sense.key = bytes[2] & 0x0F;
        if (bytes.size() > 12)
            sense.asc = bytes[12];
        if (bytes.size() > 13)
            sense.ascq = bytes[13];
        return sense;
    }
    if (responseCode == 0x72 || responseCode == 0x73) {
        SenseData sense;
        if (bytes.size() > 1)
            sense.key = bytes[1] & 0x0F;
        if (bytes.size() > 2)
            sense.asc = bytes[2];
        if (bytes.size() > 3)
            sense.ascq = bytes[3];
        return sense;
    }
    return {};
}

void encodeSense(const SenseData& sense, std::span<uint8_t> out)
{
    std::array<uint8_t, 18> fixed{};
    fixed[0] = 0x70;
    fixed[2] = sense.key & 0x0F;
    fixed[7] = 10; // additional sense length: bytes 8..17
    fixed[12] = sense.asc;
    fixed[13] = sense.ascq;
    for (size_t i = 0; i < out.size() && i < fixed.size(); ++i)
        out[i] = fixed[i];
}

const char* senseKeyName(uint8_t key)
{
    static constexpr std::array<const char*, 16> names{
        "NO SENSE",       "RECOVERED ERROR", "NOT READY",   "MEDIUM ERROR",    "HARDWARE ERROR", "ILLEGAL REQUEST",
        "UNIT ATTENTION", "DATA PROTECT",    "BLANK CHECK", "VENDOR SPECIFIC", "COPY ABORTED",   "ABORTED COMMAND",
        "EQUAL",          "VOLUME OVERFLOW", "MISCOMPARE",  "COMPLETED"};
    return names[key & 0x0F];
}

namespace {

struct AdditionalSense {
    uint8_t asc;
    uint8_t ascq;
    const char* text;
};

constexpr AdditionalSense kAdditionalSense[] = {
    {0x00, 0x00, "NO ADDITIONAL SENSE INFORMATION"},
    {0x04, 0x00, "LOGICAL UNIT NOT READY, CAUSE NOT REPORTABLE"},
    {0x04, 0x01, "LOGICAL UNIT IS IN PROCESS OF BECOMING READY"},
    {0x04, 0x04, "LOGICAL UNIT NOT READY, FORMAT IN PROGRESS"},
    {0x04, 0x07, "LOGICAL UNIT NOT READY, OPERATION IN PROGRESS"},
    {0x04, 0x08, "LOGICAL UNIT NOT READY, LONG WRITE IN PROGRESS"},
    {0x0C, 0x00, "WRITE ERROR"},
    {0x11, 0x00, "UNRECOVERED READ ERROR"},
    {0x1A, 0x00, "PARAMETER LIST LENGTH ERROR"},
    {0x20, 0x00, "INVALID COMMAND OPERATION CODE"},
    {0x21, 0x00, "LOGICAL BLOCK ADDRESS OUT OF RANGE"},
    {0x21, 0x02, "INVALID ADDRESS FOR WRITE"},
    {0x24, 0x00, "INVALID FIELD IN CDB"},
    {0x26, 0x00, "INVALID FIELD IN PARAMETER LIST"},
    {0x28, 0x00, "NOT READY TO READY CHANGE, MEDIUM MAY HAVE CHANGED"},
    {0x29, 0x00, "POWER ON, RESET, OR BUS DEVICE RESET OCCURRED"},
    {0x2C, 0x00, "COMMAND SEQUENCE ERROR"},
    {0x30, 0x00, "INCOMPATIBLE MEDIUM INSTALLED"},
    {0x30, 0x02, "CANNOT READ MEDIUM - INCOMPATIBLE FORMAT"},
    {0x30, 0x05, "CANNOT WRITE MEDIUM - INCOMPATIBLE FORMAT"},
    {0x3A, 0x00, "MEDIUM NOT PRESENT"},
    {0x3A, 0x01, "MEDIUM NOT PRESENT - TRAY CLOSED"},
    {0x3A, 0x02, "MEDIUM NOT PRESENT - TRAY OPEN"},
    {0x44, 0x00, "INTERNAL TARGET FAILURE"},
    {0x64, 0x00, "ILLEGAL MODE FOR THIS TRACK"},
};

} // namespace

std::string describeSense(const SenseData& sense)
{
    std::string text = senseKeyName(sense.key);
    for (const AdditionalSense& entry : kAdditionalSense) {
        if (entry.asc == sense.asc && entry.ascq == sense.ascq) {
            text += ": ";
            text += entry.text;
            break;
        }
    }
    char code[16];
    std::snprintf(code, sizeof code, " (%02X/%02X)", sense.asc, sense.ascq);
    return text + code;
}

} // namespace quandor::aspi
