// What PlimoCOMWrapper.exe carries: its registry scripts byte for byte as in resources/, the type
// library, its name, a manifest that asks for no elevation, the project's version, and a GUI
// subsystem for a 32-bit image.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "PlimoCOMWrapper.h"
#include "registry_scripts.h"
#include "scoped_resource.h"
#include "server_description.h"
#include "test_paths.h"

namespace {

const WORD kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const WORD kRussian = MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT);

class ExecutableResources : public ::testing::Test {
protected:
    void SetUp() override {
        image.reset(::LoadLibraryExW(server.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        ASSERT_TRUE(image) << ::GetLastError();
    }

    // The bytes of a resource in exactly the language given; empty when there is none.
    std::string Resource(const wchar_t* type, UINT id, WORD language) {
        HRSRC found = ::FindResourceExW(image.get(), type, MAKEINTRESOURCEW(id), language);
        if (found == nullptr) {
            return std::string();
        }
        HGLOBAL loaded = ::LoadResource(image.get(), found);
        const char* bytes = static_cast<const char*>(::LockResource(loaded));
        return std::string(bytes, ::SizeofResource(image.get(), found));
    }

    const std::wstring server = BesideTest(kServer32.fileName);
    ScopedLibrary image;
};

// Text with CRLF line ends only, tab indentation and no terminator.
void ExpectScriptForm(const std::string& script) {
    EXPECT_EQ(std::string::npos, script.find('\0'));
    for (size_t i = 0; i < script.size(); ++i) {
        if (script[i] == '\n') {
            ASSERT_TRUE(i > 0 && script[i - 1] == '\r') << "a bare line feed at " << i;
        }
    }
    EXPECT_EQ(std::string::npos, script.find("  ")) << "indented with tabs, not spaces";
    EXPECT_EQ("}\r\n", script.substr(script.size() - 3));
}

TEST_F(ExecutableResources, TheAppIdScriptIsResource101InEnglish) {
    const std::string script = Resource(L"REGISTRY", 101, kEnglish);
    const std::string file = RegistryScriptBytes(L"appid.rgs");
    ASSERT_FALSE(file.empty()) << "appid.rgs is not beside the test";
    EXPECT_EQ(file, script);
    ExpectScriptForm(script);
}

TEST_F(ExecutableResources, TheClassScriptIsResource102InRussian) {
    EXPECT_TRUE(Resource(L"REGISTRY", 102, kEnglish).empty());
    const std::string script = Resource(L"REGISTRY", 102, kRussian);
    const std::string file = RegistryScriptBytes(L"class.rgs");
    ASSERT_FALSE(file.empty()) << "class.rgs is not beside the test";
    EXPECT_EQ(file, script);
    ExpectScriptForm(script);
}

TEST_F(ExecutableResources, TheTypeLibraryIsResource1AndLoadsFromTheExecutable) {
    EXPECT_FALSE(Resource(L"TYPELIB", 1, kEnglish).empty());
    ITypeLib* library = nullptr;
    ASSERT_EQ(S_OK, ::LoadTypeLibEx(server.c_str(), REGKIND_NONE, &library));
    TLIBATTR* attr = nullptr;
    ASSERT_EQ(S_OK, library->GetLibAttr(&attr));
    EXPECT_TRUE(::IsEqualGUID(LIBID_PlimoCOMWrapperLib, attr->guid));
    library->ReleaseTLibAttr(attr);
    library->Release();
}

TEST_F(ExecutableResources, String100IsTheServersName) {
    wchar_t text[64] = L"";
    ASSERT_GT(::LoadStringW(image.get(), 100, text, 64), 0);
    EXPECT_STREQ(L"PlimoCOMWrapper", text);
}

TEST_F(ExecutableResources, TheManifestAsksToRunAsTheInvokerWithoutUiAccess) {
    const std::string manifest =
        Resource(MAKEINTRESOURCEW(24), 1, kEnglish); // RT_MANIFEST, the process manifest
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(std::string::npos, manifest.find("level=\"asInvoker\""));
    EXPECT_NE(std::string::npos, manifest.find("uiAccess=\"false\""));
}

// The build passes the project's version and publisher as the test expects them.
const std::wstring kVersionText = std::to_wstring(PLIMO_TEST_VERSION_MAJOR) + L"." +
                                  std::to_wstring(PLIMO_TEST_VERSION_MINOR) + L"." +
                                  std::to_wstring(PLIMO_TEST_VERSION_PATCH);

// The executable's whole version block, as installers and Explorer read it.
std::vector<BYTE> VersionBlock(const std::wstring& path) {
    DWORD ignored = 0;
    DWORD size = ::GetFileVersionInfoSizeW(path.c_str(), &ignored);
    std::vector<BYTE> block(size);
    if (size == 0 || !::GetFileVersionInfoW(path.c_str(), 0, size, block.data())) {
        block.clear();
    }
    return block;
}

// A string of the US English, Unicode table; "<missing>" when there is none.
std::wstring VersionString(std::vector<BYTE>& block, const wchar_t* name) {
    void* text = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    if (!::VerQueryValueW(block.data(), path.c_str(), &text, &length) || length == 0) {
        return L"<missing>";
    }
    return static_cast<const wchar_t*>(text);
}

TEST_F(ExecutableResources, TheVersionResourceIsResource1InEnglish) {
    EXPECT_FALSE(Resource(MAKEINTRESOURCEW(16), 1, kEnglish).empty()); // RT_VERSION
}

TEST_F(ExecutableResources, TheFixedVersionIsTheProjectVersionOfAnApplication) {
    std::vector<BYTE> block = VersionBlock(server);
    ASSERT_FALSE(block.empty()) << ::GetLastError();
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), length);
    EXPECT_EQ(0xFEEF04BDu, fixed->dwSignature);
    const DWORD high = MAKELONG(PLIMO_TEST_VERSION_MINOR, PLIMO_TEST_VERSION_MAJOR);
    const DWORD low = MAKELONG(0, PLIMO_TEST_VERSION_PATCH);
    EXPECT_EQ(high, fixed->dwFileVersionMS);
    EXPECT_EQ(low, fixed->dwFileVersionLS);
    EXPECT_EQ(high, fixed->dwProductVersionMS);
    EXPECT_EQ(low, fixed->dwProductVersionLS);
    EXPECT_EQ(0u, fixed->dwFileFlags) << "a release: no debug, pre-release or patched flag";
    EXPECT_EQ(static_cast<DWORD>(VOS_NT_WINDOWS32), fixed->dwFileOS);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed->dwFileType);
}

