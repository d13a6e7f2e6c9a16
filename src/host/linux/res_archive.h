// The resource archive of the Linux engine. The front end appends it to a
// copy of keltra-rt; the engine finds it at the end of its own executable.
//
//   executable := engine bytes | data... | directory | trailer
//   trailer    := u64 archiveSize | u32 count | u32 dirSize | "KELTRES1"   (24 bytes)
//   directory  := count entries, each
//                 u32 typeId | u16 typeLen | u32 nameId | u16 nameLen |
//                 u32 offset | u32 size | typeLen bytes of type text |
//                 nameLen bytes of name text
//
// All integers are little-endian. archiveSize counts everything from the
// first data byte to the end of the trailer; offset is relative to the first
// data byte. A type or name with a text length of 0 is the number in its id
// field, otherwise the text (no terminator stored; ids are 0).
// The reader checks every size and offset against the file before use.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

static const char kArchiveMagic[8] = {'K', 'E', 'L', 'T', 'R', 'E', 'S', '1'};
enum { ARCHIVE_TRAILER_SIZE = 24, ARCHIVE_ENTRY_FIXED = 20 };

struct ArchiveEntry {
    uint32_t typeId = 0;
    std::string typeText;
    uint32_t nameId = 0;
    std::string nameText;
    uint32_t offset = 0;
    uint32_t size = 0;
};

inline uint32_t ArchiveGet32(const unsigned char* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | ((uint32_t)p[3] << 24);
}
inline uint64_t ArchiveGet64(const unsigned char* p) {
    return ArchiveGet32(p) | ((uint64_t)ArchiveGet32(p + 4) << 32);
}

// Reads the directory of the archive at the end of f. Returns false when
// the file has no well-formed archive. *start receives the file offset of
// the first data byte (the engine part's size).
inline bool ReadArchive(FILE* f, uint64_t* start, std::vector<ArchiveEntry>* entries) {
    if (fseek(f, 0, SEEK_END) != 0) return false;
    long endPos = ftell(f);
    if (endPos < ARCHIVE_TRAILER_SIZE) return false;
    uint64_t fileSize = (uint64_t)endPos;
    unsigned char t[ARCHIVE_TRAILER_SIZE];
    if (fseek(f, endPos - ARCHIVE_TRAILER_SIZE, SEEK_SET) != 0 ||
        fread(t, 1, sizeof t, f) != sizeof t || memcmp(t + 16, kArchiveMagic, 8) != 0)
        return false;
    uint64_t archiveSize = ArchiveGet64(t);
    uint32_t count = ArchiveGet32(t + 8), dirSize = ArchiveGet32(t + 12);
    if (archiveSize > fileSize || archiveSize < (uint64_t)dirSize + ARCHIVE_TRAILER_SIZE ||
        (uint64_t)count * ARCHIVE_ENTRY_FIXED > dirSize)
        return false;
    uint64_t base = fileSize - archiveSize;
    uint64_t dataSize = archiveSize - dirSize - ARCHIVE_TRAILER_SIZE;
    std::vector<unsigned char> dir(dirSize);
    if (fseek(f, (long)(base + dataSize), SEEK_SET) != 0 ||
        (dirSize && fread(dir.data(), 1, dirSize, f) != dirSize))
        return false;
    size_t pos = 0;
    entries->clear();
    for (uint32_t i = 0; i < count; i++) {
        if (dirSize - pos < ARCHIVE_ENTRY_FIXED) return false;
        const unsigned char* e = dir.data() + pos;
        ArchiveEntry a;
        a.typeId = ArchiveGet32(e);
        uint32_t typeLen = e[4] | (e[5] << 8);
        a.nameId = ArchiveGet32(e + 6);
        uint32_t nameLen = e[10] | (e[11] << 8);
        a.offset = ArchiveGet32(e + 12);
        a.size = ArchiveGet32(e + 16);
        pos += ARCHIVE_ENTRY_FIXED;
        if (dirSize - pos < (size_t)typeLen + nameLen) return false;
        a.typeText.assign((const char*)dir.data() + pos, typeLen);
        a.nameText.assign((const char*)dir.data() + pos + typeLen, nameLen);
        pos += typeLen + nameLen;
        if ((uint64_t)a.offset + a.size > dataSize) return false;
        entries->push_back(a);
    }
    *start = base;
    return true;
}

inline void ArchivePut32(std::string& out, uint32_t v) {
    for (int i = 0; i < 4; i++) out.push_back((char)(v >> (8 * i)));
}

// Builds the archive bytes for the entries (offsets are assigned here) and
// the data blobs given in the same order.
inline std::string BuildArchive(std::vector<ArchiveEntry> entries,
                                const std::vector<std::string>& blobs) {
    std::string data, dir;
    for (size_t i = 0; i < entries.size(); i++) {
        ArchiveEntry& a = entries[i];
        a.offset = (uint32_t)data.size();
        a.size = (uint32_t)blobs[i].size();
        data += blobs[i];
        ArchivePut32(dir, a.typeText.empty() ? a.typeId : 0);
        dir.push_back((char)(a.typeText.size() & 0xFF));
        dir.push_back((char)(a.typeText.size() >> 8));
        ArchivePut32(dir, a.nameText.empty() ? a.nameId : 0);
        dir.push_back((char)(a.nameText.size() & 0xFF));
        dir.push_back((char)(a.nameText.size() >> 8));
        ArchivePut32(dir, a.offset);
        ArchivePut32(dir, a.size);
        dir += a.typeText;
        dir += a.nameText;
    }
    std::string out = data + dir;
    uint64_t total = out.size() + ARCHIVE_TRAILER_SIZE;
    ArchivePut32(out, (uint32_t)total);
    ArchivePut32(out, (uint32_t)(total >> 32));
    ArchivePut32(out, (uint32_t)entries.size());
    ArchivePut32(out, (uint32_t)dir.size());
    out.append(kArchiveMagic, 8);
    return out;
}
