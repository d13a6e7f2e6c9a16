// The run loop: one line at a time through the handler table until the end
// statement, the last line or an error.
#include "engine/keltra.h"
#include "engine/line_cache.h"

int Keltra::Run() {
    error = 0;
    if (!prepared || !image) return 0;
    Start();
    currentLine = 0;
    lineCount = 0;
    if (!BuildLineTable()) return error == 0;   // an empty program ends quietly
    Lines(*this).Reset();                      // memos of an earlier table
    prepared = 0;                              // no implicit calls during the pass
    if (!LabelPrePass()) return 0;
    prepared = 1;
    currentLine = 0;
    for (;;) {
        int go = RunLine(recA);
        currentLine++;
        if (!go || currentLine >= lineCount || error) break;
    }
    int ok = error == 0;
    Finish();
    consoleOpen = 0;
    return ok;
}

// The one place where a line is decoded and dispatched; subroutine calls
// run their body through it too.
int Keltra::RunLine(StatementRecord* rec) {
    if (currentLine >= lineCount) return 0;
    if (runLimit && ++linesRun > runLimit) {   // the fuzzing build's bound
        error = ERR_RUN_LIMIT;
        return 0;
    }
    char* line = lines[currentLine];
    if (!*line) return 1;                      // a blanked label line
    if (!RestoreDecoded(*this, rec, currentLine) && DecodeAndKeep(*this, rec, currentLine))
        return 0;                              // each line is decoded once, then restored
    error = 0;
    return Dispatch(rec) != nullptr && error == 0;
}

// Codes beyond the table never come from DecodeLine; a caller that builds
// a record by hand gets the bad-code error instead of a wild call.
StatementRecord* Keltra::Dispatch(StatementRecord* rec) {
    Handler h = rec->code < HANDLER_COUNT ? handlers[rec->code] : nullptr;
    if (!h) return Fail(ERR_BAD_CODE);
    return (this->*h)(rec);
}
