// Interface sounds: a complete RIFF WAVE file image kept in memory and played on the wave
// output. All players share one sound channel, as the desktop's simple sound call does: a new
// sound ends the one still playing.
#pragma once

#include "platform/audio/WaveOutDevice.h"

#include <QByteArray>
#include <QObject>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

namespace tb {

// The PCM format and samples of a wave image; invalid when the image is not plain 8- or 16-bit
// PCM or its chunks do not fit inside it.
struct WaveImage {
    audio::PcmFormat format;
    QByteArray samples;
    bool valid = false;
    static WaveImage parse(const QByteArray &riff);
};

enum TWavePlayerOption : unsigned {
    wpoSync = 0x01,      // return once the sound has ended
    wpoAsync = 0x02,     // return at once
    wpoNoDefault = 0x04, // never fall back to a default sound (there is none here)
    wpoLoop = 0x08,      // repeat until another sound or Stop
    wpoNoStop = 0x10,    // leave a sound that is still playing alone and play nothing
};
using TWavePlayerOptions = unsigned;

// The one channel sounds go out on. Opens the wave output for a sound and closes it once the
// sound has ended, so the device is not held while the program is quiet.
class SoundChannel : public QObject {
    Q_OBJECT
public:
    using SinkFactory = std::function<std::unique_ptr<audio::AudioSink>(const audio::PcmFormat &)>;
    // The default sink unless a factory is given (tests capture what is played).
    explicit SoundChannel(SinkFactory sinks = {});
    ~SoundChannel() override;

    // The channel every player uses unless told otherwise.
    static SoundChannel &shared();

    // Plays the sound; returns false when nothing was started (invalid image, or wpoNoStop while
    // a sound plays).
    bool play(const WaveImage &sound, TWavePlayerOptions options);
    void stop();
    bool playing() const;
    // How many sounds were started, for those who watch the channel.
    int started() const { return started_; }

private:
    void finished(uint64_t generation);

    SinkFactory sinks_;
    std::unique_ptr<audio::WaveOutDevice> device_;
    WaveImage current_;
    bool loop_ = false;
    int started_ = 0;
    // Written by the device's worker thread when a buffer is done, read here.
    mutable std::mutex lock_;
    std::condition_variable ended_;
    uint64_t generation_ = 0;
    unsigned outstanding_ = 0;
};

class TepWavePlayer : public QObject {
    Q_OBJECT
public:
    using TNotifyEvent = std::function<void(TepWavePlayer *Sender)>;

    explicit TepWavePlayer(const QString &name, QObject *parent = nullptr);
    // Ends whatever sound this player started.
    ~TepWavePlayer() override;

    const QByteArray &Wave() const { return wave_; }
    void setWave(const QByteArray &wave);
    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled) { enabled_ = enabled; }
    TWavePlayerOptions Options() const { return options_; }
    void setOptions(TWavePlayerOptions options) { options_ = options; }
    void setChannel(SoundChannel *channel) { channel_ = channel; }

    // BeforePlay, the sound when enabled, AfterPlay.
    void Play();
    void Stop();

    TNotifyEvent BeforePlay;
    TNotifyEvent AfterPlay;

private:
    SoundChannel &channel() const { return channel_ ? *channel_ : SoundChannel::shared(); }

    QByteArray wave_;
    WaveImage parsed_;
    bool enabled_ = true;
    TWavePlayerOptions options_ = wpoSync;
    SoundChannel *channel_ = nullptr;
    bool startedOne_ = false;
};

} // namespace tb
