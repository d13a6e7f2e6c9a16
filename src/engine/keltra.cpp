// The interpreter object: construction, preparation, the error report and
// the teardown. The run loop is in run.cpp, the line table in image.cpp.
#include "engine/keltra.h"
#include "eval/constants.h"
#include "host/console.h"
#include "host/process.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

Keltra::Keltra() {
    memset(constants, 0, sizeof constants);
    FillConstants(constants);
    stdoutCell = stdout;
    stdinCell = stdin;
    LinkStaticRecords();
    BindHandlers();
}

Keltra::~Keltra() {
    Reset();
    for (SubsystemState*& s : ext) {
        delete s;
        s = nullptr;
    }
}

// Creates one system variable in the main list; the name must be writable.
static Variable* SystemVariable(Keltra& k, const char* name, int type) {
    char buf[32];
    snprintf(buf, sizeof buf, "%s", name);
    return k.CreateVariable(buf, type, 1, nullptr);
}

int Keltra::Prepare() {
    if (prepared) {
        Reset();
        prepared = 0;
    }
    outputBuffer = static_cast<char*>(malloc(OUTPUT_BUFFER_SIZE));
    decimalPrec = 2;
    if (!outputBuffer) { Reset(); return 0; }
    recA = NewStatementRecord(MAX_ARGS);
    if (!recA) return 0;                  // NewStatementRecord has reset
    recB = NewStatementRecord(MAX_ARGS);
    if (!recB) return 0;
    controlStack = static_cast<int32_t*>(calloc(CONTROL_STACK_SIZE, sizeof(int32_t)));
    controlTop = 0;
    if (!controlStack) { Reset(); return 0; }

    sysFloat = SystemVariable(*this, "SYSTEM_FLOAT0", T_FLOAT);
    sysInt = sysFloat ? SystemVariable(*this, "SYSTEM_INT0", T_INT) : nullptr;
    sysInt64 = sysInt ? SystemVariable(*this, "SYSTEM_INT64", T_INT64) : nullptr;
    sysDouble = sysInt64 ? SystemVariable(*this, "SYSTEM_DOUBLE0", T_DOUBLE) : nullptr;
    sysString = sysDouble ? SystemVariable(*this, "SYSTEM_STRING0[65535]", T_ISTRING) : nullptr;
    sysPointer = sysString ? SystemVariable(*this, "SYSTEM_POINTER0", T_POINTER) : nullptr;
    if (!sysPointer) { Reset(); return 0; }

    srand((unsigned)(time(nullptr) / 2));
    rand();
    // The window classes are registered by the Windows host when it opens
    // the first window; the Linux engine has none.
    constants[72] = 0;
    prepared = 1;
    return 1;
}

void Keltra::Reset() {
    if (scopeList.Count() > 0) {
        // A run that stopped inside subroutines: the current chain and the
        // callers' chains waiting behind the globals are all released, so
        // nothing of an outer call is lost.
        Variable* globals = static_cast<Variable*>(scopeList.RemoveHead());
        Variable* current = CurrentChain();
        while (scopeList.Count() > 0 || current) {
            if (current && current != globals) {
                current->prev = nullptr;
                ReleaseVariables(current, 0);
            }
            current = scopeList.Count() > 0 ? static_cast<Variable*>(scopeList.RemoveTail()) : nullptr;
        }
        decimalVar.next = globals;
        if (globals) globals->prev = &decimalVar;
    }
    FreeStatementRecord(recA);
    FreeStatementRecord(recB);
    recA = recB = nullptr;
    free(outputBuffer);
    outputBuffer = nullptr;
    free(controlStack);
    controlStack = nullptr;
    controlTop = 0;
    free(lines);
    lines = nullptr;
    free(lineNumbers);
    lineNumbers = nullptr;
    lineCount = 0;

    ReleaseVariables(&stdoutVar, 0);
    LinkStaticRecords();
    sysString = sysInt = sysFloat = sysDouble = sysPointer = sysInt64 = nullptr;

    while (typeDefs) {
        TypeDef* next = typeDefs->next;
        delete typeDefs;
        typeDefs = next;
    }
    namedValues.Clear();
    windowList.RemoveAll();
    for (SubsystemState* s : ext)
        if (s) s->Reset();
    prepared = 0;
}

// The error report. The run loop has already stepped past the failing
// line, so the entry before the current index is the failing line's.
void Keltra::Finish() {
    if (!error) return;
    for (SubsystemState* s : ext)
        if (s) s->BeforeErrorReport();
    host::ConsoleClose();
    unsigned line = 0;
    if (lineNumbers && lineCount && currentLine != 0)
        line = lineNumbers[currentLine - 1 < lineCount ? currentLine - 1 : lineCount - 1];
    char text[256];
    snprintf(text, sizeof text,
             "An error has occured\nLine number: %d\nPlease contact the program vendor\n%d",
             (int)line + 1, (int)error);
    HostErrorBox(text);
}
