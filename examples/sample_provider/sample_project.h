// SampleProject: one open project, a working folder whose files are kept under version in a
// store folder, and the operations on one file each that the provider's entry points apply.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "project_messages.h"
#include "provider_entry_points.h"

struct FileRecord;

class SampleProject {
public:
    // Opens the project `name` kept in the folder `store` for the working folder
    // `workingFolder`, on behalf of `user`. A store that holds no project yet is made only when
    // `create` is set. Messages go to `textOut`, when it is not null. On failure returns null
    // with the interface's code in *result.
    static std::unique_ptr<SampleProject> Open(const std::string& user, const std::string& name,
                                               const std::wstring& workingFolder,
                                               const std::wstring& store, bool create,
                                               provider::TextOutProc textOut, LONG* result);

    // True when `store` holds a project, whatever its name.
    static bool StoreHoldsProject(const std::wstring& store);

    // Each of these takes one file by its full narrow path, which must lie inside the working
    // folder, and returns SCC_OK or the interface's code for why nothing was done. Each writes
    // one message: what it did, or why it did nothing.

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
    // Takes the file out of source control: its record and versions leave the store, the
    // working copy stays, writable. Refused while anybody has the file checked out.
    LONG Remove(const char* file);
    // Gives a controlled file another name inside the working folder: the working copy, its
    // record and its versions move together, or nothing moves. Refused while anybody has the
    // file checked out and when the new name is taken.
    LONG Rename(const char* file, const char* newName);

    // These only look, and write no message.

    // The file's status word: SCC_STATUS_* bits, or SCC_STATUS_INVALID for a path outside the
    // working folder.
    LONG Status(const char* file) const;
    // How the working copy stands against the store: an SCC_CHANGE_* value.
    DWORD Change(const char* file) const;

    // A controlled file found in a folder: its full narrow path and its status word.
    struct ListedFile {
        std::string path;
        LONG status;
    };
    // The controlled files directly in `folder` (the working folder or one inside it), sorted by
    // path, in *files. Returns the folder's status: SCC_STATUS_CONTROLLED when it holds any,
    // SCC_STATUS_NOTCONTROLLED when not, SCC_STATUS_INVALID for a path outside.
    LONG ControlledFilesIn(const char* folder, std::vector<ListedFile>* files) const;

private:
    // Where one file lives: its working copy, its place in the store and the name it goes by
    // in messages.
    struct Location {
        std::wstring working;
        std::wstring record;
        std::wstring versionStem; // the version number follows: "<stem>1", "<stem>2", ...
        std::string name;         // relative to the working folder
        std::wstring Version(int number) const;
    };

    SampleProject(std::string user, std::wstring workingFolder, std::wstring store,
                  provider::TextOutProc textOut);

    // The part of a resolved path below the working folder, empty for the working folder itself;
    // false for any path outside it, ".." tricks included.
    bool Relative(const char* path, bool folder, std::wstring* relative) const;
    // Maps a full path inside the working folder to its place in the store; false for any
    // other path.
    bool Locate(const char* file, Location* location) const;
    // Locates a controlled file and reads its record: SCC_OK; SCC_E_INVALIDFILEPATH for a path
    // outside the working folder; SCC_E_FILENOTCONTROLLED or SCC_E_ACCESSFAILURE.
    LONG OpenControlled(const char* file, Location* location, FileRecord* record) const;
    // Locates `file` and applies `operation` (LONG(const Location&, std::string* done)) to it,
    // then writes the message: what the operation says it did, or why `action` failed.
    template <typename Operation>
    LONG Reported(const char* action, const char* file, Operation operation);
    // Moves a controlled file and its store entries to another location, undoing what was done
    // when a step fails.
    LONG Move(const Location& from, const Location& to);

    std::string user_;
    std::wstring workingFolder_; // full path, ending in a backslash
    std::wstring files_;         // the store's folder of versions and records
    ProjectMessages messages_;
};
