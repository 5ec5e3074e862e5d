// The tags of an MPEG audio file, carried into the WAV file decoded from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <sys/types.h>
#include <vector>

namespace tb::decoder {

// The chunks that go between "fmt " and "data": a LIST/INFO chunk with the fields the tags name
// (ID3v2 first, ID3v1 for what it lacks) and an "id3 " chunk with the ID3v2 tag as it was, or one
// made from the ID3v1 tag. Damaged ID3v2 tags keep only their sound frames. Empty without tags.
// `id3v1` is null when the file has no ID3v1 tag.
std::vector<uint8_t> wavTagChunks(const uint8_t *id3v1, size_t id3v1Size, const uint8_t *id3v2, size_t id3v2Size);

// The tags of an MPEG file as read from the file itself (libmpg123 rewrites parts of the raw tag
// it keeps while it parses it, so its copy is not the file's): the leading ID3v2 tag and the
// ID3v1 tag at the end.
//
// A leading tag whose declared size runs past the end of the file would make libmpg123 skip the
// whole file; for such a file audioStart is where the audio really begins (after the tag's last
// sound frame and any zero padding). It is 0 for every other file.
struct MpegFileTags {
    off_t audioStart = 0;
    std::vector<uint8_t> wavChunks; // as wavTagChunks makes them
};
MpegFileTags readMpegFileTags(int fd, off_t fileSize);

} // namespace tb::decoder
