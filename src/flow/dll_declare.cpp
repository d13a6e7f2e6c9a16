// Declaring library functions (the library form of the declaration
// statement) and releasing libraries.
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include "flow/dll.h"
#include "host/dynlib.h"

enum { ALIAS_MAX = 30, LIB_NAME_MAX = 79 };

DllState::~DllState() { Reset(); }

void DllState::Reset() {
    for (char* a : aliases) free(a);
    aliases.clear();
    for (void* lib : libraries) DynLibFree(lib);
    libraries.clear();
}

char* DllState::KeepAlias(const char* text, size_t length) {
    if (length > ALIAS_MAX) length = ALIAS_MAX;
    char* a = (char*)calloc(1, ALIAS_MAX + 2);
    if (!a) return nullptr;
    memcpy(a, text, length);
    aliases.push_back(a);
    return a;
}

bool DllState::DropLibrary(void* lib) {
    auto it = std::find(libraries.begin(), libraries.end(), lib);
    if (it == libraries.end()) return false;
    libraries.erase(it);
    DynLibFree(lib);
    return true;
}

// Copies [from, to) without surrounding blanks into out (size bytes).
static size_t CopyTrimmed(const char* from, const char* to, char* out, size_t size) {
    while (from < to && IsBlank(*from)) from++;
    while (to > from && IsWhite(to[-1])) to--;
    size_t n = std::min((size_t)(to - from), size - 1);
    memcpy(out, from, n);
    out[n] = 0;
    return n;
}

// The result type named by the third argument; -1 when it names none.
static int ResultTypeCode(const char* text) {
    char name[ARG_TEXT_SIZE];
    CopyTrimmed(text, text + strlen(text), name, sizeof name);
    if (!strcmp(name, "\xFF\xE6\xEB")) return T_INT;   // INT arrives as a function token
    return TypeByName(name);
}

// Makes the function record. While a subroutine runs it goes to the end of
// the globals chain, so it outlives the call; otherwise to the current chain.
static Variable* CreateFunctionRecord(Keltra& k, char* name) {
    if (k.scopeList.Count() == 0) return k.CreateVariable(name, T_LABEL_0, 0, nullptr);
    Variable* globals = (Variable*)k.scopeList.Head();
    if (globals) return k.CreateVariable(name, T_LABEL_0, 0, globals);
    // The globals chain is empty: the new record becomes the whole chain.
    Variable head{};
    Variable* v = k.CreateVariable(name, T_LABEL_0, 0, &head);
    if (!v) return nullptr;
    v->prev = &k.decimalVar;
    k.scopeList.head->p = v;
    return v;
}

// Steps that only a newly made record gets: alias, library, result type.
static StatementRecord* SetUpFunction(Keltra& k, StatementRecord* rec, Variable* fn,
                                      const char* library, const char* alias) {
    DllState& st = k.Ext<DllState>(EXT_DLL);
    fn->auxC = T_NONE;
    if (*alias) {
        char* kept = st.KeepAlias(alias, strlen(alias));
        if (!kept) return k.Fail(ERR_NO_MEMORY);
        fn->data = (unsigned char*)kept;
    }
    fn->isDll = 1;
    fn->dllCdecl = library[0] == '!';   // one convention on x64: recorded only
    const char* file = library + fn->dllCdecl;
    // A longer name would be cut into the name of some other file.
    if (strlen(file) > LIB_NAME_MAX) return k.Fail(ERR_DLL_LOAD);
    strcpy(fn->dllFile, file);
    void* lib = DynLibLoad(fn->dllFile);
    if (!lib) return k.Fail(ERR_DLL_LOAD);
    st.libraries.push_back(lib);   // stays loaded for the run
    if (rec->argCount > 2) {
        int code = ResultTypeCode(rec->argText[2]);
        if (code < 0) return k.Fail(ERR_NO_TYPE);
        fn->auxC = code;
    }
    return rec;
}

StatementRecord* Keltra::DeclareLibraryFunction(StatementRecord* rec) {
    ValueRecord lib;
    if (!EvaluateArgument(&lib, rec, 0, T_STRING) || !lib.text) return Fail(ERR_TYPE);
    char library[ARG_TEXT_SIZE];
    CopyBounded(library, lib.text, sizeof library - 1);

    char decl[ARG_TEXT_SIZE];
    CopyBounded(decl, rec->argText[1], sizeof decl - 1);
    char* open = strchr(decl, '(');
    char* close = open ? strrchr(open + 1, ')') : nullptr;
    if (!close) return Fail(ERR_SYNTAX);
    *close = 0;

    // name|?alias: the alias starts two characters after the bar.
    char name[ARG_TEXT_SIZE], alias[ARG_TEXT_SIZE] = "";
    char* bar = (char*)memchr(decl, '|', open - decl);
    CopyTrimmed(decl, bar ? bar : open, name, sizeof name);
    if (bar && bar + 2 < open) CopyTrimmed(bar + 2, open, alias, sizeof alias);
    if (!name[0]) return Fail(ERR_SYNTAX);

    // Only existence matters here: a name that is no variable is made the
    // function, never run as a statement through the call fall-back.
    Variable* fn = FindVariable(name, nullptr, 0);
    if (!fn) {
        if (error != ERR_NOT_FOUND) return Fail(error ? error : (unsigned char)ERR_SYNTAX);
        error = 0;
        fn = CreateFunctionRecord(*this, name);
        if (!fn) return nullptr;
        if (!SetUpFunction(*this, rec, fn, library, alias)) return nullptr;
    }
    if (fn->type != T_LABEL_0) return rec;   // an ordinary variable is left alone
    if (fn->params) return Fail(ERR_PARAMS_TWICE);
    int made = 0;
    if (BuildParamTemplates(*this, fn, open + 1, &made)) return nullptr;
    if (fn->isDll) fn->auxB = made;
    return rec;
}

StatementRecord* Keltra::CmdFreeLibrary(StatementRecord* rec) {
    if (rec->argCount != 1) return Fail(ERR_ARG_COUNT);
    ValueRecord lib;
    if (!EvaluateArgument(&lib, rec, 0, T_STRING) || !lib.text) return Fail(ERR_TYPE);
    void* h = DynLibFindLoaded(lib.text);
    if (h) Ext<DllState>(EXT_DLL).DropLibrary(h);
    return rec;
}
