#pragma once
// The maker's addresses the ripper links to.

#include <QString>

namespace brenlow {

/// The maker's web site, without a trailing slash.
QString makerSite();
/// The maker's e-mail address.
QString makerMail();
/// The donation page; the amount is appended to it.
QString donationPageStart();
/// The page from which the SCSI layer can be had.
QString aspiDownloadPage();

/// Percent-encodes text for a URL query (UTF-8).
QString percentEncoded(const QString& text);

/// The maker's page `page` followed by the SCSI layer's state, as the
/// information link and the first-start set-up page use it.
QString makerPageWithStatus(const QString& page, const QString& aspiStatus);

} // namespace brenlow
