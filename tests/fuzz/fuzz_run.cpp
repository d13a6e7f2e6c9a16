// Whole runs of arbitrary token programs. The fuzzing build bounds the
// number of lines a run executes, confines file names to the working
// directory (a scratch folder) and refuses shell, sound and library calls.
#include "fuzz_common.h"
#include <csignal>
#include <dirent.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzQuietStreams();
    // A run writes at most 20000 lines of up to 64 KB each: files are held
    // to 64 MB (a longer write fails; SIGXFSZ is ignored at the first input,
    // after libFuzzer has set its own handlers).
    struct rlimit fsize = {64 << 20, 64 << 20};
    setrlimit(RLIMIT_FSIZE, &fsize);
    char dir[] = "/tmp/keltra-fuzz-XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0) abort();
    return 0;
}

// Empties the scratch folder after a run. The fuzzing build allows only
// plain names, so it holds files and empty directories, nothing deeper.
static void ClearScratch() {
    DIR* d = opendir(".");
    if (!d) return;
    while (struct dirent* e = readdir(d)) {
        if (!strcmp(e->d_name, ".") || !strcmp(e->d_name, "..")) continue;
        if (unlink(e->d_name) != 0) rmdir(e->d_name);
    }
    closedir(d);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool once = (signal(SIGXFSZ, SIG_IGN), true);
    (void)once;
    {
        FuzzImage img(data, size);
        Keltra k;
        k.image = img.bytes;
        k.imageSize = static_cast<uint32_t>(size);
        k.runLimit = 20000;
        if (k.Prepare()) k.Run();
    }   // the interpreter closes its files before the folder is cleared
    ClearScratch();
    return 0;
}
