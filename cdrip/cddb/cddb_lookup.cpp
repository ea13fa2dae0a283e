#include "cdrip/cddb/cddb_lookup.h"

#include "platform/files/file_door.h"

namespace brenlow {
namespace {

CddbStep failed(QString why)
{
    CddbStep step;
    step.error = std::move(why);
    return step;
}

CddbStep refused(QString why)
{
    CddbStep step = failed(std::move(why));
    step.kind = CddbStepKind::Refused;
    return step;
}

CddbStep cancelled()
{
    CddbStep step;
    step.kind = CddbStepKind::Cancelled;
    return step;
}

/// Downloads `url` onto the request file and reads it back; false with `step`
/// set when the download failed or the user cancelled meanwhile.
bool fetch(const CddbLookupSetup& setup, const QString& url, const std::atomic<bool>& cancel, QByteArray& reply,
           CddbStep& step)
{
    const DownloadResult result = downloadToFile(url, setup.requestFile, &cancel, setup.limits);
    if (cancel.load() || result.cancelled) {
        step = cancelled();
        return false;
    }
    if (!result.ok) {
        step = failed(result.error);
        return false;
    }
    // Only the regular file just written is read: never a FIFO or a link
    // put in its place meanwhile.
    QString error;
    const std::optional<QByteArray> read =
        quandor::files::readRegularFile(setup.requestFile, setup.limits.maxBytes, &error);
    if (!read) {
        step = failed(error);
        return false;
    }
    reply = *read;
    if (!cddbLinesWithinBound(reply)) {
        step = refused(QStringLiteral("a reply line is too long"));
        reply.clear();
        return false;
    }
    return true;
}

} // namespace

CddbStep runCddbRead(const CddbLookupSetup& setup, const CddbMatch& match, const std::atomic<bool>& cancel)
{
    if (!isCddbCategory(match.category) || !isCddbDiscId(match.discId))
        return failed(QStringLiteral("untrusted match"));
    QByteArray reply;
    CddbStep step;
    if (!fetch(setup, buildCddbReadUrl(setup.server, match.category, match.discId), cancel, reply, step))
        return step;
    // Only an entry ("210 <category> <discid> ...") of the match asked for is
    // worth keeping. It is stored under that match: a reply naming another
    // entry would otherwise overwrite that disc's cached titles.
    const CddbQueryReply status = parseCddbReadStatus(reply);
    if (status.kind != CddbReplyKind::ExactMatch && status.code == 210)
        return refused(QStringLiteral("read reply names an untrusted entry"));
    if (status.kind != CddbReplyKind::ExactMatch)
        return failed(QStringLiteral("read reply %1").arg(status.code));
    const CddbMatch& named = status.matches.front();
    if (named.category != match.category || named.discId.compare(match.discId, Qt::CaseInsensitive) != 0)
        return refused(QStringLiteral("read reply names %1 %2").arg(named.category, named.discId));
    step.kind = CddbStepKind::Entry;
    step.reply = reply;
    step.category = match.category;
    step.discId = match.discId;
    return step;
}

CddbStep runCddbQuery(const CddbLookupSetup& setup, const QString& queryCommand, const std::atomic<bool>& cancel)
{
    QByteArray reply;
    CddbStep step;
    if (!fetch(setup, buildCddbQueryUrl(setup.server, queryCommand), cancel, reply, step))
        return step;
    CddbQueryReply parsed = parseCddbQueryReply(reply);
    switch (parsed.kind) {
    case CddbReplyKind::ExactMatch:
        return runCddbRead(setup, parsed.matches.front(), cancel);
    case CddbReplyKind::MatchList:
        step.kind = CddbStepKind::Choose;
        step.matches = std::move(parsed.matches);
        return step;
    case CddbReplyKind::NoMatch:
        step.kind = CddbStepKind::NoMatch;
        return step;
    case CddbReplyKind::Failure:
        break;
    }
    // A match code whose matches our checks all refused.
    if (parsed.code == 200 || parsed.code == 210 || parsed.code == 211)
        return refused(QStringLiteral("query reply %1 without a usable match").arg(parsed.code));
    return failed(QStringLiteral("query reply %1").arg(parsed.code));
}

} // namespace brenlow
