#include "TextCodec.h"

namespace tb::tags {

namespace {

void appendUtf8(std::string &out, uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

constexpr uint32_t Replacement = 0xFFFD;

// Length of the valid UTF-8 sequence at p, or 0.
size_t sequenceLength(const uint8_t *p, size_t left)
{
    const uint8_t b = p[0];
    if (b < 0x80)
        return 1;
    size_t length = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
    if (length == 0 || length > left)
        return 0;
    for (size_t i = 1; i < length; ++i)
        if ((p[i] & 0xC0) != 0x80)
            return 0;
    // No overlong forms, no surrogates, nothing beyond U+10FFFF.
    if ((b == 0xE0 && p[1] < 0xA0) || (b == 0xED && p[1] >= 0xA0) || (b == 0xF0 && p[1] < 0x90) ||
        (b == 0xF4 && p[1] >= 0x90))
        return 0;
    return length;
}

} // namespace

std::string latin1ToUtf8(const uint8_t *text, size_t size)
{
    std::string out;
    out.reserve(size);
    for (size_t i = 0; i < size; ++i)
        appendUtf8(out, text[i]);
    return out;
}

std::string utf16ToUtf8(const uint8_t *text, size_t size, bool bigEndian)
{
    std::string out;
    auto unit = [&](size_t i) -> uint32_t {
        return bigEndian ? uint32_t(text[i]) << 8 | text[i + 1] : uint32_t(text[i + 1]) << 8 | text[i];
    };
    for (size_t i = 0; i + 1 < size; i += 2) {
        uint32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 3 < size && unit(i + 2) >= 0xDC00 && unit(i + 2) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
            i += 2;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = Replacement;
        }
        appendUtf8(out, c);
    }
    return out;
}

bool isValidUtf8(const uint8_t *text, size_t size)
{
    for (size_t i = 0; i < size;) {
        const size_t length = sequenceLength(text + i, size - i);
        if (length == 0)
            return false;
        i += length;
    }
    return true;
}

std::string utf8OrLatin1(const uint8_t *text, size_t size)
{
    if (isValidUtf8(text, size))
        return std::string(reinterpret_cast<const char *>(text), size);
    return latin1ToUtf8(text, size);
}

std::optional<std::string> utf8ToLatin1(const std::string &text)
{
    const auto *p = reinterpret_cast<const uint8_t *>(text.data());
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const size_t length = sequenceLength(p + i, text.size() - i);
        if (length == 1)
            out += static_cast<char>(p[i]);
        else if (length == 2 && p[i] <= 0xC3)
            out += static_cast<char>((p[i] & 0x1F) << 6 | (p[i + 1] & 0x3F));
        else
            return std::nullopt;
        i += length;
    }
    return out;
}

std::string tidied(std::string text)
{
    if (text.size() > MaxFieldBytes) {
        size_t cut = MaxFieldBytes;
        while (cut > 0 && (static_cast<uint8_t>(text[cut]) & 0xC0) == 0x80)
            --cut;
        text.resize(cut);
    }
    while (!text.empty() && static_cast<uint8_t>(text.back()) <= 32)
        text.pop_back();
    return text;
}

} // namespace tb::tags
