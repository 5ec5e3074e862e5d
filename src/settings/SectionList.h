// The content of an INI file: an ordered list of sections, each owning its lines verbatim.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
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
    // around; -1 when absent. Names are unique once a file is loaded, so a hash of the folded
    // names answers at once; only a list holding duplicates is searched step by step.
    int find(std::string_view name, int startAt) const;
    // Appends a section after the last one and returns its index.
    int add(std::string name);
    void remove(int index);
    void clear();

    int count() const { return static_cast<int>(sections_.size()); }
    // A section's lines may be changed through at(); its name only through sections().
    Section &at(int index) { return sections_[static_cast<size_t>(index)]; }
    const Section &at(int index) const { return sections_[static_cast<size_t>(index)]; }
    std::vector<Section> &sections()
    {
        indexValid_ = false; // the caller may reorder or rename
        return sections_;
    }
    const std::vector<Section> &sections() const { return sections_; }

private:
    int findStepByStep(std::string_view name, int startAt) const;
    void rebuildIndex() const;

    std::vector<Section> sections_;
    // Folded name -> index of its first section; rebuilt when the list was changed from outside.
    mutable std::unordered_map<std::string, int> index_;
    mutable bool indexValid_ = true;
    mutable bool namesUnique_ = true;
};

} // namespace tb
