// The wording of the open project's messages, and the reasons for each refusal in words.
#include "project_messages.h"

#include "provider_values.h"

namespace {

// Why an operation on a file was refused, for each code the project's operations return.
std::string Reason(LONG result) {
    switch (result) {
    case SCC_E_INVALIDFILEPATH:
        return "the path is not inside the working folder";
    case SCC_E_FILENOTCONTROLLED:
        return "it is not under source control";
    case SCC_E_FILEALREADYEXISTS:
        return "it is already under source control";
    case SCC_E_FILENOTEXIST:
        return "the file does not exist";
    case SCC_E_ALREADYCHECKEDOUT:
        return "it is already checked out to you";
    case SCC_E_FILEOUTEXCLUSIVE:
        return "another user has it checked out";
    case SCC_E_NOTCHECKEDOUT:
        return "it is not checked out to you";
    case SCC_E_FILEISCHECKEDOUT:
        return "it is checked out: check it in or undo the check-out first";
    case SCC_E_ACCESSFAILURE:
        return "the working copy or the store could not be read or written";
    default:
        return "error " + std::to_string(result);
    }
}

} // namespace

void ProjectMessages::Done(const std::string& what) const {
    Write(what, SCC_MSG_INFO);
}

LONG ProjectMessages::Failed(const std::string& action, LONG result) const {
    return Failed(action, Reason(result), result);
}

LONG ProjectMessages::Failed(const std::string& action, const std::string& why, LONG result) const {
    Write("could not " + action + ": " + why, SCC_MSG_ERROR);
    return result;
}

void ProjectMessages::Write(const std::string& text, DWORD type) const {
    // Information and error messages ask nothing, so the procedure's answer is not used.
    if (textOut_ != nullptr) {
        textOut_(text.c_str(), type);
    }
}
