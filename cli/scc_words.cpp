#include "scc_words.h"

#include <cwchar>

namespace {

struct NamedCode {
    LONG code;
    const wchar_t* name;
    const wchar_t* meaning;
};

// The result codes as the interface's documentation publishes them: above 0 informational, 0
// success, below 0 errors.
constexpr NamedCode kResults[] = {
    {7, L"SCC_I_SHARESUBPROJOK", L"the subproject may be shared"},
    {6, L"SCC_I_FILEDIFFERS", L"the file differs from the stored version"},
    {5, L"SCC_I_RELOADFILE", L"the file changed and must be reloaded"},
    {4, L"SCC_I_FILENOTAFFECTED", L"the file was not affected"},
    {3, L"SCC_I_PROJECTCREATED", L"a new project was created"},
    {2, L"SCC_I_OPERATIONCANCELED", L"the operation was cancelled"},
    {1, L"SCC_I_ADV_SUPPORT", L"advanced options are supported"},
    {0, L"SCC_OK", L"success"},
    {-1, L"SCC_E_INITIALIZEFAILED", L"the provider could not start a session"},
    {-2, L"SCC_E_UNKNOWNPROJECT", L"the provider knows no such project"},
    {-3, L"SCC_E_COULDNOTCREATEPROJECT", L"the project could not be created"},
    {-4, L"SCC_E_NOTCHECKEDOUT", L"the file is not checked out"},
    {-5, L"SCC_E_ALREADYCHECKEDOUT", L"the file is already checked out"},
    {-6, L"SCC_E_FILEISLOCKED", L"the file is locked"},
    {-7, L"SCC_E_FILEOUTEXCLUSIVE", L"another user has the file checked out exclusively"},
    {-8, L"SCC_E_ACCESSFAILURE", L"the provider could not reach the store or the file"},
    {-9, L"SCC_E_CHECKINCONFLICT", L"the check-in conflicts with another change"},
    {-10, L"SCC_E_FILEALREADYEXISTS", L"the file already exists"},
    {-11, L"SCC_E_FILENOTCONTROLLED", L"the file is not under source control"},
    {-12, L"SCC_E_FILEISCHECKEDOUT", L"the file is checked out"},
    {-13, L"SCC_E_NOSPECIFIEDVERSION", L"there is no such version"},
    {-14, L"SCC_E_OPNOTSUPPORTED", L"the provider does not support this operation"},
    {-15, L"SCC_E_NONSPECIFICERROR", L"the provider failed without saying why"},
    {-16, L"SCC_E_OPNOTPERFORMED", L"the operation was not performed"},
    {-17, L"SCC_E_TYPENOTSUPPORTED", L"the file type is not supported"},
    {-18, L"SCC_E_VERIFYMERGE", L"the merge must be verified"},
    {-19, L"SCC_E_FIXMERGE", L"the merge must be fixed"},
    {-20, L"SCC_E_SHELLFAILURE", L"a shell operation failed"},
    {-21, L"SCC_E_INVALIDUSER", L"the user is not valid"},
    {-22, L"SCC_E_PROJECTALREADYOPEN", L"a project is already open"},
    {-23, L"SCC_E_PROJSYNTAXERR", L"the project name is malformed"},
    {-24, L"SCC_E_INVALIDFILEPATH", L"the file path is not valid"},
    {-25, L"SCC_E_PROJNOTOPEN", L"no project is open"},
    {-26, L"SCC_E_NOTAUTHORIZED", L"the user is not authorised"},
    {-27, L"SCC_E_FILESYNTAXERR", L"the file name is malformed"},
    {-28, L"SCC_E_FILENOTEXIST", L"the file does not exist"},
    {-29, L"SCC_E_CONNECTIONFAILURE", L"the connection to the store failed"},
    {-30, L"SCC_E_UNKNOWNERROR", L"an unknown error"},
    {-31, L"SCC_E_BACKGROUNDGETINPROGRESS", L"a background get is in progress"},
};

struct NamedBit {
    LONG bit;
    const wchar_t* word;
};

// SCC_STATUS_* without its prefix, lower case.
constexpr NamedBit kStatusBits[] = {
    {0x0001, L"controlled"},   {0x0002, L"checkedout"},  {0x0004, L"outother"},
    {0x0008, L"outexclusive"}, {0x0010, L"outmultiple"}, {0x0020, L"outofdate"},
    {0x0040, L"deleted"},      {0x0080, L"locked"},      {0x0100, L"merged"},
    {0x0200, L"shared"},       {0x0400, L"pinned"},      {0x0800, L"modified"},
    {0x1000, L"outbyuser"},    {0x2000, L"nomerge"},
};

// SCC_CAP_* without its prefix, lower case.
constexpr NamedBit kCapabilityBits[] = {
    {0x00000001, L"remove"},
    {0x00000002, L"rename"},
    {0x00000004, L"diff"},
    {0x00000008, L"history"},
    {0x00000010, L"properties"},
    {0x00000020, L"runscc"},
    {0x00000040, L"getcommandoptions"},
    {0x00000080, L"queryinfo"},
    {0x00000100, L"getevents"},
    {0x00000200, L"getprojpath"},
    {0x00000400, L"addfromscc"},
    {0x00000800, L"commentcheckout"},
    {0x00001000, L"commentcheckin"},
    {0x00002000, L"commentadd"},
    {0x00004000, L"commentremove"},
    {0x00008000, L"textout"},
    {0x00010000, L"createsubproject"},
    {0x00020000, L"getparentproject"},
    {0x00040000, L"batch"},
    {0x00080000, L"directorystatus"},
    {0x00100000, L"directorydiff"},
    {0x00200000, L"add_storelatest"},
    {0x00400000, L"history_multfile"},
    {0x00800000, L"ignorecase"},
    {0x01000000, L"ignorespace"},
    {0x02000000, L"populatelist"},
    {0x04000000, L"commentproject"},
    {0x08000000, L"multicheckout"},
    {0x10000000, L"diffalways"},
    {0x20000000, L"get_noui"},
    {0x40000000, L"reentrant"},
    {static_cast<LONG>(0x80000000u), L"sccfile"},
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
    for (const NamedCode& named : kResults) {
        if (named.code == code) {
            return {named.name, named.meaning};
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
    if (status == -1) {
        return {L"invalid"};
    }
    if (status == 0) {
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
    case -1:
        return L"invalid";
    case 0:
        return L"notcontrolled";
    case 1:
        return L"controlled";
    case 2:
        return L"emptyproj";
    default:
        return Hexadecimal(static_cast<unsigned long>(status));
    }
}

std::wstring MessageTypeWord(LONG type) {
    constexpr const wchar_t* kTypes[] = {L"info", L"warning", L"error", L"status"};
    if (type >= 1 && type <= 4) {
        return kTypes[type - 1];
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
