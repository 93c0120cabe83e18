#include "command_line.h"

#include <windows.h>

#include <iterator>

#include "provider_values.h"

namespace {

constexpr unsigned Bit(Command command) {
    return 1u << static_cast<unsigned>(command);
}

constexpr unsigned kFileCommands =
    Bit(Command::Status) | Bit(Command::Add) | Bit(Command::Checkout) | Bit(Command::Checkin) |
    Bit(Command::Uncheckout) | Bit(Command::Get) | Bit(Command::Remove) | Bit(Command::Rename) |
    Bit(Command::History) | Bit(Command::Diff) | Bit(Command::Properties) | Bit(Command::Changes) |
    Bit(Command::List) | Bit(Command::DirStatus);
constexpr unsigned kProviderCommands = kFileCommands | Bit(Command::Version) | Bit(Command::Info);
constexpr unsigned kCommentCommands =
    Bit(Command::Add) | Bit(Command::Checkout) | Bit(Command::Checkin) | Bit(Command::Remove);

constexpr int kAnyCount = 0;

// Each command: its word, the provider entry point that does its work, for a file command what
// it did to each file, and how many names it takes when that is fixed.
struct CommandWord {
    Command command;
    const wchar_t* word;
    const wchar_t* call;
    const wchar_t* done;
    int names;
};

constexpr CommandWord kCommands[] = {
    {Command::Help, L"help", L"", L"", kAnyCount},
    {Command::Providers, L"providers", L"", L"", kAnyCount},
    {Command::Status, L"status", L"SccQueryInfo", L"", kAnyCount},
    {Command::Add, L"add", L"SccAdd", L"added", kAnyCount},
    {Command::Checkout, L"checkout", L"SccCheckout", L"checked out", kAnyCount},
    {Command::Checkin, L"checkin", L"SccCheckin", L"checked in", kAnyCount},
    {Command::Uncheckout, L"uncheckout", L"SccUncheckout", L"check-out undone", kAnyCount},
    {Command::Get, L"get", L"SccGet", L"got the latest version", kAnyCount},
    {Command::Version, L"version", L"SccGetVersion", L"", kAnyCount},
    {Command::Info, L"info", L"SccInitialize", L"", kAnyCount},
    {Command::Remove, L"remove", L"SccRemove", L"removed", kAnyCount},
    {Command::Rename, L"rename", L"SccRename", L"", 2},
    {Command::History, L"history", L"SccHistory", L"history shown", kAnyCount},
    {Command::Diff, L"diff", L"SccDiff", L"", kAnyCount},
    {Command::Properties, L"properties", L"SccProperties", L"properties shown", 1},
    {Command::Changes, L"changes", L"SccQueryChanges", L"", kAnyCount},
    {Command::List, L"list", L"SccPopulateList", L"", kAnyCount},
    {Command::DirStatus, L"dirstatus", L"SccDirQueryInfo", L"", kAnyCount},
};

const CommandWord& Describe(Command command) {
    for (const CommandWord& word : kCommands) {
        if (word.command == command) {
            return word;
        }
    }
    return kCommands[0];
}

// The longest project name or auxiliary project path, and user name, that the provider's buffers
// hold in bytes of the ANSI code page, their terminators aside. The server would cut a longer
// value, and a cut path names another folder.
constexpr size_t kMaxProjectBytes = SCC_PRJPATH_LEN;
constexpr size_t kMaxUserBytes = SCC_USER_LEN;
constexpr size_t kUnbounded = 0;

// An option that takes a value, the field it fills, the commands it applies to and the most
// bytes its value may take in the ANSI code page.
struct ValueOption {
    const wchar_t* name;
    std::wstring Invocation::*field;
    unsigned commands;
    size_t maxBytes;
};

constexpr ValueOption kValueOptions[] = {
    {L"--provider", &Invocation::provider, kProviderCommands, kUnbounded},
    {L"--server", &Invocation::server, kProviderCommands, kUnbounded},
    {L"--project", &Invocation::project, kFileCommands, kMaxProjectBytes},
    {L"--local", &Invocation::localPath, kFileCommands, kUnbounded},
    {L"--aux", &Invocation::auxPath, kFileCommands, kMaxProjectBytes},
    {L"--user", &Invocation::user, kFileCommands, kMaxUserBytes},
    {L"--comment", &Invocation::comment, kCommentCommands, kUnbounded},
};

// The length of `value` in bytes of the ANSI code page, which the server converts it to: a
// character the code page lacks counts as its default character.
size_t AnsiBytes(const std::wstring& value) {
    const int bytes = ::WideCharToMultiByte(CP_ACP, 0, value.data(), static_cast<int>(value.size()),
                                            nullptr, 0, nullptr, nullptr);
    return bytes > 0 ? static_cast<size_t>(bytes) : value.size();
}

// What the scan of the arguments found, before the command decides what is allowed.
struct Scan {
    std::vector<const ValueOption*> given;
    bool json = false;
    bool help = false;
    bool hasCommand = false;
};

bool Fail(std::wstring* error, const std::wstring& reason) {
    *error = reason;
    return false;
}

const ValueOption* FindOption(const std::wstring& name) {
    for (const ValueOption& option : kValueOptions) {
        if (name == option.name) {
            return &option;
        }
    }
    return nullptr;
}

// Takes one option at args[*i] ("--name value" or "--name=value").
bool ParseOption(const std::vector<std::wstring>& args, size_t* i, Invocation* invocation,
                 Scan* scan, std::wstring* error) {
    const std::wstring& arg = args[*i];
    if (arg == L"--json" || arg == L"--help" || arg == L"-h" || arg == L"/?") {
        bool& flag = arg == L"--json" ? scan->json : scan->help;
        if (flag && arg == L"--json") {
            return Fail(error, L"--json is given twice");
        }
        flag = true;
        return true;
    }
    const size_t equals = arg.find(L'=');
    const std::wstring name = arg.substr(0, equals);
    const ValueOption* option = FindOption(name);
    if (option == nullptr) {
        return Fail(error, L"unknown option " + name);
    }
    for (const ValueOption* given : scan->given) {
        if (given == option) {
            return Fail(error, name + L" is given twice");
        }
    }
    std::wstring value;
    if (equals != std::wstring::npos) {
        value = arg.substr(equals + 1);
    } else if (*i + 1 < args.size()) {
        value = args[++*i];
    } else {
        return Fail(error, name + L" needs a value");
    }
    // Only a comment may be empty: every other value names something.
    if (value.empty() && option->field != &Invocation::comment) {
        return Fail(error, name + L" needs a value");
    }
    if (option->field == &Invocation::server && value != L"32" && value != L"64") {
        return Fail(error, L"--server takes 32 or 64");
    }
    const size_t bytes = option->maxBytes != kUnbounded ? AnsiBytes(value) : 0;
    if (bytes > option->maxBytes) {
        return Fail(error, name + L" is too long: " + std::to_wstring(bytes) +
                               L" bytes in the ANSI code page, and the provider takes at most " +
                               std::to_wstring(option->maxBytes));
    }
    invocation->*(option->field) = value;
    invocation->hasComment = invocation->hasComment || option->field == &Invocation::comment;
    scan->given.push_back(option);
    return true;
}

bool ParseWord(const std::wstring& word, Invocation* invocation, Scan* scan, std::wstring* error) {
    if (scan->hasCommand) {
        if (word.empty()) {
            return Fail(error, L"an empty file name");
        }
        invocation->files.push_back(word);
        return true;
    }
    for (const CommandWord& command : kCommands) {
        if (word == command.word) {
            invocation->command = command.command;
            scan->hasCommand = true;
            return true;
        }
    }
    return Fail(error, L"unknown command \"" + word + L"\"");
}

// What the command allows and needs, once every argument is read.
bool CheckCommand(const Invocation& invocation, const Scan& scan, std::wstring* error) {
    const Command command = invocation.command;
    const std::wstring name = CommandName(command);
    for (const ValueOption* option : scan.given) {
        if ((option->commands & Bit(command)) == 0) {
            return Fail(error, std::wstring(option->name) + L" does not apply to " + name);
        }
    }
    if (!WorksOnFiles(command)) {
        return invocation.files.empty() ? true : Fail(error, name + L" takes no files");
    }
    if (invocation.project.empty()) {
        return Fail(error, name + L" needs --project");
    }
    if (invocation.localPath.empty()) {
        return Fail(error, name + L" needs --local");
    }
    if (invocation.files.empty()) {
        return Fail(error, name + L" needs at least one file");
    }
    const int names = Describe(command).names;
    if (names != kAnyCount && invocation.files.size() != static_cast<size_t>(names)) {
        return Fail(error, name + (names == 1 ? L" takes exactly one file"
                                              : L" takes exactly two files: OLD NEW"));
    }
    return true;
}

} // namespace

