#pragma once
// The binary interface of the support library LibOrvane: the C functions it
// exports, the callbacks it accepts, and the layout of the start-up record as
// the library reads it. Both the add-in's wrapper and the library include it.
//
// The start-up record keeps the byte layout of a 32-bit build (180 bytes,
// 4-byte pointer slots). On a 64-bit build every pointer slot holds a 32-bit
// handle instead; the library turns a handle back into a pointer through the
// resolver that the add-in installs with LibOrvaneSetHandleResolver before
// LibOrvaneInitEx. Handle 0 stands for a null pointer.

#include <cstddef>
#include <cstdint>

struct HINSTANCE__;

// The wide texts the version-texts callback fills in.
struct SupportVersionTexts {
    const char16_t* fileDescription;
    const char16_t* comments;
    const char16_t* legalCopyright;
};

// The start-up record's callbacks: the user-interface language, and the
// version texts (fills the given record and returns it).
using SupportLanguageCallback = const char16_t* (*)();
using SupportVersionTextsCallback = SupportVersionTexts* (*)(SupportVersionTexts* texts);

// Byte offsets of the start-up record's fields. Fields not listed are zero.
inline constexpr std::size_t kSupportInitRecordSize = 180;
enum SupportInitRecordOffset : std::size_t {
    kSirSize = 0,                  // u32, the record size (180)
    kSirReserved = 4,              // u32 0
    kSirApplication = 8,           // handle of the Outlook Application object
    kSirInterfaceLevel = 12,       // u32 14
    kSirFlag28 = 28,               // u8 1
    kSirFlag36 = 36,               // u32 1
    kSirLanguageCallback = 60,     // handle of a SupportLanguageCallback
    kSirVersionTextsCallback = 64, // handle of a SupportVersionTextsCallback
    kSirDefaultLanguage = 72,      // handle of the wide text "EN"
    kSirEmptyText152 = 152,        // handles of an empty wide text
    kSirEmptyText156 = 156,
    kSirEmptyText160 = 160,
    kSirFlag172 = 172, // u32 1
    kSirFlag176 = 176, // u32 1
};

// Turns a record handle back into the pointer it stands for (null when the
// handle is unknown).
using LibOrvaneHandleResolver = void* (*)(std::uint32_t handle);

// What the library asks the host to show.
enum LibOrvaneUiRequest {
    kLibOrvaneUiAbout = 1,     // text: the About box text
    kLibOrvaneUiHelp = 2,      // text: the help topic, null for the start page
    kLibOrvaneUiAboutMenu = 3, // text: the menu entry; object: the Outlook Explorer
};
using LibOrvaneUiHook = void (*)(void* user, int request, const char* text, void* object);

// The exports. Each returns 0 on success or an error code, and takes the
// add-in's module instance handle first.
extern "C" {
using LibOrvaneInitExFn = int (*)(HINSTANCE__* context, void* record);
using LibOrvaneInitCompleteFn = int (*)(HINSTANCE__* context);
using LibOrvaneLogMsgFn = int (*)(HINSTANCE__* context, const char* text, std::int32_t code,
                                  const char* where, int level, int flag);
using LibOrvaneShowAboutFn = int (*)(HINSTANCE__* context);
using LibOrvaneAddAboutMenuFn = int (*)(HINSTANCE__* context, void* explorer);
using LibOrvaneShowContextHelpFn = int (*)(HINSTANCE__* context, const char* topic);
using LibOrvaneInitFn = int (*)(HINSTANCE__* context, std::intptr_t, std::intptr_t, std::intptr_t,
                                std::intptr_t);
using LibOrvaneCreateLogFn = int (*)(HINSTANCE__* context, std::intptr_t, std::intptr_t,
                                     std::intptr_t, std::intptr_t, std::intptr_t);
using LibOrvaneLogMsgExFn = int (*)(HINSTANCE__* context, std::intptr_t, std::intptr_t,
                                    std::intptr_t, std::intptr_t, std::intptr_t, std::intptr_t);
using LibOrvaneReportProblemFn = int (*)(HINSTANCE__* context);
using LibOrvaneSetLanguageFn = int (*)(HINSTANCE__* context);
// Installs the resolver for the start-up record's handles.
using LibOrvaneSetHandleResolverFn = int (*)(HINSTANCE__* context,
                                             LibOrvaneHandleResolver resolver);
// Installs the host's hook for the About box, context help and the About
// menu entry (a null hook restores the default: text on standard error).
using LibOrvaneSetUiHookFn = int (*)(HINSTANCE__* context, LibOrvaneUiHook hook, void* user);
}
