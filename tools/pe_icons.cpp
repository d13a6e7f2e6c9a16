// The resources of a Windows program as the front end gives them: files
// named on the command line turned into the forms the system's resource
// functions expect (bitmaps without their file header, icon and cursor
// files split into images plus a group directory), the default window icon,
// and the whole Windows target of "keltra build".
#include "pe_resources.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <unistd.h>

namespace {

enum { RT_CURSOR_ = 1, RT_BITMAP_ = 2, RT_ICON_ = 3, RT_RCDATA_ = 10,
       RT_GROUP_CURSOR_ = 12, RT_GROUP_ICON_ = 14 };

uint32_t Rd32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | (uint32_t)b[at + 3] << 24;
}
uint16_t Rd16(const std::vector<uint8_t>& b, size_t at) { return (uint16_t)(b[at] | b[at + 1] << 8); }
void Put16(std::vector<uint8_t>& b, uint16_t v) { b.push_back((uint8_t)v); b.push_back((uint8_t)(v >> 8)); }
void Put32(std::vector<uint8_t>& b, uint32_t v) { Put16(b, (uint16_t)v); Put16(b, (uint16_t)(v >> 16)); }

PeResourceId Number(uint32_t n) { PeResourceId id; id.id = n; return id; }

// "12" and "#12" are numbers (16 bits, as the system keeps them); anything
// else is a name.
bool ParseId(const std::string& s, PeResourceId* id) {
    std::string digits = (!s.empty() && s[0] == '#') ? s.substr(1) : s;
    bool numeric = !digits.empty() && digits.size() <= 5 &&
                   digits.find_first_not_of("0123456789") == std::string::npos;
    if (numeric && atol(digits.c_str()) <= 0xFFFF) { *id = Number((uint32_t)atol(digits.c_str())); return true; }
    if (s.empty() || s.size() > 255) return false;
    id->id = 0;
    id->text = s;
    return true;
}

bool ReadWhole(const std::string& path, std::vector<uint8_t>* out) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return false;
    uint8_t buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out->insert(out->end(), buf, buf + n);
    bool ok = !ferror(f);
    fclose(f);
    return ok;
}

bool Bad(std::string* err, const std::string& msg) { *err = msg; return false; }

// An .ico or .cur file: a 6-byte header and one 16-byte entry per image.
// Icons become RT_ICON images and an RT_GROUP_ICON directory whose entries
// carry the image numbers; cursors likewise, each image prefixed with its
// hot spot, as RT_CURSOR and RT_GROUP_CURSOR.
bool SplitIconFile(const std::vector<uint8_t>& f, bool cursor, const PeResourceId& name,
                   uint32_t* nextImageId, std::vector<PeResource>* out, std::string* err) {
    if (f.size() < 6 || Rd16(f, 0) != 0 || Rd16(f, 2) != (cursor ? 2 : 1))
        return Bad(err, cursor ? "not a cursor file" : "not an icon file");
    uint16_t count = Rd16(f, 4);
    if (count == 0 || f.size() < 6 + 16 * (size_t)count) return Bad(err, "truncated icon directory");
    PeResource group;
    group.type = Number(cursor ? RT_GROUP_CURSOR_ : RT_GROUP_ICON_);
    group.name = name;
    Put16(group.data, 0);
    Put16(group.data, cursor ? 2 : 1);
    Put16(group.data, count);
    for (uint16_t i = 0; i < count; i++) {
        size_t e = 6 + 16 * (size_t)i;
        uint32_t size = Rd32(f, e + 8), offset = Rd32(f, e + 12);
        if (offset > f.size() || size > f.size() - offset || size < 16)
            return Bad(err, "icon image outside the file");
        if (*nextImageId > 0xFFFF) return Bad(err, "too many icon images");
        PeResource image;
        image.type = Number(cursor ? RT_CURSOR_ : RT_ICON_);
        image.name = Number((*nextImageId)++);
        if (cursor) {                                   // hot spot, then the image
            Put16(image.data, Rd16(f, e + 4));
            Put16(image.data, Rd16(f, e + 6));
        }
        image.data.insert(image.data.end(), f.begin() + offset, f.begin() + offset + size);
        if (cursor) {
            // Cursor group entries give the image's own size, planes and depth.
            bool dib = Rd32(f, offset) == 40;
            Put16(group.data, dib ? (uint16_t)Rd32(f, offset + 4) : f[e]);
            Put16(group.data, dib ? (uint16_t)Rd32(f, offset + 8) : (uint16_t)(f[e + 1] * 2));
            Put16(group.data, dib ? Rd16(f, offset + 12) : 1);
            Put16(group.data, dib ? Rd16(f, offset + 14) : 32);
        } else {
            group.data.insert(group.data.end(), f.begin() + e, f.begin() + e + 8);
        }
        Put32(group.data, cursor ? size + 4 : size);
        Put16(group.data, (uint16_t)image.name.id);
        out->push_back(image);
    }
    out->push_back(group);
    return true;
}

}  // namespace

