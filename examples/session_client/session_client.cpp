// A 64-bit client that runs one readable source-control session through PlimoCOMWrapper: it
// activates the server, binds a provider and works on two files in a working folder, printing
// what each call sent and what came back.
//
// Usage: session_client <provider DLL> <working folder>
// The folder must exist; the provider keeps its store beside it.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "PlimoCOMWrapper.h"
#include "scc_values.h"

namespace {

std::string Narrow(const std::wstring& text) {
    int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    if (size > 1) {
        ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], size, nullptr, nullptr);
    }
    return out;
}

std::string Text(BSTR text) {
    return text != nullptr ? "\"" + Narrow(text) + "\"" : "null";
}

const char* HResultName(HRESULT hr) {
    switch (hr) {
    case S_OK:
        return "S_OK";
    case E_INVALIDARG:
        return "E_INVALIDARG";
    case E_OUTOFMEMORY:
        return "E_OUTOFMEMORY";
    case E_FAIL:
        return "E_FAIL";
    case static_cast<HRESULT>(0x800710DD):
        return "no provider entry";
    default:
        return "failure";
    }
}

const char* ResultName(LONG result) {
    switch (result) {
    case SCC_OK:
        return "SCC_OK";
    case SCC_E_UNKNOWNPROJECT:
        return "SCC_E_UNKNOWNPROJECT";
    case SCC_E_NOTCHECKEDOUT:
        return "SCC_E_NOTCHECKEDOUT";
    case SCC_E_ALREADYCHECKEDOUT:
        return "SCC_E_ALREADYCHECKEDOUT";
    case SCC_E_FILENOTCONTROLLED:
        return "SCC_E_FILENOTCONTROLLED";
    case SCC_E_FILEISCHECKEDOUT:
        return "SCC_E_FILEISCHECKEDOUT";
    case SCC_E_OPNOTSUPPORTED:
        return "SCC_E_OPNOTSUPPORTED";
    case SCC_E_PROJNOTOPEN:
        return "SCC_E_PROJNOTOPEN";
    default:
        return result < 0 ? "an error" : "success";
    }
}

std::string StatusText(LONG status) {
    if (status == SCC_STATUS_INVALID) {
        return "INVALID";
    }
    if (status == SCC_STATUS_NOTCONTROLLED) {
        return "not controlled";
    }
    std::string text;
    const struct {
        LONG bit;
        const char* name;
    } bits[] = {{SCC_STATUS_CONTROLLED, "CONTROLLED"},
                {SCC_STATUS_CHECKEDOUT, "CHECKEDOUT"},
                {SCC_STATUS_OUTOTHER, "OUTOTHER"},
                {SCC_STATUS_MODIFIED, "MODIFIED"},
                {SCC_STATUS_OUTBYUSER, "OUTBYUSER"}};
    for (const auto& bit : bits) {
        if ((status & bit.bit) != 0) {
            text += (text.empty() ? "" : " | ") + std::string(bit.name);
        }
    }
    return text;
}

// Prints "<call> -> HRESULT ..., provider result ..." and tells whether the bridge made the call.
bool Report(const std::string& call, HRESULT hr, LONG result) {
    std::printf("%-58s -> HRESULT 0x%08lX %s", call.c_str(), static_cast<unsigned long>(hr),
                HResultName(hr));
    if (SUCCEEDED(hr)) {
        std::printf(", provider result %ld %s", static_cast<long>(result), ResultName(result));
    }
    std::printf("\n");
    return SUCCEEDED(hr);
}

// A VARIANT that owns a typed array of file names (VT_ARRAY | VT_BSTR), as the file-list
// methods require.
class FileList {
public:
    explicit FileList(const std::vector<std::wstring>& paths) {
        ::VariantInit(&variant_);
        SAFEARRAY* array = ::SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(paths.size()));
        for (LONG i = 0; array != nullptr && i < static_cast<LONG>(paths.size()); ++i) {
            BSTR name = ::SysAllocString(paths[i].c_str());
            ::SafeArrayPutElement(array, &i, name);
            ::SysFreeString(name);
        }
        variant_.vt = VT_ARRAY | VT_BSTR;
        variant_.parray = array;
    }
    ~FileList() { ::VariantClear(&variant_); }
    FileList(const FileList&) = delete;
    FileList& operator=(const FileList&) = delete;
    const VARIANT& get() const { return variant_; }

private:
    VARIANT variant_;
};

