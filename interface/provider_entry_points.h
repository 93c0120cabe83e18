// The source-control provider's entry points as the bridge calls them and the proxy exports them:
// their signatures and callbacks. The interface's published values are in provider_values.h.
#pragma once

#include <windows.h>

#include "provider_values.h"

// Every entry point leaves the removal of its arguments to the caller (cdecl), so an entry that
// declares fewer parameters than it is given (SccGetVersion takes none but receives the context)
// is still called safely. Handles, pointers and the options pointer are pointer-sized, the rest
// 32-bit at either width. The first argument is always the provider's context; SccInitialize
// alone receives the address where the provider stores it.
namespace provider {

using SccInitializeFn = LONG(__cdecl*)(void** ppvContext, HWND hWnd, LPCSTR lpCallerName,
                                       LPSTR lpSccName, LONG* lpSccCaps, LPSTR lpAuxPathLabel,
                                       LONG* pnCheckoutCommentLen, LONG* pnCommentLen);
// SccUninitialize, SccGetVersion, SccCloseProject, SccBeginBatch, SccEndBatch.
using SccContextFn = LONG(__cdecl*)(void* pvContext);
// The value is a number or, from SccSetOptionCallback, the address of a callback.
using SccSetOptionFn = LONG(__cdecl*)(void* pvContext, LONG nOption, LONG_PTR dwVal);
// The provider writes its command options' cookie, pointer-sized (the address of its options).
using SccGetCommandOptionsFn = LONG(__cdecl*)(void* pvContext, HWND hWnd, LONG iCommand,
                                              LONG_PTR* ppvCmdOptions);
// Text output for an open project: a message and its type (SCC_MSG_...), answered with
// SCC_MSG_RTN_OK or SCC_MSG_RTN_CANCEL.
using TextOutProc = LONG(__cdecl*)(LPCSTR lpMessage, DWORD dwMessageType);
using SccOpenProjectFn = LONG(__cdecl*)(void* pvContext, HWND hWnd, LPSTR lpUser, LPCSTR lpProjName,
                                        LPCSTR lpLocalProjPath, LPSTR lpAuxProjPath,
                                        LPCSTR lpComment, TextOutProc lpTextOutProc, LONG dwFlags);
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

// The rest of the provider interface (its version 1.3).
// SccRemove: files, comment, options.
using SccRemoveFn = LONG(__cdecl*)(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames,
                                   LPCSTR lpComment, LONG fOptions, LONG_PTR pvOptions);
using SccRenameFn = LONG(__cdecl*)(void* pvContext, HWND hWnd, LPCSTR lpFileName, LPCSTR lpNewName);
// SccDiff on a file, SccDirDiff on a folder.
using SccDiffFn = LONG(__cdecl*)(void* pvContext, HWND hWnd, LPCSTR lpName, LONG fOptions,
                                 LONG_PTR pvOptions);
using SccHistoryFn = LONG(__cdecl*)(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames,
                                    LONG fOptions, LONG_PTR pvOptions);
using SccPropertiesFn = LONG(__cdecl*)(void* pvContext, HWND hWnd, LPCSTR lpFileName);
using SccRunSccFn = LONG(__cdecl*)(void* pvContext, HWND hWnd, LONG nFiles, LPCSTR* lpFileNames);
// The provider writes a file name of up to _MAX_PATH bytes, its status and how many events remain.
using SccGetEventsFn = LONG(__cdecl*)(void* pvContext, LPSTR lpFileName, LONG* lpStatus,
                                      LONG* pnEventsRemaining);
// Called once to get the provider's own list of names, and again with a null list pointer and
// the same count, for the provider to free it.
using SccAddFromSccFn = LONG(__cdecl*)(void* pvContext, HWND hWnd, LONG* pnFiles,
                                       LPCSTR** lplpFileNames);
using SccDirQueryInfoFn = LONG(__cdecl*)(void* pvContext, LONG nDirs, LPCSTR* lpDirNames,
                                         LONG* lpStatus);
using SccGetExtendedCapabilitiesFn = LONG(__cdecl*)(void* pvContext, LONG lSccExCap,
                                                    BOOL* pbSupported);
using SccCreateSubProjectFn = LONG(__cdecl*)(void* pvContext, HWND hWnd, LPSTR lpUser,
                                             LPCSTR lpParentProjPath, LPCSTR lpSubProjName,
                                             LPSTR lpAuxProjPath, LPSTR lpSubProjPath);
using SccGetParentProjectPathFn = LONG(__cdecl*)(void* pvContext, HWND hWnd, LPSTR lpUser,
                                                 LPCSTR lpProjPath, LPSTR lpAuxProjPath,
                                                 LPSTR lpParentProjPath);
using SccIsMultiCheckoutEnabledFn = LONG(__cdecl*)(void* pvContext, BOOL* pbMultiCheckout);
using SccWillCreateSccFileFn = LONG(__cdecl*)(void* pvContext, LONG nFiles, LPCSTR* lpFileNames,
                                              BOOL* pbSccFiles);
using SccEnumChangedFilesFn = LONG(__cdecl*)(void* pvContext, HWND hWnd, LONG cFiles,
                                             LPCSTR* lpFileNames, LONG* plEvent);
using SccGetUserOptionFn = LONG(__cdecl*)(void* pvContext, LONG nOption, LONG* lpVal);
using SccBackgroundGetFn = LONG(__cdecl*)(void* pvContext, LONG nFiles, LPCSTR* lpFileNames,
                                          LONG dwFlags, LONG dwBackgroundOperationID);

// The provider's callbacks. Each returns to the provider whether it should go on.
// One file of SccPopulateList: whether the caller keeps it in its list, its status, its name.
using PopulateListProc = BOOL(__cdecl*)(void* pvCallerData, BOOL bAddKeep, LONG nStatus,
                                        LPCSTR lpFileName);
// One folder or file of SccPopulateDirList.
using PopulateDirListProc = BOOL(__cdecl*)(void* pvCallerData, BOOL bFolder, LPCSTR lpName);
// One change of SccQueryChanges, described by this record.
struct QueryChangesData {
    DWORD dwSize;
    LPCSTR lpFileName;
    DWORD dwChangeType;
    LPCSTR lpLatestName;
};
using QueryChangesProc = BOOL(__cdecl*)(void* pvCallerData, QueryChangesData* pChangesData);

using SccPopulateListFn = LONG(__cdecl*)(void* pvContext, LONG nCommand, LONG nFiles,
                                         LPCSTR* lpFileNames, PopulateListProc pfnPopulate,
                                         void* pvCallerData, LONG* lpStatus, LONG fOptions);
using SccQueryChangesFn = LONG(__cdecl*)(void* pvContext, LONG nFiles, LPCSTR* lpFileNames,
                                         QueryChangesProc pfnCallback, void* pvCallerData);
using SccPopulateDirListFn = LONG(__cdecl*)(void* pvContext, LONG nDirs, LPCSTR* lpDirPaths,
                                            PopulateDirListProc pfnPopulate, void* pvCallerData,
                                            LONG dwFlags);

// Window handles travel as plain 32-bit integers and reach the provider unchanged.
inline HWND ToWindow(LONG hWnd) {
    return reinterpret_cast<HWND>(static_cast<LONG_PTR>(hWnd));
}

} // namespace provider
