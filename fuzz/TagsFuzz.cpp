// Hostile tag bytes for the tag module of the codec libraries: ID3v2 tags (checked, rebuilt and
// read), ID3v1 blocks and INFO lists. Whatever is kept of a tag must itself check as sound.
#include "Id3v1.h"
#include "Id3v2.h"
#include "RiffInfo.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const tb::tags::Id3v2Check check = tb::tags::checkId3v2(data, size);
    if (check.framesEnd > size)
        __builtin_trap();
    if (!check.tag.empty()) {
        const tb::tags::Id3v2Check again = tb::tags::checkId3v2(check.tag.data(), check.tag.size());
        if (again.damaged || again.tag != check.tag)
            __builtin_trap();
        const tb::tags::TagFields fields = tb::tags::readId3v2Fields(check.tag);
        const std::vector<uint8_t> made = tb::tags::makeId3v24(fields);
        if (!made.empty() && tb::tags::readId3v2Fields(made) != fields)
            __builtin_trap();
        (void)tb::tags::makeInfoList(fields);
        (void)tb::tags::id3v1Form(fields);
    }
    (void)tb::tags::readId3v1(data, size);
    const tb::tags::TagFields info = tb::tags::readInfoList(data, size);
    const std::vector<uint8_t> list = tb::tags::makeInfoList(info);
    if (!list.empty() && tb::tags::readInfoList(list.data() + 8, list.size() - 8) != info)
        __builtin_trap();
    return 0;
}
