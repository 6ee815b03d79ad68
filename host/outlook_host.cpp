#include "host/outlook_host.h"

#include "engine/common/redemption.h"
#include "engine/common/v_sync_char_converter.h"
#include "host/command_line.h"
#include "platform/com/com_error.h"
#include "platform/outlook/outlook_store.h"
#include "platform/win32/code_page.h"
#include "settings/lang.h"
#include "settings/lang_choice.h"

#include <filesystem>
#include <memory>
#include <ostream>

namespace {

// The store's folder is made on first use; a failure shows when the store
// itself cannot be opened.
void EnsureParentFolder(const std::string& file) {
    const std::filesystem::path parent = std::filesystem::path(file).parent_path();
    std::error_code ignored;
    if (!parent.empty()) {
        std::filesystem::create_directories(parent, ignored);
    }
}

} // namespace

CComPtr<_Application> OpenOutlook(const std::string& storeFile, int outlookVersion) {
    ChooseLanguageFile(TheLang());
    SetRedemptionFactory(CreateStoreRedemptionObject);
    EnsureParentFolder(storeFile);
    std::u16string version = AnsiToWide(std::to_string(outlookVersion) + ".0.0.0");
    return OpenOutlookStore(storeFile, true, version, OutlookHooks{});
}

int RunWithOutlook(const std::string& storeFile, int outlookVersion, const char* command,
                   std::ostream& err, const std::function<int(const CComPtr<_Application>&)>& run) {
    std::unique_ptr<vSyncCharConverter> converter;
    if (g_charConverter == nullptr) {
        converter = std::make_unique<vSyncCharConverter>();
        g_charConverter = converter.get();
    }
    int status = kExitUsage;
    try {
        status = run(OpenOutlook(storeFile, outlookVersion));
    } catch (const _com_error& e) {
        err << "quillane " << command << ": " << e.ErrorMessage() << "\n";
    }
    if (converter) {
        g_charConverter = nullptr;
    }
    return status;
}
