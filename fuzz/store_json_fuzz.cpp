// Arbitrary bytes as the JSON of `quillane store load`: a document that
// parses has each appointment checked and, when every check passes, loaded
// into a store in a transaction that is never committed, so the store stays
// empty between inputs. Loading may refuse a value with StoreJsonError or
// _com_error; anything else is a fault.

#include "engine/common/outlook_items.h"
#include "host/store_json.h"
#include "platform/com/com_error.h"
#include "platform/outlook/outlook_store.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

namespace {

CComPtr<_Application>& Outlook() {
    static CComPtr<_Application> outlook;
    return outlook;
}

std::string& StorePath() {
    static std::string path;
    return path;
}

// The store goes with the process.
void RemoveStore() {
    Outlook() = nullptr;
    for (const char* suffix : {"", "-wal", "-shm"}) {
        std::filesystem::remove(StorePath() + suffix);
    }
}

bool CheckAll(const nlohmann::json& document) {
    try {
        for (const nlohmann::json& object : document) {
            CheckAppointment(object);
        }
    } catch (const StoreJsonError&) {
        return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "EST5EDT,M3.2.0,M11.1.0", 1);
    StorePath() = (std::filesystem::temp_directory_path() /
                   ("quillane-fuzz-store-" + std::to_string(getpid()) + ".db"))
                      .string();
    Outlook() = OpenOutlookStore(StorePath(), true, u"14.0.0.0", OutlookHooks{});
    std::atexit(RemoveStore);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const nlohmann::json document = nlohmann::json::parse(data, data + size, nullptr, false);
    if (!document.is_array() || !CheckAll(document)) {
        return 0;
    }
    StoreTransaction transaction(Outlook());
    CComPtr<MAPIFolder> calendar = Outlook()->GetSession()->GetDefaultFolder(olFolderCalendar);
    for (const nlohmann::json& object : document) {
        try {
            LoadAppointment(object, QueryInterface<_AppointmentItem>(calendar->GetItems()->Add()));
        } catch (const StoreJsonError&) {
        } catch (const _com_error&) {
        }
    }
    return 0;
}
