#include "platform/audio/id3v1_tail.h"

#include <taglib/id3v1tag.h>
#include <taglib/tpropertymap.h>

namespace quandor::audio {

QByteArray renderId3v1Tail(const TagFieldList& fields)
{
    TagLib::PropertyMap map;
    for (const auto& [key, text] : fields)
        if (!text.isEmpty())
            map.replace(key, TagLib::StringList(TagLib::String(text.constData(), TagLib::String::UTF8)));
    TagLib::ID3v1::Tag tag;
    tag.setProperties(map);
    // The tag save drops an ID3v1 tag with nothing in it; so does the encoder.
    if (tag.isEmpty())
        return {};
    const TagLib::ByteVector rendered = tag.render();
    return QByteArray(rendered.data(), qsizetype(rendered.size()));
}

} // namespace quandor::audio
