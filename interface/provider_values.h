// The published values of the source-control provider interface (its version 1.3): lengths,
// results, status and capability bits, flags, commands, options, message and change types,
// under the names its documentation gives them. The bridge, plimo-scc, the proxy, the sample
// provider and the tests all take them from here.
#pragma once

#include <windows.h>

// The interface version: major in the high word, minor in the low word.
constexpr LONG SCC_VER_MAJOR = 1;
constexpr LONG SCC_VER_MINOR = 3;
constexpr LONG SCC_VERSION = (SCC_VER_MAJOR << 16) | SCC_VER_MINOR;

// Text limits, terminator excluded: the caller's buffers hold one byte more. A local path, and a
// file name a provider writes, is limited by the platform's path limit, MAX_PATH.
constexpr int SCC_NAME_LEN = 31;
constexpr int SCC_AUXLABEL_LEN = 31;
constexpr int SCC_USER_LEN = 31;
constexpr int SCC_PRJPATH_LEN = 300;

// Results: above 0 informational, 0 success, below 0 errors.
constexpr LONG SCC_I_SHARESUBPROJOK = 7;
constexpr LONG SCC_I_FILEDIFFERS = 6;
constexpr LONG SCC_I_RELOADFILE = 5;
constexpr LONG SCC_I_FILENOTAFFECTED = 4;
constexpr LONG SCC_I_PROJECTCREATED = 3;
constexpr LONG SCC_I_OPERATIONCANCELED = 2;
constexpr LONG SCC_I_ADV_SUPPORT = 1;
constexpr LONG SCC_OK = 0;
constexpr LONG SCC_E_INITIALIZEFAILED = -1;
constexpr LONG SCC_E_UNKNOWNPROJECT = -2;
constexpr LONG SCC_E_COULDNOTCREATEPROJECT = -3;
constexpr LONG SCC_E_NOTCHECKEDOUT = -4;
constexpr LONG SCC_E_ALREADYCHECKEDOUT = -5;
constexpr LONG SCC_E_FILEISLOCKED = -6;
constexpr LONG SCC_E_FILEOUTEXCLUSIVE = -7;
constexpr LONG SCC_E_ACCESSFAILURE = -8;
constexpr LONG SCC_E_CHECKINCONFLICT = -9;
constexpr LONG SCC_E_FILEALREADYEXISTS = -10;
constexpr LONG SCC_E_FILENOTCONTROLLED = -11;
constexpr LONG SCC_E_FILEISCHECKEDOUT = -12;
constexpr LONG SCC_E_NOSPECIFIEDVERSION = -13;
constexpr LONG SCC_E_OPNOTSUPPORTED = -14;
constexpr LONG SCC_E_NONSPECIFICERROR = -15;
constexpr LONG SCC_E_OPNOTPERFORMED = -16;
constexpr LONG SCC_E_TYPENOTSUPPORTED = -17;
constexpr LONG SCC_E_VERIFYMERGE = -18;
constexpr LONG SCC_E_FIXMERGE = -19;
constexpr LONG SCC_E_SHELLFAILURE = -20;
constexpr LONG SCC_E_INVALIDUSER = -21;
constexpr LONG SCC_E_PROJECTALREADYOPEN = -22;
constexpr LONG SCC_E_PROJSYNTAXERR = -23;
constexpr LONG SCC_E_INVALIDFILEPATH = -24;
constexpr LONG SCC_E_PROJNOTOPEN = -25;
constexpr LONG SCC_E_NOTAUTHORIZED = -26;
constexpr LONG SCC_E_FILESYNTAXERR = -27;
constexpr LONG SCC_E_FILENOTEXIST = -28;
constexpr LONG SCC_E_CONNECTIONFAILURE = -29;
constexpr LONG SCC_E_UNKNOWNERROR = -30;
constexpr LONG SCC_E_BACKGROUNDGETINPROGRESS = -31;

