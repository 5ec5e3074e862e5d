#include "Id3v2.h"

#include "Genres.h"
#include "TextCodec.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <functional>
#include <string_view>

namespace tb::tags {

namespace {

constexpr uint8_t FlagUnsync = 0x80;
constexpr uint8_t FlagExtendedHeader = 0x40; // 2.3 and 2.4; in 2.2 it means compression
constexpr uint8_t FlagExperimental = 0x20;
constexpr uint8_t FlagFooter = 0x10; // 2.4

uint32_t syncsafe(const uint8_t *p) { return uint32_t(p[0]) << 21 | uint32_t(p[1]) << 14 | uint32_t(p[2]) << 7 | p[3]; }
bool isSyncsafe(const uint8_t *p) { return ((p[0] | p[1] | p[2] | p[3]) & 0x80) == 0; }
uint32_t be32(const uint8_t *p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint32_t be24(const uint8_t *p) { return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]; }

void putSyncsafe(std::vector<uint8_t> &out, size_t value)
{
    for (int shift = 21; shift >= 0; shift -= 7)
        out.push_back(static_cast<uint8_t>(value >> shift & 0x7F));
}

// Undoes unsynchronisation: every 0xFF 0x00 pair stands for 0xFF. `removed` receives, for each
// dropped zero, the index in the result of the byte that followed it.
std::vector<uint8_t> resynchronised(const uint8_t *p, size_t size, std::vector<size_t> *removed = nullptr)
{
    std::vector<uint8_t> out;
    out.reserve(size);
    for (size_t i = 0; i < size; ++i) {
        out.push_back(p[i]);
        if (p[i] == 0xFF && i + 1 < size && p[i + 1] == 0x00) {
            ++i;
            if (removed)
                removed->push_back(out.size());
        }
    }
    return out;
}

// A tag's frames as the walk found them.
struct Frame {
    std::string_view id;
    const uint8_t *header;
    const uint8_t *payload;
    size_t payloadSize;
};

// The frame area of a tag, after unsynchronisation of the whole tag has been undone.
class FrameArea {
public:
    FrameArea(const uint8_t *data, size_t size)
    {
        declared_ = id3v2DeclaredSize(data, size);
        if (declared_ == 0)
            return;
        major_ = data[3];
        revision_ = data[4];
        flags_ = data[5];
        const size_t bodyEnd = std::min({size, Id3v2HeaderBytes + syncsafe(data + 6), MaxId3v2Bytes});
        cutShort_ = size < declared_;
        const uint8_t *body = data + Id3v2HeaderBytes;
        size_t bodySize = bodyEnd > Id3v2HeaderBytes ? bodyEnd - Id3v2HeaderBytes : 0;
        if (major_ < 4 && (flags_ & FlagUnsync)) {
            resynced_ = resynchronised(body, bodySize, &removed_);
            body = resynced_.data();
            bodySize = resynced_.size();
        }
        body_ = body;
        bodySize_ = bodySize;
        // Version 2.2 defined a compression flag and no compression: such a tag cannot be read.
        usable_ = !(major_ == 2 && (flags_ & FlagExtendedHeader));
        if (usable_ && major_ >= 3 && (flags_ & FlagExtendedHeader))
            usable_ = skipExtendedHeader();
        if (usable_)
            walk();
    }

    bool found() const { return declared_ > 0; }
    size_t declared() const { return declared_; }
    int major() const { return major_; }
    const std::vector<Frame> &frames() const { return frames_; }
    // A sound tag walks to its end without a fault; anything else is rebuilt.
    bool damaged() const { return !usable_ || faulty_ || cutShort_; }
    // Offset in the original bytes just after the last sound frame.
    size_t framesEnd() const
    {
        const size_t end = walkEnd_;
        const auto dropped = std::upper_bound(removed_.begin(), removed_.end(), end) - removed_.begin();
        return Id3v2HeaderBytes + end + static_cast<size_t>(dropped);
    }

