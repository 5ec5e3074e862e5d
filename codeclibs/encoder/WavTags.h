// The tags of a RIFF WAVE file, read for the MP3 file encoded from it: an ID3v2 tag in an "id3 "
// (or "ID3 ") chunk and the fields of a LIST/INFO chunk, before or after the samples.
#pragma once

#include "TagFields.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tb::encoder {

struct WavTags {
    std::vector<uint8_t> id3v2; // as checkId3v2 keeps it: unchanged, or its sound frames
    tags::TagFields fields;     // the ID3v2 tag's, with what it lacks from INFO
};

// Reads what tags the file has; a damaged or oversized chunk is passed over. Never fails: a file
// without readable tags gives empty ones.
WavTags readWavTags(const std::string &path);

// The tags of the MP3 file: `leading` is its ID3v2 tag (the WAV file's own, else one made from
// the INFO fields), `trailing` its ID3v1 tag when every text fits ID3v1 (written by LAME).
struct Mp3Tags {
    std::vector<uint8_t> leading;
    std::vector<uint8_t> trailing;
};
Mp3Tags mp3TagsFor(const WavTags &tags);

} // namespace tb::encoder
