// The cost of one provider entry for a 64-bit host, three ways: the provider loaded in process,
// the server's interface as plimo-scc calls it (the method, then TakeMessages), and the proxy
// provider, which does the same on the host's behalf. For the 64-bit bench provider all three run
// natively; for the 32-bit one, which a 64-bit host can only reach through a server, the server
// and provider run as this machine runs 32-bit code (emulated, where it must be).
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "PlimoCOMWrapper2.h"
#include "server_description.h"
#include "child_process.h"
#include "com_initialization.h"
#include "com_ptr.h"
#include "file_names.h"
#include "provider_entry_points.h"
#include "scc_proxy_registry.h"
#include "scoped_resource.h"
#include "scoped_variant.h"
#include "stopwatch.h"
#include "test_paths.h"

namespace {

constexpr int kRounds = 5;
constexpr double kBatchMicroseconds = 60000; // each cell keeps its fastest batch of about this
constexpr long kListNames = 1000;
constexpr wchar_t kEntryRoot[] = L"SOFTWARE\\PlimoCOMWrapper\\SccProxy\\PlimoBench";

LONG __cdecl QuietTextOut(LPCSTR, DWORD) {
    return SCC_MSG_RTN_OK;
}

std::wstring Full(const std::wstring& path) {
    wchar_t full[MAX_PATH];
    const DWORD length = ::GetFullPathNameW(path.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::wstring(full, length) : path;
}

// One way to make the three calls measured.
struct Path {
    std::function<LONG()> version;
    std::function<LONG()> projPath;
    std::function<LONG()> status;
};

// The provider in this process, as a host of its own width loads it.
class InProcess {
public:
    explicit InProcess(const std::wstring& dll) : library_(::LoadLibraryW(dll.c_str())) {}
    bool Start() {
        if (!library_) return false;
        Look("SccInitialize", &initialize_);
        Look("SccUninitialize", &uninitialize_);
        Look("SccGetVersion", &version_);
        Look("SccOpenProject", &open_);
        Look("SccGetProjPath", &projPath_);
        Look("SccQueryInfo", &queryInfo_);
        char name[32] = {}, label[32] = {}, user[32] = "me", aux[301] = "";
        LONG caps = 0, a = 0, b = 0;
        return initialize_ &&
               initialize_(&context_, nullptr, "bench", name, &caps, label, &a, &b) >= 0 &&
               open_(context_, nullptr, user, "$/bench", "C:\\work", aux, nullptr, &QuietTextOut,
                     0) >= 0;
    }
    ~InProcess() {
        if (uninitialize_ && context_) uninitialize_(context_);
    }
    Path Calls(const std::vector<std::string>& names) {
        for (const std::string& name : names)
            files_.push_back(name.c_str());
        status_.resize(files_.size());
        return {[this] { return version_(context_); },
                [this] {
                    char user[32] = "me", project[301] = "$/bench", local[MAX_PATH] = "C:\\work",
                         aux[301] = "";
                    BOOL isNew = FALSE;
                    return projPath_(context_, nullptr, user, project, local, aux, FALSE, &isNew);
                },
                [this] {
                    return queryInfo_(context_, static_cast<LONG>(files_.size()), files_.data(),
                                      status_.data());
                }};
    }

private:
    template <typename F> void Look(const char* name, F* entry) {
        *entry =
            reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(library_.get(), name)));
    }
    ScopedLibrary library_;
    void* context_ = nullptr;
    provider::SccInitializeFn initialize_ = nullptr;
    provider::SccContextFn uninitialize_ = nullptr, version_ = nullptr;
    provider::SccOpenProjectFn open_ = nullptr;
    provider::SccGetProjPathFn projPath_ = nullptr;
    provider::SccQueryInfoFn queryInfo_ = nullptr;
    std::vector<LPCSTR> files_;
    std::vector<LONG> status_;
};

