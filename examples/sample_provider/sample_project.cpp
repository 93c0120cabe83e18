// The sample provider's version store. Layout of a store folder:
//   project.txt              the project's name
//   files\<relative path>.1  version 1 of a working file, .2 the next, ...
//   files\<relative path>.state  its FileRecord
// Every name in the store is a working file's relative path plus one dot-suffix, so no two
// files' entries can collide.
#include "sample_project.h"

#include "file_record.h"
#include "file_system.h"
#include "scc_values.h"
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

// Puts version `version` in place of the working copy, read-only as a checked-in file is.
bool Restore(const std::wstring& version, const std::wstring& working) {
    return CreateFolders(FolderOf(working)) && CopyOver(version, working) &&
           SetReadOnly(working, true);
}

} // namespace

std::wstring SampleProject::Location::Version(int number) const {
    return versionStem + std::to_wstring(number);
}

SampleProject::SampleProject(std::string user, std::wstring workingFolder, std::wstring store)
    : user_(std::move(user)), workingFolder_(std::move(workingFolder)),
      files_(std::move(store) + L"\\files") {}

std::unique_ptr<SampleProject> SampleProject::Open(const std::string& user, const std::string& name,
                                                   const std::wstring& workingFolder,
                                                   const std::wstring& store, bool create,
                                                   LONG* result) {
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
    return std::unique_ptr<SampleProject>(new SampleProject(user, working, root));
}

bool SampleProject::StoreHoldsProject(const std::wstring& store) {
    return FileExists(ProjectFile(WithoutTrailingSlash(FullPath(store))));
}

bool SampleProject::Locate(const char* file, Location* location) const {
    if (file == nullptr) {
        return false;
    }
    // Resolving first means "..\" cannot lead a name out of the working folder, nor its
    // versions out of the store.
    std::wstring full = FullPath(Widen(file));
    int prefix = static_cast<int>(workingFolder_.size());
    if (full.size() <= workingFolder_.size() ||
        ::CompareStringOrdinal(full.c_str(), prefix, workingFolder_.c_str(), prefix, TRUE) !=
            CSTR_EQUAL) {
        return false;
    }
    std::wstring relative = full.substr(workingFolder_.size());
    // A colon would name a stream of another file; a final backslash, a folder.
    if (relative.find(L':') != std::wstring::npos || relative.back() == L'\\') {
        return false;
    }
    location->working = full;
    location->versionStem = files_ + L"\\" + relative + L".";
    location->record = location->versionStem + L"state";
    return true;
}

LONG SampleProject::Add(const char* file, const char* comment) {
    Location at;
    if (!Locate(file, &at)) {
        return SCC_E_INVALIDFILEPATH;
    }
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
    return SCC_OK;
}

LONG SampleProject::OpenControlled(const char* file, Location* location, FileRecord* record) const {
    if (!Locate(file, location)) {
        return SCC_E_INVALIDFILEPATH;
    }
    return LoadControlled(location->record, record);
}

LONG SampleProject::Checkout(const char* file) {
    Location at;
    FileRecord record;
    LONG opened = OpenControlled(file, &at, &record);
    if (opened != SCC_OK) {
        return opened;
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
    return SCC_OK;
}

LONG SampleProject::Checkin(const char* file, const char* comment, bool keepCheckedOut) {
    Location at;
    FileRecord record;
    LONG opened = OpenControlled(file, &at, &record);
    if (opened != SCC_OK) {
        return opened;
    }
    if (!SameName(record.checkedOutBy, user_)) {
        return SCC_E_NOTCHECKEDOUT;
    }
    if (!FileExists(at.working)) {
        return SCC_E_FILENOTEXIST;
    }
    // An unchanged file adds no version: the check-in only ends the check-out.
    if (!SameContent(at.working, at.Version(record.latest))) {
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
    return SCC_OK;
}

LONG SampleProject::Uncheckout(const char* file) {
    Location at;
    FileRecord record;
    LONG opened = OpenControlled(file, &at, &record);
    if (opened != SCC_OK) {
        return opened;
    }
    if (!SameName(record.checkedOutBy, user_)) {
        return SCC_E_NOTCHECKEDOUT;
    }
    record.checkedOutBy.clear();
    if (!Restore(at.Version(record.latest), at.working) || !SaveRecord(at.record, record)) {
        return SCC_E_ACCESSFAILURE;
    }
    return SCC_OK;
}

LONG SampleProject::Get(const char* file) {
    Location at;
    FileRecord record;
    LONG opened = OpenControlled(file, &at, &record);
    if (opened != SCC_OK) {
        return opened;
    }
    if (SameName(record.checkedOutBy, user_)) {
        return SCC_E_FILEISCHECKEDOUT;
    }
    return Restore(at.Version(record.latest), at.working) ? SCC_OK : SCC_E_ACCESSFAILURE;
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
