// One MP3 encoding with LAME: the settings of the configuration items, the choice of the output
// sample rate, and the output file with its LAME/Xing tag. The file is written under a temporary
// name and gets its own name only when finished; an encoding that ends otherwise leaves nothing.
#pragma once

#include "PcmSource.h"
#include "WavTags.h"
#include "common/ReplacingFile.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct lame_global_struct;

namespace tb::encoder {

struct EncoderSettings {
    int mode = MC_MODE_JOINT;
    int bitrate = 128;        // kbit/s, constant bitrate
    bool highQuality = false; // LAME -q 2 instead of its default -q 3
    bool lowpass16k = false;  // a 16 kHz low-pass instead of LAME's automatic one
    int vbrLevel = -1;        // 0..9: variable bitrate at that quality; -1: constant bitrate
    int emphasis = 0;         // 0, 1 (50/15 us) or 3 (CCITT J.17)
};

// True when LAME encodes the bitrate at the sample rate: the bitrate exists for the rate's MPEG
// version (and is at most 64 kbit/s for MPEG 2.5).
bool bitrateFitsRate(int kbps, int sampleRate);
// The output rate: the source's own when it is an MPEG rate that fits the bitrate, else the
// nearest MPEG rate that does (LAME resamples), so the file has the bitrate that was asked for;
// for a low source that is the lowest rate above it that carries the bitrate. 0 when no rate
// fits (the bitrate exists in no MPEG version).
int chooseOutputRate(int sourceRate, const EncoderSettings &settings);

class Mp3Encoder {
public:
    Mp3Encoder() = default;
    ~Mp3Encoder();
    Mp3Encoder(const Mp3Encoder &) = delete;
    Mp3Encoder &operator=(const Mp3Encoder &) = delete;

    // Tags for the output file: an ID3v2 tag before the first frame, an ID3v1 tag after the last.
    void setTags(Mp3Tags tags) { tags_ = std::move(tags); }
    // Sets LAME up for the input and creates the output file. Returns an MPGE_* code.
    int32_t open(const EncoderSettings &settings, const PcmFormat &input, const std::string &outputPath);
    // Input sample frames that make one MP3 frame.
    long inputFramesPerFrame() const { return inputFramesPerFrame_; }
    // Encodes count sample frames and writes what LAME gives back. Returns an MPGE_* code.
    int32_t encode(const int32_t *left, const int32_t *right, long count);
    // Flushes the encoder, writes the LAME/Xing tag into the first frame, closes the file and
    // gives it its name.
    int32_t finish();
    // Why the output failed: the system's text ("No space left on device"); empty otherwise.
    const std::string &outputError() const { return outputError_; }

private:
    int32_t write(int bytes);
    int32_t outputFailed();

    lame_global_struct *lame_ = nullptr;
    codec::ReplacingFile file_;
    std::FILE *output_ = nullptr; // file_'s stream while open
    std::string outputError_;
    long inputFramesPerFrame_ = 1152;
    Mp3Tags tags_;
    std::vector<unsigned char> mp3_;
};

} // namespace tb::encoder
