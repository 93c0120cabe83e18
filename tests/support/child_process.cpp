#include "child_process.h"

#include <sstream>
#include <thread>
#include <vector>

namespace {

PROCESS_INFORMATION Launch(const std::wstring& commandLine, HANDLE output) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (output != nullptr) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = output;
        startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
        startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
    }
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, line.data(), nullptr, nullptr, output != nullptr, 0, nullptr,
                          nullptr, &startup, &process)) {
        return PROCESS_INFORMATION{};
    }
    return process;
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

ChildResult RunChild(const std::wstring& commandLine, bool captureOutput) {
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
    PROCESS_INFORMATION launched = Launch(commandLine, writeEnd.get());
    ScopedHandle process(launched.hProcess), thread(launched.hThread);
    writeEnd.reset();
    if (!process) {
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
    result.finished = WaitForExit(process.get(), kProcessTimeoutMs, &result.exitCode);
    if (!result.finished) {
        ::TerminateProcess(process.get(), 1);
        ::WaitForSingleObject(process.get(), kProcessTimeoutMs);
    }
    if (reader.joinable()) {
        reader.join();
    }
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
