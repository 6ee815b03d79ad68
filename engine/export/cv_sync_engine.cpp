#include "engine/export/cv_sync_engine.h"

#include <string>

namespace {

// The maker's and the product's names, which make up the settings key path.
constexpr const char* kMakerName = "Orvane";
constexpr const char* kProductName = "Quillane";
constexpr REGSAM kReadWrite = 0x2001F;

} // namespace

CvSyncEngine::CvSyncEngine(_Application* application, int outlookVersion)
    : application_(application) {
    export_.outlookVersion = outlookVersion;
    std::string path = std::string("Software\\") + kMakerName + "\\" + kProductName;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, kReadWrite, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        SettingsKey = key;
    }
}

CvSyncEngine::~CvSyncEngine() {
    if (SettingsKey != nullptr) {
        RegCloseKey(SettingsKey);
    }
}
