// The exports of the support library. The library keeps the version-texts
// callback that LibOrvaneInitEx found in the start-up record (for the About
// box) and the host's user-interface hook, and logs to the log file.

#include "platform/liborvane/lib_orvane_abi.h"
#include "platform/liborvane/log_file.h"
#include "platform/liborvane/wide_text.h"
#include "platform/win32/types.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>

#define LIBORVANE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr int kErrorNotReady = 21;
constexpr int kErrorBadLength = 24;
constexpr int kErrorCallNotImplemented = 120;

struct LibraryState {
    std::mutex mutex;
    LibOrvaneHandleResolver resolver = nullptr;
    LibOrvaneUiHook hook = nullptr;
    void* hookUser = nullptr;
    bool initialised = false;
    SupportVersionTextsCallback versionTexts = nullptr;
};

LibraryState& State() {
    static LibraryState* state = new LibraryState;
    return *state;
}

int Log(int level, const char* where, std::int32_t code, const std::string& text) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return AppendLogLine(FormatLogLine(now, level, where, code, text.c_str()));
}

std::uint32_t ReadU32(const unsigned char* record, std::size_t offset) {
    std::uint32_t value;
    std::memcpy(&value, record + offset, sizeof value);
    return value;
}

int CheckRecordSize(const unsigned char* record) {
    if (record == nullptr) {
        Log(3, "LibOrvaneInitEx", ERROR_INVALID_PARAMETER, "no start-up record");
        return ERROR_INVALID_PARAMETER;
    }
    std::uint32_t size = ReadU32(record, kSirSize);
    if (size != kSupportInitRecordSize) {
        Log(3, "LibOrvaneInitEx", kErrorBadLength,
            "start-up record of " + std::to_string(size) + " bytes refused");
        return kErrorBadLength;
    }
    return ERROR_SUCCESS;
}

struct RecordCallbacks {
    SupportLanguageCallback language;
    SupportVersionTextsCallback versionTexts;
};

template <typename Fn>
Fn ResolveCallback(LibOrvaneHandleResolver resolver, const unsigned char* record,
                   std::size_t offset) {
    std::uint32_t handle = ReadU32(record, offset);
    return handle != 0 && resolver != nullptr ? reinterpret_cast<Fn>(resolver(handle)) : nullptr;
}

RecordCallbacks ResolveCallbacks(const unsigned char* record) {
    LibOrvaneHandleResolver resolver;
    {
        std::lock_guard lock(State().mutex);
        resolver = State().resolver;
    }
    return {
        ResolveCallback<SupportLanguageCallback>(resolver, record, kSirLanguageCallback),
        ResolveCallback<SupportVersionTextsCallback>(resolver, record, kSirVersionTextsCallback)};
}

// Asks the add-in for its language and version texts, which both proves the
// callbacks work and records the language the add-in starts in.
int CheckCallbacks(const RecordCallbacks& callbacks) {
    SupportVersionTexts texts{};
    if (callbacks.versionTexts(&texts) == nullptr) {
        Log(3, "LibOrvaneInitEx", ERROR_INVALID_PARAMETER, "version texts callback failed");
        return ERROR_INVALID_PARAMETER;
    }
    Log(1, "LibOrvaneInitEx", 0,
        "started: language=" + Utf8FromWide(callbacks.language()) +
            " description=" + Utf8FromWide(texts.fileDescription));
    return ERROR_SUCCESS;
}

std::string AboutText(SupportVersionTextsCallback versionTexts) {
    SupportVersionTexts texts{};
    std::string about = "About Quillane";
    if (versionTexts != nullptr && versionTexts(&texts) != nullptr) {
        for (const char16_t* line : {texts.fileDescription, texts.comments, texts.legalCopyright}) {
            std::string text = Utf8FromWide(line);
            if (!text.empty()) {
                about += "\n" + text;
            }
        }
    }
    return about;
}

// Hands a request to the host's hook; without one, prints the text.
void ShowToHost(int request, const char* text, void* object) {
    LibraryState& state = State();
    LibOrvaneUiHook hook;
    void* user;
    {
        std::lock_guard lock(state.mutex);
        hook = state.hook;
        user = state.hookUser;
    }
    if (hook != nullptr) {
        hook(user, request, text, object);
    } else if (request == kLibOrvaneUiAbout) {
        std::fprintf(stderr, "%s\n", text);
    } else if (request == kLibOrvaneUiHelp) {
        std::fprintf(stderr, "Help: %s\n", text != nullptr ? text : "start page");
    }
}

