// The PE header reader that matches a provider with a server: real images of both widths, and
// files that are no image.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "image_machine.h"
#include "temp_folder.h"
#include "test_paths.h"

namespace {

struct ImageCase {
    const char* name;
    std::wstring path; // empty: the file `content` in a temporary folder
    std::string content;
    HRESULT expected;
    WORD machine;
};

void PrintTo(const ImageCase& c, std::ostream* os) {
    *os << c.name;
}

const HRESULT kNotAnImage = HRESULT_FROM_WIN32(ERROR_BAD_EXE_FORMAT);

// "MZ", then the PE header's offset at 0x3C.
std::string DosHeader(unsigned offset) {
    std::string header(0x40, '\0');
    header[0] = 'M';
    header[1] = 'Z';
    header[0x3C] = static_cast<char>(offset & 0xFF);
    header[0x3D] = static_cast<char>((offset >> 8) & 0xFF);
    header[0x3E] = static_cast<char>((offset >> 16) & 0xFF);
    return header;
}

const ImageCase kImages[] = {
    // From this 32-bit process, syswow64 holds the system's 32-bit DLLs, sysnative its 64-bit ones.
    {"System32BitDll", L"C:\\windows\\syswow64\\kernel32.dll", "", S_OK, IMAGE_FILE_MACHINE_I386},
    {"System64BitDll", L"C:\\windows\\sysnative\\kernel32.dll", "", S_OK, IMAGE_FILE_MACHINE_AMD64},
    {"OwnProvider", BesideTest(kTestProvider), "", S_OK, IMAGE_FILE_MACHINE_I386},
    {"PlainText", L"", "plain text\r\n", kNotAnImage, 0},
    {"EmptyFile", L"", "", kNotAnImage, 0},
    {"HeaderPastTheEnd", L"", DosHeader(0x80), kNotAnImage, 0},
    {"HeaderFarAway", L"", DosHeader(0x7FFFFF), kNotAnImage, 0},
    {"NoPeSignature", L"", DosHeader(0x40) + std::string(24, 'x'), kNotAnImage, 0},
    {"Missing", L"C:\\no\\such\\provider.dll", "", HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), 0},
};

class ImageMachine : public ::testing::TestWithParam<ImageCase> {};

TEST_P(ImageMachine, IsReadFromThePeHeader) {
    const ImageCase& c = GetParam();
    TempFolder temp;
    std::wstring path = c.path;
    if (path.empty()) {
        path = temp.path() + L"\\image.dll";
        ASSERT_TRUE(WriteText(path, c.content));
    }
    WORD machine = 0xFFFF;
    EXPECT_EQ(c.expected, ReadImageMachine(path, &machine));
    EXPECT_EQ(c.expected == S_OK ? c.machine : 0xFFFF, machine) << "written only on success";
}

INSTANTIATE_TEST_SUITE_P(Files, ImageMachine, ::testing::ValuesIn(kImages),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
