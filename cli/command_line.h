// plimo-scc's command line: which command to run, on which provider, project and files.
#pragma once

#include <string>
#include <vector>

enum class Command {
    Help,
    Providers,
    Status,
    Add,
    Checkout,
    Checkin,
    Uncheckout,
    Get,
    Version,
    Info,
    Remove,
    Rename,
    History,
    Diff,
    Properties,
    Changes,
    List,
    DirStatus
};

// One command line, as given: paths are not yet made full.
struct Invocation {
    Command command = Command::Help;
    std::wstring provider; // a name in the machine's list or a DLL path; empty: the default
    std::wstring server;   // "32" or "64": the server to use; empty: the provider's width
    std::wstring project;
    std::wstring localPath;
    std::wstring auxPath;
    std::wstring user;
    bool hasComment = false; // --comment was given (its text may be empty)
    std::wstring comment;
    bool json = false;
    std::vector<std::wstring> files;
};

// Reads the arguments that follow the program's name. False, with a one-line reason in *error,
// when they are not a valid command line; *invocation is then not to be used.
bool ParseCommandLine(const std::vector<std::wstring>& args, Invocation* invocation,
                      std::wstring* error);

// The command's name as typed: "status", "checkout", ...
const wchar_t* CommandName(Command command);

// The provider entry point that does the command's work: "SccQueryInfo", "SccAdd", ... (for
// info, "SccInitialize"); empty for the commands that reach no provider.
const wchar_t* CommandCall(Command command);

// What a file command did to each file, for a person: "added", "checked out", ...; empty for
// the others.
const wchar_t* CommandDone(Command command);

// True for the commands that open a project and work on a list of files (or folders).
bool WorksOnFiles(Command command);

// The usage text, several lines ending in a line break.
std::wstring UsageText();
// The proxy commands' line of the usage, without its indent and line break.
const wchar_t* ProxyUsage();
