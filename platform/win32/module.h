#pragma once
// Modules: the add-in's own module folder and shared libraries loaded by
// name at run time (LoadLibraryA and GetProcAddress over dlopen and dlsym).
//
// A Windows name such as "LibOrvane.dll" loads "LibOrvane.so" from the
// module folder first, then from the system's library path.

#include "platform/win32/types.h"

#include <string>

struct HINSTANCE__;
using HMODULE = HINSTANCE__*;
using HINSTANCE = HMODULE;
using FARPROC = void (*)();

HMODULE LoadLibraryA(const char* name);
FARPROC GetProcAddress(HMODULE module, const char* name);
BOOL FreeLibrary(HMODULE module);

// The add-in module is the running program itself: GetModuleHandleA for
// "Quillane.dll" (or null) answers a handle whose file name lies in the
// module folder, and GetModuleFileNameA gives "<module folder>/Quillane.dll".
HMODULE GetModuleHandleA(const char* name);
DWORD GetModuleFileNameA(HMODULE module, char* fileName, DWORD size);

// The module folder: the folder of the running program, unless the host or
// a test sets another (an empty text restores the default).
std::string ModuleFolder();
void SetModuleFolder(const std::string& folder);
