// The variable store where a program cannot look: the storage shapes
// CreateVariable makes, the name index kept beside long lists (checked
// against a plain walk through creations, deletions, chain swaps and
// releases), what a release leaves behind, and stores that stop at the
// end of their target.
#include <gtest/gtest.h>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>
#include "data/data_state.h"
#include "engine/keltra.h"

namespace {

struct Store : ::testing::Test {
    Keltra k;
    void SetUp() override { ASSERT_EQ(k.Prepare(), 1); }
    Variable* Create(const std::string& name, int type, Variable* list = nullptr, uint32_t count = 1) {
        std::vector<char> buf(name.begin(), name.end());
        buf.push_back(0);
        k.error = 0;
        return k.CreateVariable(buf.data(), type, count, list);
    }
    Variable* Find(const std::string& name, Variable* list = nullptr) {
        std::vector<char> buf(name.begin(), name.end());
        buf.push_back(0);
        k.error = 0;
        return k.FindVariable(buf.data(), list, 0);
    }
    // The lookup as a plain walk: statics, current chain, then the globals.
    Variable* Walk(const std::string& name) {
        auto walk = [&](Variable* r) -> Variable* {
            for (; r; r = r->next)
                if (r->name[0] && strcasecmp(r->name, name.c_str()) == 0) return r;
            return nullptr;
        };
        Variable* r = walk(&k.stdoutVar);
        if (!r && k.scopeList.Count() > 0) r = walk(static_cast<Variable*>(k.scopeList.Head()));
        return r;
    }
    // A call's chain as the subroutine call makes it: a nameless head after
    // DECIMAL_PREC, the caller's chain kept in the scope list.
    Variable* Enter() {
        Variable* head = static_cast<Variable*>(calloc(1, sizeof(Variable)));
        head->isParam = 1;
        k.scopeList.AddTail(k.decimalVar.next);
        k.decimalVar.next = head;
        head->prev = &k.decimalVar;
        return head;
    }
    void Leave(Variable* head) {
        Variable* saved = static_cast<Variable*>(k.scopeList.RemoveTail());
        k.decimalVar.next = saved;
        if (saved) saved->prev = &k.decimalVar;
        head->prev = nullptr;
        k.ReleaseVariables(head, 0);
    }
};

// ---- storage shapes ------------------------------------------------------------

struct Shape {
    const char* decl;
    int type;
    uint32_t count;
    int isIndexed, auxA, auxB, dim0, dim1, finalType;
};

TEST_F(Store, CreateGivesEachDeclarationItsShape) {
    const Shape shapes[] = {
        {"i", T_INT, 1, 0, 0, 0, 0, 0, T_INT},
        {"m[3,4]", T_INT, 12, 1, 0, 0, 3, 4, T_INT},
        {"s", T_STRING, 255, 1, 255, 1, 255, 0, T_STRING},
        {"rows[3]", T_STRING, 765, 1, 255, 255, 3, 0, T_STRING},
        {"t[80]", T_ISTRING, 81, 1, 81, 1, 81, 0, T_STRING},
        {"t2[4,9]", T_ISTRING, 5, 1, 5, 1, 5, 0, T_STRING},    // a sized string has one dimension
        {"oct[010]", T_WORD, 8, 1, 0, 0, 8, 0, T_WORD},
        {"hex[0x10]", T_DOUBLE, 16, 1, 0, 0, 16, 0, T_DOUBLE},
        {"  padded  ", T_CHAR, 1, 0, 0, 0, 0, 0, T_CHAR},
    };
    for (const Shape& s : shapes) {
        SCOPED_TRACE(s.decl);
        Variable* v = Create(s.decl, s.type);
        ASSERT_NE(v, nullptr);
        EXPECT_EQ(k.error, 0);
        EXPECT_EQ(v->count, s.count);
        EXPECT_EQ(v->isIndexed, s.isIndexed);
        EXPECT_EQ(v->auxA, s.auxA);
        EXPECT_EQ(v->auxB, s.auxB);
        EXPECT_EQ(v->dims[0], s.dim0);
        EXPECT_EQ(v->dims[1], s.dim1);
        EXPECT_EQ(v->type, s.finalType);
        EXPECT_NE(v->data, nullptr);
    }
    EXPECT_EQ(Find("padded")->type, T_CHAR);
}

TEST_F(Store, ObjectCellsArePointerSized) {
    for (int t : {T_MEMORY, T_FILE, T_WINDOW, T_DIALOG, T_BFILE, T_USER_0, T_POINTER})
        EXPECT_EQ(kTypes[t].elementSize, sizeof(void*)) << kTypes[t].name;
    EXPECT_EQ(kTypes[T_INT].elementSize, 4u);
    EXPECT_EQ(kTypes[T_WORD].elementSize, 2u);
    EXPECT_EQ(TypeByName("uint64"), T_UINT64);
    EXPECT_EQ(TypeByName("nosuch"), -1);
}

TEST_F(Store, RecordsWithoutStorageAndRefusals) {
    Variable* label = Create("lab", T_LABEL_0, nullptr, 0);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->data, nullptr);
    EXPECT_EQ(Create("tpl[]", T_INT, nullptr, 0)->isIndexed, 1);
    struct Bad { const char* decl; int type; int code; };
    const Bad bad[] = {
        {"lab", T_INT, ERR_DUPLICATE},
        {"LAB", T_INT, ERR_DUPLICATE},
        {"s", T_ISTRING, ERR_STRING_NO_SIZE},
        {"z[0]", T_INT, ERR_ZERO_DIMENSION},
        {"z[-3]", T_INT, ERR_ZERO_DIMENSION},
        {"z[3", T_INT, ERR_SYNTAX},
        {"  ", T_INT, ERR_SYNTAX},
        {"big[70000,70000]", T_INT, ERR_NO_MEMORY},
        {"big[2000000000]", T_DOUBLE, ERR_NO_MEMORY},
    };
    for (const Bad& b : bad) {
        SCOPED_TRACE(b.decl);
        EXPECT_EQ(Create(b.decl, b.type), nullptr);
        EXPECT_EQ(k.error, b.code);
    }
    // a failed declaration leaves nothing behind: the name is free again
    EXPECT_NE(Create("z[2]", T_INT), nullptr);
    EXPECT_NE(Create("big", T_INT), nullptr);
}

