#include "json_text.h"

#include <cwchar>

std::wstring JsonString(const std::wstring& text) {
    std::wstring json = L"\"";
    for (wchar_t c : text) {
        switch (c) {
        case L'"':
            json += L"\\\"";
            break;
        case L'\\':
            json += L"\\\\";
            break;
        case L'\n':
            json += L"\\n";
            break;
        case L'\r':
            json += L"\\r";
            break;
        case L'\t':
            json += L"\\t";
            break;
        default:
            if (c < 0x20) {
                wchar_t escape[8];
                std::swprintf(escape, sizeof escape / sizeof escape[0], L"\\u%04X",
                              static_cast<unsigned>(c));
                json += escape;
            } else {
                json += c;
            }
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