bool ParseCommandLine(const std::vector<std::wstring>& args, Invocation* invocation,
                      std::wstring* error) {
    *invocation = Invocation();
    Scan scan;
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::wstring& arg = args[i];
        bool ok = true;
        if (!optionsEnded && arg == L"--") {
            optionsEnded = true;
        } else if (!optionsEnded && arg.size() > 1 && (arg[0] == L'-' || arg == L"/?")) {
            ok = ParseOption(args, &i, invocation, &scan, error);
        } else {
            ok = ParseWord(arg, invocation, &scan, error);
        }
        if (!ok) {
            return false;
        }
    }
    invocation->json = scan.json;
    if (scan.help) {
        invocation->command = Command::Help;
        return true;
    }
    if (!scan.hasCommand) {
        return Fail(error, L"no command given");
    }
    return CheckCommand(*invocation, scan, error);
}

const wchar_t* CommandName(Command command) {
    return Describe(command).word;
}

const wchar_t* CommandCall(Command command) {
    return Describe(command).call;
}

const wchar_t* CommandDone(Command command) {
    return Describe(command).done;
}

bool WorksOnFiles(Command command) {
    return (kFileCommands & Bit(command)) != 0;
}

const wchar_t* ProxyUsage() {
    return L"plimo-scc proxy add NAME [--default] | proxy remove NAME | proxy list [--json]";
}

