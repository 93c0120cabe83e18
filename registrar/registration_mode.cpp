// The process-wide per-user registration mode.
#include "registration_mode.h"

namespace {
// Only the main thread sets or reads it, so a plain flag suffices.
bool perUserRegistrationMode = false;
} // namespace

void SetPerUserRegistrationMode() {
    perUserRegistrationMode = true;
}

bool IsPerUserRegistrationMode() {
    return perUserRegistrationMode;
}
