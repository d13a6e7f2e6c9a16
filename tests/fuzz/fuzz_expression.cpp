// Expression evaluation of arbitrary text, with a few declared variables of
// several types to refer to.
#include "fuzz_common.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    FuzzQuietStreams();
    return 0;
}

// A one-line program that declares the variables the expressions may use.
static const char kDeclarations[] =
    "x = 7\r\ny = 2.5\r\ns = \"text\"\r\n";

static void Declare(Keltra& k, char* name, int type) {
    k.CreateVariable(name, type, 1, nullptr);
    k.error = 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    FuzzImage img(reinterpret_cast<const uint8_t*>(kDeclarations), sizeof kDeclarations - 1);
    Keltra k;
    k.image = img.bytes;
    k.imageSize = sizeof kDeclarations - 1;
    if (!k.Prepare()) return 0;
    char names[][16] = {"i", "d", "str", "arr[10]", "m[3,4]", "w", "q"};
    int types[] = {T_INT, T_DOUBLE, T_STRING, T_INT, T_FLOAT, T_WORD, T_INT64};
    for (int i = 0; i < 7; i++) Declare(k, names[i], types[i]);
    k.namedValues.Set("N", 5);
    FuzzImage text(data, size);
    k.error = 0;
    k.EvaluateExpression(text.bytes);
    return 0;
}
