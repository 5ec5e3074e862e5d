#include "SourceTags.h"

#include "Id3v1.h"
#include "Id3v2.h"
#include "RiffInfo.h"

#include <mpg123.h>

#include <algorithm>
#include <unistd.h>

namespace tb::decoder {

namespace {

bool readAt(int fd, off_t at, uint8_t *to, size_t bytes)
{
    while (bytes > 0) {
        const ssize_t got = ::pread(fd, to, bytes, at);
        if (got <= 0)
            return false;
        to += got;
        at += got;
        bytes -= static_cast<size_t>(got);
    }
    return true;
}

} // namespace

std::vector<uint8_t> wavTagChunks(const uint8_t *id3v1, size_t id3v1Size, const uint8_t *id3v2, size_t id3v2Size)
{
    std::vector<uint8_t> tag;
    if (id3v2 && id3v2Size > 0)
        tag = tags::checkId3v2(id3v2, id3v2Size).tag;
    tags::TagFields fields;
    if (!tag.empty())
        fields = tags::readId3v2Fields(tag);
    tags::TagFields oldFields;
    if (id3v1)
        oldFields = tags::readId3v1(id3v1, id3v1Size).value_or(tags::TagFields{});
    fields.fillFrom(oldFields);
    if (tag.empty())
        tag = tags::makeId3v24(oldFields);

    std::vector<uint8_t> chunks = tags::makeInfoList(fields);
    if (!tag.empty()) {
        const std::vector<uint8_t> id3 = tags::makeChunk("id3 ", tag);
        chunks.insert(chunks.end(), id3.begin(), id3.end());
    }
    return chunks;
}

std::vector<uint8_t> wavTagChunks(mpg123_handle *handle, const std::vector<uint8_t> &leadingTag)
{
    unsigned char *v1 = nullptr, *v2 = nullptr;
    size_t v1Size = 0, v2Size = 0;
    if (mpg123_id3_raw(handle, &v1, &v1Size, &v2, &v2Size) != MPG123_OK)
        v1 = v2 = nullptr;
    // The raw ID3v1 block is there even when the file has none; the parsed one says whether it has.
    mpg123_id3v1 *parsedV1 = nullptr;
    mpg123_id3v2 *parsedV2 = nullptr;
    if (mpg123_id3(handle, &parsedV1, &parsedV2) != MPG123_OK || !parsedV1)
        v1 = nullptr;
    if (!leadingTag.empty()) {
        v2 = const_cast<unsigned char *>(leadingTag.data());
        v2Size = leadingTag.size();
    }
    return wavTagChunks(v1, v1Size, v2, v2Size);
}

OverlongTag findOverlongTag(int fd, off_t fileSize)
{
    OverlongTag found;
    uint8_t header[tags::Id3v2HeaderBytes];
    if (!readAt(fd, 0, header, sizeof header))
        return found;
    const size_t declared = tags::id3v2DeclaredSize(header, sizeof header);
    if (declared == 0 || static_cast<off_t>(declared) <= fileSize)
        return found;
    std::vector<uint8_t> head(static_cast<size_t>(std::min<off_t>(fileSize, tags::MaxId3v2Bytes)));
    if (!readAt(fd, 0, head.data(), head.size()))
        return found;
    tags::Id3v2Check check = tags::checkId3v2(head.data(), head.size());
    off_t start = static_cast<off_t>(check.framesEnd);
    // Padding is zero bytes; the audio begins at the first other byte.
    while (start < static_cast<off_t>(head.size()) && head[static_cast<size_t>(start)] == 0)
        ++start;
    if (start >= static_cast<off_t>(head.size()))
        return found; // nothing but the tag (or a tag too large to look through)
    found.audioStart = start;
    found.tag = std::move(check.tag);
    return found;
}

} // namespace tb::decoder
