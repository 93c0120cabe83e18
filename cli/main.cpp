// plimo-scc: drives a 32-bit source-control provider from a prompt, a build script or CI,
// through the PlimoCOMWrapper server. One command is one whole session with the provider.
#include <windows.h>

#include <string>
#include <vector>

#include "com_initialization.h"
#include "command_line.h"
#include "console_output.h"
#include "exit_status.h"
#include "full_path.h"
#include "image_machine.h"
#include "provider_registry.h"
#include "proxy_commands.h"
#include "report.h"
#include "scc_session.h"
#include "terminal_text.h"

namespace {

// The reason may quote the machine's list of providers, which their installers wrote.
int UsageError(const std::wstring& reason) {
    WriteError(L"plimo-scc: " + TerminalText(reason) + L"\n" + UsageText());
    return kExitUsage;
}

int ListProviders(bool json) {
    std::vector<InstalledProvider> providers;
    HRESULT hr = ListInstalledProviders(&providers);
    if (FAILED(hr)) {
        WriteError(L"plimo-scc: cannot read the machine's list of providers: " + HResultLine(hr) +
                   L"\n");
        return kExitUsage;
    }
    WriteOut(FormatProviders(providers, json));
    return kExitSuccess;
}

// The request for the session, with every path made full: the server runs in another folder.
bool MakeRequest(const Invocation& invocation, const ProviderChoice& provider,
                 SessionRequest* request, std::wstring* error) {
    request->command = invocation.command;
    request->providerPath = provider.path;
    request->project = invocation.project;
    request->auxPath = invocation.auxPath;
    request->user = invocation.user;
    request->comment = invocation.hasComment ? invocation.comment.c_str() : nullptr;
    if (!WorksOnFiles(invocation.command)) {
        return true;
    }
    request->localPath = FullPath(invocation.localPath);
    if (request->localPath.empty()) {
        *error = L"not a path: " + invocation.localPath;
        return false;
    }
    size_t folders = 0;
    for (const std::wstring& file : invocation.files) {
        request->files.push_back(FullPath(file));
        if (request->files.back().empty()) {
            *error = L"not a path: " + file;
            return false;
        }
        const DWORD attributes = ::GetFileAttributesW(request->files.back().c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            ++folders;
        }
    }
    // A list is of files or of folders: the provider is told which, for all of them.
    request->folders = folders == request->files.size();
    if (invocation.command == Command::List && folders != 0 && !request->folders) {
        *error = L"list takes files or folders, not both";
        return false;
    }
    return true;
}

// The server that runs the provider: the one of the provider DLL's width, read from its PE header,
// or the one --server names. A provider that server could never load is refused before any
// server is started. A file that is no image at all goes on to the server (the 32-bit one, unless
// named), which says what is wrong with it.
bool ChooseServer(const Invocation& invocation, const ProviderChoice& provider, int* bits,
                  std::wstring* error) {
    WORD machine = 0;
    const bool known = SUCCEEDED(ReadImageMachine(provider.path, &machine));
    const int width = !known ? 0 : ServerBitsFor(machine) != 0 ? ServerBitsFor(machine) : -1;
    if (width < 0) {
        *error = provider.path + L" is a " + MachineName(machine) +
                 L" DLL; no PlimoCOMWrapper server can load it (they load 32-bit x86 and 64-bit "
                 L"x64 providers)";
        return false;
    }
    *bits = invocation.server.empty() ? (width != 0 ? width : 32) : std::stoi(invocation.server);
    if (width != 0 && width != *bits) {
        *error = provider.path + L" is a " + MachineName(machine) + L" DLL; the " +
                 std::to_wstring(*bits) + L"-bit server loads " + std::to_wstring(*bits) +
                 L"-bit providers only";
        return false;
    }
    return true;
}

int RunProviderCommand(const Invocation& invocation) {
    const bool version = invocation.command == Command::Version;
    ProviderChoice provider;
    std::wstring error;
    if (!ChooseProvider(invocation.provider, &provider, &error)) {
        // Without a provider to ask, `version` still tells the product's own version.
        if (version && invocation.provider.empty()) {
            WriteOut(FormatProductVersion(invocation.json));
            return kExitSuccess;
        }
        return UsageError(error);
    }
    SessionRequest request;
    if (!ChooseServer(invocation, provider, &request.serverBits, &error) ||
        !MakeRequest(invocation, provider, &request, &error)) {
        return UsageError(error);
    }
    // The provider's messages are shown as they come, before the command's own output.
    request.onMessage = [](const ProviderMessage& message) {
        WriteError(FormatProviderMessage(message));
    };
    if (version && !invocation.json) {
        WriteOut(FormatProductVersion(false));
    }
    SessionResult result;
    // RunSession needs COM on this thread as a single-threaded apartment.
    ComInitialization com;
    const HRESULT initialized = com.Initialize(COINIT_APARTMENTTHREADED);
    if (FAILED(initialized)) {
        WriteError(L"plimo-scc: starting COM: " + HResultLine(initialized) + L"\n");
        return kExitNotReached;
    }
    RunSession(request, &result);
    const int exitCode = SessionExitCode(result);
    // Output only from a session that reached the provider: there is nothing else to show.
    if (exitCode != kExitNotReached) {
        WriteOut(FormatSession(invocation, provider, request, result));
    }
    WriteError(SessionFailureLine(result, request.serverBits));
    return exitCode;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::vector<std::wstring> args(argv + 1, argv + argc);
    // The proxy's commands set up the registry and start no session: a grammar of their own.
    if (!args.empty() && args[0] == L"proxy") {
        return RunProxyCommand(std::vector<std::wstring>(args.begin() + 1, args.end()));
    }
    Invocation invocation;
    std::wstring error;
    if (!ParseCommandLine(args, &invocation, &error)) {
        return UsageError(error);
    }
    switch (invocation.command) {
    case Command::Help:
        WriteOut(UsageText());
        return kExitSuccess;
    case Command::Providers:
        return ListProviders(invocation.json);
    default:
        return RunProviderCommand(invocation);
    }
}
