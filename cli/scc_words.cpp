#include "scc_words.h"

#include <cstring>
#include <cwchar>

namespace {

// What each published result means, for a person; the names are the interface's own.
struct Meaning {
    LONG code;
    const wchar_t* meaning;
};

constexpr Meaning kMeanings[] = {
    {SCC_I_SHARESUBPROJOK, L"the subproject may be shared"},
    {SCC_I_FILEDIFFERS, L"the file differs from the stored version"},
    {SCC_I_RELOADFILE, L"the file changed and must be reloaded"},
    {SCC_I_FILENOTAFFECTED, L"the file was not affected"},
    {SCC_I_PROJECTCREATED, L"a new project was created"},
    {SCC_I_OPERATIONCANCELED, L"the operation was cancelled"},
    {SCC_I_ADV_SUPPORT, L"advanced options are supported"},
    {SCC_OK, L"success"},
    {SCC_E_INITIALIZEFAILED, L"the provider could not start a session"},
    {SCC_E_UNKNOWNPROJECT, L"the provider knows no such project"},
    {SCC_E_COULDNOTCREATEPROJECT, L"the project could not be created"},
    {SCC_E_NOTCHECKEDOUT, L"the file is not checked out"},
    {SCC_E_ALREADYCHECKEDOUT, L"the file is already checked out"},
    {SCC_E_FILEISLOCKED, L"the file is locked"},
    {SCC_E_FILEOUTEXCLUSIVE, L"another user has the file checked out exclusively"},
    {SCC_E_ACCESSFAILURE, L"the provider could not reach the store or the file"},
    {SCC_E_CHECKINCONFLICT, L"the check-in conflicts with another change"},
    {SCC_E_FILEALREADYEXISTS, L"the file already exists"},
    {SCC_E_FILENOTCONTROLLED, L"the file is not under source control"},
    {SCC_E_FILEISCHECKEDOUT, L"the file is checked out"},
    {SCC_E_NOSPECIFIEDVERSION, L"there is no such version"},
    {SCC_E_OPNOTSUPPORTED, L"the provider does not support this operation"},
    {SCC_E_NONSPECIFICERROR, L"the provider failed without saying why"},
    {SCC_E_OPNOTPERFORMED, L"the operation was not performed"},
    {SCC_E_TYPENOTSUPPORTED, L"the file type is not supported"},
    {SCC_E_VERIFYMERGE, L"the merge must be verified"},
    {SCC_E_FIXMERGE, L"the merge must be fixed"},
    {SCC_E_SHELLFAILURE, L"a shell operation failed"},
    {SCC_E_INVALIDUSER, L"the user is not valid"},
    {SCC_E_PROJECTALREADYOPEN, L"a project is already open"},
    {SCC_E_PROJSYNTAXERR, L"the project name is malformed"},
    {SCC_E_INVALIDFILEPATH, L"the file path is not valid"},
    {SCC_E_PROJNOTOPEN, L"no project is open"},
    {SCC_E_NOTAUTHORIZED, L"the user is not authorised"},
    {SCC_E_FILESYNTAXERR, L"the file name is malformed"},
    {SCC_E_FILENOTEXIST, L"the file does not exist"},
    {SCC_E_CONNECTIONFAILURE, L"the connection to the store failed"},
    {SCC_E_UNKNOWNERROR, L"an unknown error"},
    {SCC_E_BACKGROUNDGETINPROGRESS, L"a background get is in progress"},
};

struct NamedBit {
    LONG bit;
    const wchar_t* word;
};

// SCC_STATUS_* without its prefix, lower case.
constexpr NamedBit kStatusBits[] = {
    {SCC_STATUS_CONTROLLED, L"controlled"},   {SCC_STATUS_CHECKEDOUT, L"checkedout"},
    {SCC_STATUS_OUTOTHER, L"outother"},       {SCC_STATUS_OUTEXCLUSIVE, L"outexclusive"},
    {SCC_STATUS_OUTMULTIPLE, L"outmultiple"}, {SCC_STATUS_OUTOFDATE, L"outofdate"},
    {SCC_STATUS_DELETED, L"deleted"},         {SCC_STATUS_LOCKED, L"locked"},
    {SCC_STATUS_MERGED, L"merged"},           {SCC_STATUS_SHARED, L"shared"},
    {SCC_STATUS_PINNED, L"pinned"},           {SCC_STATUS_MODIFIED, L"modified"},
    {SCC_STATUS_OUTBYUSER, L"outbyuser"},     {SCC_STATUS_NOMERGE, L"nomerge"},
};

// SCC_CAP_* without its prefix, lower case.
constexpr NamedBit kCapabilityBits[] = {
    {SCC_CAP_REMOVE, L"remove"},
    {SCC_CAP_RENAME, L"rename"},
    {SCC_CAP_DIFF, L"diff"},
    {SCC_CAP_HISTORY, L"history"},
    {SCC_CAP_PROPERTIES, L"properties"},
    {SCC_CAP_RUNSCC, L"runscc"},
    {SCC_CAP_GETCOMMANDOPTIONS, L"getcommandoptions"},
    {SCC_CAP_QUERYINFO, L"queryinfo"},
    {SCC_CAP_GETEVENTS, L"getevents"},
    {SCC_CAP_GETPROJPATH, L"getprojpath"},
    {SCC_CAP_ADDFROMSCC, L"addfromscc"},
    {SCC_CAP_COMMENTCHECKOUT, L"commentcheckout"},
    {SCC_CAP_COMMENTCHECKIN, L"commentcheckin"},
    {SCC_CAP_COMMENTADD, L"commentadd"},
    {SCC_CAP_COMMENTREMOVE, L"commentremove"},
    {SCC_CAP_TEXTOUT, L"textout"},
    {SCC_CAP_CREATESUBPROJECT, L"createsubproject"},
    {SCC_CAP_GETPARENTPROJECT, L"getparentproject"},
    {SCC_CAP_BATCH, L"batch"},
    {SCC_CAP_DIRECTORYSTATUS, L"directorystatus"},
    {SCC_CAP_DIRECTORYDIFF, L"directorydiff"},
    {SCC_CAP_ADD_STORELATEST, L"add_storelatest"},
    {SCC_CAP_HISTORY_MULTFILE, L"history_multfile"},
    {SCC_CAP_IGNORECASE, L"ignorecase"},
    {SCC_CAP_IGNORESPACE, L"ignorespace"},
    {SCC_CAP_POPULATELIST, L"populatelist"},
    {SCC_CAP_COMMENTPROJECT, L"commentproject"},
    {SCC_CAP_MULTICHECKOUT, L"multicheckout"},
    {SCC_CAP_DIFFALWAYS, L"diffalways"},
    {SCC_CAP_GET_NOUI, L"get_noui"},
    {SCC_CAP_REENTRANT, L"reentrant"},
    {SCC_CAP_SCCFILE, L"sccfile"},
};

template <size_t N> std::vector<std::wstring> Words(LONG value, const NamedBit (&bits)[N]) {
    std::vector<std::wstring> words;
    unsigned long rest = static_cast<unsigned long>(value);
    for (const NamedBit& named : bits) {
        if ((value & named.bit) != 0) {
            words.push_back(named.word);
            rest &= ~static_cast<unsigned long>(named.bit);
        }
    }
    // Bits past the published ones are shown, not dropped: a provider may use them.
    for (unsigned long bit = 1; rest != 0; bit <<= 1) {
        if ((rest & bit) != 0) {
            words.push_back(Hexadecimal(bit));
            rest &= ~bit;
        }
    }
    return words;
}

} // namespace

