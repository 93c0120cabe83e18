// The compiler-specific half of the test provider: its own structured-exception handler, one
// branch per compiler and processor. In the GNU branches the fault is a known two-byte store
// through a null pointer (movl %ecx, (%ecx) with ecx zero): the handler takes the exception that
// instruction raised, whatever the platform calls it (32-bit code under emulation reports an
// illegal instruction), and resumes right after it with eax set to say it saw the fault.
#include "own_fault.h"

#include <windows.h>

#if defined(_MSC_VER)

bool RaiseAndHandleOwnFault() {
    __try {
        *static_cast<volatile int*>(nullptr) = 1;
    } __except (GetExceptionCode() == EXCEPTION_ACCESS_VIOLATION ? EXCEPTION_EXECUTE_HANDLER
                                                                 : EXCEPTION_CONTINUE_SEARCH) {
        return true;
    }
    return false;
}

#elif defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))

namespace {

constexpr DWORD kFaultLength = 2;

} // namespace

// The faulting store of PlimoOwnFault, below.
extern "C" char PlimoOwnFaultStore[];

// Handles the exception of the store and declines anything else, unwinds included.
extern "C" EXCEPTION_DISPOSITION PlimoOwnFaultHandler(EXCEPTION_RECORD* record, void*,
                                                      CONTEXT* context, void*) {
    if ((record->ExceptionFlags & (EXCEPTION_UNWINDING | EXCEPTION_EXIT_UNWIND)) != 0 ||
        record->ExceptionAddress != PlimoOwnFaultStore) {
        return ExceptionContinueSearch;
    }
#if defined(__i386__)
    context->Eip += kFaultLength;
    context->Eax = 1;
#else
    context->Rip += kFaultLength;
    context->Rax = 1;
#endif
    return ExceptionContinueExecution;
}

// Returns 1 when the handler saw the fault, 0 when the store went through.
extern "C" int PlimoOwnFault();

#if defined(__i386__)

// The handler's registration record lies on this routine's stack, at the head of the thread's
// fs:[0] chain: beneath every handler of the caller, so it sees the fault first.
asm(R"(
    .text
    .p2align 4
    .globl _PlimoOwnFault
    .globl _PlimoOwnFaultStore
    .def _PlimoOwnFault; .scl 2; .type 32; .endef
_PlimoOwnFault:
    pushl $_PlimoOwnFaultHandler
    pushl %fs:0
    movl %esp, %fs:0
    xorl %eax, %eax
    xorl %ecx, %ecx
_PlimoOwnFaultStore:
    movl %ecx, (%ecx)
    popl %fs:0
    addl $4, %esp
    ret
)");

#else

// x64 keeps no chain of handlers on the stack: the dispatcher finds the routine's handler in the
// image's unwind tables (the .seh_handler directive), as it would a compiler's __except.
asm(R"(
    .text
    .p2align 4
    .globl PlimoOwnFault
    .globl PlimoOwnFaultStore
    .def PlimoOwnFault; .scl 2; .type 32; .endef
    .seh_proc PlimoOwnFault
PlimoOwnFault:
    subq $40, %rsp
    .seh_stackalloc 40
    .seh_endprologue
    xorl %eax, %eax
    xorl %ecx, %ecx
PlimoOwnFaultStore:
    movl %ecx, (%rcx)
    addq $40, %rsp
    retq
    .seh_handler PlimoOwnFaultHandler, @except
    .seh_endproc
)");

#endif

bool RaiseAndHandleOwnFault() {
    return PlimoOwnFault() != 0;
}

#else
#error "no structured-exception handler for this compiler and processor"
#endif
