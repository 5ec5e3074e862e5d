#include "WavTags.h"

#include "Id3v1.h"
#include "Id3v2.h"
#include "RiffInfo.h"

#include <lame/lame.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <sys/stat.h>

namespace tb::encoder {

namespace {

uint32_t le32(const uint8_t *p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
uint64_t le64(const uint8_t *p) { return le32(p) | uint64_t(le32(p + 4)) << 32; }

// A file of many tiny chunks is not looked through to its end.
constexpr int MaxChunks = 4096;
// A data size of 0xFFFFFFFF: a streamed file (its data runs to the end) or RF64 (the size is in ds64).
constexpr uint32_t SizeElsewhere = 0xFFFFFFFF;

struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

bool readAt(std::FILE *f, int64_t at, void *to, size_t bytes)
{
    return fseeko(f, static_cast<off_t>(at), SEEK_SET) == 0 && std::fread(to, 1, bytes, f) == bytes;
}

// The ID3v1 block LAME writes for fields that id3v1Form gave.
std::vector<uint8_t> lameId3v1(const tags::TagFields &latin1)
{
    lame_t lame = lame_init();
    if (!lame)
        return {};
    id3tag_init(lame);
    id3tag_v1_only(lame);
    const std::pair<void (*)(lame_t, const char *), const std::string *> texts[] = {
        {id3tag_set_title, &latin1.title},
        {id3tag_set_artist, &latin1.artist},
        {id3tag_set_album, &latin1.album},
        {id3tag_set_year, &latin1.year},
        {id3tag_set_comment, &latin1.comment}};
    for (auto [set, text] : texts)
        if (!text->empty())
            set(lame, text->c_str());
    if (!latin1.track.empty())
        id3tag_set_track(lame, latin1.track.c_str());
    if (!latin1.genre.empty())
        id3tag_set_genre(lame, latin1.genre.c_str());
    std::vector<uint8_t> block(tags::Id3v1Bytes);
    const size_t written = lame_get_id3v1_tag(lame, block.data(), block.size());
    lame_close(lame);
    return written == tags::Id3v1Bytes ? block : std::vector<uint8_t>{};
}

} // namespace

WavTags readWavTags(const std::string &path)
{
    WavTags found;
    File file(std::fopen(path.c_str(), "rb"));
    struct stat st {};
    if (!file || ::fstat(fileno(file.get()), &st) != 0 || !S_ISREG(st.st_mode))
        return found;
    const int64_t fileSize = st.st_size;
    uint8_t riff[12];
    if (!readAt(file.get(), 0, riff, sizeof riff) || std::memcmp(riff + 8, "WAVE", 4) != 0)
        return found;
    const bool rf64 = std::memcmp(riff, "RF64", 4) == 0;
    if (!rf64 && std::memcmp(riff, "RIFF", 4) != 0)
        return found;

    tags::TagFields info;
    int64_t rf64DataSize = -1;
    int64_t pos = 12;
    for (int chunks = 0; chunks < MaxChunks && fileSize - pos >= 8; ++chunks) {
        uint8_t header[8];
        if (!readAt(file.get(), pos, header, sizeof header))
            break;
        const int64_t body = pos + 8;
        const int64_t available = fileSize - body;
        int64_t size = le32(header + 4);
        if (std::memcmp(header, "data", 4) == 0 && size == SizeElsewhere) {
            if (!rf64 || rf64DataSize < 0)
                break; // the samples run to the end of the file
            size = rf64DataSize;
        }
        if (size > available)
            break; // a chunk cut short ends the file
        if (std::memcmp(header, "ds64", 4) == 0 && size >= 16) {
            uint8_t sizes[16];
            if (readAt(file.get(), body, sizes, sizeof sizes))
                rf64DataSize = static_cast<int64_t>(le64(sizes + 8) & 0x7FFFFFFFFFFFFFFF);
        } else if ((std::memcmp(header, "id3 ", 4) == 0 || std::memcmp(header, "ID3 ", 4) == 0) &&
                   found.id3v2.empty() && size <= static_cast<int64_t>(tags::MaxId3v2Bytes)) {
            std::vector<uint8_t> bytes(static_cast<size_t>(size));
            if (readAt(file.get(), body, bytes.data(), bytes.size()))
                found.id3v2 = tags::checkId3v2(bytes.data(), bytes.size()).tag;
        } else if (std::memcmp(header, "LIST", 4) == 0 && size <= static_cast<int64_t>(tags::MaxInfoListBytes)) {
            std::vector<uint8_t> bytes(static_cast<size_t>(size));
            if (readAt(file.get(), body, bytes.data(), bytes.size()))
                info.fillFrom(tags::readInfoList(bytes.data(), bytes.size()));
        }
        pos = body + size + (size & 1);
    }
    if (!found.id3v2.empty())
        found.fields = tags::readId3v2Fields(found.id3v2);
    found.fields.fillFrom(info);
    return found;
}

Mp3Tags mp3TagsFor(const WavTags &wav)
{
    Mp3Tags mp3;
    mp3.leading = wav.id3v2.empty() ? tags::makeId3v24(wav.fields) : wav.id3v2;
    if (!wav.fields.empty())
        if (std::optional<tags::TagFields> latin1 = tags::id3v1Form(wav.fields))
            mp3.trailing = lameId3v1(*latin1);
    return mp3;
}

} // namespace tb::encoder
