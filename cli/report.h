// What a command prints on standard output: text for a person (one line per file, flags in
// words) or, with --json, one JSON object for a script.
#pragma once

#include <string>
#include <vector>

#include "command_line.h"
#include "provider_registry.h"
#include "scc_session.h"

// The product's version, as the build sets it.
const wchar_t* ProductVersion();

std::wstring FormatProviders(const std::vector<InstalledProvider>& providers, bool json);

// The output of a session that reached the provider, whatever the provider answered.
std::wstring FormatSession(const Invocation& invocation, const ProviderChoice& provider,
                           const SessionRequest& request, const SessionResult& result);

// A message of the provider as standard error shows it: "provider: <text>" for information,
// "provider warning: <text>" and so on for the other types, its control characters escaped.
std::wstring FormatProviderMessage(const ProviderMessage& message);

// The product's version alone: the first line of `version` as text, and all of it, as text or
// JSON, when there is no provider to ask.
std::wstring FormatProductVersion(bool json);
