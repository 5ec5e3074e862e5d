// The 128-byte ID3v1 (and ID3v1.1) tag at the end of an MPEG audio file.
#pragma once

#include "TagFields.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace tb::tags {

constexpr size_t Id3v1Bytes = 128;

// The fields of the block, or nothing when it is not a tag ("TAG" missing, too short).
// Texts are Latin-1, cut at the first NUL, trailing blanks dropped.
std::optional<TagFields> readId3v1(const uint8_t *block, size_t size);

// The fields as ID3v1 can hold them without losing text, with Latin-1 texts; nothing when a text
// is too long or has characters outside Latin-1. The year keeps its first four digits and the
// track its number (ID3v1.1 holds 1 to 255, and then leaves 28 bytes to the comment); a genre
// without an ID3v1 number does not stop the rest from fitting.
std::optional<TagFields> id3v1Form(const TagFields &fields);

} // namespace tb::tags
