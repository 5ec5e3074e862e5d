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
    if (!indexValid_)
        rebuildIndex();
    if (!namesUnique_)
        return findStepByStep(name, startAt);
    auto found = index_.find(foldCase(name));
    return found == index_.end() ? -1 : found->second;
}

int TSectionList::findStepByStep(std::string_view name, int startAt) const
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

void TSectionList::rebuildIndex() const
{
    index_.clear();
    namesUnique_ = true;
    for (int i = 0; i < count(); ++i)
        if (!index_.emplace(foldCase(sections_[static_cast<size_t>(i)].name), i).second)
            namesUnique_ = false;
    indexValid_ = true;
}

int TSectionList::add(std::string name)
{
    const int index = count();
    if (indexValid_ && !index_.emplace(foldCase(name), index).second)
        namesUnique_ = false;
    sections_.push_back(Section{std::move(name), {}});
    return index;
}

void TSectionList::remove(int index)
{
    sections_.erase(sections_.begin() + index);
    indexValid_ = false; // the positions behind it moved
}

void TSectionList::clear()
{
    sections_.clear();
    index_.clear();
    indexValid_ = true;
    namesUnique_ = true;
}

} // namespace tb
