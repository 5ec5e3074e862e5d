#include "wavepipe/MMACMConverter.h"

#include "wavepipe/MMErrors.h"

#include <algorithm>
#include <cstring>

namespace tb {

using namespace acm;

namespace {

constexpr uint32_t SourceBlock = 8192;
// Room behind each step's output for the bytes the next step keeps back.
constexpr uint32_t CarryMargin = 16384;
// Path searches are short (two or three hops); the limit only stops hostile formats.
constexpr int MaxHops = 6;
constexpr size_t SuggestRoom = 1025;

bool isPcm(const WAVEFORMATEX &f)
{
    return f.wFormatTag == WAVE_FORMAT_PCM;
}

bool sameRateAndChannels(const WAVEFORMATEX &a, const WAVEFORMATEX &b)
{
    return a.nChannels == b.nChannels && a.nSamplesPerSec == b.nSamplesPerSec;
}

// Missing formats never differ.
bool differ(const WAVEFORMATEX *a, const WAVEFORMATEX *b)
{
    return a && b &&
           (a->wFormatTag != b->wFormatTag || a->wBitsPerSample != b->wBitsPerSample ||
            a->nChannels != b->nChannels || a->nSamplesPerSec != b->nSamplesPerSec);
}

} // namespace

struct TMMACMConverter::Step {
    uint8_t *source = nullptr;
    uint32_t sourceSize = 0;     // what the stream may be handed at once
    uint32_t sourceCapacity = 0; // what the buffer holds, carried bytes included
    std::vector<uint8_t> destination;
    uint32_t destinationSize = 0;
    std::vector<uint8_t> carried; // unconverted input of the last conversion
    HACMSTREAM stream = nullptr;
    ACMSTREAMHEADER header{};
    bool prepared = false;
};

struct TMMACMConverter::Engine {
    std::vector<uint8_t> source; // first step's source buffer: 4 x source block
    uint8_t *outputData = nullptr;
    uint32_t sourceBlock = 0;
    uint32_t outputLength = 0;
    uint32_t outputCount = 0;
    uint32_t outputRead = 0;
    bool carry = false;
    bool starved = false;
    std::vector<std::unique_ptr<Step>> streams;
};

TMMACMConverter::TMMACMConverter() : acm_(&acmLibrary()) {}

TMMACMConverter::~TMMACMConverter()
{
    Close();
}

void TMMACMConverter::SetAcm(const AcmFunctions *manager)
{
    Close();
    acm_ = manager;
    Update();
}

bool TMMACMConverter::AcmAvailable() const
{
    return acm_ && acm_->GetVersion && (acm_->GetVersion() >> 16) >= 0x0200;
}

size_t TMMACMConverter::StreamCount() const
{
    return engine_ ? engine_->streams.size() : 0;
}

const uint8_t *TMMACMConverter::StreamSource(size_t i) const
{
    return i < StreamCount() ? engine_->streams[i]->source : nullptr;
}

const uint8_t *TMMACMConverter::StreamDestination(size_t i) const
{
    return i < StreamCount() ? engine_->streams[i]->destination.data() : nullptr;
}

void TMMACMConverter::InputFormatChanged(const WAVEFORMATEX *format)
{
    if (format != source_.get())
        source_ = WaveFormatCopy(format);
    Update();
}

void TMMACMConverter::Update()
{
    needsConversion_ = false;
    canConvert_ = false;
    if (const WAVEFORMATEX *S = source_.get()) {
        ComputeTarget();
        if (differ(S, target_.get())) {
            needsConversion_ = true;
            if (CanConvert(*S, *target_.get())) {
                canConvert_ = true;
                TMMDSPComponent::SetPWaveFormat(target_.get());
                return;
            }
        }
    }
    TMMDSPComponent::SetPWaveFormat(source_.get());
}

void TMMACMConverter::ComputeTarget()
{
    if (!source_.get()) {
        target_ = WaveFormatCopy();
        return;
    }
    target_ = SuggestPCM(*source_.get());
}

WaveFormatCopy TMMACMConverter::SuggestPCM(const WAVEFORMATEX &S) const
{
    if (isPcm(S) || !AcmAvailable())
        return WaveFormatCopy(&S);
    WAVEFORMATEX suggestion{};
    suggestion.wFormatTag = WAVE_FORMAT_PCM;
    if (acm_->FormatSuggest(nullptr, &S, &suggestion, sizeof suggestion, ACM_FORMATSUGGESTF_WFORMATTAG) == 0 &&
        QueryOpen(S, suggestion))
        return WaveFormatCopy(&suggestion);
    return WaveFormatCopy(&S);
}

bool TMMACMConverter::QueryOpen(const WAVEFORMATEX &S, const WAVEFORMATEX &D) const
{
    return acm_->StreamOpen(nullptr, nullptr, &S, &D, nullptr, 0, 0, ACM_STREAMOPENF_QUERY) == 0;
}

bool TMMACMConverter::Intermediate(const WAVEFORMATEX &S, const WAVEFORMATEX &D, std::vector<uint8_t> &room) const
{
    room.assign(SuggestRoom, 0);
    auto *I = reinterpret_cast<WAVEFORMATEX *>(room.data());
    if (isPcm(S)) {
        if (sameRateAndChannels(S, D))
            return false;
        I->wFormatTag = WAVE_FORMAT_PCM;
        I->nChannels = D.nChannels;
        I->nSamplesPerSec = D.nSamplesPerSec;
        if (acm_->FormatSuggest(nullptr, &S, I, SuggestRoom,
                                ACM_FORMATSUGGESTF_NCHANNELS | ACM_FORMATSUGGESTF_NSAMPLESPERSEC) != 0)
            return false;
        if (!QueryOpen(*I, D)) {
            I->wBitsPerSample = I->wBitsPerSample == 16 ? 8 : 16;
            if (acm_->FormatSuggest(nullptr, &S, I, SuggestRoom,
                                    ACM_FORMATSUGGESTF_NCHANNELS | ACM_FORMATSUGGESTF_NSAMPLESPERSEC |
                                        ACM_FORMATSUGGESTF_WBITSPERSAMPLE) != 0)
                return false;
        }
        return true;
    }
    I->wFormatTag = WAVE_FORMAT_PCM;
    I->nChannels = D.nChannels;
    I->nSamplesPerSec = D.nSamplesPerSec;
    if (acm_->FormatSuggest(nullptr, &S, I, SuggestRoom,
                            ACM_FORMATSUGGESTF_WFORMATTAG | ACM_FORMATSUGGESTF_NCHANNELS |
                                ACM_FORMATSUGGESTF_NSAMPLESPERSEC) == 0)
        return true;
    std::fill(room.begin(), room.end(), 0);
    I->wFormatTag = WAVE_FORMAT_PCM;
    return acm_->FormatSuggest(nullptr, &S, I, SuggestRoom, ACM_FORMATSUGGESTF_WFORMATTAG) == 0;
}

bool TMMACMConverter::CanConvert(const WAVEFORMATEX &S, const WAVEFORMATEX &D, int depth) const
{
    if (!AcmAvailable())
        return false;
    if (!differ(&S, &D))
        return true;
    if (QueryOpen(S, D))
        return true;
    std::vector<uint8_t> room;
    if (depth >= MaxHops || !Intermediate(S, D, room))
        return false;
    const auto &I = *reinterpret_cast<const WAVEFORMATEX *>(room.data());
    if (!QueryOpen(S, I))
        return false;
    return differ(&I, &D) ? CanConvert(I, D, depth + 1) : true;
}

bool TMMACMConverter::BuildChain(const WAVEFORMATEX &S, const WAVEFORMATEX &D, int depth)
{
    if (QueryOpen(S, D))
        return AddStep(S, D);
    std::vector<uint8_t> room;
    if (depth >= MaxHops || !Intermediate(S, D, room))
        return false;
    const auto &I = *reinterpret_cast<const WAVEFORMATEX *>(room.data());
    if (!QueryOpen(S, I) || !AddStep(S, I))
        return false;
    return differ(&I, &D) ? BuildChain(I, D, depth + 1) : true;
}

bool TMMACMConverter::AddStep(const WAVEFORMATEX &A, const WAVEFORMATEX &B)
{
    auto step = std::make_unique<Step>();
    if (acm_->StreamOpen(&step->stream, nullptr, &A, &B, nullptr, 0, 0, 0) != 0 || !step->stream)
        return false;
    if (engine_->streams.empty()) {
        step->source = engine_->source.data();
        step->sourceSize = uint32_t(engine_->source.size());
        step->sourceCapacity = step->sourceSize;
    } else {
        Step &previous = *engine_->streams.back();
        step->source = previous.destination.data();
        step->sourceSize = previous.destinationSize;
        step->sourceCapacity = uint32_t(previous.destination.size());
    }
    uint32_t size = 0;
    if (acm_->StreamSize(step->stream, step->sourceSize, &size, ACM_STREAMSIZEF_SOURCE) != 0 || size == 0) {
        acm_->StreamClose(step->stream, 0);
        return false;
    }
    step->destinationSize = size;
    step->destination.assign(size_t(size) + CarryMargin, 0);
    ACMSTREAMHEADER &h = step->header;
    h.cbStruct = sizeof h;
    h.pbSrc = step->source;
    h.cbSrcLength = step->sourceSize;
    h.dwSrcUser = step->sourceSize;
    h.pbDst = step->destination.data();
    h.cbDstLength = size;
    h.dwDstUser = size;
    if (acm_->StreamPrepareHeader(step->stream, &h, 0) != 0) {
        acm_->StreamClose(step->stream, 0);
        return false;
    }
    step->prepared = true;
    engine_->outputData = step->destination.data();
    engine_->outputLength = size;
    engine_->streams.push_back(std::move(step));
    return true;
}

void TMMACMConverter::FreeEngine()
{
    if (!engine_)
        return;
    for (auto &step : engine_->streams) {
        if (step->prepared) {
            step->header.cbSrcLength = step->header.dwSrcUser;
            step->header.cbDstLength = step->header.dwDstUser;
            acm_->StreamUnprepareHeader(step->stream, &step->header, 0);
        }
        acm_->StreamClose(step->stream, 0);
    }
    engine_.reset();
}

int64_t TMMACMConverter::Convert(uint32_t n, bool end)
{
    Engine &e = *engine_;
    uint32_t len = std::min(n, e.sourceBlock);
    e.carry = false;
    if (!end)
        e.starved = false;
    for (auto &stepPtr : e.streams) {
        Step &step = *stepPtr;
        const uint32_t c = uint32_t(step.carried.size());
        if (c > 0) {
            if (uint64_t(c) + len > step.sourceCapacity)
                return -1;
            std::memmove(step.source + c, step.source, len);
            std::memcpy(step.source, step.carried.data(), c);
        }
        const uint32_t length = len + c;
        step.header.cbSrcLength = length;
        step.header.cbDstLength = step.destinationSize;
        if (acm_->StreamConvert(step.stream, &step.header,
                                end ? ACM_STREAMCONVERTF_END : ACM_STREAMCONVERTF_BLOCKALIGN) != 0)
            return -1;
        // Streams here are synchronous: the done bit is set on return.
        if (!(step.header.fdwStatus & ACMSTREAMHEADER_STATUSF_DONE))
            return -1;
        const uint32_t used = std::min(step.header.cbSrcLengthUsed, length);
        len = std::min(step.header.cbDstLengthUsed, step.destinationSize);
        step.carried.assign(step.source + used, step.source + length);
        if (used < length)
            e.carry = true;
        else if (!end && len == 0 && used > 0)
            e.starved = true;
    }
    e.outputCount = len;
    e.outputRead = 0;
    return len;
}

bool TMMACMConverter::BuildEngine()
{
    const WAVEFORMATEX &S = *source_.get();
    engine_ = std::make_unique<Engine>();
    // Whole source blocks; a block larger than the usual piece is taken whole.
    const uint32_t align = std::max<uint32_t>(S.nBlockAlign, 1);
    engine_->sourceBlock = std::max(align * (SourceBlock / align), align);
    engine_->source.assign(size_t(engine_->sourceBlock) * 4, 0);
    if (BuildChain(S, *target_.get()))
        return true;
    FreeEngine();
    return false;
}

void TMMACMConverter::RaiseUnableToConvert()
{
    canConvert_ = false;
    throw EMMConverterError(MMMessageText(MMMessage::UnableToConvert));
}

void TMMACMConverter::Open()
{
    if (!opened_) {
        if (needsConversion_) {
            if (canConvert_ && !BuildEngine())
                canConvert_ = false;
            if (!canConvert_)
                throw EMMConverterError(MMMessageText(MMMessage::UnableToConvert));
        }
        opened_ = true;
    }
    TMMDSPComponent::Open();
}

void TMMACMConverter::Start()
{
    TMMDSPComponent::Start();
    if (opened_ && !running_) {
        running_ = true;
        more_ = false;
        sourceEnded_ = false;
    }
}

void TMMACMConverter::Stop()
{
    if (running_) {
        running_ = false;
        if (engine_)
            engine_->outputRead = engine_->outputCount; // pending output is dropped
    }
    TMMDSPComponent::Stop();
}

void TMMACMConverter::Reset()
{
    TMMDSPComponent::Reset();
    if (engine_) {
        // The data continues somewhere else: pending output, bytes kept back and what the
        // decoders remember of the old position are all dropped, so that the new position
        // decodes as a fresh start would.
        FreeEngine();
        if (!BuildEngine())
            RaiseUnableToConvert();
        sourceEnded_ = false;
    }
}

void TMMACMConverter::Close()
{
    if (opened_) {
        Stop();
        opened_ = false;
        FreeEngine();
    }
    TMMDSPComponent::Close();
}

void TMMACMConverter::BufferLoad(PWaveHdr lpWaveHdr, bool &MoreBuffers)
{
    if (!opened_ || !running_ || !Input())
        return;
    if (!needsConversion_ || !canConvert_ || !engine_) {
        TMMDSPComponent::BufferLoad(lpWaveHdr, MoreBuffers);
        return;
    }
    Engine &e = *engine_;
    int64_t want = int64_t(lpWaveHdr->dwBufferLength) - lpWaveHdr->dwBytesRecorded;
    for (;;) {
        const uint32_t n = uint32_t(std::min<int64_t>(e.outputCount - e.outputRead, std::max<int64_t>(want, 0)));
        std::memcpy(lpWaveHdr->lpData + lpWaveHdr->dwBytesRecorded, e.outputData + e.outputRead, n);
        lpWaveHdr->dwBytesRecorded += n;
        e.outputRead += n;
        want -= n;
        if (lpWaveHdr->wrapped || !running_ || want <= 0)
            break;
        int64_t c = 0;
        if (!sourceEnded_) {
            internalHeader_ = TMMWaveHdr{};
            internalHeader_.lpData = reinterpret_cast<char *>(e.source.data());
            internalHeader_.dwBufferLength = e.sourceBlock;
            internalHeader_.looping = lpWaveHdr->looping;
            internalHeader_.loopCount = lpWaveHdr->loopCount;
            internalHeader_.loopsLeft = lpWaveHdr->loopsLeft;
            internalHeader_.wrapped = lpWaveHdr->wrapped;
            more_ = false;
            TMMDSPComponent::BufferLoad(&internalHeader_, more_);
            lpWaveHdr->looping = internalHeader_.looping;
            lpWaveHdr->loopCount = internalHeader_.loopCount;
            lpWaveHdr->loopsLeft = internalHeader_.loopsLeft;
            lpWaveHdr->wrapped = internalHeader_.wrapped;
            c = std::min<int64_t>(internalHeader_.dwBytesRecorded, e.sourceBlock);
            if (!more_ || c <= 0)
                sourceEnded_ = true;
        }
        if (c > 0 && running_) {
            const int64_t r = Convert(uint32_t(c), false);
            if (r > 0)
                continue;
            if (r < 0)
                RaiseUnableToConvert();
            if (!sourceEnded_) {
                // Input taken without output yet (a decoder filling up) is fine; nothing
                // taken at all would never end.
                if (e.starved || e.carry)
                    continue;
                RaiseUnableToConvert();
            }
            // The source ended with a block that gave nothing: what the streams hold is flushed.
            const int64_t flushed = Convert(0, true);
            if (flushed < 0)
                RaiseUnableToConvert();
            if (flushed > 0)
                continue;
            break;
        }
        if (c <= 0) {
            if (!running_)
                break;
            const int64_t flushed = Convert(0, true);
            if (flushed < 0)
                RaiseUnableToConvert();
            if (flushed > 0)
                continue;
            break;
        }
        break;
    }
    MoreBuffers = more_ || e.outputRead < e.outputCount || e.carry;
}

void TMMPCMConverter::ComputeTarget()
{
    if (AutoConvert || !SourceFormat()) {
        TMMACMConverter::ComputeTarget();
        return;
    }
    WAVEFORMATEX target{};
    target.wFormatTag = WAVE_FORMAT_PCM;
    target.nChannels = Mode == mStereo ? 2 : 1;
    target.nSamplesPerSec = SampleRate;
    target.wBitsPerSample = BitLength == b16Bit ? 16 : 8;
    target.nBlockAlign = uint16_t(target.nChannels * target.wBitsPerSample / 8);
    target.nAvgBytesPerSec = SampleRate * target.nBlockAlign;
    SetTargetFormat(&target);
}

} // namespace tb