// ---- the name index against a plain walk ----------------------------------------

// Random creations and deletions, each followed by a lookup that must
// give what the walk gives.
void Churn(Store& t, unsigned seed) {
    std::mt19937 rng(seed);
    std::vector<std::string> names;
    for (int i = 0; i < 300; i++) names.push_back("n" + std::to_string(i % 150) + (i >= 150 ? "x" : ""));
    for (int step = 0; step < 4000; step++) {
        const std::string& name = names[rng() % names.size()];
        std::string spelled = name;
        if (rng() % 2)
            for (char& c : spelled) c = (char)toupper((unsigned char)c);
        unsigned op = rng() % 4;
        if (op < 2) {
            bool existed = t.Walk(name) != nullptr;
            Variable* v = t.Create(spelled, T_INT);
            EXPECT_EQ(v == nullptr, existed) << name;
        } else if (op == 2) {
            if (Variable* v = t.Walk(name)) {
                t.k.error = 0;
                t.k.DeleteVariable(nullptr, v);
                EXPECT_EQ(t.k.error, 0);
            }
        }
        ASSERT_EQ(t.Find(spelled), t.Walk(name)) << "step " << step << " " << spelled;
    }
    EXPECT_FALSE(Data(t.k).indexes.empty());
}

TEST_F(Store, IndexAgreesWithTheWalkThroughChurn) {
    Churn(*this, 12345);
}

// Without the system variables the first global is one of the churned
// names: deleting it moves the index's anchor.
TEST_F(Store, IndexFollowsItsFirstRecord) {
    k.Reset();
    Churn(*this, 777);
}

