#pragma once
// What a SCSI command came back with: the layer's status byte, and the sense
// data when the device reported a CHECK CONDITION. The sense data is the
// layer's own type, decoded by the layer's one decoder (platform/aspi/sense.h).

#include "platform/aspi/sense.h"

#include <QString>
#include <cstdint>

namespace brenlow {

using SenseData = quandor::aspi::SenseData;
namespace sense_key = quandor::aspi::sense_key;

/// "ILLEGAL REQUEST (24/00)", for logs and messages.
QString senseText(const SenseData& sense);

struct ScsiResult {
    static constexpr std::uint8_t kDone = 0x01;

    std::uint8_t status = 0; ///< the layer's status byte; 1 = completed without error
    std::uint8_t adapterStatus = 0;
    std::uint8_t targetStatus = 0;
    SenseData sense;

    bool ok() const { return status == kDone; }
    /// A short account of a failure ("status 04, MEDIUM ERROR (11/00)").
    QString text() const;
};

} // namespace brenlow
