#include "Mixer.h"

#include "MemoryMixer.h"

#include <alsa/asoundlib.h>

#include <cstdlib>
#include <cstring>

namespace tb::audio {

namespace {

class AlsaMixer : public MixerDevice {
public:
    AlsaMixer(snd_mixer_t *handle, std::string name) : handle_(handle), name_(std::move(name))
    {
        for (snd_mixer_elem_t *e = snd_mixer_first_elem(handle_); e; e = snd_mixer_elem_next(e))
            if (snd_mixer_selem_is_active(e))
                elements_.push_back(e);
    }
    ~AlsaMixer() override { snd_mixer_close(handle_); }

    std::string name() const override { return name_; }
    int elementCount() const override { return static_cast<int>(elements_.size()); }

    MixerElement element(int index) const override
    {
        MixerElement info;
        snd_mixer_elem_t *e = at(index);
        if (!e)
            return info;
        info.name = snd_mixer_selem_get_name(e);
        info.playbackVolume = snd_mixer_selem_has_playback_volume(e) != 0;
        info.mono = snd_mixer_selem_is_playback_mono(e) != 0;
        if (info.playbackVolume)
            snd_mixer_selem_get_playback_volume_range(e, &info.minVolume, &info.maxVolume);
        info.playbackSwitch = snd_mixer_selem_has_playback_switch(e) != 0;
        return info;
    }

    bool volume(int index, int channel, long &value) override
    {
        snd_mixer_elem_t *e = at(index);
        return e && snd_mixer_selem_has_playback_volume(e) &&
               snd_mixer_selem_get_playback_volume(e, channelOf(e, channel), &value) == 0;
    }

    bool setVolume(int index, int channel, long value) override
    {
        snd_mixer_elem_t *e = at(index);
        return e && snd_mixer_selem_has_playback_volume(e) &&
               snd_mixer_selem_set_playback_volume(e, channelOf(e, channel), value) == 0;
    }

    bool switchOn(int index, bool &on) override
    {
        snd_mixer_elem_t *e = at(index);
        int value = 0;
        if (!e || !snd_mixer_selem_has_playback_switch(e) ||
            snd_mixer_selem_get_playback_switch(e, channelOf(e, 0), &value) != 0)
            return false;
        on = value != 0;
        return true;
    }

    bool setSwitch(int index, bool on) override
    {
        snd_mixer_elem_t *e = at(index);
        return e && snd_mixer_selem_has_playback_switch(e) &&
               snd_mixer_selem_set_playback_switch_all(e, on ? 1 : 0) == 0;
    }

    std::vector<pollfd> pollDescriptors() override
    {
        int count = snd_mixer_poll_descriptors_count(handle_);
        if (count <= 0)
            return {};
        std::vector<pollfd> fds(static_cast<size_t>(count));
        int filled = snd_mixer_poll_descriptors(handle_, fds.data(), static_cast<unsigned>(count));
        fds.resize(filled > 0 ? static_cast<size_t>(filled) : 0);
        return fds;
    }

    void handleEvents() override { snd_mixer_handle_events(handle_); }

private:
    snd_mixer_elem_t *at(int index) const
    {
        return index >= 0 && index < elementCount() ? elements_[static_cast<size_t>(index)] : nullptr;
    }
    static snd_mixer_selem_channel_id_t channelOf(snd_mixer_elem_t *e, int channel)
    {
        if (snd_mixer_selem_is_playback_mono(e))
            return SND_MIXER_SCHN_MONO;
        return channel == 1 ? SND_MIXER_SCHN_FRONT_RIGHT : SND_MIXER_SCHN_FRONT_LEFT;
    }

    snd_mixer_t *handle_;
    std::string name_;
    std::vector<snd_mixer_elem_t *> elements_;
};

// The product name of the device behind the control interface, or the device's own name.
std::string productName(const std::string &device)
{
    std::string name = device;
    snd_ctl_t *ctl = nullptr;
    if (snd_ctl_open(&ctl, device.c_str(), SND_CTL_NONBLOCK) == 0) {
        snd_ctl_card_info_t *info = nullptr;
        if (snd_ctl_card_info_malloc(&info) == 0) {
            if (snd_ctl_card_info(ctl, info) == 0 && std::strlen(snd_ctl_card_info_get_name(info)) > 0)
                name = snd_ctl_card_info_get_name(info);
            snd_ctl_card_info_free(info);
        }
        snd_ctl_close(ctl);
    }
    return name;
}

} // namespace

std::unique_ptr<MixerDevice> openAlsaMixer(const std::string &device)
{
    snd_mixer_t *handle = nullptr;
    if (snd_mixer_open(&handle, 0) != 0)
        return nullptr;
    if (snd_mixer_attach(handle, device.c_str()) != 0 || snd_mixer_selem_register(handle, nullptr, nullptr) != 0 ||
        snd_mixer_load(handle) != 0) {
        snd_mixer_close(handle);
        return nullptr;
    }
    return std::make_unique<AlsaMixer>(handle, productName(device));
}

std::unique_ptr<MixerDevice> openDefaultMixer()
{
    const char *choice = std::getenv("TONEBRIDGE_AUDIO");
    if (choice && (std::strcmp(choice, "null") == 0 || std::strncmp(choice, "capture:", 8) == 0))
        return MemoryMixer::loudspeaker();
    return openAlsaMixer("default");
}

} // namespace tb::audio
