// A fixture with a directly constructed bridge, the test provider's record, and the ways a test
// binds the one to the other.
#pragma once

#include <gtest/gtest.h>

#include "bridge_under_test.h"
#include "expected_results.h"
#include "in_out_string.h"
#include "provider_record_view.h"
#include "scoped_resource.h"
#include "test_paths.h"

constexpr LONG kUntouched = 0x0BADF00D;

class BoundBridge : public ::testing::Test {
protected:
    void SetUp() override { record.Reset(); }
    void TearDown() override {
        ::SetDllDirectoryW(nullptr);
        SetReturnedStringAllocator(nullptr);
    }

    // Binds the bridge to the test provider beside the test program.
    void Bind(const wchar_t* provider = kTestProvider) {
        ScopedBstr path(::SysAllocString(BesideTest(provider).c_str()));
        ASSERT_EQ(S_OK, bridge->Init(path.get()));
    }

    ProviderRecordView record;
    BridgePtr bridge = MakeBridge();
};

// Makes the `failing`-th string the bridge hands back from now on fail to allocate.
class FailingStringAllocation {
public:
    explicit FailingStringAllocation(int failing) {
        countdown_ = failing;
        SetReturnedStringAllocator(&Allocate);
    }
    ~FailingStringAllocation() { SetReturnedStringAllocator(nullptr); }
    FailingStringAllocation(const FailingStringAllocation&) = delete;
    FailingStringAllocation& operator=(const FailingStringAllocation&) = delete;

private:
    static BSTR WINAPI Allocate(const OLECHAR* text) {
        return --countdown_ == 0 ? nullptr : ::SysAllocString(text);
    }
    static inline int countdown_ = 0;
};