TEST_F(Store, CallChainsHideGlobalsAndGoAway) {
    for (int i = 0; i < 40; i++) Create("g" + std::to_string(i), T_INT);
    Variable* g7 = Find("g7");
    Variable* head = Enter();
    Variable* p = Create("p", T_POINTER, head);
    ASSERT_NE(p, nullptr);
    p->isParam = 1;
    for (int i = 0; i < 30; i++) ASSERT_NE(Create("l" + std::to_string(i), T_INT), nullptr);
    Variable* local7 = Create("g7", T_INT);           // a local hides the global
    ASSERT_NE(local7, nullptr);
    EXPECT_EQ(Find("g7"), local7);
    EXPECT_EQ(Find("g8"), Walk("g8"));               // globals behind the chain
    EXPECT_EQ(Find("l29"), Walk("l29"));
    EXPECT_EQ(Find("p"), p);
    Variable* holder = Find("g39");
    ASSERT_NE(holder, nullptr);

    // a nested call sees neither the caller's locals nor its parameters
    Variable* inner = Enter();
    EXPECT_EQ(Find("l3"), nullptr);
    EXPECT_EQ(k.error, ERR_NOT_FOUND);
    EXPECT_EQ(Find("g7"), g7);
    Leave(inner);

    Leave(head);
    EXPECT_EQ(Find("g7"), g7);
    EXPECT_EQ(Find("l3"), nullptr);
    EXPECT_EQ(Find("p"), nullptr);
    for (int i = 0; i < 40; i++) EXPECT_EQ(Find("g" + std::to_string(i)), Walk("g" + std::to_string(i)));
    EXPECT_NE(Create("l3", T_INT), nullptr);          // a global of the local's name now
}

TEST_F(Store, DeletingTheFirstRecordOfAWaitingChain) {
    // the globals chain of an interpreter without system variables
    k.Reset();
    Variable* a = Create("a", T_INT);
    Variable* b = Create("b", T_INT);
    ASSERT_EQ(k.decimalVar.next, a);
    Variable* head = Enter();
    Create("loc", T_INT);
    k.error = 0;
    k.DeleteVariable(nullptr, a);                     // found through the globals
    EXPECT_EQ(k.error, 0);
    EXPECT_EQ(k.decimalVar.next, head);               // the call's chain stays current
    EXPECT_EQ(k.scopeList.Head(), b);                 // the waiting chain begins at b
    EXPECT_EQ(Find("b"), b);
    EXPECT_NE(Find("loc"), nullptr);
    Leave(head);
    EXPECT_EQ(k.decimalVar.next, b);
    EXPECT_EQ(b->prev, &k.decimalVar);
    EXPECT_EQ(Find("a"), nullptr);
}

// ---- release -------------------------------------------------------------------

TEST_F(Store, ReleaseLeavesTheStaticRecordsAndClearsPointees) {
    Variable* p = Create("p", T_POINTER);
    Variable* head = Enter();
    Variable* x = Create("x", T_INT);
    p->pointee = x;
    Leave(head);
    EXPECT_EQ(p->pointee, nullptr);                   // x was freed with the call

    for (int i = 0; i < 50; i++) Create("v" + std::to_string(i), T_STRING);
    k.Reset();
    EXPECT_EQ(k.stdoutVar.next, &k.stdinVar);
    EXPECT_EQ(k.stdinVar.next, &k.decimalVar);
    EXPECT_EQ(k.decimalVar.next, nullptr);
    EXPECT_EQ(k.sysInt, nullptr);
    ASSERT_EQ(k.Prepare(), 1);
    EXPECT_EQ(Find("v3"), nullptr);
    EXPECT_NE(Find("SYSTEM_INT0"), nullptr);
    EXPECT_EQ(Find("decimal_prec"), &k.decimalVar);
}

TEST_F(Store, SystemAndStaticRecordsCannotBeDeleted) {
    for (Variable* v : {&k.stdoutVar, k.sysString, k.sysPointer}) {
        k.error = 0;
        k.DeleteVariable(nullptr, v);
        EXPECT_EQ(k.error, ERR_DELETE_STATIC) << v->name;
    }
    EXPECT_EQ(Find("SYSTEM_STRING0"), k.sysString);
}

// ---- lookups ---------------------------------------------------------------------

