// Process-level services of the host: the executable's own resources, its
// path, and the message boxes. Implemented per platform in
// host/linux/process*.cpp and host/win/process*.cpp.
#pragma once
#include <cstdint>

// A resource type or name: a number (text == nullptr) or a text. Text names
// compare without regard to letter case. A text "#123" means the number 123.
struct ResourceName {
    uint32_t id;
    const char* text;
};
inline ResourceName ResNumber(uint32_t id) { return ResourceName{id, nullptr}; }
inline ResourceName ResText(const char* text) { return ResourceName{0, text}; }

// Standard resource types.
enum { RES_CURSOR = 1, RES_BITMAP = 2, RES_ICON = 3, RES_MENU = 4, RES_DIALOG = 5,
       RES_STRING = 6, RES_RCDATA = 10, RES_GROUP_CURSOR = 12, RES_GROUP_ICON = 14 };

// The program image travels as RCDATA "A6F2D1FB".
#define PROGRAM_RESOURCE_NAME "A6F2D1FB"

// Returns a fresh malloc'd copy of the resource's bytes with one extra NUL
// byte after them (not counted in *size), or null when the executable has
// no such resource. The caller frees it with free().
unsigned char* HostLoadResource(ResourceName type, ResourceName name, uint32_t* size);

// Full path of the running executable; "" when it cannot be found.
const char* HostModulePath();

// The directory of the running executable, with its trailing separator.
const char* HostModuleDir();

// The engine's error report: on Linux the text and one line end on standard
// error; on Windows a message box with caption "Error" and the stop icon.
void HostErrorBox(const char* text);

// A program's message box (flags as the Windows MB_* values). Returns the
// button pressed (IDOK 1, IDCANCEL 2, IDYES 6, IDNO 7 ...). Without a
// display (Linux) it writes "caption: text" and a line end to standard
// error and returns the default button of the flags: IDOK for MB_OK and
// MB_OKCANCEL, IDYES for MB_YESNO and MB_YESNOCANCEL, IDRETRY for
// MB_RETRYCANCEL, IDABORT for MB_ABORTRETRYIGNORE.
int HostMessageBox(const char* caption, const char* text, unsigned flags);
