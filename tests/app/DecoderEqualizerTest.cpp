// The equalizer through the real decoder binding and decoder.so: both players answer with the table.
#include "RecordingDecoders.h"
#include "core/Equalizer.h"
#include "codecs/XaudioPlayer.h"
#include "support/AppFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

using namespace tb;
using namespace tb::test;

namespace {

// Waits in the event loop; the guard only keeps a broken library from hanging the suite.
bool pumpUntil(const std::function<bool()> &condition)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > 60000)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 100);
    }
    return true;
}

TEST(DecoderEqualizer, BothDecodersTakeTheTableInTurn)
{
    application();
    TXaudioPlayer mp3Player, Decoder;
    std::vector<std::pair<std::string, XA_EqualizerInfo>> answers;
    mp3Player.OnNotifyCodecEqualizer = [&](TXaudioPlayer *, XA_EqualizerInfo &eq) { answers.emplace_back("mp3Player", eq); };
    Decoder.OnNotifyCodecEqualizer = [&](TXaudioPlayer *, XA_EqualizerInfo &eq) { answers.emplace_back("Decoder", eq); };
    EqualizerOf<TXaudioPlayer> playback(mp3Player), conversion(Decoder);

    const VolLevels levels{0, 10, 20, 30, 40, 50, 60, 100};
    ApplyEqualizer(true, levels, &playback, &conversion);
    ASSERT_TRUE(pumpUntil([&] { return answers.size() >= 2; }));
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_NE(answers[0].first, answers[1].first); // one answer from each player
    const XA_EqualizerInfo expected = BuildEqualizerTable(levels);
    for (const auto &[name, table] : answers)
        EXPECT_TRUE(sameTable(table, expected)) << name;

    // Switching off sends no table; both players keep running and take the next table.
    ApplyEqualizer(false, levels, &playback, &conversion);
    answers.clear();
    ApplyEqualizer(true, {}, &playback, &conversion);
    ASSERT_TRUE(pumpUntil([&] { return answers.size() >= 2; }));
    for (const auto &[name, table] : answers)
        EXPECT_TRUE(sameTable(table, flatTable(0))) << name;
}

} // namespace
