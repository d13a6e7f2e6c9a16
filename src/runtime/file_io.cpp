// Reading and writing files: whole variables as text or binary images,
// and numbered records of binary files.
#include <cinttypes>
#include <cstring>
#include "host/fs.h"
#include "runtime/file_image.h"
#include "runtime/files.h"

namespace {

struct FileChannel : ImageChannel {
    FILE* f;
    bool writing;
    FileChannel(FILE* f, bool writing) : f(f), writing(writing) {}
    size_t Move(unsigned char* p, size_t n) override {
        return writing ? fwrite(p, 1, n, f) : fread(p, 1, n, f);
    }
};

}  // namespace

static StatementRecord* Status(Keltra& k, StatementRecord* rec, int32_t status) {
    k.constants[CONST_IO_STATUS] = status;
    k.SetResultInt(rec, status);
    return rec;
}

// Bytes of storage from a variable's current element to the end of it.
static size_t RoomAt(Variable* v) {
    size_t total = v->type < T_COUNT ? (size_t)v->count * kTypes[v->type].elementSize : 0;
    if (!v->isIndexed || !v->base) return total;
    if (v->data < v->base || v->data > v->base + total) return 0;
    return total - (size_t)(v->data - v->base);
}

// One line into a string: at most capacity - 2 characters, the line end
// at the end of what was read removed. Returns false at the end of data.
static bool ReadLine(FILE* f, Variable* t) {
    size_t room = RoomAt(t);
    size_t cap = t->auxA > 0 ? (size_t)t->auxA : 0;
    if (cap > room) cap = room;
    if (cap == 0) return false;              // no storage to fill
    int n = cap >= 2 ? (int)(cap - 1) : 1;   // fgets keeps n - 1 characters
    char* s = (char*)t->data;
    if (!fgets(s, n, f)) { s[0] = 0; return false; }
    size_t len = strlen(s);
    if (len && s[len - 1] == '\n') {
        s[--len] = 0;
        if (len && s[len - 1] == '\r') s[--len] = 0;
    }
    return true;
}

// One value converted by the target's type. Returns the I/O status.
static int32_t ReadValue(FILE* f, Variable* t) {
    union { char c; int32_t i; uint16_t w; uint32_t u; long long ll; unsigned long long ull;
            float fl; double d; void* p; } val;
    size_t size;
    int r;
    switch (t->type) {
    case T_CHAR:   r = fscanf(f, "%c", &val.c); size = 1; break;
    case T_INT:    r = fscanf(f, "%" SCNd32 " ", &val.i); size = 4; break;
    case T_WORD:   r = fscanf(f, "%hu ", &val.w); size = 2; break;
    case T_UINT:   r = fscanf(f, "%" SCNu32 " ", &val.u); size = 4; break;
    case T_INT64:  r = fscanf(f, "%lld ", &val.ll); size = 8; break;
    case T_UINT64: r = fscanf(f, "%llu ", &val.ull); size = 8; break;
    case T_FLOAT:  r = fscanf(f, "%f ", &val.fl); size = 4; break;
    case T_DOUBLE: r = fscanf(f, "%lf ", &val.d); size = 8; break;
    case T_MEMORY:
    case T_POINTER: r = fscanf(f, "%p ", &val.p); size = sizeof(void*); break;
    default: return -1;
    }
    if (r == EOF) return IO_OK;              // the end-of-file test tells it
    if (r != 1) return IO_NOTHING;
    if (t->data && RoomAt(t) >= size) memcpy(t->data, &val, size);
    return IO_OK;
}

// The target of a text read; refuses cells that hold engine objects.
static bool TextTarget(Variable* t) {
    return t->type != T_USER_0 && t->type < T_COUNT && !IsObjectType(t->type) &&
           t->type != T_SYSTEM_0 && t->type != T_LABEL_0 && t->type != T_ARRAY_0;
}

// The file variable named by argument 0 and its stream.
static FILE* NamedFile(Keltra& k, StatementRecord* rec, Variable** var) {
    Variable* fv = k.FindVariable(rec->argText[0], nullptr, 0);
    if (!fv) { if (!k.error) k.error = ERR_NOT_FOUND; return nullptr; }
    if (fv->type != T_FILE && fv->type != T_BFILE) { k.error = ERR_TYPE; return nullptr; }
    FILE* f = CellStream(k, fv);
    if (!f) { k.error = ERR_FILE_NOT_OPEN; return nullptr; }
    *var = fv;
    return f;
}

