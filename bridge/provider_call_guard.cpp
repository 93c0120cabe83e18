// The compiler-specific half of the provider guard: one branch per compiler and processor.
#include "provider_call_guard.h"

#include <windows.h>
#include <malloc.h>

#include "stack_overflow_watch.h"

namespace {

StackReset stackReset = &::_resetstkoflw;
thread_local bool stackLost = false;

// Puts back the guard page once an overflow has been noted on this thread, or seen by the guard
// itself. Runs only where the stack has unwound, well above the overflow: nowhere else can the
// used-up page be put back.
void RecoverStack(bool overflowSeen) {
    if ((ConsumeStackOverflowNote() || overflowSeen) && stackReset() == 0) {
        stackLost = true;
    }
}

} // namespace

bool GuardedStackLost() {
    return stackLost;
}

bool ProviderStackUsable() {
    WatchStackOverflows();
    RecoverStack(false);
    return !stackLost;
}

StackReset SetStackReset(StackReset reset) {
    StackReset previous = stackReset;
    stackReset = reset != nullptr ? reset : &::_resetstkoflw;
    return previous;
}

#if defined(_MSC_VER)

bool CallGuarded(GuardedCall call, void* argument) {
    WatchStackOverflows();
    DWORD code = 0;
    bool returned = false;
    __try {
        call(argument);
        returned = true;
    } __except (code = GetExceptionCode(), EXCEPTION_EXECUTE_HANDLER) {
    }
    RecoverStack(code == EXCEPTION_STACK_OVERFLOW);
    return returned;
}

void CallObserved(GuardedCall call, GuardedCall abandoned, void* argument) {
    bool returned = false;
    __try {
        call(argument);
        returned = true;
    } __finally {
        if (!returned) {
            abandoned(argument);
        }
    }
}

#elif defined(__GNUC__) && defined(__i386__)

// g++ has no __try/__except, so the guard registers its own frame on the thread's fs:[0] chain,
// as the compiler would. It is written in assembly because the recovery point must not depend on
// registers the faulting code has changed: the caller's ebx, esi and edi are saved on the stack
// and the handler restores only esp and ebp before it jumps back.
//
// The registration record lies in the guard's own stack frame (the dispatcher ignores records
// off the thread's stack):
//   0  previous record     4  handler
//   8  esp to resume with  12 ebp to resume with
//   16 where the handler stores the exception's code
//
// The handler declines unwinds. For an exception it first unwinds every frame registered above
// its own (the provider's termination handlers run and the records go), then leaves the
// dispatcher's frames behind by resuming at the recovery point, as __except does. Returning
// ExceptionContinueExecution instead would not do for exceptions raised as non-continuable.
extern "C" int PlimoGuardedCall(GuardedCall call, void* argument, DWORD* code);

// The observing frame's record: 0 previous record, 4 handler, 8 `abandoned`, 12 its argument.
// Its handler only ever declines; in an unwind it calls `abandoned` on the way.
extern "C" void PlimoObservedCall(GuardedCall call, GuardedCall abandoned, void* argument);

asm(R"(
    .text
    .p2align 4
    .globl _PlimoGuardedCall
    .def _PlimoGuardedCall; .scl 2; .type 32; .endef
_PlimoGuardedCall:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    subl $20, %esp
    movl %esp, 8(%esp)
    movl %ebp, 12(%esp)
    movl 16(%ebp), %eax
    movl %eax, 16(%esp)
    movl $_PlimoGuardHandler, 4(%esp)
    movl %fs:0, %eax
    movl %eax, (%esp)
    movl %esp, %fs:0
    pushl 12(%ebp)
    call *8(%ebp)
    addl $4, %esp
    movl $1, %eax
    jmp 1f
_PlimoGuardRecovery:
    xorl %eax, %eax
1:
    movl (%esp), %edx
    movl %edx, %fs:0
    addl $20, %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret

    .p2align 4
    .def _PlimoGuardHandler; .scl 3; .type 32; .endef
_PlimoGuardHandler:
    movl 4(%esp), %eax
    testl $6, 4(%eax)
    jnz 2f
    movl 8(%esp), %edx
    movl 16(%edx), %ecx
    pushl (%eax)
    popl (%ecx)
    pushl %edx
    pushl $0
    pushl %eax
    pushl $3f
    pushl %edx
    call _RtlUnwind@16
3:
    popl %edx
    movl 8(%edx), %esp
    movl 12(%edx), %ebp
    cld
    jmp _PlimoGuardRecovery
2:
    movl $1, %eax
    ret

    .p2align 4
    .globl _PlimoObservedCall
    .def _PlimoObservedCall; .scl 2; .type 32; .endef
_PlimoObservedCall:
    pushl %ebp
    movl %esp, %ebp
    subl $16, %esp
    movl 12(%ebp), %eax
    movl %eax, 8(%esp)
    movl 16(%ebp), %eax
    movl %eax, 12(%esp)
    movl $_PlimoObserveHandler, 4(%esp)
    movl %fs:0, %eax
    movl %eax, (%esp)
    movl %esp, %fs:0
    pushl 16(%ebp)
    call *8(%ebp)
    addl $4, %esp
    movl (%esp), %edx
    movl %edx, %fs:0
    leave
    ret

    .p2align 4
    .def _PlimoObserveHandler; .scl 3; .type 32; .endef
_PlimoObserveHandler:
    movl 4(%esp), %eax
    testl $6, 4(%eax)
    jz 4f
    movl 8(%esp), %edx
    pushl 12(%edx)
    call *8(%edx)
    addl $4, %esp
4:
    movl $1, %eax
    ret
)");

