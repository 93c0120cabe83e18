#include "json_text.h"

#include <cwchar>

namespace {

struct Escape {
    wchar_t character;
    const wchar_t* escaped;
};

constexpr Escape kEscapes[] = {
    {L'"', L"\\\""}, {L'\\', L"\\\\"}, {L'\n', L"\\n"}, {L'\r', L"\\r"}, {L'\t', L"\\t"},
};

const wchar_t* Escaped(wchar_t c) {
    for (const Escape& escape : kEscapes) {
        if (escape.character == c) {
            return escape.escaped;
        }
    }
    return nullptr;
}

} // namespace

std::wstring JsonString(const std::wstring& text) {
    std::wstring json = L"\"";
    for (wchar_t c : text) {
        if (const wchar_t* escaped = Escaped(c)) {
            json += escaped;
        } else if (c < 0x20) {
            // Every other control character must be escaped too.
            wchar_t code[8];
            std::swprintf(code, sizeof code / sizeof code[0], L"\\u%04X", static_cast<unsigned>(c));
            json += code;
        } else {
            json += c;
        }
    }
    return json + L"\"";
}

std::wstring JsonArray(const std::vector<std::wstring>& values) {
    std::wstring json = L"[";
    for (size_t i = 0; i < values.size(); ++i) {
        json += (i == 0 ? L"" : L",") + values[i];
    }
    return json + L"]";
}

std::wstring JsonStrings(const std::vector<std::wstring>& texts) {
    std::vector<std::wstring> values;
    values.reserve(texts.size());
    for (const std::wstring& text : texts) {
        values.push_back(JsonString(text));
    }
    return JsonArray(values);
}

JsonObject& JsonObject::Raw(const wchar_t* name, const std::wstring& json) {
    members_ += (members_.empty() ? L"" : L",") + JsonString(name) + L":" + json;
    return *this;
}

JsonObject& JsonObject::Text(const wchar_t* name, const std::wstring& value) {
    return Raw(name, JsonString(value));
}

JsonObject& JsonObject::Number(const wchar_t* name, long long value) {
    return Raw(name, std::to_wstring(value));
}

JsonObject& JsonObject::Bool(const wchar_t* name, bool value) {
    return Raw(name, value ? L"true" : L"false");
}

std::wstring JsonObject::str() const {
    return L"{" + members_ + L"}";
}