class Session {
public:
    Session(IPlimoWrapper* scc, std::wstring folder) : scc_(scc), folder_(std::move(folder)) {}

    int Run(const std::wstring& provider) {
        BSTR path = ::SysAllocString(provider.c_str());
        HRESULT hr = scc_->Init(path);
        ::SysFreeString(path);
        std::printf("%-58s -> HRESULT 0x%08lX %s\n", ("Init(" + Narrow(provider) + ")").c_str(),
                    static_cast<unsigned long>(hr), HResultName(hr));
        if (FAILED(hr)) {
            return 1;
        }
        if (!Initialize() || !Open()) {
            return 1;
        }
        const std::wstring a = folder_ + L"\\hello.txt", b = folder_ + L"\\notes.txt";
        WriteFile(a, "hello, world\r\n");
        WriteFile(b, "first notes\r\n");
        std::printf("\n-- two new files in %s\n", Narrow(folder_).c_str());
        Query({a, b});
        Add({a, b}, L"first version");
        Query({a, b});

        std::printf("\n-- check out hello.txt, change it, check it in\n");
        FileCall("SccCheckout", {a}, L"fix the greeting");
        Query({a});
        WriteFile(a, "hello, PlimoCOMWrapper\r\n");
        std::printf("   (hello.txt changed in the working folder)\n");
        Query({a});
        FileCall("SccCheckin", {a}, L"fixed the greeting");
        Query({a, b});

        std::printf("\n-- check out notes.txt, change it, undo the check-out, get it again\n");
        FileCall("SccCheckout", {b}, L"");
        WriteFile(b, "notes nobody wants\r\n");
        Query({b});
        FileCall("SccUncheckout", {b}, nullptr);
        std::printf("   notes.txt now holds: %s", ReadFile(b).c_str());
        FileCall("SccGet", {a, b}, nullptr);
        Query({a, b});

        std::printf("\n-- close\n");
        LONG result = 0;
        Report("SccCloseProject()", scc_->SccCloseProject(&result), result);
        Report("SccUninitialize()", scc_->SccUninitialize(&result), result);
        return 0;
    }

private:
    bool Initialize() {
        BSTR caller = ::SysAllocString(L"session_client");
        BSTR name = nullptr, label = nullptr;
        LONG caps = 0, checkoutCommentLength = 0, commentLength = 0, result = 0;
        HRESULT hr = scc_->SccInitialize(0, caller, &name, &caps, &label, &checkoutCommentLength,
                                         &commentLength, &result);
        bool ok = Report("SccInitialize(caller \"session_client\")", hr, result);
        if (ok) {
            std::printf("   provider %s, auxiliary path label %s, capabilities 0x%08lX, "
                        "comment length %ld\n",
                        Text(name).c_str(), Text(label).c_str(), static_cast<unsigned long>(caps),
                        static_cast<long>(commentLength));
        }
        ::SysFreeString(caller);
        ::SysFreeString(name);
        ::SysFreeString(label);
        LONG version = 0;
        hr = scc_->SccGetVersion(&version);
        std::printf("%-58s -> HRESULT 0x%08lX %s, interface version %ld.%ld\n", "SccGetVersion()",
                    static_cast<unsigned long>(hr), HResultName(hr),
                    static_cast<long>(HIWORD(version)), static_cast<long>(LOWORD(version)));
        return ok && result == SCC_OK;
    }

    bool Open() {
        BSTR user = nullptr, auxPath = nullptr;
        BSTR project = ::SysAllocString(L"demo");
        BSTR local = ::SysAllocString(folder_.c_str());
        BSTR comment = ::SysAllocString(L"a project for the session");
        LONG result = 0;
        HRESULT hr = scc_->SccOpenProject(0, &user, project, local, &auxPath, comment,
                                          SCC_OP_CREATEIFNEW, &result);
        bool ok =
            Report("SccOpenProject(\"demo\", " + Narrow(folder_) + ", create if new)", hr, result);
        if (ok) {
            std::printf("   user %s, store %s\n", Text(user).c_str(), Text(auxPath).c_str());
        }
        for (BSTR s : {user, auxPath, project, local, comment}) {
            ::SysFreeString(s);
        }
        return ok && result == SCC_OK;
    }

    std::string Names(const std::vector<std::wstring>& paths) {
        std::string names;
        for (const std::wstring& path : paths) {
            names += (names.empty() ? "" : ", ") + Narrow(path.substr(path.rfind(L'\\') + 1));
        }
        return "[" + names + "]";
    }

