// The system's audio mixer as the volume slider needs it: the simple playback elements of one
// mixer device, their volumes per channel and their on/off switches, and the descriptors that
// become readable when someone else changes them. Used from one thread only.
#pragma once

#include <poll.h>

#include <memory>
#include <string>
#include <vector>

namespace tb::audio {

struct MixerElement {
    std::string name;
    bool playbackVolume = false; // has a playback volume
    bool mono = false;           // the playback volume has one channel
    long minVolume = 0, maxVolume = 0;
    bool playbackSwitch = false; // has a playback on/off switch (on = not muted)
};

class MixerDevice {
public:
    virtual ~MixerDevice() = default;
    // The device's product name.
    virtual std::string name() const = 0;
    virtual int elementCount() const = 0;
    virtual MixerElement element(int index) const = 0;
    // Channel 0 is the left (or only) channel, 1 the right. False when the value cannot be
    // read or written.
    virtual bool volume(int index, int channel, long &value) = 0;
    virtual bool setVolume(int index, int channel, long value) = 0;
    virtual bool switchOn(int index, bool &on) = 0;
    virtual bool setSwitch(int index, bool on) = 0;
    // Descriptors to watch; once one is ready, handleEvents takes in what changed.
    virtual std::vector<pollfd> pollDescriptors() = 0;
    virtual void handleEvents() = 0;
};

// ALSA's simple mixer on the "default" device; null when it cannot be opened.
std::unique_ptr<MixerDevice> openAlsaMixer(const std::string &device = "default");

// The mixer of the default output: with TONEBRIDGE_AUDIO set to "null" or "capture:..." a mixer in
// memory with one "Master" line (no sound card is touched), otherwise ALSA's "default" device;
// null when there is none.
std::unique_ptr<MixerDevice> openDefaultMixer();

} // namespace tb::audio
