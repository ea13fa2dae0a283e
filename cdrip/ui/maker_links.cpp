#include "cdrip/ui/maker_links.h"

#include "platform/shell/maker_addresses.h"

#include <QUrl>

namespace brenlow {

QString makerSite()
{
    return quandor::shell::maker::site();
}

QString makerMail()
{
    return quandor::shell::maker::mailAddress(QStringLiteral("brenlow"));
}

QString donationPageStart()
{
    return makerSite() + QStringLiteral("/donate?cmd=_xclick&business=brenlow&amount=");
}

QString aspiDownloadPage()
{
    return makerSite() + QStringLiteral("/aspi.php");
}

QString percentEncoded(const QString& text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

QString makerPageWithStatus(const QString& page, const QString& aspiStatus)
{
    return makerSite() + QLatin1Char('/') + page + percentEncoded(aspiStatus);
}

} // namespace brenlow
