// The math functions: one numeric argument, a double result in
// SYSTEM_DOUBLE0; the bitwise complement gives an INT. A wrong argument
// count is error 1 here. Domain errors are no engine errors: the result is
// whatever the C library returns (not-a-number, infinity).
#include <cmath>
#include <ctime>
#include "engine/keltra.h"
#include "runtime/math_random.h"

static uint32_t randomState;
static bool randomSeeded;

void SeedRandom(uint32_t seed) {
    randomState = seed;
    randomSeeded = true;
}

int NextRandom() {
    if (!randomSeeded) {
        SeedRandom((uint32_t)(time(nullptr) / 2));
        NextRandom();
    }
    randomState = randomState * 214013u + 2531011u;
    return (int)((randomState >> 16) & 0x7FFF);
}

static bool Argument(Keltra& k, StatementRecord* rec, ValueRecord* v) {
    if (rec->argCount != 1) { k.Fail(ERR_SYNTAX); return false; }
    return k.EvaluateArgument(v, rec, 0, T_ANY_NUMBER) != nullptr;
}

static StatementRecord* Apply(Keltra& k, StatementRecord* rec, double (*op)(double)) {
    ValueRecord v;
    if (!Argument(k, rec, &v)) return nullptr;
    k.SetResultDouble(rec, op(v.doubleValue));
    return rec;
}

static double Random(double x) { return NextRandom() * (1.0 / 32768.0) * x; }
static double Sign(double x) { return x > 0 ? 1.0 : x == 0 ? 0.0 : -1.0; }

// Truncated to 64 bits, of which the low 32 are kept as a signed value.
// Values the 64-bit conversion cannot hold (and not-a-number) give 0
// instead of an undefined conversion.
static double Truncate(double x) {
    if (!(x > -9.2e18 && x < 9.2e18)) return 0.0;
    return (double)(int32_t)(uint32_t)(uint64_t)(int64_t)x;
}

StatementRecord* Keltra::CmdSin(StatementRecord* rec) { return Apply(*this, rec, std::sin); }
StatementRecord* Keltra::CmdCos(StatementRecord* rec) { return Apply(*this, rec, std::cos); }
StatementRecord* Keltra::CmdTan(StatementRecord* rec) { return Apply(*this, rec, std::tan); }
StatementRecord* Keltra::CmdArcSin(StatementRecord* rec) { return Apply(*this, rec, std::asin); }
StatementRecord* Keltra::CmdArcCos(StatementRecord* rec) { return Apply(*this, rec, std::acos); }
StatementRecord* Keltra::CmdArcTan(StatementRecord* rec) { return Apply(*this, rec, std::atan); }
StatementRecord* Keltra::CmdAbsolute(StatementRecord* rec) { return Apply(*this, rec, std::fabs); }
StatementRecord* Keltra::CmdCeil(StatementRecord* rec) { return Apply(*this, rec, std::ceil); }
StatementRecord* Keltra::CmdFloor(StatementRecord* rec) { return Apply(*this, rec, std::floor); }
StatementRecord* Keltra::CmdSqrt(StatementRecord* rec) { return Apply(*this, rec, std::sqrt); }
StatementRecord* Keltra::CmdExp(StatementRecord* rec) { return Apply(*this, rec, std::exp); }
StatementRecord* Keltra::CmdRandom(StatementRecord* rec) { return Apply(*this, rec, Random); }
StatementRecord* Keltra::CmdTruncate(StatementRecord* rec) { return Apply(*this, rec, Truncate); }
StatementRecord* Keltra::CmdSinh(StatementRecord* rec) { return Apply(*this, rec, std::sinh); }
StatementRecord* Keltra::CmdCosh(StatementRecord* rec) { return Apply(*this, rec, std::cosh); }
StatementRecord* Keltra::CmdTanh(StatementRecord* rec) { return Apply(*this, rec, std::tanh); }
StatementRecord* Keltra::CmdLog(StatementRecord* rec) { return Apply(*this, rec, std::log); }
StatementRecord* Keltra::CmdLog10(StatementRecord* rec) { return Apply(*this, rec, std::log10); }
StatementRecord* Keltra::CmdSign(StatementRecord* rec) { return Apply(*this, rec, Sign); }

StatementRecord* Keltra::CmdBitNot(StatementRecord* rec) {
    ValueRecord v;
    if (!Argument(*this, rec, &v)) return nullptr;
    SetResultInt(rec, ~v.intValue);
    return rec;
}
