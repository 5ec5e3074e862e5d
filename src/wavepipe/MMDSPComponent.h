// The members of a wave chain: links to the neighbours, the wave format passed down the chain,
// the buffer size, the open/started state and the buffer events.
#pragma once

#include "tonebridge/wave.h"
#include "wavepipe/MMUtils.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace tb {

// Base of every component of the wave pipeline; knows whether it is being loaded (read from a
// stored description) or destroyed.
class TMMComponent {
public:
    virtual ~TMMComponent() = default;

    bool Loading() const { return loading_; }
    bool Destroying() const { return destroying_; }

    // Loading from a stored description: the component holds back format propagation until
    // Loaded ends it.
    void BeginLoading() { loading_ = true; }
    virtual void Loaded() { loading_ = false; }

protected:
    void MarkDestroying() { destroying_ = true; }

private:
    bool loading_ = false;
    bool destroying_ = false;
};

class TMMNonVisualComponent : public TMMComponent {};

class TMMCustomDSPComponent : public TMMNonVisualComponent {};

// The role under which a neighbour points back at a component.
enum class TMMLinkRole { lrNone, lrInput, lrOutput };

class TMMDSPComponent : public TMMCustomDSPComponent {
public:
    using TMMBufferEvent = std::function<void(TMMDSPComponent *Sender, PWaveHdr lpWaveHdr)>;
    using TMMBufferLoadEvent = std::function<void(TMMDSPComponent *Sender, PWaveHdr lpWaveHdr, bool &MoreBuffers)>;

    static constexpr int32_t DefaultBufferSize = 2048;

    TMMDSPComponent();
    ~TMMDSPComponent() override;
    TMMDSPComponent(const TMMDSPComponent &) = delete;
    TMMDSPComponent &operator=(const TMMDSPComponent &) = delete;

    virtual void UpdateFormat();
    virtual void SetInput(TMMDSPComponent *value);
    virtual TMMDSPComponent *Input() const { return input_; }
    virtual void SetOutput(TMMDSPComponent *value);
    virtual TMMDSPComponent *Output() const { return output_; }
    // The format arriving from upstream changed; the base takes it as its own.
    virtual void InputFormatChanged(const WAVEFORMATEX *format);
    // Replaces the component's own copy of the format and passes it downstream.
    virtual void SetPWaveFormat(const WAVEFORMATEX *format);
    virtual const WAVEFORMATEX *PWaveFormat() const { return format_.get(); }
    // The real buffer size while open, else the requested one.
    virtual int32_t BufferSize() const;
    virtual void SetBufferSize(int32_t value);
    virtual void Open();
    virtual void Close();
    virtual void Start();
    virtual void Pause();
    virtual void Restart();
    virtual void Stop();
    virtual void Reset();
    // Push delivery of a filled buffer.
    virtual void BufferReady(PWaveHdr lpWaveHdr);
    // Pull request: fill lpData with up to dwBufferLength bytes and set dwBytesRecorded.
    virtual void BufferLoad(PWaveHdr lpWaveHdr, bool &MoreBuffers);
    virtual bool CanConnectInput(TMMDSPComponent *value);
    virtual bool CanConnectOutput(TMMDSPComponent *value);

    bool IsOpen() const { return open_; }
    bool IsStarted() const { return started_; }
    TMMLinkRole InputLinkRole() const { return inputRole_; }
    TMMLinkRole OutputLinkRole() const { return outputRole_; }

    // Lets a link be connected that the component's class does not offer.
    void SetAcceptsInput(bool value) { acceptsInput_ = value; }
    void SetAcceptsOutput(bool value) { acceptsOutput_ = value; }

    void Loaded() override;

    TMMBufferEvent OnBufferReady;
    TMMBufferLoadEvent OnBufferLoad;

    // Every live chain component, in creation order (main thread only).
    static std::vector<TMMDSPComponent *> Registered();

protected:
    // Told to every component when X is re-linked or destroyed, so that the other end forgets X.
    virtual void LinkChanging(TMMDSPComponent *component, bool isInputSide, TMMLinkRole role);
    // Only store the neighbour and the role; they do not touch the neighbour.
    virtual void SetInputLink(TMMDSPComponent *component, TMMLinkRole role);
    virtual void SetOutputLink(TMMDSPComponent *component, TMMLinkRole role);

    // Which links the class offers.
    virtual bool OffersInputLink() const { return true; }
    virtual bool OffersOutputLink() const { return true; }

    bool PropagationHeld() const { return Loading() || Destroying(); }
    int32_t RequestedBufferSize() const { return bufferSize_; }

private:
    static void BroadcastLinkChanging(TMMDSPComponent *component, bool isInputSide, TMMLinkRole role);
    bool AcceptsAsInput() const { return OffersInputLink() || acceptsInput_; }
    bool AcceptsAsOutput() const { return OffersOutputLink() || acceptsOutput_; }

    TMMDSPComponent *input_ = nullptr;
    TMMDSPComponent *output_ = nullptr;
    WaveFormatCopy format_;
    int32_t bufferSize_ = DefaultBufferSize;
    int32_t realBufferSize_ = DefaultBufferSize;
    bool open_ = false;
    bool started_ = false;
    bool acceptsInput_ = false;
    bool acceptsOutput_ = false;
    TMMLinkRole inputRole_ = TMMLinkRole::lrNone;
    TMMLinkRole outputRole_ = TMMLinkRole::lrNone;
};

// The driver of a chain: runs open, start, pause, restart, reset, stop and close over every
// other component of its chain, from the head down, then on itself.
class TMMCustomSoundComponent : public TMMDSPComponent {
public:
    void Open() override;
    void Close() override;
    void Start() override;
    void Pause() override;
    void Restart() override;
    void Stop() override;
    void Reset() override;

    // One zero-filled block: the header, then bufferSize bytes of sample data.
    PWaveHdr AllocWaveHeader(int32_t bufferSize);
    void FreeWaveHeader(PWaveHdr header);

protected:
    // Raises the driver's error; the wave output reports it before raising.
    virtual void RaiseError(const QString &message);

private:
    template <typename Operation>
    void WalkChain(Operation operation);
};

} // namespace tb
