// A mixer in memory: the null device's mixer and the test double of a system mixer. Its elements
// and their values are open to the owner; writes are recorded, reads and writes can be made to
// fail, and an outside change is announced through a real descriptor, as a device does.
#pragma once

#include "Mixer.h"

#include <array>
#include <string>
#include <vector>

namespace tb::audio {

class MemoryMixer : public MixerDevice {
public:
    struct Element {
        MixerElement info;
        std::array<long, 2> values{0, 0};
        bool on = true;
        bool failReads = false;
        bool failWrites = false;
    };

    explicit MemoryMixer(std::string name = "Memory Mixer", std::vector<Element> elements = {});
    ~MemoryMixer() override;
    MemoryMixer(const MemoryMixer &) = delete;
    MemoryMixer &operator=(const MemoryMixer &) = delete;

    // The null device's mixer: a stereo "Master" of 0..65535 at full volume with a switch.
    static std::unique_ptr<MemoryMixer> loudspeaker();

    std::vector<Element> elements;
    std::vector<std::string> writes; // "Master[1]=26214", "Master.on=0"

    // Someone else changed the mixer: the descriptor becomes readable.
    void announceChange();
    int changesTakenIn() const { return changesTakenIn_; }

    std::string name() const override { return name_; }
    int elementCount() const override { return static_cast<int>(elements.size()); }
    MixerElement element(int index) const override { return elements.at(static_cast<size_t>(index)).info; }
    bool volume(int index, int channel, long &value) override;
    bool setVolume(int index, int channel, long value) override;
    bool switchOn(int index, bool &on) override;
    bool setSwitch(int index, bool on) override;
    std::vector<pollfd> pollDescriptors() override;
    void handleEvents() override;

private:
    Element *find(int index);
    std::string name_;
    int pipe_[2] = {-1, -1};
    int changesTakenIn_ = 0;
};

} // namespace tb::audio
