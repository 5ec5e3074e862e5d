// The tags of an MPEG audio file, carried into the WAV file decoded from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <sys/types.h>
#include <vector>

struct mpg123_handle_struct;

namespace tb::decoder {

// The chunks that go between "fmt " and "data": a LIST/INFO chunk with the fields the tags name
// (ID3v2 first, ID3v1 for what it lacks) and an "id3 " chunk with the ID3v2 tag as it was, or one
// made from the ID3v1 tag. Damaged ID3v2 tags keep only their sound frames. Empty without tags.
// `id3v1` is null when the file has no ID3v1 tag.
std::vector<uint8_t> wavTagChunks(const uint8_t *id3v1, size_t id3v1Size, const uint8_t *id3v2, size_t id3v2Size);

// The same for the tags libmpg123 found while opening the stream (it was opened with
// MPG123_STORE_RAW_ID3); `leadingTag` stands in for its ID3v2 tag when not empty.
std::vector<uint8_t> wavTagChunks(mpg123_handle_struct *handle, const std::vector<uint8_t> &leadingTag);

// A leading ID3v2 tag whose declared size runs past the end of the file makes libmpg123 skip the
// whole file. For such a file: where the audio begins (after the tag's last sound frame and any
// zero padding) and the sound part of the tag. audioStart is 0 for every other file.
struct OverlongTag {
    off_t audioStart = 0;
    std::vector<uint8_t> tag;
};
OverlongTag findOverlongTag(int fd, off_t fileSize);

} // namespace tb::decoder
