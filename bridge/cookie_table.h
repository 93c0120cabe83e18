// CookieTable: the command-options cookies as the client sees them. A provider's cookie may be
// the address of its options, which at 64 bits a LONG cannot carry.
#pragma once

#include <windows.h>

#include <array>

// At 32 bits a cookie travels as it is, both ways. At 64 bits the client gets a number the table
// issued for the provider's cookie (never 0), and the calls that take a cookie back hand the
// provider the whole value again. 0 always means "no options", both ways; a number the table did
// not issue, or no longer keeps, reaches the provider as the 32-bit server would pass it.
class CookieTable {
public:
    // The client's number for the provider's `cookie`.
    LONG ForClient(LONG_PTR cookie);
    // The provider's cookie for the client's `number`.
    LONG_PTR ForProvider(LONG number) const;

private:
    // The numbers issued for the newest cookies; the oldest makes room for a new one.
    static constexpr size_t kKept = 64;
    struct Issued {
        LONG number;
        LONG_PTR cookie;
    };
    const Issued* Find(LONG number) const;

    std::array<Issued, kKept> issued_{};
    size_t count_ = 0;
    size_t oldest_ = 0;
    ULONG lastNumber_ = 0;
};
