// The store's record of one controlled file: its latest version, who has it checked out and the
// log of comments, kept as a small text file beside the file's versions.
#pragma once

#include <string>
#include <vector>

struct FileRecord {
    struct LogEntry {
        int version = 0;
        std::string user;
        std::string comment;
    };

    // The number of the newest version in the store; versions run from 1 without gaps.
    int latest = 0;
    // The user who has the file checked out; empty while nobody has.
    std::string checkedOutBy;
    // One entry per stored version, oldest first.
    std::vector<LogEntry> log;
};

// Reads the record at `path` into *record; false (and *record unchanged) when it is missing or
// not a record.
bool LoadRecord(const std::wstring& path, FileRecord* record);

// Writes the record so that a failure part way leaves the previous record whole.
bool SaveRecord(const std::wstring& path, const FileRecord& record);
