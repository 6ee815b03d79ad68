#include "engine/export/category_list.h"

#include <cctype>
#include <vector>

namespace {

std::string Trimmed(const std::string& text) {
    std::size_t begin = text.find_first_not_of(" \t\r\n\v\f");
    if (begin == std::string::npos) {
        return {};
    }
    return text.substr(begin, text.find_last_not_of(" \t\r\n\v\f") - begin + 1);
}

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

// The names, lower case, up to the first empty one.
std::vector<std::string> Names(const std::string& text, const std::string& separator) {
    std::vector<std::string> names;
    std::string lower = Lower(text);
    for (std::size_t at = 0; at <= lower.size();) {
        std::size_t end = separator.empty() ? std::string::npos : lower.find(separator, at);
        std::string name = Trimmed(lower.substr(at, end == std::string::npos ? end : end - at));
        if (name.empty()) {
            break;
        }
        names.push_back(name);
        if (end == std::string::npos) {
            break;
        }
        at = end + separator.size();
    }
    return names;
}

} // namespace

bool HasListedCategory(const std::string& itemCategories, const std::string& listed,
                       const std::string& separator) {
    std::string list = separator;
    for (const std::string& name : Names(listed, separator)) {
        list += name + separator;
    }
    for (const std::string& name : Names(itemCategories, separator)) {
        if (list.find(separator + name + separator) != std::string::npos) {
            return true;
        }
    }
    return false;
}