ResultText DescribeResult(LONG code) {
    for (const Meaning& known : kMeanings) {
        if (known.code == code) {
            const char* name = SccResultNameOf(code);
            return {std::wstring(name, name + std::strlen(name)), known.meaning};
        }
    }
    const wchar_t* kind = code < 0 ? L"an error the interface does not publish"
                                   : L"information the interface does not publish";
    return {L"", kind};
}

std::wstring ResultCode(LONG code) {
    const std::wstring name = DescribeResult(code).name;
    return name.empty() ? std::to_wstring(code) : name + L" (" + std::to_wstring(code) + L")";
}

std::vector<std::wstring> StatusWords(LONG status) {
    if (status == SCC_STATUS_INVALID) {
        return {L"invalid"};
    }
    if (status == SCC_STATUS_NOTCONTROLLED) {
        return {L"notcontrolled"};
    }
    return Words(status, kStatusBits);
}

std::wstring ChangeWord(LONG change) {
    // SCC_CHANGE_UNKNOWN (0) to SCC_CHANGE_RENAMED_FROM (9).
    constexpr const wchar_t* kChanges[] = {
        L"unknown",      L"unchanged",     L"different",  L"nonexistent", L"databasedeleted",
        L"localdeleted", L"databaseadded", L"localadded", L"renamedto",   L"renamedfrom"};
    if (change >= 0 && change < static_cast<LONG>(sizeof kChanges / sizeof kChanges[0])) {
        return kChanges[change];
    }
    return std::to_wstring(change);
}

std::wstring FolderStatusWord(LONG status) {
    switch (status) {
    case SCC_DIRSTATUS_INVALID:
        return L"invalid";
    case SCC_DIRSTATUS_NOTCONTROLLED:
        return L"notcontrolled";
    case SCC_DIRSTATUS_CONTROLLED:
        return L"controlled";
    case SCC_DIRSTATUS_EMPTYPROJ:
        return L"emptyproj";
    default:
        return Hexadecimal(static_cast<unsigned long>(status));
    }
}

std::wstring MessageTypeWord(LONG type) {
    // SCC_MSG_INFO (1) to SCC_MSG_STATUS (4).
    constexpr const wchar_t* kTypes[] = {L"info", L"warning", L"error", L"status"};
    if (type >= static_cast<LONG>(SCC_MSG_INFO) && type <= static_cast<LONG>(SCC_MSG_STATUS)) {
        return kTypes[type - static_cast<LONG>(SCC_MSG_INFO)];
    }
    return L"type " + std::to_wstring(type);
}

std::vector<std::wstring> CapabilityWords(LONG capabilities) {
    return Words(capabilities, kCapabilityBits);
}

std::wstring Hexadecimal(unsigned long value) {
    wchar_t text[16];
    std::swprintf(text, sizeof text / sizeof text[0], L"0x%08lX", value);
    return text;
}

std::wstring JoinWords(const std::vector<std::wstring>& words) {
    std::wstring text;
    for (const std::wstring& word : words) {
        text += (text.empty() ? L"" : L", ") + word;
    }
    return text;
}
