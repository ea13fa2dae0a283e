#pragma once
// The status lines and match lists of CDDB server replies. Everything taken
// from a reply that later names a file (category, disc id) is checked here.

#include <QByteArrayView>
#include <QString>
#include <vector>

namespace brenlow {

struct CddbMatch {
    int number = 0; ///< 1-based
    QString category;
    QString discId;
    QString title;
};

enum class CddbReplyKind {
    ExactMatch, ///< 200: one match, in the status line
    MatchList,  ///< 210 / 211: matches, one a line, up to "."
    NoMatch,    ///< 202
    Failure,    ///< any other code, or a reply that cannot be trusted
};

struct CddbQueryReply {
    CddbReplyKind kind = CddbReplyKind::Failure;
    int code = 0;
    std::vector<CddbMatch> matches;
};

/// The longest reply line a server may send, its line end not counted. Lines
/// of the protocol are short (entries wrap long values at 256 characters); a
/// longer line can only be a hostile reply, and megabytes of one line would
/// stall whatever shows it.
constexpr qsizetype kMaxCddbLineBytes = 4096;

/// True when no line of `reply` is longer than kMaxCddbLineBytes.
bool cddbLinesWithinBound(QByteArrayView reply);

/// The reply to "cddb query".
CddbQueryReply parseCddbQueryReply(QByteArrayView reply);

/// The status line of a "cddb read" reply: "210 <category> <discid> ...".
/// Fails (kind Failure) for any other code or untrustworthy fields.
CddbQueryReply parseCddbReadStatus(QByteArrayView reply);

/// One of the eleven standard CDDB categories (compared exactly, lower case).
bool isCddbCategory(const QString& category);

/// Exactly eight hexadecimal digits.
bool isCddbDiscId(const QString& discId);

/// The lines of a reply without their line ends (LF or CR LF), decoded as
/// UTF-8 when they are valid UTF-8 and as Latin-1 otherwise.
std::vector<QString> cddbReplyLines(QByteArrayView reply);

} // namespace brenlow
