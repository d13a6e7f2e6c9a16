// Files and directories on Linux (see host/fs.h).
#include "host/fs.h"
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#ifdef KELTRA_FUZZ_BUILD
bool HostFuzzPathAllowed(const char* path) {
    return path && *path && !strchr(path, '/') && !strchr(path, '\\') && !strstr(path, "..");
}
// Every call below that takes a path refuses it as the system would
// refuse a missing file.
#define FUZZ_REFUSE(path, failure) \
    do { if (!HostFuzzPathAllowed(path)) return failure; } while (0)
#else
#define FUZZ_REFUSE(path, failure) do {} while (0)
#endif

FILE* HostOpenFile(const char* path, const char* mode) {
    FUZZ_REFUSE(path, nullptr);
    // POSIX files are never locked against other readers or writers.
    FILE* f = fopen(path, mode);
    if (!f) return nullptr;
    struct stat st;
    if (fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {  // Windows refuses directories
        fclose(f);
        return nullptr;
    }
    return f;
}

bool HostSeek(FILE* f, int64_t offset) {
    if (offset < 0) return false;
    return fseeko(f, (off_t)offset, SEEK_SET) == 0;
}

int64_t HostTell(FILE* f) {
    return (int64_t)ftello(f);
}

static bool WriteAll(int fd, const char* p, size_t n) {
    while (n > 0) {
        ssize_t w = write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= (size_t)w;
    }
    return true;
}

bool HostCopyFile(const char* from, const char* to, bool failIfExists) {
    FUZZ_REFUSE(from, false);
    FUZZ_REFUSE(to, false);
    int in = open(from, O_RDONLY);
    if (in < 0) return false;
    struct stat src, dst;
    if (fstat(in, &src) != 0 || !S_ISREG(src.st_mode)) { close(in); return false; }
    // Opening the source itself as the destination would truncate it first.
    if (stat(to, &dst) == 0 && dst.st_dev == src.st_dev && dst.st_ino == src.st_ino) {
        close(in);
        return false;
    }
    int flags = O_WRONLY | O_CREAT | (failIfExists ? O_EXCL : O_TRUNC);
    int out = open(to, flags, src.st_mode & 0777);
    if (out < 0) { close(in); return false; }
    char buf[65536];
    bool ok = true;
    for (;;) {
        ssize_t r = read(in, buf, sizeof buf);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) { ok = false; break; }
        if (r == 0) break;
        if (!WriteAll(out, buf, (size_t)r)) { ok = false; break; }
    }
    close(in);
    if (close(out) != 0) ok = false;
    return ok;
}

bool HostDeleteFile(const char* path) {
    FUZZ_REFUSE(path, false);
    struct stat st;
    if (lstat(path, &st) != 0 || S_ISDIR(st.st_mode)) return false;
    return unlink(path) == 0;
}

bool HostMakeDir(const char* path) {
    FUZZ_REFUSE(path, false);
    return mkdir(path, 0777) == 0;
}

bool HostRemoveDir(const char* path) {
    FUZZ_REFUSE(path, false);
    return rmdir(path) == 0;
}

bool HostAbsolutePath(const char* path, char* out, int cap) {
    if (cap <= 0) return false;
    std::string full;
    if (path[0] != '/') {
        char cwd[4096];
        if (!getcwd(cwd, sizeof cwd)) return false;
        full = cwd;
        if (full.empty() || full.back() != '/') full += '/';
    }
    full += path;
    if (full.size() + 1 > (size_t)cap) return false;
    memcpy(out, full.c_str(), full.size() + 1);
    return true;
}

// ---- directory search -------------------------------------------------------

struct HostSearch {
    std::vector<HostFindEntry> entries;   // all matches, sorted
    size_t next = 0;
};

// Windows wildcard match: * any run, ? one character, letter case ignored.
static bool Match(const char* pat, const char* name) {
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*name) {
        if (*pat == '*') { star = pat++; resume = name; continue; }
        if (*pat == '?' || (*pat && tolower((unsigned char)*pat) == tolower((unsigned char)*name))) {
            pat++; name++;
            continue;
        }
        if (!star) return false;
        pat = star + 1;
        name = ++resume;
    }
    while (*pat == '*') pat++;
    // "*.*" and "name." also match names without a dot, as on Windows.
    if (pat[0] == '.' && (pat[1] == 0 || (pat[1] == '*' && pat[2] == 0))) return true;
    return *pat == 0;
}

static bool NameOrder(const HostFindEntry& a, const HostFindEntry& b) {
    return strcasecmp(a.name, b.name) < 0;
}

HostSearch* HostFindFirst(const char* pattern, HostFindEntry* out) {
    FUZZ_REFUSE(pattern, nullptr);
    std::string dir = ".";
    const char* mask = pattern;
    const char* slash = strrchr(pattern, '/');
    if (slash) {
        dir.assign(pattern, (size_t)(slash - pattern));
        if (dir.empty()) dir = "/";
        mask = slash + 1;
    }
    if (!*mask) return nullptr;
    DIR* d = opendir(dir.c_str());
    if (!d) return nullptr;
    HostSearch* s = new HostSearch;
    while (struct dirent* e = readdir(d)) {
        if (strlen(e->d_name) >= sizeof out->name || !Match(mask, e->d_name)) continue;
        HostFindEntry entry{};
        strcpy(entry.name, e->d_name);
        std::string path = dir + "/" + e->d_name;
        struct stat st;
        if (stat(path.c_str(), &st) == 0) {
            entry.attributes = S_ISDIR(st.st_mode) ? 0x10 : 0x80;  // directory / normal
            entry.size = S_ISDIR(st.st_mode) ? 0 : (uint64_t)st.st_size;
        }
        s->entries.push_back(entry);
    }
    closedir(d);
    if (s->entries.empty()) { delete s; return nullptr; }
    std::sort(s->entries.begin(), s->entries.end(), NameOrder);
    *out = s->entries[0];
    s->next = 1;
    return s;
}

bool HostFindNext(HostSearch* s, HostFindEntry* out) {
    if (!s || s->next >= s->entries.size()) return false;
    *out = s->entries[s->next++];
    return true;
}

void HostFindClose(HostSearch* s) { delete s; }

// ---- file dialog ------------------------------------------------------------

int HostFileDialog(const FileDialogRequest& request, char* out, size_t cap) {
    (void)request;
    if (cap) out[0] = 0;
    return -1;   // no desktop dialog on this platform
}
