// The compiled form of an expression against the rewriting evaluator: the
// same texts are evaluated by two interpreters set up alike, one with
// compiling switched off, and everything a program could see must agree:
// the number (bit for bit), the text-result flag, SYSTEM_STRING0, the
// error code, and every call a function item made, with its arguments and
// the statement text its handler got. The texts are the fuzzing corpus,
// mutations of it, and generated ones.
#include <gtest/gtest.h>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>
#include "engine/keltra.h"
#include "eval/compiled.h"

namespace {

std::string Marker(int code) {
    return std::string{'\xFF', char(0xE0 + code / 16), char(0xE0 + code % 16)};
}
std::string Constant(int index) {
    return std::string{'\xFE', char(0xE0 + index / 16), char(0xE0 + index % 16)};
}

std::string Visible(const std::string& s) {
    std::string out;
    for (unsigned char c : s.substr(0, 300)) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            out.push_back((char)c);
        } else {
            char b[8];
            snprintf(b, sizeof b, "\\x%02X", c);
            out += b;
        }
    }
    return out;
}

// Probe slots: a function whose result follows its first argument, one
// that evaluates expressions itself (the text under test among them), and
// one that leaves no result.
enum { kProbe = 96, kNested = 97, kNoResult = 98, kChurn = 99 };

// The conditional and the label statement read the statement text; the
// others are math and text functions.
const int kRealHandlers[] = {6, 23, 20, 101, 104, 107, 113, 154, 53, 61, 62, 64, 65, 68, 69, 73,
                             80, 81, 82, 84, 121, 214};

struct DiffKeltra : Keltra {
    std::string log;
    std::string current;          // the text under test
    int depth = 0;

    void Record(const char* what, StatementRecord* rec) {
        log += what;
        log += " " + std::to_string(rec->code) + ":";
        for (int i = 0; i < rec->argCount; i++)
            log += " [" + std::to_string(rec->argClass[i]) + "]" + Visible(rec->argText[i]);
        log += " | " + (rec->statementText ? Visible(rec->statementText) : std::string("-")) + "\n";
    }
    StatementRecord* Probe(StatementRecord* rec) {
        Record("probe", rec);
        if (rec->argCount == 0) {
            SetResultDouble(rec, 42.0);
            return rec;
        }
        ValueRecord v;
        if (!EvaluateArgument(&v, rec, 0, T_ANYTHING)) return nullptr;
        if (v.type == T_STRING) {
            std::string t = std::string(v.text ? v.text : "") + "!";
            SetResultText(rec, t.c_str());
        } else if (v.type == T_INT || v.type == T_WORD || v.type == T_CHAR) {
            SetResultInt(rec, v.intValue * 3 + rec->argCount);
        } else {
            SetResultDouble(rec, v.doubleValue * 2 + rec->argCount);
        }
        return rec;
    }
    StatementRecord* Nested(StatementRecord* rec) {
        Record("nested", rec);
        double sum = EvaluateExpression("i * 2 + (d)");
        if (error) return nullptr;
        if (depth < 2) {
            depth++;
            sum += EvaluateExpression(current.c_str());
            depth--;
            log += "inner " + std::to_string(error) + "\n";
            error = 0;
        }
        SetResultDouble(rec, sum + rec->argCount);
        return rec;
    }
    // Evaluates more distinct texts than the cache keeps, so that the
    // cache starts over while the caller's form is running.
    StatementRecord* Churn(StatementRecord* rec) {
        Record("churn", rec);
        double sum = 0;
        for (int n = 0; n < 2100; n++) sum += EvaluateExpression(("i + " + std::to_string(n)).c_str());
        SetResultDouble(rec, sum);
        return rec;
    }
    StatementRecord* NoResult(StatementRecord* rec) {
        Record("none", rec);
        return rec;
    }
};

