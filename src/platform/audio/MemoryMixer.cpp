#include "MemoryMixer.h"

#include <fcntl.h>
#include <unistd.h>

namespace tb::audio {

MemoryMixer::MemoryMixer(std::string name, std::vector<Element> initial) : elements(std::move(initial)), name_(std::move(name))
{
    if (::pipe2(pipe_, O_NONBLOCK | O_CLOEXEC) != 0)
        pipe_[0] = pipe_[1] = -1;
}

MemoryMixer::~MemoryMixer()
{
    for (int fd : pipe_)
        if (fd >= 0)
            ::close(fd);
}

std::unique_ptr<MemoryMixer> MemoryMixer::loudspeaker()
{
    Element master;
    master.info = {"Master", true, false, 0, 65535, true};
    master.values = {65535, 65535};
    return std::make_unique<MemoryMixer>("Null Output", std::vector<Element>{master});
}

MemoryMixer::Element *MemoryMixer::find(int index)
{
    return index >= 0 && index < elementCount() ? &elements[static_cast<size_t>(index)] : nullptr;
}

bool MemoryMixer::volume(int index, int channel, long &value)
{
    Element *e = find(index);
    if (!e || !e->info.playbackVolume || e->failReads || channel < 0 || channel > 1)
        return false;
    value = e->values[e->info.mono ? 0 : static_cast<size_t>(channel)];
    return true;
}

bool MemoryMixer::setVolume(int index, int channel, long value)
{
    Element *e = find(index);
    if (!e || !e->info.playbackVolume || e->failWrites || channel < 0 || channel > 1)
        return false;
    e->values[e->info.mono ? 0 : static_cast<size_t>(channel)] = value;
    writes.push_back(e->info.name + "[" + std::to_string(channel) + "]=" + std::to_string(value));
    return true;
}

bool MemoryMixer::switchOn(int index, bool &on)
{
    Element *e = find(index);
    if (!e || !e->info.playbackSwitch || e->failReads)
        return false;
    on = e->on;
    return true;
}

bool MemoryMixer::setSwitch(int index, bool on)
{
    Element *e = find(index);
    if (!e || !e->info.playbackSwitch || e->failWrites)
        return false;
    e->on = on;
    writes.push_back(e->info.name + ".on=" + (on ? "1" : "0"));
    return true;
}

void MemoryMixer::announceChange()
{
    if (pipe_[1] >= 0) {
        char one = 1;
        [[maybe_unused]] ssize_t n = ::write(pipe_[1], &one, 1);
    }
}

std::vector<pollfd> MemoryMixer::pollDescriptors()
{
    if (pipe_[0] < 0)
        return {};
    return {pollfd{pipe_[0], POLLIN, 0}};
}

void MemoryMixer::handleEvents()
{
    char buffer[64];
    while (pipe_[0] >= 0 && ::read(pipe_[0], buffer, sizeof buffer) > 0) {
    }
    ++changesTakenIn_;
}

} // namespace tb::audio
