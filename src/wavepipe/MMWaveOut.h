// The wave output: the driver of a wave chain that plays the chain's data on the wave output
// device. A ring of buffers stays queued at the device; each buffer the device finishes is
// refilled from upstream at once. The device reports through a notification window on the main
// thread, where every refill, conversion and file read of the chain runs.
#pragma once

#include "platform/MessageWindow.h"
#include "platform/audio/WaveOutDevice.h"
#include "wavepipe/MMDSPComponent.h"

#include <QString>
#include <QTimer>

#include <array>
#include <functional>
#include <memory>
#include <mutex>

namespace tb {

using TMMDeviceId = int32_t;
constexpr TMMDeviceId MapperId = -1;
constexpr TMMDeviceId badDeviceId = -2;

enum TMMCBMode { cmWindow, cmCallback, cmThread };

// The state set of the wave output.
enum TMMWaveOutState : uint32_t { wosClosed = 1, wosOpen = 2, wosPlay = 4, wosPause = 8 };

class TMMWaveOut : public TMMCustomSoundComponent {
public:
    using TNotifyEvent = std::function<void(TMMDSPComponent *Sender)>;

    // Notices of the device and the internal stop request, as window messages.
    static constexpr uint32_t MM_WOM_OPEN = 0x3BB;
    static constexpr uint32_t MM_WOM_CLOSE = 0x3BC;
    static constexpr uint32_t MM_WOM_DONE = 0x3BD;
    static constexpr uint32_t MM_WOM_STOP = 0x8001;
    static constexpr int32_t MaxBuffers = 500;

    TMMWaveOut();
    ~TMMWaveOut() override;

    TMMDeviceId DeviceID() const { return deviceId_; }
    void SetDeviceID(TMMDeviceId value);
    const QString &ProductName() const { return productName_; }
    uint32_t DriverVersion() const { return driverVersion_; }
    TMMCBMode CallBackMode() const { return callBackMode_; }
    void SetCallBackMode(TMMCBMode value);
    int32_t NumBuffers() const { return numBuffers_; }
    void SetNumBuffers(int32_t value);
    void SetBufferSize(int32_t value) override;
    TMMTimeFormats TimeFormat() const { return timeFormat_; }
    void SetTimeFormat(TMMTimeFormats value) { timeFormat_ = value; }
    bool Looping() const { return looping_; }
    void SetLooping(bool value) { looping_ = value; }
    uint16_t LoopCount() const { return loopCount_; }
    void SetLoopCount(uint16_t value) { loopCount_ = value; }
    bool ShowHourGlass = true;

    uint32_t State() const { return state_; }
    // The played position in TimeFormat since Start or the last reset.
    int64_t Position() const;
    // Bytes of the buffers the device finished since Start.
    uint32_t BytesPlayed() const { return bytesPlayed_; }
    // Whether the device takes this format.
    bool CanPlay(const WAVEFORMATEX *format) const;
    // True while a walk hands the chain's own operations to the other components.
    bool Walking() const { return walking_ > 0; }
    MessageWindow &NotificationWindow() { return *window_; }

    void Open() override { DeviceOpen(); }
    void Close() override { DeviceClose(); }
    void Start() override { DeviceStart(); }
    void Pause() override { DevicePause(); }
    void Restart() override { DeviceRestart(); }
    void Stop() override { DeviceStop(); }
    void SetPWaveFormat(const WAVEFORMATEX *format) override;
    // Buffers pushed from upstream are not for the output.
    void BufferReady(PWaveHdr) override {}

    virtual void DeviceOpen();
    // Never raises: failures are reported through OnError and swallowed.
    virtual void DeviceClose();
    // Discards what is queued and refills from the source's current position.
    virtual void DeviceReset();
    virtual void DeviceStart();
    virtual void DevicePause();
    virtual void DeviceRestart();
    virtual void DeviceStop();

    TNotifyEvent OnError, OnOpen, OnStart, OnPause, OnRestart, OnStop, OnClose;
    TMMBufferEvent OnBufferFilled;

protected:
    void RaiseError(const QString &message) override;

private:
    class Walk;
    void WindowProc(uint32_t msg, uintptr_t wparam, intptr_t lparam);
    void BufferDone(uintptr_t tag);
    void HandleDone(); // steps 2 to 7 of a done notice: the ring moves on and refills
    int64_t Refill(PWaveHdr header);
    void Write(PWaveHdr header, int index);
    // The last buffer came back: the stop request follows once the device has played it all.
    void StopWhenPlayed();
    void IssueStop();
    void ReleaseBuffers();
    void FreeAllBuffers();
    // Waits in slices of 10 ms that keep the main thread's events flowing; false when
    // maxSlices ran out before done() held.
    bool WaitSlices(const std::function<bool()> &done, int maxSlices);
    void RaiseDeviceError(const char *operation, const QString &text);
    void FireError();
    void CheckClosed();
    bool IsOpen() const { return state_ & wosOpen; }
    bool IsPlaying() const { return state_ & wosPlay; }
    bool IsPaused() const { return state_ & wosPause; }

    std::unique_ptr<QtMessageWindow> window_;
    TMMDeviceId deviceId_ = 0;
    std::unique_ptr<audio::WaveOutDevice> device_;
    uintptr_t handle_ = 0; // names the open device in its notices; 0 without one
    uintptr_t lastHandle_ = 0;
    uint32_t state_ = wosClosed;
    std::array<PWaveHdr, MaxBuffers> buffers_{};
    int32_t ringIndex_ = 0;
    TMMCBMode callBackMode_ = cmWindow;
    int32_t deviceCount_ = 0;
    QString productName_;
    uint32_t driverVersion_ = 0;
    int32_t inHandler_ = 0;
    bool stopping_ = false;
    bool closeRequested_ = false;
    bool stopIssued_ = false;
    bool closing_ = false;
    bool resetting_ = false;
    bool looping_ = false;
    uint16_t loopCount_ = 0;
    uint32_t bytesPlayed_ = 0;
    bool more_ = false;
    int32_t numBuffers_ = 10;
    int32_t buffersInUse_ = 0;
    int32_t queued_ = 0;
    TMMTimeFormats timeFormat_ = tfByte;
    int walking_ = 0;
    uint64_t framesWritten_ = 0; // handed to the device since Start or the last reset
    int drainSlices_ = 0;
    QTimer drainTimer_;
    std::mutex lock_;
};

} // namespace tb
