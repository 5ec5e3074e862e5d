// The genre numbers of ID3v1 (and of "(n)" references in ID3v2) with their names.
#pragma once

#include <string>

namespace tb::tags {

// The name of genre number n, or empty when n names none.
std::string genreName(int number);
// The number of a genre name (compared without regard to case), or -1.
int genreNumber(const std::string &name);

} // namespace tb::tags
