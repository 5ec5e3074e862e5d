#include "Audio.h"

#include "Rounding.h"

#include <QSocketNotifier>

namespace tb {

SpeakerLayout SpeakerLayout::Of(const audio::MixerDevice &device)
{
    SpeakerLayout layout;
    const int count = device.elementCount();
    std::vector<audio::MixerElement> elements;
    for (int i = 0; i < count; ++i)
        elements.push_back(device.element(i));
    for (const char *preferred : {"Master", "Speaker"}) {
        for (int i = 0; i < count && layout.speaker < 0; ++i)
            if (elements[size_t(i)].playbackVolume && elements[size_t(i)].name == preferred)
                layout.speaker = i;
    }
    for (int i = 0; i < count && layout.speaker < 0; ++i)
        if (elements[size_t(i)].playbackVolume)
            layout.speaker = i;
    if (layout.speaker < 0)
        return layout;
    for (int i = 0; i < count; ++i)
        if (i != layout.speaker && (elements[size_t(i)].playbackVolume || elements[size_t(i)].playbackSwitch))
            layout.sources.push_back(i);
    return layout;
}

uint32_t MixerValueFromDevice(long value, long minValue, long maxValue)
{
    if (maxValue <= minValue)
        return 0;
    if (value <= minValue)
        return 0;
    if (value >= maxValue)
        return 65535;
    return static_cast<uint32_t>(RoundRatio(int64_t(value - minValue) * 65535, int64_t(maxValue - minValue)));
}

long DeviceValueFromMixer(uint32_t value, long minValue, long maxValue)
{
    if (maxValue <= minValue)
        return minValue;
    const int64_t v = value > 65535 ? 65535 : value;
    return minValue + static_cast<long>(RoundRatio(v * int64_t(maxValue - minValue), 65535));
}

TAudio::TAudio(const MixerOpener &open) : device_(open ? open() : nullptr)
{
    if (!device_)
        return;
    BuildTable();
    if (ready_)
        WatchChanges();
}

TAudio::~TAudio() = default;

void TAudio::AddLine(int16_t destination, int16_t sourceNumber, int element, bool speakers)
{
    Entry entry;
    entry.element = element;
    TMixDetails &d = entry.details;
    d.Destination = destination;
    d.SourceNumber = sourceNumber;
    d.Speakers = speakers;
    const audio::MixerElement info = device_->element(element);
    d.Name = QString::fromStdString(info.name);
    // Two controls per element: its volume, and its switch as the mute control.
    const uint32_t first = static_cast<uint32_t>(element) * 2 + 1;
    if (info.playbackVolume) {
        d.VolumeControl = first;
        d.Mono = info.mono;
    }
    if (info.playbackSwitch)
        d.MuteControl = first + 1;
    entries_.push_back(entry);
}

void TAudio::BuildTable()
{
    Entry device;
    device.details.Name = QString::fromStdString(device_->name());
    entries_.push_back(device);
    const SpeakerLayout layout = SpeakerLayout::Of(*device_);
    if (layout.speaker < 0) {
        // A device without destinations is not ready.
        entries_.clear();
        return;
    }
    AddLine(0, 0, layout.speaker, true);
    for (size_t s = 0; s < layout.sources.size(); ++s)
        AddLine(0, static_cast<int16_t>(s + 1), layout.sources[s], true);
    for (const Entry &e : entries_)
        table_.push_back(e.details);
    ready_ = true;
}

QStringList TAudio::DestinationNames() const
{
    QStringList names;
    if (!ready_)
        return names;
    for (const TMixDetails &d : table_) {
        if (d.SourceNumber != 0 || d.Destination < 0)
            continue;
        while (names.size() <= d.Destination)
            names << QString();
        names[d.Destination] = d.Name;
    }
    return names;
}

const TAudio::Entry *TAudio::Find(int16_t destination, int16_t sourceNumber) const
{
    if (!ready_)
        return nullptr;
    for (const Entry &e : entries_)
        if (e.details.Destination == destination && e.details.SourceNumber == sourceNumber && e.element >= 0)
            return &e;
    return nullptr;
}

TAudio::LineVolume TAudio::GetLineVolume(int16_t destination, int16_t sourceNumber)
{
    LineVolume result;
    const Entry *entry = Find(destination, sourceNumber);
    if (!entry || entry->details.VolumeControl == NoControl)
        return result;
    const audio::MixerElement info = device_->element(entry->element);
    long left = 0, right = 0;
    if (!device_->volume(entry->element, 0, left))
        return result;
    if (entry->details.Mono)
        right = left;
    else if (!device_->volume(entry->element, 1, right))
        return result;
    result.volumeRead = true;
    result.left = MixerValueFromDevice(left, info.minVolume, info.maxVolume);
    result.right = MixerValueFromDevice(right, info.minVolume, info.maxVolume);
    bool on = true;
    if (entry->details.MuteControl != NoControl && device_->switchOn(entry->element, on)) {
        result.muteRead = true;
        result.mute = !on;
    }
    return result;
}

bool TAudio::SetLineVolume(int16_t destination, int16_t sourceNumber, bool mute, uint32_t left, uint32_t right)
{
    const Entry *entry = Find(destination, sourceNumber);
    if (!entry)
        return false;
    bool ok = true;
    if (entry->details.VolumeControl != NoControl) {
        const audio::MixerElement info = device_->element(entry->element);
        ok = device_->setVolume(entry->element, 0, DeviceValueFromMixer(left, info.minVolume, info.maxVolume));
        if (ok && !entry->details.Mono)
            ok = device_->setVolume(entry->element, 1, DeviceValueFromMixer(right, info.minVolume, info.maxVolume));
    }
    if (ok && entry->details.MuteControl != NoControl) {
        // The switch is written only when it differs, so an unchanged mute is left as it was.
        bool on = true;
        if (!device_->switchOn(entry->element, on))
            ok = false;
        else if (on == mute)
            ok = device_->setSwitch(entry->element, !mute);
    }
    return ok;
}

void TAudio::WatchChanges()
{
    for (const pollfd &fd : device_->pollDescriptors()) {
        const QSocketNotifier::Type type = (fd.events & POLLOUT) ? QSocketNotifier::Write : QSocketNotifier::Read;
        auto notifier = std::make_unique<QSocketNotifier>(fd.fd, type);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, [this] { DeviceChanged(); });
        notifiers_.push_back(std::move(notifier));
    }
}

void TAudio::DeviceChanged()
{
    device_->handleEvents();
    if (OnMixerChange)
        OnMixerChange(this, 0, 0);
}

tMsMixerSystem::tMsMixerSystem(const TAudio::MixerOpener &open) : device_(open ? open() : nullptr)
{
    if (!device_)
        return;
    const SpeakerLayout layout = SpeakerLayout::Of(*device_);
    if (layout.speaker >= 0)
        destinations_.push_back({QString::fromStdString(device_->element(layout.speaker).name), ctSpeakers});
}

tMsMixerSystem::~tMsMixerSystem() = default;

} // namespace tb