int NotSupported(const char* name) {
    Log(2, name, kErrorCallNotImplemented, "not supported by this version of the library");
    return kErrorCallNotImplemented;
}

} // namespace

LIBORVANE_EXPORT int LibOrvaneSetHandleResolver(HINSTANCE__*, LibOrvaneHandleResolver resolver) {
    std::lock_guard lock(State().mutex);
    State().resolver = resolver;
    return ERROR_SUCCESS;
}

LIBORVANE_EXPORT int LibOrvaneSetUiHook(HINSTANCE__*, LibOrvaneUiHook hook, void* user) {
    std::lock_guard lock(State().mutex);
    State().hook = hook;
    State().hookUser = hook != nullptr ? user : nullptr;
    return ERROR_SUCCESS;
}

LIBORVANE_EXPORT int LibOrvaneInitEx(HINSTANCE__*, void* record) {
    const auto* bytes = static_cast<const unsigned char*>(record);
    int result = CheckRecordSize(bytes);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    RecordCallbacks callbacks = ResolveCallbacks(bytes);
    if (callbacks.language == nullptr || callbacks.versionTexts == nullptr) {
        Log(3, "LibOrvaneInitEx", ERROR_INVALID_HANDLE, "start-up record without callbacks");
        return ERROR_INVALID_HANDLE;
    }
    result = CheckCallbacks(callbacks);
    if (result == ERROR_SUCCESS) {
        std::lock_guard lock(State().mutex);
        State().initialised = true;
        State().versionTexts = callbacks.versionTexts;
    }
    return result;
}

LIBORVANE_EXPORT int LibOrvaneInitComplete(HINSTANCE__*) {
    bool initialised;
    {
        std::lock_guard lock(State().mutex);
        initialised = State().initialised;
    }
    if (!initialised) {
        Log(3, "LibOrvaneInitComplete", kErrorNotReady, "called before LibOrvaneInitEx");
        return kErrorNotReady;
    }
    Log(1, "LibOrvaneInitComplete", 0, "start-up complete");
    return ERROR_SUCCESS;
}

LIBORVANE_EXPORT int LibOrvaneLogMsg(HINSTANCE__*, const char* text, std::int32_t code,
                                     const char* where, int level, int flag) {
    if (!LogLineWanted(level, flag, std::getenv(kLogDebugVariable))) {
        return ERROR_SUCCESS;
    }
    return Log(level, where, code, text != nullptr ? text : "");
}

LIBORVANE_EXPORT int LibOrvaneShowAbout(HINSTANCE__*) {
    SupportVersionTextsCallback versionTexts;
    {
        std::lock_guard lock(State().mutex);
        versionTexts = State().versionTexts;
    }
    ShowToHost(kLibOrvaneUiAbout, AboutText(versionTexts).c_str(), nullptr);
    return ERROR_SUCCESS;
}

LIBORVANE_EXPORT int LibOrvaneAddAboutMenu(HINSTANCE__*, void* explorer) {
    if (explorer == nullptr) {
        return ERROR_INVALID_PARAMETER;
    }
    ShowToHost(kLibOrvaneUiAboutMenu, "About Quillane...", explorer);
    return ERROR_SUCCESS;
}

LIBORVANE_EXPORT int LibOrvaneShowContextHelp(HINSTANCE__*, const char* topic) {
    ShowToHost(kLibOrvaneUiHelp, topic, nullptr);
    return ERROR_SUCCESS;
}

LIBORVANE_EXPORT int LibOrvaneInit(HINSTANCE__*, std::intptr_t, std::intptr_t, std::intptr_t,
                                   std::intptr_t) {
    return NotSupported("LibOrvaneInit");
}

LIBORVANE_EXPORT int LibOrvaneCreateLog(HINSTANCE__*, std::intptr_t, std::intptr_t, std::intptr_t,
                                        std::intptr_t, std::intptr_t) {
    return NotSupported("LibOrvaneCreateLog");
}

LIBORVANE_EXPORT int LibOrvaneLogMsgEx(HINSTANCE__*, std::intptr_t, std::intptr_t, std::intptr_t,
                                       std::intptr_t, std::intptr_t, std::intptr_t) {
    return NotSupported("LibOrvaneLogMsgEx");
}

LIBORVANE_EXPORT int LibOrvaneReportProblem(HINSTANCE__*) {
    return NotSupported("LibOrvaneReportProblem");
}

LIBORVANE_EXPORT int LibOrvaneSetLanguage(HINSTANCE__*) {
    return NotSupported("LibOrvaneSetLanguage");
}
