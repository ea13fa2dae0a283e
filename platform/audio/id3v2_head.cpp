#include "platform/audio/id3v2_head.h"

#include <taglib/id3v2tag.h>
#include <taglib/tpropertymap.h>

namespace quandor::audio {

QByteArray renderId3v2Head(const TagFieldList& fields)
{
    TagLib::PropertyMap map;
    for (const auto& [key, text] : fields)
        if (!text.isEmpty())
            map.replace(key, TagLib::StringList(TagLib::String(text.constData(), TagLib::String::UTF8)));
    if (map.isEmpty())
        return {};
    TagLib::ID3v2::Tag tag;
    tag.setProperties(map);
    const TagLib::ByteVector rendered = tag.render(TagLib::ID3v2::v3);
    return QByteArray(rendered.data(), qsizetype(rendered.size()));
}

} // namespace quandor::audio
