#include "cdrip/cddb/cddb_reply.h"

#include "platform/profile/windows1252.h"

#include <QRegularExpression>
#include <array>

namespace brenlow {
namespace {

constexpr std::array kCategories = {
    "blues", "classical", "country", "data", "folk", "jazz", "misc", "newage", "reggae", "rock", "soundtrack",
};

// A match from a line "<category> <discid> <title>" after `skip` leading
// fields; false when the category or disc id cannot be trusted.
bool makeMatch(const QString& line, int skip, int number, CddbMatch& match)
{
    const QRegularExpression shape(
        QRegularExpression::anchoredPattern(QStringLiteral("(?:\\S+ +){%1}(\\S+) +(\\S+) *(.*)").arg(skip)));
    const QRegularExpressionMatch found = shape.match(line);
    if (!found.hasMatch())
        return false;
    match.number = number;
    match.category = found.captured(1);
    match.discId = found.captured(2);
    match.title = found.captured(3);
    return isCddbCategory(match.category) && isCddbDiscId(match.discId);
}

int statusCode(const QString& line)
{
    if (line.size() < 4 || line[3] != QLatin1Char(' '))
        return 0;
    bool ok = false;
    const int code = line.first(3).toInt(&ok);
    return ok ? code : 0;
}

/// A Failure reply with the code of its status line (0 without one).
CddbQueryReply withStatus(const std::vector<QString>& lines)
{
    CddbQueryReply result;
    if (!lines.empty())
        result.code = statusCode(lines.front());
    return result;
}

/// The one match a status line "<code> <category> <discid> <title>" names;
/// the reply stays a Failure when its fields cannot be trusted.
void takeStatusLineMatch(const QString& statusLine, CddbQueryReply& result)
{
    CddbMatch match;
    if (makeMatch(statusLine, 1, 1, match)) {
        result.kind = CddbReplyKind::ExactMatch;
        result.matches.push_back(match);
    }
}

} // namespace

bool isCddbCategory(const QString& category)
{
    for (const char* known : kCategories) {
        if (category == QLatin1String(known))
            return true;
    }
    return false;
}

bool isCddbDiscId(const QString& discId)
{
    // Anchored to the whole text: "$" alone would let a final line end through
    // into the cache's file names.
    static const QRegularExpression eightHex(QRegularExpression::anchoredPattern(QStringLiteral("[0-9a-fA-F]{8}")));
    return eightHex.match(discId).hasMatch();
}

bool cddbLinesWithinBound(QByteArrayView reply)
{
    qsizetype start = 0;
    while (start < reply.size()) {
        qsizetype end = reply.indexOf('\n', start);
        if (end < 0)
            end = reply.size();
        const qsizetype length = end - start - (end > start && reply[end - 1] == '\r' ? 1 : 0);
        if (length > kMaxCddbLineBytes)
            return false;
        start = end + 1;
    }
    return true;
}

std::vector<QString> cddbReplyLines(QByteArrayView reply)
{
    std::vector<QString> lines;
    const QString text = quandor::profile::fromStoredText(reply);
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        lines.push_back(line);
    }
    if (!lines.empty() && lines.back().isEmpty())
        lines.pop_back(); // the final line end
    return lines;
}

CddbQueryReply parseCddbQueryReply(QByteArrayView reply)
{
    const std::vector<QString> lines = cddbReplyLines(reply);
    CddbQueryReply result = withStatus(lines);
    switch (result.code) {
    case 200:
        takeStatusLineMatch(lines.front(), result);
        break;
    case 210:
    case 211:
        for (size_t i = 1; i < lines.size() && lines[i] != QStringLiteral("."); ++i) {
            CddbMatch match;
            if (makeMatch(lines[i], 0, static_cast<int>(result.matches.size()) + 1, match))
                result.matches.push_back(match);
        }
        if (!result.matches.empty())
            result.kind = CddbReplyKind::MatchList;
        break;
    case 202:
        result.kind = CddbReplyKind::NoMatch;
        break;
    default:
        break;
    }
    return result;
}

CddbQueryReply parseCddbReadStatus(QByteArrayView reply)
{
    const std::vector<QString> lines = cddbReplyLines(reply);
    CddbQueryReply result = withStatus(lines);
    if (result.code == 210)
        takeStatusLineMatch(lines.front(), result);
    return result;
}

} // namespace brenlow
