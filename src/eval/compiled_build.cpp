// The expression compiler: runs the level reader's scan over a working
// copy of the text, as the rewriting evaluator would, and records what
// each level holds instead of computing it.
//
// The working copy is rewritten as at run time, with one difference: the
// placeholder of a reduced part whose kind (number or text) and index are
// only known when it runs gets a stand-in kind byte 4 and index byte 1.
// Every scanning step treats these bytes alike whatever their value, except
// where a literal, a name or a two-byte marker would take them in; those
// texts are refused, and the rewriting evaluator keeps them.
#include <cstring>
#include "eval/compiled.h"
#include "eval/constants.h"

namespace {

// What is known about a reduced part before it runs.
enum PartShape : uint8_t { PS_VALUE, PS_NAME, PS_NAME_MINUS, PS_EMPTY };

inline bool IsLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
inline bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
inline bool IsPlaceholder(unsigned char c) { return c >= PH_NUMBER && c <= PH_EMPTY; }

struct Builder {
    CompiledExpr& ce;
    char work[EXPR_TEXT_MAX + 1];
    uint8_t kindSlot[EXPR_TEXT_MAX + 1];    // slot + 1 at a placeholder's kind byte
    uint8_t indexSlot[EXPR_TEXT_MAX + 1];   // slot + 1 at its index byte
    PartShape shapes[EXPR_MAX_SLOTS];
    int slotCount = 0;
    int partTotal = 0;
    bool refused = false;    // the rewriting evaluator takes the text
    bool stopped = false;    // the scan ends with an error at run time

    // The level being read.
    CompiledLevel lv;
    bool itemIsName[EXPR_MAX_ITEMS];

    explicit Builder(CompiledExpr& ce) : ce(ce) {}

    int Pos(const char* p) const { return (int)(p - work); }
    bool Refuse() { refused = true; return false; }

    // A byte whose value is only known at run time: the kind of a part
    // that may be a number or a text, and the index of any part.
    bool Varies(int pos) const {
        if (kindSlot[pos] && shapes[kindSlot[pos] - 1] == PS_VALUE) return true;
        return indexSlot[pos] && shapes[indexSlot[pos] - 1] != PS_EMPTY;
    }
    bool AnyVaries(const char* from, const char* to) const {
        for (const char* p = from; p < to; p++)
            if (Varies(Pos(p))) return true;
        return false;
    }

    uint16_t Pool(const char* text, size_t len) {
        size_t at = ce.pool.size();
        ce.pool.append(text, len);
        ce.pool.push_back('\0');
        if (ce.pool.size() > EXPR_TEXT_MAX + 1) refused = true;   // must fit the working text
        return (uint16_t)at;
    }

    CompiledToken& Emit(uint8_t kind) {
        ce.tokens.push_back(CompiledToken{kind, (uint8_t)EXPR_MAX_ITEMS, 0, 0, 0, 0.0});
        lv.tokenCount++;
        return ce.tokens.back();
    }
    bool Stop(unsigned char code) {
        Emit(CT_FAIL).code = code;
        stopped = true;
        return false;
    }
    // Takes the next item, or stops as the reader does at a 16th one.
    bool NewItem(bool isName) {
        if (lv.itemCount >= EXPR_MAX_ITEMS) return Stop(ERR_TOO_MANY_OPS);
        itemIsName[lv.itemCount] = isName;
        return true;
    }
    CompiledToken& EmitItem(uint8_t kind) {
        CompiledToken& t = Emit(kind);
        t.item = lv.itemCount++;
        return t;
    }

