#include "exit_status.h"

#include <cwchar>

#include "scc_words.h"
#include "scoped_resource.h"
#include "server_description.h"
#include "win32_error.h"
#include "wrapper_results.h"

namespace {

// The texts name the server of the session's width through two markers: %server% becomes its
// executable, %bits% its width ("32-bit").
constexpr wchar_t kRegister[] =
    L"register the server: \"%server% /RegServer\" as administrator, or "
    L"\"%server% /RegServerPerUser\" for this user only";
constexpr wchar_t kRegisterAgain[] =
    L"register the server again: \"%server% /RegServer\" as administrator, or "
    L"\"/RegServerPerUser\" for this user only";
constexpr wchar_t kProviderDied[] =
    L"run the command again; if it fails the same way, the provider is at fault";

struct KnownHResult {
    HRESULT hr;
    const wchar_t* name;
    const wchar_t* meaning;
    const wchar_t* remedy;
};

// The failures a session meets, first activation, then the loading of the provider, then the
// calls. Codes from a Win32 error are written as the HRESULTs the server returns.
const KnownHResult kKnown[] = {
    {REGDB_E_CLASSNOTREG, L"REGDB_E_CLASSNOTREG", L"the PlimoCOMWrapper server is not registered",
     kRegister},
    {E_NOINTERFACE, L"E_NOINTERFACE",
     L"the server's type library is not registered, so its interface cannot be marshalled",
     kRegisterAgain},
    {REGDB_E_IIDNOTREG, L"REGDB_E_IIDNOTREG", L"the server's interface is not registered",
     kRegisterAgain},
    {TYPE_E_LIBNOTREGISTERED, L"TYPE_E_LIBNOTREGISTERED",
     L"the server's type library is not registered", kRegisterAgain},
    {CO_E_SERVER_EXEC_FAILURE, L"CO_E_SERVER_EXEC_FAILURE",
     L"the server did not start: the registered %server% is missing or failed", kRegisterAgain},
    {E_ACCESSDENIED, L"E_ACCESSDENIED",
     L"access denied: this user may not start the server, or the server may not read the "
     L"provider DLL",
     L"check the machine's COM launch permissions and the provider DLL's file permissions"},
    {HResultFromWin32(ERROR_MOD_NOT_FOUND), L"ERROR_MOD_NOT_FOUND",
     L"the provider DLL, or a DLL it depends on, was not found",
     L"check the provider's path (\"plimo-scc providers\" lists the installed ones)"},
    {HResultFromWin32(ERROR_BAD_EXE_FORMAT), L"ERROR_BAD_EXE_FORMAT",
     L"the provider is not a %bits% DLL", L"name a %bits% source-control provider DLL"},
    {HResultFromWin32(ERROR_DLL_INIT_FAILED), L"ERROR_DLL_INIT_FAILED",
     L"the provider DLL refused to load", L""},
    {kNoProviderEntry, L"ERROR_INVALID_OPERATION",
     L"the provider does not export the entry point this step needs",
     L"this provider cannot do this command"},
    {kProviderBusy, L"RPC_E_SERVERCALL_RETRYLATER",
     L"the server is busy with another call into the provider", L"run the command again"},
    {RPC_E_CALL_REJECTED, L"RPC_E_CALL_REJECTED",
     L"the server is busy with another call into the provider", L"run the command again"},
    {kProviderStackLost, L"ERROR_STACK_OVERFLOW",
     L"an earlier stack overflow in the provider left the server unable to call it safely",
     kProviderDied},
    {E_INVALIDARG, L"E_INVALIDARG", L"the server refused an argument", L""},
    {E_OUTOFMEMORY, L"E_OUTOFMEMORY", L"the server ran out of memory", L""},
    {E_FAIL, L"E_FAIL", L"the provider faulted during the call", kProviderDied},
    {RPC_E_SERVERFAULT, L"RPC_E_SERVERFAULT", L"the provider faulted inside the server",
     kProviderDied},
    {HResultFromWin32(ERROR_NOACCESS), L"ERROR_NOACCESS", L"the provider faulted inside the server",
     kProviderDied},
    {HResultFromWin32(RPC_S_SERVER_UNAVAILABLE), L"RPC_S_SERVER_UNAVAILABLE",
     L"the server process ended during the call", kProviderDied},
    {HResultFromWin32(RPC_S_CALL_FAILED), L"RPC_S_CALL_FAILED",
     L"the server process ended during the call", kProviderDied},
    {RPC_E_DISCONNECTED, L"RPC_E_DISCONNECTED", L"the server process has ended", kProviderDied},
    {CO_E_NOTINITIALIZED, L"CO_E_NOTINITIALIZED", L"COM could not be started in this process", L""},
};

using ScopedLocalText = ScopedResource<wchar_t*, &::LocalFree>;

// The system's own message for `hr`, on one line; empty when it has none.
std::wstring SystemMessage(HRESULT hr) {
    ScopedLocalText text;
    DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(text.put()), 0, nullptr);
    std::wstring message(text.get() != nullptr ? text.get() : L"", length);
    for (wchar_t& c : message) {
        if (c == L'\r' || c == L'\n') {
            c = L' ';
        }
    }
    while (!message.empty() && (message.back() == L' ' || message.back() == L'.')) {
        message.pop_back();
    }
    return message;
}

