#include "support/support_callbacks.h"

#include "platform/win32/code_page.h"
#include "platform/win32/registry.h"
#include "support/language_text.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <string>

namespace {

constexpr const char* kSettingsPath = "Software\\Orvane\\Quillane";
constexpr std::size_t kMaxLanguageLength = 255;

std::mutex textsMutex;

// A text value of the settings key below root; nothing when the key or the
// value is missing, is not text, or is empty.
std::optional<std::string> ReadSetting(HKEY root, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, kSettingsPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    DWORD type = REG_NONE;
    DWORD size = 0;
    std::string value;
    LONG result = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    if (result == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0) {
        value.resize(size);
        result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()),
                                  &size);
        value.resize(result == ERROR_SUCCESS ? std::min<std::size_t>(size, value.size()) : 0);
    }
    RegCloseKey(key);
    value.resize(std::min(value.size(), value.find('\0')));
    return value.empty() ? std::nullopt : std::optional<std::string>(value);
}

std::u16string LanguageSetting() {
    std::optional<std::string> language = ReadSetting(HKEY_CURRENT_USER, "LANG");
    if (!language) {
        language = ReadSetting(HKEY_LOCAL_MACHINE, "LANG");
    }
    return language ? AnsiToWide(*language) : u"EN";
}

} // namespace

const char16_t* SupportLanguage() {
    static char16_t language[kMaxLanguageLength + 1];
    std::u16string setting = LanguageSetting().substr(0, kMaxLanguageLength);
    if (!setting.empty() && setting.back() >= 0xD800 && setting.back() <= 0xDBFF) {
        setting.pop_back(); // never end on half of a surrogate pair
    }
    std::lock_guard lock(textsMutex);
    setting.copy(language, setting.size());
    language[setting.size()] = u'\0';
    return language;
}

SupportVersionTexts* FillVersionTexts(SupportVersionTexts* texts) {
    if (texts == nullptr) {
        return nullptr;
    }
    static std::u16string description, comments, copyright;
    std::u16string newDescription = AnsiToWide(LanguageText("IDS_VI_FILE_DESCRIPTION"));
    std::u16string newComments = AnsiToWide(LanguageText("IDS_VI_COMMENTS"));
    std::u16string newCopyright = AnsiToWide(LanguageText("IDS_VI_LEGAL_COPYRIGHT"));
    std::lock_guard lock(textsMutex);
    description = std::move(newDescription);
    comments = std::move(newComments);
    copyright = std::move(newCopyright);
    texts->fileDescription = description.c_str();
    texts->comments = comments.c_str();
    texts->legalCopyright = copyright.c_str();
    return texts;
}