bool PeExpandResource(const PeResourceArg& arg, uint32_t* nextImageId,
                      std::vector<PeResource>* out, std::string* err) {
    PeResourceId name;
    if (!ParseId(arg.name, &name)) return Bad(err, "bad resource name '" + arg.name + "'");
    std::vector<uint8_t> data;
    if (!ReadWhole(arg.file, &data)) return Bad(err, "cannot read resource file " + arg.file);
    const char* kind = arg.kind.c_str();
    std::string what;
    bool ok = true;
    if (!strcasecmp(kind, "icon")) {
        ok = SplitIconFile(data, false, name, nextImageId, out, &what);
    } else if (!strcasecmp(kind, "cursor")) {
        ok = SplitIconFile(data, true, name, nextImageId, out, &what);
    } else {
        PeResource r;
        r.name = name;
        if (!strcasecmp(kind, "bitmap")) {
            // A bitmap resource is the file less its 14-byte file header.
            if (data.size() < 14 + 40 || data[0] != 'B' || data[1] != 'M') return Bad(err, arg.file + ": not a bitmap file");
            r.type = Number(RT_BITMAP_);
            data.erase(data.begin(), data.begin() + 14);
        } else if (!strcasecmp(kind, "rtimage")) {
            r.type.text = "RTIMAGE";
        } else if (!strcasecmp(kind, "rcdata") || !strcasecmp(kind, "data")) {
            r.type = Number(RT_RCDATA_);
        } else if (!ParseId(arg.kind, &r.type)) {
            return Bad(err, "bad resource type '" + arg.kind + "'");
        }
        r.data = data;
        out->push_back(r);
    }
    if (!ok) return Bad(err, arg.file + ": " + what);
    return true;
}

// A 32 by 32 icon of 32-bit colour: a dark blue disc with a light ring.
void PeAddDefaultIcon(std::vector<PeResource>* resources, uint32_t* nextImageId) {
    for (const PeResource& r : *resources)
        if (r.type.text.empty() && r.type.id == RT_GROUP_ICON_ && r.name.text.empty() && r.name.id == 101) return;
    PeResource image;
    image.type = Number(RT_ICON_);
    image.name = Number((*nextImageId)++);
    std::vector<uint8_t>& d = image.data;
    Put32(d, 40); Put32(d, 32); Put32(d, 64);            // header; height counts both masks
    Put16(d, 1); Put16(d, 32); Put32(d, 0); Put32(d, 32 * 32 * 4);
    Put32(d, 0); Put32(d, 0); Put32(d, 0); Put32(d, 0);
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++) {
            int dx = 2 * x - 31, dy = 2 * y - 31, r2 = dx * dx + dy * dy;
            bool inside = r2 <= 31 * 31, ring = inside && r2 >= 25 * 25;
            uint32_t bgra = !inside ? 0 : ring ? 0xFFE0E8F0u : 0xFF803010u;
            Put32(d, bgra);
        }
    d.insert(d.end(), 32 * 4, 0);                      // AND mask: alpha decides
    PeResource group;
    group.type = Number(RT_GROUP_ICON_);
    group.name = Number(101);
    Put16(group.data, 0); Put16(group.data, 1); Put16(group.data, 1);
    group.data.push_back(32); group.data.push_back(32); group.data.push_back(0); group.data.push_back(0);
    Put16(group.data, 1); Put16(group.data, 32); Put32(group.data, (uint32_t)d.size());
    Put16(group.data, (uint16_t)image.name.id);
    resources->push_back(image);
    resources->push_back(group);
}

static std::string FindEngine() {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "keltra-rt.exe";
    self[n] = 0;
    std::string dir(self);
    dir = dir.substr(0, dir.rfind('/') + 1);
    for (const char* rel : {"keltra-rt.exe", "../build-win/keltra-rt.exe"})
        if (access((dir + rel).c_str(), R_OK) == 0) return dir + rel;
    return dir + "keltra-rt.exe";
}

bool BuildWindowsExecutable(const std::string& engineExe, const std::string& outPath,
                            const std::vector<uint8_t>& scrambledImage,
                            const std::vector<PeResourceArg>& args, std::string* err) {
    std::vector<PeResource> resources;
    uint32_t nextImageId = 1;
    for (const PeResourceArg& a : args)
        if (!PeExpandResource(a, &nextImageId, &resources, err)) return false;
    // Of two resources with one type and name the later is kept, so the
    // program image goes last.
    PeResource image;
    image.type = Number(RT_RCDATA_);
    image.name.text = "A6F2D1FB";
    image.data = scrambledImage;
    resources.push_back(image);
    PeAddDefaultIcon(&resources, &nextImageId);
    return PeWriteWithResources(engineExe.empty() ? FindEngine() : engineExe, outPath, resources, err);
}