void SetUpInterpreter(DiffKeltra& k, bool compile) {
    ASSERT_EQ(k.Prepare(), 1);
    k.Ext<EvalState>(EXT_EVAL).compile = compile;
    // Real handlers only where their results are the same in any run
    // (no addresses, files or clocks); the probe everywhere else.
    bool real[HANDLER_COUNT] = {};
    for (int code : kRealHandlers) real[code] = true;
    for (int code = 0; code < HANDLER_COUNT; code++)
        if (!real[code]) k.handlers[code] = static_cast<Handler>(&DiffKeltra::Probe);
    k.handlers[kNested] = static_cast<Handler>(&DiffKeltra::Nested);
    k.handlers[kNoResult] = static_cast<Handler>(&DiffKeltra::NoResult);
    k.handlers[kChurn] = static_cast<Handler>(&DiffKeltra::Churn);
    struct Decl { const char* name; int type; uint32_t count; };
    const Decl decls[] = {
        {"i", T_INT, 1}, {"d", T_DOUBLE, 1}, {"f", T_FLOAT, 1}, {"str", T_STRING, 1},
        {"arr", T_INT, 10}, {"w", T_WORD, 1}, {"q", T_INT64, 1}, {"c", T_CHAR, 1},
        {"u", T_UINT, 1}, {"sub1", T_LABEL_0, 0}, {"dllf", T_LABEL_0, 0},
    };
    for (const Decl& d : decls) {
        std::vector<char> name(d.name, d.name + strlen(d.name) + 1);
        Variable* v = k.CreateVariable(name.data(), d.type, d.count, nullptr);
        ASSERT_NE(v, nullptr) << d.name;
        if (!strcmp(d.name, "dllf")) v->isDll = 1;
    }
    k.error = 0;
    // Values: i = 7, d = 2.5, f = -1.25, str = "text", arr[k] = k * k ...
    auto set = [&](const char* text) {
        std::vector<char> line(text, text + strlen(text) + 1);
        ASSERT_EQ(k.DecodeLine(k.recA, line.data()), 0) << text;
        k.error = 0;
        k.Dispatch(k.recA);
        ASSERT_EQ(k.error, 0) << text;
    };
    set("i=7");
    set("d=2.5");
    set("f=-1.25");
    set("str=\"text\"");
    set("arr=0,1,4,9,16,25,36,49,64,81");
    set("w=65535");
    set("q=5000000000");
    set("c=65");
    set("u=4000000000");
    k.namedValues.Set("N", 5);
    k.namedValues.Set("BIG", -1);
    k.constants[72] = 0;
}

// One evaluation and everything it showed.
struct Outcome {
    uint64_t bits;
    int error, textResult;
    std::string text, log;
};

Outcome Evaluate(DiffKeltra& k, const std::string& text) {
    k.current = text;
    k.log.clear();
    k.error = 0;
    double d = k.EvaluateExpression(text.c_str());
    Outcome o;
    memcpy(&o.bits, &d, sizeof d);
    o.error = k.error;
    o.textResult = k.textResult;
    o.text = Visible(k.sysString && k.sysString->base ? (const char*)k.sysString->base : "");
    o.log = k.log;
    return o;
}

struct Differ {
    DiffKeltra plain, compiled;
    int texts = 0, usable = 0, failures = 0;

    void SetUp() {
        SetUpInterpreter(plain, false);
        SetUpInterpreter(compiled, true);
    }

    // Twice each: the second run takes the kept form.
    void Check(const std::string& text) {
        texts++;
        if (text.size() <= EXPR_TEXT_MAX) {
            CompiledExpr* ce = FindCompiled(compiled, text.data(), text.size());
            if (ce) {
                usable++;
                UnpinCompiled(ce);
            }
        }
        for (int round = 0; round < 2 && failures < 10; round++) {
            Outcome a = Evaluate(plain, text), b = Evaluate(compiled, text);
            bool same = a.bits == b.bits && a.error == b.error && a.textResult == b.textResult &&
                        a.text == b.text && a.log == b.log;
            if (same) continue;
            failures++;
            ADD_FAILURE() << "text \"" << Visible(text) << "\" round " << round
                          << "\n  rewriting: error " << a.error << " text " << a.textResult << " bits "
                          << a.bits << " \"" << a.text << "\"\n" << a.log
                          << "  compiled:  error " << b.error << " text " << b.textResult << " bits "
                          << b.bits << " \"" << b.text << "\"\n" << b.log;
        }
    }
};

