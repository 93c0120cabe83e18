#include "stack_overflow_watch.h"

#include <windows.h>

#include "scoped_resource.h"

namespace {

// The note lives in a TLS slot of its own, not in a thread_local: the handler runs on what is
// left of an overflowed stack, where the compiler's thread-local storage may have to allocate.
// TlsSetValue on an allocated slot writes the thread's own block and nothing else.
DWORD NoteSlot() {
    static const DWORD slot = ::TlsAlloc();
    return slot;
}

LONG CALLBACK NoteOverflow(EXCEPTION_POINTERS* exception) {
    if (exception->ExceptionRecord->ExceptionCode == EXCEPTION_STACK_OVERFLOW) {
        ::TlsSetValue(NoteSlot(), reinterpret_cast<void*>(1));
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

void RemoveHandler(void* handler) {
    ::RemoveVectoredExceptionHandler(handler);
}

// The handler, registered last in the list so that it only notes, and removed at the end of the
// process. Its slot stays allocated until then.
class Watch {
public:
    Watch() {
        if (NoteSlot() != TLS_OUT_OF_INDEXES) {
            handler_.reset(::AddVectoredExceptionHandler(0, &NoteOverflow));
        }
    }

private:
    ScopedResource<void*, &RemoveHandler> handler_;
};

// The stack an overflow leaves for its own handling on x64: the dispatcher's records, the
// vectored handlers, the guard's handler and its unwind all run beyond the exhausted stack, and
// one guard page is not enough for them, so each thread that calls a provider asks for this much.
// The 32-bit dispatcher's frame-based walk fits in what an overflow leaves there.
constexpr ULONG kOverflowRoom = 64 * 1024;

} // namespace

void WatchStackOverflows() {
    static const Watch watch;
    (void)watch;
#if defined(_WIN64)
    thread_local bool roomKept = false;
    if (!roomKept) {
        ULONG room = kOverflowRoom;
        ::SetThreadStackGuarantee(&room);
        roomKept = true;
    }
#endif
}

bool ConsumeStackOverflowNote() {
    const DWORD slot = NoteSlot();
    if (slot == TLS_OUT_OF_INDEXES || ::TlsGetValue(slot) == nullptr) {
        return false;
    }
    ::TlsSetValue(slot, nullptr);
    return true;
}
