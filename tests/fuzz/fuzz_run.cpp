// Whole runs of arbitrary token programs. The fuzzing build bounds the
// number of lines a run executes, confines file names to the working
// directory (a scratch folder) and refuses shell, sound and library calls.
#include "fuzz_common.h"
#include <unistd.h>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzQuietStreams();
    char dir[] = "/tmp/keltra-fuzz-XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0) abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzImage img(data, size);
    Keltra k;
    k.image = img.bytes;
    k.imageSize = static_cast<uint32_t>(size);
    k.runLimit = 20000;
    if (k.Prepare()) k.Run();
    return 0;
}