// The server's interface, as plimo-scc drives it: the early-bound method, then TakeMessages.
class Interface {
public:
    bool Start(int bits, const std::wstring& dll) {
        const CLSID& server = bits == 64 ? CLSID_TovikPlimoWrapper64 : CLSID_TovikPlimoWrapper2;
        if (FAILED(::CoCreateInstance(server, nullptr, CLSCTX_LOCAL_SERVER, IID_IPlimoWrapper2,
                                      scc_.putVoid()))) {
            return false;
        }
        ScopedBstr path(::SysAllocString(dll.c_str())), caller(::SysAllocString(L"bench"));
        ScopedBstr project(::SysAllocString(L"$/bench")), local(::SysAllocString(L"C:\\work"));
        BSTR name = nullptr, label = nullptr, user = ::SysAllocString(L"me"), aux = nullptr;
        LONG caps = 0, a = 0, b = 0, result = 0;
        const bool ok = SUCCEEDED(scc_->Init(path.get())) &&
                        SUCCEEDED(scc_->SccInitialize(0, caller.get(), &name, &caps, &label, &a, &b,
                                                      &result)) &&
                        SUCCEEDED(scc_->SccOpenProject(0, &user, project.get(), local.get(), &aux,
                                                       nullptr, 0, &result));
        ::SysFreeString(name);
        ::SysFreeString(label);
        ::SysFreeString(user);
        ::SysFreeString(aux);
        return ok;
    }
    ~Interface() {
        LONG result = 0;
        if (scc_) scc_->SccUninitialize(&result);
    }
    Path Calls(const std::vector<std::wstring>& names) {
        files_.reset(::SafeArrayCreateVector(VT_BSTR, 0, static_cast<ULONG>(names.size())));
        for (LONG i = 0; i < static_cast<LONG>(names.size()); ++i) {
            ScopedBstr name(::SysAllocString(names[i].c_str()));
            ::SafeArrayPutElement(files_.get(), &i, name.get());
        }
        return {[this] {
                    LONG version = 0;
                    scc_->SccGetVersion(&version);
                    Take();
                    return version;
                },
                [this] {
                    BSTR user = ::SysAllocString(L"me"), project = ::SysAllocString(L"$/bench");
                    BSTR local = ::SysAllocString(L"C:\\work"), aux = ::SysAllocString(L"");
                    VARIANT_BOOL isNew = VARIANT_FALSE;
                    LONG result = 0;
                    scc_->SccGetProjPath(0, &user, &project, &local, &aux, VARIANT_FALSE, &isNew,
                                         &result);
                    for (BSTR text : {user, project, local, aux})
                        ::SysFreeString(text);
                    Take();
                    return result;
                },
                [this] {
                    VARIANT files;
                    ::VariantInit(&files);
                    files.vt = VT_ARRAY | VT_BSTR;
                    files.parray = files_.get();
                    ScopedVariant status;
                    LONG result = 0;
                    scc_->SccQueryInfo(files, status.put(), &result);
                    Take();
                    return result;
                }};
    }

private:
    void Take() {
        ScopedVariant texts, types;
        LONG count = 0;
        scc_->TakeMessages(texts.put(), types.put(), &count);
    }
    ComPtr<IPlimoWrapper2> scc_;
    ScopedSafeArray files_;
};

// The proxy provider, entered in the registry for `dll` as plimo-scc proxy add enters it, each
// width's entry with a copy of its own.
class Proxied {
public:
    Proxied(int bits, const std::wstring& dll)
        : key_(std::wstring(kEntryRoot) + std::to_wstring(bits)),
          copy_(Full(BesideTest(
              (L"bench_proxy" + std::to_wstring(bits) + L"\\" + sccproxy::kProxy64FileName)
                  .c_str()))),
          dll_(dll) {}
    ~Proxied() { ::RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key_.c_str(), KEY_WOW64_64KEY, 0); }
    bool Start(const std::wstring& proxy) {
        ::CreateDirectoryW(copy_.substr(0, copy_.find_last_of(L'\\')).c_str(), nullptr);
        ScopedRegKey key;
        if (!::CopyFileW(proxy.c_str(), copy_.c_str(), FALSE) ||
            ::RegCreateKeyExW(HKEY_LOCAL_MACHINE, key_.c_str(), 0, nullptr, 0,
                              KEY_SET_VALUE | KEY_WOW64_64KEY, nullptr, key.put(),
                              nullptr) != ERROR_SUCCESS) {
            return false;
        }
        Write(key.get(), sccproxy::kServerPathValue, copy_);
        Write(key.get(), sccproxy::kProviderPathValue, dll_);
        inProcess_.reset(new InProcess(copy_));
        return inProcess_->Start();
    }
    InProcess& host() { return *inProcess_; }

