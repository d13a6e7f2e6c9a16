// Writes a PE32+ executable with a new resource section: the engine is
// copied unchanged, one section ".rsrc" is appended after the last one and
// the resource data directory is pointed at it. The section holds the usual
// three-level tree (type, name, language) that FindResource walks.
#include "pe_resources.h"
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

namespace {

uint32_t Rd32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | (uint32_t)b[at + 3] << 24;
}
uint16_t Rd16(const std::vector<uint8_t>& b, size_t at) { return (uint16_t)(b[at] | b[at + 1] << 8); }
void Wr32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++) b[at + i] = (uint8_t)(v >> (8 * i));
}
void Wr16(std::vector<uint8_t>& b, size_t at, uint16_t v) { b[at] = (uint8_t)v; b[at + 1] = (uint8_t)(v >> 8); }
uint32_t AlignUp(uint32_t v, uint32_t a) { return (v + a - 1) / a * a; }

// Names are stored in upper case; the system upper-cases the name it is
// asked for and compares code unit by code unit.
std::u16string NameOf(const PeResourceId& id) {
    std::u16string s;
    for (unsigned char c : id.text) s += (char16_t)(c >= 'a' && c <= 'z' ? c - 32 : c);
    return s;
}

// Named entries come first, ordered by name, then numbered ones by number.
struct Key {
    bool named;
    std::u16string name;
    uint32_t id;
    bool operator<(const Key& o) const {
        if (named != o.named) return named;
        return named ? name < o.name : id < o.id;
    }
};
Key KeyOf(const PeResourceId& id) {
    return id.text.empty() ? Key{false, u"", id.id} : Key{true, NameOf(id), 0};
}

typedef std::map<Key, const PeResource*> NameMap;
typedef std::map<Key, NameMap> TypeMap;

// Lays the tree out as: directories, name strings, data entries, data.
class SectionBuilder {
public:
    SectionBuilder(const TypeMap& tree, uint32_t rva) : tree_(tree), rva_(rva) {}
    std::vector<uint8_t> Build();
private:
    size_t DirSize(size_t entries) { return 16 + 8 * entries; }
    void PutDir(size_t at, const std::vector<Key>& keys, size_t* namedCount);
    uint32_t StringOffset(const std::u16string& s);

    const TypeMap& tree_;
    uint32_t rva_;
    std::vector<uint8_t> out_;
    std::map<std::u16string, uint32_t> strings_;
    size_t stringCursor_ = 0;
};

uint32_t SectionBuilder::StringOffset(const std::u16string& s) {
    auto it = strings_.find(s);
    if (it != strings_.end()) return it->second;
    uint32_t at = (uint32_t)stringCursor_;
    Wr16(out_, at, (uint16_t)s.size());
    for (size_t i = 0; i < s.size(); i++) Wr16(out_, at + 2 + 2 * i, s[i]);
    stringCursor_ += 2 + 2 * s.size();
    strings_[s] = at;
    return at;
}

void SectionBuilder::PutDir(size_t at, const std::vector<Key>& keys, size_t* namedCount) {
    size_t named = 0;
    for (const Key& k : keys) named += k.named;
    Wr16(out_, at + 12, (uint16_t)named);
    Wr16(out_, at + 14, (uint16_t)(keys.size() - named));
    for (size_t i = 0; i < keys.size(); i++)
        Wr32(out_, at + 16 + 8 * i, keys[i].named ? (0x80000000u | StringOffset(keys[i].name)) : keys[i].id);
    *namedCount = named;
}

std::vector<uint8_t> SectionBuilder::Build() {
    // Sizes first: one directory per type, one per name, one per language.
    size_t dirBytes = DirSize(tree_.size()), strBytes = 0, leaves = 0;
    std::map<std::u16string, bool> seen;
    auto countString = [&](const Key& k) {
        if (k.named && !seen[k.name]) { seen[k.name] = true; strBytes += 2 + 2 * k.name.size(); }
    };
    for (auto& t : tree_) {
        countString(t.first);
        dirBytes += DirSize(t.second.size());
        for (auto& n : t.second) { countString(n.first); dirBytes += DirSize(1); leaves++; }
    }
    size_t entriesAt = AlignUp((uint32_t)(dirBytes + strBytes), 8);
    size_t dataAt = entriesAt + 16 * leaves;
    size_t total = dataAt;
    for (auto& t : tree_)
        for (auto& n : t.second) total = AlignUp((uint32_t)total, 8) + n.second->data.size();
    out_.assign(AlignUp((uint32_t)total, 8), 0);
    stringCursor_ = dirBytes;

    size_t named, dirCursor = DirSize(tree_.size()), entryCursor = entriesAt, dataCursor = dataAt;
    std::vector<Key> typeKeys;
    for (auto& t : tree_) typeKeys.push_back(t.first);
    PutDir(0, typeKeys, &named);
    size_t ti = 0;
    for (auto& t : tree_) {
        size_t nameDir = dirCursor;
        Wr32(out_, 16 + 8 * ti + 4, 0x80000000u | (uint32_t)nameDir);
        std::vector<Key> nameKeys;
        for (auto& n : t.second) nameKeys.push_back(n.first);
        PutDir(nameDir, nameKeys, &named);
        dirCursor += DirSize(nameKeys.size());
        size_t ni = 0;
        for (auto& n : t.second) {
            size_t langDir = dirCursor;
            dirCursor += DirSize(1);
            Wr32(out_, nameDir + 16 + 8 * ni + 4, 0x80000000u | (uint32_t)langDir);
            Wr16(out_, langDir + 14, 1);            // one numbered entry: language neutral
            Wr32(out_, langDir + 16, 0);
            Wr32(out_, langDir + 20, (uint32_t)entryCursor);
            dataCursor = AlignUp((uint32_t)dataCursor, 8);
            const std::vector<uint8_t>& d = n.second->data;
            Wr32(out_, entryCursor, rva_ + (uint32_t)dataCursor);
            Wr32(out_, entryCursor + 4, (uint32_t)d.size());
            if (!d.empty()) memcpy(&out_[dataCursor], d.data(), d.size());
            dataCursor += d.size();
            entryCursor += 16;
            ni++;
        }
        ti++;
    }
    return out_;
}

