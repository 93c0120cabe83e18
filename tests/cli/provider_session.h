// A plimo-scc test against the real server and the test provider, on the project "demo" in a
// fresh temporary folder, with the provider's record to read what each call received.
#pragma once

#include <string>
#include <vector>

#include "provider_record_view.h"
#include "temp_folder.h"
#include "tool_runs.h"

class ProviderSession : public ToolSessionTest {
protected:
    void SetUp() override {
        ASSERT_FALSE(temp.path().empty());
        record.Reset();
    }

    // A test provider (by default the full one) by its path, on the project "demo" in the
    // temporary folder.
    std::wstring Project(const wchar_t* provider = kTestProvider) const {
        return L"--provider " + Quoted(BesideTest(provider)) + L" --project demo --local " +
               Quoted(temp.path()) + L" ";
    }
    std::string FullPath(const char* name) const { return Ascii(temp.path()) + "\\" + name; }

    std::vector<testprovider::Entry> Entries() const {
        std::vector<testprovider::Entry> entries;
        for (int i = 0; i < record.Count(); ++i) {
            entries.push_back(record.Call(i).entry);
        }
        return entries;
    }
    const testprovider::Call* Find(testprovider::Entry entry) const {
        for (int i = 0; i < record.Count(); ++i) {
            if (record.Call(i).entry == entry) {
                return &record.Call(i);
            }
        }
        return nullptr;
    }

    TempFolder temp;
    ProviderRecordView record;
};
