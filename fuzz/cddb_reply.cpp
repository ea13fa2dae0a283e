// CDDB server replies: the query reply, the read status and the entry parse
// take any bytes, and whatever they keep that later names a file (category,
// disc id) is one of the trusted forms. Input: the reply.

#include "cdrip/cddb/cddb_reply.h"
#include "cdrip/cddb/cddb_entry.h"
#include "fuzz/support/fuzz_support.h"

using namespace brenlow;
using namespace quandor;

namespace {

void checkTrusted(const CddbQueryReply& reply)
{
    for (const CddbMatch& match : reply.matches) {
        fuzz::check(isCddbCategory(match.category), "a match's category is a CDDB category", match.category);
        fuzz::check(isCddbDiscId(match.discId), "a match's disc id is eight hex digits", match.discId);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView reply(reinterpret_cast<const char*>(data), qsizetype(size));

    const CddbQueryReply query = parseCddbQueryReply(reply);
    checkTrusted(query);
    if (query.kind == CddbReplyKind::ExactMatch)
        fuzz::check(query.matches.size() == 1, "an exact match is one match");
    if (query.kind == CddbReplyKind::NoMatch || query.kind == CddbReplyKind::Failure)
        fuzz::check(query.matches.empty(), "no match and failures carry no match");

    const CddbQueryReply status = parseCddbReadStatus(reply);
    checkTrusted(status);
    if (status.kind != CddbReplyKind::Failure)
        fuzz::check(status.matches.size() == 1, "a read status names one entry");

    for (const QString& line : cddbReplyLines(reply))
        fuzz::check(!line.contains(QLatin1Char('\n')), "reply lines hold no line end");

    if (const auto entry = parseCddbEntry(reply)) {
        for (const auto& [index, title] : entry->titles) {
            fuzz::check(index >= 0 && index <= 999, "track indexes 0..999");
            fuzz::check(replaceTitleChars(title) == title, "titles hold no file-name special characters", title);
        }
    }
    return 0;
}
