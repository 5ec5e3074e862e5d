// Tags inside RIFF WAVE files: the LIST/INFO chunk and the "id3 " chunk that holds an ID3v2 tag.
#pragma once

#include "TagFields.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tb::tags {

// The largest LIST chunk read for its INFO fields; a larger one is passed over.
constexpr size_t MaxInfoListBytes = 1024 * 1024;

// A whole "LIST" chunk of type "INFO" with the fields that are not empty (INAM title, IART artist,
// IPRD album, ICRD year, IGNR genre, ICMT comment, ITRK track), UTF-8 and NUL-terminated; empty
// when all fields are.
std::vector<uint8_t> makeInfoList(const TagFields &fields);

// The fields of a LIST chunk's body (what follows its size, beginning with "INFO"); empty fields
// when it is another kind of list. Texts that are not UTF-8 are read as Latin-1.
TagFields readInfoList(const uint8_t *body, size_t size);

// A chunk with the id and body, padded to an even size.
std::vector<uint8_t> makeChunk(const char id[4], const std::vector<uint8_t> &body);

} // namespace tb::tags
