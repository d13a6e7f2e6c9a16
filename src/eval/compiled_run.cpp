// Running a compiled expression: each level's items are filled from its
// tokens in scan order (running function items as they come), the level is
// computed by the evaluator's ComputeLevel, and its parts are accumulated
// as the rewriting evaluator accumulates them, their kinds and indices kept
// per slot for the levels that refer to them.
#include <cstring>
#include "eval/compiled.h"

namespace {

bool Fail(Keltra& k, unsigned char code) {
    k.error = code;
    return false;
}

void SetNumber(ExprItem& it, double v) {
    it.kind = EK_NUMBER;
    it.number = v;
    it.text = nullptr;
    it.len = 0;
}

void SetText(ExprItem& it, unsigned char kind, char* text, size_t len) {
    it.kind = kind;
    it.number = 0.0;
    it.text = text;
    it.len = len;
}

// A reduced part, as the reader takes its placeholder.
void TakeSlot(ExprState& st, int slot, ExprItem& it) {
    int index = st.slotIndex[slot];
    if (st.slotKind[slot] == PH_NUMBER) {
        SetNumber(it, st.numbers[index - 1]);
        return;
    }
    char* text = st.texts[index - 1].buf;
    bool name = st.slotKind[slot] == PH_NAME;
    if (name && text[0] == '-') text++;       // its minus sign is in the level's mask
    SetText(it, name ? EK_NAME : EK_TEXT, text, strlen(text));
}

// The statement text the handler would see: the working text from the
// function item on, with the bytes of reduced parts filled in.
char* CallText(ExprState& st, const CompiledExpr& ce, const CompiledCall& c) {
    char* out = st.callText;
    memcpy(out, ce.callTexts.data() + c.textOffset, c.textLength + 1);
    for (int i = 0; i < c.patchCount; i++) {
        const CompiledPatch& p = ce.patches[c.firstPatch + i];
        out[p.offset] = (char)(p.isIndex ? st.slotIndex[p.slot] : st.slotKind[p.slot]);
    }
    return out;
}

// Code and first argument, as for a function item read from the text.
bool SetTarget(Keltra& k, ExprState& st, StatementRecord* rec, const CompiledCall& c, int* arg) {
    if (c.code >= 0) {
        rec->code = (uint16_t)c.code;
        *arg = 0;
        return true;
    }
    char* name = st.work + c.nameOffset;
    size_t len = c.nameLength;
    Variable* v = k.FindVariable(name, nullptr, 0);
    if (v && v->type == T_LABEL_0 && len < ARG_TEXT_SIZE) memcpy(rec->argText[0], name, len + 1);
    if (!v || v->type != T_LABEL_0) return Fail(k, k.error ? k.error : (unsigned char)ERR_SYNTAX);
    if (len >= ARG_TEXT_SIZE) return Fail(k, ERR_TOO_LONG);
    rec->code = v->isDll ? 120 : 44;
    rec->argClass[0] = AC_NAME;
    *arg = 1;
    return true;
}

bool RunCall(Keltra& k, ExprState& st, const CompiledExpr& ce, const CompiledCall& c, ExprItem& item) {
    SetNumber(item, 0.0);
    StatementRecord* rec = AcquireCallRecord(k);
    if (!rec) return Fail(k, k.error ? k.error : (unsigned char)ERR_NO_MEMORY);
    rec->resultType = T_NONE;
    rec->redirect = 0;
    rec->argCount = 0;
    rec->statementText = CallText(st, ce, c);
    int arg;
    bool ok = SetTarget(k, st, rec, c, &arg);
    for (int i = 0; ok && i < c.argCount; i++) {
        int slot = ce.argSlots[c.firstArg + i];
        ok = SetArgument(k, st, rec, arg++, st.slotKind[slot], st.slotIndex[slot]);
    }
    if (ok) {
        rec->argCount = (uint16_t)arg;
        ok = RunCallRecord(k, rec, item);
    }
    ReleaseCallRecord(k, rec);
    return ok;
}

// Fills the level's items; false when a token fails.
bool FillItems(Keltra& k, ExprState& st, const CompiledExpr& ce, const CompiledLevel& cl) {
    ExprLevel& lv = st.level;
    const CompiledToken* t = ce.tokens.data() + cl.firstToken;
    for (int n = cl.tokenCount; n > 0; n--, t++) {
        ExprItem& it = lv.items[t->item < EXPR_MAX_ITEMS ? t->item : 0];
        switch (t->kind) {
        case CT_NUMBER:
            SetNumber(it, t->number);
            break;
        case CT_TEXT:
            SetText(it, EK_TEXT, st.work + t->offset, t->length);
            break;
        case CT_NAME:
            SetText(it, EK_NAME, st.work + t->offset, t->length);
            break;
        case CT_CONSTANT:
            SetNumber(it, (double)(uint32_t)k.constants[t->offset]);
            break;
        case CT_NAMED_VALUE: {
            int32_t value;
            if (!k.namedValues.Find(st.work + t->offset, &value)) return Fail(k, ERR_NO_NAMED_VALUE);
            if (t->item >= EXPR_MAX_ITEMS) return Fail(k, ERR_TOO_MANY_OPS);
            SetNumber(it, (double)(uint32_t)value);
            break;
        }
        case CT_SLOT:
            TakeSlot(st, t->code, it);
            break;
        case CT_CALL:
            if (!RunCall(k, st, ce, ce.calls[t->offset], it)) return false;
            break;
        default:
            return Fail(k, t->code);
        }
    }
    lv.itemCount = cl.itemCount;
    lv.opCount = cl.opCount;
    memcpy(lv.ops, cl.ops, sizeof lv.ops);
    lv.negated = cl.negated;
    lv.noParts = cl.noParts;
    return true;
}

// A level of numeric operators: its names are resolved in the order the
// evaluator resolves them, and when every item is a number the postfix
// order gives the part with the parser's arithmetic. Anything else (a text
// among the items) goes on through ComputeLevel, which finds the names
// resolved already.
bool ComputePostfix(Keltra& k, ExprLevel& lv, const CompiledLevel& cl) {
    bool numbers = true;
    for (int i = 0; i < lv.itemCount; i++) {
        ExprItem& it = lv.items[i];
        if (it.kind == EK_NAME && !ResolveName(k, it)) return false;
        numbers = numbers && it.kind == EK_NUMBER;
    }
    if (!numbers) return ComputeLevel(k, lv);
    double stack[EXPR_MAX_ITEMS];
    int depth = 0;
    for (int n = 0; n < cl.postfixLength; n++) {
        int e = cl.postfix[n];
        if (e & POSTFIX_OP) {
            depth--;
            if (!Apply(k, cl.ops[e & ~POSTFIX_OP], &stack[depth - 1], stack[depth])) return false;
            continue;
        }
        double v = lv.items[e].number;
        stack[depth++] = (lv.negated >> (e + 1) & 1) ? -v : v;
    }
    lv.partCount = 1;
    lv.parts[0].kind = EK_NUMBER;
    lv.parts[0].number = stack[0];
    k.textResult = 0;
    return true;
}

// Accumulates the level's parts; a level in parentheses keeps their kinds
// and indices in its slots (an empty pair gives the empty placeholder).
bool AppendParts(Keltra& k, ExprState& st, const CompiledLevel& cl) {
    ExprLevel& lv = st.level;
    for (int i = 0; i < lv.partCount; i++) {
        unsigned char kind, index;
        if (!AccumulatePart(k, st, lv.parts[i], &kind, &index)) return false;
        if (cl.inParens && i < cl.partCount) {
            st.slotKind[cl.firstSlot + i] = kind;
            st.slotIndex[cl.firstSlot + i] = index;
        }
    }
    if (cl.writeFail) return Fail(k, cl.writeFail);
    if (cl.inParens && lv.partCount == 0) {
        st.slotKind[cl.firstSlot] = PH_EMPTY;
        st.slotIndex[cl.firstSlot] = 1;
    }
    return true;
}

}  // namespace

double RunCompiled(Keltra& k, ExprState& st, const CompiledExpr& ce) {
    memcpy(st.work, ce.pool.data(), ce.pool.size());
    st.numberCount = st.textCount = 0;
    for (const CompiledLevel& cl : ce.levels) {
        if (!FillItems(k, st, ce, cl)) return 0.0;
        bool computed = cl.postfixLength ? ComputePostfix(k, st.level, cl) : ComputeLevel(k, st.level);
        if (!computed || !AppendParts(k, st, cl)) return 0.0;
    }
    return FinishExpression(k, st);
}