// Slot 16: read one or more variables from a file.
StatementRecord* Keltra::CmdReadFile(StatementRecord* rec) {
    if (rec->argCount < 2) return Fail(ERR_SYNTAX);
    Variable* fv = nullptr;
    FILE* f = NamedFile(*this, rec, &fv);
    if (!f) return nullptr;
    StreamTurn(*this, f, false);
    int32_t status = IO_OK;
    for (int i = 1; i < rec->argCount && status == IO_OK; i++) {
        Variable* t = FindVariable(rec->argText[i], nullptr, 0);
        if (!t) return error ? nullptr : Fail(ERR_NOT_FOUND);
        if (fv->type == T_FILE) {
            if (!TextTarget(t)) return Fail(ERR_TYPE);
            if (t->type == T_STRING) status = ReadLine(f, t) ? IO_OK : IO_NOTHING;
            else status = ReadValue(f, t);
        } else {
            if (IsObjectType(t->type)) return Fail(ERR_TYPE);
            FileChannel ch(f, false);
            if (ReadImage(*this, t, ch, IMAGE_FILE) == 0) status = IO_NOTHING;
        }
    }
    return Status(*this, rec, status);
}

// Slot 17: write values to a text file (through the print statement) or
// variables to a binary file.
StatementRecord* Keltra::CmdWriteFile(StatementRecord* rec) {
    if (rec->argCount < 1) return Fail(ERR_SYNTAX);
    Variable* fv = nullptr;
    FILE* f = NamedFile(*this, rec, &fv);
    if (!f) return nullptr;
    StreamTurn(*this, f, true);
    int32_t status = IO_OK;
    if (fv->type == T_FILE) {
        rec->redirect = 1;
        StatementRecord* done = CmdPrint(rec);
        rec->redirect = 0;
        if (!done) return nullptr;
    } else {
        for (int i = 1; i < rec->argCount; i++) {
            Variable* s = FindVariable(rec->argText[i], nullptr, 0);
            if (!s) return error ? nullptr : Fail(ERR_NOT_FOUND);
            FileChannel ch(f, true);
            if (WriteImage(*this, s, ch, IMAGE_FILE) < ImageSize(*this, s, IMAGE_FILE)) status = IO_NOTHING;
        }
    }
    // A write the system refused is not reported as success.
    if (ferror(f)) { clearerr(f); status = IO_NOTHING; }
    return Status(*this, rec, status);
}

// Slots 118 and 119: the common part of record reads and writes. Leaves
// the stream at record n when it can be placed there (*placed).
static FILE* RecordStart(Keltra& k, StatementRecord* rec, Variable** target, bool* placed) {
    if (rec->argCount != 3) { k.error = ERR_SYNTAX; return nullptr; }
    ValueRecord v;
    if (!k.EvaluateArgument(&v, rec, 0, T_BFILE)) return nullptr;
    FILE* f = v.variable ? CellStream(k, v.variable) : nullptr;
    if (!f) { k.error = ERR_FILE_NOT_OPEN; return nullptr; }
    if (!k.EvaluateArgument(&v, rec, 1, T_ANY_NUMBER)) return nullptr;
    double n = v.doubleValue;
    if (!(n >= 1)) { k.error = ERR_BAD_START; return nullptr; }
    Variable* t = k.FindVariable(rec->argText[2], nullptr, 0);
    if (!t) { if (!k.error) k.error = ERR_NOT_FOUND; return nullptr; }
    uint64_t size = ImageSize(k, t, IMAGE_FILE);
    // (n - 1) x size must be a reachable offset; a huge record number is not.
    uint64_t index = n - 1 >= 9.2e18 ? UINT64_MAX : (uint64_t)(n - 1);
    bool fits = size == 0 || index <= (uint64_t)INT64_MAX / size;
    *placed = fits && HostSeek(f, (int64_t)(index * size));
    *target = t;
    return f;
}

StatementRecord* Keltra::CmdReadRecord(StatementRecord* rec) {
    Variable* t = nullptr;
    bool placed = false;
    FILE* f = RecordStart(*this, rec, &t, &placed);
    if (!f) return nullptr;
    if (IsObjectType(t->type)) return Fail(ERR_TYPE);
    StreamTurn(*this, f, false);
    uint64_t got = 0;
    if (placed) {
        FileChannel ch(f, false);
        got = ReadImage(*this, t, ch, IMAGE_FILE);
    }
    // A record that yields nothing at all is reported, user types included
    // (a past-the-end record would otherwise look like a successful read).
    bool empty = t->type == T_USER_0 && ImageSize(*this, t, IMAGE_FILE) == 0;
    return Status(*this, rec, got == 0 && !empty ? IO_NOTHING : IO_OK);
}

StatementRecord* Keltra::CmdWriteRecord(StatementRecord* rec) {
    Variable* t = nullptr;
    bool placed = false;
    FILE* f = RecordStart(*this, rec, &t, &placed);
    if (!f) return nullptr;
    StreamTurn(*this, f, true);
    int32_t status = IO_NOTHING;   // a record that cannot be placed is not written
    if (placed) {
        FileChannel ch(f, true);
        if (WriteImage(*this, t, ch, IMAGE_FILE) == ImageSize(*this, t, IMAGE_FILE)) status = IO_OK;
        if (ferror(f)) { clearerr(f); status = IO_NOTHING; }
    }
    return Status(*this, rec, status);
}
