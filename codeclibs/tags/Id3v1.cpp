#include "Id3v1.h"

#include "Genres.h"
#include "TextCodec.h"

#include <cctype>
#include <cstring>

namespace tb::tags {

namespace {

std::string field(const uint8_t *at, size_t size)
{
    const void *nul = std::memchr(at, 0, size);
    const size_t length = nul ? static_cast<size_t>(static_cast<const uint8_t *>(nul) - at) : size;
    return tidied(latin1ToUtf8(at, length));
}

// The leading number of "3" or "3/12", or -1.
int trackNumber(const std::string &track)
{
    int number = 0;
    size_t i = 0;
    for (; i < track.size() && std::isdigit(static_cast<unsigned char>(track[i])) && number <= 255; ++i)
        number = number * 10 + (track[i] - '0');
    return i > 0 && (i == track.size() || track[i] == '/') ? number : -1;
}

} // namespace

std::optional<TagFields> readId3v1(const uint8_t *block, size_t size)
{
    if (size < Id3v1Bytes || std::memcmp(block, "TAG", 3) != 0)
        return std::nullopt;
    TagFields f;
    f.title = field(block + 3, 30);
    f.artist = field(block + 33, 30);
    f.album = field(block + 63, 30);
    f.year = field(block + 93, 4);
    // ID3v1.1: a zero byte before the last comment byte makes that byte the track number.
    const bool hasTrack = block[125] == 0 && block[126] != 0;
    f.comment = field(block + 97, hasTrack ? 28 : 30);
    if (hasTrack)
        f.track = std::to_string(block[126]);
    f.genre = genreName(block[127]);
    return f;
}

std::optional<TagFields> id3v1Form(const TagFields &fields)
{
    TagFields f;
    const std::pair<const std::string *, std::string *> texts[] = {
        {&fields.title, &f.title}, {&fields.artist, &f.artist}, {&fields.album, &f.album}, {&fields.comment, &f.comment}};
    for (auto [from, to] : texts) {
        std::optional<std::string> latin1 = utf8ToLatin1(*from);
        if (!latin1)
            return std::nullopt;
        *to = *latin1;
    }
    if (!fields.track.empty()) {
        const int number = trackNumber(fields.track);
        if (number < 1 || number > 255)
            return std::nullopt;
        f.track = std::to_string(number);
    }
    if (f.title.size() > 30 || f.artist.size() > 30 || f.album.size() > 30 ||
        f.comment.size() > (f.track.empty() ? 30u : 28u))
        return std::nullopt;
    if (!fields.year.empty()) {
        const std::string &y = fields.year;
        const bool fourDigits = y.size() >= 4 && std::isdigit(static_cast<unsigned char>(y[0])) &&
                                std::isdigit(static_cast<unsigned char>(y[1])) &&
                                std::isdigit(static_cast<unsigned char>(y[2])) &&
                                std::isdigit(static_cast<unsigned char>(y[3]));
        if (!fourDigits || (y.size() > 4 && y[4] != '-'))
            return std::nullopt;
        f.year = y.substr(0, 4);
    }
    if (genreNumber(fields.genre) >= 0)
        f.genre = fields.genre;
    return f;
}

} // namespace tb::tags
