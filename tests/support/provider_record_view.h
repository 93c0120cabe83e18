// The test side of the test provider's shared record: set its script, read its calls.
#pragma once

#include <gtest/gtest.h>

#include <cstring>

#include "provider_record.h"

class ProviderRecordView {
public:
    ProviderRecordView() {
        shared_ = testprovider::MapShared(&mapping_);
        if (shared_ == nullptr) {
            ADD_FAILURE() << "cannot map the test provider's record";
            static testprovider::Shared fallback;
            shared_ = &fallback;
        }
    }
    ~ProviderRecordView() {
        if (mapping_ != nullptr) {
            ::UnmapViewOfFile(shared_);
            ::CloseHandle(mapping_);
        }
    }
    ProviderRecordView(const ProviderRecordView&) = delete;
    ProviderRecordView& operator=(const ProviderRecordView&) = delete;

    // Forgets every call and restores the default script (return 0, write nothing).
    void Reset() { std::memset(shared_, 0, sizeof *shared_); }

    testprovider::Script& script() { return shared_->script; }
    testprovider::Shared& shared() { return *shared_; }
    void SetResult(testprovider::Entry entry, LONG result) {
        shared_->script.results[static_cast<int>(entry)] = result;
    }

    int Count() const { return static_cast<int>(shared_->callCount); }
    const testprovider::Call& Call(int index) const { return shared_->calls[index]; }
    const testprovider::Call& Last() const { return shared_->calls[Count() - 1]; }

    // Faults that a kHandleOwnFault entry raised and handled itself.
    int OwnFaultsHandled() const { return static_cast<int>(shared_->ownFaultsHandled); }

    // Calls that entered the provider while a kPumpMessages entry was still pumping.
    int EnteredWhilePumping() const { return static_cast<int>(shared_->enteredWhilePumping); }

    // How many recorded calls reached `entry`.
    int CountOf(testprovider::Entry entry) const {
        int n = 0;
        for (int i = 0; i < Count() && i < testprovider::kMaxCalls; ++i) {
            n += shared_->calls[i].entry == entry;
        }
        return n;
    }

private:
    HANDLE mapping_ = nullptr;
    testprovider::Shared* shared_ = nullptr;
};