// Each published result with its name, from the most informational to the last error.
struct SccResultName {
    LONG code;
    const char* name;
};
constexpr SccResultName kSccResultNames[] = {
    {SCC_I_SHARESUBPROJOK, "SCC_I_SHARESUBPROJOK"},
    {SCC_I_FILEDIFFERS, "SCC_I_FILEDIFFERS"},
    {SCC_I_RELOADFILE, "SCC_I_RELOADFILE"},
    {SCC_I_FILENOTAFFECTED, "SCC_I_FILENOTAFFECTED"},
    {SCC_I_PROJECTCREATED, "SCC_I_PROJECTCREATED"},
    {SCC_I_OPERATIONCANCELED, "SCC_I_OPERATIONCANCELED"},
    {SCC_I_ADV_SUPPORT, "SCC_I_ADV_SUPPORT"},
    {SCC_OK, "SCC_OK"},
    {SCC_E_INITIALIZEFAILED, "SCC_E_INITIALIZEFAILED"},
    {SCC_E_UNKNOWNPROJECT, "SCC_E_UNKNOWNPROJECT"},
    {SCC_E_COULDNOTCREATEPROJECT, "SCC_E_COULDNOTCREATEPROJECT"},
    {SCC_E_NOTCHECKEDOUT, "SCC_E_NOTCHECKEDOUT"},
    {SCC_E_ALREADYCHECKEDOUT, "SCC_E_ALREADYCHECKEDOUT"},
    {SCC_E_FILEISLOCKED, "SCC_E_FILEISLOCKED"},
    {SCC_E_FILEOUTEXCLUSIVE, "SCC_E_FILEOUTEXCLUSIVE"},
    {SCC_E_ACCESSFAILURE, "SCC_E_ACCESSFAILURE"},
    {SCC_E_CHECKINCONFLICT, "SCC_E_CHECKINCONFLICT"},
    {SCC_E_FILEALREADYEXISTS, "SCC_E_FILEALREADYEXISTS"},
    {SCC_E_FILENOTCONTROLLED, "SCC_E_FILENOTCONTROLLED"},
    {SCC_E_FILEISCHECKEDOUT, "SCC_E_FILEISCHECKEDOUT"},
    {SCC_E_NOSPECIFIEDVERSION, "SCC_E_NOSPECIFIEDVERSION"},
    {SCC_E_OPNOTSUPPORTED, "SCC_E_OPNOTSUPPORTED"},
    {SCC_E_NONSPECIFICERROR, "SCC_E_NONSPECIFICERROR"},
    {SCC_E_OPNOTPERFORMED, "SCC_E_OPNOTPERFORMED"},
    {SCC_E_TYPENOTSUPPORTED, "SCC_E_TYPENOTSUPPORTED"},
    {SCC_E_VERIFYMERGE, "SCC_E_VERIFYMERGE"},
    {SCC_E_FIXMERGE, "SCC_E_FIXMERGE"},
    {SCC_E_SHELLFAILURE, "SCC_E_SHELLFAILURE"},
    {SCC_E_INVALIDUSER, "SCC_E_INVALIDUSER"},
    {SCC_E_PROJECTALREADYOPEN, "SCC_E_PROJECTALREADYOPEN"},
    {SCC_E_PROJSYNTAXERR, "SCC_E_PROJSYNTAXERR"},
    {SCC_E_INVALIDFILEPATH, "SCC_E_INVALIDFILEPATH"},
    {SCC_E_PROJNOTOPEN, "SCC_E_PROJNOTOPEN"},
    {SCC_E_NOTAUTHORIZED, "SCC_E_NOTAUTHORIZED"},
    {SCC_E_FILESYNTAXERR, "SCC_E_FILESYNTAXERR"},
    {SCC_E_FILENOTEXIST, "SCC_E_FILENOTEXIST"},
    {SCC_E_CONNECTIONFAILURE, "SCC_E_CONNECTIONFAILURE"},
    {SCC_E_UNKNOWNERROR, "SCC_E_UNKNOWNERROR"},
    {SCC_E_BACKGROUNDGETINPROGRESS, "SCC_E_BACKGROUNDGETINPROGRESS"},
};

