#pragma once
// CLibOrvane: the wrapper of the maker's support library, loaded by name at
// run time. It supplies logging, the About box and context help; when the
// library or any of its exports is missing, every wrapper returns -200.

#include "platform/liborvane/lib_orvane_abi.h"
#include "platform/win32/module.h"
#include "platform/win32/types.h"
#include "support/support_init_record.h"

#include <atomic>
#include <cstdarg>

inline constexpr int kLibOrvaneAbsent = -200;

enum LogLevel { kLogTrace = 1, kLogWarning = 2, kLogError = 3 };

class CLibOrvane {
public:
    // Loads the library by bare name and resolves every export.
    explicit CLibOrvane(const char* libraryName = "LibOrvane.dll");
    ~CLibOrvane();
    CLibOrvane(const CLibOrvane&) = delete;
    CLibOrvane& operator=(const CLibOrvane&) = delete;

    bool IsLoaded() const;

    // Records the module handle as the context of every later call, hands the
    // library the resolver of the record's handles, then the record.
    int InitEx(HINSTANCE module, SupportInitRecord* record);
    int InitComplete();
    int LogMsg(const char* text, LONG code, const char* where, int level, int flag = 1);
    int ShowAbout();
    int AddAboutMenu(void* explorer);
    // A null topic opens the help's start page.
    int ShowContextHelp(const char* topic);
    // The host's hook for the About box, help and the About menu entry; a
    // null hook makes the library print to standard error.
    int SetUiHook(LibOrvaneUiHook hook, void* user);

    // printf-style into at most 512 characters, then LogMsg at level 3, 2, 1.
    void LogError(const char* where, LONG code, const char* format, ...)
        __attribute__((format(printf, 4, 5)));
    void LogWarning(const char* where, LONG code, const char* format, ...)
        __attribute__((format(printf, 4, 5)));
    void LogTrace(const char* where, LONG code, const char* format, ...)
        __attribute__((format(printf, 4, 5)));
    // Logs "ASSERT failed in line %d" as an error when the condition is false.
    void LogAssert(bool condition, const char* where, int line);

private:
    struct Exports;
    void LogV(int level, const char* where, LONG code, const char* format, va_list args);

    HMODULE library_ = nullptr;
    Exports* exports_ = nullptr;
    std::atomic<HINSTANCE> context_ = nullptr;
};

// The process-wide wrapper, created on first use and alive until exit.
CLibOrvane& LibOrvane();
