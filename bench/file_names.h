// The file names that benchmark and soak calls carry, of a realistic shape.
#pragma once

#include <cwchar>
#include <string>
#include <vector>

// `count` names, each like C:\work\project\src\module_004\file_00412.cpp.
inline std::vector<std::wstring> FileNames(long count) {
    std::vector<std::wstring> names;
    for (long i = 0; i < count; ++i) {
        wchar_t name[64];
        std::swprintf(name, sizeof name / sizeof name[0],
                      L"C:\\work\\project\\src\\module_%03ld\\file_%05ld.cpp", i / 100, i);
        names.push_back(name);
    }
    return names;
}
