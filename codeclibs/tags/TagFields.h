// The fields of a piece that every tag format can name, as UTF-8 text.
#pragma once

#include <string>

namespace tb::tags {

struct TagFields {
    std::string title;
    std::string artist;
    std::string album;
    std::string year;    // a year or an ISO date ("2021" or "2021-05-01")
    std::string genre;   // a name ("Rock"), never an ID3v1 number
    std::string comment;
    std::string track;   // "3" or "3/12"

    bool empty() const;
    // Fields empty here are taken from `other`.
    void fillFrom(const TagFields &other);
    bool operator==(const TagFields &) const = default;
};

} // namespace tb::tags
