#include "support/lib_orvane.h"

#include "support/support_handles.h"

#include <cstdio>

namespace {

struct ExportTable {
    LibOrvaneInitExFn initEx;
    LibOrvaneInitCompleteFn initComplete;
    LibOrvaneLogMsgFn logMsg;
    LibOrvaneShowAboutFn showAbout;
    LibOrvaneAddAboutMenuFn addAboutMenu;
    LibOrvaneShowContextHelpFn showContextHelp;
    LibOrvaneInitFn init;
    LibOrvaneCreateLogFn createLog;
    LibOrvaneLogMsgExFn logMsgEx;
    LibOrvaneReportProblemFn reportProblem;
    LibOrvaneSetLanguageFn setLanguage;
    LibOrvaneSetHandleResolverFn setHandleResolver;
    LibOrvaneSetUiHookFn setUiHook;
};

// The longest text LogError, LogWarning and LogTrace hand to the library.
constexpr size_t kMaxLogText = 512;

void* ResolveHandle(std::uint32_t handle) {
    return ResolveSupportHandle(handle);
}

template <typename Fn>
bool Resolve(HMODULE library, const char* name, Fn& function) {
    function = reinterpret_cast<Fn>(GetProcAddress(library, name));
    return function != nullptr;
}

// Every export must be there: a library missing one is not used at all.
bool ResolveAll(HMODULE library, ExportTable& e) {
    return Resolve(library, "LibOrvaneInitEx", e.initEx) &&
           Resolve(library, "LibOrvaneInitComplete", e.initComplete) &&
           Resolve(library, "LibOrvaneLogMsg", e.logMsg) &&
           Resolve(library, "LibOrvaneShowAbout", e.showAbout) &&
           Resolve(library, "LibOrvaneAddAboutMenu", e.addAboutMenu) &&
           Resolve(library, "LibOrvaneShowContextHelp", e.showContextHelp) &&
           Resolve(library, "LibOrvaneInit", e.init) &&
           Resolve(library, "LibOrvaneCreateLog", e.createLog) &&
           Resolve(library, "LibOrvaneLogMsgEx", e.logMsgEx) &&
           Resolve(library, "LibOrvaneReportProblem", e.reportProblem) &&
           Resolve(library, "LibOrvaneSetLanguage", e.setLanguage) &&
           Resolve(library, "LibOrvaneSetHandleResolver", e.setHandleResolver) &&
           Resolve(library, "LibOrvaneSetUiHook", e.setUiHook);
}

} // namespace

struct CLibOrvane::Exports : ExportTable {};

CLibOrvane::CLibOrvane(const char* libraryName) : library_(LoadLibraryA(libraryName)) {
    if (library_ == nullptr) {
        return;
    }
    exports_ = new Exports{};
    if (!ResolveAll(library_, *exports_)) {
        delete exports_;
        exports_ = nullptr;
        FreeLibrary(library_);
        library_ = nullptr;
    }
}

CLibOrvane::~CLibOrvane() {
    delete exports_;
    if (library_ != nullptr) {
        FreeLibrary(library_);
    }
}

bool CLibOrvane::IsLoaded() const {
    return exports_ != nullptr;
}

int CLibOrvane::InitEx(HINSTANCE module, SupportInitRecord* record) {
    if (exports_ == nullptr) {
        return kLibOrvaneAbsent;
    }
    context_ = module;
    int result = exports_->setHandleResolver(module, ResolveHandle);
    return result != 0 ? result : exports_->initEx(module, record);
}

int CLibOrvane::InitComplete() {
    return exports_ != nullptr ? exports_->initComplete(context_) : kLibOrvaneAbsent;
}

int CLibOrvane::LogMsg(const char* text, LONG code, const char* where, int level, int flag) {
    return exports_ != nullptr ? exports_->logMsg(context_, text, code, where, level, flag)
                               : kLibOrvaneAbsent;
}

int CLibOrvane::ShowAbout() {
    return exports_ != nullptr ? exports_->showAbout(context_) : kLibOrvaneAbsent;
}

int CLibOrvane::AddAboutMenu(void* explorer) {
    return exports_ != nullptr ? exports_->addAboutMenu(context_, explorer) : kLibOrvaneAbsent;
}

int CLibOrvane::ShowContextHelp(const char* topic) {
    return exports_ != nullptr ? exports_->showContextHelp(context_, topic) : kLibOrvaneAbsent;
}

int CLibOrvane::SetUiHook(LibOrvaneUiHook hook, void* user) {
    return exports_ != nullptr ? exports_->setUiHook(context_, hook, user) : kLibOrvaneAbsent;
}

void CLibOrvane::LogV(int level, const char* where, LONG code, const char* format, va_list args) {
    char text[kMaxLogText + 1];
    std::vsnprintf(text, sizeof text, format, args);
    LogMsg(text, code, where, level);
}

void CLibOrvane::LogError(const char* where, LONG code, const char* format, ...) {
    va_list args;
    va_start(args, format);
    LogV(kLogError, where, code, format, args);
    va_end(args);
}

void CLibOrvane::LogWarning(const char* where, LONG code, const char* format, ...) {
    va_list args;
    va_start(args, format);
    LogV(kLogWarning, where, code, format, args);
    va_end(args);
}

void CLibOrvane::LogTrace(const char* where, LONG code, const char* format, ...) {
    va_list args;
    va_start(args, format);
    LogV(kLogTrace, where, code, format, args);
    va_end(args);
}

void CLibOrvane::LogAssert(bool condition, const char* where, int line) {
    if (!condition) {
        LogError(where, 0, "ASSERT failed in line %d", line);
    }
}

CLibOrvane& LibOrvane() {
    // Never destroyed: objects torn down at exit may still log.
    static CLibOrvane* instance = new CLibOrvane();
    return *instance;
}
