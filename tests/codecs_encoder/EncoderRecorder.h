// The test controls of the recording encoder library (RecorderLibrary.cpp): it records every
// configuration item it is sent and answers as the test sets it up.
#pragma once

#include "support/StubLibrary.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace tb::test {

class EncoderRecorder : public StubLibrary {
public:
    using Item = std::pair<int32_t, int32_t>;
    static constexpr const char *Name = "encoder_recorder.so";

    EncoderRecorder() : StubLibrary(besideTests(Name)) {}
    bool ok() const
    {
        return entry<Setup>("recorder_setup") && entry<Items>("recorder_items") &&
               entry<HoldFrames>("recorder_hold_frames") && entry<FramesInside>("recorder_frames_inside");
    }
    // The processor units it reports, what initialisation and detection return, how many frames
    // an encoding takes and what the last one returns.
    void setup(uint32_t unitStates, int32_t init = 0, int32_t detect = 0, int32_t frames = 3, int32_t last = 1) const
    {
        entry<Setup>("recorder_setup")(unitStates, init, detect, frames, last);
    }
    // Every frame waits for a byte from the descriptor before it answers.
    void holdFrames(int descriptor) const { entry<HoldFrames>("recorder_hold_frames")(descriptor); }
    int framesInside() const { return entry<FramesInside>("recorder_frames_inside")(); }
    // The configuration items sent, in order.
    std::vector<Item> items() const
    {
        int32_t item[64], value[64];
        const int32_t n = entry<Items>("recorder_items")(item, value, 64);
        std::vector<Item> out;
        for (int32_t i = 0; i < n; ++i)
            out.push_back({item[i], value[i]});
        return out;
    }
    // The value last sent for an item, or -1.
    int32_t item(int32_t number) const
    {
        int32_t value = -1;
        for (const Item &i : items())
            if (i.first == number)
                value = i.second;
        return value;
    }

private:
    using Setup = void (*)(uint32_t, int32_t, int32_t, int32_t, int32_t);
    using Items = int32_t (*)(int32_t *, int32_t *, int32_t);
    using HoldFrames = void (*)(int);
    using FramesInside = int32_t (*)();
};

} // namespace tb::test
