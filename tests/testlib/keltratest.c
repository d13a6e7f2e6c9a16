/* A small library the program tests call. Every function checks what it
   receives or returns something that depends on every argument in order,
   so a value passed in the wrong slot or width shows in the output.
   Plain C, so the same source builds as a Linux shared object and as a
   Windows DLL. */
#include <string.h>

#ifdef _WIN32
#define EXPORT __declspec(dllexport)
#else
#define EXPORT __attribute__((visibility("default")))
#endif

/* ---- integers, floats, doubles ---------------------------------------- */

EXPORT int kt_add3(int a, int b, int c) { return a + b + c; }

/* Ten integers: more than fit in argument registers. Weighted by position. */
EXPORT int kt_weigh10(int a1, int a2, int a3, int a4, int a5, int a6, int a7,
                      int a8, int a9, int a10) {
    return a1 * 1 + a2 * 2 + a3 * 3 + a4 * 4 + a5 * 5 + a6 * 6 + a7 * 7 +
           a8 * 8 + a9 * 9 + a10 * 10;
}

/* The most arguments a call may have: 24 integers, each weighted. */
EXPORT long long kt_weigh24(int a1, int a2, int a3, int a4, int a5, int a6,
                            int a7, int a8, int a9, int a10, int a11, int a12,
                            int a13, int a14, int a15, int a16, int a17,
                            int a18, int a19, int a20, int a21, int a22,
                            int a23, int a24) {
    int a[24] = {a1, a2, a3, a4, a5, a6, a7, a8, a9, a10, a11, a12,
                 a13, a14, a15, a16, a17, a18, a19, a20, a21, a22, a23, a24};
    long long s = 0;
    for (int i = 0; i < 24; i++) s += (long long)(i + 1) * a[i];
    return s;
}

/* Integer, float and double arguments interleaved. */
EXPORT double kt_mixed(int a, float f, double d, int b, float g, double e) {
    return a + f * 10.0 + d * 100.0 + b * 1000.0 + g * 10000.0 + e * 100000.0;
}

/* Ten doubles: more than the floating registers of either convention. */
EXPORT double kt_dweigh10(double a1, double a2, double a3, double a4, double a5,
                          double a6, double a7, double a8, double a9, double a10) {
    return a1 * 1 + a2 * 2 + a3 * 3 + a4 * 4 + a5 * 5 + a6 * 6 + a7 * 7 +
           a8 * 8 + a9 * 9 + a10 * 10;
}

EXPORT float kt_fhalf(float x) { return x / 2.0f; }
EXPORT double kt_dtwice(double x) { return x * 2.0; }
EXPORT long long kt_mul64(long long a, long long b) { return a * b; }
EXPORT unsigned long long kt_umax(void) { return 18446744073709551615ULL; }
EXPORT unsigned int kt_unot(unsigned int x) { return ~x; }
EXPORT unsigned short kt_wordinc(unsigned short w) { return (unsigned short)(w + 1); }
EXPORT char kt_upper(char c) { return (char)(c >= 'a' && c <= 'z' ? c - 32 : c); }
EXPORT void kt_nothing(void) {}

/* ---- texts ------------------------------------------------------------- */

/* Writes "<text>!" into buf; returns the length written. */
EXPORT int kt_shout(char* buf, const char* text) {
    size_t n = strlen(text);
    memmove(buf, text, n);
    buf[n] = '!';
    buf[n + 1] = 0;
    return (int)n + 1;
}

EXPORT int kt_textlen(const char* text) { return text ? (int)strlen(text) : -1; }

EXPORT const char* kt_greeting(int n) {
    return n ? "hello from the library" : "";
}
EXPORT const char* kt_nulltext(void) { return 0; }

/* ---- addresses --------------------------------------------------------- */

/* An integer passed by address: adds 5 and returns the old value. */
EXPORT int kt_bump(int* p) {
    int old = *p;
    *p += 5;
    return old;
}
EXPORT void kt_dscale(double* p) { *p *= 3.0; }

/* An array passed by address: returns the sum and writes 99 into slot 0. */
EXPORT int kt_sumfix(int* a, int n) {
    int s = 0;
    for (int i = 0; i < n; i++) s += a[i];
    a[0] = 99;
    return s;
}

/* A memory block: adds up its bytes and writes 7 into the first one. */
EXPORT int kt_memsum(unsigned char* p, int n) {
    int s = 0;
    for (int i = 0; i < n; i++) s += p[i];
    p[0] = 7;
    return s;
}

static int kt_static_value = 4242;
EXPORT int* kt_address(void) { return &kt_static_value; }
EXPORT int kt_peek(int* p) { return p ? *p : -1; }

/* ---- structures -------------------------------------------------------- */

#pragma pack(push, 1)
struct Packed1 { int a; char c; int b; };
#pragma pack(pop)
struct Packed8 { int a; char c; int b; };

/* Both check the layout (the caller's values must arrive as given), report
   what they saw, and write new values into every member. */
EXPORT int kt_rec1(struct Packed1* r) {
    int seen = r->a * 10000 + r->c * 100 + r->b;
    r->a = -r->a;
    r->c = 'Z';
    r->b = r->b + 1000;
    return seen;
}
EXPORT int kt_rec8(struct Packed8* r) {
    int seen = r->a * 10000 + r->c * 100 + r->b;
    r->a = -r->a;
    r->c = 'Y';
    r->b = r->b + 2000;
    return seen;
}
EXPORT int kt_sizeof1(void) { return (int)sizeof(struct Packed1); }
EXPORT int kt_sizeof8(void) { return (int)sizeof(struct Packed8); }

/* Every kind of member a structure may have, in natural alignment. */
struct Mixed {
    char c;              /* 0 */
    unsigned short w;    /* 2 */
    int i;               /* 4 */
    long long q;         /* 8 */
    char* s;             /* 16: a string member's storage */
    int* arr;            /* 24: an array member's storage */
    void* p;             /* 32: a pointer member */
    unsigned int u;      /* 40 */
};

EXPORT long long kt_mixed_struct(struct Mixed* m) {
    long long seen = m->c + m->w + m->i + m->q + m->u + m->arr[0] + m->arr[1] + m->arr[2];
    strcat(m->s, "+lib");
    m->arr[2] = 333;
    m->c = 'q';
    m->w = 65535;
    m->i = -7;
    m->q = 1LL << 40;
    m->p = &kt_static_value;
    m->u = 4000000000u;
    return seen;
}

/* A structure handed over as 0 when the instance has no members. */
EXPORT int kt_isnull(void* p) { return p == 0; }

/* Writes the first n bytes at p as two hex digits each into out, so a
   program can see a structure buffer's exact layout. */
EXPORT int kt_hexdump(const unsigned char* p, int n, char* out) {
    static const char digits[] = "0123456789abcdef";
    for (int i = 0; i < n; i++) {
        out[2 * i] = digits[p[i] >> 4];
        out[2 * i + 1] = digits[p[i] & 15];
    }
    out[2 * n] = 0;
    return n;
}
