#include "BufferedReader.h"
#include "support/TempDir.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using tb::decoder::BufferedReader;

namespace {

// A file of 200,000 numbered bytes, larger than the reader's buffer.
class BufferedReaderTest : public ::testing::Test {
protected:
    tb::test::TempDir dir;
    QByteArray content;
    int fd = -1;

    void SetUp() override
    {
        content.resize(200000);
        for (int i = 0; i < content.size(); ++i)
            content[i] = static_cast<char>(i * 7 % 251);
        fd = ::open(QFile::encodeName(dir.write("data.bin", content)).constData(), O_RDONLY);
        ASSERT_GE(fd, 0);
    }
    void TearDown() override { ::close(fd); }

    QByteArray readBytes(BufferedReader &reader, size_t count)
    {
        QByteArray out(static_cast<qsizetype>(count), '\0');
        ssize_t got = BufferedReader::read(&reader, out.data(), count);
        out.resize(got < 0 ? 0 : got);
        return out;
    }
};

TEST_F(BufferedReaderTest, SmallAndLargeReadsGiveTheFileInOrder)
{
    BufferedReader reader(fd);
    QByteArray all;
    for (size_t size : {4u, 417u, 70000u, 1u, 100000u, 50000u})
        all += readBytes(reader, size);
    EXPECT_EQ(all, content); // the last read is cut short by the end of the file
    EXPECT_EQ(readBytes(reader, 10).size(), 0);
}

struct SeekCase {
    off_t first;  // read position before the seek
    off_t offset;
    int whence;
    off_t expected;
};

TEST_F(BufferedReaderTest, SeeksInsideAndOutsideTheBuffer)
{
    const SeekCase cases[] = {
        {1000, 10, SEEK_SET, 10},           // back inside the buffer
        {1000, 150000, SEEK_SET, 150000},   // beyond it
        {1000, -500, SEEK_CUR, 500},        // relative, inside
        {1000, 90000, SEEK_CUR, 91000},     // relative, beyond
        {1000, -100, SEEK_END, 199900},     // from the end
        {70000, 65536, SEEK_SET, 65536},    // the start of the second buffer
    };
    for (const SeekCase &c : cases) {
        BufferedReader reader(fd);
        ::lseek(fd, 0, SEEK_SET);
        BufferedReader::seek(&reader, 0, SEEK_SET);
        readBytes(reader, static_cast<size_t>(c.first));
        EXPECT_EQ(BufferedReader::seek(&reader, c.offset, c.whence), c.expected);
        EXPECT_EQ(readBytes(reader, 64), content.mid(c.expected, 64)) << "after seeking to " << c.expected;
        EXPECT_EQ(BufferedReader::seek(&reader, 0, SEEK_CUR), std::min<off_t>(c.expected + 64, content.size()));
    }
}

TEST_F(BufferedReaderTest, NegativePositionsAreRefused)
{
    BufferedReader reader(fd);
    EXPECT_EQ(BufferedReader::seek(&reader, -1, SEEK_SET), -1);
    EXPECT_EQ(readBytes(reader, 3), content.left(3));
}

} // namespace

namespace {

TEST_F(BufferedReaderTest, CancelledReaderFailsEveryRead)
{
    std::atomic<bool> cancel{false};
    BufferedReader reader(fd, &cancel);
    EXPECT_EQ(readBytes(reader, 10), content.left(10));
    cancel = true;
    char byte = 0;
    EXPECT_EQ(BufferedReader::read(&reader, &byte, 1), -1);
}

} // namespace
