// The messages an open project writes through the caller's text-output procedure: one line per
// file, saying what was done to it or why it could not be.
#pragma once

#include <windows.h>

#include <string>

#include "provider_entry_points.h"

class ProjectMessages {
public:
    // With a null procedure every message is dropped: the caller asked for none.
    explicit ProjectMessages(provider::TextOutProc textOut) : textOut_(textOut) {}

    // An information message saying what was done, such as "added a.txt as version 1".
    void Done(const std::string& what) const;

    // An error message "could not <action>: <why>", with the words for `result` as the why or
    // the given `why`; returns `result`, so that a refusal is reported where it is returned.
    LONG Failed(const std::string& action, LONG result) const;
    LONG Failed(const std::string& action, const std::string& why, LONG result) const;

private:
    void Write(const std::string& text, DWORD type) const;

    provider::TextOutProc textOut_;
};
