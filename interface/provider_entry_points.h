// The source-control provider's entry points as the bridge calls them: names and signatures.
#pragma once

#include <windows.h>

// Every entry point takes 32-bit arguments and leaves their removal to the caller (cdecl), so
// an entry that declares fewer parameters than it is given (SccGetVersion takes none but
// receives the context) is still called safely. The first argument is always the provider's
// context; SccInitialize alone receives the address where the provider stores it.
namespace provider {

using SccInitializeFn = LONG(__cdecl*)(void** ppvContext, HWND hWnd, LPCSTR lpCallerName,
                                       LPSTR lpSccName, LONG* lpSccCaps, LPSTR lpAuxPathLabel,
                                       LONG* pnCheckoutCommentLen, LONG* pnCommentLen);
// SccUninitialize, SccGetVersion, SccCloseProject, SccBeginBatch, SccEndBatch.
using SccContextFn = LONG(__cdecl*)(void* pvContext);
// The value is a number or, from SccSetOptionCallback, the address of a callback.
using SccSetOptionFn = LONG(__cdecl*)(void* pvContext, LONG nOption, LONG_PTR dwVal);
using SccGetCommandOptionsFn = LONG(__cdecl*)(void* pvContext, HWND hWnd, LONG iCommand,
                                              LONG* ppvCmdOptions);
using SccOpenProjectFn = LONG(__cdecl*)(void* pvContext, HWND hWnd, LPSTR lpUser, LPCSTR lpProjName,
                                        LPCSTR lpLocalProjPath, LPSTR lpAuxProjPath,
                                        LPCSTR lpComment, void* lpTextOutProc, LONG dwFlags);
using SccGetProjPathFn = LONG(__cdecl*)(void* pvContext, HWND hWnd, LPSTR lpUser, LPSTR lpProjName,
                                        LPSTR lpLocalPath, LPSTR lpAuxProjPath,
                                        BOOL bAllowChangePath, BOOL* pbNew);
// SccCheckin and SccCheckout. The cookie travels in the place of the command-options pointer.
using SccCheckinFn = LONG(__cdecl*)(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames,
                                    LPCSTR lpComment, LONG fOptions, LONG_PTR pvOptions);
// SccUncheckout and SccGet.
using SccUncheckoutFn = LONG(__cdecl*)(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames,
                                       LONG fOptions, LONG_PTR pvOptions);
using SccAddFn = LONG(__cdecl*)(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames,
                                LPCSTR lpComment, LONG* pfOptions, LONG_PTR pvOptions);
using SccQueryInfoFn = LONG(__cdecl*)(void* pvContext, LONG nFiles, LPCSTR* lpFileNames,
                                      LONG* lpStatus);

// Window handles travel as plain 32-bit integers and reach the provider unchanged.
inline HWND ToWindow(LONG hWnd) {
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(hWnd));
}

} // namespace provider
