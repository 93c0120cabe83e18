// The published values of the source-control provider interface that the sample provider uses,
// written out from the interface's documentation so that the example needs no SDK header.
#pragma once

#include <windows.h>

// Interface version reported by SccGetVersion: major in the high word, minor in the low word.
constexpr LONG SCC_VER_MAJOR = 1;
constexpr LONG SCC_VER_MINOR = 2;
constexpr LONG SCC_VERSION = (SCC_VER_MAJOR << 16) | SCC_VER_MINOR;

// Text limits, terminator excluded: the caller's buffers hold one byte more.
constexpr int SCC_NAME_LEN = 31;
constexpr int SCC_AUXLABEL_LEN = 31;
constexpr int SCC_USER_LEN = 31;
constexpr int SCC_PRJPATH_LEN = 300;

// Result codes: 0 and above succeed (informational above 0), below 0 fail.
constexpr LONG SCC_OK = 0;
constexpr LONG SCC_E_INITIALIZEFAILED = -1;
constexpr LONG SCC_E_UNKNOWNPROJECT = -2;
constexpr LONG SCC_E_COULDNOTCREATEPROJECT = -3;
constexpr LONG SCC_E_NOTCHECKEDOUT = -4;
constexpr LONG SCC_E_ALREADYCHECKEDOUT = -5;
constexpr LONG SCC_E_FILEOUTEXCLUSIVE = -7;
constexpr LONG SCC_E_ACCESSFAILURE = -8;
constexpr LONG SCC_E_FILEALREADYEXISTS = -10;
constexpr LONG SCC_E_FILENOTCONTROLLED = -11;
constexpr LONG SCC_E_FILEISCHECKEDOUT = -12;
constexpr LONG SCC_E_OPNOTSUPPORTED = -14;
constexpr LONG SCC_E_NONSPECIFICERROR = -15;
constexpr LONG SCC_E_INVALIDUSER = -21;
constexpr LONG SCC_E_PROJECTALREADYOPEN = -22;
constexpr LONG SCC_E_PROJSYNTAXERR = -23;
constexpr LONG SCC_E_INVALIDFILEPATH = -24;
constexpr LONG SCC_E_PROJNOTOPEN = -25;
constexpr LONG SCC_E_FILENOTEXIST = -28;

// Status bits of SccQueryInfo, one word per file (only those this provider reports).
constexpr LONG SCC_STATUS_INVALID = -1;
constexpr LONG SCC_STATUS_NOTCONTROLLED = 0x0000;
constexpr LONG SCC_STATUS_CONTROLLED = 0x0001;
constexpr LONG SCC_STATUS_CHECKEDOUT = 0x0002;
constexpr LONG SCC_STATUS_OUTOTHER = 0x0004;
constexpr LONG SCC_STATUS_MODIFIED = 0x0800;
constexpr LONG SCC_STATUS_OUTBYUSER = 0x1000;

// Capability bits reported through lpSccCaps (only those this provider has are listed).
constexpr LONG SCC_CAP_REMOVE = 0x00000001;
constexpr LONG SCC_CAP_RENAME = 0x00000002;
constexpr LONG SCC_CAP_QUERYINFO = 0x00000080;
constexpr LONG SCC_CAP_GETPROJPATH = 0x00000200;
constexpr LONG SCC_CAP_COMMENTCHECKIN = 0x00001000;
constexpr LONG SCC_CAP_COMMENTADD = 0x00002000;
constexpr LONG SCC_CAP_TEXTOUT = 0x00008000;
constexpr LONG SCC_CAP_POPULATELIST = 0x02000000;

// Flags of SccOpenProject, SccCheckin and SccGet.
constexpr LONG SCC_OP_CREATEIFNEW = 0x00000001;
constexpr LONG SCC_KEEP_CHECKEDOUT = 0x00001000;
constexpr LONG SCC_GET_ALL = 0x00000001;
constexpr LONG SCC_GET_RECURSIVE = 0x00000002;

// SccPopulateList: the command the caller builds its list for (only the one this provider tells
// apart), and the option that makes the names folders.
constexpr LONG SCC_COMMAND_ADD = 4;
constexpr LONG SCC_PL_DIR = 0x00000001;

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