// `text` with its markers replaced by the words for the server of `serverBits`.
std::wstring ForServer(const wchar_t* text, int serverBits) {
    struct Marker {
        const wchar_t* marker;
        const wchar_t* words;
    };
    const Marker markers[] = {
        {L"%server%", ServerDescriptionFor(serverBits).fileName},
        {L"%bits%", serverBits == 64 ? L"64-bit" : L"32-bit"},
    };
    std::wstring result = text;
    for (const Marker& marker : markers) {
        const size_t length = std::wcslen(marker.marker);
        for (size_t at = result.find(marker.marker); at != std::wstring::npos;
             at = result.find(marker.marker, at)) {
            result.replace(at, length, marker.words);
        }
    }
    return result;
}

} // namespace

HResultText DescribeHResult(HRESULT hr, int serverBits) {
    for (const KnownHResult& known : kKnown) {
        if (known.hr == hr) {
            return {known.name, ForServer(known.meaning, serverBits),
                    ForServer(known.remedy, serverBits)};
        }
    }
    std::wstring meaning = SystemMessage(hr);
    return {L"", meaning.empty() ? L"an unexpected failure" : meaning, L""};
}

std::wstring HResultLine(HRESULT hr, int serverBits) {
    HResultText text = DescribeHResult(hr, serverBits);
    std::wstring line = Hexadecimal(static_cast<unsigned long>(hr));
    if (!text.name.empty()) {
        line += L" " + text.name;
    }
    line += L": " + text.meaning;
    if (!text.remedy.empty()) {
        line += L"; " + text.remedy;
    }
    return line;
}

bool ReachedTheProvider(HRESULT hr) {
    // E_FAIL is the server's guard catching a fault; the next two are COM's own handler doing it
    // (on Windows, and under Wine); RPC_S_CALL_FAILED is the server ending during the call. A
    // structured exception's own status comes through as it stands on some platforms.
    return hr == E_FAIL || hr == RPC_E_SERVERFAULT || hr == HResultFromWin32(ERROR_NOACCESS) ||
           hr == HResultFromWin32(RPC_S_CALL_FAILED) ||
           (static_cast<unsigned long>(hr) & 0xF0000000u) == 0xC0000000u;
}

int SessionExitCode(const SessionResult& result) {
    if (result.failedStep == nullptr) {
        return kExitSuccess;
    }
    if (SUCCEEDED(result.failedHResult) || ReachedTheProvider(result.failedHResult)) {
        return kExitProviderError;
    }
    return result.failedAfterCommand ? kExitNotEnded : kExitNotReached;
}

std::wstring SessionFailureLine(const SessionResult& result, int serverBits) {
    if (result.failedStep == nullptr) {
        return std::wstring();
    }
    std::wstring step = result.failedStep;
    if (result.failedAfterCommand) {
        // No remedy then: running the command again would do its work twice.
        step += L" (after the command had done its work)";
        if (FAILED(result.failedHResult)) {
            const HResultText text = DescribeHResult(result.failedHResult, serverBits);
            return L"plimo-scc: " + step + L": " +
                   Hexadecimal(static_cast<unsigned long>(result.failedHResult)) +
                   (text.name.empty() ? L"" : L" " + text.name) + L": " + text.meaning + L"\n";
        }
    } else if (FAILED(result.failedHResult)) {
        return L"plimo-scc: " + step + L": " + HResultLine(result.failedHResult, serverBits) +
               L"\n";
    }
    std::wstring line = L"plimo-scc: " + step + L" answered " + ResultCode(result.failedCode) +
                        L": " + DescribeResult(result.failedCode).meaning;
    if (result.failedCode == SCC_I_OPERATIONCANCELED) {
        line += L"; the provider may have wanted a window for a dialog, and plimo-scc has none";
    }
    return line + L"\n";
}
