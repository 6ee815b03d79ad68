#pragma once
// The registry's key tree: nested keys, each with typed values, where key
// and value names compare without regard to case but keep the case they were
// created with. Subkeys list in case-insensitive name order, as Windows does.

#include "platform/win32/types.h"

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Orders names the way the registry compares them: ASCII letters fold to
// upper case, everything else compares byte for byte.
struct RegNameLess {
    using is_transparent = void;
    bool operator()(std::string_view left, std::string_view right) const;
};

struct RegValue {
    DWORD type = 0;
    std::vector<BYTE> data;
};

struct RegNode {
    std::map<std::string, RegValue, RegNameLess> values;
    std::map<std::string, std::unique_ptr<RegNode>, RegNameLess> subkeys;

    // The subkey of that name, or null.
    RegNode* Child(std::string_view name) const;
    // The subkey of that name, created when missing; created tells which.
    RegNode* ChildOrNew(const std::string& name, bool& created);
};

// Splits "Software\\Orvane\\Quillane" into its key names. A trailing
// backslash is allowed; an empty name inside the path (a leading or doubled
// backslash) makes the path invalid and the result empty with valid false.
std::vector<std::string> SplitKeyPath(std::string_view path, bool& valid);

// Follows the path below the node; null when a key on the way is missing.
RegNode* FindKey(RegNode& node, const std::vector<std::string>& names);