// ---- texts ---------------------------------------------------------------

std::vector<std::string> CorpusTexts() {
    std::vector<std::string> out;
    std::string here = __FILE__;                    // tests/unit/this file
    std::string dir = here.substr(0, here.rfind('/')) + "/../fuzz/corpus/expression";
    DIR* d = opendir(dir.c_str());
    if (!d) return out;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        std::ifstream f(dir + "/" + e->d_name, std::ios::binary);
        std::stringstream ss;
        ss << f.rdbuf();
        std::string s = ss.str();
        s = s.substr(0, s.find('\0'));
        out.push_back(s);
    }
    closedir(d);
    return out;
}

struct Generator {
    std::mt19937 rng;
    explicit Generator(unsigned seed) : rng(seed) {}
    int Pick(int n) { return (int)(rng() % (unsigned)n); }
    template <class T> const T& From(const std::vector<T>& v) { return v[(size_t)Pick((int)v.size())]; }

    std::vector<std::string> numbers{"0", "1", "7", "2.5", ".5", "1e3", "&H10", "&h1f", "0x1F", "3.",
                                     "123456789012", "4294967296", "017", "1.5e-3", "&", "9e999"};
    std::vector<std::string> texts{"\"a\"", "\"abc\"", "\"\"", "\"x(y)\"", "\"1,2\"", "\"A\"", "\"-\""};
    std::vector<std::string> names{"i", "d", "f", "str", "arr[2]", "arr[i]", "arr[(i-5)]", "w", "q",
                                   "c", "u", "nosuch", "sub1", "dllf", "arr[i+1]", "arr[20]", "str[1]",
                                   "arr", "i.x", "#i", "I", "Str"};
    std::vector<std::string> ops{"+", "-", "*", "/", "%", "^", "&", "|", "=", "<", ">", "<=", ">=",
                                 "<>", "~", "||", ",", "!", ";", ":", "?", "$"};
    std::vector<std::string> markers() const {
        std::vector<std::string> m;
        for (int code : {(int)kProbe, (int)kProbe, (int)kProbe, (int)kNested, (int)kNoResult, 101, 104, 107, 113, 154, 53, 61,
                         62, 64, 65, 68, 69, 73, 80, 81, 82, 84, 121, 214, 6, 23})
            m.push_back(Marker(code));
        m.push_back("\xFF\xEF\xEF");          // code 255: no such slot
        return m;
    }
    std::vector<std::string> marks = markers();

