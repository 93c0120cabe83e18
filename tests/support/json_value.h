// A strict reader of JSON text (RFC 8259) for tests that check a program's JSON output: it
// refuses what a JSON parser refuses, and keeps what it read for the test to look at.
#pragma once

#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct JsonValue {
    enum class Kind { Null, Bool, Number, String, Array, Object };
    Kind kind = Kind::Null;
    bool boolean = false;
    double number = 0;
    std::string text; // strings as UTF-8
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;

    // The member `name`; a null value when there is none.
    const JsonValue& operator[](const std::string& name) const {
        static const JsonValue missing;
        auto found = members.find(name);
        return found != members.end() ? found->second : missing;
    }
};

class JsonReader {
public:
    // The one value `text` holds (white space around it aside); nothing when it is not JSON.
    static std::optional<JsonValue> Parse(const std::string& text) {
        JsonReader reader(text);
        JsonValue value;
        if (!reader.Value(&value, 0) || (reader.Space(), reader.at_ != text.size())) {
            return std::nullopt;
        }
        return value;
    }

private:
    explicit JsonReader(const std::string& text) : s_(text) {}

    char Peek() const { return at_ < s_.size() ? s_[at_] : '\0'; }
    void Space() {
        while (Peek() != '\0' && std::strchr(" \t\r\n", Peek()) != nullptr) {
            ++at_;
        }
    }
    bool Take(char c) {
        Space();
        return Peek() == c && c != '\0' ? (++at_, true) : false;
    }
    bool Word(const char* word) {
        const size_t length = std::strlen(word);
        return s_.compare(at_, length, word) == 0 ? (at_ += length, true) : false;
    }
    bool Digits() {
        const size_t from = at_;
        while (Peek() >= '0' && Peek() <= '9') {
            ++at_;
        }
        return at_ > from;
    }

    bool Value(JsonValue* value, int depth) {
        Space();
        if (depth > 64) {
            return false;
        }
        using Kind = JsonValue::Kind;
        switch (Peek()) {
        case '{':
            value->kind = Kind::Object;
            return Members(value, depth);
        case '[':
            value->kind = Kind::Array;
            return Items(value, depth);
        case '"':
            value->kind = Kind::String;
            return String(&value->text);
        case 't':
        case 'f':
            value->kind = Kind::Bool;
            value->boolean = Peek() == 't';
            return Word(value->boolean ? "true" : "false");
        case 'n':
            return Word("null");
        default:
            value->kind = Kind::Number;
            return Number(&value->number);
        }
    }

    bool Members(JsonValue* value, int depth) {
        ++at_;
        if (Take('}')) {
            return true;
        }
        do {
            std::string name;
            JsonValue member;
            Space();
            // A repeated name is refused: the output must not be ambiguous.
            if (Peek() != '"' || !String(&name) || !Take(':') || !Value(&member, depth + 1) ||
                !value->members.emplace(name, std::move(member)).second) {
                return false;
            }
        } while (Take(','));
        return Take('}');
    }

    bool Items(JsonValue* value, int depth) {
        ++at_;
        if (Take(']')) {
            return true;
        }
        do {
            value->items.emplace_back();
            if (!Value(&value->items.back(), depth + 1)) {
                return false;
            }
        } while (Take(','));
        return Take(']');
    }

    bool Number(double* number) {
        const size_t start = at_;
        at_ += Peek() == '-';
        if (!Word("0") && !Digits()) {
            return false;
        }
        if (Peek() == '.' && (++at_, !Digits())) {
            return false;
        }
        if (Peek() == 'e' || Peek() == 'E') {
            ++at_;
            at_ += Peek() == '+' || Peek() == '-';
            if (!Digits()) {
                return false;
            }
        }
        *number = std::strtod(s_.substr(start, at_ - start).c_str(), nullptr);
        return true;
    }

    bool String(std::string* text) {
        for (++at_; at_ < s_.size();) {
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
            const char* simple = std::strchr("\"\\/bfnrt", Peek());
            if (Peek() != '\0' && simple != nullptr) {
                *text += "\"\\/\b\f\n\r\t"[simple - "\"\\/bfnrt"];
                ++at_;
            } else if (Peek() != 'u' || (++at_, !Escape(text))) {
                return false;
            }
        }
        return false;
    }

    // The four hexadecimal digits after \u (a surrogate pair as two escapes), as UTF-8.
    bool Escape(std::string* text) {
        unsigned code = 0;
        if (!Hex(&code) || (code >= 0xDC00 && code <= 0xDFFF)) {
            return false;
        }
        if (code >= 0xD800 && code <= 0xDBFF) {
            unsigned low = 0;
            if (!Word("\\u") || !Hex(&low) || low < 0xDC00 || low > 0xDFFF) {
                return false;
            }
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        const int extra = code < 0x80 ? 0 : code < 0x800 ? 1 : code < 0x10000 ? 2 : 3;
        const unsigned char lead[] = {0x00, 0xC0, 0xE0, 0xF0};
        *text += static_cast<char>(lead[extra] | (code >> (6 * extra)));
        for (int i = extra - 1; i >= 0; --i) {
            *text += static_cast<char>(0x80 | ((code >> (6 * i)) & 0x3F));
        }
        return true;
    }

    bool Hex(unsigned* code) {
        for (int i = 0; i < 4; ++i) {
            const char* digits = "0123456789abcdef0123456789ABCDEF";
            const char* found = Peek() != '\0' ? std::strchr(digits, Peek()) : nullptr;
            if (found == nullptr) {
                return false;
            }
            *code = *code * 16 + static_cast<unsigned>((found - digits) % 16);
            ++at_;
        }
        return true;
    }

    const std::string& s_;
    size_t at_ = 0;
};
