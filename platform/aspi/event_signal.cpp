#include "platform/aspi/event_signal.h"

#include <climits>
#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <utility>

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

EventSignal::~EventSignal()
{
    if (fd_ >= 0)
        close(fd_);
}

EventSignal::EventSignal(EventSignal&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

EventSignal& EventSignal::operator=(EventSignal&& other) noexcept
{
    if (this != &other) {
        if (fd_ >= 0)
            close(fd_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

bool EventSignal::isEvent(intptr_t descriptor)
{
    return descriptor >= 0 && descriptor <= INT_MAX && isEventFd(int(descriptor));
}

EventSignal EventSignal::adopt(intptr_t descriptor)
{
    EventSignal event;
    if (!isEvent(descriptor))
        return event;
    event.fd_ = fcntl(int(descriptor), F_DUPFD_CLOEXEC, 0);
    return event;
}

void EventSignal::signal()
{
    if (fd_ < 0)
        return;
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(fd_, &one, sizeof one);
}

} // namespace quandor::aspi
