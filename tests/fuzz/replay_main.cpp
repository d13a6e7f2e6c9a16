// Replays fuzz inputs through a target's entry points with the ordinary
// engine (no libFuzzer): every finding of a campaign is kept in
// regressions/<target>/ and replayed by ctest. A crash or a sanitizer
// report fails the test; the name of each input goes to standard error
// first, so the failing one shows.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>
#include <unistd.h>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

static bool ReadFile(const char* path, std::vector<uint8_t>* out) {
    FILE* f = fopen(path, "rb");
    if (!f) return false;
    uint8_t buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) out->insert(out->end(), buf, buf + n);
    fclose(f);
    return true;
}

int main(int argc, char** argv) {
    // Inputs are read before the target's set-up, which may change folder.
    std::vector<std::vector<uint8_t>> inputs(argc > 1 ? argc - 1 : 0);
    for (int i = 1; i < argc; i++) {
        if (!ReadFile(argv[i], &inputs[i - 1])) {
            fprintf(stderr, "cannot read %s\n", argv[i]);
            return 1;
        }
    }
    LLVMFuzzerInitialize(&argc, &argv);
    for (int i = 1; i < argc; i++) {
        fprintf(stderr, "replay %s\n", argv[i]);
        const std::vector<uint8_t>& in = inputs[i - 1];
        static const uint8_t none = 0;   // never a null pointer, even for no bytes
        LLVMFuzzerTestOneInput(in.empty() ? &none : in.data(), in.size());
    }
    // The run target works in a scratch folder of its own; remove it.
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) && strncmp(cwd, "/tmp/keltra-fuzz-", 17) == 0 && chdir("/") == 0)
        rmdir(cwd);
    fprintf(stderr, "%d inputs replayed\n", argc - 1);
    return 0;
}
