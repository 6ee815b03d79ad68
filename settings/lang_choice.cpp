#include "settings/lang_choice.h"

#include "platform/win32/module.h"
#include "platform/win32/paths.h"
#include "platform/win32/registry.h"
#include "settings/lang.h"
#include "settings/settings_key_path.h"
#include "support/lib_orvane.h"

#include <strings.h>
#include <vector>

namespace {

constexpr const char* kLangValue = "LANG";
constexpr const char* kLangFileValue = "LANG_";

// A text value below the settings path of root; empty when it is missing or
// not text.
std::string ReadSetting(HKEY root, const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, kSettingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return {};
    }
    DWORD type = REG_NONE;
    DWORD size = 0;
    std::vector<char> data;
    LONG status = RegQueryValueExA(key, name, nullptr, &type, nullptr, &size);
    if (status == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ)) {
        data.resize(size + 1);
        status = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                                  &size);
    }
    RegCloseKey(key);
    return status == ERROR_SUCCESS && !data.empty() ? std::string(data.data()) : std::string();
}

// Stores a text value for the user; a failing write is ignored, as the choice
// is made again at the next start.
void WriteSetting(const char* name, const std::string& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_READ | KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
    RegCloseKey(key);
}

// LANG for the user, falling back to the machine-wide value and then "EN";
// a fallback also empties LANG_ and stores both for the user.
std::string ChosenLangId(std::string& langFile) {
    std::string langid = ReadSetting(HKEY_CURRENT_USER, kLangValue);
    langFile = ReadSetting(HKEY_CURRENT_USER, kLangFileValue);
    if (!langid.empty()) {
        return langid;
    }
    langid = ReadSetting(HKEY_LOCAL_MACHINE, kLangValue);
    if (langid.empty()) {
        langid = "EN";
    }
    langFile.clear();
    WriteSetting(kLangValue, langid);
    WriteSetting(kLangFileValue, langFile);
    return langid;
}

bool LoadStoredFile(CLang& lang, const std::string& folder, const std::string& langFile,
                    const std::string& langid) {
    if (!lang.Load(JoinPath(folder, langFile), kLangDefaultSection)) {
        return false;
    }
    if (strcasecmp(lang.LangId(), langid.c_str()) == 0) {
        return true;
    }
    WriteSetting(kLangFileValue, "");
    lang.Clear();
    return false;
}

// The path after the folder and its separator.
std::string RelativeToFolder(const std::string& path, const std::string& folder) {
    std::size_t start = path.compare(0, folder.size(), folder) == 0 ? folder.size() : 0;
    while (start < path.size() && path[start] == '/') {
        ++start;
    }
    return path.substr(start);
}

} // namespace

bool ChooseLanguageFile(CLang& lang, const std::string& folder) {
    std::string langFile;
    std::string langid = ChosenLangId(langFile);
    if (!langFile.empty() && LoadStoredFile(lang, folder, langFile, langid)) {
        return true;
    }
    if (!lang.FindByLangId(langid, folder, "*.ini", kLangDefaultSection)) {
        LibOrvane().LogError("CConnect::OnConnection", 0, "cant find lang file for lang=%s",
                             langid.c_str());
        return false;
    }
    WriteSetting(kLangValue, lang.LangId());
    WriteSetting(kLangFileValue, RelativeToFolder(lang.Path(), folder));
    return true;
}

bool ChooseLanguageFile(CLang& lang) {
    return ChooseLanguageFile(lang, ModuleFolder());
}
