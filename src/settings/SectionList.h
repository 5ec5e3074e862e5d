// The content of an INI file: an ordered list of sections, each owning its lines verbatim.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tb {

// Compares two texts without regard to case: ASCII directly, anything else through Unicode
// case folding, so names in the user's language compare as the user expects.
bool sameTextIgnoringCase(std::string_view a, std::string_view b);
std::string foldCase(std::string_view text);

class TSectionList {
public:
    struct Section {
        std::string name;
        std::vector<std::string> lines;
    };

    // Index of the section named so (case ignored), searching from `startAt` and wrapping
    // around; -1 when absent.
    int find(std::string_view name, int startAt) const;
    // Appends a section after the last one and returns its index.
    int add(std::string name);
    void remove(int index);
    void clear() { sections_.clear(); }

    int count() const { return static_cast<int>(sections_.size()); }
    Section &at(int index) { return sections_[static_cast<size_t>(index)]; }
    const Section &at(int index) const { return sections_[static_cast<size_t>(index)]; }
    std::vector<Section> &sections() { return sections_; }
    const std::vector<Section> &sections() const { return sections_; }

private:
    std::vector<Section> sections_;
};

} // namespace tb
