#include "platform/win32/locale.h"

#include "platform/win32/registry.h"

#include <cstdint>
#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

namespace {

struct LocaleEntry {
    LCTYPE type;
    const char* valueName; // under Control Panel\International
    const char* enUs;
};

constexpr LocaleEntry kEntries[] = {
    {LOCALE_SLIST, "sList", ","},
    {LOCALE_SSHORTDATE, "sShortDate", "M/d/yyyy"},
    {LOCALE_STIMEFORMAT, "sTimeFormat", "h:mm:ss tt"},
};

const LocaleEntry* FindEntry(LCTYPE type) {
    for (const LocaleEntry& entry : kEntries) {
        if (entry.type == type) {
            return &entry;
        }
    }
    return nullptr;
}

bool KnownLocale(LCID locale) {
    return locale == LOCALE_USER_DEFAULT || locale == LOCALE_SYSTEM_DEFAULT || locale == 0x0409;
}

// The text stored under the value, up to its first zero; nullopt when the
// value is missing or is not text.
std::optional<std::string> ReadText(HKEY key, const char* name) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::nullopt;
    }
    std::vector<BYTE> data(size);
    if (RegQueryValueExA(key, name, nullptr, &type, data.data(), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::string text(data.begin(), data.begin() + size);
    return text.substr(0, text.find('\0'));
}

std::optional<std::string> UserOverride(const char* valueName) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\International", 0, KEY_QUERY_VALUE,
                      &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::optional<std::string> text = ReadText(key, valueName);
    RegCloseKey(key);
    return text;
}

// Date formatting asks for a picture per date: the user's values are read
// again only after the registry changed.
std::string CachedUserValue(const LocaleEntry& entry) {
    struct Cached {
        std::uint64_t readAt = 0;
        std::string text;
    };
    thread_local Cached cache[std::size(kEntries)];
    Cached& cached = cache[&entry - kEntries];
    const std::uint64_t changes = RegistryChangeCount() + 1;
    if (cached.readAt != changes) {
        cached.text = UserOverride(entry.valueName).value_or(entry.enUs);
        cached.readAt = changes;
    }
    return cached.text;
}

int Fail(LONG error) {
    SetLastError(static_cast<DWORD>(error));
    return 0;
}

} // namespace

int GetLocaleInfoA(LCID locale, LCTYPE type, char* data, int size) {
    bool ownValue = (type & LOCALE_NOUSEROVERRIDE) != 0;
    const LocaleEntry* entry = FindEntry(type & ~LOCALE_NOUSEROVERRIDE);
    if (!KnownLocale(locale) || size < 0 || (size > 0 && data == nullptr)) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    if (entry == nullptr) {
        return Fail(ERROR_INVALID_FLAGS);
    }
    const std::string text = ownValue ? entry->enUs : CachedUserValue(*entry);
    int needed = static_cast<int>(text.size()) + 1;
    if (size == 0) {
        return needed;
    }
    if (size < needed) {
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    }
    std::memcpy(data, text.c_str(), static_cast<size_t>(needed));
    return needed;
}
