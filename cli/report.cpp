#include "report.h"

#include "exit_status.h"
#include "full_path.h"
#include "json_text.h"
#include "scc_words.h"
#include "server_description.h"
#include "terminal_text.h"

#ifndef PLIMO_PRODUCT_VERSION
#error "the build defines PLIMO_PRODUCT_VERSION from the project's version"
#endif
#define PLIMO_WIDEN2(text) L##text
#define PLIMO_WIDEN(text) PLIMO_WIDEN2(text)

namespace {

// The provider call and code a session ended with: its first failure, or the command's own
// answer. A failed HRESULT stands for a call that did not answer.
struct Outcome {
    const wchar_t* call;
    LONG code;
    HRESULT hr;
};

// The entry point that did the command's work.
const wchar_t* CallOf(Command command, const SessionResult& result) {
    return result.commandCall != nullptr ? result.commandCall : CommandCall(command);
}

Outcome OutcomeOf(Command command, const SessionResult& result) {
    if (result.failedStep != nullptr) {
        return {result.failedStep, result.failedCode, result.failedHResult};
    }
    return {CallOf(command, result), result.commandResult, S_OK};
}

// What the command found out about the `i`th name given, for a person.
std::wstring FileAnswer(Command command, const SessionResult& result, size_t i) {
    switch (command) {
    case Command::Status:
    case Command::List:
        return JoinWords(StatusWords(result.statuses[i]));
    case Command::DirStatus:
        return FolderStatusWord(result.statuses[i]);
    case Command::Diff:
        return result.statuses[i] == SCC_I_FILEDIFFERS ? L"differs from the stored version"
                                                       : L"same as the stored version";
    default:
        return CommandDone(command);
    }
}

// SCC_CHANGE_RENAMED_TO and SCC_CHANGE_RENAMED_FROM: the latest name is the file's other name.
bool IsRename(LONG change) {
    return change == static_cast<LONG>(SCC_CHANGE_RENAMED_TO) ||
           change == static_cast<LONG>(SCC_CHANGE_RENAMED_FROM);
}

// The current folder with its separator, to show reported names against; empty when unknown.
std::wstring CurrentFolder() {
    std::wstring here = FullPath(L".");
    if (!here.empty() && here.back() != L'\\') {
        here += L'\\';
    }
    return here;
}

// A name the provider reported, for a person: relative to the current folder `here` when it lies
// inside it, as the names typed are; else as reported. Its control characters are escaped.
std::wstring ShownName(const std::wstring& name, const std::wstring& here) {
    if (!here.empty() && name.size() > here.size() &&
        ::CompareStringOrdinal(name.c_str(), static_cast<int>(here.size()), here.c_str(),
                               static_cast<int>(here.size()), TRUE) == CSTR_EQUAL) {
        return TerminalText(name.substr(here.size()));
    }
    return TerminalText(name);
}

// One line per item the provider reported.
std::wstring ReportedText(Command command, const SessionResult& result) {
    const std::wstring here = CurrentFolder();
    std::wstring text;
    for (const ReportedItem& item : result.reported) {
        text += ShownName(item.name, here) + L": ";
        if (command == Command::List) {
            const std::wstring words = JoinWords(StatusWords(item.value));
            text += item.keep ? words : L"left out (" + words + L")";
        } else if (result.reportedEvents) {
            text += JoinWords(StatusWords(item.value));
        } else {
            text += ChangeWord(item.value);
            if (IsRename(item.value) && !item.latestName.empty()) {
                text += L" " + ShownName(item.latestName, here);
            }
        }
        text += L"\n";
    }
    if (!result.reportsComplete) {
        text += L"note: the provider reported more; only the first " +
                std::to_wstring(result.reported.size()) + L" are shown\n";
    }
    return text;
}

std::wstring FilesText(const Invocation& invocation, const SessionResult& result) {
    const Command command = invocation.command;
    if (command == Command::Rename) {
        return invocation.files[0] + L": renamed to " + invocation.files[1] + L"\n";
    }
    if (command == Command::Changes) {
        return ReportedText(command, result);
    }
    // These answer something for each name given; the others say what they did to it.
    const bool answers = command == Command::Status || command == Command::List ||
                         command == Command::DirStatus || command == Command::Diff;
    std::wstring text;
    for (size_t i = 0; i < invocation.files.size() && (!answers || i < result.statuses.size());
         ++i) {
        text += invocation.files[i] + L": " + FileAnswer(command, result, i) + L"\n";
    }
    if (command == Command::List) {
        text += ReportedText(command, result);
    }
    return text;
}

std::wstring InterfaceVersion(LONG version) {
    return std::to_wstring(HIWORD(version)) + L"." + std::to_wstring(LOWORD(version));
}

// The registry's name and path of the provider, which its installer wrote.
std::wstring ProviderLine(const ProviderChoice& provider) {
    const std::wstring path = TerminalText(provider.path);
    return provider.name.empty() ? path : TerminalText(provider.name) + L" (" + path + L")";
}

// The server a session ran in, as "64-bit (PlimoCOMWrapper64.exe)".
std::wstring ServerLine(int bits) {
    const ServerDescription& server = ServerDescriptionFor(bits);
    return std::to_wstring(server.bits) + L"-bit (" + server.fileName + L")";
}

std::wstring Text(const Invocation& invocation, const ProviderChoice& provider,
                  const SessionRequest& request, const SessionResult& result) {
    std::wstring text;
    switch (invocation.command) {
    case Command::Version:
        text += L"provider: " + ProviderLine(provider) + L"\n";
        text += L"server: " + ServerLine(request.serverBits) + L"\n";
        if (result.commandSucceeded) {
            text += L"interface version: " + InterfaceVersion(result.interfaceVersion) + L" (" +
                    Hexadecimal(static_cast<unsigned long>(result.interfaceVersion)) + L")\n";
        }
        break;
    case Command::Info:
        if (result.commandSucceeded) {
            text += L"provider: " + TerminalText(result.providerName) + L"\n";
            text += L"DLL: " + TerminalText(provider.path) + L"\n";
            text += L"auxiliary path label: " + TerminalText(result.auxPathLabel) + L"\n";
            text += L"capabilities: " + JoinWords(CapabilityWords(result.capabilities)) + L" (" +
                    Hexadecimal(static_cast<unsigned long>(result.capabilities)) + L")\n";
            text += L"check-out comment length: " + std::to_wstring(result.checkoutCommentLength) +
                    L"\n";
            text += L"comment length: " + std::to_wstring(result.commentLength) + L"\n";
        }
        break;
    default:
        if (!result.commandSucceeded) {
            break; // the error line says it all
        }
        text += FilesText(invocation, result);
        break;
    }
    // Information the provider gave besides success is shown, never dropped.
    if (result.commandSucceeded && result.commandResult > 0) {
        text += L"note: " + std::wstring(CallOf(invocation.command, result)) + L" answered " +
                ResultCode(result.commandResult) + L": " +
                DescribeResult(result.commandResult).meaning + L"\n";
    }
    return text;
}

std::wstring ProviderJson(const ProviderChoice& provider) {
    return JsonObject().Text(L"name", provider.name).Text(L"path", provider.path).str();
}

std::wstring ResultJson(const Outcome& outcome, int serverBits) {
    if (FAILED(outcome.hr)) {
        const HResultText words = DescribeHResult(outcome.hr, serverBits);
        return JsonObject()
            .Text(L"call", outcome.call)
            .Raw(L"code", L"null")
            .Text(L"hresult", Hexadecimal(static_cast<unsigned long>(outcome.hr)))
            .Text(L"name", words.name)
            .Text(L"meaning", words.meaning)
            .str();
    }
    const ResultText words = DescribeResult(outcome.code);
    return JsonObject()
        .Text(L"call", outcome.call)
        .Number(L"code", outcome.code)
        .Text(L"name", words.name)
        .Text(L"meaning", words.meaning)
        .str();
}

std::wstring FilesJson(const Invocation& invocation, const SessionRequest& request,
                       const SessionResult& result) {
    const Command command = invocation.command;
    std::vector<std::wstring> files;
    files.reserve(request.files.size());
    for (size_t i = 0; i < request.files.size(); ++i) {
        JsonObject file;
        file.Text(L"file", invocation.files[i]).Text(L"path", request.files[i]);
        if (result.commandSucceeded && i < result.statuses.size()) {
            const LONG value = result.statuses[i];
            if (command == Command::Status || command == Command::List) {
                file.Number(L"status", value).Raw(L"flags", JsonStrings(StatusWords(value)));
            } else if (command == Command::DirStatus) {
                file.Number(L"status", value).Text(L"word", FolderStatusWord(value));
            } else if (command == Command::Diff) {
                file.Number(L"code", value).Bool(L"differs", value == SCC_I_FILEDIFFERS);
            }
        }
        files.push_back(file.str());
    }
    return JsonArray(files);
}

std::wstring ReportedJson(Command command, const SessionResult& result) {
    std::vector<std::wstring> items;
    items.reserve(result.reported.size());
    for (const ReportedItem& item : result.reported) {
        JsonObject json;
        json.Text(L"name", item.name);
        if (command == Command::List) {
            json.Bool(L"keep", item.keep);
        }
        if (command == Command::List || result.reportedEvents) {
            json.Number(L"status", item.value).Raw(L"flags", JsonStrings(StatusWords(item.value)));
        } else {
            json.Number(L"change", item.value)
                .Text(L"kind", ChangeWord(item.value))
                .Text(L"latestName", item.latestName);
        }
        items.push_back(json.str());
    }
    return JsonArray(items);
}

std::wstring MessagesJson(const SessionResult& result) {
    std::vector<std::wstring> messages;
    messages.reserve(result.messages.size());
    for (const ProviderMessage& message : result.messages) {
        messages.push_back(JsonObject()
                               .Text(L"type", MessageTypeWord(message.type))
                               .Text(L"text", message.text)
                               .str());
    }
    return JsonArray(messages);
}

std::wstring Json(const Invocation& invocation, const ProviderChoice& provider,
                  const SessionRequest& request, const SessionResult& result) {
    JsonObject json;
    json.Text(L"command", CommandName(invocation.command)).Raw(L"provider", ProviderJson(provider));
    const bool ok = result.commandSucceeded;
    if (invocation.command == Command::Version) {
        json.Text(L"product", ProductVersion()).Number(L"serverBits", request.serverBits);
        if (ok) {
            json.Raw(L"interfaceVersion", JsonObject()
                                              .Number(L"major", HIWORD(result.interfaceVersion))
                                              .Number(L"minor", LOWORD(result.interfaceVersion))
                                              .Number(L"value", result.interfaceVersion)
                                              .str());
        }
    } else if (invocation.command == Command::Info && ok) {
        json.Text(L"sccName", result.providerName)
            .Text(L"auxPathLabel", result.auxPathLabel)
            .Raw(L"capabilities",
                 JsonObject()
                     .Number(L"value", result.capabilities)
                     .Raw(L"flags", JsonStrings(CapabilityWords(result.capabilities)))
                     .str())
            .Number(L"checkoutCommentLength", result.checkoutCommentLength)
            .Number(L"commentLength", result.commentLength);
    } else if (WorksOnFiles(invocation.command)) {
        json.Raw(L"project", JsonObject()
                                 .Text(L"name", request.project)
                                 .Text(L"localPath", request.localPath)
                                 .Text(L"user", result.user)
                                 .Text(L"auxPath", result.auxPath)
                                 .str())
            .Raw(L"files", FilesJson(invocation, request, result));
        if (invocation.command == Command::List || invocation.command == Command::Changes) {
            json.Raw(L"reported", ReportedJson(invocation.command, result))
                .Bool(L"complete", result.reportsComplete);
        }
        json.Raw(L"output", MessagesJson(result));
    }
    // Whether the command did its work, even when a later step failed.
    json.Bool(L"done", result.commandSucceeded)
        .Raw(L"result", ResultJson(OutcomeOf(invocation.command, result), request.serverBits));
    return json.str() + L"\n";
}

} // namespace

