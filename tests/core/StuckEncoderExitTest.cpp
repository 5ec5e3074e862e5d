// Exit in the middle of a WAV batch whose encoder library never comes back from a frame: the
// program must still end. The encoder binding then leaves its worker alive, with what it uses,
// until the process ends.
#include "CoreDoubles.h"
#include "support/EventWait.h"
#include "support/WavWriter.h"

#include <gtest/gtest.h>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TB_TEST_WITH_LSAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define TB_TEST_WITH_LSAN 1
#endif
#ifdef TB_TEST_WITH_LSAN
#include <sanitizer/lsan_interface.h>
#endif

using namespace tb;
using namespace tb::test;

namespace {

constexpr const char *StuckEncoderName = "core_stuck_encoder.so";

// The encoder, made so that the leak checker passes over what it allocates: a binding whose
// worker is stuck lets go of its input ring buffer without freeing it, on purpose.
std::unique_ptr<TGogoTea> encoderLeftBehindOnExit()
{
#ifdef TB_TEST_WITH_LSAN
    __lsan::ScopedDisabler leftOnPurpose;
#endif
    return std::make_unique<TGogoTea>(nullptr, besideTests(StuckEncoderName));
}

TEST(CoreExit, AnEncoderStuckInsideItsLibraryDoesNotHoldUpTheExit)
{
    CoreRig rig;
    StubLibrary stuck(besideTests(StuckEncoderName));
    ASSERT_TRUE(stuck.loaded());
    auto framesEntered = stuck.entry<int32_t (*)()>("stuck_frames_entered");
    ASSERT_NE(framesEntered, nullptr);
    rig.create(encoderLeftBehindOnExit());
    rig.core->Encoder().SetPriority(tpNormal);
    rig.startUp("IsDoneOpenDir=0\r\n");

    ASSERT_FALSE(rig.startWavBatch().isEmpty());
    ASSERT_EQ(rig.core->state().ActivityState, asConverting);
    // The worker is inside the library's frame call and will not come out.
    ASSERT_TRUE(waitUntil([&] { return framesEntered() == 1; }));
    const QStringList questions = rig.dialogs.questions();

    rig.core->Exit();
    EXPECT_EQ(rig.terminateRequests, 1);
    EXPECT_EQ(rig.dialogs.questions(), questions) << "no question on the way out";
    // The components go with the core; this returns although the worker never leaves.
    rig.core.reset();
    EXPECT_EQ(framesEntered(), 1);
    EXPECT_EQ(rig.decoder.log(), "delete;");
}

} // namespace
