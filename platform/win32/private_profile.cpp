#include "platform/win32/private_profile.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <unordered_map>
#include <vector>

namespace {

struct ProfileEntry {
    std::string key;
    std::optional<std::string> value; // none for a line without "="
};

struct ProfileSection {
    std::string name;
    std::vector<ProfileEntry> entries;
    std::unordered_map<std::string, std::size_t> firstByKey; // lower-cased key
};

struct Profile {
    std::vector<ProfileSection> sections;
    std::unordered_map<std::string, std::size_t> firstByName; // lower-cased name
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string Trim(const std::string& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin])) {
        ++begin;
    }
    while (end > begin && IsBlank(text[end - 1])) {
        --end;
    }
    return text.substr(begin, end - begin);
}

std::string Unquote(const std::string& value) {
    bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                  value.back() == value.front();
    return quoted ? value.substr(1, value.size() - 2) : value;
}

void AddSection(Profile& profile, const std::string& name) {
    profile.firstByName.emplace(Lower(name), profile.sections.size());
    profile.sections.push_back({name, {}, {}});
}

void AddEntry(ProfileSection& section, const std::string& line) {
    std::size_t equals = line.find('=');
    std::string key = Trim(line.substr(0, equals));
    if (key.empty()) {
        return;
    }
    std::optional<std::string> value;
    if (equals != std::string::npos) {
        value = Trim(line.substr(equals + 1));
    }
    section.firstByKey.emplace(Lower(key), section.entries.size());
    section.entries.push_back({key, value});
}

void ParseLine(Profile& profile, const std::string& rawLine) {
    std::string line = Trim(rawLine);
    if (line.empty() || line.front() == ';') {
        return;
    }
    std::size_t close = line.rfind(']');
    if (line.front() == '[' && close != std::string::npos) {
        AddSection(profile, Trim(line.substr(1, close - 1)));
    } else if (!profile.sections.empty()) {
        AddEntry(profile.sections.back(), line);
    }
}

Profile Parse(const std::string& bytes) {
    std::size_t start = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    std::istringstream in(bytes.substr(start));
    Profile profile;
    std::string line;
    while (std::getline(in, line)) {
        ParseLine(profile, line);
    }
    return profile;
}

struct CachedProfile {
    std::string path;
    dev_t device;
    ino_t inode;
    off_t size;
    timespec modified;
    std::shared_ptr<const Profile> profile;
};

bool SameFile(const CachedProfile& cached, const struct stat& info) {
    return cached.device == info.st_dev && cached.inode == info.st_ino &&
           cached.size == info.st_size && cached.modified.tv_sec == info.st_mtim.tv_sec &&
           cached.modified.tv_nsec == info.st_mtim.tv_nsec;
}

constexpr std::size_t kCachedProfiles = 8;
std::mutex cacheMutex;
std::vector<CachedProfile> cache;

std::shared_ptr<const Profile> ReadProfile(const std::string& path, const struct stat& info) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return nullptr;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    auto profile = std::make_shared<const Profile>(Parse(bytes.str()));
    if (cache.size() == kCachedProfiles) {
        cache.erase(cache.begin());
    }
    cache.push_back({path, info.st_dev, info.st_ino, info.st_size, info.st_mtim, profile});
    return profile;
}

// The parsed file, or null (with the last error set) when it cannot be read.
std::shared_ptr<const Profile> LoadProfile(const char* fileName) {
    struct stat info {};
    if (fileName == nullptr || stat(fileName, &info) != 0 || !S_ISREG(info.st_mode)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    std::lock_guard lock(cacheMutex);
    auto hit = std::find_if(cache.begin(), cache.end(),
                            [&](const CachedProfile& c) { return c.path == fileName; });
    if (hit != cache.end() && SameFile(*hit, info)) {
        return hit->profile;
    }
    if (hit != cache.end()) {
        cache.erase(hit);
    }
    auto profile = ReadProfile(fileName, info);
    if (profile == nullptr) {
        SetLastError(ERROR_ACCESS_DENIED);
    }
    return profile;
}

const ProfileSection* FindSection(const Profile& profile, const char* name) {
    auto found = profile.firstByName.find(Lower(name));
    return found == profile.firstByName.end() ? nullptr : &profile.sections[found->second];
}

const ProfileEntry* FindEntry(const ProfileSection& section, const char* key) {
    auto found = section.firstByKey.find(Lower(key));
    return found == section.firstByKey.end() ? nullptr : &section.entries[found->second];
}

DWORD CopyText(const std::string& text, char* returned, DWORD size) {
    if (returned == nullptr || size == 0) {
        return 0;
    }
    DWORD length = static_cast<DWORD>(std::min<std::size_t>(text.size(), size - 1));
    std::memcpy(returned, text.data(), length);
    returned[length] = '\0';
    return length;
}

// Names, each followed by a zero, then one more zero.
DWORD CopyList(const std::vector<std::string>& names, char* returned, DWORD size) {
    if (returned == nullptr || size == 0) {
        return 0;
    }
    if (size == 1) {
        returned[0] = '\0';
        return 0;
    }
    std::string list;
    for (const std::string& name : names) {
        list += name;
        list += '\0';
    }
    if (list.size() + 1 <= size) {
        std::memcpy(returned, list.data(), list.size());
        returned[list.size()] = '\0';
        return static_cast<DWORD>(list.size());
    }
    std::memcpy(returned, list.data(), size - 2);
    returned[size - 2] = '\0';
    returned[size - 1] = '\0';
    return size - 2;
}

std::vector<std::string> SectionNames(const Profile* profile) {
    std::vector<std::string> names;
    if (profile != nullptr) {
        for (const ProfileSection& section : profile->sections) {
            names.push_back(section.name);
        }
    }
    return names;
}

std::vector<std::string> KeyNames(const ProfileSection* section) {
    std::vector<std::string> names;
    if (section != nullptr) {
        for (const ProfileEntry& entry : section->entries) {
            names.push_back(entry.key);
        }
    }
    return names;
}

std::string DefaultText(const char* defaultValue) {
    std::string text = defaultValue ? defaultValue : "";
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

} // namespace

DWORD GetPrivateProfileStringA(const char* section, const char* key, const char* defaultValue,
                               char* returned, DWORD size, const char* fileName) {
    auto profile = LoadProfile(fileName);
    if (section == nullptr) {
        return CopyList(SectionNames(profile.get()), returned, size);
    }
    const ProfileSection* found = profile ? FindSection(*profile, section) : nullptr;
    if (key == nullptr) {
        return CopyList(KeyNames(found), returned, size);
    }
    const ProfileEntry* entry = found ? FindEntry(*found, key) : nullptr;
    if (entry == nullptr || !entry->value) {
        return CopyText(DefaultText(defaultValue), returned, size);
    }
    return CopyText(Unquote(*entry->value), returned, size);
}

UINT GetPrivateProfileIntA(const char* section, const char* key, int defaultValue,
                           const char* fileName) {
    char buffer[256];
    if (section == nullptr || key == nullptr ||
        GetPrivateProfileStringA(section, key, "", buffer, sizeof buffer, fileName) == 0) {
        return static_cast<UINT>(defaultValue);
    }
    const char* p = buffer;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+') {
        ++p;
    }
    UINT value = 0;
    for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
        value = value * 10 + static_cast<UINT>(*p - '0');
    }
    return negative ? 0u - value : value;
}

DWORD GetPrivateProfileSectionNamesA(char* returned, DWORD size, const char* fileName) {
    return GetPrivateProfileStringA(nullptr, nullptr, nullptr, returned, size, fileName);
}
