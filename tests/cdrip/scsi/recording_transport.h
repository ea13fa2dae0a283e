#pragma once
// A transport that records each command and answers from a script, for the
// tests of what the command functions send.

#include "cdrip/scsi/scsi_transport.h"

#include <QByteArray>
#include <functional>
#include <vector>

namespace brenlow::test {

struct SentCommand {
    DriveAddress drive;
    std::vector<std::uint8_t> cdb; ///< cdbLength bytes
    DataDirection direction = DataDirection::None;
    bool postEvent = true;
    std::size_t dataLength = 0;
};

class RecordingTransport final : public ScsiTransport {
public:
    std::vector<SentCommand> sent;
    /// Fills the data of a command and gives its result; default: success, no data.
    std::function<ScsiResult(const SentCommand&, std::span<std::uint8_t>)> answer;

    ScsiResult execute(const DriveAddress& drive, const ScsiCommand& command, std::span<std::uint8_t> data) override
    {
        SentCommand record{drive,
                           std::vector<std::uint8_t>(command.cdb.begin(), command.cdb.begin() + command.cdbLength),
                           command.direction, command.postEvent, data.size()};
        sent.push_back(record);
        if (answer)
            return answer(record, data);
        ScsiResult ok;
        ok.status = ScsiResult::kDone;
        return ok;
    }
};

/// "A5 00 00 ..." of a CDB, for readable comparisons.
inline QByteArray hex(const std::vector<std::uint8_t>& bytes)
{
    return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size()))
        .toHex(' ')
        .toUpper();
}

} // namespace brenlow::test
