#include "SourceTags.h"

#include "Id3v1.h"
#include "Id3v2.h"
#include "RiffInfo.h"

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

MpegFileTags readMpegFileTags(int fd, off_t fileSize)
{
    MpegFileTags found;
    std::vector<uint8_t> leading;
    uint8_t header[tags::Id3v2HeaderBytes];
    const size_t declared = readAt(fd, 0, header, sizeof header) ? tags::id3v2DeclaredSize(header, sizeof header) : 0;
    if (declared > 0) {
        std::vector<uint8_t> head(static_cast<size_t>(std::min<off_t>({static_cast<off_t>(declared), fileSize,
                                                                         static_cast<off_t>(tags::MaxId3v2Bytes)})));
        if (readAt(fd, 0, head.data(), head.size())) {
            tags::Id3v2Check check = tags::checkId3v2(head.data(), head.size());
            leading = std::move(check.tag);
            if (static_cast<off_t>(declared) > fileSize) {
                // Padding is zero bytes; the audio begins at the first other byte.
                size_t start = check.framesEnd;
                while (start < head.size() && head[start] == 0)
                    ++start;
                if (start < head.size())
                    found.audioStart = static_cast<off_t>(start);
            }
        }
    }
    // An ID3v1 tag lies after the audio, never inside the leading tag.
    const off_t audioStart = static_cast<off_t>(declared) > fileSize ? found.audioStart : static_cast<off_t>(declared);
    uint8_t last[tags::Id3v1Bytes];
    const bool hasId3v1 = fileSize - audioStart >= static_cast<off_t>(tags::Id3v1Bytes) &&
                          readAt(fd, fileSize - static_cast<off_t>(tags::Id3v1Bytes), last, sizeof last);
    found.wavChunks = wavTagChunks(hasId3v1 ? last : nullptr, sizeof last, leading.data(), leading.size());
    return found;
}

} // namespace tb::decoder