    std::string Atom(int depth) {
        switch (Pick(12)) {
        case 0: case 1: return From(numbers);
        case 2: return From(texts);
        case 3: case 4: return From(names);
        case 5: {
            int pick = Pick(6);
            if (pick == 0) return "\xFE\xEF\xEF";               // 511: no entry
            if (pick == 1) return Constant(219);                // holds -1
            return Constant(Pick(498));
        }
        case 6: return Pick(2) ? "@N" : (Pick(2) ? "@big" : "@none");
        case 7: return "-" + Atom(depth);
        case 8: case 9: {
            if (depth > 3) return From(numbers);
            std::string args;
            int n = Pick(4);
            for (int a = 0; a < n; a++) args += (a ? "," : "") + Expr(depth + 1);
            return (Pick(4) ? From(marks) : From(names)) + "(" + args + ")";
        }
        default:
            if (depth > 3) return From(names);
            return "(" + Expr(depth + 1) + ")";
        }
    }
    std::string Expr(int depth) {
        std::string s = Atom(depth);
        int n = Pick(depth ? 3 : 6);
        for (int i = 0; i < n; i++) {
            std::string blank = Pick(3) ? "" : (Pick(4) ? " " : "\t");
            s += blank + From(ops) + blank + Atom(depth);
        }
        return s;
    }
    // Typed expressions that mostly evaluate: numbers with numeric
    // operators, texts joined with "+", compared into numbers, passed to
    // functions in any shape.
    std::vector<std::string> numNames{"i", "d", "f", "w", "q", "c", "u", "arr[2]", "arr[i]",
                                      "arr[(i-5)]", "arr[i+1]", "sub1", "dllf", "#i"};
    std::vector<std::string> numOps{"+", "-", "*", "/", "%", "^", "&", "|", "=", "<", ">", "<=",
                                    ">=", "<>", "~", "||", "+", "-", "*", "+"};
    std::vector<std::string> compareOps{"=", "<", ">", "<=", ">=", "<>", "~"};
    std::string Blank() { return Pick(3) ? "" : (Pick(4) ? " " : "\t"); }
    std::string Args(int depth) {
        std::string args;
        int n = Pick(4);
        for (int a = 0; a < n; a++) args += (a ? "," : "") + (Pick(3) ? Num(depth + 1) : Text(depth + 1));
        return "(" + args + ")";
    }
    std::string NumAtom(int depth) {
        switch (Pick(depth > 3 ? 4 : 10)) {
        case 0: case 1: return From(numbers);
        case 2: case 3: return From(numNames);
        case 4: return Pick(2) ? Constant(Pick(498)) : "@N";
        case 5: return "-" + NumAtom(depth + 1);
        case 6: return "(" + Num(depth + 1) + ")";
        case 7: return "(" + Text(depth + 1) + Blank() + From(compareOps) + Blank() + Text(depth + 1) + ")";
        case 8: {
            static const std::vector<std::string> calls{Marker(kProbe), Marker(kProbe), Marker(kNested),
                                                        "sub1", "dllf", Marker(101), Marker(113)};
            std::string callee = From(calls);
            if (callee == Marker(101) || callee == Marker(113)) return callee + "(" + Num(depth + 1) + ")";
            return callee + (Pick(5) ? Args(depth) : "");
        }
        default: return Marker(kProbe) + "(" + Num(depth + 1) + (Pick(2) ? "," + Text(depth + 1) : "") + ")";
        }
    }
    std::string Num(int depth) {
        std::string s = NumAtom(depth);
        int n = Pick(depth ? 3 : 5);
        for (int i = 0; i < n; i++) s += Blank() + From(numOps) + Blank() + NumAtom(depth + 1);
        return s;
    }
    std::string TextAtom(int depth) {
        switch (Pick(depth > 3 ? 3 : 7)) {
        case 0: case 1: return From(texts);
        case 2: return Pick(2) ? "str" : "str[1]";
        case 3: return "(" + Text(depth + 1) + ")";
        case 4: return Marker(kProbe) + "(" + Text(depth + 1) + ")";
        case 5: return Marker(121) + "(" + Text(depth + 1) + ")";
        default: return Marker(62) + "(" + Text(depth + 1) + "," + std::to_string(Pick(4)) + ")";
        }
    }
    std::string Text(int depth) {
        std::string s = TextAtom(depth);
        int n = Pick(3);
        for (int i = 0; i < n; i++) s += Blank() + "+" + Blank() + TextAtom(depth + 1);
        return s;
    }
    // Token soup: anything next to anything, unbalanced included.
    std::string Soup() {
        static const std::vector<std::string> extra{"(", ")", "(", ")", "()", "[", "]", "\"", " ", ",",
                                                   Marker(218), "\x01", "\t", "-", "&H", "@"};
        std::string s;
        int n = 1 + Pick(14);
        for (int i = 0; i < n; i++) {
            switch (Pick(6)) {
            case 0: s += From(extra); break;
            case 1: s += From(ops); break;
            case 2: s += From(marks); break;
            default: s += Atom(3); break;
            }
        }
        return s;
    }
    std::string Mutate(std::string s) {
        static const std::string bytes = "()[]\",+-*&|<>= \t@#.0123456789xH\xFF\xFE\xE4\xE8\x04\x05\x06\x07";
        int n = 1 + Pick(3);
        for (int i = 0; i < n; i++) {
            size_t at = s.empty() ? 0 : (size_t)Pick((int)s.size() + 1);
            char b = bytes[(size_t)Pick((int)bytes.size())];
            switch (Pick(3)) {
            case 0: s.insert(s.begin() + (long)at, b); break;
            case 1: if (at < s.size()) s.erase(at, 1); break;
            default: if (at < s.size()) s[at] = b; break;
            }
        }
        return s;
    }
};

