// The published values of the source-control provider interface in words: result codes by
// name, and the bits of a file's status and of a provider's capabilities as lists of words.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "provider_values.h"

// The name and a short meaning of a provider's result code, such as "SCC_E_FILENOTCONTROLLED"
// and "the file is not under source control". A code the interface does not publish has no
// name.
struct ResultText {
    std::wstring name;
    std::wstring meaning;
};
ResultText DescribeResult(LONG code);

// The code for a person: "SCC_E_FILENOTCONTROLLED (-11)", or the number alone when it has no
// name.
std::wstring ResultCode(LONG code);

// A status word of SccQueryInfo as words, in bit order: "controlled", "checkedout", ... A status
// of 0 is "notcontrolled", -1 "invalid"; a bit the interface does not publish appears as its
// hexadecimal value.
std::vector<std::wstring> StatusWords(LONG status);

// The capability bits of SccInitialize as words, in bit order: "queryinfo", "commentadd", ...
std::vector<std::wstring> CapabilityWords(LONG capabilities);

// A change that SccQueryChanges reports, as a word: SCC_CHANGE_* without its prefix, lower case
// ("different", "renamedto", ...); a kind the interface does not publish as its number.
std::wstring ChangeWord(LONG change);

// A folder's status of SccDirQueryInfo as a word: "controlled", "notcontrolled", "emptyproj",
// "invalid"; other values as their hexadecimal value.
std::wstring FolderStatusWord(LONG status);

// The type of a provider's message as a word: "info", "warning", "error", "status"; others as
// "type <n>".
std::wstring MessageTypeWord(LONG type);

// `value` as eight hexadecimal digits: "0x00003280".
std::wstring Hexadecimal(unsigned long value);

// `words` joined with ", ".
std::wstring JoinWords(const std::vector<std::wstring>& words);
