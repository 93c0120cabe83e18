// The record's text form, one fact a line:
//   latest 2
//   out alice            ("out" alone while nobody has the file checked out)
//   log 1<TAB>alice<TAB>first version
#include "file_record.h"

#include <cstdlib>

#include "file_system.h"

namespace {

// Tabs and line ends separate the record's fields, so user text must not carry them.
std::string OneLine(const std::string& text) {
    std::string line = text;
    for (char& c : line) {
        if (c == '\t' || c == '\r' || c == '\n') {
            c = ' ';
        }
    }
    return line;
}

bool StartsWith(const std::string& line, const char* prefix, std::string* rest) {
    std::string head(prefix);
    if (line.compare(0, head.size(), head) != 0) {
        return false;
    }
    *rest = line.substr(head.size());
    return true;
}

bool ParseLogEntry(const std::string& text, FileRecord::LogEntry* entry) {
    size_t first = text.find('\t');
    size_t second = first == std::string::npos ? first : text.find('\t', first + 1);
    if (second == std::string::npos) {
        return false;
    }
    entry->version = std::atoi(text.substr(0, first).c_str());
    entry->user = text.substr(first + 1, second - first - 1);
    entry->comment = text.substr(second + 1);
    return entry->version > 0;
}

} // namespace

bool LoadRecord(const std::wstring& path, FileRecord* record) {
    std::string text;
    if (!ReadWholeFile(path, &text)) {
        return false;
    }
    FileRecord loaded;
    std::string rest;
    for (size_t start = 0; start < text.size();) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (StartsWith(line, "latest ", &rest)) {
            loaded.latest = std::atoi(rest.c_str());
        } else if (line == "out") {
            loaded.checkedOutBy.clear();
        } else if (StartsWith(line, "out ", &rest)) {
            loaded.checkedOutBy = rest;
        } else if (StartsWith(line, "log ", &rest)) {
            FileRecord::LogEntry entry;
            if (!ParseLogEntry(rest, &entry)) {
                return false;
            }
            loaded.log.push_back(entry);
        } else if (!line.empty()) {
            return false;
        }
    }
    if (loaded.latest < 1) {
        return false;
    }
    *record = std::move(loaded);
    return true;
}

bool SaveRecord(const std::wstring& path, const FileRecord& record) {
    std::string text = "latest " + std::to_string(record.latest) + "\n";
    text += record.checkedOutBy.empty() ? "out\n" : "out " + OneLine(record.checkedOutBy) + "\n";
    for (const FileRecord::LogEntry& entry : record.log) {
        text += "log " + std::to_string(entry.version) + "\t" + OneLine(entry.user) + "\t" +
                OneLine(entry.comment) + "\n";
    }
    return WriteWholeFile(path, text);
}
