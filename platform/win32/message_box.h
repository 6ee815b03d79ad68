#pragma once
// Message boxes (MessageBoxA) and the active window. The host installs a
// hook that shows the box to the user and returns the button pressed;
// without one the box is written to stderr as "caption: text" and answered
// with its default button, as pressing Enter would.

#include "platform/win32/types.h"

#include <functional>
#include <string>

struct HWND__;
using HWND = HWND__*;

// Buttons.
inline constexpr UINT MB_OK = 0x00000000;
inline constexpr UINT MB_OKCANCEL = 0x00000001;
inline constexpr UINT MB_ABORTRETRYIGNORE = 0x00000002;
inline constexpr UINT MB_YESNOCANCEL = 0x00000003;
inline constexpr UINT MB_YESNO = 0x00000004;
inline constexpr UINT MB_RETRYCANCEL = 0x00000005;
inline constexpr UINT MB_TYPEMASK = 0x0000000F;
// Icons.
inline constexpr UINT MB_ICONERROR = 0x00000010;
inline constexpr UINT MB_ICONQUESTION = 0x00000020;
inline constexpr UINT MB_ICONWARNING = 0x00000030;
inline constexpr UINT MB_ICONINFORMATION = 0x00000040;
inline constexpr UINT MB_ICONMASK = 0x000000F0;
// Default button and modality.
inline constexpr UINT MB_DEFBUTTON1 = 0x00000000;
inline constexpr UINT MB_DEFBUTTON2 = 0x00000100;
inline constexpr UINT MB_DEFBUTTON3 = 0x00000200;
inline constexpr UINT MB_DEFMASK = 0x00000F00;
inline constexpr UINT MB_APPLMODAL = 0x00000000;
inline constexpr UINT MB_TASKMODAL = 0x00002000;

// Answers.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

using MessageBoxHook =
    std::function<int(HWND owner, const std::string& text, const std::string& caption, UINT type)>;

// Installs the host's hook (an empty function restores the default).
void SetMessageBoxHook(MessageBoxHook hook);

// A null text or caption counts as empty.
int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);

// The window the user works in, null while there is none. The window system
// sets it when it activates a window; SetActiveWindow returns the previous one.
HWND GetActiveWindow();
HWND SetActiveWindow(HWND window);