    std::vector<uint8_t> rebuilt() const
    {
        std::vector<uint8_t> frames;
        for (const Frame &f : frames_)
            frames.insert(frames.end(), f.header, f.payload + f.payloadSize);
        if (frames.empty() || frames.size() + Id3v2HeaderBytes > MaxId3v2Bytes)
            return {};
        // The frames are stored as they are: no unsynchronisation of the whole tag (2.2, 2.3),
        // no extended header (its CRC and sizes no longer hold), no footer.
        uint8_t flags = flags_ & FlagExperimental;
        if (major_ == 4)
            flags |= flags_ & FlagUnsync;
        std::vector<uint8_t> tag{'I', 'D', '3', static_cast<uint8_t>(major_), revision_, flags};
        putSyncsafe(tag, frames.size());
        tag.insert(tag.end(), frames.begin(), frames.end());
        return tag;
    }

private:
    bool skipExtendedHeader()
    {
        if (bodySize_ < 6)
            return false;
        // 2.3 counts the bytes after the size field (6 or 10); 2.4 counts the whole header.
        const size_t size = major_ == 3 ? 4 + size_t(be32(body_)) : isSyncsafe(body_) ? syncsafe(body_) : 0;
        if (size < 6 || size > bodySize_)
            return false;
        first_ = size;
        return true;
    }

    void walk()
    {
        const size_t idBytes = major_ == 2 ? 3 : 4;
        const size_t headerBytes = major_ == 2 ? 6 : 10;
        size_t pos = first_;
        walkEnd_ = pos;
        while (pos < bodySize_) {
            if (body_[pos] == 0)
                return; // padding
            if (bodySize_ - pos < headerBytes) {
                faulty_ = true;
                return;
            }
            const uint8_t *h = body_ + pos;
            for (size_t i = 0; i < idBytes; ++i)
                if (!std::isupper(h[i]) && !std::isdigit(h[i])) {
                    faulty_ = true;
                    return;
                }
            size_t size = 0;
            if (major_ == 2)
                size = be24(h + 3);
            else if (major_ == 3)
                size = be32(h + 4);
            else if (isSyncsafe(h + 4))
                size = syncsafe(h + 4);
            else {
                faulty_ = true;
                return;
            }
            if (size > bodySize_ - pos - headerBytes) {
                faulty_ = true;
                return;
            }
            pos += headerBytes + size;
            walkEnd_ = pos;
            if (size == 0) {
                faulty_ = true; // a frame must hold at least one byte: left out, the walk goes on
                continue;
            }
            frames_.push_back({std::string_view(reinterpret_cast<const char *>(h), idBytes), h, h + headerBytes, size});
        }
    }

