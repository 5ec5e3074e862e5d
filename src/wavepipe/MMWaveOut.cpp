#include "wavepipe/MMWaveOut.h"

#include "platform/BusyCursor.h"
#include "platform/ErrorReport.h"
#include "platform/audio/AudioSink.h"
#include "wavepipe/MMErrors.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QTimer>

#include <algorithm>

namespace tb {

namespace {

constexpr int OpenCloseSlices = 500;
constexpr int ResetSlices = 100;
constexpr int DoneBitSpins = 65000;

QString prefixed(const char *operation, const QString &text)
{
    return QString::fromLatin1(operation) + QStringLiteral(":\n\r") + text;
}

// The standard-format flag for a PCM format, or -1 when it has none.
int standardFlag(const WAVEFORMATEX &f)
{
    const uint32_t rate = f.nSamplesPerSec & 0xFFFF;
    int band = -1;
    if (rate >= 8000 && rate <= 11025)
        band = 0;
    else if (rate >= 11026 && rate <= 22050)
        band = 1;
    else if (rate >= 22051 && rate <= 48000)
        band = 2;
    if (band < 0 || (f.nChannels != 1 && f.nChannels != 2) || (f.wBitsPerSample != 8 && f.wBitsPerSample != 16))
        return -1;
    return 4 * band + (f.wBitsPerSample == 16 ? 2 : 0) + (f.nChannels == 2 ? 1 : 0);
}

} // namespace

// Marks the chain's own operations while a walk hands them on.
class TMMWaveOut::Walk {
public:
    explicit Walk(TMMWaveOut &out) : out_(out) { ++out_.walking_; }
    ~Walk() { --out_.walking_; }

private:
    TMMWaveOut &out_;
};

TMMWaveOut::TMMWaveOut() : window_(std::make_unique<QtMessageWindow>())
{
    window_->setHandler([this](uint32_t msg, uintptr_t wparam, intptr_t lparam) { WindowProc(msg, wparam, lparam); });
    drainTimer_.setSingleShot(true);
    drainTimer_.setInterval(10);
    QObject::connect(&drainTimer_, &QTimer::timeout, [this] { StopWhenPlayed(); });
    // The default output is always there: a sound server, a sound card or the null device.
    deviceCount_ = 1;
    SetDeviceID(0);
}

TMMWaveOut::~TMMWaveOut()
{
    MarkDestroying();
    DeviceClose();
    FreeAllBuffers();
    window_->setHandler(nullptr);
}

void TMMWaveOut::RaiseError(const QString &message)
{
    if (OnError)
        OnError(this);
    throw EMMWaveOutError(message);
}

void TMMWaveOut::RaiseDeviceError(const char *operation, const QString &text)
{
    RaiseError(prefixed(operation, text.isEmpty() ? MMMessageText(MMMessage::UnknownDeviceError) : text));
}

void TMMWaveOut::FireError()
{
    if (OnError)
        OnError(this);
}

void TMMWaveOut::CheckClosed()
{
    if (IsOpen())
        RaiseError(MMMessageText(MMMessage::PropertyChangeWhileOpen));
}

void TMMWaveOut::SetDeviceID(TMMDeviceId value)
{
    CheckClosed();
    productName_ = MMMessageText(MMMessage::NoWaveOutDevice);
    driverVersion_ = 0;
    const bool valid = value >= MapperId && value < deviceCount_;
    if (deviceCount_ > 0 && valid) {
        const audio::OutputCaps caps = audio::defaultOutputCaps();
        productName_ = QString::fromStdString(caps.productName);
        driverVersion_ = caps.driverVersion;
    }
    deviceId_ = valid ? value : badDeviceId;
}

void TMMWaveOut::SetCallBackMode(TMMCBMode value)
{
    CheckClosed();
    callBackMode_ = value;
}

void TMMWaveOut::SetNumBuffers(int32_t value)
{
    CheckClosed();
    if (value < 2)
        return;
    numBuffers_ = std::min(value, MaxBuffers);
}

void TMMWaveOut::SetBufferSize(int32_t value)
{
    CheckClosed();
    TMMCustomSoundComponent::SetBufferSize(std::max(value, 32));
}

void TMMWaveOut::SetPWaveFormat(const WAVEFORMATEX *format)
{
    DeviceClose();
    TMMCustomSoundComponent::SetPWaveFormat(format);
}

bool TMMWaveOut::CanPlay(const WAVEFORMATEX *format) const
{
    if (!format || deviceId_ < MapperId || deviceId_ >= deviceCount_)
        return false;
    // The device plays integer PCM only; the query answers for everything else.
    if (format->wFormatTag != WAVE_FORMAT_PCM)
        return false;
    if (!audio::defaultOutputTakes({format->nSamplesPerSec, format->nChannels, format->wBitsPerSample}))
        return false;
    const int flag = standardFlag(*format);
    if (flag < 0)
        return true;
    return audio::defaultOutputCaps().standardFormats & (1u << flag);
}

int64_t TMMWaveOut::Position() const
{
    const WAVEFORMATEX *format = PWaveFormat();
    if (!IsOpen() || !format || closing_ || !device_)
        return 0;
    return wioSamplesToTime(*format, int64_t(device_->position()), timeFormat_);
}

bool TMMWaveOut::WaitSlices(const std::function<bool()> &done, int maxSlices)
{
    QCoreApplication::processEvents();
    for (int slice = 0; !done(); ++slice) {
        if (slice >= maxSlices)
            return false;
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

void TMMWaveOut::WindowProc(uint32_t msg, uintptr_t wparam, intptr_t lparam)
{
    // Notices of a device closed meanwhile name another handle and are left alone.
    if (wparam != handle_ || handle_ == 0)
        return;
    try {
        switch (msg) {
        case MM_WOM_OPEN: state_ = wosOpen; break;
        case MM_WOM_CLOSE: state_ = wosClosed; break;
        case MM_WOM_DONE: BufferDone(uintptr_t(lparam)); break;
        case MM_WOM_STOP: DeviceStop(); break;
        default: break;
        }
    } catch (const std::exception &error) {
        // Our own errors were reported when raised; those of the chain are reported here.
        if (!dynamic_cast<const EMMWaveOutError *>(&error))
            FireError();
        DeviceClose();
        ErrorReport::report(error);
    }
}

void TMMWaveOut::BufferDone(uintptr_t tag)
{
    {
        std::lock_guard<std::mutex> hold(lock_);
        --queued_;
    }
    if (tag < buffers_.size() && buffers_[tag])
        buffers_[tag]->dwFlags |= WHDR_DONE;
    if (resetting_) {
        if (queued_ <= 0)
            resetting_ = false;
        return;
    }
    if (stopIssued_ || !IsPlaying())
        return;
    HandleDone();
}

void TMMWaveOut::HandleDone()
{
    ++inHandler_;
    auto finish = [this] {
        --inHandler_;
        if (inHandler_ == 0 && (stopping_ || queued_ <= 0)) {
            if (stopping_) {
                IssueStop();
            } else {
                drainSlices_ = 0;
                StopWhenPlayed();
            }
        }
    };
    try {
        if (buffersInUse_ > 0) {
            PWaveHdr finished = buffers_[size_t(ringIndex_)];
            {
                std::lock_guard<std::mutex> hold(lock_);
                bytesPlayed_ += finished->dwBufferLength;
            }
            const int index = ringIndex_;
            ringIndex_ = (ringIndex_ + 1) % buffersInUse_;
            finished->lpNextRing = buffers_[size_t(ringIndex_)];
            TMMDSPComponent::BufferReady(finished);
            if (more_ && !stopping_) {
                // A refill that brings nothing ends the data like a last buffer does.
                if (Refill(finished) > 0 && !stopping_)
                    Write(finished, index);
            }
        }
    } catch (...) {
        try {
            finish();
        } catch (...) {
        }
        throw;
    }
    finish();
}

void TMMWaveOut::IssueStop()
{
    drainTimer_.stop();
    stopIssued_ = true;
    if (device_)
        device_->pause();
    window_->post(MM_WOM_STOP, handle_, 0);
}

// A buffer counts as done once the device has taken it, which is up to its latency before it is
// heard; stopping then would cut off the end of the sound.
void TMMWaveOut::StopWhenPlayed()
{
    if (!device_ || !IsPlaying() || stopIssued_ || stopping_ || queued_ > 0)
        return; // stopped, or refilled by a reset meanwhile
    const WAVEFORMATEX *format = PWaveFormat();
    const uint64_t played = device_->position();
    // The guard only covers a device that stops counting: latency plus a second.
    const int limit = format && format->nSamplesPerSec
                          ? int((framesWritten_ - std::min(played, framesWritten_)) * 100 / format->nSamplesPerSec) + 100
                          : 0;
    if (played >= framesWritten_ || drainSlices_ > limit) {
        IssueStop();
        return;
    }
    if (!IsPaused())
        ++drainSlices_;
    drainTimer_.start();
}

int64_t TMMWaveOut::Refill(PWaveHdr header)
{
    more_ = false;
    header->dwBufferLength = uint32_t(BufferSize());
    header->dwBytesRecorded = 0;
    header->looping = 0;
    header->loopCount = 0;
    header->loopsLeft = 0;
    header->wrapped = 0;
    TMMDSPComponent::BufferLoad(header, more_);
    header->dwBytesRecorded = std::min<uint32_t>(header->dwBytesRecorded, uint32_t(BufferSize()));
    header->dwBufferLength = header->dwBytesRecorded;
    const int64_t n = header->dwBytesRecorded;
    if (n <= 0)
        more_ = false;
    return n;
}

void TMMWaveOut::Write(PWaveHdr header, int index)
{
    if (OnBufferFilled)
        OnBufferFilled(this, header);
    if (stopIssued_)
        return;
    header->dwFlags = WHDR_PREPARED;
    device_->write(header->lpData, header->dwBufferLength, uintptr_t(index));
    if (const WAVEFORMATEX *format = PWaveFormat(); format && format->nBlockAlign)
        framesWritten_ += header->dwBufferLength / format->nBlockAlign;
    std::lock_guard<std::mutex> hold(lock_);
    ++queued_;
}

void TMMWaveOut::DeviceOpen()
{
    if (deviceCount_ <= 0)
        RaiseError(MMMessageText(MMMessage::NoWaveOutDevice));
    if (deviceId_ == badDeviceId)
        RaiseError(MMMessageText(MMMessage::InvalidDeviceID));
    if (!PWaveFormat())
        RaiseDeviceError("WaveOutOpen", MMMessageText(MMMessage::InvalidWaveFormat));
    if (IsOpen())
        DeviceClose();
    if (IsOpen() || closing_)
        return;
    closing_ = false;
    resetting_ = false;
    stopIssued_ = false;
    try {
        const WAVEFORMATEX &format = *PWaveFormat();
        if (!CanPlay(&format))
            RaiseDeviceError("WaveOutOpen", MMMessageText(MMMessage::CannotPlayFormat));
        handle_ = 0;
        closeRequested_ = false;
        {
            Walk walk(*this);
            TMMCustomSoundComponent::Open();
        }
        // The chain may have changed the format while it opened.
        if (!PWaveFormat())
            RaiseDeviceError("WaveOutOpen", MMMessageText(MMMessage::InvalidWaveFormat));
        const audio::PcmFormat pcm{PWaveFormat()->nSamplesPerSec, PWaveFormat()->nChannels,
                                   PWaveFormat()->wBitsPerSample};
        const uintptr_t handle = ++lastHandle_;
        MessageWindow *window = window_.get();
        // The device's worker thread only posts; everything else happens here.
        try {
            device_ = std::make_unique<audio::WaveOutDevice>(
                pcm, [window, handle](uintptr_t tag) { window->post(MM_WOM_DONE, handle, intptr_t(tag)); });
        } catch (const std::exception &error) {
            RaiseDeviceError("WaveOutOpen", QString::fromLocal8Bit(error.what()));
        }
        handle_ = handle;
        window_->post(MM_WOM_OPEN, handle_, 0);
        if (!WaitSlices([this] { return IsOpen(); }, OpenCloseSlices))
            RaiseDeviceError("WaveOutOpen", MMMessageText(MMMessage::UnableToOpenDevice));
        if (OnOpen)
            OnOpen(this);
    } catch (const std::exception &error) {
        if (!dynamic_cast<const EMMWaveOutError *>(&error))
            FireError();
        state_ = wosOpen;
        DeviceClose();
        state_ = wosClosed;
        throw;
    }
}

void TMMWaveOut::DeviceStart()
{
    if (!IsOpen())
        DeviceOpen();
    if (!IsOpen() || IsPlaying())
        return;
    try {
        bytesPlayed_ = 0;
        inHandler_ = 0;
        stopping_ = false;
        resetting_ = false;
        stopIssued_ = false;
        ringIndex_ = 0;
        queued_ = 0;
        framesWritten_ = 0;
        int written = 0;
        {
            std::unique_ptr<BusyCursor> busy;
            QtCursorControl cursor;
            if (ShowHourGlass && int64_t(BufferSize()) * numBuffers_ > 100000 &&
                qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
                busy = std::make_unique<BusyCursor>(cursor);
            device_->pause(); // the buffers queue silently
            {
                Walk walk(*this);
                TMMCustomSoundComponent::Start();
            }
            more_ = true;
            for (int i = 0; i < numBuffers_ && more_; ++i) {
                if (!buffers_[size_t(i)])
                    buffers_[size_t(i)] = AllocWaveHeader(BufferSize());
                buffers_[size_t(i)]->dwFlags = WHDR_PREPARED;
                if (Refill(buffers_[size_t(i)]) <= 0)
                    break;
                Write(buffers_[size_t(i)], i);
                ++written;
            }
            buffersInUse_ = written;
            state_ |= wosPlay;
        }
        if (written == 0) {
            {
                Walk walk(*this);
                TMMCustomSoundComponent::Stop();
            }
            RaiseDeviceError("WaveOutStart", MMMessageText(MMMessage::UnableToStartDevice));
        }
        if (!IsPaused())
            device_->restart();
        if (OnStart)
            OnStart(this);
    } catch (const std::exception &error) {
        if (!dynamic_cast<const EMMWaveOutError *>(&error))
            FireError();
        state_ |= wosPlay;
        DeviceClose();
        state_ = wosClosed;
        throw;
    }
}

void TMMWaveOut::ReleaseBuffers()
{
    for (int i = 0; i < buffersInUse_; ++i) {
        PWaveHdr h = buffers_[size_t(i)];
        if (!h)
            continue;
        // The device returned everything at its reset; the spin only guards a late notice.
        for (int spin = 0; spin < DoneBitSpins && !(h->dwFlags & WHDR_DONE) && queued_ > 0; ++spin)
            QCoreApplication::processEvents();
        h->dwFlags = 0;
    }
    FreeAllBuffers();
}

void TMMWaveOut::FreeAllBuffers()
{
    for (PWaveHdr &h : buffers_) {
        if (h)
            FreeWaveHeader(h);
        h = nullptr;
    }
}

void TMMWaveOut::DeviceStop()
{
    if (!IsPlaying() && !IsPaused())
        return;
    try {
        {
            std::lock_guard<std::mutex> hold(lock_);
            stopIssued_ = true;
            resetting_ = queued_ > 0;
        }
        // Every queued buffer comes back with a done notice, counted while resetting.
        device_->reset();
        if (inHandler_ > 0) {
            stopping_ = true;
            return;
        }
        state_ &= ~uint32_t(wosPlay | wosPause);
        drainTimer_.stop();
        WaitSlices([this] { return queued_ <= 0; }, OpenCloseSlices);
        {
            Walk walk(*this);
            TMMCustomSoundComponent::Stop();
        }
        ReleaseBuffers();
        buffersInUse_ = 0;
        queued_ = 0;
        ringIndex_ = 0;
        stopping_ = false;
        resetting_ = false;
        if (!Destroying() && OnStop)
            OnStop(this);
        if (closeRequested_)
            DeviceClose();
    } catch (const std::exception &error) {
        if (!dynamic_cast<const EMMWaveOutError *>(&error))
            FireError();
        DeviceClose();
        throw;
    }
}

void TMMWaveOut::DeviceClose()
{
    if (!IsOpen() && !device_)
        return;
    if (closing_ && !closeRequested_)
        return;
    try {
        closing_ = true;
        if (IsPlaying() || IsPaused())
            DeviceStop();
        if (stopping_) {
            closeRequested_ = true;
            return;
        }
        closeRequested_ = false;
        bool exhausted = false;
        if (device_ && handle_) {
            device_.reset();
            window_->post(MM_WOM_CLOSE, handle_, 0);
            exhausted = !WaitSlices([this] { return state_ == wosClosed; }, OpenCloseSlices);
        }
        device_.reset();
        state_ = wosClosed;
        {
            Walk walk(*this);
            TMMCustomSoundComponent::Close();
        }
        handle_ = 0;
        closing_ = false;
        if (!Destroying() && OnClose)
            OnClose(this);
        if (exhausted)
            RaiseDeviceError("WaveOutClose", MMMessageText(MMMessage::UnableToCloseDevice));
    } catch (const std::exception &error) {
        if (!dynamic_cast<const EMMWaveOutError *>(&error))
            FireError();
        // The device is given up whatever failed, so that it can be opened again.
        device_.reset();
        handle_ = 0;
        state_ = wosClosed;
        closing_ = false;
        closeRequested_ = false;
    }
}

void TMMWaveOut::DevicePause()
{
    if (!IsOpen())
        DeviceOpen();
    if (!IsOpen() || IsPaused())
        return;
    if (IsPlaying()) {
        std::lock_guard<std::mutex> hold(lock_);
        device_->pause();
        state_ |= wosPause;
    }
    state_ |= wosPause;
    {
        Walk walk(*this);
        TMMCustomSoundComponent::Pause();
    }
    if (OnPause)
        OnPause(this);
}

void TMMWaveOut::DeviceRestart()
{
    if (!IsPlaying() || !IsPaused())
        return;
    resetting_ = false;
    device_->restart();
    state_ &= ~uint32_t(wosPause);
    {
        Walk walk(*this);
        TMMCustomSoundComponent::Restart();
    }
    if (OnRestart)
        OnRestart(this);
}

void TMMWaveOut::DeviceReset()
{
    if ((!IsPlaying() && !IsPaused()) || resetting_ || !device_)
        return;
    try {
        resetting_ = true;
        device_->pause();
        // Notices of buffers that finished before the pause are dropped unhandled.
        const int dropped = window_->discardPending(MM_WOM_DONE, handle_);
        {
            std::lock_guard<std::mutex> hold(lock_);
            queued_ -= dropped;
            resetting_ = queued_ > 0;
        }
        device_->reset();
        WaitSlices([this] { return !resetting_; }, ResetSlices);
        resetting_ = false;
        device_->restart();
        device_->pause();
        ringIndex_ = 0;
        queued_ = 0;
        framesWritten_ = 0;
        {
            Walk walk(*this);
            TMMCustomSoundComponent::Reset();
        }
        more_ = true;
        const int available = buffersInUse_;
        int written = 0;
        for (int i = 0; i < available && more_; ++i) {
            if (Refill(buffers_[size_t(i)]) <= 0)
                break;
            Write(buffers_[size_t(i)], i);
            ++written;
        }
        buffersInUse_ = written;
        if (!IsPaused())
            device_->restart();
        if (written == 0)
            DeviceStop();
    } catch (const std::exception &error) {
        if (!dynamic_cast<const EMMWaveOutError *>(&error))
            FireError();
        DeviceClose();
        throw;
    }
}

} // namespace tb