// The published name of `code`, or null for a value the interface does not publish.
inline const char* SccResultNameOf(LONG code) {
    for (const SccResultName& named : kSccResultNames) {
        if (named.code == code) {
            return named.name;
        }
    }
    return nullptr;
}

// Status bits of SccQueryInfo, one word per file; SCC_STATUS_INVALID is a whole word.
constexpr LONG SCC_STATUS_INVALID = -1;
constexpr LONG SCC_STATUS_NOTCONTROLLED = 0x0000;
constexpr LONG SCC_STATUS_CONTROLLED = 0x0001;
constexpr LONG SCC_STATUS_CHECKEDOUT = 0x0002;
constexpr LONG SCC_STATUS_OUTOTHER = 0x0004;
constexpr LONG SCC_STATUS_OUTEXCLUSIVE = 0x0008;
constexpr LONG SCC_STATUS_OUTMULTIPLE = 0x0010;
constexpr LONG SCC_STATUS_OUTOFDATE = 0x0020;
constexpr LONG SCC_STATUS_DELETED = 0x0040;
constexpr LONG SCC_STATUS_LOCKED = 0x0080;
constexpr LONG SCC_STATUS_MERGED = 0x0100;
constexpr LONG SCC_STATUS_SHARED = 0x0200;
constexpr LONG SCC_STATUS_PINNED = 0x0400;
constexpr LONG SCC_STATUS_MODIFIED = 0x0800;
constexpr LONG SCC_STATUS_OUTBYUSER = 0x1000;
constexpr LONG SCC_STATUS_NOMERGE = 0x2000;

// Status words of SccDirQueryInfo, one per folder.
constexpr LONG SCC_DIRSTATUS_INVALID = -1;
constexpr LONG SCC_DIRSTATUS_NOTCONTROLLED = 0;
constexpr LONG SCC_DIRSTATUS_CONTROLLED = 1;
constexpr LONG SCC_DIRSTATUS_EMPTYPROJ = 2;

// Capability bits reported through SccInitialize's lpSccCaps.
constexpr LONG SCC_CAP_REMOVE = 0x00000001;
constexpr LONG SCC_CAP_RENAME = 0x00000002;
constexpr LONG SCC_CAP_DIFF = 0x00000004;
constexpr LONG SCC_CAP_HISTORY = 0x00000008;
constexpr LONG SCC_CAP_PROPERTIES = 0x00000010;
constexpr LONG SCC_CAP_RUNSCC = 0x00000020;
constexpr LONG SCC_CAP_GETCOMMANDOPTIONS = 0x00000040;
constexpr LONG SCC_CAP_QUERYINFO = 0x00000080;
constexpr LONG SCC_CAP_GETEVENTS = 0x00000100;
constexpr LONG SCC_CAP_GETPROJPATH = 0x00000200;
constexpr LONG SCC_CAP_ADDFROMSCC = 0x00000400;
constexpr LONG SCC_CAP_COMMENTCHECKOUT = 0x00000800;
constexpr LONG SCC_CAP_COMMENTCHECKIN = 0x00001000;
constexpr LONG SCC_CAP_COMMENTADD = 0x00002000;
constexpr LONG SCC_CAP_COMMENTREMOVE = 0x00004000;
constexpr LONG SCC_CAP_TEXTOUT = 0x00008000;
constexpr LONG SCC_CAP_CREATESUBPROJECT = 0x00010000;
constexpr LONG SCC_CAP_GETPARENTPROJECT = 0x00020000;
constexpr LONG SCC_CAP_BATCH = 0x00040000;
constexpr LONG SCC_CAP_DIRECTORYSTATUS = 0x00080000;
constexpr LONG SCC_CAP_DIRECTORYDIFF = 0x00100000;
constexpr LONG SCC_CAP_ADD_STORELATEST = 0x00200000;
constexpr LONG SCC_CAP_HISTORY_MULTFILE = 0x00400000;
constexpr LONG SCC_CAP_IGNORECASE = 0x00800000;
constexpr LONG SCC_CAP_IGNORESPACE = 0x01000000;
constexpr LONG SCC_CAP_POPULATELIST = 0x02000000;
constexpr LONG SCC_CAP_COMMENTPROJECT = 0x04000000;
constexpr LONG SCC_CAP_MULTICHECKOUT = 0x08000000;
constexpr LONG SCC_CAP_DIFFALWAYS = 0x10000000;
constexpr LONG SCC_CAP_GET_NOUI = 0x20000000;
constexpr LONG SCC_CAP_REENTRANT = 0x40000000;
constexpr LONG SCC_CAP_SCCFILE = static_cast<LONG>(0x80000000u);