TEST_F(Store, ElementsAreSelectedAndChecked) {
    Variable* m = Create("m[3,4]", T_INT);
    Variable* i = Create("i", T_INT);
    Create("f", T_FLOAT);
    int32_t two = 2;
    memcpy(i->data, &two, 4);
    struct Case { const char* name; long offset; int code; };
    const Case cases[] = {
        {"m[2,1]", 5, 0}, {"m[i,3]", 11, 0}, {"m[ 1 , 2 ]", 7, 0}, {"m[0x2,03]", 11, 0}, {"m[0,010]", -1, ERR_RANGE},
        {"m[3,0]", -1, ERR_RANGE}, {"m[0,4]", -1, ERR_RANGE}, {"m[0,0,0]", -1, ERR_RANGE},
        {"m[f,0]", -1, ERR_TYPE}, {"m[1", -1, ERR_SYNTAX}, {"m[nosuch,0]", -1, ERR_NOT_FOUND},
        {"m", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Variable* v = Find(c.name);
        EXPECT_EQ(k.error, c.code);
        if (c.offset < 0) {
            EXPECT_EQ(v, nullptr);
        } else {
            ASSERT_EQ(v, m);
            EXPECT_EQ(m->data, m->base + c.offset * 4);
        }
    }
    Variable* s = Create("s", T_STRING);
    ASSERT_EQ(Find("s[7]"), s);
    EXPECT_EQ(s->auxA, 1);
    EXPECT_EQ(s->data, s->base + 7);
    ASSERT_EQ(Find("s"), s);
    EXPECT_EQ(s->auxA, 255);
    EXPECT_EQ(Find("s[255]"), nullptr);
    EXPECT_EQ(k.error, ERR_RANGE);
}

TEST_F(Store, EventWindowNameFindsTheCellHoldingTheWindow) {
    const std::string event72 = "\xFE\xE4\xE8";
    Variable* w = Create("w[3]", T_WINDOW);
    uintptr_t object = 0x5150;
    memcpy(w->base + 2 * sizeof object, &object, sizeof object);
    k.constants[72] = 0x5150;
    EXPECT_EQ(Find(event72), w);
    EXPECT_EQ(w->data, w->base + 2 * sizeof object);
    Variable* head = Enter();                         // found behind a call's chain too
    EXPECT_EQ(Find(event72), w);
    Leave(head);
    k.constants[72] = 0;                              // no event: no variable
    EXPECT_EQ(Find(event72), nullptr);
    memset(w->base, 0, 3 * sizeof object);            // the cells own no real window
}

// ---- stores ------------------------------------------------------------------------

TEST_F(Store, ValuesStopAtTheEndOfTheTarget) {
    Create("a[3]", T_INT);
    StatementRecord* rec = k.NewStatementRecord(MAX_ARGS);
    char line[] = "\xFF\xE1\xE4" "a[1],5,6,7";
    ASSERT_EQ(k.DecodeLine(rec, line), 0);
    k.error = 0;
    EXPECT_EQ(k.CmdAssign(rec), nullptr);
    EXPECT_EQ(k.error, ERR_STORE_PAST_END);
    int32_t a[3];
    memcpy(a, Find("a")->base, sizeof a);
    EXPECT_EQ(a[0], 0);
    EXPECT_EQ(a[1], 5);
    EXPECT_EQ(a[2], 6);

    // a text never passes its row, nor a selected character its one byte
    Variable* rows = Create("rows[2]", T_STRING);
    memset(k.sysString->base, 'y', 300);
    char copy[] = "rows[1]=SYSTEM_STRING0";
    ASSERT_EQ(k.DecodeLine(rec, copy), 0);
    k.error = 0;
    EXPECT_NE(k.CmdAssign(rec), nullptr);
    EXPECT_EQ(strlen(reinterpret_cast<char*>(rows->base + 255)), 254u);
    EXPECT_EQ(rows->base[0], 0);
    Variable* s = Create("s", T_STRING);
    char one[] = "s[3]=SYSTEM_STRING0";
    ASSERT_EQ(k.DecodeLine(rec, one), 0);
    EXPECT_NE(k.CmdAssign(rec), nullptr);
    EXPECT_EQ(s->base[3], 'y');
    EXPECT_EQ(s->base[4], 0);
    EXPECT_EQ(s->base[2], 0);
    Keltra::FreeStatementRecord(rec);
}

}  // namespace
