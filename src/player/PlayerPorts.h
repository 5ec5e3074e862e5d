// What the playback controller needs from the rest of the program, each as a narrow interface:
// the window, the sliders, the two polling timers and the three playback engines.
// The main window and the engine adapters provide them; tests provide recording doubles.
#pragma once

#include "convert/ConvertPorts.h"

#include <QString>
#include <cstdint>

namespace tb {

class TMMWave;

// A slider showing 0 to its maximum (prgPlay, trkVolume).
class SliderPort {
public:
    virtual ~SliderPort() = default;
    virtual int Value() const = 0;
    virtual void SetValue(int value) = 0;
    virtual int MaxValue() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
};

// The main window's part in playback.
class PlayerWindowPort {
public:
    virtual ~PlayerWindowPort() = default;
    virtual ConversionListPort &List(int32_t doWhat) = 0;
    virtual SliderPort &PositionSlider() = 0; // prgPlay
    // Tabs disabled with their captions grey; their own colours are kept for RestoreTabs.
    virtual void GreyTabs() = 0;
    virtual void RestoreTabs() = 0;
};

// A repeating 100 ms timer (sysTimer, wavTimer); its ticks reach the controller.
class PollTimer {
public:
    virtual ~PollTimer() = default;
    virtual void Start() = 0;
    virtual void Stop() = 0;
    virtual bool Active() const = 0;
};

// The playback decoder (mp3Player). Every call may raise. Its notifications reach the controller's
// mp3Player... handlers on the user-interface thread, in the order the decoder sent them.
class DecoderEngine {
public:
    virtual ~DecoderEngine() = default;
    virtual void InputOpen(const QString &path) = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual void Stop() = 0;
    virtual void OutputClose() = 0;
    virtual void InputClose() = 0;
    virtual void InputSeek(int offset, int range) = 0;
    // Asks for a Pong with the tag: everything the decoder reported before it is older news.
    virtual void Ping(uint32_t tag) = 0;
};

// The wave player (wavPlayer). Every call may raise; a call may let pending events through while
// it waits for the device.
class WaveEngine {
public:
    virtual ~WaveEngine() = default;
    // Its wave object; giving it a file name loads the file (and stops the player).
    virtual TMMWave &Wave() = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual void Restart() = 0;
    virtual void Stop() = 0;
    // Sets its wave to none, so the file is released.
    virtual void Unload() = 0;
    // The state flags: playing stays set while paused.
    virtual bool Playing() = 0;
    virtual bool Paused() = 0;
    virtual int64_t DurationMs() = 0;
    virtual int64_t PositionMs() = 0;
    virtual void SetPositionMs(int64_t position) = 0;
};

// The system media player (sysPlayer), in the terms of a media control interface. Every call may
// raise; Open may let pending events through while the file loads.
class SystemPlayer {
public:
    enum class Mode { Playing, Paused, Other };
    virtual ~SystemPlayer() = default;
    virtual void SetFileName(const QString &path) = 0;
    virtual void SetNotify(bool notify) = 0;
    virtual void Open() = 0;
    virtual void Close() = 0;
    // Plays from the start position when one was set since the last Play, else from where it is.
    virtual void Play() = 0;
    virtual void Stop() = 0;
    virtual void Pause() = 0;
    virtual void Resume() = 0;
    virtual void SetStartPosition(int64_t milliseconds) = 0;
    virtual void SetTimeFormatMilliseconds() = 0;
    virtual int64_t Length() = 0;
    virtual int64_t Position() = 0;
    virtual Mode GetMode() = 0;
};

} // namespace tb
