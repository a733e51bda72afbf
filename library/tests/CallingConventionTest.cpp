// Every export called exactly as a caller compiled elsewhere calls it, watched at the machine level:
// in the 32-bit file each export removes its own arguments (stdcall) and leaves the caller's
// registers as they were; in the 64-bit file each keeps every register that x64 callers rely on.
// A mismatch here corrupts the add-in's stack or registers, which no ordinary C++ test can see.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>

#include "testkit/HistorySession.h"

namespace {

#ifndef _WIN64

// Pushes `bytes` bytes of arguments and calls `fn` with marked callee-saved registers. Returns how
// far from the right place the callee left the stack pointer (0: it removed exactly its arguments);
// *result receives eax, *clobbered a bit for each callee-saved register that changed.
extern "C" int __cdecl CallStdcall(const void* fn, const void* args, unsigned bytes, std::uint32_t* result,
                                   unsigned* clobbered);
asm(R"(
    .data
callstdcall_frame:
    .long 0
    .text
    .globl _CallStdcall
_CallStdcall:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 16(%ebp), %ecx
    subl %ecx, %esp
    movl %esp, %edi
    movl 12(%ebp), %esi
    cld
    rep movsb
    movl 8(%ebp), %eax
    movl %ebp, callstdcall_frame  # the frame is found again whatever the callee did to esp
    movl $0x1b1b1b1b, %ebx
    movl $0x5a5a5a5a, %esi
    movl $0xd1d1d1d1, %edi
    movl $0xb9b9b9b9, %ebp
    call *%eax
    movl %esp, %ecx
    movl %ebp, %edx
    movl callstdcall_frame, %ebp
    leal -12(%ebp), %esp
    pushl %edx
    pushl %ecx
    movl 20(%ebp), %ecx
    movl %eax, (%ecx)
    xorl %eax, %eax
    cmpl $0x1b1b1b1b, %ebx
    je 1f
    orl $1, %eax
1:  cmpl $0x5a5a5a5a, %esi
    je 2f
    orl $2, %eax
2:  cmpl $0xd1d1d1d1, %edi
    je 3f
    orl $4, %eax
3:  cmpl $0xb9b9b9b9, 4(%esp)
    je 4f
    orl $8, %eax
4:  movl 24(%ebp), %ecx
    movl %eax, (%ecx)
    popl %eax
    leal -12(%ebp), %ecx
    subl %ecx, %eax
    leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");

// An export's arguments as a 32-bit caller pushes them.
struct Args {
  const void* data;
  unsigned bytes;
};

struct Outcome {
  int stackError;
  unsigned clobbered;
  std::uint32_t result;
};

template <class F>
Outcome Watch(F fn, const Args& args) {
  Outcome o{};
  o.stackError = CallStdcall(reinterpret_cast<const void*>(fn), args.data, args.bytes, &o.result, &o.clobbered);
  return o;
}

template <class F>
std::uint32_t Call(F fn, const Args& args) {
  const Outcome o = Watch(fn, args);
  EXPECT_EQ(o.stackError, 0) << "the export left the stack pointer " << o.stackError << " bytes off";
  EXPECT_EQ(o.clobbered, 0u) << "callee-saved registers changed (1 ebx, 2 esi, 4 edi, 8 ebp): " << o.clobbered;
  return o.result;
}

// Faults the watch must see: a function that leaves its arguments to the caller, and one that
// changes a register its caller keeps.
extern "C" int __cdecl LeavesItsArguments(int a, int b) { return a + b; }
extern "C" void __stdcall ChangesEsi();
asm(R"(
    .text
_ChangesEsi@0:
    movl $0, %esi
    ret
)");

TEST(CallingConvention, TheWatchSeesAFunctionThatBreaksTheStdcallRules) {
  const int two[2] = {20, 22};
  const Outcome left = Watch(&LeavesItsArguments, Args{two, 8});
  EXPECT_EQ(left.stackError, -8);
  EXPECT_EQ(left.result, 42u);
  EXPECT_EQ(Watch(&ChangesEsi, Args{nullptr, 0}).clobbered, 2u);
}

#else

// The registers that an x64 caller may keep values in across a call, marked before it and read
// back after it; rax is the result.
struct Registers {
  std::uint64_t gpr[8];      // rbx, rbp, rdi, rsi, r12, r13, r14, r15
  std::uint64_t xmm[10][2];  // xmm6 to xmm15
  std::uint64_t rax;
};
const char* const kGprNames[8] = {"rbx", "rbp", "rdi", "rsi", "r12", "r13", "r14", "r15"};

// Calls fn(args[0], args[1], args[2], args[3]) with the registers of *in and stores them to *out.
extern "C" void CallWithMarkedRegisters(const void* fn, const std::uint64_t* args, const Registers* in,
                                        Registers* out);
asm(R"(
    .text
    .globl CallWithMarkedRegisters
    .def CallWithMarkedRegisters; .scl 2; .type 32; .endef
    .seh_proc CallWithMarkedRegisters
CallWithMarkedRegisters:
    pushq %rbx
    .seh_pushreg %rbx
    pushq %rbp
    .seh_pushreg %rbp
    pushq %rdi
    .seh_pushreg %rdi
    pushq %rsi
    .seh_pushreg %rsi
    pushq %r12
    .seh_pushreg %r12
    pushq %r13
    .seh_pushreg %r13
    pushq %r14
    .seh_pushreg %r14
    pushq %r15
    .seh_pushreg %r15
    subq $216, %rsp
    .seh_stackalloc 216
    movdqu %xmm6, 32(%rsp)
    movdqu %xmm7, 48(%rsp)
    movdqu %xmm8, 64(%rsp)
    movdqu %xmm9, 80(%rsp)
    movdqu %xmm10, 96(%rsp)
    movdqu %xmm11, 112(%rsp)
    movdqu %xmm12, 128(%rsp)
    movdqu %xmm13, 144(%rsp)
    movdqu %xmm14, 160(%rsp)
    movdqu %xmm15, 176(%rsp)
    .seh_endprologue
    movq %r9, 192(%rsp)
    movq %rcx, %r11
    movq %rdx, %r10
    movq 0(%r8), %rbx
    movq 8(%r8), %rbp
    movq 16(%r8), %rdi
    movq 24(%r8), %rsi
    movq 32(%r8), %r12
    movq 40(%r8), %r13
    movq 48(%r8), %r14
    movq 56(%r8), %r15
    movdqu 64(%r8), %xmm6
    movdqu 80(%r8), %xmm7
    movdqu 96(%r8), %xmm8
    movdqu 112(%r8), %xmm9
    movdqu 128(%r8), %xmm10
    movdqu 144(%r8), %xmm11
    movdqu 160(%r8), %xmm12
    movdqu 176(%r8), %xmm13
    movdqu 192(%r8), %xmm14
    movdqu 208(%r8), %xmm15
    movq 0(%r10), %rcx
    movq 8(%r10), %rdx
    movq 16(%r10), %r8
    movq 24(%r10), %r9
    call *%r11
    movq 192(%rsp), %r9
    movq %rbx, 0(%r9)
    movq %rbp, 8(%r9)
    movq %rdi, 16(%r9)
    movq %rsi, 24(%r9)
    movq %r12, 32(%r9)
    movq %r13, 40(%r9)
    movq %r14, 48(%r9)
    movq %r15, 56(%r9)
    movdqu %xmm6, 64(%r9)
    movdqu %xmm7, 80(%r9)
    movdqu %xmm8, 96(%r9)
    movdqu %xmm9, 112(%r9)
    movdqu %xmm10, 128(%r9)
    movdqu %xmm11, 144(%r9)
    movdqu %xmm12, 160(%r9)
    movdqu %xmm13, 176(%r9)
    movdqu %xmm14, 192(%r9)
    movdqu %xmm15, 208(%r9)
    movq %rax, 224(%r9)
    movdqu 32(%rsp), %xmm6
    movdqu 48(%rsp), %xmm7
    movdqu 64(%rsp), %xmm8
    movdqu 80(%rsp), %xmm9
    movdqu 96(%rsp), %xmm10
    movdqu 112(%rsp), %xmm11
    movdqu 128(%rsp), %xmm12
    movdqu 144(%rsp), %xmm13
    movdqu 160(%rsp), %xmm14
    movdqu 176(%rsp), %xmm15
    addq $216, %rsp
    popq %r15
    popq %r14
    popq %r13
    popq %r12
    popq %rsi
    popq %rdi
    popq %rbp
    popq %rbx
    ret
    .seh_endproc
)");

// Calls an export with up to four register arguments and checks that every non-volatile register
// survived.
// The names of the non-volatile registers that the call changed, and its result.
struct Outcome {
  std::string changed;
  std::uint32_t result;
};

template <class F>
Outcome Watch(F fn, const std::uint64_t (&slots)[4]) {
  Registers in{}, out{};
  for (int i = 0; i < 8; ++i) in.gpr[i] = 0x1000000000000001ull * static_cast<std::uint64_t>(i + 3) + 0x0102030405060708ull;
  for (int i = 0; i < 10; ++i) {
    in.xmm[i][0] = 0xa5a5a5a5a5a5a5a5ull ^ static_cast<std::uint64_t>(i);
    in.xmm[i][1] = 0x5a5a5a5a5a5a5a5aull ^ (static_cast<std::uint64_t>(i) << 32);
  }
  CallWithMarkedRegisters(reinterpret_cast<const void*>(fn), slots, &in, &out);
  Outcome o{"", static_cast<std::uint32_t>(out.rax)};
  for (int i = 0; i < 8; ++i)
    if (out.gpr[i] != in.gpr[i]) o.changed += std::string(o.changed.empty() ? "" : " ") + kGprNames[i];
  for (int i = 0; i < 10; ++i)
    if (out.xmm[i][0] != in.xmm[i][0] || out.xmm[i][1] != in.xmm[i][1])
      o.changed += std::string(o.changed.empty() ? "" : " ") + "xmm" + std::to_string(i + 6);
  return o;
}

template <class F>
std::uint32_t Call(F fn, const std::uint64_t (&slots)[4]) {
  const Outcome o = Watch(fn, slots);
  EXPECT_EQ(o.changed, "") << "the export changed registers its caller keeps";
  return o.result;
}

// A fault the watch must see: a function that changes registers its caller keeps.
extern "C" std::uint64_t ChangesRsiAndXmm9(std::uint64_t a);
asm(R"(
    .text
ChangesRsiAndXmm9:
    movq %rcx, %rax
    xorl %esi, %esi
    pxor %xmm9, %xmm9
    ret
)");

TEST(CallingConvention, TheWatchSeesAFunctionThatChangesKeptRegisters) {
  const std::uint64_t args[4] = {42};
  const Outcome o = Watch(&ChangesRsiAndXmm9, args);
  EXPECT_EQ(o.changed, "rsi xmm9");
  EXPECT_EQ(o.result, 42u);
}

#endif

using HookFn = void(__stdcall*)();
using ShowAboutFormFn = void(__stdcall*)(HWND);

// Each export once, in the order an add-in uses them, through the machine-level caller of this
// architecture. The dialogs are ended by keys so that their results come back through it too.
TEST(CallingConvention, EveryExportKeepsTheCallersStackAndRegisters) {
  testkit::HistorySession s;
  VARIANT presentation = s.presentation.AsVariant();
  const char* caption = "Second";
  const std::int32_t first = 7, second = 3, position = 2;
  auto init = s.lib.InitializeSlideHistory;
  auto add = s.lib.AddSlideHistory;
  auto show = s.lib.ShowSlideHistory;
  auto product = s.lib.Bind<HookFn>("InitializeProduct");
  auto shutdown = s.lib.Bind<HookFn>("ShutdownProduct");
  auto about = s.lib.Bind<ShowAboutFormFn>("ShowAboutForm");

  testkit::Driver historyDriver;
  historyDriver.Then([] { return testkit::FindDialog("Slide Show History") != nullptr; });
  historyDriver.Then([] {
    HWND list = testkit::FindChild(testkit::FindDialog("Slide Show History"), "ListBox");
    testkit::PostKey(list, VK_RETURN);
    return true;
  });
  testkit::Driver aboutDriver;
  aboutDriver.Then([] { return testkit::FindDialog("About") != nullptr; });
  aboutDriver.Then([] {
    testkit::PostKey(testkit::FindChild(testkit::FindDialog("About"), "Button", "OK"), VK_ESCAPE);
    return true;
  });

#ifndef _WIN64
  struct Row {
    std::int32_t index;
    const char* text;
  };
  const Row firstRow{first, "First"}, secondRow{second, caption};
  const struct {
    HWND parent;
    std::int32_t position;
  } showArgs{nullptr, position};
  const HWND noParent = nullptr;
  Call(product, Args{nullptr, 0});
  Call(init, Args{&presentation, 16});  // the whole VARIANT on the stack
  Call(add, Args{&firstRow, 8});
  Call(add, Args{&secondRow, 8});
  const std::uint32_t chosen = historyDriver.Run([&] { return Call(show, Args{&showArgs, 8}); });
  aboutDriver.Run([&] { return Call(about, Args{&noParent, 4}); });
  Call(shutdown, Args{nullptr, 0});
#else
  // x64 passes a VARIANT (24 bytes) as a pointer to the caller's own copy.
  VARIANT copy = presentation;
  const std::uint64_t none[4] = {};
  const std::uint64_t initArgs[4] = {reinterpret_cast<std::uint64_t>(&copy)};
  const std::uint64_t firstArgs[4] = {static_cast<std::uint32_t>(first), reinterpret_cast<std::uint64_t>("First")};
  const std::uint64_t secondArgs[4] = {static_cast<std::uint32_t>(second), reinterpret_cast<std::uint64_t>(caption)};
  const std::uint64_t showArgs[4] = {0, static_cast<std::uint32_t>(position)};
  Call(product, none);
  Call(init, initArgs);
  Call(add, firstArgs);
  Call(add, secondArgs);
  const std::uint32_t chosen = historyDriver.Run([&] { return Call(show, showArgs); });
  aboutDriver.Run([&] { return Call(about, none); });
  Call(shutdown, none);
#endif
  EXPECT_TRUE(historyDriver.AllStepsRan());
  EXPECT_FALSE(historyDriver.TimedOut());
  EXPECT_TRUE(aboutDriver.AllStepsRan());
  EXPECT_FALSE(aboutDriver.TimedOut());
  EXPECT_EQ(chosen, static_cast<std::uint32_t>(position));  // the result arrives in eax / rax
  // Both rows arrived with their own arguments, in order: the preview of position 2 exported slide 3.
  ASSERT_FALSE(s.presentation.calls.empty());
  EXPECT_EQ(s.presentation.calls.back().name, "Export");
  EXPECT_EQ(s.presentation.calls.back().index, second);
  EXPECT_EQ(s.presentation.References(), 1u);  // the request's copy of the VARIANT was given back
}

}  // namespace
