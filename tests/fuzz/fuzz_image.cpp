// Image to line table to label pre-pass to the decoding of every line.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzQuietStreams();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzImage img(data, size);
    Keltra k;
    k.image = img.bytes;
    k.imageSize = static_cast<uint32_t>(size);
    if (!k.Prepare()) return 0;
    k.error = 0;
    if (!k.BuildLineTable()) return 0;
    k.prepared = 0;
    bool labelled = k.LabelPrePass();
    k.prepared = 1;
    if (!labelled) return 0;
    StatementRecord* rec = k.NewStatementRecord(MAX_ARGS);
    if (!rec) return 0;
    for (uint32_t i = 0; i < k.lineCount; i++) {
        k.currentLine = i;
        k.error = 0;
        if (*k.lines[i]) k.DecodeLine(rec, k.lines[i]);
    }
    Keltra::FreeStatementRecord(rec);
    return 0;
}
