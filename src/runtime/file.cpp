// Text and binary files: the stream table, open, close, end of file,
// position and the file dialog. Reads and writes are in file_io.cpp.
#include <cctype>
#include <cstring>
#include <string>
#include "host/fs.h"
#include "runtime/files.h"

FilesState& Files(Keltra& k) { return k.Ext<FilesState>(EXT_FILES); }

void FilesState::Reset() {
    for (Stream& s : streams) fclose(s.f);
    streams.clear();
    for (auto& b : blocks) free(b.first);
    blocks.clear();
}

static FILE* ReadCell(Variable* v) {
    FILE* f = nullptr;
    if (v->data) memcpy(&f, v->data, sizeof f);
    return f;
}

static void WriteCell(Variable* v, FILE* f) {
    if (v->data) memcpy(v->data, &f, sizeof f);
}

static FilesState::Stream* FindStream(Keltra& k, FILE* f) {
    for (FilesState::Stream& s : Files(k).streams)
        if (s.f == f) return &s;
    return nullptr;
}

FILE* CellStream(Keltra& k, Variable* v) {
    if (v->type != T_FILE && v->type != T_BFILE) return nullptr;
    FILE* f = ReadCell(v);
    if (!f) return nullptr;
    if (v->isStatic && (f == stdin || f == stdout || f == stderr)) return f;
    return FindStream(k, f) ? f : nullptr;
}

static void CloseStream(Keltra& k, FILE* f) {
    std::vector<FilesState::Stream>& streams = Files(k).streams;
    for (size_t i = 0; i < streams.size(); i++)
        if (streams[i].f == f) {
            fclose(f);
            streams[i] = streams.back();
            streams.pop_back();
            return;
        }
}

void CloseFileCell(Keltra& k, Variable* v) {
    if (v->isStatic || (v->type != T_FILE && v->type != T_BFILE)) return;
    CloseStream(k, ReadCell(v));
    WriteCell(v, nullptr);
}

void StreamTurn(Keltra& k, FILE* f, bool writing) {
    FilesState::Stream* s = FindStream(k, f);
    if (!s) return;
    // An update stream needs a positioning call between output and input.
    if (s->writing != writing) fseek(f, 0, SEEK_CUR);
    s->writing = writing;
}

// Sets the I/O status (constant 70) and copies it into SYSTEM_INT0.
static StatementRecord* Status(Keltra& k, StatementRecord* rec, int32_t status) {
    k.constants[CONST_IO_STATUS] = status;
    k.SetResultInt(rec, status);
    return rec;
}

// Argument i evaluated as a FILE or BFILE variable with an open stream.
// want is T_BFILE where only a binary file will do, else T_ANYTHING.
static FILE* FileArgument(Keltra& k, StatementRecord* rec, int i, int want, Variable** var) {
    ValueRecord v;
    if (!k.EvaluateArgument(&v, rec, i, want)) return nullptr;
    if (!v.variable || (v.type != T_FILE && v.type != T_BFILE)) { k.error = ERR_TYPE; return nullptr; }
    FILE* f = CellStream(k, v.variable);
    if (!f) { k.error = ERR_FILE_NOT_OPEN; return nullptr; }
    if (var) *var = v.variable;
    return f;
}

// Slot 14: open a file for a FILE or BFILE variable.
StatementRecord* Keltra::CmdOpenFile(StatementRecord* rec) {
    if (rec->argCount != 3) return Status(*this, rec, constants[CONST_IO_STATUS]);
    ValueRecord v;
    if (!EvaluateArgument(&v, rec, 0, T_ANYTHING)) return nullptr;
    Variable* var = v.variable;
    if (!var || (var->type != T_FILE && var->type != T_BFILE)) return Fail(ERR_TYPE);
    if (!EvaluateArgument(&v, rec, 1, T_STRING)) return nullptr;
    std::string path = v.text ? v.text : "";   // the next argument may reuse SYSTEM_STRING0
    if (!EvaluateArgument(&v, rec, 2, T_STRING)) return nullptr;
    char letter = v.text ? (char)toupper((unsigned char)v.text[0]) : 0;
    bool text = var->type == T_FILE;
    const char* mode;
    int32_t failure;
    switch (letter) {
    case 'A': mode = text ? "a+" : "rb+"; failure = IO_OPEN_APPEND; break;
    case 'R': mode = text ? "r" : "rb"; failure = IO_OPEN_READ; break;
    case 'W': mode = text ? "w+" : "wb+"; failure = IO_OPEN_WRITE; break;
    default: return Fail(ERR_SYNTAX);
    }
    if (var->isStatic || !var->data) return Fail(ERR_TYPE);   // the standard streams stay
    // A stream still open in the cell is closed first, so its buffered
    // output reaches the file before anything reopens it.
    CloseFileCell(*this, var);
    FILE* f = HostOpenFile(path.c_str(), mode);
    WriteCell(var, f);
    if (!f) return Status(*this, rec, failure);
    setvbuf(f, nullptr, _IOFBF, 1 << 16);
    Files(*this).streams.push_back({f, false});
    return Status(*this, rec, IO_OK);
}