    bool TextLiteral(char** cursor);
    bool Constant(char** cursor);
    bool NamedValue(char** cursor, char* end);
    bool Placeholder(char** cursor);
    bool NameOrCall(char** cursor, char* end);
    bool Call(char* start, char* args, char** cursor);
    bool Operand(char** cursor);
    bool Operator(char** cursor);
    bool Token(char** cursor, char* end);
    bool Level(char* start, bool inParens);
    void PartShapes(PartShape* out);
    void Postfix();
    bool WriteBack(char* start, char* end);
    void Compile(const char* text, size_t n);
};

bool Builder::TextLiteral(char** cursor) {
    char* open = *cursor;
    char* close = strchr(open + 1, '"');
    if (!close) return Stop(ERR_SYNTAX);
    if (AnyVaries(open + 1, close)) return Refuse();
    if (!NewItem(false)) return false;
    CompiledToken& t = EmitItem(CT_TEXT);
    t.length = (uint16_t)(close - open - 1);
    t.offset = Pool(open + 1, t.length);
    *cursor = close + 1;
    return true;
}

// Bytes of a part are all below 0xE0, so a marker that takes one in is a
// bad constant whatever its value.
bool Builder::Constant(char** cursor) {
    unsigned char* p = reinterpret_cast<unsigned char*>(*cursor);
    int index = p[1] ? ConstantIndex(p[1], p[2]) : -1;
    if (index < 0) return Stop(ERR_BAD_CONSTANT);
    if (!NewItem(false)) return false;
    EmitItem(CT_CONSTANT).offset = (uint16_t)index;
    *cursor += 3;
    return true;
}

// The name ends at any control character, which every byte of a part is.
bool Builder::NamedValue(char** cursor, char* end) {
    std::string name;
    char* p = *cursor + 1;
    for (; p < end; p++) {
        unsigned char c = (unsigned char)*p;
        if (!c || IsWhite((char)c) || c < 0x20 || c == 0x7F || (IsExprPunct(c) && c != '_')) break;
        name.push_back((char)(c >= 'a' && c <= 'z' ? c - 32 : c));
    }
    *cursor = p;
    CompiledToken& t = Emit(CT_NAMED_VALUE);
    t.length = (uint16_t)name.size();
    t.offset = Pool(name.data(), name.size());
    // The reader looks the name up before it takes the item.
    if (lv.itemCount >= EXPR_MAX_ITEMS) {
        stopped = true;
        return false;
    }
    itemIsName[lv.itemCount] = false;
    t.item = lv.itemCount++;
    return true;
}

bool Builder::Placeholder(char** cursor) {
    int slot = kindSlot[Pos(*cursor)] - 1;
    if (slot < 0) return Refuse();
    PartShape shape = shapes[slot];
    if (shape == PS_NAME_MINUS) lv.negated |= 1u << (lv.itemCount + 1);
    if (!NewItem(shape == PS_NAME || shape == PS_NAME_MINUS)) return false;
    EmitItem(CT_SLOT).code = (uint8_t)slot;
    *cursor += 2;
    return true;
}

// A function item: the marker or subroutine name at start, the arguments
// from the placeholders at args, and the statement text the handler gets
// (the working text from start on, as it stands at that moment).
bool Builder::Call(char* start, char* args, char** cursor) {
    if (!NewItem(false)) return false;
    CompiledCall call{};
    if ((unsigned char)start[0] == 0xFF) {
        call.code = (int16_t)MarkerCode(reinterpret_cast<unsigned char*>(start));
        if (call.code < 0) return Stop(ERR_BAD_CODE);
    } else {
        call.code = -1;
        call.nameLength = (uint16_t)(args - start);
        call.nameOffset = Pool(start, call.nameLength);
    }
    call.firstArg = (uint16_t)ce.argSlots.size();
    char* p = args;
    while (*p >= PH_NUMBER && *p <= PH_EMPTY) {
        int slot = kindSlot[Pos(p)] - 1;
        if (slot < 0) return Refuse();
        p += 2;
        if (shapes[slot] == PS_EMPTY) continue;
        ce.argSlots.push_back((uint8_t)slot);
    }
    call.argCount = (uint16_t)(ce.argSlots.size() - call.firstArg);
    size_t len = strlen(start);
    call.textOffset = (uint32_t)ce.callTexts.size();
    call.textLength = (uint32_t)len;
    ce.callTexts.append(start, len + 1);
    call.firstPatch = (uint16_t)ce.patches.size();
    for (size_t i = 0; i < len; i++) {
        int pos = Pos(start) + (int)i;
        if (!Varies(pos)) continue;
        int slot = kindSlot[pos] ? kindSlot[pos] - 1 : indexSlot[pos] - 1;
        ce.patches.push_back(CompiledPatch{(uint16_t)i, (uint8_t)slot, (uint8_t)(kindSlot[pos] == 0)});
    }
    call.patchCount = (uint16_t)(ce.patches.size() - call.firstPatch);
    EmitItem(CT_CALL).offset = (uint16_t)ce.calls.size();
    ce.calls.push_back(call);
    *cursor = p;
    return true;
}

bool Builder::NameOrCall(char** cursor, char* end) {
    char* start = *cursor;
    char* q = start + 1;
    int depth = 0;
    for (; q < end && *q; q++) {
        unsigned char c = (unsigned char)*q;
        if (c == '[') depth++;
        else if (c == ']') { if (depth) depth--; }
        else if (depth == 0 && EndsExprName(c)) break;
    }
    if (AnyVaries(start, q)) return Refuse();
    if (q < end && IsPlaceholder((unsigned char)*q)) return Call(start, q, cursor);
    if (!NewItem(true)) return false;
    CompiledToken& t = EmitItem(CT_NAME);
    t.length = (uint16_t)(q - start);
    t.offset = Pool(start, t.length);
    *cursor = q;
    return true;
}

// Where an operand is due: a minus sign, a number literal, or a character
// that is skipped.
bool Builder::Operand(char** cursor) {
    char* p = *cursor;
    unsigned char c = (unsigned char)*p;
    if (c == '-') {
        lv.negated |= 1u << (lv.itemCount + 1);
    } else if (IsDigit(c) || c == '&' || c == '.') {
        // "&H" is rewritten to "0x" in place; over a part's bytes that
        // would break its placeholder.
        if (c == '&' && p[1] && (unsigned char)p[1] < 0x20) return Refuse();
        double value;
        char* end = ReadNumberLiteral(p, &value);
        if (AnyVaries(p, end)) return Refuse();
        if (!NewItem(false)) return false;
        EmitItem(CT_NUMBER).number = value;
        *cursor = end;
        return true;
    }
    ++*cursor;
    return true;
}

bool Builder::Operator(char** cursor) {
    char* p = *cursor;
    if (lv.opCount >= EXPR_MAX_OPS) return Stop(ERR_TOO_MANY_OPS);
    lv.ops[lv.opCount++] = OperatorCode(p);
    *cursor = p + 1;
    return true;
}

bool Builder::Token(char** cursor, char* end) {
    int pos = Pos(*cursor);
    unsigned char c = (unsigned char)**cursor;
    bool partKind = kindSlot[pos] != 0;
    if (Varies(pos) && !partKind) return Refuse();     // a part's index byte
    if (c == '"') return TextLiteral(cursor);
    if (c == 0xFE) return Constant(cursor);
    if (IsLetter(c) || c == 0xFF || c == '#') return NameOrCall(cursor, end);
    if (c == '@') return NamedValue(cursor, end);
    if (c >= PH_NUMBER && c <= PH_NAME) return Placeholder(cursor);
    if (!IsExprPunct(c) || lv.opCount == lv.itemCount) return Operand(cursor);
    return Operator(cursor);
}

// The shape of each part the level gives: a name item that no operator
// other than the comma takes stays a name; anything else is a value.
void Builder::PartShapes(PartShape* out) {
    int n = 0;
    auto shapeOf = [&](int i) {
        if (i >= lv.itemCount || !itemIsName[i]) return PS_VALUE;
        bool left = i > 0 && i - 1 < lv.opCount && lv.ops[i - 1] != ',';
        bool right = i < lv.opCount && lv.ops[i] != ',';
        if (left || right) return PS_VALUE;
        return (lv.negated >> (i + 1) & 1) ? PS_NAME_MINUS : PS_NAME;
    };
    out[n++] = shapeOf(0);
    for (int i = 0; i < lv.opCount; i++)
        if (lv.ops[i] == ',') out[n++] = shapeOf(i + 1);
}

// The reduction order of a level of numeric operators: every level of
// binding is left-associative, so an operator waits on the stack only for
// operators that bind more strongly.
void Builder::Postfix() {
    lv.postfixLength = 0;
    if (lv.noParts || lv.opCount == 0 || lv.itemCount != lv.opCount + 1) return;
    for (int i = 0; i < lv.opCount; i++)
        if (OperatorStrength(lv.ops[i]) == 0) return;       // the comma and stray punctuation
    uint8_t stack[EXPR_MAX_OPS];
    int depth = 0, n = 0;
    lv.postfix[n++] = 0;
    for (int i = 0; i < lv.opCount; i++) {
        int strength = OperatorStrength(lv.ops[i]);
        while (depth && OperatorStrength(lv.ops[stack[depth - 1]]) >= strength)
            lv.postfix[n++] = (uint8_t)(POSTFIX_OP | stack[--depth]);
        stack[depth++] = (uint8_t)i;
        lv.postfix[n++] = (uint8_t)(i + 1);
    }
    while (depth) lv.postfix[n++] = (uint8_t)(POSTFIX_OP | stack[--depth]);
    lv.postfixLength = (uint8_t)n;
}

// Writes the level's placeholders over it as the evaluator does, with
// stand-in bytes for the parts' kinds and indices.
bool Builder::WriteBack(char* start, char* end) {
    char* limit = *end == ')' ? end + 1 : end;
    PartShape parts[EXPR_MAX_ITEMS];
    int count = lv.partCount;
    if (count) PartShapes(parts);
    else parts[count++] = PS_EMPTY;
    if (slotCount + count > EXPR_MAX_SLOTS) return Refuse();
    lv.firstSlot = (uint8_t)slotCount;
    for (char* p = start; p < limit; p++) kindSlot[Pos(p)] = indexSlot[Pos(p)] = 0;
    char* pos = start;
    for (int i = 0; i < count; i++) {
        if (pos + 2 > limit) {        // only an unclosed "(" at the end
            lv.writeFail = ERR_PARENS;
            stopped = true;
            return false;
        }
        int slot = slotCount++;
        shapes[slot] = parts[i];
        pos[0] = (char)(parts[i] == PS_EMPTY ? PH_EMPTY : parts[i] == PS_VALUE ? PH_NUMBER : PH_NAME);
        pos[1] = 1;
        kindSlot[Pos(pos)] = indexSlot[Pos(pos) + 1] = (uint8_t)(slot + 1);
        pos += 2;
    }
    while (pos < limit) *pos++ = ' ';
    return true;
}

// Reads the level at start (its "(" when inParens) and writes it back.
// False when the scan refused the text or ended with an error.
bool Builder::Level(char* start, bool inParens) {
    lv = CompiledLevel{};
    lv.firstToken = (uint16_t)ce.tokens.size();
    lv.inParens = inParens;
    char* p = start;
    char* end;
    if (*p == '(') {
        p++;
        end = FindLevelEnd(p);
        lv.noParts = *p == ')';
    } else {
        end = FindLevelEnd(p);
    }
    bool ok = true;
    while (!lv.noParts && p < end && *p && *p != ')') {
        if (!Token(&p, end)) {
            ok = false;
            break;
        }
        while (IsBlank(*p)) p++;
    }
    if (ok) {
        lv.partCount = 0;
        if (!lv.noParts) {
            lv.partCount = 1;
            for (int i = 0; i < lv.opCount; i++) lv.partCount += lv.ops[i] == ',';
        }
        partTotal += lv.partCount;
        Postfix();
        if (partTotal > EXPR_MAX_SLOTS) return Refuse();    // no run may reach the accumulator limits
        if (inParens) ok = WriteBack(start, end);
    }
    if (!refused) ce.levels.push_back(lv);
    return ok;
}

void Builder::Compile(const char* text, size_t n) {
    for (size_t i = 0; i < n; i++)
        if (IsPlaceholder((unsigned char)text[i])) return;    // stray placeholder bytes
    memcpy(work, text, n + 1);
    memset(kindSlot, 0, sizeof kindSlot);
    memset(indexSlot, 0, sizeof indexSlot);
    for (;;) {
        char* open = LastOpenParen(work);
        if (!Level(open ? open : work, open != nullptr)) break;
        if (!open) break;
    }
    if (!refused) ce.usable = true;
}

}  // namespace

size_t CompiledExpr::Bytes() const {
    return sizeof *this + text.capacity() + pool.capacity() + callTexts.capacity() +
           levels.capacity() * sizeof(CompiledLevel) + tokens.capacity() * sizeof(CompiledToken) +
           calls.capacity() * sizeof(CompiledCall) + argSlots.capacity() +
           patches.capacity() * sizeof(CompiledPatch);
}

void CompileExpression(CompiledExpr& ce, const char* text, size_t n) {
    ce.usable = false;
    if (n > EXPR_TEXT_MAX) return;
    Builder b(ce);
    b.Compile(text, n);
    if (!ce.usable) {               // keep only the key
        ce.levels.clear();
        ce.tokens.clear();
        ce.calls.clear();
        ce.argSlots.clear();
        ce.patches.clear();
        ce.pool.clear();
        ce.callTexts.clear();
    }
}
