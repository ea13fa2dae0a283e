#include "cdrip/cddb/cddb_download.h"
#include "quandor_version.h"

#include "platform/files/file_door.h"

#include <curl/curl.h>
#include <memory>
#include <mutex>

namespace brenlow {
namespace {

struct CurlDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

struct Transfer {
    quandor::files::NewFile* file = nullptr;
    qint64 written = 0;
    qint64 maxBytes = 0;
    const std::atomic<bool>* cancel = nullptr;
    bool tooLarge = false;
    QString writeError;
};

size_t writeBody(char* data, size_t size, size_t count, void* user)
{
    auto* transfer = static_cast<Transfer*>(user);
    const qint64 bytes = static_cast<qint64>(size * count);
    if (transfer->written + bytes > transfer->maxBytes) {
        transfer->tooLarge = true;
        return 0;
    }
    if (!transfer->file->write(data, bytes, &transfer->writeError))
        return 0;
    transfer->written += bytes;
    return size * count;
}

int progress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const auto* transfer = static_cast<Transfer*>(user);
    return transfer->cancel && transfer->cancel->load() ? 1 : 0;
}

void initialiseCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

DownloadResult downloadToFile(const QString& url, const QString& destination, const std::atomic<bool>* cancel,
                              const DownloadLimits& limits)
{
    initialiseCurlOnce();
    DownloadResult result;
    // The reply takes the name only when complete; a link under the name is
    // replaced by it, never written through.
    quandor::files::NewFile file;
    if (!file.open(destination, quandor::files::WhenTaken::Replace, &result.error))
        return result;
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
        result.error = QStringLiteral("The HTTP client could not start.");
        return result;
    }
    Transfer transfer{&file, 0, limits.maxBytes, cancel, false, {}};
    const QByteArray address = url.toUtf8();
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, address.constData());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, limits.connectTimeoutSeconds);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, limits.totalTimeoutSeconds);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, writeBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, progress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(h, CURLOPT_USERAGENT, "Brenlow/" QUANDOR_VERSION_TEXT);

    const CURLcode code = curl_easy_perform(h);
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    if (cancel && cancel->load()) {
        result.cancelled = true;
        result.error = QStringLiteral("Cancelled.");
    } else if (transfer.tooLarge) {
        result.error = QStringLiteral("The reply is too large.");
    } else if (!transfer.writeError.isEmpty()) {
        result.error = transfer.writeError;
    } else if (code != CURLE_OK) {
        result.error = QString::fromUtf8(curl_easy_strerror(code));
    } else if (status < 200 || status > 299) {
        result.error = QStringLiteral("HTTP status %1.").arg(status);
    } else {
        result.ok = file.commit(&result.error);
    }
    return result;
}

} // namespace brenlow