const wchar_t* ProductVersion() {
    return PLIMO_WIDEN(PLIMO_PRODUCT_VERSION);
}

std::wstring FormatProviders(const std::vector<InstalledProvider>& providers, bool json) {
    if (json) {
        std::vector<std::wstring> entries;
        for (const InstalledProvider& provider : providers) {
            entries.push_back(JsonObject()
                                  .Text(L"name", provider.name)
                                  .Text(L"key", provider.key)
                                  .Text(L"path", provider.path)
                                  .Bool(L"default", provider.isDefault)
                                  .Number(L"bits", provider.bits)
                                  .str());
        }
        return JsonObject().Raw(L"providers", JsonArray(entries)).str() + L"\n";
    }
    if (providers.empty()) {
        return L"no source-control providers are installed\n";
    }
    std::wstring text;
    for (const InstalledProvider& provider : providers) {
        text += TerminalText(provider.name) + L": " +
                (provider.path.empty() ? L"(no SCCServerPath)" : TerminalText(provider.path)) +
                (provider.bits == 64 ? L" (64-bit)" : L"") +
                (provider.isDefault ? L" (default)" : L"") + L"\n";
    }
    return text;
}

std::wstring FormatSession(const Invocation& invocation, const ProviderChoice& provider,
                           const SessionRequest& request, const SessionResult& result) {
    return invocation.json ? Json(invocation, provider, request, result)
                           : Text(invocation, provider, request, result);
}

std::wstring FormatProviderMessage(const ProviderMessage& message) {
    const std::wstring label = message.type == static_cast<LONG>(SCC_MSG_INFO)
                                   ? L"provider"
                                   : L"provider " + MessageTypeWord(message.type);
    return label + L": " + TerminalText(message.text) + L"\n";
}

std::wstring FormatProductVersion(bool json) {
    if (json) {
        return JsonObject()
                   .Text(L"command", L"version")
                   .Text(L"product", ProductVersion())
                   .Raw(L"provider", L"null")
                   .str() +
               L"\n";
    }
    return L"plimo-scc " + std::wstring(ProductVersion()) + L"\n";
}
