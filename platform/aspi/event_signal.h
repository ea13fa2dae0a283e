#pragma once
// The completion event of a request: the layer's own duplicate of the caller's
// eventfd, so a caller that closes its descriptor right after the status byte
// changes can never make the layer write into an unrelated file.

#include "platform/files/file_descriptor.h"

#include <cstdint>

namespace quandor::aspi {

class EventSignal {
public:
    /// Whether descriptor is an eventfd.
    static bool isEvent(intptr_t descriptor);
    /// Duplicates descriptor when it is an eventfd; invalid otherwise.
    static EventSignal adopt(intptr_t descriptor);
    bool valid() const { return bool(fd_); }
    /// Makes the event readable (signalled); it stays so until the caller reads it.
    void signal();

private:
    files::FileDescriptor fd_;
};

} // namespace quandor::aspi