    size_t declared_ = 0;
    int major_ = 0;
    uint8_t revision_ = 0;
    uint8_t flags_ = 0;
    bool cutShort_ = false;
    bool usable_ = false;
    bool faulty_ = false;
    std::vector<uint8_t> resynced_;
    std::vector<size_t> removed_;
    const uint8_t *body_ = nullptr;
    size_t bodySize_ = 0;
    size_t first_ = 0;
    size_t walkEnd_ = 0; // just after the last frame the walk could read
    std::vector<Frame> frames_;
};

// --- Reading text frames ---------------------------------------------------------------------

enum Encoding : uint8_t { Latin1 = 0, Utf16 = 1, Utf16Be = 2, Utf8 = 3 };

// Length of the string at p in the encoding, without its terminator; `next` is where what follows
// the terminator begins (or the end).
size_t stringLength(uint8_t encoding, const uint8_t *p, size_t size, size_t &next)
{
    if (encoding == Utf16 || encoding == Utf16Be) {
        for (size_t i = 0; i + 1 < size; i += 2)
            if (p[i] == 0 && p[i + 1] == 0) {
                next = i + 2;
                return i;
            }
        next = size;
        return size & ~size_t(1);
    }
    const void *nul = std::memchr(p, 0, size);
    const size_t length = nul ? static_cast<size_t>(static_cast<const uint8_t *>(nul) - p) : size;
    next = nul ? length + 1 : size;
    return length;
}

std::string decodeString(uint8_t encoding, const uint8_t *p, size_t size)
{
    switch (encoding) {
    case Latin1: return latin1ToUtf8(p, size);
    case Utf8: return utf8OrLatin1(p, size);
    case Utf16:
        if (size >= 2 && p[0] == 0xFE && p[1] == 0xFF)
            return utf16ToUtf8(p + 2, size - 2, true);
        if (size >= 2 && p[0] == 0xFF && p[1] == 0xFE)
            return utf16ToUtf8(p + 2, size - 2, false);
        return utf16ToUtf8(p, size, false); // no byte order mark: the usual little-endian
    case Utf16Be: return utf16ToUtf8(p, size, true);
    default: return {};
    }
}

// The first string of a text frame's payload.
std::string frameText(const uint8_t *p, size_t size)
{
    if (size < 1)
        return {};
    size_t next = 0;
    const size_t length = stringLength(p[0], p + 1, size - 1, next);
    return tidied(decodeString(p[0], p + 1, length));
}

// A comment frame: encoding, language, description, text. Sets `described` when the description
// is not empty.
std::string commentText(const uint8_t *p, size_t size, bool &described)
{
    if (size < 4)
        return {};
    size_t next = 0;
    const size_t descriptionLength = stringLength(p[0], p + 4, size - 4, next);
    described = descriptionLength > 0;
    const uint8_t *text = p + 4 + next;
    const size_t left = size - 4 - next;
    size_t ignored = 0;
    return tidied(decodeString(p[0], text, stringLength(p[0], text, left, ignored)));
}

// "(17)", "(17)Rock" (a refinement), "17" or a name.
std::string genreText(const std::string &text)
{
    if (text.starts_with("((")) // an escaped parenthesis: the rest is a name
        return text.substr(1);
    if (text.starts_with("(")) {
        const size_t close = text.find(')');
        if (close != std::string::npos) {
            const std::string inside = text.substr(1, close - 1);
            const std::string refinement = text.substr(close + 1);
            if (!refinement.empty())
                return refinement;
            if (inside == "RX")
                return "Remix";
            if (inside == "CR")
                return "Cover";
            if (!inside.empty() && inside.size() <= 3 &&
                std::all_of(inside.begin(), inside.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
                return genreName(std::stoi(inside));
        }
        return text;
    }
    if (!text.empty() && text.size() <= 3 &&
        std::all_of(text.begin(), text.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); })) {
        const std::string name = genreName(std::stoi(text));
        return name.empty() ? text : name;
    }
    return text;
}

// The payload of a frame as stored, after its own flags: grouping and data length bytes skipped,
// unsynchronisation undone; empty when compressed or encrypted.
std::vector<uint8_t> framePayload(int major, const Frame &f)
{
    const uint8_t *p = f.payload;
    size_t size = f.payloadSize;
    if (major == 3) {
        const uint8_t format = f.header[9];
        if (format & 0xC0) // compressed or encrypted
            return {};
        if (format & 0x20) { // grouping identity
            if (size < 1)
                return {};
            ++p;
            --size;
        }
        return std::vector<uint8_t>(p, p + size);
    }
    if (major == 4) {
        const uint8_t format = f.header[9];
        if (format & 0x0C)
            return {};
        const size_t skip = (format & 0x40 ? 1 : 0) + (format & 0x01 ? 4 : 0);
        if (size < skip)
            return {};
        p += skip;
        size -= skip;
        if (format & 0x02)
            return resynchronised(p, size);
    }
    return std::vector<uint8_t>(p, p + size);
}

void putFrame(std::vector<uint8_t> &out, const char *id, const std::vector<uint8_t> &payload)
{
    out.insert(out.end(), id, id + 4);
    putSyncsafe(out, payload.size());
    out.push_back(0);
    out.push_back(0);
    out.insert(out.end(), payload.begin(), payload.end());
}

} // namespace

size_t id3v2DeclaredSize(const uint8_t *data, size_t size)
{
    if (size < Id3v2HeaderBytes || std::memcmp(data, "ID3", 3) != 0 || data[3] < 2 || data[3] > 4 ||
        data[4] == 0xFF || !isSyncsafe(data + 6))
        return 0;
    const bool footer = data[3] == 4 && (data[5] & FlagFooter);
    return Id3v2HeaderBytes + syncsafe(data + 6) + (footer ? Id3v2HeaderBytes : 0);
}

Id3v2Check checkId3v2(const uint8_t *data, size_t size)
{
    Id3v2Check check;
    FrameArea area(data, size);
    if (!area.found()) {
        check.damaged = size >= 3 && std::memcmp(data, "ID3", 3) == 0;
        return check;
    }
    check.framesEnd = std::min(area.framesEnd(), size);
    check.damaged = area.damaged();
    if (!check.damaged && area.declared() <= MaxId3v2Bytes)
        check.tag.assign(data, data + area.declared());
    else if (check.damaged)
        check.tag = area.rebuilt();
    return check;
}

TagFields readId3v2Fields(const std::vector<uint8_t> &tag)
{
    TagFields fields;
    FrameArea area(tag.data(), tag.size());
    bool commentDescribed = true;
    for (const Frame &f : area.frames()) {
        const std::string_view id = f.id;
        auto is = [&](std::string_view v22, std::string_view v23) { return id == (area.major() == 2 ? v22 : v23); };
        const std::vector<uint8_t> payload = framePayload(area.major(), f);
        if (payload.empty())
            continue;
        auto setOnce = [&](std::string &field) {
            if (field.empty())
                field = frameText(payload.data(), payload.size());
        };
        if (is("TT2", "TIT2"))
            setOnce(fields.title);
        else if (is("TP1", "TPE1"))
            setOnce(fields.artist);
        else if (is("TAL", "TALB"))
            setOnce(fields.album);
        else if (is("TYE", "TYER") || is("TYE", "TDRC"))
            setOnce(fields.year);
        else if (is("TRK", "TRCK"))
            setOnce(fields.track);
        else if (is("TCO", "TCON")) {
            if (fields.genre.empty())
                fields.genre = genreText(frameText(payload.data(), payload.size()));
        } else if (is("COM", "COMM") && commentDescribed) {
            bool described = false;
            std::string text = commentText(payload.data(), payload.size(), described);
            if (!text.empty() && (fields.comment.empty() || !described)) {
                fields.comment = text;
                commentDescribed = described;
            }
        }
    }
    return fields;
}

std::vector<uint8_t> makeId3v24(const TagFields &fields)
{
    std::vector<uint8_t> frames;
    auto text = [&](const char *id, const std::string &value) {
        if (value.empty())
            return;
        std::vector<uint8_t> payload{Utf8};
        payload.insert(payload.end(), value.begin(), value.end());
        putFrame(frames, id, payload);
    };
    text("TIT2", fields.title);
    text("TPE1", fields.artist);
    text("TALB", fields.album);
    text("TDRC", fields.year);
    // A name that begins with a parenthesis would read as a genre number: it is escaped as "((".
    text("TCON", fields.genre.starts_with("(") ? "(" + fields.genre : fields.genre);
    if (!fields.comment.empty()) {
        // Language unknown ("XXX"), no description.
        std::vector<uint8_t> payload{Utf8, 'X', 'X', 'X', 0};
        payload.insert(payload.end(), fields.comment.begin(), fields.comment.end());
        putFrame(frames, "COMM", payload);
    }
    text("TRCK", fields.track);
    if (frames.empty())
        return {};
    std::vector<uint8_t> tag{'I', 'D', '3', 4, 0, 0};
    putSyncsafe(tag, frames.size());
    tag.insert(tag.end(), frames.begin(), frames.end());
    return tag;
}

} // namespace tb::tags
