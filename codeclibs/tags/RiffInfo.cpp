#include "RiffInfo.h"

#include "TextCodec.h"

#include <cstring>
#include <string_view>

namespace tb::tags {

namespace {

void putLe32(std::vector<uint8_t> &out, size_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint32_t le32(const uint8_t *p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

struct InfoId {
    const char *id;
    std::string TagFields::*field;
};
// What is written, in this order; ITRK is also read as IPRT and TRCK, names other writers use.
constexpr InfoId InfoIds[] = {{"INAM", &TagFields::title},   {"IART", &TagFields::artist},
                              {"IPRD", &TagFields::album},   {"ICRD", &TagFields::year},
                              {"IGNR", &TagFields::genre},   {"ICMT", &TagFields::comment},
                              {"ITRK", &TagFields::track}};

} // namespace

std::vector<uint8_t> makeChunk(const char id[4], const std::vector<uint8_t> &body)
{
    std::vector<uint8_t> chunk(id, id + 4);
    putLe32(chunk, body.size());
    chunk.insert(chunk.end(), body.begin(), body.end());
    if (body.size() & 1)
        chunk.push_back(0);
    return chunk;
}

std::vector<uint8_t> makeInfoList(const TagFields &fields)
{
    std::vector<uint8_t> body{'I', 'N', 'F', 'O'};
    for (const InfoId &info : InfoIds) {
        const std::string &text = fields.*info.field;
        if (text.empty())
            continue;
        std::vector<uint8_t> value(text.begin(), text.end());
        value.push_back(0);
        const std::vector<uint8_t> chunk = makeChunk(info.id, value);
        body.insert(body.end(), chunk.begin(), chunk.end());
    }
    return body.size() > 4 ? makeChunk("LIST", body) : std::vector<uint8_t>{};
}

TagFields readInfoList(const uint8_t *body, size_t size)
{
    TagFields fields;
    if (size < 4 || std::memcmp(body, "INFO", 4) != 0)
        return fields;
    size_t pos = 4;
    while (size - pos >= 8) {
        const std::string_view id(reinterpret_cast<const char *>(body + pos), 4);
        const size_t length = le32(body + pos + 4);
        if (length > size - pos - 8)
            break; // a damaged entry ends the list; what came before stays
        const uint8_t *text = body + pos + 8;
        const void *nul = std::memchr(text, 0, length);
        const size_t textLength = nul ? static_cast<size_t>(static_cast<const uint8_t *>(nul) - text) : length;
        std::string *field = nullptr;
        for (const InfoId &info : InfoIds)
            if (id == info.id)
                field = &(fields.*info.field);
        if (id == "IPRT" || id == "TRCK")
            field = &fields.track;
        if (field && field->empty())
            *field = tidied(utf8OrLatin1(text, textLength));
        pos += 8 + length + (length & 1);
        if (pos > size)
            break;
    }
    return fields;
}

} // namespace tb::tags