TEST_F(ExecutableResources, TheVersionStringsNameTheProductInUsEnglishUnicode) {
    std::vector<BYTE> block = VersionBlock(server);
    ASSERT_FALSE(block.empty()) << ::GetLastError();
    WORD* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(::VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                                 reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(2 * sizeof(WORD), length) << "one translation";
    EXPECT_EQ(0x0409, translation[0]);
    EXPECT_EQ(1200, translation[1]);
    const struct {
        const wchar_t* name;
        std::wstring value;
    } strings[] = {{L"FileVersion", kVersionText},
                   {L"ProductVersion", kVersionText},
                   {L"ProductName", L"PlimoCOMWrapper"},
                   {L"InternalName", L"PlimoCOMWrapper"},
                   {L"OriginalFilename", L"PlimoCOMWrapper.exe"},
                   {L"CompanyName", PLIMO_TEST_PUBLISHER},
                   {L"FileDescription", L"PlimoCOMWrapper automation server"}};
    for (const auto& s : strings) {
        EXPECT_EQ(s.value, VersionString(block, s.name)) << s.name;
    }
}

TEST_F(ExecutableResources, TheImageIsA32BitGuiProgram) {
    HANDLE file = ::CreateFileW(server.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    ScopedHandle owner(file);
    char headers[4096];
    DWORD got = 0;
    ASSERT_TRUE(::ReadFile(file, headers, sizeof headers, &got, nullptr));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(headers);
    ASSERT_LT(static_cast<DWORD>(dos->e_lfanew) + sizeof(IMAGE_NT_HEADERS32), got);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS32*>(headers + dos->e_lfanew);
    EXPECT_EQ(IMAGE_FILE_MACHINE_I386, nt->FileHeader.Machine);
    EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, nt->OptionalHeader.Subsystem);
}

} // namespace
