// The lookup of the ID3v1 record a file ends in, shared by Brenlow's tag
// reader and writer, the APE tag reader and the check of an APE save.
#include "platform/id3v1/id3v1_record.h"
#include "platform/id3v1/trailing_id3v1.h"
#include "tests/support/tools.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

using namespace quandor::id3v1;
using quandor::test::writeAll;

namespace {

QByteArray record()
{
    return encodeId3v1(Id3v1Fields{.title = QStringLiteral("Title")});
}

/// A device that claims `extra` more bytes than it holds.
class OverstatedBuffer : public QBuffer {
public:
    OverstatedBuffer(const QByteArray& bytes, qint64 extra) : extra_(extra)
    {
        setData(bytes);
        open(QIODevice::ReadOnly);
    }
    qint64 size() const override { return QBuffer::size() + extra_; }

private:
    qint64 extra_;
};

} // namespace

TEST(TrailingId3v1, FoundOnlyInTheLast128Bytes)
{
    struct Case {
        const char* name;
        QByteArray bytes;
        qint64 offset; // -1: none
    };
    const Case cases[] = {
        {"empty file", {}, -1},
        {"shorter than a record, beginning with TAG", record().left(127), -1},
        {"exactly a record", record(), 0},
        {"exactly 128 bytes not beginning with TAG", QByteArray(128, 'x'), -1},
        {"one byte of audio, then a record", "x" + record(), 1},
        {"a record followed by one byte", record() + "x", -1},
        {"TAG inside the audio only", QByteArray(50, 'x') + "TAG" + QByteArray(300, 'y'), -1},
        {"audio, then a record", QByteArray(5000, 'x') + record(), 5000},
    };
    QTemporaryDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString path = dir.filePath(QStringLiteral("a.mp3"));
        ASSERT_TRUE(writeAll(path, c.bytes));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const auto found = findTrailingId3v1(file);
        EXPECT_EQ(found ? found->offset : -1, c.offset);
        if (found) {
            EXPECT_EQ(found->record, c.bytes.right(128));
        }
    }
}

TEST(TrailingId3v1, AFileThatClaimsMoreThanItHoldsHasNone)
{
    // "TAG" stands where the claimed size puts a record, but fewer than 128
    // bytes follow it.
    const QByteArray bytes = QByteArray(200, 'x') + record().left(100);
    OverstatedBuffer device(bytes, 28);
    EXPECT_EQ(device.size() - 128, 200);
    EXPECT_FALSE(findTrailingId3v1(device));
}

TEST(TrailingId3v1, AnOpenFileIsSeenAtItsSizeNow)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.mp3"));
    ASSERT_TRUE(writeAll(path, QByteArray(1000, 'x') + record()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    ASSERT_TRUE(findTrailingId3v1(file));

    ASSERT_TRUE(QFile::resize(path, 1100)); // cut inside the record
    EXPECT_FALSE(findTrailingId3v1(file));

    QFile other(path);
    ASSERT_TRUE(other.open(QIODevice::Append));
    ASSERT_EQ(other.write(record()), 128);
    other.close();
    const auto found = findTrailingId3v1(file);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->offset, 1100);
}
