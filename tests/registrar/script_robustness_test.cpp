// Robustness: valid scripts mutated at random (seeded and bounded) are applied in both modes,
// first per machine and then per user. Every run must return an HRESULT, close every handle it
// opened, and write nothing outside the test's own key.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "handle_census.h"
#include "replacement_variables.h"
#include "reg_script_parser.h"
#include "registry_image.h"
#include "scratch_key.h"
#include "product_scripts.h"

namespace {

constexpr unsigned kSeed = 20240611;
constexpr int kScriptsPerPhase = 1500;

const wchar_t kFeatureScript[] =
    L"HKCU\r\n{\r\n\tNoRemove Fuzz\r\n\t{\r\n"
    L"\t\tForceRemove F = s 'f' { Val m = m 'a\\0b' Val d = d 5 Val b = b 0A1b }\r\n"
    L"\t\tDelete D\r\n"
    L"\t\tNoRemove N { Val v = s 'x''y' NoRemove Val w = s '%APPID%' }\r\n"
    L"\t\t'Quoted { key }' = s '%MODULE%' { Sub { Deeper = d 0 } }\r\n"
    L"\t}\r\n}\r\n"
    L"HKLM { Machine = s 'm' { Val x = b '' } }\r\n"
    L"HKCR { NoRemove CLSID { ForceRemove {X} = s 'x' { Programmable } } }\r\n";

// Pieces a mutation may drop in: keywords, punctuation, root names, variables, bad names.
const wchar_t* const kInsertions[] = {
    L"{",        L"}",       L"=",         L"'",       L"''",     L"ForceRemove", L"Delete",
    L"NoRemove", L"Val",     L"s",         L"m",       L"d",      L"b",           L"'a\\0\\0b'",
    L"0G",       L"ABC",     L"HKCR",      L"HKCU",    L"HKLM",   L"HKU",         L"HKCC",
    L"hkcr",     L"%APPID%", L"%",         L"%%",      L"%Nope%", L"A\\B",        L"CLSID",
    L"}x",       L"{x",      L"'unclosed", L"'it''s'", L"\t",     L"\r\n",        L"-1",
};

std::vector<std::wstring> SplitTokens(const std::wstring& text) {
    std::vector<std::wstring> tokens;
    std::wstring current;
    for (wchar_t c : text) {
        if (c == L' ' || c == L'\t' || c == L'\r' || c == L'\n') {
            if (!current.empty()) {
                tokens.push_back(current);
                current.clear();
            }
        } else {
            current += c;
        }
    }
    if (!current.empty()) {
        tokens.push_back(current);
    }
    return tokens;
}

class Mutator {
public:
    explicit Mutator(unsigned seed) : random_(seed) {}

    std::wstring Mutate(const std::wstring& script) {
        std::vector<std::wstring> tokens = SplitTokens(script);
        const int mutations = Pick(1, 4);
        for (int i = 0; i < mutations && !tokens.empty(); ++i) {
            MutateOnce(tokens);
        }
        std::wstring text;
        for (const std::wstring& token : tokens) {
            text += token;
            text += Pick(0, 3) == 0 ? L"\r\n" : L" ";
        }
        return text;
    }

    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }

private:
    void MutateOnce(std::vector<std::wstring>& tokens) {
        const size_t at = static_cast<size_t>(Pick(0, static_cast<int>(tokens.size()) - 1));
        switch (Pick(0, 8)) {
        case 0: // drop
            tokens.erase(tokens.begin() + at);
            break;
        case 1: // duplicate
            tokens.insert(tokens.begin() + at, tokens[at]);
            break;
        case 2: // cut
            tokens[at].resize(static_cast<size_t>(Pick(0, static_cast<int>(tokens[at].size()))));
            break;
        case 3: // insert a piece
            tokens.insert(tokens.begin() + at,
                          kInsertions[Pick(0, static_cast<int>(std::size(kInsertions)) - 1)]);
            break;
        case 4: { // huge token, at and around the limit
            const int sizes[] = {4094, 4095, 4096, 5000, 70000};
            const size_t size = static_cast<size_t>(sizes[Pick(0, 4)]);
            tokens[at] =
                Pick(0, 1) ? std::wstring(size, L'h') : L"'" + std::wstring(size, L'q') + L"'";
            break;
        }
        case 5: { // deep nesting, balanced or not
            const int depth = Pick(1, 150);
            std::vector<std::wstring> open, close;
            for (int i = 0; i < depth; ++i) {
                open.push_back(L"N");
                open.push_back(L"{");
                close.push_back(L"}");
            }
            if (Pick(0, 2) == 0) {
                close.resize(static_cast<size_t>(Pick(0, depth)));
            }
            const size_t end =
                at + static_cast<size_t>(Pick(0, static_cast<int>(tokens.size() - at)));
            tokens.insert(tokens.begin() + end, close.begin(), close.end());
            tokens.insert(tokens.begin() + at, open.begin(), open.end());
            break;
        }
        case 6: { // swap
            const size_t other = static_cast<size_t>(Pick(0, static_cast<int>(tokens.size()) - 1));
            std::swap(tokens[at], tokens[other]);
            break;
        }
        case 7: // unbalance a brace
            tokens.insert(tokens.begin() + at, Pick(0, 1) ? L"{" : L"}");
            break;
        default: // unclosed quote inside a token
            tokens[at].insert(static_cast<size_t>(Pick(0, static_cast<int>(tokens[at].size()))),
                              L"'");
            break;
        }
    }