// Flags of SccOpenProject, SccCheckin, SccGet, SccAdd and SccDiff.
constexpr LONG SCC_OP_CREATEIFNEW = 0x00000001;
constexpr LONG SCC_OP_SILENTOPEN = 0x00000002;
constexpr LONG SCC_KEEP_CHECKEDOUT = 0x00001000;
constexpr LONG SCC_GET_ALL = 0x00000001;
constexpr LONG SCC_GET_RECURSIVE = 0x00000002;
constexpr LONG SCC_FILETYPE_AUTO = 0x00000000;
// A quick comparison, by whichever of contents, checksum or time the provider supports.
constexpr LONG SCC_DIFF_QUICK_DIFF = 0x00000038;

// SccPopulateList: the command a list is built for, and the option that makes the names folders.
constexpr LONG SCC_COMMAND_GET = 0;
constexpr LONG SCC_COMMAND_ADD = 4;
constexpr LONG SCC_PL_DIR = 0x00000001;

// Options of SccSetOption whose value is an address in the caller's process: the data handed to
// the rename callback, and the callback itself.
constexpr LONG SCC_OPT_USERDATA = 2;
constexpr LONG SCC_OPT_NAMECHANGEPFN = 5;

// Message types of the text-output procedure. The cancel protocol's messages ask whether to go
// on (SCC_MSG_DOCANCEL) and frame a stretch of work that may be cancelled.
constexpr DWORD SCC_MSG_INFO = 1;
constexpr DWORD SCC_MSG_WARNING = 2;
constexpr DWORD SCC_MSG_ERROR = 3;
constexpr DWORD SCC_MSG_STATUS = 4;
constexpr DWORD SCC_MSG_DOCANCEL = 5;
constexpr DWORD SCC_MSG_STARTCANCEL = 6;
constexpr DWORD SCC_MSG_STOPCANCEL = 7;
// What a text-output procedure answers: go on, or cancel.
constexpr LONG SCC_MSG_RTN_OK = 0;
constexpr LONG SCC_MSG_RTN_CANCEL = -1;

// Change types of SccQueryChanges.
constexpr DWORD SCC_CHANGE_UNKNOWN = 0;
constexpr DWORD SCC_CHANGE_UNCHANGED = 1;
constexpr DWORD SCC_CHANGE_DIFFERENT = 2;
constexpr DWORD SCC_CHANGE_NONEXISTENT = 3;
constexpr DWORD SCC_CHANGE_DATABASE_DELETED = 4;
constexpr DWORD SCC_CHANGE_LOCAL_DELETED = 5;
constexpr DWORD SCC_CHANGE_DATABASE_ADDED = 6;
constexpr DWORD SCC_CHANGE_LOCAL_ADDED = 7;
constexpr DWORD SCC_CHANGE_RENAMED_TO = 8;
constexpr DWORD SCC_CHANGE_RENAMED_FROM = 9;
