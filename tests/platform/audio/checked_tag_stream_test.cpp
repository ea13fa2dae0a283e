// The stream a tag writer edits the program's own outputs through: inserting,
// replacing and removing bytes leaves exactly the bytes TagLib asked for,
// also where the moved tail is longer than the buffer it is moved through,
// and a failed write is kept as the stream's failure.

#include "platform/audio/checked_tag_stream.h"

#include "platform/files/unnamed_file.h"
#include "tests/support/file_size_limit.h"

#include <QByteArray>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>

namespace quandor::audio {
namespace {

QByteArray pattern(qint64 size)
{
    QByteArray bytes(qsizetype(size), '\0');
    for (qint64 i = 0; i < size; ++i)
        bytes[qsizetype(i)] = char((i * 7 + i / 251) & 0xFF);
    return bytes;
}

QByteArray contentOf(CheckedTagStream& stream)
{
    stream.seek(0);
    const TagLib::ByteVector bytes = stream.readBlock(static_cast<unsigned long>(stream.length()));
    return QByteArray(bytes.data(), bytes.size());
}

TEST(CheckedTagStream, InsertReplaceAndRemoveLeaveExactlyTheBytesAskedFor)
{
    constexpr qint64 kLarge = 3 * 1024 * 1024 + 17; // a tail longer than the buffer it moves through
    struct Case {
        const char* name;
        qint64 fileSize;
        qint64 start;
        qint64 replace;
        qint64 inserted; ///< -1: removeBlock
    };
    const Case cases[] = {
        {"a tag inserted at the start grows the file", kLarge, 0, 0, 4096},
        {"a tag replaced by a longer one", kLarge, 0, 1000, 5000},
        {"a tag replaced by a shorter one", kLarge, 0, 5000, 1000},
        {"a tag replaced in place", kLarge, 10, 300, 300},
        {"bytes inserted in the middle of a small file", 100, 40, 0, 7},
        {"bytes appended at the end", 100, 100, 0, 50},
        {"a block removed from the start", kLarge, 0, 4096, -1},
        {"a block removed at the end", 1000, 900, 100, -1},
        {"a replace running past the end", 1000, 990, 50, 20},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const files::FileDescriptor fd = files::openUnnamed(AT_FDCWD, O_RDWR, 0600);
        ASSERT_TRUE(fd) << "no unnamed file in the current folder";
        const QByteArray before = pattern(c.fileSize);
        ASSERT_EQ(files::writeFully(fd.get(), before.constData(), before.size(), 0), 0);
        CheckedTagStream stream(fd.get(), "test");

        const QByteArray data = c.inserted < 0 ? QByteArray() : QByteArray(qsizetype(c.inserted), 'T');
        if (c.inserted < 0)
            stream.removeBlock(static_cast<unsigned long>(c.start), static_cast<unsigned long>(c.replace));
        else
            stream.insert(TagLib::ByteVector(data.constData(), static_cast<unsigned int>(data.size())),
                          static_cast<unsigned long>(c.start), static_cast<unsigned long>(c.replace));

        QByteArray expected = before;
        expected.replace(qsizetype(c.start), qsizetype(c.replace), data);
        EXPECT_EQ(stream.failure(), 0);
        EXPECT_TRUE(contentOf(stream) == expected) << "the file holds other bytes";
    }
}

TEST(CheckedTagStream, AFailedWriteIsKeptAndNothingMoreIsWritten)
{
    const files::FileDescriptor fd = files::openUnnamed(AT_FDCWD, O_RDWR, 0600);
    ASSERT_TRUE(fd);
    const QByteArray before = pattern(64 * 1024);
    ASSERT_EQ(files::writeFully(fd.get(), before.constData(), before.size(), 0), 0);
    CheckedTagStream stream(fd.get(), "test");
    {
        test::FileSizeLimit limit(70 * 1024);
        const QByteArray tag(16 * 1024, 'T');
        stream.insert(TagLib::ByteVector(tag.constData(), static_cast<unsigned int>(tag.size())), 0, 0);
    }
    EXPECT_EQ(stream.failure(), EFBIG);
    stream.seek(0);
    stream.writeBlock(TagLib::ByteVector("later", 5));
    EXPECT_NE(contentOf(stream).left(5), QByteArray("later"));
}

} // namespace
} // namespace quandor::audio
