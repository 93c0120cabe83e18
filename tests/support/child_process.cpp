#include "child_process.h"

#include <sstream>
#include <thread>
#include <vector>

namespace {

PROCESS_INFORMATION Launch(const std::wstring& commandLine, HANDLE output, HANDLE errors = nullptr,
                           const wchar_t* directory = nullptr) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (output != nullptr) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output;
        startup.hStdError = errors != nullptr ? errors : ::GetStdHandle(STD_ERROR_HANDLE);
        startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    }
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, output != nullptr, 0, nullptr,
                          directory, &startup, &process)) {
        return PROCESS_INFORMATION{};
    }
    return process;
}

// Reads `file` from its start to its end.
std::string ReadFromStart(HANDLE file) {
    std::string text;
    ::SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        text.append(buffer, got);
    }
    return text;
}

} // namespace

bool WaitForExit(HANDLE process, DWORD milliseconds, DWORD* exitCode) {
    if (::WaitForSingleObject(process, milliseconds) != WAIT_OBJECT_0) {
        return false;
    }
    return ::GetExitCodeProcess(process, exitCode) != FALSE;
}

ScopedHandle StartChild(const std::wstring& commandLine) {
    PROCESS_INFORMATION process = Launch(commandLine, nullptr);
    ScopedHandle thread(process.hThread);
    return ScopedHandle(process.hProcess);
}

namespace {

// Runs to the end with standard output read from a pipe; standard error goes to `errors` (null:
// this process's own).
ChildResult Run(const std::wstring& commandLine, bool captureOutput, HANDLE errors,
                const wchar_t* directory, DWORD timeoutMs = kProcessTimeoutMs) {
    ChildResult result;
    ScopedHandle readEnd, writeEnd;
    if (captureOutput) {
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE r = nullptr, w = nullptr;
        if (!::CreatePipe(&r, &w, &inherit, 0)) {
            return result;
        }
        readEnd.reset(r);
        writeEnd.reset(w);
        ::SetHandleInformation(r, HANDLE_FLAG_INHERIT, 0);
    }
    PROCESS_INFORMATION launched = Launch(commandLine, writeEnd.get(), errors, directory);
    ScopedHandle process(launched.hProcess), thread(launched.hThread);
    writeEnd.reset();
    if (!process) {
        result.startError = ::GetLastError();
        return result;
    }
    result.processId = launched.dwProcessId;
    // The output is read beside the wait, so a child that hangs is still ended at the deadline;
    // its end closes the pipe's last write end, which ends the reading.
    std::thread reader;
    if (captureOutput) {
        reader = std::thread([&] {
            char buffer[4096];
            DWORD got = 0;
            while (::ReadFile(readEnd.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) {
                result.output.append(buffer, got);
            }
        });
    }
    result.finished = WaitForExit(process.get(), timeoutMs, &result.exitCode);
    if (!result.finished) {
        ::TerminateProcess(process.get(), 1);
        ::WaitForSingleObject(process.get(), kProcessTimeoutMs);
    }
    if (reader.joinable()) {
        reader.join();
    }
    return result;
}

} // namespace

ChildResult RunChild(const std::wstring& commandLine, bool captureOutput, DWORD timeoutMs) {
    return Run(commandLine, captureOutput, nullptr, nullptr, timeoutMs);
}

ChildResult RunChildInFolder(const std::wstring& commandLine, const std::wstring& directory) {
    // Standard error goes to a file rather than a second pipe: a child that fills one pipe
    // while the test reads the other would never end. The name is this process's own, one per
    // run, so that no file of an earlier run that is still being deleted stands in the way.
    static LONG runs = 0;
    wchar_t folder[MAX_PATH];
    if (::GetTempPathW(MAX_PATH, folder) == 0) {
        return ChildResult{false, 0, 0, {}, {}, ::GetLastError()};
    }
    const std::wstring name = std::wstring(folder) + L"child-errors-" +
                              std::to_wstring(::GetCurrentProcessId()) + L"-" +
                              std::to_wstring(::InterlockedIncrement(&runs)) + L".txt";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE file =
        ::CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                      CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ScopedHandle errors(file == INVALID_HANDLE_VALUE ? nullptr : file);
    if (!errors) {
        return ChildResult{false, 0, 0, {}, {}, ::GetLastError()};
    }
    ChildResult result = Run(commandLine, true, errors.get(), directory.c_str());
    result.errors = ReadFromStart(errors.get());
    return result;
}

std::map<std::string, std::string> ParseKeyValues(const std::string& output) {
    std::map<std::string, std::string> values;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        auto equals = line.find('=');
        if (equals != std::string::npos) {
            values[line.substr(0, equals)] = line.substr(equals + 1);
        }
    }
    return values;
}

std::wstring Quoted(const std::wstring& path) {
    return L"\"" + path + L"\"";
}
