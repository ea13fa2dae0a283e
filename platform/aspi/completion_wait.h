#pragma once
// For programs that call the request layer: send an execute request and sleep
// on its completion event until the layer has written the final status.

#include "platform/aspi/aspi.h"
#include "platform/files/file_descriptor.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace quandor::aspi {

/// An eventfd used as a manual-reset completion event; closed on scope exit.
class CompletionEvent {
public:
    CompletionEvent() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

    bool valid() const { return bool(fd_); }
    int fd() const { return fd_.get(); }
    /// Waits at most `ms` for the event to be signalled, and resets it.
    void wait(int ms) const
    {
        pollfd entry{fd_.get(), POLLIN, 0};
        if (::poll(&entry, 1, ms) == 1)
            reset();
    }
    /// Clears a signal left over from an earlier request.
    void reset() const
    {
        uint64_t count = 0;
        [[maybe_unused]] const auto got = ::read(fd_.get(), &count, sizeof count);
    }

private:
    files::FileDescriptor fd_;
};

/// Sends `request` with a completion event of the calling thread and waits until
/// its status is final; returns that status. The layer ends every request within
/// its time-out, so the wait ends too. One event per thread is reused, and reset
/// only after a request that went on past the call (one that ends inside the call
/// leaves its event alone), so a fast request costs no system call for its event.
inline uint8_t sendAndWait(AspiSendCommandFunction send, AspiExecuteScsi& request)
{
    thread_local CompletionEvent event;
    thread_local bool mayBeSignalled = false;
    if (!event.valid())
        return AspiStatusError;
    if (mayBeSignalled) {
        event.reset();
        mayBeSignalled = false;
    }
    request.header.flags |= AspiFlagPostEvent;
    request.completionEvent = event.fd();
    if (send(&request) == AspiStatusPending)
        mayBeSignalled = true;
    // The event may be signalled just before the status byte is visible to
    // this thread; the short poll covers that window.
    while (aspiRequestStatus(request.header) == AspiStatusPending)
        event.wait(1);
    return aspiRequestStatus(request.header);
}

} // namespace quandor::aspi
