#include "platform/aspi/event_signal.h"

#include <climits>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace quandor::aspi {

namespace {

bool isEventFd(int fd)
{
    const std::string link = "/proc/self/fd/" + std::to_string(fd);
    char target[64] = {};
    const ssize_t size = readlink(link.c_str(), target, sizeof target - 1);
    return size > 0 && std::string(target, size_t(size)) == "anon_inode:[eventfd]";
}

} // namespace

bool EventSignal::isEvent(intptr_t descriptor)
{
    return descriptor >= 0 && descriptor <= INT_MAX && isEventFd(int(descriptor));
}

EventSignal EventSignal::adopt(intptr_t descriptor)
{
    EventSignal event;
    if (!isEvent(descriptor))
        return event;
    event.fd_.reset(fcntl(int(descriptor), F_DUPFD_CLOEXEC, 0));
    return event;
}

void EventSignal::signal()
{
    if (!fd_)
        return;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(fd_.get(), &one, sizeof one);
}

} // namespace quandor::aspi
