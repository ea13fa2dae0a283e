#pragma once
// Small value types shared by the layer's back ends and its test interface.

#include <compare>

namespace quandor::aspi {

/// A device as the request records name it: host adapter, target id, LUN.
struct DeviceAddress {
    int adapter = 0;
    int target = 0;
    int lun = 0;
    friend auto operator<=>(const DeviceAddress&, const DeviceAddress&) = default;
};

enum class DataDirection { None, In, Out };

} // namespace quandor::aspi
