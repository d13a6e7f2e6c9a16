// The resource archive of Linux executables: a written archive reads back,
// and damaged trailers or directories are refused without reading outside
// the file.
#include <gtest/gtest.h>
#include <cstdio>
#include <string>
#include <vector>
#include "host/linux/res_archive.h"

namespace {

FILE* FileWith(const std::string& bytes) {
    FILE* f = tmpfile();
    fwrite(bytes.data(), 1, bytes.size(), f);
    fflush(f);
    return f;
}

std::string Sample() {
    ArchiveEntry a, b;
    a.typeId = 10;
    a.nameText = "A6F2D1FB";
    b.typeText = "RTIMAGE";
    b.nameId = 7;
    return "ENGINE-BYTES" + BuildArchive({a, b}, {"image", "picture!"});
}

}  // namespace

TEST(ResourceArchive, ReadsBackWhatWasBuilt) {
    FILE* f = FileWith(Sample());
    uint64_t start = 0;
    std::vector<ArchiveEntry> e;
    ASSERT_TRUE(ReadArchive(f, &start, &e));
    EXPECT_EQ(start, 12u);
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[0].typeId, 10u);
    EXPECT_EQ(e[0].nameText, "A6F2D1FB");
    EXPECT_EQ(e[0].size, 5u);
    EXPECT_EQ(e[1].typeText, "RTIMAGE");
    EXPECT_EQ(e[1].nameId, 7u);
    EXPECT_EQ(e[1].offset, 5u);
    EXPECT_EQ(e[1].size, 8u);
    fclose(f);
}

TEST(ResourceArchive, RefusesDamage) {
    std::string good = Sample();
    size_t t = good.size() - ARCHIVE_TRAILER_SIZE;
    auto with = [&](size_t at, const std::string& bytes) {
        std::string s = good;
        s.replace(at, bytes.size(), bytes);
        return s;
    };
    const std::string cases[] = {
        "",                                            // empty file
        good.substr(0, good.size() - 1),               // trailer cut
        with(good.size() - 1, "X"),                    // wrong magic
        with(t, std::string("\xff\xff\xff\xff\xff\xff\xff\x7f", 8)),   // archive larger than file
        with(t + 8, std::string("\xff\xff\xff\x0f", 4)),               // huge count
        with(t + 12, std::string("\xff\xff\xff\xff", 4)),              // huge directory
        with(t + 12, std::string("\x05\x00\x00\x00", 4)),              // directory too small
        with(12 + 13 + 16, std::string("\xff\xff\x00\x00", 4)),        // entry size past the data
        with(12 + 13 + 4, std::string("\xff\xff", 2)),                 // type text past the directory
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; i++) {
        FILE* f = FileWith(cases[i]);
        uint64_t start;
        std::vector<ArchiveEntry> e;
        EXPECT_FALSE(ReadArchive(f, &start, &e)) << "case " << i;
        fclose(f);
    }
}
