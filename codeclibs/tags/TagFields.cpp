#include "TagFields.h"

namespace tb::tags {

bool TagFields::empty() const
{
    return title.empty() && artist.empty() && album.empty() && year.empty() && genre.empty() && comment.empty() &&
           track.empty();
}

void TagFields::fillFrom(const TagFields &other)
{
    for (auto field : {&TagFields::title, &TagFields::artist, &TagFields::album, &TagFields::year, &TagFields::genre,
                       &TagFields::comment, &TagFields::track})
        if ((this->*field).empty())
            this->*field = other.*field;
}

} // namespace tb::tags