TEST(ExpressionDiff, CorpusAndMutations) {
    Differ diff;
    diff.SetUp();
    std::vector<std::string> corpus = CorpusTexts();
    ASSERT_GT(corpus.size(), 50u);
    Generator g(1);
    for (const std::string& text : corpus) {
        diff.Check(text);
        for (int m = 0; m < 8; m++) diff.Check(g.Mutate(text));
    }
    EXPECT_GT(diff.usable * 10, diff.texts * 8) << "the compiler refused too many texts";
}

TEST(ExpressionDiff, GeneratedExpressions) {
    Differ diff;
    diff.SetUp();
    Generator g(2);
    for (int n = 0; n < 6000; n++) diff.Check(n % 3 == 0 ? g.Expr(0) : n % 3 == 1 ? g.Num(0) : g.Text(0));
    EXPECT_GT(diff.usable * 10, diff.texts * 9) << "the compiler refused too many texts";
}

TEST(ExpressionDiff, GeneratedSoup) {
    Differ diff;
    diff.SetUp();
    Generator g(3);
    for (int n = 0; n < 6000; n++) diff.Check(n % 2 ? g.Soup() : g.Mutate(g.Expr(1)));
}

// Texts the compiler leaves to the rewriting evaluator still evaluate.
TEST(ExpressionDiff, RefusedTextsTakeTheRewritingPath) {
    Differ diff;
    diff.SetUp();
    const std::string refused[] = {
        std::string("1 + \x04\x01", 5),               // placeholder bytes in the text
        "&(1)",                                       // "&H" rewrite over a reduced part
        "\"a(1)\" + (\"b\")",                         // a literal is fine; this one compiles
    };
    for (const std::string& text : refused) diff.Check(text);
    EXPECT_EQ(FindCompiled(diff.compiled, refused[0].data(), refused[0].size()), nullptr);
    EXPECT_EQ(FindCompiled(diff.compiled, refused[1].data(), refused[1].size()), nullptr);
}

// The statement text a function's handler gets is the working text from
// the function on, reduced parts included: the conditional finds its
// then-part there, the label statement its name.
TEST(ExpressionDiff, HandlersSeeTheSameStatementText) {
    Differ diff;
    diff.SetUp();
    const std::string texts[] = {
        Marker(6) + "(1)" + Marker(218) + Marker(kProbe) + "(\"a\",(2),(str))",
        Marker(6) + "(0)+(\"x\")" + Marker(218) + "i" + Marker(55) + Marker(kProbe) + "((3))",
        Marker(23) + "(((\"t\")))",
        Marker(kProbe) + "((1),(\"t\"),(i),(-i),(),(sub1))" + " + (" + Marker(kProbe) + "(2))",
        "(" + Marker(kProbe) + "(\"" + std::string(240, 'z') + "\")) + " + Marker(kProbe) + "((\"q\"))",
    };
    for (const std::string& text : texts) diff.Check(text);
    EXPECT_EQ(diff.usable, 5);
}

// A form stays alive while it runs, though the cache starts over meanwhile;
// and the cache stays within its bounds.
TEST(ExpressionDiff, CacheStartsOverUnderARunningForm) {
    Differ diff;
    diff.SetUp();
    diff.Check("(" + Marker(kChurn) + "(1)) + i * (" + Marker(kChurn) + "())");
    diff.Check("i + 5");
    size_t entries, bytes;
    CompiledCacheSize(diff.compiled, &entries, &bytes);
    EXPECT_LE(entries, 2048u);
    EXPECT_LE(bytes, 2u << 20);
    EXPECT_GT(entries, 0u);
}

}  // namespace
