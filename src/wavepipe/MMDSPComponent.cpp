#include "wavepipe/MMDSPComponent.h"

#include "wavepipe/MMErrors.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

namespace tb {

namespace {

// The registry exists while at least one component lives.
std::vector<TMMDSPComponent *> *registry = nullptr;

} // namespace

TMMDSPComponent::TMMDSPComponent()
{
    if (!registry)
        registry = new std::vector<TMMDSPComponent *>;
    registry->push_back(this);
}

TMMDSPComponent::~TMMDSPComponent()
{
    MarkDestroying();
    SetInput(nullptr);
    SetOutput(nullptr);
    SetPWaveFormat(nullptr);
    registry->erase(std::find(registry->begin(), registry->end(), this));
    if (registry->empty()) {
        delete registry;
        registry = nullptr;
    }
}

std::vector<TMMDSPComponent *> TMMDSPComponent::Registered()
{
    return registry ? *registry : std::vector<TMMDSPComponent *>{};
}

void TMMDSPComponent::BroadcastLinkChanging(TMMDSPComponent *component, bool isInputSide, TMMLinkRole role)
{
    for (size_t i = 0; registry && i < registry->size(); ++i)
        (*registry)[i]->LinkChanging(component, isInputSide, role);
}

void TMMDSPComponent::UpdateFormat()
{
    if (PropagationHeld())
        return;
    if (Input())
        InputFormatChanged(Input()->PWaveFormat());
    else if (Output())
        Output()->InputFormatChanged(PWaveFormat());
}

void TMMDSPComponent::LinkChanging(TMMDSPComponent *component, bool isInputSide, TMMLinkRole role)
{
    if (!component)
        return;
    auto linkOf = [component](TMMLinkRole r) {
        return r == TMMLinkRole::lrOutput ? component->Output() : r == TMMLinkRole::lrInput ? component->Input() : nullptr;
    };
    if (isInputSide) {
        if (component == Input() && inputRole_ == role && linkOf(role) == this)
            SetInputLink(nullptr, TMMLinkRole::lrNone);
    } else {
        if (component == Output() && outputRole_ == role && linkOf(role) == this)
            SetOutputLink(nullptr, TMMLinkRole::lrNone);
    }
}

void TMMDSPComponent::SetInput(TMMDSPComponent *value)
{
    if (value == Input())
        return;
    if (value && !CanConnectInput(value))
        return;
    Stop();
    if (Input()) {
        BroadcastLinkChanging(this, false, TMMLinkRole::lrInput);
        SetInputLink(nullptr, TMMLinkRole::lrNone);
        InputFormatChanged(nullptr);
    }
    if (!value)
        return;
    BroadcastLinkChanging(value, true, TMMLinkRole::lrOutput);
    SetInputLink(value, TMMLinkRole::lrOutput);
    value->SetOutputLink(this, TMMLinkRole::lrInput);
    UpdateFormat();
}

void TMMDSPComponent::SetOutput(TMMDSPComponent *value)
{
    if (value == Output())
        return;
    if (value && !CanConnectOutput(value))
        return;
    Stop();
    if (TMMDSPComponent *old = Output()) {
        BroadcastLinkChanging(this, true, TMMLinkRole::lrOutput);
        old->InputFormatChanged(nullptr);
        SetOutputLink(nullptr, TMMLinkRole::lrNone);
    }
    if (!value)
        return;
    BroadcastLinkChanging(value, false, TMMLinkRole::lrInput);
    SetOutputLink(value, TMMLinkRole::lrInput);
    value->SetInputLink(this, TMMLinkRole::lrOutput);
    UpdateFormat();
}

void TMMDSPComponent::SetInputLink(TMMDSPComponent *component, TMMLinkRole role)
{
    input_ = component;
    inputRole_ = component ? role : TMMLinkRole::lrNone;
}

void TMMDSPComponent::SetOutputLink(TMMDSPComponent *component, TMMLinkRole role)
{
    output_ = component;
    outputRole_ = component ? role : TMMLinkRole::lrNone;
}

bool TMMDSPComponent::CanConnectInput(TMMDSPComponent *value)
{
    if (!value || value == this || !value->AcceptsAsOutput())
        return false;
    // value must not lie downstream of this component
    return Output() ? Output()->CanConnectInput(value) : true;
}

bool TMMDSPComponent::CanConnectOutput(TMMDSPComponent *value)
{
    if (!value || value == this || !value->AcceptsAsInput())
        return false;
    // value must not lie upstream of this component
    return Input() ? Input()->CanConnectOutput(value) : true;
}

void TMMDSPComponent::InputFormatChanged(const WAVEFORMATEX *format)
{
    SetPWaveFormat(format);
}

void TMMDSPComponent::SetPWaveFormat(const WAVEFORMATEX *format)
{
    if (format != format_.get()) {
        if (IsStarted())
            Stop();
        format_ = WaveFormatCopy(format);
    }
    if (!PropagationHeld() && Output())
        Output()->InputFormatChanged(PWaveFormat());
}

void TMMDSPComponent::Loaded()
{
    TMMComponent::Loaded();
    SetPWaveFormat(PWaveFormat());
}

int32_t TMMDSPComponent::BufferSize() const
{
    return open_ ? realBufferSize_ : bufferSize_;
}

void TMMDSPComponent::SetBufferSize(int32_t value)
{
    value = std::max(value, 0);
    if (value == bufferSize_)
        return;
    if (IsStarted())
        Stop();
    bufferSize_ = value;
}

void TMMDSPComponent::Open()
{
    if (open_)
        return;
    const WAVEFORMATEX *format = PWaveFormat();
    if (format && format->nBlockAlign > 0) {
        const int32_t align = format->nBlockAlign;
        realBufferSize_ = std::max(bufferSize_ - bufferSize_ % align, align);
    } else {
        realBufferSize_ = bufferSize_;
    }
    open_ = true;
}

void TMMDSPComponent::Close()
{
    open_ = false;
}

void TMMDSPComponent::Start()
{
    if (open_ && !started_)
        started_ = true;
}

void TMMDSPComponent::Stop()
{
    started_ = false;
}

void TMMDSPComponent::Pause() {}
void TMMDSPComponent::Restart() {}
void TMMDSPComponent::Reset() {}

void TMMDSPComponent::BufferReady(PWaveHdr lpWaveHdr)
{
    if (OnBufferReady)
        OnBufferReady(this, lpWaveHdr);
    if (Output())
        Output()->BufferReady(lpWaveHdr);
}

void TMMDSPComponent::BufferLoad(PWaveHdr lpWaveHdr, bool &MoreBuffers)
{
    if (OnBufferLoad)
        OnBufferLoad(this, lpWaveHdr, MoreBuffers);
    if (Input())
        Input()->BufferLoad(lpWaveHdr, MoreBuffers);
}

// ---- the driver ----

template <typename Operation>
void TMMCustomSoundComponent::WalkChain(Operation operation)
{
    // Links never form a cycle; the step limit only guards against a broken chain.
    const size_t limit = Registered().size() + 1;
    TMMDSPComponent *head = this;
    for (size_t steps = 0; head->Input() && steps < limit; ++steps)
        head = head->Input();
    size_t steps = 0;
    for (TMMDSPComponent *c = head; c && steps < limit; c = c->Output(), ++steps) {
        if (c != this)
            operation(c);
    }
}

void TMMCustomSoundComponent::Open()
{
    const int32_t size = BufferSize();
    WalkChain([size](TMMDSPComponent *c) {
        c->SetBufferSize(size);
        c->Open();
    });
    TMMDSPComponent::Open();
}

void TMMCustomSoundComponent::Close()
{
    WalkChain([](TMMDSPComponent *c) { c->Close(); });
    TMMDSPComponent::Close();
}

void TMMCustomSoundComponent::Start()
{
    WalkChain([](TMMDSPComponent *c) { c->Start(); });
    TMMDSPComponent::Start();
}

void TMMCustomSoundComponent::Pause()
{
    WalkChain([](TMMDSPComponent *c) { c->Pause(); });
    TMMDSPComponent::Pause();
}

void TMMCustomSoundComponent::Restart()
{
    WalkChain([](TMMDSPComponent *c) { c->Restart(); });
    TMMDSPComponent::Restart();
}

void TMMCustomSoundComponent::Stop()
{
    WalkChain([](TMMDSPComponent *c) { c->Stop(); });
    TMMDSPComponent::Stop();
}

void TMMCustomSoundComponent::Reset()
{
    WalkChain([](TMMDSPComponent *c) { c->Reset(); });
    TMMDSPComponent::Reset();
}

PWaveHdr TMMCustomSoundComponent::AllocWaveHeader(int32_t bufferSize)
{
    void *block = bufferSize >= 0 ? std::calloc(1, TB_WAVEHDR_SIZE + size_t(bufferSize)) : nullptr;
    if (!block) {
        RaiseError(MMMessageText(MMMessage::UnableToAllocateWaveHeader));
        throw EMMWaveOutError(MMMessageText(MMMessage::UnableToAllocateWaveHeader));
    }
    auto *header = static_cast<PWaveHdr>(block);
    header->lpData = static_cast<char *>(block) + TB_WAVEHDR_SIZE;
    header->dwBufferLength = static_cast<uint32_t>(bufferSize);
    return header;
}

void TMMCustomSoundComponent::FreeWaveHeader(PWaveHdr header)
{
    std::free(header);
}

void TMMCustomSoundComponent::RaiseError(const QString &message)
{
    throw EMMWaveOutError(message);
}

} // namespace tb