std::wstring UsageText() {
    return std::wstring(
               L"usage: plimo-scc providers [--json]\n"
               L"       plimo-scc [--provider NAME|PATH] [--server 32|64] --project NAME "
               L"--local DIR\n"
               L"                 [--aux TEXT] [--user NAME] COMMAND [--comment TEXT] [--json] "
               L"FILE...\n"
               L"       plimo-scc [--provider NAME|PATH] [--server 32|64] version|info [--json]\n"
               L"       ") +
           ProxyUsage() +
           L"\n"
           L"\n"
           L"COMMAND is status, add, checkout, checkin, uncheckout, get, remove, history, diff,\n"
           L"changes, list (files, or folders), dirstatus (folders), properties (one file) or\n"
           L"rename (OLD NEW); --comment goes with add, checkout, checkin and remove.\n"
           L"The provider's messages go to standard error. Without --provider, the machine's\n"
           L"default provider. The server of the provider DLL's width runs it "
           L"(PlimoCOMWrapper.exe\n"
           L"for 32-bit, PlimoCOMWrapper64.exe for 64-bit); --server names one.\n"
           L"A PATH holds \\ or /; anything else is a NAME from \"plimo-scc providers\".\n"
           L"--project and --aux take at most 300 bytes in the ANSI code page, --user 31.\n"
           L"proxy add lets hosts of the other width load provider NAME through the proxy.\n"
           L"Exit codes: 0 success, 1 the provider answered an error, 2 usage,\n"
           L"3 the server could not be reached or could not load the provider,\n"
           L"4 the command was done, but a step after it could not reach the provider.\n";
}
