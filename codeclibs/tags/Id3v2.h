// ID3v2 tags (versions 2.2, 2.3 and 2.4): checking a tag frame by frame, reading the fields of its
// text frames, and making a version 2.4 tag from fields.
#pragma once

#include "TagFields.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tb::tags {

constexpr size_t Id3v2HeaderBytes = 10;
// The largest tag carried across a conversion (cover pictures included); a larger one is dropped.
constexpr size_t MaxId3v2Bytes = 16 * 1024 * 1024;

// The whole size (header, frames, padding and footer) that the ID3v2 header at `data` declares,
// or 0 when `data` does not begin with a well-formed ID3v2 header.
size_t id3v2DeclaredSize(const uint8_t *data, size_t size);

struct Id3v2Check {
    // What can be carried: the tag unchanged when it is sound; when it is damaged, a tag of the same
    // version rebuilt from its sound frames (frames of size 0 left out, frames from the first
    // unreadable one on dropped); empty when nothing of it is usable.
    std::vector<uint8_t> tag;
    bool damaged = false;
    // Offset in `data` just after the last sound frame: where a tag whose declared size is wrong
    // really ends (padding, if any, follows).
    size_t framesEnd = 0;
};
// `size` may be less than the declared size (a tag cut short by the end of the file).
Id3v2Check checkId3v2(const uint8_t *data, size_t size);

// The fields of a tag that checkId3v2 returned. Text frames in any ID3v2 encoding; "(17)" and
// "17" genres become names; the first comment without a description is preferred.
TagFields readId3v2Fields(const std::vector<uint8_t> &tag);

// A version 2.4 tag of UTF-8 text frames (TIT2, TPE1, TALB, TDRC, TCON, COMM, TRCK) holding the
// fields that are not empty; empty when all are.
std::vector<uint8_t> makeId3v24(const TagFields &fields);

} // namespace tb::tags
