#include "SectionList.h"

#include <QString>

namespace tb {

namespace {
bool isAscii(std::string_view text)
{
    for (unsigned char c : text)
        if (c >= 0x80)
            return false;
    return true;
}

char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
} // namespace

std::string foldCase(std::string_view text)
{
    if (isAscii(text)) {
        std::string out(text);
        for (char &c : out)
            c = asciiLower(c);
        return out;
    }
    QString decoded = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    return decoded.toCaseFolded().toStdString();
}

bool sameTextIgnoringCase(std::string_view a, std::string_view b)
{
    if (isAscii(a) && isAscii(b)) {
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i)
            if (asciiLower(a[i]) != asciiLower(b[i]))
                return false;
        return true;
    }
    return foldCase(a) == foldCase(b);
}

int TSectionList::find(std::string_view name, int startAt) const
{
    const int n = count();
    if (n == 0)
        return -1;
    if (startAt < 0 || startAt >= n)
        startAt = 0;
    for (int step = 0; step < n; ++step) {
        int i = (startAt + step) % n;
        if (sameTextIgnoringCase(sections_[static_cast<size_t>(i)].name, name))
            return i;
    }
    return -1;
}

int TSectionList::add(std::string name)
{
    sections_.push_back(Section{std::move(name), {}});
    return count() - 1;
}

void TSectionList::remove(int index) { sections_.erase(sections_.begin() + index); }

} // namespace tb
