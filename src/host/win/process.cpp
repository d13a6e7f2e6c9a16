// Process services of the Windows host: the executable's own resources, its
// path, and the message boxes.
#include "host/process.h"
#include <windows.h>
#include <cstdlib>
#include <cstring>

// A text name or type goes to the system as it is ("#123" included, which
// the system reads as the number); a number as an integer resource id.
static const char* SystemName(ResourceName n) {
    return n.text ? n.text : MAKEINTRESOURCEA(n.id & 0xFFFF);
}

unsigned char* HostLoadResource(ResourceName type, ResourceName name, uint32_t* size) {
    if ((type.text && !*type.text) || (name.text && !*name.text)) return nullptr;
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(self, SystemName(name), SystemName(type));
    if (!found) return nullptr;
    DWORD bytes = SizeofResource(self, found);
    HGLOBAL loaded = LoadResource(self, found);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data && bytes) return nullptr;
    unsigned char* copy = static_cast<unsigned char*>(malloc((size_t)bytes + 1));
    if (!copy) return nullptr;
    if (bytes) memcpy(copy, data, bytes);
    copy[bytes] = 0;
    if (size) *size = bytes;
    return copy;
}

const char* HostModulePath() {
    static char path[MAX_PATH + 1];
    static bool done = false;
    if (!done) {
        DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
        path[n < MAX_PATH ? n : 0] = 0;     // a cut path is no path
        done = true;
    }
    return path;
}

// The program directory keeps its trailing backslash.
const char* HostModuleDir() {
    static char dir[MAX_PATH + 1];
    static bool done = false;
    if (!done) {
        strcpy(dir, HostModulePath());
        char* slash = strrchr(dir, '\\');
        if (slash) slash[1] = 0;
        else dir[0] = 0;
        done = true;
    }
    return dir;
}

void HostErrorBox(const char* text) {
    MessageBoxA(nullptr, text, "Error", MB_ICONHAND);
}

int HostMessageBox(const char* caption, const char* text, unsigned flags) {
    return MessageBoxA(nullptr, text ? text : "", caption ? caption : "", flags);
}
