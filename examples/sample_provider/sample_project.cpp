// The sample provider's version store. Layout of a store folder:
//   project.txt              the project's name
//   files\<relative path>.1  version 1 of a working file, .2 the next, ...
//   files\<relative path>.state  its FileRecord
// Every name in the store is a working file's relative path plus one dot-suffix, so no two
// files' entries can collide.
#include "sample_project.h"

#include <algorithm>

#include "file_record.h"
#include "file_system.h"
#include "provider_values.h"
#include "thread_text.h"

namespace {

std::wstring ProjectFile(const std::wstring& store) {
    return store + L"\\project.txt";
}

// Keeps a drive root ("C:\") whole: it is the one folder whose name ends in a backslash.
std::wstring WithoutTrailingSlash(std::wstring path) {
    while (path.size() > 3 && path.back() == L'\\') {
        path.pop_back();
    }
    return path;
}

std::wstring FolderOf(const std::wstring& path) {
    return path.substr(0, path.find_last_of(L'\\'));
}

std::string FirstLine(const std::string& text) {
    return text.substr(0, text.find_first_of("\r\n"));
}

bool SameName(const std::string& a, const std::string& b) {
    return ::lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

// Reads the record of a controlled file: SCC_OK, or why it cannot be had.
LONG LoadControlled(const std::wstring& path, FileRecord* record) {
    if (LoadRecord(path, record)) {
        return SCC_OK;
    }
    return FileExists(path) ? SCC_E_ACCESSFAILURE : SCC_E_FILENOTCONTROLLED;
}

bool SameFile(const std::wstring& a, const std::wstring& b) {
    return ::CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                  static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
    return text.size() >= end.size() &&
           text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The name a message gives a file that could not be located: the path as the caller gave it.
std::string Given(const char* file) {
    return file != nullptr ? file : "(no name)";
}

// Puts version `version` in place of the working copy, read-only as a checked-in file is.
bool Restore(const std::wstring& version, const std::wstring& working) {
    return CreateFolders(FolderOf(working)) && CopyOver(version, working) &&
           SetReadOnly(working, true);
}

} // namespace

std::wstring SampleProject::Location::Version(int number) const {
    return versionStem + std::to_wstring(number);
}

SampleProject::SampleProject(std::string user, std::wstring workingFolder, std::wstring store,
                             provider::TextOutProc textOut)
    : user_(std::move(user)), workingFolder_(std::move(workingFolder)),
      files_(std::move(store) + L"\\files"), messages_(textOut) {}

std::unique_ptr<SampleProject> SampleProject::Open(const std::string& user, const std::string& name,
                                                   const std::wstring& workingFolder,
                                                   const std::wstring& store, bool create,
                                                   provider::TextOutProc textOut, LONG* result) {
    if (name.empty() || name.find_first_of("\r\n") != std::string::npos) {
        *result = SCC_E_PROJSYNTAXERR;
        return nullptr;
    }
    std::wstring working = WithoutTrailingSlash(FullPath(workingFolder));
    std::wstring root = WithoutTrailingSlash(FullPath(store));
    if (working.empty() || root.empty() || !FolderExists(working)) {
        *result = SCC_E_INVALIDFILEPATH;
        return nullptr;
    }
    std::string recorded;
    if (ReadWholeFile(ProjectFile(root), &recorded)) {
        if (!SameName(FirstLine(recorded), name)) {
            *result = SCC_E_UNKNOWNPROJECT;
            return nullptr;
        }
    } else if (FileExists(ProjectFile(root))) {
        // There is a project we cannot read: making a new one would overwrite it.
        *result = SCC_E_ACCESSFAILURE;
        return nullptr;
    } else if (!create) {
        *result = SCC_E_UNKNOWNPROJECT;
        return nullptr;
    } else if (!CreateFolders(root + L"\\files") ||
               !WriteWholeFile(ProjectFile(root), name + "\n")) {
        *result = SCC_E_COULDNOTCREATEPROJECT;
        return nullptr;
    }
    if (working.back() != L'\\') {
        working += L'\\';
    }
    *result = SCC_OK;
    return std::unique_ptr<SampleProject>(new SampleProject(user, working, root, textOut));
}

bool SampleProject::StoreHoldsProject(const std::wstring& store) {
    return FileExists(ProjectFile(WithoutTrailingSlash(FullPath(store))));
}

bool SampleProject::Relative(const char* path, bool folder, std::wstring* relative) const {
    if (path == nullptr) {
        return false;
    }
    // Resolving first means "..\" cannot lead a name out of the working folder, nor its
    // versions out of the store.
    std::wstring full = FullPath(Widen(path));
    if (folder && !full.empty() && full.back() != L'\\') {
        full += L'\\'; // the working folder itself then matches the whole prefix
    }
    int prefix = static_cast<int>(workingFolder_.size());
    if (full.size() < workingFolder_.size() ||
        ::CompareStringOrdinal(full.c_str(), prefix, workingFolder_.c_str(), prefix, TRUE) !=
            CSTR_EQUAL) {
        return false;
    }
    std::wstring rest = full.substr(workingFolder_.size());
    // A colon would name a stream of another file.
    if (rest.find(L':') != std::wstring::npos) {
        return false;
    }
    while (folder && !rest.empty() && rest.back() == L'\\') {
        rest.pop_back();
    }
    *relative = std::move(rest);
    return true;
}

bool SampleProject::Locate(const char* file, Location* location) const {
    std::wstring relative;
    // An empty name is the working folder itself; a final backslash, a folder.
    if (!Relative(file, false, &relative) || relative.empty() || relative.back() == L'\\') {
        return false;
    }
    location->working = workingFolder_ + relative;
    location->versionStem = files_ + L"\\" + relative + L".";
    location->record = location->versionStem + L"state";
    if (!Narrow(relative, &location->name)) {
        location->name = file;
    }
    return true;
}

LONG SampleProject::OpenControlled(const char* file, Location* location, FileRecord* record) const {
    if (!Locate(file, location)) {
        return SCC_E_INVALIDFILEPATH;
    }
    return LoadControlled(location->record, record);
}

template <typename Operation>
LONG SampleProject::Reported(const char* action, const char* file, Operation operation) {
    Location at;
    if (!Locate(file, &at)) {
        return messages_.Failed(std::string(action) + " " + Given(file), SCC_E_INVALIDFILEPATH);
    }
    std::string done;
    LONG result = operation(at, &done);
    if (result != SCC_OK) {
        return messages_.Failed(std::string(action) + " " + at.name, result);
    }
    messages_.Done(done);
    return SCC_OK;
}

LONG SampleProject::Add(const char* file, const char* comment) {
    return Reported("add", file, [&](const Location& at, std::string* done) -> LONG {
        if (FileExists(at.record)) {
            return SCC_E_FILEALREADYEXISTS;
        }
        if (!FileExists(at.working)) {
            return SCC_E_FILENOTEXIST;
        }
        FileRecord record;
        record.latest = 1;
        record.log.push_back({1, user_, comment != nullptr ? comment : ""});
        // The record goes last: until it exists the file is not controlled, whatever else was
        // written.
        if (!CreateFolders(FolderOf(at.record)) || !CopyOver(at.working, at.Version(1)) ||
            !SaveRecord(at.record, record)) {
            return SCC_E_ACCESSFAILURE;
        }
        SetReadOnly(at.working, true);
        *done = "added " + at.name + " as version 1";
        return SCC_OK;
    });
}

LONG SampleProject::Checkout(const char* file) {
    return Reported("check out", file, [&](const Location& at, std::string* done) -> LONG {
        FileRecord record;
        LONG loaded = LoadControlled(at.record, &record);
        if (loaded != SCC_OK) {
            return loaded;
        }
        if (!record.checkedOutBy.empty()) {
            return SameName(record.checkedOutBy, user_) ? SCC_E_ALREADYCHECKEDOUT
                                                        : SCC_E_FILEOUTEXCLUSIVE;
        }
        if (!FileExists(at.working) && !Restore(at.Version(record.latest), at.working)) {
            return SCC_E_ACCESSFAILURE;
        }
        record.checkedOutBy = user_;
        if (!SaveRecord(at.record, record) || !SetReadOnly(at.working, false)) {
            return SCC_E_ACCESSFAILURE;
        }
        *done = "checked out " + at.name;
        return SCC_OK;
    });
}

LONG SampleProject::Checkin(const char* file, const char* comment, bool keepCheckedOut) {
    return Reported("check in", file, [&](const Location& at, std::string* done) -> LONG {
        FileRecord record;
        LONG loaded = LoadControlled(at.record, &record);
        if (loaded != SCC_OK) {
            return loaded;
        }
        if (!SameName(record.checkedOutBy, user_)) {
            return SCC_E_NOTCHECKEDOUT;
        }
        if (!FileExists(at.working)) {
            return SCC_E_FILENOTEXIST;
        }
        // An unchanged file adds no version: the check-in only ends the check-out.
        bool changed = !SameContent(at.working, at.Version(record.latest));
        if (changed) {
            int next = record.latest + 1;
            if (!CopyOver(at.working, at.Version(next))) {
                return SCC_E_ACCESSFAILURE;
            }
            record.latest = next;
            record.log.push_back({next, user_, comment != nullptr ? comment : ""});
        }
        if (!keepCheckedOut) {
            record.checkedOutBy.clear();
        }
        if (!SaveRecord(at.record, record)) {
            return SCC_E_ACCESSFAILURE;
        }
        if (!keepCheckedOut) {
            SetReadOnly(at.working, true);
        }
        std::string version = std::to_string(record.latest);
        *done = "checked in " + at.name +
                (changed ? " as version " + version : ": unchanged, still version " + version) +
                (keepCheckedOut ? ", kept checked out" : "");
        return SCC_OK;
    });
}

LONG SampleProject::Uncheckout(const char* file) {
    return Reported(
        "undo the check-out of", file, [&](const Location& at, std::string* done) -> LONG {
            FileRecord record;
            LONG loaded = LoadControlled(at.record, &record);
            if (loaded != SCC_OK) {
                return loaded;
            }
            if (!SameName(record.checkedOutBy, user_)) {
                return SCC_E_NOTCHECKEDOUT;
            }
            record.checkedOutBy.clear();
            if (!Restore(at.Version(record.latest), at.working) || !SaveRecord(at.record, record)) {
                return SCC_E_ACCESSFAILURE;
            }
            *done = "check-out of " + at.name + " undone";
            return SCC_OK;
        });
}

LONG SampleProject::Get(const char* file) {
    return Reported("get", file, [&](const Location& at, std::string* done) -> LONG {
        FileRecord record;
        LONG loaded = LoadControlled(at.record, &record);
        if (loaded != SCC_OK) {
            return loaded;
        }
        if (SameName(record.checkedOutBy, user_)) {
            return SCC_E_FILEISCHECKEDOUT;
        }
        if (!Restore(at.Version(record.latest), at.working)) {
            return SCC_E_ACCESSFAILURE;
        }
        *done = "got version " + std::to_string(record.latest) + " of " + at.name;
        return SCC_OK;
    });
}

LONG SampleProject::Remove(const char* file) {
    return Reported("remove", file, [&](const Location& at, std::string* done) -> LONG {
        FileRecord record;
        LONG loaded = LoadControlled(at.record, &record);
        if (loaded != SCC_OK) {
            return loaded;
        }
        // A check-out is work under way, the user's or another's: it ends with a check-in or
        // an undone check-out, not by the file leaving source control under it.
        if (!record.checkedOutBy.empty()) {
            return SCC_E_FILEISCHECKEDOUT;
        }
        // The record goes first: once it is gone the file is not controlled, and a version
        // left behind by a failure is written over by the next add of the name.
        if (!RemoveFile(at.record)) {
            return SCC_E_ACCESSFAILURE;
        }
        for (int version = 1; version <= record.latest; ++version) {
            RemoveFile(at.Version(version));
        }
        // The file is the user's own again, to change at will.
        if (FileExists(at.working)) {
            SetReadOnly(at.working, false);
        }
        *done = "removed " + at.name + " from the project";
        return SCC_OK;
    });
}

LONG SampleProject::Rename(const char* file, const char* newName) {
    Location from;
    Location to;
    bool located = Locate(file, &from);
    bool newLocated = Locate(newName, &to);
    std::string action = "rename " + (located ? from.name : Given(file)) + " to " +
                         (newLocated ? to.name : Given(newName));
    if (!located || !newLocated) {
        return messages_.Failed(action, SCC_E_INVALIDFILEPATH);
    }
    LONG result = Move(from, to);
    if (result == SCC_E_FILEALREADYEXISTS) {
        return messages_.Failed(action, to.name + " already exists", result);
    }
    if (result != SCC_OK) {
        return messages_.Failed(action, result);
    }
    messages_.Done("renamed " + from.name + " to " + to.name);
    return SCC_OK;
}

LONG SampleProject::Move(const Location& from, const Location& to) {
    FileRecord record;
    LONG loaded = LoadControlled(from.record, &record);
    if (loaded != SCC_OK) {
        return loaded;
    }
    // The same file under another spelling is a name already taken, too.
    if (SameFile(from.working, to.working) || FileExists(to.working) || FolderExists(to.working) ||
        FileExists(to.record)) {
        return SCC_E_FILEALREADYEXISTS;
    }
    // A check-out names the file: the user's own would have to follow it, another user's would
    // be left behind on a name that no longer exists.
    if (!record.checkedOutBy.empty()) {
        return SCC_E_FILEISCHECKEDOUT;
    }
    // The versions are copied, not moved, so the old name keeps all it needs until its record
    // moves; that move is the step that makes the new name the controlled one.
    auto dropCopies = [&]() {
        for (int version = 1; version <= record.latest; ++version) {
            RemoveFile(to.Version(version));
        }
    };
    if (!CreateFolders(FolderOf(to.record)) || !CreateFolders(FolderOf(to.working))) {
        return SCC_E_ACCESSFAILURE;
    }
    for (int version = 1; version <= record.latest; ++version) {
        if (!CopyOver(from.Version(version), to.Version(version))) {
            dropCopies();
            return SCC_E_ACCESSFAILURE;
        }
    }
    // A working copy deleted by the user stays deleted: only the store's entries move then.
    bool movesWorking = FileExists(from.working);
    if (movesWorking && !MoveTo(from.working, to.working)) {
        dropCopies();
        return SCC_E_ACCESSFAILURE;
    }
    if (!MoveTo(from.record, to.record)) {
        if (movesWorking) {
            MoveTo(to.working, from.working);
        }
        dropCopies();
        return SCC_E_ACCESSFAILURE;
    }
    for (int version = 1; version <= record.latest; ++version) {
        RemoveFile(from.Version(version));
    }
    return SCC_OK;
}

LONG SampleProject::Status(const char* file) const {
    Location at;
    FileRecord record;
    LONG opened = OpenControlled(file, &at, &record);
    if (opened != SCC_OK) {
        return opened == SCC_E_FILENOTCONTROLLED ? SCC_STATUS_NOTCONTROLLED : SCC_STATUS_INVALID;
    }
    LONG status = SCC_STATUS_CONTROLLED;
    if (SameName(record.checkedOutBy, user_)) {
        status |= SCC_STATUS_CHECKEDOUT | SCC_STATUS_OUTBYUSER;
    } else if (!record.checkedOutBy.empty()) {
        status |= SCC_STATUS_OUTOTHER;
    }
    if (FileExists(at.working) && !SameContent(at.working, at.Version(record.latest))) {
        status |= SCC_STATUS_MODIFIED;
    }
    return status;
}

DWORD SampleProject::Change(const char* file) const {
    Location at;
    FileRecord record;
    LONG opened = OpenControlled(file, &at, &record);
    if (opened == SCC_E_FILENOTCONTROLLED) {
        return FileExists(at.working) ? SCC_CHANGE_LOCAL_ADDED : SCC_CHANGE_NONEXISTENT;
    }
    if (opened != SCC_OK) {
        return SCC_CHANGE_UNKNOWN;
    }
    if (!FileExists(at.working)) {
        return SCC_CHANGE_LOCAL_DELETED;
    }
    return SameContent(at.working, at.Version(record.latest)) ? SCC_CHANGE_UNCHANGED
                                                              : SCC_CHANGE_DIFFERENT;
}

LONG SampleProject::ControlledFilesIn(const char* folder, std::vector<ListedFile>* files) const {
    files->clear();
    std::wstring relative;
    if (!Relative(folder, true, &relative)) {
        return SCC_STATUS_INVALID;
    }
    std::wstring prefix = relative.empty() ? std::wstring() : relative + L"\\";
    // Every record in the store's folder names a controlled file; a store without the folder
    // has none there.
    const std::wstring kRecordSuffix = L".state";
    std::vector<std::wstring> entries;
    ListFiles(relative.empty() ? files_ : files_ + L"\\" + relative, &entries);
    for (const std::wstring& entry : entries) {
        std::string path;
        if (!EndsWith(entry, kRecordSuffix) ||
            !Narrow(workingFolder_ + prefix + entry.substr(0, entry.size() - kRecordSuffix.size()),
                    &path)) {
            continue;
        }
        LONG status = Status(path.c_str());
        if (status != SCC_STATUS_INVALID && (status & SCC_STATUS_CONTROLLED) != 0) {
            files->push_back({path, status});
        }
    }
    std::sort(files->begin(), files->end(),
              [](const ListedFile& a, const ListedFile& b) { return a.path < b.path; });
    return files->empty() ? SCC_STATUS_NOTCONTROLLED : SCC_STATUS_CONTROLLED;
}
