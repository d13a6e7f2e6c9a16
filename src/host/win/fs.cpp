// Files and directories on Windows (see host/fs.h): the C run-time's shared
// open, and the system's copy, delete, directory and search calls.
#include "host/fs.h"
#include <windows.h>
#include <share.h>
#include <cstring>

FILE* HostOpenFile(const char* path, const char* mode) {
    if (!path || !*path || !mode) return nullptr;
    return _fsopen(path, mode, _SH_DENYNO);
}

bool HostSeek(FILE* f, int64_t offset) {
    if (offset < 0) return false;
    return _fseeki64(f, offset, SEEK_SET) == 0;
}

int64_t HostTell(FILE* f) {
    return _ftelli64(f);
}

bool HostCopyFile(const char* from, const char* to, bool failIfExists) {
    return CopyFileA(from, to, failIfExists) != 0;
}

bool HostDeleteFile(const char* path) { return DeleteFileA(path) != 0; }
bool HostMakeDir(const char* path) { return CreateDirectoryA(path, nullptr) != 0; }
bool HostRemoveDir(const char* path) { return RemoveDirectoryA(path) != 0; }

bool HostAbsolutePath(const char* path, char* out, int cap) {
    if (!path || !out || cap <= 0) return false;
    DWORD n = GetFullPathNameA(path, (DWORD)cap, out, nullptr);
    if (n == 0 || n >= (DWORD)cap) { out[0] = 0; return false; }
    return true;
}

// ---- directory search -------------------------------------------------------

struct HostSearch {
    HANDLE handle;
};

static void Fill(const WIN32_FIND_DATAA& data, HostFindEntry* out) {
    memset(out, 0, sizeof *out);
    memcpy(out->name, data.cFileName, sizeof out->name);
    out->name[sizeof out->name - 1] = 0;
    out->attributes = data.dwFileAttributes;
    out->size = ((uint64_t)data.nFileSizeHigh << 32) | data.nFileSizeLow;
}

HostSearch* HostFindFirst(const char* pattern, HostFindEntry* out) {
    if (!pattern || !*pattern) return nullptr;
    WIN32_FIND_DATAA data;
    HANDLE h = FindFirstFileA(pattern, &data);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    HostSearch* s = new HostSearch{h};
    Fill(data, out);
    return s;
}

bool HostFindNext(HostSearch* s, HostFindEntry* out) {
    WIN32_FIND_DATAA data;
    if (!s || !FindNextFileA(s->handle, &data)) return false;
    Fill(data, out);
    return true;
}

void HostFindClose(HostSearch* s) {
    if (!s) return;
    FindClose(s->handle);
    delete s;
}
