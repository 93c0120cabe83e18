// BaselineRegistration: the baseline server's class, registered for one benchmark run only.
#pragma once

#include <string>

// Writes the baseline class's LocalServer32 key in the machine's 32-bit view of the classes,
// where a 32-bit server belongs, and removes the class key again when it goes out of scope.
class BaselineRegistration {
public:
    explicit BaselineRegistration(const std::wstring& serverPath);
    ~BaselineRegistration();

    BaselineRegistration(const BaselineRegistration&) = delete;
    BaselineRegistration& operator=(const BaselineRegistration&) = delete;

    bool Registered() const { return registered_; }

private:
    bool registered_ = false;
};
