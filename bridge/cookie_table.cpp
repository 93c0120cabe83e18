#include "cookie_table.h"

namespace {

// Whether a cookie travels as it is: a LONG carries every pointer-sized value.
constexpr bool kCookiesFit = sizeof(LONG_PTR) == sizeof(LONG);

} // namespace

LONG CookieTable::ForClient(LONG_PTR cookie) {
    if (kCookiesFit || cookie == 0) {
        return static_cast<LONG>(cookie);
    }
    for (size_t i = 0; i < count_; ++i) {
        if (issued_[i].cookie == cookie) {
            return issued_[i].number;
        }
    }
    // A number no kept cookie has, never 0, even once the count has gone round.
    LONG number = 0;
    while (number == 0 || Find(number) != nullptr) {
        number = static_cast<LONG>(++lastNumber_);
    }
    size_t slot = count_;
    if (count_ == kKept) {
        slot = oldest_;
        oldest_ = (oldest_ + 1) % kKept;
    } else {
        ++count_;
    }
    issued_[slot] = Issued{number, cookie};
    return number;
}

LONG_PTR CookieTable::ForProvider(LONG number) const {
    const Issued* issued = kCookiesFit || number == 0 ? nullptr : Find(number);
    return issued != nullptr ? issued->cookie : static_cast<LONG_PTR>(number);
}

const CookieTable::Issued* CookieTable::Find(LONG number) const {
    for (size_t i = 0; i < count_; ++i) {
        if (issued_[i].number == number) {
            return &issued_[i];
        }
    }
    return nullptr;
}
