// The published values of the provider interface that the proxy answers with or passes on,
// written out from the interface's documentation so that the proxy needs no SDK header.
#pragma once

#include <windows.h>

namespace scc {

// The interface version the proxy's exports implement.
constexpr LONG kVersion13 = 0x00010003;

// Results: 0 and above succeed, below 0 fail.
constexpr LONG SCC_OK = 0;
constexpr LONG SCC_E_INITIALIZEFAILED = -1;
constexpr LONG SCC_E_OPNOTSUPPORTED = -14;
constexpr LONG SCC_E_NONSPECIFICERROR = -15;
constexpr LONG SCC_E_OPNOTPERFORMED = -16;
constexpr LONG SCC_E_CONNECTIONFAILURE = -29;

// Options of SccSetOption whose value is an address in the host's process: the rename
// callback and the data the host wants handed to it.
constexpr LONG SCC_OPT_USERDATA = 2;
constexpr LONG SCC_OPT_NAMECHANGEPFN = 5;

// Buffer sizes of the host's text outputs, terminator included.
constexpr size_t kNameSize = 32;      // SccInitialize's provider name
constexpr size_t kAuxLabelSize = 32;  // SccInitialize's auxiliary path label
constexpr size_t kUserSize = 32;      // a user name
constexpr size_t kProjPathSize = 301; // a project name or auxiliary project path
constexpr size_t kPathSize = MAX_PATH;

} // namespace scc
