// The mixer component: it opens the system mixer, keeps a table of its lines with their volume,
// mute and peak-meter controls, reads and writes a line's volume and reports outside changes on
// the user-interface thread. tMsMixerSystem enumerates the mixer devices and their destination
// lines, to find which one is the loudspeaker output.
//
// On this platform a mixer device offers simple playback elements rather than destination and
// source lines, so the lines are laid out as follows: destination 0 is the loudspeaker element
// ("Master", else "Speaker", else the first element with a playback volume); every other playback
// element is one of its sources. Control identifiers are numbered per element.
#pragma once

#include "platform/audio/Mixer.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QSocketNotifier;

namespace tb {

struct TMixDetails {
    int16_t Destination = -1;  // -1 for the device entry
    int16_t SourceNumber = -1; // 0 for the destination line itself, s + 1 for its source s
    QString Name;
    uint32_t VolumeControl = 0xFFFF;
    uint32_t MuteControl = 0xFFFF;
    uint32_t PeakMeterControl = 0xFFFF;
    bool Mono = false;
    bool Speakers = false;
};

// Where the loudspeaker line and its sources lie among a device's elements.
struct SpeakerLayout {
    int speaker = -1;         // element of destination 0; -1 when the device has no destination
    std::vector<int> sources; // elements of its sources, in device order
    static SpeakerLayout Of(const audio::MixerDevice &device);
};

class TAudio {
public:
    using TMixerChangeEvent = std::function<void(TAudio *Sender, int Destination, int Source)>;
    using MixerOpener = std::function<std::unique_ptr<audio::MixerDevice>()>;
    static constexpr uint32_t NoControl = 0xFFFF;
    static constexpr int MixerDeviceID = 0;

    // Opens the mixer and builds the table; without a device the mixer is not ready.
    explicit TAudio(const MixerOpener &open = audio::openDefaultMixer);
    ~TAudio();
    TAudio(const TAudio &) = delete;
    TAudio &operator=(const TAudio &) = delete;

    bool Ready() const { return ready_; }
    const std::vector<TMixDetails> &Table() const { return table_; }

    // The names of the destination lines, each at the position of its destination number.
    QStringList DestinationNames() const;

    struct LineVolume {
        bool volumeRead = false;
        bool muteRead = false;
        bool mute = false;
        uint32_t left = 0, right = 0; // 0..65535
    };
    LineVolume GetLineVolume(int16_t destination, int16_t sourceNumber);
    bool SetLineVolume(int16_t destination, int16_t sourceNumber, bool mute, uint32_t left, uint32_t right);

    // Raised on the user-interface thread when the device reports a change made anywhere.
    TMixerChangeEvent OnMixerChange;

    // The open device (tests reach their double through it).
    audio::MixerDevice *Device() const { return device_.get(); }

private:
    struct Entry {
        TMixDetails details;
        int element = -1;
    };
    void BuildTable();
    void AddLine(int16_t destination, int16_t sourceNumber, int element, bool speakers);
    const Entry *Find(int16_t destination, int16_t sourceNumber) const;
    void WatchChanges();
    void DeviceChanged();

    std::unique_ptr<audio::MixerDevice> device_;
    std::vector<TMixDetails> table_;
    std::vector<Entry> entries_;
    bool ready_ = false;
    std::vector<std::unique_ptr<QSocketNotifier>> notifiers_;
};

// The device's own volume range mapped linearly onto 0..65535, and back.
uint32_t MixerValueFromDevice(long value, long minValue, long maxValue);
long DeviceValueFromMixer(uint32_t value, long minValue, long maxValue);

// Enumerates the mixer devices and their destination lines; lives only while the window decides
// which line is the loudspeaker output.
class tMsMixerSystem {
public:
    enum TComponentType { ctUndefined, ctSpeakers };
    struct Destination {
        QString FullName;
        TComponentType ComponentType = ctUndefined;
    };

    explicit tMsMixerSystem(const TAudio::MixerOpener &open = audio::openDefaultMixer);
    ~tMsMixerSystem();
    int DeviceCount() const { return device_ ? 1 : 0; }
    // The destination lines of device 0 (the only device there is).
    const std::vector<Destination> &Destinations() const { return destinations_; }

private:
    std::unique_ptr<audio::MixerDevice> device_;
    std::vector<Destination> destinations_;
};

} // namespace tb
