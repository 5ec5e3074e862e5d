#include "support/QtPrinters.h"
#include "support/TempDir.h"
#include "support/WavWriter.h"
#include "wavepipe/MMWaveFile.h"

#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

using namespace tb;
using tb::test::sinePcm;
using tb::test::sineWav;
using tb::test::TempDir;
using tb::test::Tone;

namespace {

// One chain buffer: the header and its data in one block, as the driver makes them.
struct Buffer {
    explicit Buffer(uint32_t size) : block(TB_WAVEHDR_SIZE + size, 0x5A)
    {
        header()->lpData = reinterpret_cast<char *>(block.data()) + TB_WAVEHDR_SIZE;
        header()->dwBufferLength = size;
        header()->dwBytesRecorded = 0;
    }
    PWaveHdr header() { return reinterpret_cast<PWaveHdr>(block.data()); }
    QByteArray bytes() { return QByteArray(header()->lpData, int(header()->dwBytesRecorded)); }
    std::vector<uint8_t> block;
};

class WaveFileFixture : public ::testing::Test {
protected:
    QString write(const QString &name, const Tone &tone) { return dir.write(name, sineWav(tone)); }
    TempDir dir;
};

TEST_F(WaveFileFixture, LoadingAFilePassesItsFormatDownTheChain)
{
    TMMWaveFile file;
    TMMDSPComponent next;
    file.SetOutput(&next);
    std::vector<std::string> log;
    file.OnChange = [&](TMMDSPComponent *) { log.push_back("change:" + std::to_string(next.PWaveFormat() != nullptr)); };
    file.OnChanged = [&](TMMDSPComponent *) { log.push_back("changed:" + std::to_string(next.PWaveFormat() != nullptr)); };
    file.Wave()->SetFileName(write("a.wav", Tone{22050, 1, 8, 100}));
    EXPECT_EQ(log, (std::vector<std::string>{"change:0", "changed:1"}));
    ASSERT_NE(next.PWaveFormat(), nullptr);
    EXPECT_EQ(next.PWaveFormat()->nSamplesPerSec, 22050u);
    EXPECT_NE(next.PWaveFormat(), file.Wave()->PWaveFormat());
    EXPECT_NE(file.PWaveFormat(), file.Wave()->PWaveFormat());
    file.Wave()->SetFileName(QString());
    EXPECT_EQ(next.PWaveFormat(), nullptr);
}

TEST_F(WaveFileFixture, SilenceValueFollowsTheFormat)
{
    TMMWaveFile file;
    EXPECT_EQ(file.SilenceValue(), 0);
    file.Wave()->SetFileName(write("a.wav", Tone{8000, 1, 8, 10}));
    EXPECT_EQ(file.SilenceValue(), 128);
    file.Wave()->SetFileName(write("b.wav", Tone{8000, 1, 16, 10}));
    EXPECT_EQ(file.SilenceValue(), 0);
}

struct SilenceCase {
    int bits;
    uint8_t value;
};

class SilenceWhileNotStarted : public WaveFileFixture, public ::testing::WithParamInterface<SilenceCase> {};

TEST_P(SilenceWhileNotStarted, FullBuffersOfSilence)
{
    TMMWaveFile file;
    file.Wave()->SetFileName(write("a.wav", Tone{8000, 1, GetParam().bits, 1000}));
    file.Open();
    Buffer buffer(512);
    bool more = false;
    file.BufferLoad(buffer.header(), more);
    EXPECT_TRUE(more);
    EXPECT_EQ(buffer.header()->dwBytesRecorded, 512u);
    EXPECT_EQ(buffer.bytes(), QByteArray(512, char(GetParam().value)));
}

INSTANTIATE_TEST_SUITE_P(Bits, SilenceWhileNotStarted, ::testing::Values(SilenceCase{8, 128}, SilenceCase{16, 0}));

TEST_F(WaveFileFixture, DisabledSourceDeliversSilence)
{
    TMMWaveFile file;
    file.Wave()->SetFileName(write("a.wav", Tone{8000, 1, 8, 1000}));
    file.Enabled = false;
    file.Open();
    file.Start();
    Buffer buffer(100);
    bool more = false;
    file.BufferLoad(buffer.header(), more);
    EXPECT_TRUE(more);
    EXPECT_EQ(buffer.bytes(), QByteArray(100, char(128)));
}

TEST_F(WaveFileFixture, StartedSourceDeliversTheFileUntilItEnds)
{
    const Tone tone{8000, 2, 16, 300}; // 1200 bytes
    TMMWaveFile file;
    file.Wave()->SetFileName(write("a.wav", tone));
    int opened = 0, closed = 0;
    file.OnOpen = [&](TMMDSPComponent *) { ++opened; };
    file.OnClose = [&](TMMDSPComponent *) { ++closed; };
    bool loadEvent = false;
    file.OnBufferLoad = [&](TMMDSPComponent *, PWaveHdr, bool &) { loadEvent = true; };
    file.SetBufferSize(512);
    file.Open();
    file.Start();
    EXPECT_EQ(opened, 1);
    EXPECT_TRUE(file.IsReading());

    QByteArray delivered;
    std::vector<bool> moreFlags;
    for (int i = 0; i < 4; ++i) {
        Buffer buffer(uint32_t(file.BufferSize()));
        bool more = false;
        file.BufferLoad(buffer.header(), more);
        delivered += buffer.bytes();
        moreFlags.push_back(more);
        if (!more)
            break;
    }
    EXPECT_EQ(delivered, sinePcm(tone));
    EXPECT_EQ(moreFlags, (std::vector<bool>{true, true, false}));
    EXPECT_FALSE(loadEvent); // the source answers itself
    file.Stop();
    file.Close();
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(file.Wave()->IsOpen());
}

TEST_F(WaveFileFixture, StartBeginsAtThePositionRememberedAtOpen)
{
    const Tone tone{8000, 1, 8, 8000};
    const QByteArray pcm = sinePcm(tone);
    TMMWaveFile source;
    source.Wave()->SetTimeFormat(tfMillisecond);
    source.Wave()->SetFileName(write("a.wav", tone));
    source.Wave()->SetPosition(500); // before Open: where the file will be opened
    source.Open();
    source.Start();
    Buffer first(100);
    bool more = false;
    source.BufferLoad(first.header(), more);
    EXPECT_EQ(first.bytes(), pcm.mid(4000, 100));

    source.Stop();
    source.Start(); // back to the position remembered at Open
    Buffer again(100);
    source.BufferLoad(again.header(), more);
    EXPECT_EQ(again.bytes(), pcm.mid(4000, 100));
}

TEST_F(WaveFileFixture, EmptyWaveDeliversNothing)
{
    TMMWaveFile file;
    file.Open();
    file.Start();
    Buffer buffer(64);
    buffer.header()->dwBytesRecorded = 99;
    bool more = false;
    file.BufferLoad(buffer.header(), more);
    EXPECT_EQ(buffer.header()->dwBytesRecorded, 0u);
    EXPECT_FALSE(more);
    EXPECT_FALSE(file.IsFileOpen());
}

TEST_F(WaveFileFixture, DriverWalkOpensAndStartsTheSource)
{
    const Tone tone{8000, 1, 16, 100};
    TMMWaveFile file;
    TMMCustomSoundComponent out;
    file.SetOutput(&out);
    file.Wave()->SetFileName(write("a.wav", tone));
    ASSERT_NE(out.PWaveFormat(), nullptr);
    out.SetBufferSize(101); // real size: whole 2-byte blocks
    out.Open();
    EXPECT_EQ(out.BufferSize(), 100);
    EXPECT_EQ(file.BufferSize(), 100);
    EXPECT_TRUE(file.IsFileOpen());
    out.Start();
    PWaveHdr header = out.AllocWaveHeader(out.BufferSize());
    bool more = false;
    out.BufferLoad(header, more); // the driver's base passes the request upstream
    EXPECT_TRUE(more);
    EXPECT_EQ(QByteArray(header->lpData, int(header->dwBytesRecorded)), sinePcm(tone).left(100));
    out.FreeWaveHeader(header);
    out.Stop();
    out.Close();
    EXPECT_FALSE(file.IsFileOpen());
}

TEST_F(WaveFileFixture, SetWaveCopiesTheOtherWave)
{
    TMMWave other;
    other.SetFileName(write("a.wav", Tone{11025, 2, 16, 10}));
    TMMWaveFile file;
    file.SetWave(&other);
    EXPECT_EQ(file.Wave()->FileName(), other.FileName());
    ASSERT_NE(file.PWaveFormat(), nullptr);
    EXPECT_EQ(file.PWaveFormat()->nSamplesPerSec, 11025u);
    file.SetWave(nullptr);
    EXPECT_FALSE(file.Wave()->Loaded());
    EXPECT_EQ(file.PWaveFormat(), nullptr);
}

} // namespace
