// The shared-library host layer: what programs cannot reach through the
// call statement (argument lists it refuses, lookups of loaded libraries).
#include <gtest/gtest.h>
#include <cmath>
#include "host/dynlib.h"

namespace {

DynValue Double(double d) { DynValue v; v.kind = DYN_DOUBLE; v.d = d; return v; }
DynValue Int(int32_t i) { DynValue v; v.kind = DYN_INT32; v.bits = (uint64_t)(int64_t)i; return v; }

TEST(DllHost, CallsWithTypedArgumentsAndResults) {
    void* libm = DynLibLoad("libm.so.6");
    ASSERT_NE(libm, nullptr);
    void* ldexpFn = DynLibSymbol(libm, "ldexp");
    ASSERT_NE(ldexpFn, nullptr);
    DynValue args[2] = {Double(1.5), Int(-1)};
    DynValue r;
    ASSERT_TRUE(DynLibCall(ldexpFn, args, 2, DYN_DOUBLE, &r));
    EXPECT_EQ(r.d, 0.75);

    void* libc = DynLibLoad("libc.so.6");
    ASSERT_NE(libc, nullptr);
    void* absFn = DynLibSymbol(libc, "abs");
    DynValue neg = Int(-7);
    ASSERT_TRUE(DynLibCall(absFn, &neg, 1, DYN_INT32, &r));
    EXPECT_EQ((int64_t)r.bits, 7);
    DynLibFree(libc);
    DynLibFree(libm);
}

TEST(DllHost, RefusesArgumentListsItCannotPass) {
    void* libc = DynLibLoad("libc.so.6");
    void* absFn = DynLibSymbol(libc, "abs");
    DynValue many[DYN_MAX_ARGS + 1];
    for (DynValue& v : many) v = Int(1);
    DynValue r;
    EXPECT_FALSE(DynLibCall(absFn, many, DYN_MAX_ARGS + 1, DYN_INT32, &r));
    EXPECT_FALSE(DynLibCall(absFn, many, -1, DYN_INT32, &r));
    DynValue none;   // DYN_VOID is no argument
    EXPECT_FALSE(DynLibCall(absFn, &none, 1, DYN_INT32, &r));
    DynValue bad = Int(1);
    bad.kind = 99;
    EXPECT_FALSE(DynLibCall(absFn, &bad, 1, DYN_INT32, &r));
    EXPECT_FALSE(DynLibCall(absFn, many, 1, 99, &r));
    EXPECT_FALSE(DynLibCall(nullptr, many, 1, DYN_INT32, &r));
    DynLibFree(libc);
}

TEST(DllHost, LoadAndLookupFailuresAreNull) {
    EXPECT_EQ(DynLibLoad("no-such-library.so"), nullptr);
    EXPECT_EQ(DynLibLoad(""), nullptr);
    EXPECT_EQ(DynLibLoad(nullptr), nullptr);
    EXPECT_EQ(DynLibFindLoaded("no-such-library.so"), nullptr);
    void* libc = DynLibLoad("libc.so.6");
    EXPECT_EQ(DynLibSymbol(libc, "no_such_function_here"), nullptr);
    EXPECT_EQ(DynLibSymbol(libc, ""), nullptr);
    EXPECT_EQ(DynLibSymbol(nullptr, "abs"), nullptr);
    // A loaded library is found under its name, without a new reference.
    EXPECT_EQ(DynLibFindLoaded("libc.so.6"), libc);
    DynLibFree(libc);
}

}  // namespace
