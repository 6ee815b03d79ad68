#include "engine/export/file_naming.h"

#include "platform/win32/files.h"
#include "platform/win32/paths.h"

#include <cctype>
#include <cstring>
#include <string_view>

namespace {

bool StartsWithReservedWord(const std::string& name, std::string_view word) {
    if (name.size() < word.size()) {
        return false;
    }
    for (std::size_t i = 0; i < word.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(name[i])) != word[i]) {
            return false;
        }
    }
    return name.size() == word.size() || name[word.size()] == '.';
}

std::string CombinedPath(const std::string& folder, const std::string& name) {
    char path[MAX_PATH];
    return PathCombineA(path, folder.c_str(), name.c_str()) != nullptr ? path : "";
}

} // namespace

std::string SanitizeFileName(std::string name) {
    static const char kForbidden[] = "\t\r\n\\/:*?\"<>|";
    for (char& c : name) {
        if (c != '\0' && std::strchr(kForbidden, c) != nullptr) {
            c = '_';
        }
    }
    while (!name.empty() && std::isspace(static_cast<unsigned char>(name.back()))) {
        name.pop_back();
    }
    for (std::string_view word : {std::string_view("con"), std::string_view("nul")}) {
        if (StartsWithReservedWord(name, word)) {
            name[word.size() - 1] = '_';
            break;
        }
    }
    return name;
}

std::string BracketFirstLineBreak(std::string base) {
    std::size_t at = base.find("\r\n");
    if (at != std::string::npos) {
        base.replace(at, 2, " (");
        base += ')';
    }
    return base;
}

std::string FreeFilePath(const std::string& folder, const std::string& base,
                         const std::string& extension, bool overwrite) {
    if (overwrite) {
        return CombinedPath(folder, base + extension);
    }
    for (int k = 0;; ++k) {
        std::string candidate = base + (k > 0 ? "(" + std::to_string(k) + ")" : "") + extension;
        std::string path = CombinedPath(folder, candidate);
        if (path.empty() || !PathFileExistsA(path.c_str())) {
            return path;
        }
    }
}
