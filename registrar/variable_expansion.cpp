// Expansion of replacement variables and the per-user rewrite of HKCR blocks.
#include "variable_expansion.h"

#include <cwchar>

namespace {

constexpr wchar_t kClassesRoot[] = L"HKCR";
constexpr size_t kClassesRootLength = 4;
// Opens HKCU { Software { Classes where the script said HKCR; the script's own opening brace
// then opens the Classes block.
constexpr wchar_t kPerUserPrefix[] = L"HKCU\r\n{\tSoftware\r\n\t{\r\n\t\tClasses";
// Closes the Software and HKCU blocks; the script's own closing brace then follows.
constexpr wchar_t kPerUserSuffix[] = L"\r\n\t}\r\n}\r\n";

// Grows a text from the COM task allocator that its caller's owner holds, doubling it whenever
// an append would not fit. The owner keeps the text on every path, so a failure leaks nothing.
class ExpansionBuffer {
public:
    explicit ExpansionBuffer(ScopedTaskText& text) : text_(text) {}

    HRESULT Reserve(size_t inputLength) {
        size_t capacity = inputLength <= kMaxCapacity / 2 ? inputLength * 2 : kMaxCapacity;
        if (capacity < 100) {
            capacity = 1000;
        }
        if (capacity >= kMaxCapacity) {
            return E_OUTOFMEMORY;
        }
        text_.reset(static_cast<LPOLESTR>(::CoTaskMemAlloc(capacity * sizeof(wchar_t))));
        if (!text_) {
            return E_OUTOFMEMORY;
        }
        capacity_ = capacity;
        length_ = 0;
        text_.get()[0] = L'\0';
        return S_OK;
    }

    HRESULT Append(LPCWSTR text, size_t count) {
        // One more character than the text for the terminator.
        if (count >= kMaxCapacity - length_) {
            return E_OUTOFMEMORY;
        }
        const size_t needed = length_ + count + 1;
        if (needed > capacity_) {
            HRESULT hr = Grow(needed);
            if (FAILED(hr)) return hr;
        }
        std::wmemcpy(text_.get() + length_, text, count);
        length_ += count;
        text_.get()[length_] = L'\0';
        return S_OK;
    }

    HRESULT Append(LPCWSTR text) { return Append(text, std::wcslen(text)); }

private:
    // Capacities of 2^31 characters or more are refused.
    static constexpr size_t kMaxCapacity = size_t{1} << 31;

    HRESULT Grow(size_t needed) {
        size_t capacity = capacity_;
        while (capacity < needed) {
            if (capacity >= kMaxCapacity / 2) {
                return E_OUTOFMEMORY;
            }
            capacity *= 2;
        }
        void* grown = ::CoTaskMemRealloc(text_.get(), capacity * sizeof(wchar_t));
        if (grown == nullptr) {
            return E_OUTOFMEMORY; // the old text is still held and freed by the owner
        }
        text_.release(); // moved by the reallocation
        text_.reset(static_cast<LPOLESTR>(grown));
        capacity_ = capacity;
        return S_OK;
    }

    ScopedTaskText& text_;
    size_t capacity_ = 0;
    size_t length_ = 0;
};

// Tracks where the text stands for the per-user rewrite: brace depth outside quoted stretches,
// and whether the root block being read was written HKCR.
struct RootBlockState {
    int level = 0;
    bool quoted = false;
    bool rewritten = false;
};

// Whether `cursor` starts a token: it opens the text or follows a blank.
bool AtTokenStart(LPCWSTR text, LPCWSTR cursor) {
    if (cursor == text) {
        return true;
    }
    const wchar_t before = cursor[-1];
    return before == L' ' || before == L'\t' || before == L'\r' || before == L'\n';
}

} // namespace

HRESULT ExpandScriptVariables(const ReplacementVariables& variables, LPCWSTR text,
                              RegistryScope scope, LPOLESTR* result) {
    if (text == nullptr || result == nullptr) {
        return E_POINTER;
    }
    *result = nullptr;

    ScopedTaskText expandedText;
    ExpansionBuffer expanded(expandedText);
    HRESULT hr = expanded.Reserve(std::wcslen(text));
    if (FAILED(hr)) return hr;

    const bool perUser = scope == RegistryScope::PerUser;
    RootBlockState state;
    LPCWSTR cursor = text;
    while (*cursor != L'\0') {
        if (perUser) {
            if (state.level == 0 && std::wcsncmp(cursor, kClassesRoot, kClassesRootLength) == 0) {
                hr = expanded.Append(kPerUserPrefix);
                if (FAILED(hr)) return hr;
                state.rewritten = true;
                cursor += kClassesRootLength;
                continue;
            }
            if (*cursor == L'\'') {
                if (!state.quoted) {
                    // As the tokenizer reads it, a quote opens a quoted stretch only where a token
                    // starts; inside a plain token (O'Brien) it is a character like any other.
                    state.quoted = AtTokenStart(text, cursor);
                } else if (cursor[1] == L'\'') {
                    // A doubled quote inside a stretch is one character of it, not its end.
                    hr = expanded.Append(cursor, 2);
                    if (FAILED(hr)) return hr;
                    cursor += 2;
                    continue;
                } else {
                    state.quoted = false;
                }
            } else if (!state.quoted && *cursor == L'{') {
                ++state.level;
            } else if (!state.quoted && *cursor == L'}') {
                --state.level;
                if (state.level == 0 && state.rewritten) {
                    hr = expanded.Append(kPerUserSuffix);
                    if (FAILED(hr)) return hr;
                    state.rewritten = false;
                }
            }
        }

        if (*cursor == L'%') {
            if (cursor[1] == L'%') {
                hr = expanded.Append(cursor, 1);
                if (FAILED(hr)) return hr;
                cursor += 2;
                continue;
            }
            LPCWSTR const nameStart = cursor + 1;
            LPCWSTR const nameEnd = std::wcschr(nameStart, L'%');
            if (nameEnd == nullptr) {
                return DISP_E_EXCEPTION;
            }
            const size_t nameLength = static_cast<size_t>(nameEnd - nameStart);
            if (nameLength >= kVariableNameCapacity) {
                return E_FAIL;
            }
            wchar_t name[kVariableNameCapacity];
            std::wmemcpy(name, nameStart, nameLength);
            name[nameLength] = L'\0';
            LPCWSTR const value = variables.Find(name);
            if (value == nullptr) {
                return DISP_E_EXCEPTION;
            }
            hr = expanded.Append(value);
            if (FAILED(hr)) return hr;
            cursor = nameEnd + 1;
            continue;
        }

        LPCWSTR const next = ::CharNextW(cursor);
        hr = expanded.Append(cursor, static_cast<size_t>(next - cursor));
        if (FAILED(hr)) return hr;
        cursor = next;
    }

    *result = expandedText.release();
    return S_OK;
}
