#pragma once
// One HTTP GET of a CDDB request into a file, through libcurl: the reply goes
// to a temporary file that replaces the destination only when the transfer
// succeeded with a 2xx status.

#include <QString>
#include <atomic>

namespace brenlow {

struct DownloadLimits {
    long connectTimeoutSeconds = 10;
    long totalTimeoutSeconds = 30;
    qint64 maxBytes = 4 * 1024 * 1024; ///< a CDDB reply is a few kilobytes
};

struct DownloadResult {
    bool ok = false;
    bool cancelled = false;
    QString error; ///< what went wrong, for logs and messages
};

/// Downloads `url` onto `destination`. `cancel`, when given, is polled during
/// the transfer and aborts it.
DownloadResult downloadToFile(const QString& url, const QString& destination, const std::atomic<bool>* cancel = nullptr,
                              const DownloadLimits& limits = {});

} // namespace brenlow
