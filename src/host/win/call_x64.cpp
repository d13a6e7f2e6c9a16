// The caller for the x64 Windows calling convention.
//
// KeltraCallX64(fn, slots, count, xmm0) calls fn with count 64-bit argument
// slots (count >= 4; unused slots are 0). Slots 0-3 are loaded both into
// RCX, RDX, R8, R9 and into XMM0-XMM3, so the callee finds each of them in
// the register its own parameter type selects (an integer or an address in
// the general register, a float or a double in the XMM register at the same
// position), just as for a variadic call. Slots 4 and up go on the stack
// above the 32-byte shadow space. The integer result comes back as the
// return value (RAX), the raw XMM0 into *xmm0.
#include <cstdint>

extern "C" uint64_t KeltraCallX64(void* fn, const uint64_t* slots, uint64_t count, uint64_t* xmm0);

asm(R"(
    .text
    .globl KeltraCallX64
    .def KeltraCallX64; .scl 2; .type 32; .endef
KeltraCallX64:
    pushq %rbp
    movq %rsp, %rbp
    pushq %rbx
    pushq %rsi
    pushq %rdi
    pushq %r12
    movq %rcx, %r10              # fn
    movq %rdx, %rsi              # slots
    movq %r8, %rbx               # count
    movq %r9, %r12               # where XMM0 goes
    # Frame: shadow space and the stack slots, a multiple of 16 bytes; the
    # four pushes above keep RSP 16-byte aligned at the call.
    leaq 15(,%rbx,8), %rax
    andq $-16, %rax
    subq %rax, %rsp
    movq $4, %rcx
1:  cmpq %rbx, %rcx
    jae 2f
    movq (%rsi,%rcx,8), %rax
    movq %rax, (%rsp,%rcx,8)     # slot i at RSP + 32 + 8*(i-4)
    incq %rcx
    jmp 1b
2:  movq (%rsi), %rcx
    movq 8(%rsi), %rdx
    movq 16(%rsi), %r8
    movq 24(%rsi), %r9
    movq %rcx, %xmm0
    movq %rdx, %xmm1
    movq %r8, %xmm2
    movq %r9, %xmm3
    call *%r10
    movq %xmm0, (%r12)
    leaq -32(%rbp), %rsp
    popq %r12
    popq %rdi
    popq %rsi
    popq %rbx
    popq %rbp
    ret
)");