bool ReadFile(const std::string& path, std::vector<uint8_t>* out) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return false;
    uint8_t buf[65536];
    size_t n;
    out->clear();
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out->insert(out->end(), buf, buf + n);
    bool ok = !ferror(f);
    fclose(f);
    return ok;
}

bool Bad(std::string* err, const std::string& msg) { *err = msg; return false; }

}  // namespace

bool PeWriteWithResources(const std::string& engineExe, const std::string& outPath,
                          const std::vector<PeResource>& resources, std::string* err) {
    std::vector<uint8_t> pe;
    if (!ReadFile(engineExe, &pe)) return Bad(err, "cannot read the Windows engine " + engineExe);
    if (pe.size() < 0x40 || pe[0] != 'M' || pe[1] != 'Z') return Bad(err, engineExe + ": not an executable");
    size_t nt = Rd32(pe, 0x3C);
    if (nt > pe.size() || pe.size() - nt < 24 + 240 || memcmp(&pe[nt], "PE\0\0", 4) != 0)
        return Bad(err, engineExe + ": no PE header");
    size_t coff = nt + 4, opt = coff + 20;
    uint16_t sections = Rd16(pe, coff + 2), optSize = Rd16(pe, coff + 16);
    if (Rd16(pe, opt) != 0x20B || optSize < 240) return Bad(err, engineExe + ": not a 64-bit executable");
    uint32_t sectionAlign = Rd32(pe, opt + 32), fileAlign = Rd32(pe, opt + 36);
    uint32_t headersSize = Rd32(pe, opt + 60);
    if (Rd32(pe, opt + 108) < 3 || !sectionAlign || !fileAlign) return Bad(err, engineExe + ": bad optional header");
    size_t table = opt + optSize, newHeader = table + 40 * (size_t)sections;
    if (newHeader + 40 > headersSize || headersSize > pe.size())
        return Bad(err, engineExe + ": no room for another section header");

    // The new section goes after every existing one, in memory and in the file.
    uint32_t imageEnd = 0, fileEnd = (uint32_t)pe.size();
    for (size_t i = 0; i < sections; i++) {
        size_t s = table + 40 * i;
        uint32_t vsize = std::max(Rd32(pe, s + 8), Rd32(pe, s + 16));
        imageEnd = std::max(imageEnd, Rd32(pe, s + 12) + vsize);
    }
    uint32_t rva = AlignUp(imageEnd, sectionAlign), raw = AlignUp(fileEnd, fileAlign);

    TypeMap tree;
    for (const PeResource& r : resources) tree[KeyOf(r.type)][KeyOf(r.name)] = &r;
    std::vector<uint8_t> body = SectionBuilder(tree, rva).Build();
    uint32_t rawSize = AlignUp((uint32_t)body.size(), fileAlign);

    for (size_t i = 0; i < 40; i++)
        if (pe[newHeader + i]) return Bad(err, engineExe + ": section header slot in use");
    memcpy(&pe[newHeader], ".rsrc\0\0\0", 8);
    Wr32(pe, newHeader + 8, (uint32_t)body.size());
    Wr32(pe, newHeader + 12, rva);
    Wr32(pe, newHeader + 16, rawSize);
    Wr32(pe, newHeader + 20, raw);
    Wr32(pe, newHeader + 36, 0x40000040u);     // initialised data, readable
    Wr16(pe, coff + 2, (uint16_t)(sections + 1));
    Wr32(pe, opt + 56, AlignUp(rva + (uint32_t)body.size(), sectionAlign));   // SizeOfImage
    Wr32(pe, opt + 64, 0);                                                    // CheckSum
    Wr32(pe, opt + 112 + 8 * 2, rva);                                         // resource directory
    Wr32(pe, opt + 112 + 8 * 2 + 4, (uint32_t)body.size());

    pe.resize(raw, 0);
    pe.insert(pe.end(), body.begin(), body.end());
    pe.resize(raw + rawSize, 0);

    FILE* f = fopen(outPath.c_str(), "wb");
    if (!f) return Bad(err, "cannot write " + outPath);
    bool ok = fwrite(pe.data(), 1, pe.size(), f) == pe.size();
    ok = (fclose(f) == 0) && ok;
    if (!ok) return Bad(err, "cannot write " + outPath);
    return true;
}
