// The process-wide per-user registration mode: registry scripts then write under
// HKCU\Software\Classes instead of the machine's classes root.
#pragma once

// Turns per-user registration mode on for the rest of the process; nothing turns it off.
// Main thread only (registration never runs on two threads at once).
void SetPerUserRegistrationMode();

// Whether per-user registration mode has been turned on in this process.
bool IsPerUserRegistrationMode();
