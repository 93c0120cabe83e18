// The little JSON that plimo-scc writes: strings escaped, values joined into objects and arrays.
#pragma once

#include <string>
#include <vector>

// `text` as a JSON string, quotes included.
std::wstring JsonString(const std::wstring& text);

// A JSON array of strings.
std::wstring JsonStrings(const std::vector<std::wstring>& texts);

// Builds one JSON object, member by member, in the order they are added. Values given as
// JSON text are inserted as they are.
class JsonObject {
public:
    JsonObject& Text(const wchar_t* name, const std::wstring& value);
    JsonObject& Number(const wchar_t* name, long long value);
    JsonObject& Bool(const wchar_t* name, bool value);
    JsonObject& Raw(const wchar_t* name, const std::wstring& json);
    // The object's text, braces included.
    std::wstring str() const;

private:
    std::wstring members_;
};

// A JSON array of values that are already JSON text.
std::wstring JsonArray(const std::vector<std::wstring>& values);
