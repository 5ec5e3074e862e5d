#include "Mp3Encoder.h"

#include <lame/lame.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <cstdlib>

namespace tb::encoder {

namespace {

constexpr int Mpeg1Rates[] = {32000, 44100, 48000};
constexpr int Mpeg2Rates[] = {16000, 22050, 24000};
constexpr int Mpeg25Rates[] = {8000, 11025, 12000};
constexpr int Mpeg1Bitrates[] = {32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
constexpr int Mpeg2Bitrates[] = {8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160};
// LAME encodes MPEG 2.5 at 64 kbit/s at most (it lowers a higher bitrate without a word).
constexpr int Mpeg25Bitrates[] = {8, 16, 24, 32, 40, 48, 56, 64};

template <size_t N> bool contains(const int (&table)[N], int value)
{
    for (int v : table)
        if (v == value)
            return true;
    return false;
}

bool isMpegRate(int rate)
{
    return contains(Mpeg1Rates, rate) || contains(Mpeg2Rates, rate) || contains(Mpeg25Rates, rate);
}

MPEG_mode lameMode(int mode)
{
    switch (mode) {
    case MC_MODE_MONO: return MONO;
    case MC_MODE_STEREO: return STEREO;
    case MC_MODE_DUALCHANNEL: return DUAL_CHANNEL;
    default: return JOINT_STEREO; // joint and MS stereo
    }
}

} // namespace

bool bitrateFitsRate(int kbps, int sampleRate)
{
    if (contains(Mpeg1Rates, sampleRate))
        return contains(Mpeg1Bitrates, kbps);
    if (contains(Mpeg2Rates, sampleRate))
        return contains(Mpeg2Bitrates, kbps);
    if (contains(Mpeg25Rates, sampleRate))
        return contains(Mpeg25Bitrates, kbps);
    return false;
}

int chooseOutputRate(int sourceRate, const EncoderSettings &settings)
{
    const bool vbr = settings.vbrLevel >= 0;
    auto fits = [&](int rate) { return vbr || bitrateFitsRate(settings.bitrate, rate); };
    if (isMpegRate(sourceRate) && fits(sourceRate))
        return sourceRate;
    int best = 0;
    for (int rate : {8000, 11025, 12000, 16000, 22050, 24000, 32000, 44100, 48000})
        if (fits(rate) && (best == 0 || std::abs(rate - sourceRate) < std::abs(best - sourceRate)))
            best = rate;
    return best;
}

Mp3Encoder::~Mp3Encoder()
{
    // An encoding that did not finish leaves nothing under the destination's name.
    file_.abandon();
    if (lame_)
        lame_close(lame_);
}

int32_t Mp3Encoder::outputFailed()
{
    outputError_ = std::strerror(errno);
    return MPGE_ERR_OUTPUT;
}

int32_t Mp3Encoder::open(const EncoderSettings &settings, const PcmFormat &input, const std::string &outputPath)
{
    const int outputRate = chooseOutputRate(input.sampleRate, settings);
    if (outputRate == 0)
        return MPGE_ERR_PARAMETER;
    lame_ = lame_init();
    if (!lame_)
        return MPGE_ERR_ENCODER;
    // A mono source asked for a two-channel mode is encoded as two equal channels, so that the
    // file carries the mode that was asked for; LAME mixes a stereo source down for mono itself.
    const bool monoOut = settings.mode == MC_MODE_MONO;
    lame_set_num_channels(lame_, input.channels == 1 && monoOut ? 1 : 2);
    lame_set_in_samplerate(lame_, input.sampleRate);
    lame_set_out_samplerate(lame_, outputRate);
    lame_set_mode(lame_, lameMode(settings.mode));
    lame_set_quality(lame_, settings.highQuality ? 2 : 3);
    if (settings.lowpass16k)
        lame_set_lowpassfreq(lame_, 16000);
    if (settings.vbrLevel >= 0) {
        lame_set_VBR(lame_, vbr_default);
        lame_set_VBR_q(lame_, settings.vbrLevel);
    } else {
        lame_set_VBR(lame_, vbr_off);
        lame_set_brate(lame_, settings.bitrate);
    }
    lame_set_emphasis(lame_, settings.emphasis);
    if (input.frames >= 0)
        lame_set_num_samples(lame_, static_cast<unsigned long>(input.frames));
    lame_set_write_id3tag_automatic(lame_, 0);
    lame_set_bWriteVbrTag(lame_, 1);
    if (lame_init_params(lame_) < 0)
        return MPGE_ERR_ENCODER;

    const int frameSize = lame_get_framesize(lame_);
    inputFramesPerFrame_ = std::lround(double(frameSize) * input.sampleRate / lame_get_out_samplerate(lame_));
    if (inputFramesPerFrame_ < 1)
        inputFramesPerFrame_ = 1;
    mp3_.resize(static_cast<size_t>(inputFramesPerFrame_ * 5 / 4 + 7200) * 4);

    if (!file_.create(outputPath)) {
        outputError_ = file_.error();
        return MPGE_ERR_OUTPUT;
    }
    output_ = file_.stream();
    const std::vector<uint8_t> &tag = tags_.leading;
    return std::fwrite(tag.data(), 1, tag.size(), output_) == tag.size() ? MPGE_OK : outputFailed();
}

int32_t Mp3Encoder::write(int bytes)
{
    if (bytes < 0)
        return MPGE_ERR_ENCODER;
    if (bytes > 0 && std::fwrite(mp3_.data(), 1, static_cast<size_t>(bytes), output_) != static_cast<size_t>(bytes))
        return outputFailed();
    return MPGE_OK;
}

int32_t Mp3Encoder::encode(const int32_t *left, const int32_t *right, long count)
{
    if (!output_)
        return MPGE_ERR_STATE;
    return write(lame_encode_buffer_int(lame_, left, right, static_cast<int>(count), mp3_.data(),
                                        static_cast<int>(mp3_.size())));
}

int32_t Mp3Encoder::finish()
{
    if (!output_)
        return MPGE_ERR_STATE;
    int32_t result = write(lame_encode_flush(lame_, mp3_.data(), static_cast<int>(mp3_.size())));
    const std::vector<uint8_t> &id3v1 = tags_.trailing;
    if (result == MPGE_OK && std::fwrite(id3v1.data(), 1, id3v1.size(), output_) != id3v1.size())
        result = outputFailed();
    if (result == MPGE_OK) {
        // LAME kept the first frame (right after the ID3v2 tag) free for the tag that describes
        // the whole stream.
        const size_t tagSize = lame_get_lametag_frame(lame_, mp3_.data(), mp3_.size());
        const long firstFrame = static_cast<long>(tags_.leading.size());
        if (tagSize > 0 && tagSize <= mp3_.size() &&
            (std::fseek(output_, firstFrame, SEEK_SET) != 0 ||
             std::fwrite(mp3_.data(), 1, tagSize, output_) != tagSize))
            result = outputFailed();
    }
    output_ = nullptr;
    if (result != MPGE_OK) {
        file_.abandon();
        return result;
    }
    if (!file_.commit()) {
        outputError_ = file_.error();
        return MPGE_ERR_OUTPUT;
    }
    return MPGE_OK;
}

} // namespace tb::encoder