    std::mt19937 random_;
};

bool IsPlausibleResult(HRESULT hr) {
    return hr == S_OK || hr == DISP_E_EXCEPTION || hr == E_FAIL ||
           HRESULT_FACILITY(hr) == FACILITY_WIN32;
}

// What the process can see outside the test's key: all of the real HKCU but that key, and the
// top level of the other roots.
std::vector<std::wstring> Outside() {
    std::vector<std::wstring> lines;
    for (const std::wstring& line : Listing(HKEY_CURRENT_USER, L"")) {
        if (line.compare(0, std::size(kScratchName) - 1, kScratchName) != 0) {
            lines.push_back(line);
        }
    }
    const std::pair<HKEY, const wchar_t*> roots[] = {
        {HKEY_CLASSES_ROOT, L""},  {HKEY_CLASSES_ROOT, L"CLSID"},
        {HKEY_LOCAL_MACHINE, L""}, {HKEY_LOCAL_MACHINE, L"Software"},
        {HKEY_USERS, L""},         {HKEY_CURRENT_CONFIG, L""}};
    for (const auto& [root, path] : roots) {
        ScopedRegKey key;
        if (::RegOpenKeyExW(root, path, 0, KEY_READ, key.put()) == ERROR_SUCCESS) {
            for (const std::wstring& name : SubkeyNames(key.get())) {
                lines.push_back(std::wstring(L"<root>\\") + path + L"\\" + name);
            }
        }
    }
    return lines;
}

struct PhaseFigures {
    int runs = 0;
    std::map<HRESULT, int> results;
};

void RunPhase(Mutator& mutator, RegistryScope scope, const char* phase, PhaseFigures* figures) {
    ReplacementVariables variables;
    AddScriptVariables(variables);
    const std::wstring bases[] = {AppIdScript(), ClassScript(), kFeatureScript};

    for (int i = 0; i < kScriptsPerPhase; ++i) {
        const std::wstring& base = bases[mutator.Pick(0, 2)];
        const std::wstring script = mutator.Mutate(base);
        for (bool doRegister : {true, false}) {
            const long handlesBefore = ProcessHandleCount();
            RegScriptParser parser(variables, scope);
            const HRESULT hr = parser.ApplyScript(script.c_str(), doRegister);
            const long handlesAfter = ProcessHandleCount();
            ++figures->runs;
            ++figures->results[hr];
            ASSERT_TRUE(IsPlausibleResult(hr))
                << phase << " script " << i << " gave " << std::hex << hr;
            ASSERT_EQ(handlesBefore, handlesAfter)
                << phase << " script " << i << (doRegister ? " registering" : " unregistering");
        }
        // Take the unmutated script back now and then, so that unregistration also meets keys.
        if (mutator.Pick(0, 4) == 0) {
            RegScriptParser parser(variables, scope);
            parser.ApplyScript(base.c_str(), mutator.Pick(0, 1) == 0);
        }
    }
}

void PrintFigures(const char* phase, const PhaseFigures& figures, double seconds) {
    std::printf("%s: %d applications in %.2f s (%.2f ms each); results:", phase, figures.runs,
                seconds, 1000.0 * seconds / figures.runs);
    for (const auto& [hr, count] : figures.results) {
        std::printf(" %08lx x%d", static_cast<unsigned long>(hr), count);
    }
    std::printf("\n");
}

TEST(ScriptRobustness, MutatedScriptsFailCleanlyInsideTheTestKey) {
    ASSERT_GT(ProcessHandleCount(), 0) << "the handle census must see this process's handles";
    const std::vector<std::wstring> outsideBefore = Outside();
    {
        ScratchKey scratch;
        // Every root key a script can name points into the test's key for this process.
        PredefinedKeyOverride roots[] = {
            {HKEY_CLASSES_ROOT, scratch.get(), L"HKCR"},
            {HKEY_CURRENT_USER, scratch.get(), L"HKCU"},
            {HKEY_LOCAL_MACHINE, scratch.get(), L"HKLM"},
            {HKEY_USERS, scratch.get(), L"HKU"},
            {HKEY_CURRENT_CONFIG, scratch.get(), L"HKCC"},
        };
        for (const PredefinedKeyOverride& root : roots) {
            ASSERT_EQ(ERROR_SUCCESS, root.result());
        }

        Mutator mutator(kSeed);
        for (const bool perUser : {false, true}) {
            const char* const phase = perUser ? "per user" : "per machine";
            const RegistryScope scope =
                perUser ? RegistryScope::PerUser : RegistryScope::PerMachine;
            PhaseFigures figures;
            const auto start = std::chrono::steady_clock::now();
            RunPhase(mutator, scope, phase, &figures);
            const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
            PrintFigures(phase, figures, elapsed.count());
            if (HasFatalFailure()) {
                return;
            }
            EXPECT_GT(figures.results[S_OK], 0) << "some mutations must still apply";
            EXPECT_GT(figures.results[DISP_E_EXCEPTION], 0) << "most should be syntax errors";
        }
    }
    EXPECT_EQ(outsideBefore, Outside());
}

} // namespace
