// ID3v1 tags (the record both programs decode): any block decodes, an ID3v1.0
// record has no track number, a decoded tag encodes back to a block that
// decodes the same, and a tag written into a file reads back while the bytes
// before it stay; a file's record is found exactly where one decodes. Input:
// the last bytes of a file (a tag when they end in one).

#include "cdrip/encode/id3v1_tag.h"
#include "fuzz/support/fuzz_support.h"
#include "platform/id3v1/trailing_id3v1.h"

#include <QBuffer>

using namespace brenlow;
using namespace quandor;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static fuzz::ScratchFolder folder;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    const QByteArray block = bytes.right(kId3v1Bytes);
    const std::optional<Id3v1Fields> decoded = decodeId3v1(block);
    if (decoded && block.at(125) != '\0')
        fuzz::check(decoded->track == 0, "an ID3v1.0 record (byte 125 not zero) has no track number");
    if (decoded) {
        const QByteArray encoded = encodeId3v1(*decoded);
        fuzz::check(encoded.size() == kId3v1Bytes, "a tag is 128 bytes");
        fuzz::check(decodeId3v1(encoded) == decoded, "a decoded tag encodes to the same fields");
    }

    QBuffer device;
    device.setData(bytes);
    device.open(QIODevice::ReadOnly);
    const auto found = id3v1::findTrailingId3v1(device);
    fuzz::check(found.has_value() == decoded.has_value(), "a record is found where one decodes");
    fuzz::check(!found || (found->offset == bytes.size() - kId3v1Bytes && found->record == block),
                "the record found is the last 128 bytes");

    const QString path = folder.file(QStringLiteral("track.mp3"));
    folder.write(QStringLiteral("track.mp3"), bytes);
    const Id3v1Tag tag(path);
    fuzz::check(tag.read() == decoded, "a file's tag is its last 128 bytes, decoded");

    Id3v1Fields fields = decoded.value_or(Id3v1Fields{});
    if (!decoded) {
        fields.title = QString::fromLatin1(bytes.left(40));
        fields.track = size % 256;
    }
    fuzz::check(tag.write(fields), "a tag is written");
    const QByteArray after = fuzz::readFile(path);
    const qsizetype kept = decoded ? bytes.size() - kId3v1Bytes : bytes.size();
    fuzz::check(after.size() == kept + kId3v1Bytes, "the tag replaces the old one or is appended");
    fuzz::check(after.first(kept) == bytes.first(kept), "the audio before the tag stays");
    const auto reread = tag.read();
    fuzz::check(reread && decodeId3v1(encodeId3v1(fields)) == reread, "a written tag reads back");
    if (decoded)
        fuzz::check(reread == decoded, "rewriting a read tag changes nothing");
    return 0;
}
