#include "Acm.h"
#include "AcmDriver.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <set>

namespace tb::acm {

struct AcmStreamHandle {
    std::unique_ptr<AcmConversion> conversion;
    int prepared = 0; // headers prepared on this stream and not yet released
};

namespace {

// Live streams, so that a stale or foreign handle is refused instead of followed.
std::mutex streamsLock;
std::set<AcmStreamHandle *> &liveStreams()
{
    static std::set<AcmStreamHandle *> streams;
    return streams;
}

bool isLive(HACMSTREAM has)
{
    std::lock_guard<std::mutex> hold(streamsLock);
    return has && liveStreams().count(has) != 0;
}

// A source format that can be looked at safely: the record plus its extension.
bool plausible(const WAVEFORMATEX *format)
{
    return format && format->nChannels > 0 && format->nSamplesPerSec > 0;
}

const AcmDriver *driverFor(const WAVEFORMATEX &src, const WAVEFORMATEX &dst)
{
    for (const auto &driver : acmDrivers())
        if (driver->accepts(src, dst))
            return driver.get();
    return nullptr;
}

} // namespace

WAVEFORMATEX effectiveFormat(const WAVEFORMATEX &format)
{
    WAVEFORMATEX result = format;
    if (format.wFormatTag != WAVE_FORMAT_EXTENSIBLE)
        return result;
    // Samples, channel mask, then the subformat: a GUID whose first two bytes are the tag.
    constexpr uint8_t guidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80, 0x00,
                                      0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    if (format.cbSize < 22)
        return result;
    const uint8_t *extra = formatExtra(format);
    const uint16_t validBits = uint16_t(extra[0] | extra[1] << 8);
    const uint16_t subTag = uint16_t(extra[6] | extra[7] << 8);
    if (std::memcmp(extra + 8, guidTail, sizeof guidTail) != 0)
        return result;
    if (subTag != WAVE_FORMAT_PCM && subTag != WAVE_FORMAT_IEEE_FLOAT)
        return result;
    // Samples narrower than their container (20 bits in 24) play as the container.
    if (validBits > format.wBitsPerSample)
        return result;
    result.wFormatTag = subTag;
    result.cbSize = 0;
    return result;
}

WAVEFORMATEX pcmFormat(unsigned channels, uint32_t rate, unsigned bits)
{
    WAVEFORMATEX f{};
    f.wFormatTag = WAVE_FORMAT_PCM;
    f.nChannels = uint16_t(channels);
    f.nSamplesPerSec = rate;
    f.wBitsPerSample = uint16_t(bits);
    f.nBlockAlign = uint16_t(channels * (bits / 8));
    f.nAvgBytesPerSec = rate * f.nBlockAlign;
    return f;
}

bool isUsablePcm(const WAVEFORMATEX &format)
{
    const unsigned bits = format.wBitsPerSample;
    return format.wFormatTag == WAVE_FORMAT_PCM && (bits == 8 || bits == 16 || bits == 24 || bits == 32) &&
           format.nChannels >= 1 && format.nChannels <= MaxChannels && format.nSamplesPerSec >= MinRate &&
           format.nSamplesPerSec <= MaxRate && format.nBlockAlign == format.nChannels * (bits / 8);
}

bool sameRateAndChannels(const WAVEFORMATEX &a, const WAVEFORMATEX &b)
{
    return a.nChannels == b.nChannels && a.nSamplesPerSec == b.nSamplesPerSec;
}

bool isPcmTarget(const WAVEFORMATEX &dst, unsigned channels, uint32_t rate, unsigned bits)
{
    return dst.wFormatTag == WAVE_FORMAT_PCM && dst.nChannels == channels && dst.nSamplesPerSec == rate &&
           dst.wBitsPerSample == bits && dst.nBlockAlign == channels * (bits / 8);
}

const std::vector<std::unique_ptr<AcmDriver>> &acmDrivers()
{
    static const std::vector<std::unique_ptr<AcmDriver>> drivers = [] {
        std::vector<std::unique_ptr<AcmDriver>> list;
        list.push_back(makePcmDriver());
        list.push_back(makeAdpcmDriver());
        list.push_back(makeAvCodecDriver());
        list.push_back(makeMpegDriver());
        return list;
    }();
    return drivers;
}

uint32_t acmGetVersion()
{
    return 0x04000000u;
}

MMRESULT acmFormatSuggest(HACMDRIVER had, const WAVEFORMATEX *pwfxSrc, WAVEFORMATEX *pwfxDst, uint32_t cbwfxDst,
                          uint32_t fdwSuggest)
{
    if (had)
        return MMSYSERR_INVALHANDLE;
    if (!pwfxSrc || !pwfxDst || cbwfxDst < sizeof(WAVEFORMATEX))
        return MMSYSERR_INVALPARAM;
    if (fdwSuggest & ~ACM_FORMATSUGGESTF_TYPEMASK)
        return MMSYSERR_INVALFLAG;
    if (!plausible(pwfxSrc))
        return ACMERR_NOTPOSSIBLE;
    const WAVEFORMATEX wish = *pwfxDst;
    if ((fdwSuggest & ACM_FORMATSUGGESTF_WFORMATTAG) && wish.wFormatTag != WAVE_FORMAT_PCM)
        return ACMERR_NOTPOSSIBLE; // every driver produces PCM
    for (const auto &driver : acmDrivers()) {
        std::optional<WAVEFORMATEX> base = driver->natural(*pwfxSrc);
        if (!base)
            continue;
        const unsigned channels = fdwSuggest & ACM_FORMATSUGGESTF_NCHANNELS ? wish.nChannels : base->nChannels;
        const uint32_t rate = fdwSuggest & ACM_FORMATSUGGESTF_NSAMPLESPERSEC ? wish.nSamplesPerSec : base->nSamplesPerSec;
        const unsigned bits = fdwSuggest & ACM_FORMATSUGGESTF_WBITSPERSAMPLE ? wish.wBitsPerSample : base->wBitsPerSample;
        const WAVEFORMATEX candidate = pcmFormat(channels, rate, bits);
        if (!isUsablePcm(candidate) || !driver->accepts(*pwfxSrc, candidate))
            continue;
        std::memset(pwfxDst, 0, cbwfxDst);
        *pwfxDst = candidate;
        return MMSYSERR_NOERROR;
    }
    return ACMERR_NOTPOSSIBLE;
}

MMRESULT acmStreamOpen(HACMSTREAM *phas, HACMDRIVER had, const WAVEFORMATEX *pwfxSrc, const WAVEFORMATEX *pwfxDst,
                       const void *pwfltr, uintptr_t dwCallback, uintptr_t, uint32_t fdwOpen)
{
    const bool query = fdwOpen & ACM_STREAMOPENF_QUERY;
    if (phas)
        *phas = nullptr;
    if (had)
        return MMSYSERR_INVALHANDLE;
    if (!pwfxSrc || !pwfxDst || (!query && !phas))
        return MMSYSERR_INVALPARAM;
    if (pwfltr || dwCallback)
        return MMSYSERR_NOTSUPPORTED; // streams here are synchronous and unfiltered
    if (!plausible(pwfxSrc) || !plausible(pwfxDst))
        return ACMERR_NOTPOSSIBLE;
    const AcmDriver *driver = driverFor(*pwfxSrc, *pwfxDst);
    if (!driver)
        return ACMERR_NOTPOSSIBLE;
    if (query)
        return MMSYSERR_NOERROR;
    std::unique_ptr<AcmConversion> conversion = driver->open(*pwfxSrc, *pwfxDst);
    if (!conversion)
        return ACMERR_NOTPOSSIBLE;
    auto *stream = new AcmStreamHandle{std::move(conversion)};
    {
        std::lock_guard<std::mutex> hold(streamsLock);
        liveStreams().insert(stream);
    }
    *phas = stream;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamSize(HACMSTREAM has, uint32_t cbInput, uint32_t *pdwOutputBytes, uint32_t fdwSize)
{
    if (!isLive(has))
        return MMSYSERR_INVALHANDLE;
    if (!pdwOutputBytes)
        return MMSYSERR_INVALPARAM;
    if (fdwSize == ACM_STREAMSIZEF_SOURCE)
        *pdwOutputBytes = has->conversion->destinationSize(cbInput);
    else if (fdwSize == ACM_STREAMSIZEF_DESTINATION)
        *pdwOutputBytes = has->conversion->sourceSize(cbInput);
    else
        return MMSYSERR_INVALFLAG;
    return *pdwOutputBytes == 0 && cbInput > 0 ? ACMERR_NOTPOSSIBLE : MMSYSERR_NOERROR;
}

MMRESULT acmStreamPrepareHeader(HACMSTREAM has, ACMSTREAMHEADER *pash, uint32_t)
{
    if (!isLive(has))
        return MMSYSERR_INVALHANDLE;
    if (!pash || pash->cbStruct < sizeof(ACMSTREAMHEADER) || !pash->pbSrc || !pash->pbDst)
        return MMSYSERR_INVALPARAM;
    if (pash->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED)
        return MMSYSERR_NOERROR;
    pash->fdwStatus = ACMSTREAMHEADER_STATUSF_PREPARED;
    ++has->prepared;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamConvert(HACMSTREAM has, ACMSTREAMHEADER *pash, uint32_t fdwConvert)
{
    if (!isLive(has))
        return MMSYSERR_INVALHANDLE;
    if (!pash || pash->cbStruct < sizeof(ACMSTREAMHEADER))
        return MMSYSERR_INVALPARAM;
    constexpr uint32_t known = ACM_STREAMCONVERTF_BLOCKALIGN | ACM_STREAMCONVERTF_START | ACM_STREAMCONVERTF_END;
    if (fdwConvert & ~known)
        return MMSYSERR_INVALFLAG;
    if (!(pash->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED))
        return ACMERR_UNPREPARED;
    pash->fdwStatus &= ~ACMSTREAMHEADER_STATUSF_DONE;
    pash->cbSrcLengthUsed = 0;
    pash->cbDstLengthUsed = 0;
    uint32_t used = 0;
    uint32_t produced = 0;
    const MMRESULT result = has->conversion->convert(pash->pbSrc, pash->cbSrcLength, used, pash->pbDst,
                                                     pash->cbDstLength, produced, fdwConvert);
    pash->cbSrcLengthUsed = std::min(used, pash->cbSrcLength);
    pash->cbDstLengthUsed = std::min(produced, pash->cbDstLength);
    pash->fdwStatus |= ACMSTREAMHEADER_STATUSF_DONE;
    return result;
}

MMRESULT acmStreamUnprepareHeader(HACMSTREAM has, ACMSTREAMHEADER *pash, uint32_t)
{
    if (!isLive(has))
        return MMSYSERR_INVALHANDLE;
    if (!pash)
        return MMSYSERR_INVALPARAM;
    if (!(pash->fdwStatus & ACMSTREAMHEADER_STATUSF_PREPARED))
        return ACMERR_UNPREPARED;
    pash->fdwStatus &= ~(ACMSTREAMHEADER_STATUSF_PREPARED | ACMSTREAMHEADER_STATUSF_DONE);
    --has->prepared;
    return MMSYSERR_NOERROR;
}

MMRESULT acmStreamClose(HACMSTREAM has, uint32_t)
{
    {
        std::lock_guard<std::mutex> hold(streamsLock);
        if (!has || liveStreams().count(has) == 0)
            return MMSYSERR_INVALHANDLE;
        if (has->prepared > 0)
            return ACMERR_BUSY;
        liveStreams().erase(has);
    }
    delete has;
    return MMSYSERR_NOERROR;
}

const AcmFunctions &acmLibrary()
{
    static const AcmFunctions functions = {
        &acmGetVersion,        &acmFormatSuggest,      &acmStreamOpen,           &acmStreamSize,
        &acmStreamPrepareHeader, &acmStreamConvert,    &acmStreamUnprepareHeader, &acmStreamClose,
    };
    return functions;
}

} // namespace tb::acm
