// Writing and reading the resource archive of Linux executables.
#include "linux_exe.h"
#include "host/linux/res_archive.h"
#include <cstdio>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

static bool Fail(std::string* err, const std::string& msg) {
    *err = msg;
    return false;
}

static ArchiveEntry EntryOf(const PeResourceId& type, const PeResourceId& name) {
    ArchiveEntry e;
    e.typeId = type.text.empty() ? type.id : 0;
    e.typeText = type.text;
    e.nameId = name.text.empty() ? name.id : 0;
    e.nameText = name.text;
    return e;
}

bool BuildLinuxExecutable(const std::string& engineExe, const std::string& outPath,
                          const std::vector<uint8_t>& scrambledImage,
                          const std::vector<PeResource>& resources, std::string* err) {
    FILE* f = fopen(engineExe.c_str(), "rb");
    if (!f) return Fail(err, "cannot open the engine " + engineExe);
    uint64_t engineSize;
    std::vector<ArchiveEntry> old;
    if (!ReadArchive(f, &engineSize, &old)) {
        fseek(f, 0, SEEK_END);
        engineSize = (uint64_t)ftell(f);
    }
    std::string engine(engineSize, '\0');
    fseek(f, 0, SEEK_SET);
    bool readOk = fread(&engine[0], 1, engine.size(), f) == engine.size();
    fclose(f);
    if (!readOk) return Fail(err, "cannot read the engine " + engineExe);

    std::vector<ArchiveEntry> entries;
    std::vector<std::string> blobs;
    PeResourceId rcdata, imageName;
    rcdata.id = 10;
    imageName.text = "A6F2D1FB";
    entries.push_back(EntryOf(rcdata, imageName));
    blobs.emplace_back(scrambledImage.begin(), scrambledImage.end());
    for (const PeResource& r : resources) {
        entries.push_back(EntryOf(r.type, r.name));
        blobs.emplace_back(r.data.begin(), r.data.end());
    }
    std::string archive = BuildArchive(entries, blobs);

    std::string tmp = outPath + ".tmp-keltra";
    FILE* out = fopen(tmp.c_str(), "wb");
    if (!out) return Fail(err, "cannot write " + tmp);
    bool ok = fwrite(engine.data(), 1, engine.size(), out) == engine.size() &&
              fwrite(archive.data(), 1, archive.size(), out) == archive.size();
    ok = (fclose(out) == 0) && ok;
    if (!ok || chmod(tmp.c_str(), 0755) != 0 || rename(tmp.c_str(), outPath.c_str()) != 0) {
        unlink(tmp.c_str());
        return Fail(err, "cannot write " + outPath);
    }
    return true;
}

bool ReadLinuxImage(const std::string& path, std::vector<uint8_t>* scrambled) {
    FILE* f = fopen(path.c_str(), "rb");
    if (!f) return false;
    uint64_t start;
    std::vector<ArchiveEntry> entries;
    bool found = false;
    if (ReadArchive(f, &start, &entries)) {
        for (const ArchiveEntry& e : entries) {
            if (!(e.typeText.empty() && e.typeId == 10 &&
                  strcasecmp(e.nameText.c_str(), "A6F2D1FB") == 0))
                continue;
            scrambled->resize(e.size);
            found = fseek(f, (long)(start + e.offset), SEEK_SET) == 0 &&
                    (e.size == 0 || fread(scrambled->data(), 1, e.size, f) == e.size);
            break;
        }
    }
    fclose(f);
    return found;
}
