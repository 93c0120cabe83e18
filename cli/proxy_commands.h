// plimo-scc proxy add|remove|list: entering an installed provider in the list of providers of
// the other registry view, so that hosts of the other width load it through the proxy provider
// of their width (see interface/scc_proxy_registry.h for the entries written).
#pragma once

#include <string>
#include <vector>

// Runs `plimo-scc proxy ...`: `args` are the words after "proxy". Writes its output and errors
// and gives the exit code (0 success, 2 usage or nothing to do, 3 the registry or a file could
// not be written).
int RunProxyCommand(const std::vector<std::wstring>& args);
