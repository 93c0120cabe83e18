// Paths of files that the build places beside the test programs.
#pragma once

#include <windows.h>

#include <string>

// The full Windows path of `fileName` in the folder of the running test program.
inline std::wstring BesideTest(const wchar_t* fileName) {
    wchar_t self[MAX_PATH];
    DWORD length = ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self, length);
    path.erase(path.find_last_of(L"\\/") + 1);
    return path + fileName;
}

inline std::wstring FolderOf(const std::wstring& path) {
    return path.substr(0, path.find_last_of(L"\\/"));
}

constexpr wchar_t kTestProvider[] = L"plimo_test_provider.dll";
constexpr wchar_t kSparseTestProvider[] = L"plimo_sparse_test_provider.dll";
constexpr wchar_t kUnclosingTestProvider[] = L"plimo_unclosing_test_provider.dll";
constexpr wchar_t kQueueingTestProvider[] = L"plimo_queueing_test_provider.dll";
