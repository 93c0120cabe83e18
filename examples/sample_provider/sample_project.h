// SampleProject: one open project, a working folder whose files are kept under version in a
// store folder, and the operations on one file each that the provider's entry points apply.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

struct FileRecord;

class SampleProject {
public:
    // Opens the project `name` kept in the folder `store` for the working folder
    // `workingFolder`, on behalf of `user`. A store that holds no project yet is made only when
    // `create` is set. On failure returns null with the interface's code in *result.
    static std::unique_ptr<SampleProject> Open(const std::string& user, const std::string& name,
                                               const std::wstring& workingFolder,
                                               const std::wstring& store, bool create,
                                               LONG* result);

    // True when `store` holds a project, whatever its name.
    static bool StoreHoldsProject(const std::wstring& store);

    // Each of these takes one file by its full narrow path, which must lie inside the working
    // folder, and returns SCC_OK or the interface's code for why nothing was done.

    // Puts the file under version as version 1 and leaves it checked in (read-only).
    LONG Add(const char* file, const char* comment);
    // Lets the user change the file: marks it checked out to the user and makes it writable.
    LONG Checkout(const char* file);
    // Stores the working copy as a new version when it changed, with `comment` in the log, and
    // ends the check-out unless `keepCheckedOut`.
    LONG Checkin(const char* file, const char* comment, bool keepCheckedOut);
    // Ends the user's check-out, throwing the working copy's changes away.
    LONG Uncheckout(const char* file);
    // Replaces the working copy with the latest version; refused while the user has the file
    // checked out, so that no change is lost.
    LONG Get(const char* file);
    // The file's status word: SCC_STATUS_* bits, or SCC_STATUS_INVALID for a path outside the
    // working folder.
    LONG Status(const char* file) const;

private:
    // Where one controlled file lives: its working copy and its place in the store.
    struct Location {
        std::wstring working;
        std::wstring record;
        std::wstring versionStem; // the version number follows: "<stem>1", "<stem>2", ...
        std::wstring Version(int number) const;
    };

    SampleProject(std::string user, std::wstring workingFolder, std::wstring store);

    // Maps a full path inside the working folder to its place in the store; false for any
    // other path, ".." tricks included.
    bool Locate(const char* file, Location* location) const;
    // Locates a controlled file and reads its record: SCC_OK; SCC_E_INVALIDFILEPATH for a path
    // outside the working folder; SCC_E_FILENOTCONTROLLED or SCC_E_ACCESSFAILURE.
    LONG OpenControlled(const char* file, Location* location, FileRecord* record) const;

    std::string user_;
    std::wstring workingFolder_; // full path, ending in a backslash
    std::wstring files_;         // the store's folder of versions and records
};