private:
    static void Write(HKEY key, const wchar_t* name, const std::wstring& text) {
        ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                         static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
    std::wstring key_, copy_;
    std::wstring dll_;
    std::unique_ptr<InProcess> inProcess_;
};

// The fastest per-call time of `call` in batches of about kBatchMicroseconds.
double FastestBatch(const std::function<LONG()>& call, int* batch) {
    if (*batch == 0) {
        Stopwatch probe;
        int calls = 0;
        while (probe.ElapsedMicroseconds() < kBatchMicroseconds / 4) {
            call();
            ++calls;
        }
        *batch = std::max(1, calls * 4);
    }
    Stopwatch watch;
    for (int i = 0; i < *batch; ++i) {
        call();
    }
    return watch.ElapsedMicroseconds() / *batch;
}

} // namespace

int wmain() {
    ComInitialization com;
    if (FAILED(com.Initialize(COINIT_MULTITHREADED))) {
        std::fprintf(stderr, "CoInitializeEx failed\n");
        return 1;
    }
    // Both servers, registered as the tests register them.
    for (const wchar_t* server : {L"PlimoCOMWrapper.exe", L"x64\\PlimoCOMWrapper64.exe"}) {
        if (RunChild(Quoted(BesideTest(server)) + L" /RegServer").exitCode != 0) {
            std::fprintf(stderr, "proxy bench: cannot register %ls\n", server);
            return 1;
        }
    }
    const std::vector<std::wstring> wide = FileNames(kListNames);
    std::vector<std::string> narrow;
    for (const std::wstring& name : wide)
        narrow.emplace_back(name.begin(), name.end());

    std::printf("%-6s %-34s %12s %12s %12s\n", "bits", "measure", "in process", "interface",
                "proxy");
    for (int bits : {64, 32}) {
        const std::wstring provider = Full(BesideTest(bits == 64 ? L"x64\\plimo_bench_provider.dll"
                                                                 : L"plimo_bench_provider.dll"));
        std::unique_ptr<InProcess> inProcess;
        if (bits == 64) {
            inProcess.reset(new InProcess(provider));
            if (!inProcess->Start()) inProcess.reset();
        }
        Interface direct;
        Proxied proxied(bits, provider);
        if (!direct.Start(bits, provider) ||
            !proxied.Start(Full(BesideTest(L"x64\\PlimoSccProxy64.dll")))) {
            std::fprintf(stderr, "proxy bench: the %d-bit provider could not be reached\n", bits);
            return 1;
        }
        std::vector<Path> paths;
        paths.push_back(inProcess ? inProcess->Calls(narrow) : Path{});
        paths.push_back(direct.Calls(wide));
        paths.push_back(proxied.host().Calls(narrow));
        const char* names[] = {"SccGetVersion", "SccGetProjPath (4 texts in and out)",
                               "SccQueryInfo, 1,000 names"};
        for (int measure = 0; measure < 3; ++measure) {
            double best[3] = {1e300, 1e300, 1e300};
            int batch[3] = {0, 0, 0};
            // Interleaved, each path's fastest round kept: A B C C B A ...
            for (int round = 0; round < kRounds; ++round) {
                for (int step = 0; step < 3; ++step) {
                    const int p = round % 2 == 0 ? step : 2 - step;
                    const std::function<LONG()>& call = measure == 0   ? paths[p].version
                                                        : measure == 1 ? paths[p].projPath
                                                                       : paths[p].status;
                    if (call) best[p] = std::min(best[p], FastestBatch(call, &batch[p]));
                }
            }
            std::printf("%-6d %-34s %12s %12.1f %12.1f us\n", bits, names[measure],
                        best[0] < 1e300 ? std::to_string(best[0]).substr(0, 6).c_str() : "-",
                        best[1], best[2]);
        }
    }
    return 0;
}
