// The provider behind the server in the benchmark and the soak: every entry point touches what it
// was given and answers as bench_protocol.h says, doing no other work, so that what a call costs
// beyond the platform's marshalling is the bridge's. It also reports its own process's figures.
#include <windows.h>

#include <cstring>
#include <type_traits>

#include "bench_protocol.h"
#include "process_figures.h"
#include "provider_entry_points.h"

namespace {

// Where touched values go, so the compiler cannot drop the reading.
volatile LONG g_touched = 0;

// Reads every byte of `text` (null is nothing); its length.
LONG Touch(const char* text) {
    if (text == nullptr) {
        return 0;
    }
    LONG length = 0;
    LONG sum = 0;
    for (; text[length] != '\0'; ++length) {
        sum += static_cast<unsigned char>(text[length]);
    }
    g_touched = g_touched + sum;
    return length;
}

void TouchNames(LONG count, LPCSTR* names) {
    for (LONG i = 0; names != nullptr && i < count; ++i) {
        Touch(names[i]);
    }
}

// Replaces the text of a buffer of `capacity` bytes after reading what it held.
void Rewrite(char* buffer, size_t capacity, const char* text) {
    Touch(buffer);
    std::strncpy(buffer, text, capacity - 1);
    buffer[capacity - 1] = '\0';
}

} // namespace

#define PROVIDER_ENTRY extern "C" __declspec(dllexport) LONG __cdecl

PROVIDER_ENTRY SccInitialize(void** ppvContext, HWND, LPCSTR lpCallerName, LPSTR lpSccName,
                             LONG* lpSccCaps, LPSTR lpAuxPathLabel, LONG* pnCheckoutCommentLen,
                             LONG* pnCommentLen) {
    static int context;
    Touch(lpCallerName);
    *ppvContext = &context;
    Rewrite(lpSccName, 32, bench::kSccName);
    Rewrite(lpAuxPathLabel, 32, bench::kAuxPathLabel);
    *lpSccCaps = bench::kCaps;
    *pnCheckoutCommentLen = bench::kCheckoutCommentLength;
    *pnCommentLen = bench::kCommentLength;
    return 0;
}

PROVIDER_ENTRY SccUninitialize(void*) {
    return 0;
}

PROVIDER_ENTRY SccGetVersion(void*) {
    return static_cast<LONG>(::GetCurrentProcessId());
}

PROVIDER_ENTRY SccSetOption(void*, LONG nOption, LONG_PTR dwVal) {
    if (nOption == bench::kLeakOption && dwVal > 0) {
        void* kept = ::HeapAlloc(::GetProcessHeap(), 0, static_cast<SIZE_T>(dwVal));
        g_touched = g_touched + (kept != nullptr ? 1 : 0); // never freed: that is the point
    }
    g_touched = g_touched + static_cast<LONG>(dwVal);
    return nOption;
}

PROVIDER_ENTRY SccGetCommandOptions(void*, HWND, LONG iCommand, LONG_PTR* pCookie) {
    if (pCookie != nullptr) {
        *pCookie = iCommand == bench::kPrivateBytesCommand  ? OwnPrivateBytes()
                   : iCommand == bench::kHandleCountCommand ? OwnHandleCount()
                   : iCommand == bench::kHeapBytesCommand   ? OwnHeapBytes()
                                                            : iCommand + 1;
    }
    return 0;
}

PROVIDER_ENTRY SccOpenProject(void*, HWND, LPSTR lpUser, LPCSTR lpProjName, LPCSTR lpLocalProjPath,
                              LPSTR lpAuxProjPath, LPCSTR lpComment, provider::TextOutProc, LONG) {
    Touch(lpProjName);
    Touch(lpLocalProjPath);
    Touch(lpComment);
    Rewrite(lpUser, 32, bench::kUser);
    Rewrite(lpAuxProjPath, 301, bench::kAuxProjPath);
    return 0;
}

PROVIDER_ENTRY SccCloseProject(void*) {
    return 0;
}

PROVIDER_ENTRY SccGetProjPath(void*, HWND, LPSTR lpUser, LPSTR lpProjName, LPSTR lpLocalPath,
                              LPSTR lpAuxProjPath, BOOL, BOOL* pbNew) {
    Rewrite(lpUser, 32, bench::kUser);
    Rewrite(lpProjName, 301, bench::kProjName);
    Rewrite(lpLocalPath, 261, bench::kLocalPath);
    Rewrite(lpAuxProjPath, 301, bench::kAuxProjPath);
    *pbNew = !*pbNew;
    return 0;
}

PROVIDER_ENTRY SccCheckin(void*, HWND, LONG nFiles, LPCSTR* lpFileNames, LPCSTR lpComment, LONG,
                          LONG_PTR) {
    TouchNames(nFiles, lpFileNames);
    Touch(lpComment);
    return nFiles;
}

PROVIDER_ENTRY SccCheckout(void*, HWND, LONG nFiles, LPCSTR* lpFileNames, LPCSTR lpComment, LONG,
                           LONG_PTR) {
    TouchNames(nFiles, lpFileNames);
    Touch(lpComment);
    return nFiles;
}

PROVIDER_ENTRY SccUncheckout(void*, HWND, LONG nFiles, LPCSTR* lpFileNames, LONG, LONG_PTR) {
    TouchNames(nFiles, lpFileNames);
    return nFiles;
}

PROVIDER_ENTRY SccGet(void*, HWND, LONG nFiles, LPCSTR* lpFileNames, LONG fOptions, LONG_PTR) {
    if (fOptions == bench::kFaultOptions) {
        *static_cast<volatile LONG*>(nullptr) = nFiles;
    }
    TouchNames(nFiles, lpFileNames);
    return nFiles;
}

PROVIDER_ENTRY SccAdd(void*, HWND, LONG nFiles, LPCSTR* lpFileNames, LPCSTR lpComment,
                      LONG* pfOptions, LONG_PTR) {
    TouchNames(nFiles, lpFileNames);
    Touch(lpComment);
    for (LONG i = 0; pfOptions != nullptr && i < nFiles; ++i) {
        g_touched = g_touched + pfOptions[i];
    }
    return nFiles;
}

PROVIDER_ENTRY SccQueryInfo(void*, LONG nFiles, LPCSTR* lpFileNames, LONG* lpStatus) {
    for (LONG i = 0; lpFileNames != nullptr && i < nFiles; ++i) {
        lpStatus[i] = Touch(lpFileNames[i]);
    }
    return nFiles;
}

PROVIDER_ENTRY SccEndBatch(void*) {
    return 0;
}

// The exports must keep exactly the shapes the bridge calls them with.
static_assert(std::is_same_v<decltype(&SccInitialize), provider::SccInitializeFn>);
static_assert(std::is_same_v<decltype(&SccGetVersion), provider::SccContextFn>);
static_assert(std::is_same_v<decltype(&SccSetOption), provider::SccSetOptionFn>);
static_assert(std::is_same_v<decltype(&SccGetCommandOptions), provider::SccGetCommandOptionsFn>);
static_assert(std::is_same_v<decltype(&SccOpenProject), provider::SccOpenProjectFn>);
static_assert(std::is_same_v<decltype(&SccGetProjPath), provider::SccGetProjPathFn>);
static_assert(std::is_same_v<decltype(&SccCheckin), provider::SccCheckinFn>);
static_assert(std::is_same_v<decltype(&SccGet), provider::SccUncheckoutFn>);
static_assert(std::is_same_v<decltype(&SccAdd), provider::SccAddFn>);
static_assert(std::is_same_v<decltype(&SccQueryInfo), provider::SccQueryInfoFn>);