#elif defined(__GNUC__) && defined(__x86_64__)

// x64 keeps no chain of handlers on the stack: the dispatcher finds a routine's handler in the
// image's unwind tables, by the address the routine runs at. So each guard is a routine of its
// own, in assembly, whose unwind information names a handler (the .seh_handler directive), as
// the compiler's __except and __finally would.
//
// PlimoGuardedCall's handler records the exception's code and unwinds to the routine's recovery
// point with RtlUnwindEx: every frame beneath it is unwound (the provider's termination handlers
// run), and the routine returns 0. Both routines keep what their handler needs in their frame,
// above the callee's home area; the handler finds it from its establisher frame, which is rsp
// after the prologue:
//   PlimoGuardedCall   32 where the exception's code goes
//   PlimoObservedCall  32 `abandoned`, 40 its argument
extern "C" int PlimoGuardedCall(GuardedCall call, void* argument, DWORD* code);
extern "C" void PlimoGuardRecovery();
extern "C" void PlimoObservedCall(GuardedCall call, GuardedCall abandoned, void* argument);

// Declines unwinds; for an exception it unwinds to the recovery point and never returns.
extern "C" EXCEPTION_DISPOSITION PlimoGuardHandler(EXCEPTION_RECORD* record, void* frame,
                                                   CONTEXT* context, DISPATCHER_CONTEXT* dispatch) {
    if ((record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0) {
        return ExceptionContinueSearch;
    }
    DWORD* code = *reinterpret_cast<DWORD**>(static_cast<char*>(frame) + 32);
    *code = record->ExceptionCode;
    ::RtlUnwindEx(frame, reinterpret_cast<void*>(&PlimoGuardRecovery), record, nullptr, context,
                  dispatch->HistoryTable);
    return ExceptionContinueSearch; // not reached: the unwind resumes at the recovery point
}

// Only ever declines; in an unwind that passes the frame it calls `abandoned` on the way.
extern "C" EXCEPTION_DISPOSITION PlimoObserveHandler(EXCEPTION_RECORD* record, void* frame,
                                                     CONTEXT*, DISPATCHER_CONTEXT*) {
    if ((record->ExceptionFlags & EXCEPTION_UNWINDING) != 0) {
        char* slots = static_cast<char*>(frame);
        const GuardedCall abandoned = *reinterpret_cast<GuardedCall*>(slots + 32);
        abandoned(*reinterpret_cast<void**>(slots + 40));
    }
    return ExceptionContinueSearch;
}

asm(R"(
    .text
    .p2align 4
    .globl PlimoGuardedCall
    .globl PlimoGuardRecovery
    .def PlimoGuardedCall; .scl 2; .type 32; .endef
    .seh_proc PlimoGuardedCall
PlimoGuardedCall:
    pushq %rbp
    .seh_pushreg %rbp
    subq $48, %rsp
    .seh_stackalloc 48
    .seh_endprologue
    movq %r8, 32(%rsp)
    movq %rcx, %rax
    movq %rdx, %rcx
    callq *%rax
    movl $1, %eax
    jmp 1f
PlimoGuardRecovery:
    xorl %eax, %eax
1:
    addq $48, %rsp
    popq %rbp
    retq
    .seh_handler PlimoGuardHandler, @except
    .seh_endproc

    .p2align 4
    .globl PlimoObservedCall
    .def PlimoObservedCall; .scl 2; .type 32; .endef
    .seh_proc PlimoObservedCall
PlimoObservedCall:
    pushq %rbp
    .seh_pushreg %rbp
    subq $48, %rsp
    .seh_stackalloc 48
    .seh_endprologue
    movq %rdx, 32(%rsp)
    movq %r8, 40(%rsp)
    movq %rcx, %rax
    movq %r8, %rcx
    callq *%rax
    nop
    addq $48, %rsp
    popq %rbp
    retq
    .seh_handler PlimoObserveHandler, @unwind
    .seh_endproc
)");

#else
#error "no structured-exception guard for this compiler and processor"
#endif

#if !defined(_MSC_VER)

// The guard and the observer of both GNU branches, over their assembly routines.
bool CallGuarded(GuardedCall call, void* argument) {
    WatchStackOverflows();
    DWORD code = 0;
    const bool returned = PlimoGuardedCall(call, argument, &code) != 0;
    RecoverStack(code == EXCEPTION_STACK_OVERFLOW);
    return returned;
}

void CallObserved(GuardedCall call, GuardedCall abandoned, void* argument) {
    PlimoObservedCall(call, abandoned, argument);
}

#endif
