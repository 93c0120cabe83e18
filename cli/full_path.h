// Paths as the provider wants them: full, since the server runs in another folder.
#pragma once

#include <string>

// The full form of `path` against the current folder ("." and ".." resolved); empty when the
// platform cannot make one.
std::wstring FullPath(const std::wstring& path);
