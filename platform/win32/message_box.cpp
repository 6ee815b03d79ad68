#include "platform/win32/message_box.h"

#include <array>
#include <atomic>
#include <iostream>
#include <mutex>
#include <vector>

namespace {

std::mutex hookMutex;
MessageBoxHook installedHook;
std::atomic<HWND> activeWindow{nullptr};

// The buttons of each MB_ type, in the order they are shown.
const std::array<std::vector<int>, 6> kButtons = {{
    {IDOK},
    {IDOK, IDCANCEL},
    {IDABORT, IDRETRY, IDIGNORE},
    {IDYES, IDNO, IDCANCEL},
    {IDYES, IDNO},
    {IDRETRY, IDCANCEL},
}};

int DefaultButton(UINT type) {
    UINT buttons = type & MB_TYPEMASK;
    const std::vector<int>& shown = kButtons[buttons < kButtons.size() ? buttons : MB_OK];
    size_t index = (type & MB_DEFMASK) >> 8;
    return shown[index < shown.size() ? index : 0];
}

} // namespace

void SetMessageBoxHook(MessageBoxHook hook) {
    std::lock_guard lock(hookMutex);
    installedHook = std::move(hook);
}

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
    std::string body = text != nullptr ? text : "";
    std::string title = caption != nullptr ? caption : "";
    MessageBoxHook hook;
    {
        std::lock_guard lock(hookMutex);
        hook = installedHook;
    }
    if (hook) {
        return hook(owner, body, title, type);
    }
    std::cerr << title << ": " << body << std::endl;
    return DefaultButton(type);
}

HWND GetActiveWindow() {
    return activeWindow.load();
}

HWND SetActiveWindow(HWND window) {
    return activeWindow.exchange(window);
}
