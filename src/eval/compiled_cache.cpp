// The compiled forms of expression texts, found by their exact bytes.
//
// Texts come from the program's lines and from the arguments that function
// items re-encode, so a run meets a bounded set of them in practice; still
// the cache holds at most CACHE_MAX_ENTRIES forms and CACHE_MAX_BYTES of
// them, and starts over when either would be passed. A form that is running
// when the cache starts over (a nested evaluation may get there) is freed
// by its last runner instead.
#include <cstring>
#include <new>
#include "eval/compiled.h"

enum { CACHE_MAX_ENTRIES = 2048, CACHE_MAX_BYTES = 2 << 20, CACHE_FIRST_SIZE = 64 };

struct CompiledCache {
    CompiledExpr** table = nullptr;    // open addressing, a power of two
    size_t size = 0;
    size_t count = 0;
    size_t bytes = 0;
    ~CompiledCache() { Clear(); delete[] table; }

    void Drop(CompiledExpr* ce) {
        if (ce->pins) ce->retired = true;
        else delete ce;
    }
    void Clear() {
        for (size_t i = 0; i < size; i++)
            if (table[i]) {
                Drop(table[i]);
                table[i] = nullptr;
            }
        count = bytes = 0;
    }
    CompiledExpr* Find(const char* text, size_t n, uint64_t hash) const {
        if (!size) return nullptr;
        for (size_t i = hash & (size - 1);; i = (i + 1) & (size - 1)) {
            CompiledExpr* ce = table[i];
            if (!ce) return nullptr;
            if (ce->hash == hash && ce->text.size() == n && memcmp(ce->text.data(), text, n) == 0)
                return ce;
        }
    }
    void Put(CompiledExpr* ce) {
        size_t i = ce->hash & (size - 1);
        while (table[i]) i = (i + 1) & (size - 1);
        table[i] = ce;
    }
    // Room for one more entry of the given size; false when out of memory.
    bool MakeRoom(size_t entryBytes) {
        if (count + 1 > CACHE_MAX_ENTRIES || bytes + entryBytes > CACHE_MAX_BYTES) Clear();
        if ((count + 1) * 2 <= size) return true;
        size_t grown = size ? size * 2 : (size_t)CACHE_FIRST_SIZE;
        CompiledExpr** t = new (std::nothrow) CompiledExpr*[grown]();
        if (!t) return false;
        CompiledExpr** old = table;
        size_t oldSize = size;
        table = t;
        size = grown;
        for (size_t i = 0; i < oldSize; i++)
            if (old[i]) Put(old[i]);
        delete[] old;
        return true;
    }
};

namespace {

// Eight bytes at a time, multiplied and folded (the key is compared in
// full on a hit, so the hash only has to spread).
uint64_t HashText(const char* text, size_t n) {
    uint64_t h = 0x9E3779B97F4A7C15ull ^ n;
    while (n >= 8) {
        uint64_t w;
        memcpy(&w, text, 8);
        h = (h ^ w) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 29;
        text += 8;
        n -= 8;
    }
    uint64_t w = 0;
    memcpy(&w, text, n);
    h = (h ^ w) * 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 32);
}

CompiledExpr* Compile(const char* text, size_t n, uint64_t hash) {
    CompiledExpr* ce = new (std::nothrow) CompiledExpr;
    if (!ce) return nullptr;
    try {
        ce->text.assign(text, n);
        ce->hash = hash;
        CompileExpression(*ce, text, n);
    } catch (const std::bad_alloc&) {
        delete ce;
        return nullptr;
    }
    return ce;
}

}  // namespace

CompiledExpr* FindCompiled(Keltra& k, const char* text, size_t n) {
    EvalState& es = k.Ext<EvalState>(EXT_EVAL);
    if (!es.cache) es.cache = new (std::nothrow) CompiledCache;
    if (!es.cache) return nullptr;
    CompiledCache& cache = *es.cache;
    uint64_t hash = HashText(text, n);
    CompiledExpr* ce = cache.Find(text, n, hash);
    if (!ce) {
        ce = Compile(text, n, hash);
        if (!ce) return nullptr;
        size_t bytes = ce->Bytes();
        if (!cache.MakeRoom(bytes)) {
            delete ce;
            return nullptr;
        }
        cache.Put(ce);
        cache.count++;
        cache.bytes += bytes;
    }
    if (!ce->usable) return nullptr;
    ce->pins++;
    return ce;
}

void UnpinCompiled(CompiledExpr* ce) {
    if (--ce->pins == 0 && ce->retired) delete ce;
}

void FreeCompiledCache(EvalState& es) {
    delete es.cache;
    es.cache = nullptr;
}

void CompiledCacheSize(Keltra& k, size_t* entries, size_t* bytes) {
    CompiledCache* cache = k.Ext<EvalState>(EXT_EVAL).cache;
    *entries = cache ? cache->count : 0;
    *bytes = cache ? cache->bytes : 0;
}