// Slot 15: close the stream of a file variable.
StatementRecord* Keltra::CmdCloseFile(StatementRecord* rec) {
    if (rec->argCount != 1) return Fail(ERR_SYNTAX);
    Variable* var = FindVariable(rec->argText[0], nullptr, 0);
    if (!var) return error ? nullptr : Fail(ERR_NOT_FOUND);
    if (var->type != T_FILE && var->type != T_BFILE) return Fail(ERR_TYPE);
    CloseFileCell(*this, var);
    return rec;
}

// Slot 116: 16 when the end-of-file indicator is set, else 0.
StatementRecord* Keltra::CmdEndOfFile(StatementRecord* rec) {
    FILE* f = FileArgument(*this, rec, 0, T_ANYTHING, nullptr);
    if (!f) return nullptr;
    SetResultInt(rec, feof(f) ? 16 : 0);
    return rec;
}

// Slot 117: get or set the position of a binary file.
StatementRecord* Keltra::CmdFilePosition(StatementRecord* rec) {
    if (rec->argCount != 1 && rec->argCount != 2) return Fail(ERR_SYNTAX);
    FILE* f = FileArgument(*this, rec, 0, T_BFILE, nullptr);
    if (!f) return nullptr;
    if (rec->argCount == 1) {
        int64_t pos = HostTell(f);
        SetResultInt(rec, (int32_t)(uint32_t)(uint64_t)pos);   // low 32 bits
        return rec;
    }
    ValueRecord v;
    if (!EvaluateArgument(&v, rec, 1, T_ANY_NUMBER)) return nullptr;
    // A position the system refuses (negative, beyond reach) leaves the stream where it was.
    double d = v.doubleValue;
    if (d >= 0 && d < 9.2e18) {
        if (HostSeek(f, (int64_t)d)) {
            FilesState::Stream* s = FindStream(*this, f);
            if (s) s->writing = false;   // a seek allows either direction next
        }
    }
    return rec;
}

// Slot 24: the system's file selection dialog.
StatementRecord* Keltra::CmdFileDialog(StatementRecord* rec) {
    if (rec->argCount < 1) return Fail(ERR_SYNTAX);
    ValueRecord v;
    if (!EvaluateArgument(&v, rec, 0, T_STRING)) return nullptr;
    std::string title = v.text ? v.text : "";
    FileDialogRequest req{nullptr, 0, false, "", "", 0, nullptr};
    if (rec->argCount > 1 && rec->argText[1][0] != '0' && rec->argText[1][0]) {
        if (!EvaluateArgument(&v, rec, 1, T_WINDOW_OR_DIALOG)) return nullptr;
        req.owner = v.handle;
    }
    if (rec->argCount > 2) {
        if (!EvaluateArgument(&v, rec, 2, T_ANY_NUMBER)) return nullptr;
        req.open = v.intValue != 0;
    }
    std::string filter, ext, dir;
    if (rec->argCount > 3) {
        if (!EvaluateArgument(&v, rec, 3, T_STRING)) return nullptr;
        filter = v.text ? v.text : "";
    }
    if (rec->argCount > 4) {
        if (!EvaluateArgument(&v, rec, 4, T_STRING)) return nullptr;
        ext = v.text ? v.text : "";
    }
    uint32_t flags = 4;                                  // OFN_HIDEREADONLY
    if (rec->argCount > 5) {
        if (!EvaluateArgument(&v, rec, 5, T_ANY_NUMBER)) return nullptr;
        flags |= (uint32_t)v.intValue;
    }
    if (rec->argCount == 7) {
        if (!EvaluateArgument(&v, rec, 6, T_STRING)) return nullptr;
        dir = v.text ? v.text : "";
    }
    if (!req.open) flags |= 2;                           // OFN_OVERWRITEPROMPT
    req.title = title.c_str();
    req.filter = filter.c_str();
    req.defaultExt = ext.c_str();
    req.flags = flags;
    req.initialDir = rec->argCount == 7 ? dir.c_str() : nullptr;
    static char paths[10000];                            // 9999 usable with multiselect
    size_t cap = (flags & 0x200) ? sizeof paths : 260;
    int shown = HostFileDialog(req, paths, cap);
    if (shown < 0) return Fail(ERR_FILE_DIALOG);
    constants[CONST_IO_STATUS] = shown ? IO_OK : IO_NOTHING;
    SetResultText(rec, shown ? paths : "");
    return rec;
}
