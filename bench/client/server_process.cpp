#include "server_process.h"

#include <sstream>
#include <vector>

std::wstring BesideProgram(const wchar_t* fileName) {
    wchar_t self[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    path.erase(path.find_last_of(L"\\/") + 1);
    return path + fileName;
}

ProgramRun RunProgram(const std::wstring& commandLine, bool captureOutput) {
    ProgramRun run;
    ScopedHandle readEnd, writeEnd;
    if (captureOutput) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE r = nullptr, w = nullptr;
        if (!::CreatePipe(&r, &w, &inherit, 0)) {
            return run;
        }
        readEnd.reset(r);
        writeEnd.reset(w);
        ::SetHandleInformation(r, HANDLE_FLAG_INHERIT, 0);
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (captureOutput) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = writeEnd.get();
        startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
        startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    }
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    PROCESS_INFORMATION started{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, captureOutput, 0, nullptr,
                          nullptr, &startup, &started)) {
        return run;
    }
    ScopedHandle process(started.hProcess), thread(started.hThread);
    writeEnd.reset();
    if (captureOutput) {
        // The child's end closes the pipe's last write end, which ends this loop.
        char buffer[4096];
        DWORD got = 0;
        while (::ReadFile(readEnd.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
            run.output.append(buffer, got);
        }
    }
    run.finished = ::WaitForSingleObject(process.get(), kProgramTimeoutMs) == WAIT_OBJECT_0 &&
                   ::GetExitCodeProcess(process.get(), &run.exitCode);
    if (!run.finished) {
        ::TerminateProcess(process.get(), 1);
        ::WaitForSingleObject(process.get(), kProgramTimeoutMs);
    }
    return run;
}

std::map<std::string, std::string> KeyValues(const std::string& output) {
    std::map<std::string, std::string> values;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const auto equals = line.find('=');
        if (equals != std::string::npos) {
            values[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return values;
}

HRESULT RegisterServer() {
    ProgramRun run =
        RunProgram(L"\"" + BesideProgram(L"PlimoCOMWrapper.exe") + L"\" /RegServer", false);
    if (!run.finished) {
        return E_FAIL;
    }
    return static_cast<HRESULT>(run.exitCode);
}

HRESULT Activate(const CLSID& clsid, ScopedInterface<IPlimoWrapper>* wrapper) {
    return ::CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IPlimoWrapper,
                              reinterpret_cast<void**>(wrapper->put()));
}

bool ReleaseAndWaitForEnd(ScopedInterface<IPlimoWrapper>* wrapper, DWORD serverId,
                          DWORD* exitCode) {
    ScopedHandle server(
        ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, serverId));
    wrapper->reset();
    if (!server) {
        return false;
    }
    return ::WaitForSingleObject(server.get(), kServerExitTimeoutMs) == WAIT_OBJECT_0 &&
           ::GetExitCodeProcess(server.get(), exitCode);
}