    void Add(const std::vector<std::wstring>& paths, const wchar_t* text) {
        FileList files(paths);
        SAFEARRAY* options = ::SafeArrayCreateVector(VT_I4, 0, static_cast<ULONG>(paths.size()));
        VARIANT optionList;
        optionList.vt = VT_ARRAY | VT_I4;
        optionList.parray = options; // every option word 0: plain text files
        BSTR comment = ::SysAllocString(text);
        LONG result = 0;
        HRESULT hr = scc_->SccAdd(0, files.get(), comment, optionList, 0, &result);
        Report("SccAdd(" + Names(paths) + ", \"" + Narrow(text) + "\")", hr, result);
        ::SysFreeString(comment);
        ::SafeArrayDestroy(options);
    }

    // SccCheckout, SccCheckin (with a comment), SccUncheckout and SccGet (without one).
    void FileCall(const char* method, const std::vector<std::wstring>& paths, const wchar_t* text) {
        FileList files(paths);
        BSTR comment = text != nullptr ? ::SysAllocString(text) : nullptr;
        LONG result = 0;
        HRESULT hr = E_FAIL;
        const std::string name = method;
        if (name == "SccCheckout") {
            hr = scc_->SccCheckout(0, files.get(), comment, 0, 0, &result);
        } else if (name == "SccCheckin") {
            hr = scc_->SccCheckin(0, files.get(), comment, 0, 0, &result);
        } else if (name == "SccUncheckout") {
            hr = scc_->SccUncheckout(0, files.get(), 0, 0, &result);
        } else {
            hr = scc_->SccGet(0, files.get(), 0, 0, &result);
        }
        std::string call = name + "(" + Names(paths);
        if (text != nullptr) {
            call += ", \"" + Narrow(text) + "\"";
        }
        Report(call + ")", hr, result);
        ::SysFreeString(comment);
    }

    void Query(const std::vector<std::wstring>& paths) {
        FileList files(paths);
        VARIANT status;
        ::VariantInit(&status);
        LONG result = 0;
        HRESULT hr = scc_->SccQueryInfo(files.get(), &status, &result);
        if (!Report("SccQueryInfo(" + Names(paths) + ")", hr, result)) {
            return;
        }
        LONG* words = nullptr;
        if (status.vt == (VT_ARRAY | VT_I4) &&
            SUCCEEDED(::SafeArrayAccessData(status.parray, reinterpret_cast<void**>(&words)))) {
            for (size_t i = 0; i < paths.size(); ++i) {
                std::printf("   %-14s %s\n", Names({paths[i]}).c_str(),
                            StatusText(words[i]).c_str());
            }
            ::SafeArrayUnaccessData(status.parray);
        }
        ::VariantClear(&status);
    }

    static void WriteFile(const std::wstring& path, const char* text) {
        // Working copies of controlled files are read-only until checked out.
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            std::printf("   (cannot write %s)\n", Narrow(path).c_str());
            return;
        }
        DWORD written = 0;
        ::WriteFile(file, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
        ::CloseHandle(file);
    }

    static std::string ReadFile(const std::wstring& path) {
        HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            return "(missing)\n";
        }
        char buffer[256];
        DWORD got = 0;
        ::ReadFile(file, buffer, sizeof buffer - 1, &got, nullptr);
        ::CloseHandle(file);
        return std::string(buffer, got);
    }

    IPlimoWrapper* scc_;
    std::wstring folder_;
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: session_client <provider DLL> <working folder>\n");
        return 2;
    }
    std::printf("PlimoCOMWrapper session from a %d-bit client (process %lu)\n\n",
                static_cast<int>(8 * sizeof(void*)),
                static_cast<unsigned long>(::GetCurrentProcessId()));
    if (FAILED(::CoInitialize(nullptr))) {
        return 1;
    }
    IPlimoWrapper* scc = nullptr;
    HRESULT hr = ::CoCreateInstance(CLSID_TovikPlimoWrapper, nullptr, CLSCTX_LOCAL_SERVER,
                                    IID_IPlimoWrapper, reinterpret_cast<void**>(&scc));
    std::printf("%-58s -> HRESULT 0x%08lX %s\n",
                "CoCreateInstance(TovikPlimoWrapper, local server)", static_cast<unsigned long>(hr),
                HResultName(hr));
    int exitCode = 1;
    if (SUCCEEDED(hr)) {
        exitCode = Session(scc, argv[2]).Run(argv[1]);
        scc->Release();
    }
    ::CoUninitialize();
    return exitCode;
}
