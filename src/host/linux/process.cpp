// Process services of the Linux host: resources from the archive appended
// to the executable, the executable's path, and the message boxes, which
// go to standard error since there is no display.
#include "host/process.h"
#include "host/linux/res_archive.h"
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <unistd.h>

const char* HostModulePath() {
    static char path[PATH_MAX + 1];
    static bool done = false;
    if (!done) {
        ssize_t n = readlink("/proc/self/exe", path, PATH_MAX);
        path[n > 0 ? n : 0] = 0;
        done = true;
    }
    return path;
}

const char* HostModuleDir() {
    static char dir[PATH_MAX + 2];
    static bool done = false;
    if (!done) {
        snprintf(dir, sizeof dir, "%s", HostModulePath());
        char* slash = strrchr(dir, '/');
        if (slash) slash[1] = 0;
        else dir[0] = 0;
        done = true;
    }
    return dir;
}

// A name given as "#123" is the number 123.
static bool Matches(ResourceName want, uint32_t id, const std::string& text) {
    if (want.text && want.text[0] == '#') {
        char* end;
        unsigned long n = strtoul(want.text + 1, &end, 10);
        if (*end == 0 && end != want.text + 1) want = ResNumber((uint32_t)n);
    }
    if (!want.text) return text.empty() && id == want.id;
    return !text.empty() && strcasecmp(text.c_str(), want.text) == 0;
}

unsigned char* HostLoadResource(ResourceName type, ResourceName name, uint32_t* size) {
    FILE* f = fopen(HostModulePath(), "rb");
    if (!f) return nullptr;
    uint64_t start;
    std::vector<ArchiveEntry> entries;
    unsigned char* result = nullptr;
    if (ReadArchive(f, &start, &entries)) {
        for (const ArchiveEntry& e : entries) {
            if (!Matches(type, e.typeId, e.typeText) || !Matches(name, e.nameId, e.nameText))
                continue;
            result = static_cast<unsigned char*>(malloc((size_t)e.size + 1));
            if (result && (fseek(f, (long)(start + e.offset), SEEK_SET) != 0 ||
                           fread(result, 1, e.size, f) != e.size)) {
                free(result);
                result = nullptr;
            }
            if (result) {
                result[e.size] = 0;
                if (size) *size = e.size;
            }
            break;
        }
    }
    fclose(f);
    return result;
}

void HostErrorBox(const char* text) {
    fflush(stdout);
    fprintf(stderr, "%s\n", text);
    fflush(stderr);
}

int HostMessageBox(const char* caption, const char* text, unsigned flags) {
    fflush(stdout);
    fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    fflush(stderr);
    switch (flags & 0xF) {
    case 2: return 3;   // MB_ABORTRETRYIGNORE: IDABORT
    case 3:             // MB_YESNOCANCEL
    case 4: return 6;   // MB_YESNO: IDYES
    case 5: return 4;   // MB_RETRYCANCEL: IDRETRY
    default: return 1;  // MB_OK, MB_OKCANCEL: IDOK
    }
}
