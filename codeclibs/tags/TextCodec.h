// Conversions between the text encodings tags use and UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace tb::tags {

// Longest text kept for one field; a longer one is cut at a character boundary.
constexpr size_t MaxFieldBytes = 64 * 1024;

std::string latin1ToUtf8(const uint8_t *text, size_t size);
// UTF-16 in the given byte order; unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(const uint8_t *text, size_t size, bool bigEndian);
// Valid UTF-8 is kept; any other byte sequence is read as Latin-1, which is what older writers used.
std::string utf8OrLatin1(const uint8_t *text, size_t size);
bool isValidUtf8(const uint8_t *text, size_t size);
// The text in Latin-1, or nothing when a character has no Latin-1 form.
std::optional<std::string> utf8ToLatin1(const std::string &text);
// Drops trailing NULs, blanks and control characters, and cuts the text to MaxFieldBytes.
std::string tidied(std::string text);

} // namespace tb::tags
