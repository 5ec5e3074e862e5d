// Builds ID3v2 tags frame by frame for tests, including damaged ones (sizes that lie).
#pragma once

#include <QString>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tb::test {

struct Id3Frame {
    std::string id;
    std::vector<uint8_t> payload;
    std::optional<uint32_t> declaredSize; // a size other than the payload's
};

inline std::vector<uint8_t> latin1Text(const std::string &latin1)
{
    std::vector<uint8_t> p{0};
    p.insert(p.end(), latin1.begin(), latin1.end());
    return p;
}

inline std::vector<uint8_t> utf8Text(const std::string &utf8)
{
    std::vector<uint8_t> p{3};
    p.insert(p.end(), utf8.begin(), utf8.end());
    return p;
}

// UTF-16 with a byte order mark, little- or big-endian.
inline std::vector<uint8_t> utf16Bytes(const std::string &utf8, bool bigEndian = false)
{
    std::vector<uint8_t> p;
    p.push_back(bigEndian ? 0xFE : 0xFF);
    p.push_back(bigEndian ? 0xFF : 0xFE);
    for (char16_t c : QString::fromUtf8(utf8.c_str()).toStdU16String()) {
        const uint8_t hi = static_cast<uint8_t>(c >> 8), lo = static_cast<uint8_t>(c);
        p.push_back(bigEndian ? hi : lo);
        p.push_back(bigEndian ? lo : hi);
    }
    return p;
}

inline std::vector<uint8_t> utf16Text(const std::string &utf8, bool bigEndian = false)
{
    std::vector<uint8_t> p{1};
    const std::vector<uint8_t> text = utf16Bytes(utf8, bigEndian);
    p.insert(p.end(), text.begin(), text.end());
    return p;
}

inline void putSyncsafe(std::vector<uint8_t> &out, uint32_t v)
{
    for (int shift = 21; shift >= 0; shift -= 7)
        out.push_back(static_cast<uint8_t>(v >> shift & 0x7F));
}

inline void putBe(std::vector<uint8_t> &out, uint32_t v, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline std::vector<uint8_t> id3Frames(int major, const std::vector<Id3Frame> &frames)
{
    std::vector<uint8_t> out;
    for (const Id3Frame &f : frames) {
        out.insert(out.end(), f.id.begin(), f.id.end());
        const uint32_t size = f.declaredSize.value_or(static_cast<uint32_t>(f.payload.size()));
        if (major == 2)
            putBe(out, size, 3);
        else if (major == 3)
            putBe(out, size, 4);
        else
            putSyncsafe(out, size);
        if (major > 2) {
            out.push_back(0);
            out.push_back(0);
        }
        out.insert(out.end(), f.payload.begin(), f.payload.end());
    }
    return out;
}

// A whole tag: header, frames, zero padding. `declaredBody` overrides the size in the header.
inline std::vector<uint8_t> id3Tag(int major, const std::vector<Id3Frame> &frames, size_t padding = 0,
                                   uint8_t flags = 0, std::optional<uint32_t> declaredBody = {})
{
    std::vector<uint8_t> body = id3Frames(major, frames);
    body.resize(body.size() + padding, 0);
    std::vector<uint8_t> tag{'I', 'D', '3', static_cast<uint8_t>(major), 0, flags};
    putSyncsafe(tag, declaredBody.value_or(static_cast<uint32_t>(body.size())));
    tag.insert(tag.end(), body.begin(), body.end());
    return tag;
}

// A 60 000-byte picture frame (APIC) of noise behind a JPEG signature.
inline std::vector<uint8_t> coverPayload(size_t bytes = 60000)
{
    std::vector<uint8_t> p{0};
    for (char c : std::string("image/jpeg"))
        p.push_back(static_cast<uint8_t>(c));
    p.insert(p.end(), {0, 3, 0, 0xFF, 0xD8, 0xFF, 0xE0});
    uint32_t seed = 12345;
    while (p.size() < bytes) {
        seed = seed * 1103515245 + 12345;
        p.push_back(static_cast<uint8_t>(seed >> 16));
    }
    return p;
}

} // namespace tb::test
