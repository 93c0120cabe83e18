// A strict reader of JSON text (RFC 8259) for tests that check a program's JSON output: it
// refuses anything a JSON parser would refuse, and keeps what it read for the test to look at.
#pragma once

#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text; // UTF-8
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;

    bool Has(const std::string& name) const { return members.count(name) != 0; }
    // The member `name`; a null value when there is none.
    const JsonValue& operator[](const std::string& name) const {
        static const JsonValue missing;
        auto found = members.find(name);
        return found != members.end() ? found->second : missing;
    }
};

class JsonReader {
public:
    // The value that `text` holds in full (white space around it aside); nothing when it is
    // not valid JSON.
    static std::optional<JsonValue> Parse(const std::string& text) {
        JsonReader reader(text);
        JsonValue value;
        if (!reader.Value(&value, 0)) {
            return std::nullopt;
        }
        reader.Space();
        if (reader.at_ != text.size()) {
            return std::nullopt;
        }
        return value;
    }

private:
    explicit JsonReader(const std::string& text) : s_(text) {}

    static constexpr int kMaxDepth = 64;

    void Space() {
        while (at_ < s_.size() &&
               (s_[at_] == ' ' || s_[at_] == '\t' || s_[at_] == '\n' || s_[at_] == '\r')) {
            ++at_;
        }
    }
    bool Take(char c) {
        Space();
        if (at_ < s_.size() && s_[at_] == c) {
            ++at_;
            return true;
        }
        return false;
    }
    bool Word(const char* word) {
        const std::string w = word;
        if (s_.compare(at_, w.size(), w) != 0) {
            return false;
        }
        at_ += w.size();
        return true;
    }

    bool Value(JsonValue* value, int depth) {
        Space();
        if (at_ >= s_.size() || depth > kMaxDepth) {
            return false;
        }
        switch (s_[at_]) {
        case '{':
            value->kind = JsonValue::Kind::Object;
            return Object(value, depth);
        case '[':
            value->kind = JsonValue::Kind::Array;
            return Array(value, depth);
        case '"':
            value->kind = JsonValue::Kind::String;
            return String(&value->text);
        case 't':
        case 'f':
            value->kind = JsonValue::Kind::Bool;
            value->boolean = s_[at_] == 't';
            return Word(value->boolean ? "true" : "false");
        case 'n':
            return Word("null");
        default:
            value->kind = JsonValue::Kind::Number;
            return Number(&value->number);
        }
    }

    bool Object(JsonValue* value, int depth) {
        ++at_;
        if (Take('}')) {
            return true;
        }
        do {
            std::string name;
            JsonValue member;
            Space();
            if (at_ >= s_.size() || s_[at_] != '"' || !String(&name) || !Take(':') ||
                !Value(&member, depth + 1) || value->members.count(name) != 0) {
                return false; // a repeated name is refused: the output must not be ambiguous
            }
            value->members[name] = std::move(member);
        } while (Take(','));
        return Take('}');
    }

    bool Array(JsonValue* value, int depth) {
        ++at_;
        if (Take(']')) {
            return true;
        }
        do {
            JsonValue item;
            if (!Value(&item, depth + 1)) {
                return false;
            }
            value->items.push_back(std::move(item));
        } while (Take(','));
        return Take(']');
    }

    bool Number(double* number) {
        const size_t start = at_;
        auto digits = [&] {
            const size_t from = at_;
            while (at_ < s_.size() && s_[at_] >= '0' && s_[at_] <= '9') {
                ++at_;
            }
            return at_ > from;
        };
        if (at_ < s_.size() && s_[at_] == '-') {
            ++at_;
        }
        if (at_ < s_.size() && s_[at_] == '0') {
            ++at_;
        } else if (!digits()) {
            return false;
        }
        if (at_ < s_.size() && s_[at_] == '.' && (++at_, !digits())) {
            return false;
        }
        if (at_ < s_.size() && (s_[at_] == 'e' || s_[at_] == 'E')) {
            ++at_;
            if (at_ < s_.size() && (s_[at_] == '+' || s_[at_] == '-')) {
                ++at_;
            }
            if (!digits()) {
                return false;
            }
        }
        *number = std::strtod(s_.substr(start, at_ - start).c_str(), nullptr);
        return true;
    }

    bool String(std::string* text) {
        ++at_; // the opening quote
        while (at_ < s_.size()) {
            const unsigned char c = static_cast<unsigned char>(s_[at_++]);
            if (c == '"') {
                return true;
            }
            if (c < 0x20) {
                return false; // control characters must be escaped
            }
            if (c != '\\') {
                *text += static_cast<char>(c);
                continue;
            }
            if (at_ >= s_.size()) {
                return false;
            }
            const char e = s_[at_++];
            const std::string simple = "\"\\/bfnrt";
            const std::string meant = "\"\\/\b\f\n\r\t";
            if (simple.find(e) != std::string::npos) {
                *text += meant[simple.find(e)];
            } else if (e != 'u' || !Escape(text)) {
                return false;
            }
        }
        return false;
    }

    // \uXXXX (a surrogate pair as two of them), appended as UTF-8.
    bool Escape(std::string* text) {
        unsigned code = 0;
        if (!Hex(&code)) {
            return false;
        }
        if (code >= 0xD800 && code <= 0xDBFF) {
            unsigned low = 0;
            if (!Word("\\u") || !Hex(&low) || low < 0xDC00 || low > 0xDFFF) {
                return false;
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        } else if (code >= 0xDC00 && code <= 0xDFFF) {
            return false;
        }
        if (code < 0x80) {
            *text += static_cast<char>(code);
        } else if (code < 0x800) {
            *text += static_cast<char>(0xC0 | (code >> 6));
            *text += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            *text += static_cast<char>(0xE0 | (code >> 12));
            *text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            *text += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            *text += static_cast<char>(0xF0 | (code >> 18));
            *text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            *text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            *text += static_cast<char>(0x80 | (code & 0x3F));
        }
        return true;
    }

    bool Hex(unsigned* code) {
        if (at_ + 4 > s_.size()) {
            return false;
        }
        for (int i = 0; i < 4; ++i) {
            const char c = s_[at_++];
            const unsigned digit = c >= '0' && c <= '9'   ? c - '0'
                                   : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                   : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                          : 16u;
            if (digit == 16u) {
                return false;
            }
            *code = *code * 16 + digit;
        }
        return true;
    }

    const std::string& s_;
    size_t at_ = 0;
};
