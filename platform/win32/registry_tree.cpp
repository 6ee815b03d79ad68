#include "platform/win32/registry_tree.h"

#include <algorithm>

namespace {

char FoldCase(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool FoldedLess(char left, char right) {
    return static_cast<unsigned char>(FoldCase(left)) < static_cast<unsigned char>(FoldCase(right));
}

} // namespace

bool RegNameLess::operator()(std::string_view left, std::string_view right) const {
    return std::lexicographical_compare(left.begin(), left.end(), right.begin(), right.end(),
                                        FoldedLess);
}

RegNode* RegNode::Child(std::string_view name) const {
    auto found = subkeys.find(name);
    return found == subkeys.end() ? nullptr : found->second.get();
}

RegNode* RegNode::ChildOrNew(const std::string& name, bool& created) {
    auto [position, inserted] = subkeys.try_emplace(name);
    if (inserted) {
        position->second = std::make_unique<RegNode>();
    }
    created = inserted;
    return position->second.get();
}

std::vector<std::string> SplitKeyPath(std::string_view path, bool& valid) {
    std::vector<std::string> names;
    valid = true;
    size_t start = 0;
    while (start < path.size()) {
        size_t end = std::min(path.find('\\', start), path.size());
        if (end == start) {
            valid = false;
            return {};
        }
        names.emplace_back(path.substr(start, end - start));
        start = end + 1;
    }
    return names;
}

RegNode* FindKey(RegNode& node, const std::vector<std::string>& names) {
    RegNode* current = &node;
    for (const std::string& name : names) {
        current = current->Child(name);
        if (current == nullptr) {
            return nullptr;
        }
    }
    return current;
}
