// Memory blocks: allocate, resize and free them, and copy numbered
// fixed-size records between a block and variables. Every block the
// statements allocate is recorded with its size, which bounds each copy;
// an address that is not a recorded block is never read or written.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include "runtime/file_image.h"
#include "runtime/files.h"

unsigned char* MemoryCell(Variable* v) {
    unsigned char* p = nullptr;
    if (v->data) memcpy(&p, v->data, sizeof p);
    return p;
}

void SetMemoryCell(Variable* v, unsigned char* p) {
    if (v->data) memcpy(v->data, &p, sizeof p);
}

size_t BlockSize(Keltra& k, const unsigned char* p) {
    if (!p) return 0;
    auto& blocks = Files(k).blocks;
    auto it = blocks.find(const_cast<unsigned char*>(p));
    return it == blocks.end() ? 0 : it->second;
}

unsigned char* BlockAlloc(Keltra& k, size_t n) {
    unsigned char* p = (unsigned char*)calloc(n ? n : 1, 1);
    if (p) Files(k).blocks[p] = n;
    return p;
}

static bool IsBlock(Keltra& k, unsigned char* p) {
    return p && Files(k).blocks.count(p) != 0;
}

static void BlockFree(Keltra& k, unsigned char* p) {
    if (Files(k).blocks.erase(p)) free(p);
}

// Resizes a recorded block keeping its contents; new bytes are zero.
static unsigned char* BlockResize(Keltra& k, unsigned char* p, size_t n) {
    size_t old = BlockSize(k, p);
    unsigned char* q = (unsigned char*)realloc(p, n ? n : 1);
    if (!q) return nullptr;                  // p is still valid and recorded
    auto& blocks = Files(k).blocks;
    blocks.erase(p);
    blocks[q] = n;
    if (n > old) memset(q + old, 0, n - old);
    return q;
}

// Slot 142: allocate or resize a MEMORY variable's block to count x size bytes.
StatementRecord* Keltra::CmdResizeMemory(StatementRecord* rec) {
    if (rec->argCount != 3) return Fail(ERR_ARG_COUNT);
    ValueRecord v;
    if (!EvaluateArgument(&v, rec, 0, T_MEMORY)) return nullptr;
    Variable* var = v.variable;
    if (!var || !var->data) return Fail(ERR_TYPE);
    if (!EvaluateArgument(&v, rec, 1, T_ANY_NUMBER)) return nullptr;
    double count = std::trunc(v.doubleValue);
    if (!EvaluateArgument(&v, rec, 2, T_ANY_NUMBER)) return nullptr;
    double n = count * std::trunc(v.doubleValue);
    unsigned char* old = MemoryCell(var);
    unsigned char* p = nullptr;
    // A negative size, or one beyond what the recorded size can hold, is
    // an allocation that fails.
#ifdef KELTRA_FUZZ_BUILD
    // Fuzzed runs are bounded in lines; each line's work must stay small.
    if (n > (1 << 24)) n = -1;
#endif
    if (n >= 0 && n <= INT32_MAX)
        p = IsBlock(*this, old) ? BlockResize(*this, old, (size_t)n) : BlockAlloc(*this, (size_t)n);
    if (!p) {
        // The cell ends up empty; the old block is freed rather than lost.
        BlockFree(*this, old);
        SetMemoryCell(var, nullptr);
        var->auxC = 0;
        SetResultInt(rec, -1);
        return rec;
    }
    SetMemoryCell(var, p);
    var->auxC = (int32_t)n;
    SetResultInt(rec, (int32_t)n);
    return rec;
}

// Slot 143: free a MEMORY variable's block. A cell that holds no recorded
// block (freed through another variable, or a number) is only cleared.
StatementRecord* Keltra::CmdFreeMemory(StatementRecord* rec) {
    if (rec->argCount != 1) return rec;
    ValueRecord v;
    if (!EvaluateArgument(&v, rec, 0, T_MEMORY)) return nullptr;
    Variable* var = v.variable;
    if (!var || !var->data) return Fail(ERR_TYPE);
    unsigned char* p = MemoryCell(var);
    if (!p) return rec;
    BlockFree(*this, p);
    SetMemoryCell(var, nullptr);
    var->auxC = 0;
    return rec;
}

namespace {

struct MemoryChannel : ImageChannel {
    unsigned char* at;
    size_t left;
    bool toBlock;
    MemoryChannel(unsigned char* at, size_t left, bool toBlock) : at(at), left(left), toBlock(toBlock) {}
    size_t Move(unsigned char* p, size_t n) override {
        if (n > left) n = left;
        if (toBlock) memcpy(at, p, n);
        else memcpy(p, at, n);
        at += n;
        left -= n;
        return n;
    }
};

}  // namespace

// Slots 144 and 145: copy record a (+ a byte offset) of a block into a
// variable (toBlock false) or from a variable into the block.
static StatementRecord* CopyRecord(Keltra& k, StatementRecord* rec, bool toBlock) {
    if (rec->argCount != 3 && rec->argCount != 4) return k.Fail(ERR_ARG_COUNT);
    ValueRecord v;
    if (!k.EvaluateArgument(&v, rec, 0, T_MEMORY)) return nullptr;
    Variable* mem = v.variable;
    if (!mem) return k.Fail(ERR_TYPE);
    unsigned char* block = MemoryCell(mem);
    if (!block) return rec;
    if (!k.EvaluateArgument(&v, rec, 1, T_ANY_NUMBER)) return nullptr;
    double a = std::trunc(v.doubleValue);
    if (!(a >= 1)) return k.Fail(ERR_RANGE);
    Variable* t = k.FindVariable(rec->argText[2], nullptr, 0);
    if (!t) return k.error ? nullptr : k.Fail(ERR_NOT_FOUND);
    double offset = 0;
    if (rec->argCount == 4) {
        if (!k.EvaluateArgument(&v, rec, 3, T_ANY_NUMBER)) return nullptr;
        offset = std::trunc(v.doubleValue);
    }
    if (!toBlock && IsObjectType(t->type)) return k.Fail(ERR_TYPE);
    // The bound: the allocated size for writes and for user-type reads
    // without a recorded size; the recorded size (never beyond the
    // allocation) for other reads. An unknown address has no room at all.
    double bound = (double)BlockSize(k, block);
    if (!toBlock) {
        if (mem->auxC > 0) bound = std::min(bound, (double)mem->auxC);
        else if (t->type != T_USER_0) bound = 0;
    }
    double size = (double)ImageSize(k, t, IMAGE_RECORD);
    double start = (a - 1) * size + offset;
    if (start < 0 || start + size > bound) return k.Fail(ERR_RANGE);
    MemoryChannel ch(block + (size_t)start, (size_t)size, toBlock);
    if (toBlock) WriteImage(k, t, ch, IMAGE_RECORD);
    else ReadImage(k, t, ch, IMAGE_RECORD);
    return rec;
}

StatementRecord* Keltra::CmdReadMemory(StatementRecord* rec) { return CopyRecord(*this, rec, false); }
StatementRecord* Keltra::CmdWriteMemory(StatementRecord* rec) { return CopyRecord(*this, rec, true); }
