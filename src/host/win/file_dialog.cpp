// The common file dialog (see HostFileDialog in host/fs.h).
#include "host/fs.h"
#include <windows.h>
#include <commdlg.h>
#include <cstring>
#include <string>
#include <vector>

// Filters are written "Text (*.txt)|*.txt|All|*.*|"; the system wants NULs
// between the parts and two at the end.
static std::vector<char> SystemFilter(const char* filter) {
    std::vector<char> out;
    for (const char* p = filter; p && *p; p++) out.push_back(*p == '|' ? '\0' : *p);
    out.push_back(0);
    out.push_back(0);
    return out;
}

static void Append(std::string* s, const char* text) { s->append(text); s->push_back('|'); }

// A multiple selection comes back as the folder, then each name, NUL
// separated; a single one as the full path alone.
static std::string Selection(const char* buf, bool multi) {
    if (!multi) return buf;
    std::string out, dir = buf;
    const char* name = buf + dir.size() + 1;
    if (!*name) {
        Append(&out, buf);
        return out;
    }
    if (!dir.empty() && dir.back() != '\\') dir.push_back('\\');
    for (; *name; name += strlen(name) + 1) Append(&out, (dir + name).c_str());
    return out;
}

int HostFileDialog(const FileDialogRequest& request, char* out, size_t cap) {
    if (!out || cap == 0) return -1;
    out[0] = 0;
    bool multi = (request.flags & OFN_ALLOWMULTISELECT) != 0;
    std::vector<char> buf(multi ? 10000 : MAX_PATH, 0);
    std::vector<char> filter = SystemFilter(request.filter);
    OPENFILENAMEA ofn = {};
    ofn.lStructSize = sizeof ofn;
    // Window objects are not part of this engine yet: the dialog has no owner.
    ofn.hwndOwner = nullptr;
    ofn.lpstrFilter = request.filter && *request.filter ? filter.data() : nullptr;
    ofn.lpstrFile = buf.data();
    ofn.nMaxFile = (DWORD)buf.size() - 1;
    ofn.lpstrTitle = request.title && *request.title ? request.title : nullptr;
    ofn.lpstrDefExt = request.defaultExt && *request.defaultExt ? request.defaultExt : nullptr;
    ofn.lpstrInitialDir = request.initialDir;
    ofn.Flags = request.flags | OFN_EXPLORER;
    BOOL ok = request.open ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn);
    if (!ok) return CommDlgExtendedError() == 0 ? 0 : -1;
    std::string chosen = Selection(buf.data(), multi);
    size_t n = chosen.size() < cap - 1 ? chosen.size() : cap - 1;
    memcpy(out, chosen.data(), n);
    out[n] = 0;
    return 1;
}
